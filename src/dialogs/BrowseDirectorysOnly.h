#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace lexmill {

// Shows a folder chooser titled `title`, starting at `initialFolder` (none
// when empty). Returns the chosen folder's full path, or the empty string when
// the user cancels.
QString BrowseForFolder(QWidget* owner, const QString& title, const QString& initialFolder);

// Opens a file, a web address or a "mailto:" address with the desktop's
// associated application. A target without a scheme is a file path. Returns
// whether the desktop accepted it; callers may ignore the result.
bool ShellOpen(QWidget* owner, const QString& target);

// One folder chooser request, as BrowseForFolder received it.
struct FolderBrowseRequest {
    QWidget* owner = nullptr;
    QString title;
    QString initialFolder;
};

// Answers a request instead of showing the chooser: the chosen path, or the
// empty string for a cancelled browse.
using FolderBrowser = std::function<QString(const FolderBrowseRequest&)>;

// Replaces the real chooser by `browser` (an empty one brings it back) and
// returns the one installed before.
FolderBrowser SetFolderBrowser(FolderBrowser browser);

// One request to open a target, as ShellOpen received it.
struct ShellOpenRequest {
    QWidget* owner = nullptr;
    QString target;
};

// Handles a request instead of the desktop; returns whether it was accepted.
using ShellOpener = std::function<bool(const ShellOpenRequest&)>;

// Replaces the desktop by `opener` (an empty one brings it back) and returns
// the one installed before.
ShellOpener SetShellOpener(ShellOpener opener);

}  // namespace lexmill
