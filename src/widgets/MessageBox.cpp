#include "MessageBox.h"

#include <QCoreApplication>
#include <utility>

namespace lexmill {

namespace {
MessageResponder& Responder() {
    static MessageResponder responder;
    return responder;
}
}  // namespace

QMessageBox::StandardButton MsgBox(QWidget* owner, const QString& text, const QString& title,
                                   QMessageBox::Icon icon, QMessageBox::StandardButtons buttons,
                                   QMessageBox::StandardButton defaultButton) {
    const MessageRequest request{owner, text, title, icon, buttons, defaultButton};
    if (Responder()) return Responder()(request);

    QMessageBox box(icon, title, text, buttons, owner);
    box.setTextFormat(Qt::PlainText);
    if (defaultButton != QMessageBox::NoButton) box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

MessageResponder SetMessageResponder(MessageResponder responder) {
    return std::exchange(Responder(), std::move(responder));
}

void SettingsNotSaved(QWidget* owner, const char* reason) {
    MsgBox(owner,
           QCoreApplication::translate("lexmill", "Lexmill could not save its settings:\n%1")
               .arg(QString::fromUtf8(reason)),
           QCoreApplication::translate("lexmill", "Error"), QMessageBox::Critical);
}

void FileNotRead(QWidget* owner, const QString& path, const std::string& reason) {
    MsgBox(owner,
           QCoreApplication::translate("lexmill", "Lexmill could not read this file:\n%1\n\n%2")
               .arg(path, QString::fromStdString(reason)),
           QCoreApplication::translate("lexmill", "Error"), QMessageBox::Critical);
}

}  // namespace lexmill
