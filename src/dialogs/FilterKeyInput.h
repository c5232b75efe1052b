#pragma once

#include <QObject>

class QLineEdit;

namespace lexmill {

// Passes every character typed into a line edit through the key filter of
// the custom pattern boxes and lets only what passes reach the box, the way
// a key-press handler would. Keys that make no character of their own there
// (Tab, Enter, Esc, Delete, arrows) go on as usual, so the dialog and the
// window still see them; text put in by other means (a stored value, the
// context menu's paste) is not filtered.
class FilterKeyInput : public QObject {
    Q_OBJECT
  public:
    // Installs a filter owned by `box`.
    static void installOn(QLineEdit* box);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    explicit FilterKeyInput(QObject* parent) : QObject(parent) {}
};

}  // namespace lexmill
