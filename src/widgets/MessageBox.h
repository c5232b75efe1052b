#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>
#include <string>

class QWidget;

namespace lexmill {

// One message box request, exactly as the program asks for it.
struct MessageRequest {
    QWidget* owner = nullptr;
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

// Answers a request instead of showing a box; returns the button "pressed".
using MessageResponder = std::function<QMessageBox::StandardButton(const MessageRequest&)>;

// Every message box of the program goes through here. The text is shown as
// plain text, so file names and server replies never render as markup.
// Returns the button the user pressed (Escape or the close box give the
// box's escape button, as QMessageBox decides).
QMessageBox::StandardButton MsgBox(
    QWidget* owner, const QString& text, const QString& title, QMessageBox::Icon icon,
    QMessageBox::StandardButtons buttons = QMessageBox::Ok,
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

// Says in an "Error" box that the file at `path` could not be read, and why.
void FileNotRead(QWidget* owner, const QString& path, const std::string& reason);

// Says in an "Error" box that settings could not be saved, with the store's
// reason.
void SettingsNotSaved(QWidget* owner, const char* reason);

// Replaces the real boxes by `responder` (an empty one brings them back) and
// returns the responder that was installed before.
MessageResponder SetMessageResponder(MessageResponder responder);

}  // namespace lexmill
