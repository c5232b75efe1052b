#include "BrowseDirectorysOnly.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>
#include <utility>

namespace lexmill {

namespace {
FolderBrowser& Browser() {
    static FolderBrowser browser;
    return browser;
}

ShellOpener& Opener() {
    static ShellOpener opener;
    return opener;
}
}  // namespace

QString BrowseForFolder(QWidget* owner, const QString& title, const QString& initialFolder) {
    if (Browser()) return Browser()(FolderBrowseRequest{owner, title, initialFolder});
    return QFileDialog::getExistingDirectory(owner, title, initialFolder,
                                             QFileDialog::ShowDirsOnly);
}

bool ShellOpen(QWidget* owner, const QString& target) {
    if (Opener()) return Opener()(ShellOpenRequest{owner, target});
    if (target.isEmpty()) return false;
    // "http:", "mailto:" and the like; one letter before the colon is no scheme.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    if (!QDir::isAbsolutePath(target) && scheme.match(target).hasMatch())
        return QDesktopServices::openUrl(QUrl(target, QUrl::TolerantMode));
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath()));
}

FolderBrowser SetFolderBrowser(FolderBrowser browser) {
    return std::exchange(Browser(), std::move(browser));
}

ShellOpener SetShellOpener(ShellOpener opener) {
    return std::exchange(Opener(), std::move(opener));
}

}  // namespace lexmill
