#include "ToolTipText.h"

#include <QTextDocument>

namespace lexmill {

QString ToolTipText(const QString& text) {
    if (!Qt::mightBeRichText(text)) return text;
    return QStringLiteral("<p style='white-space:pre'>%1</p>").arg(text.toHtmlEscaped());
}

}  // namespace lexmill
