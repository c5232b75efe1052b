// Lexmill: opens the main window over the user's settings file.
#include <signal.h>

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QMessageBox>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>

#include "LexmillVersion.h"
#include "MessageBox.h"
#include "Pcre2Version.h"
#include "SettingsFile.h"
#include "TextConvert.h"
#include "TextEditor.h"
#include "TransferLibraryVersions.h"
#include "batch/Module1.h"
#include "frmLM.h"
#include "write/TemporaryFile.h"

namespace {

// Ends the program on `signal` as its default action does, leaving no
// temporary file of a rewrite under way behind.
extern "C" void onTerminate(int signal) {
    lexmill::removePendingTemporaries();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// SIGTERM and SIGHUP (the desktop's logout) end the program; while the
// handler of one runs, the other waits, so that it removes the files whole.
void HandleTermination() {
    for (int signal : {SIGTERM, SIGHUP}) {
        struct sigaction action {};
        action.sa_handler = onTerminate;
        action.sa_flags = SA_RESTART;
        sigemptyset(&action.sa_mask);
        for (int other : {SIGTERM, SIGHUP}) sigaddset(&action.sa_mask, other);
        sigaction(signal, &action, nullptr);
    }
}

// Makes the settings file usable; tells the user once when it had to be
// replaced, or when it cannot be used at all (the program then runs on its
// defaults and cannot keep what it would save).
std::filesystem::path PrepareSettings() {
    std::filesystem::path file;
    try {
        file = lexmill::defaultSettingsFile();
        const lexmill::SettingsFileStatus status = lexmill::prepareSettingsFile(file);
        if (status.movedAside)
            lexmill::MsgBox(
                nullptr,
                QCoreApplication::translate(
                    "main",
                    "Lexmill could not read its settings file and has moved it aside to:\n%2\n\n"
                    "Reason: %1\n\nLexmill starts with its default settings.")
                    .arg(QString::fromStdString(status.reason),
                         lexmill::FromLocalPath(status.movedTo.native())),
                QCoreApplication::translate("main", "Warning"), QMessageBox::Warning);
    } catch (const std::exception& e) {
        lexmill::MsgBox(nullptr,
                        QCoreApplication::translate(
                            "main",
                            "Lexmill cannot use its settings file:\n%1\n\nSettings will not be "
                            "remembered this time.")
                            .arg(QString::fromStdString(e.what())),
                        QCoreApplication::translate("main", "Warning"), QMessageBox::Warning);
    }
    return file;
}

constexpr const char* kHelp =
    "Usage: lexmill [--help | --version]\n"
    "\n"
    "Opens Lexmill's window: search and replace text in many files, tally\n"
    "lines, words and keywords, list the meta tags of web pages, upload files\n"
    "by FTP, FTP with TLS or SFTP. lexmill-batch does the same from scripts.\n"
    "\n"
    "  -h, --help             show this text\n"
    "  --version              show the version of Lexmill and of the libraries it uses\n";

// --help and --version need no display: answered before Qt looks for one.
// -1 when `argv` asks for neither.
int AnswerQuery(int argc, char** argv) {
    if (argc != 2) return -1;
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(kHelp, stdout);
    } else if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("lexmill %s\nQt %s\n%s\n%s", lexmill::kVersion, qVersion(),
                    lexmill::cli::Pcre2VersionLine().c_str(),
                    lexmill::TransferLibraryVersions().c_str());
    } else {
        return -1;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (const int status = AnswerQuery(argc, argv); status >= 0) return status;
    HandleTermination();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lexmill"));
    QApplication::setOrganizationName(QStringLiteral("Bramblegate"));
    QGuiApplication::setDesktopFileName(QStringLiteral("example.bramblegate.Lexmill"));
    // Every window and the tray icon show it.
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/lexmill-32.png"));
    icon.addFile(QStringLiteral(":/icons/lexmill-256.png"));
    QApplication::setWindowIcon(icon);

    const std::filesystem::path settings = PrepareSettings();
    lexmill::Module1 m;
    lexmill::frmLM window(m, settings, lexmill::FindTextEditor());
    window.show();
    return QApplication::exec();
}
