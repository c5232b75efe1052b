#include "FilterKeyInput.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <cstdint>

#include "files/FilterKey.h"

namespace lexmill {

namespace {
// One character through the shared key filter; characters beyond its 16-bit
// codes are refused like any other non-pattern character.
bool PassesFilterKey(char16_t code) {
    auto key = code < 0x8000 ? static_cast<std::int16_t>(code) : std::int16_t{0};
    return FilterKey(key) != 0;
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
