#pragma once

#include <QString>

class QPushButton;
class QWidget;

namespace lexmill {

// A push button, found by its objectName. Enter presses it while it has the
// focus; it never becomes the default button by taking the focus, so Enter
// elsewhere in a dialog presses only an explicit default.
QPushButton* MakeButton(const QString& name, const QString& caption, QWidget* parent);

}  // namespace lexmill
