#include "TextEditor.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include "MessageBox.h"

namespace lexmill {

QString FindTextEditor() {
    static const char* const candidates[] = {
        "gnome-text-editor", "gedit",   "kate",     "kwrite", "mousepad", "xed", "pluma",
        "featherpad",        "leafpad", "xdg-open",
    };
    for (const char* name : candidates) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!found.isEmpty()) return found;
    }
    return {};
}

bool OpenInTextEditor(QWidget* owner, const QString& editor, const QString& path) {
    if (editor.isEmpty()) {
        MsgBox(owner,
               QCoreApplication::translate(
                   "TextEditor",
                   "No text editor was found to open this file:\n%1\n\n"
                   "Install a plain-text editor such as gedit, kate or mousepad.")
                   .arg(path),
               QCoreApplication::translate("TextEditor", "Error"), QMessageBox::Critical);
        return false;
    }
    // An absolute path can never be taken for one of the editor's options.
    const QString argument = QFileInfo(path).absoluteFilePath();
    if (!QProcess::startDetached(editor, {argument})) {
        MsgBox(owner,
               QCoreApplication::translate("TextEditor",
                                           "The text editor could not be started:\n%1\n\nFile:\n%2")
                   .arg(editor, argument),
               QCoreApplication::translate("TextEditor", "Error"), QMessageBox::Critical);
        return false;
    }
    return true;
}

}  // namespace lexmill
