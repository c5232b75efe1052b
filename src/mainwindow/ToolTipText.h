#pragma once

#include <QString>

namespace lexmill {

// A tooltip that shows `text` as written: Qt takes a tooltip that looks like
// markup for rich text, so such a text is escaped first.
QString ToolTipText(const QString& text);

}  // namespace lexmill
