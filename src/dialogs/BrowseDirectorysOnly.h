#pragma once

#include <QString>

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

}  // namespace lexmill
