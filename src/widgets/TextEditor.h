#pragma once

#include <QString>
#include <string>

class QWidget;

namespace lexmill {

// The desktop's plain-text editor, standing in for Notepad: the program path of
// the first GUI text editor found on PATH (gnome-text-editor, gedit, kate,
// mousepad, xed, pluma, featherpad, ...), else xdg-open, else the empty string.
QString FindTextEditor();

// Starts `editor` with `path` as its one argument (never through a shell) and
// returns at once. When `editor` is empty or cannot be started, says so in a
// message box titled "Error" and returns false.
bool OpenInTextEditor(QWidget* owner, const QString& editor, const QString& path);
// The same for a path given as the system's bytes, which need not be UTF-8.
bool OpenLocalPathInTextEditor(QWidget* owner, const QString& editor, const std::string& path);

}  // namespace lexmill
