#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <filesystem>

#include "CRegSettings.h"

class QAction;
class QListWidget;
class QPushButton;

namespace lexmill {

// The main window's five favourites menu entries favs(0) to favs(4). Entry 0
// reads "(Empty)" (disabled) while there is no favourite.
using FavoritesMenuEntries = std::array<QAction*, 5>;

// "Edit Favorite Folders": up to five favourite folders. Done stores them
// (slots "folder0" to "folder4") and updates the main window's menu entries at
// once; Cancel and the close box change nothing. Make a new one for every
// opening, so it reads the store afresh:
//
//     frmfav editor(favs, File1->Path(), settingsFile);
//     editor.exec();
class frmfav : public QDialog {
    Q_OBJECT
  public:
    // The caption of favs(0) while there is no favourite.
    static QString EmptyCaption();

    // The caption of favourite `slot` (0 to 4): its number, a dot, two blanks
    // and the path, the number marked as access key when `accessKey` is set
    // ("&1.  /home/me/web"). An "&" in the path stays a plain character.
    static QString MenuCaption(int slot, const QString& path, bool accessKey);

    // `favs`: the menu entries to update; `fileListFolder`: the main window's
    // work folder, where Add's folder browser starts.
    frmfav(const FavoritesMenuEntries& favs, QString fileListFolder,
           std::filesystem::path settingsFile, QWidget* parent = nullptr);

    // Handlers.
    void Command1_Click();  // Remove
    void Command2_Click();  // Add
    void Command3_Click();  // Cancel
    void Command4_Click();  // Done

  private:
    void Form_Load();
    void UpdateMenu(const QStringList& entries);
    void AddEntry(const std::string& folder);

    FavoritesMenuEntries favs_;
    QString fileListFolder_;
    std::filesystem::path settingsFile_;
    CRegSettings settings_;

    QListWidget* List1;
    QPushButton* Command3;
    QPushButton* Command2;
    QPushButton* Command1;
    QPushButton* Command4;
};

}  // namespace lexmill
