#include "BrowseDirectorysOnly.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

namespace lexmill {

QString BrowseForFolder(QWidget* owner, const QString& title, const QString& initialFolder) {
    return QFileDialog::getExistingDirectory(owner, title, initialFolder,
                                             QFileDialog::ShowDirsOnly);
}

bool ShellOpen(QWidget*, const QString& target) {
    if (target.isEmpty()) return false;
    // "http:", "mailto:" and the like; one letter before the colon is no scheme.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    if (!QDir::isAbsolutePath(target) && scheme.match(target).hasMatch())
        return QDesktopServices::openUrl(QUrl(target, QUrl::TolerantMode));
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath()));
}

}  // namespace lexmill
