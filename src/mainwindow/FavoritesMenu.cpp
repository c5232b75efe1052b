#include "FavoritesMenu.h"

#include <QAction>

#include "CRegSettings.h"
#include "FileListBox.h"
#include "FileSelection.h"
#include "MessageBox.h"
#include "SettingsCatalogue.h"
#include "TextConvert.h"
#include "frmLMControls.h"

namespace lexmill {

namespace fav = catalogue::favorites;

namespace {

CRegSettings Store(const std::filesystem::path& file) {
    CRegSettings settings(file);
    settings.setCompany(catalogue::kCompany);
    settings.setAppName(catalogue::kAppName);
    return settings;
}

}  // namespace

FavoritesMenu::FavoritesMenu(QWidget* window, std::filesystem::path settingsFile,
                             const frmLMControls& ui, FileSelection& files)
    : window_(window), settingsFile_(std::move(settingsFile)), ui_(ui), files_(files) {}

void FavoritesMenu::LoadFavorites() {
    CRegSettings settings = Store(settingsFile_);
    // The editor keeps the slots packed: no first one, none at all.
    if (settings.GetSetting(fav::kSection, fav::slotKey(0), fav::kSlotDefault).empty()) return;
    for (int i = 0; i < fav::kSlots; ++i) {
        const std::string path =
            settings.GetSetting(fav::kSection, fav::slotKey(i), fav::kSlotDefault);
        favs_[i]->setVisible(!path.empty());
        favs_[i]->setEnabled(!path.empty());
        if (!path.empty()) favs_[i]->setText(frmfav::MenuCaption(i, FromLocalPath(path), false));
    }
}

void FavoritesMenu::favs_Click(int index) {
    // The stored value, not the caption: the folder as the editor stored it.
    const std::string stored =
        Store(settingsFile_).GetSetting(fav::kSection, fav::slotKey(index), fav::kSlotDefault);
    const QString folder = FromLocalPath(stored);
    if (folder.isEmpty()) {
        MsgBox(window_,
               QObject::tr("This favorite folder is no longer stored. Choose \"Edit Favorites\" "
                           "to see the list as it is now."),
               QObject::tr("Oops!"), QMessageBox::Warning);
        return;
    }
    // A folder that is gone leaves the work folder as it is.
    if (!ui_.File1->setLocalPath(stored)) {
        MsgBox(window_,
               QObject::tr("The favorite folder\n%1\nno longer exists. The work folder stays as "
                           "it was.")
                   .arg(folder),
               QObject::tr("Oops!"), QMessageBox::Warning);
        return;
    }
    files_.ShowFolder();
}

void FavoritesMenu::mnuFavsedit_Click() {
    // Without an owner, as the editor is not the main window's; it updates
    // the menu entries itself on Done.
    frmfav editor(favs_, ui_.File1->Path(), settingsFile_);
    editor.exec();
}

}  // namespace lexmill
