#pragma once

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMainWindow;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QTabWidget;

namespace lexmill {

class FileListBox;
class PictureBox;
class StatusPanel;

// The controls of the main window's two tabs and its status bar, laid out at their design sizes.
struct frmLMControls {
    // Builds them into `window` as its central widget and status bar; each
    // control's objectName is its name here.
    static frmLMControls Build(QMainWindow* window);
    // Fixes the window at its design size (or what its fonts need) once the
    // menus are in, shares the status bar between the panels and centres it.
    void FixWindowSize(QMainWindow* window) const;

    QTabWidget* tabs1 = nullptr;

    // File Operations: the file selection.
    QLabel* Label2 = nullptr;  // the work folder
    FileListBox* File1 = nullptr;
    QComboBox* Combo1 = nullptr;
    QCheckBox* chkSubfolders = nullptr;  // lists the subfolders' files too
    QLabel* Label13 = nullptr;
    QLineEdit* Text3 = nullptr;
    QPushButton* Command1 = nullptr;  // Select All Files
    QPushButton* Command5 = nullptr;  // Refresh
    QPushButton* Command2 = nullptr;  // Select Folder

    // File Operations: search and replace.
    QLabel* Label10 = nullptr;  // "Clear" for Text1
    QPlainTextEdit* Text1 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label12 = nullptr;  // "Clear" for Text2
    QPlainTextEdit* Text2 = nullptr;
    QCheckBox* Check3 = nullptr;      // Search Only
    QCheckBox* Check4 = nullptr;      // Match Case
    QCheckBox* chkRegex = nullptr;    // Regular Expression
    QCheckBox* Check1 = nullptr;      // Make Backups
    QPushButton* Command3 = nullptr;  // Start
    PictureBox* picProgress = nullptr;

    // File Operations: the file tally.
    QLineEdit* KWtext = nullptr;
    QPushButton* Command6 = nullptr;
    QLabel* numcharF = nullptr;
    QLabel* numwrdsF = nullptr;
    QLabel* numlnsF = nullptr;
    QLabel* labelkw = nullptr;

    // Text Block Operations.
    QPlainTextEdit* Text4 = nullptr;
    QLineEdit* KWtext2 = nullptr;
    QPushButton* Command4 = nullptr;
    QCheckBox* Check2 = nullptr;  // Monitor Clipboard
    QLabel* numcharT = nullptr;
    QLabel* numwrdsT = nullptr;
    QLabel* numlinesT = nullptr;
    QLabel* labelkw2 = nullptr;

    QStatusBar* sbStatusbar = nullptr;
    StatusPanel* panels[3] = {};  // the third has the key "pnlProgress"
};

}  // namespace lexmill
