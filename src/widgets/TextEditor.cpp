#include "TextEditor.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <thread>

#include "MessageBox.h"
#include "TextConvert.h"

namespace lexmill {

namespace {

// Starts `program` (looked up on PATH when it has no "/") with `argument` as its
// one argument, and returns at once; false when it cannot be started. A thread
// of its own waits for it to end, so that it leaves no zombie.
bool StartDetached(const std::string& program, const std::string& argument) {
    std::string arg0 = program, arg1 = argument;
    char* argv[] = {arg0.data(), arg1.data(), nullptr};
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, pipe;
    sigemptyset(&none);
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &pipe);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, program.c_str(), nullptr, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) return false;
    std::thread([pid] {
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

}  // namespace

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
    return OpenLocalPathInTextEditor(owner, editor, ToLocalPath(path));
}

bool OpenLocalPathInTextEditor(QWidget* owner, const QString& editor, const std::string& path) {
    if (editor.isEmpty()) {
        MsgBox(owner,
               QCoreApplication::translate(
                   "TextEditor",
                   "No text editor was found to open this file:\n%1\n\n"
                   "Install a plain-text editor such as gedit, kate or mousepad.")
                   .arg(FromLocalPath(path)),
               QCoreApplication::translate("TextEditor", "Error"), QMessageBox::Critical);
        return false;
    }
    // An absolute path can never be taken for one of the editor's options. It
    // goes as its bytes, which need not be UTF-8.
    std::error_code ec;
    const std::string argument = std::filesystem::absolute(path, ec).lexically_normal().native();
    const std::string program = ToLocalPath(editor);
    if (!StartDetached(program, argument)) {
        MsgBox(owner,
               QCoreApplication::translate("TextEditor",
                                           "The text editor could not be started:\n%1\n\nFile:\n%2")
                   .arg(editor, FromLocalPath(argument)),
               QCoreApplication::translate("TextEditor", "Error"), QMessageBox::Critical);
        return false;
    }
    return true;
}

}  // namespace lexmill
