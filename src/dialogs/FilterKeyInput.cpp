#include "FilterKeyInput.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <string_view>

namespace lexmill {

namespace {
// The key filter of the custom pattern boxes (the main window's FilterKey
// rule): Backspace, "*", "?", the dot, the digits and the letters a to z of
// either case pass; upper case stays upper case.
bool PassesFilterKey(char16_t code) {
    if (code == 8) return true;
    if (code >= u'A' && code <= u'Z') code = static_cast<char16_t>(code - u'A' + u'a');
    static constexpr std::u16string_view kAllowed = u"*abcdefghijklmnopqurstuvwxyz?.0123456789";
    return kAllowed.find(code) != std::u16string_view::npos;
}
}  // namespace

void FilterKeyInput::installOn(QLineEdit* box) {
    box->installEventFilter(new FilterKeyInput(box));
}

bool FilterKeyInput::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
        case Qt::Key_Delete:
            return false;
        default:
            break;
    }
    const QString typed = key->text();
    if (typed.isEmpty()) return false;

    QString kept;
    for (const QChar c : typed)
        if (PassesFilterKey(c.unicode())) kept += c;
    if (kept == typed) return false;
    // Some characters were refused: the key is consumed and only the rest
    // (usually nothing) goes into the box.
    if (auto* box = qobject_cast<QLineEdit*>(watched); box && !kept.isEmpty()) box->insert(kept);
    return true;
}

}  // namespace lexmill
