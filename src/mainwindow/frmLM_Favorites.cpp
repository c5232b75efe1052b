// The Favorites menu: built from the store at start-up, a favourite opens its
// folder, and "Edit Favorites" opens the editor, which updates the menu itself.
#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <array>

#include "FileListBox.h"
#include "MessageBox.h"
#include "SettingsCatalogue.h"
#include "TextConvert.h"
#include "frmLM.h"
#include "frmfav.h"

namespace lexmill {

namespace fav = catalogue::favorites;

void frmLM::LoadFavorites() {
    CRegSettings settings(settingsFile_);
    settings.setCompany(catalogue::kCompany);
    settings.setAppName(catalogue::kAppName);
    // The editor keeps the slots packed: no first one, none at all.
    if (settings.GetSetting(fav::kSection, fav::slotKey(0), fav::kSlotDefault).empty()) return;
    for (int i = 0; i < fav::kSlots; ++i) {
        const std::string path =
            settings.GetSetting(fav::kSection, fav::slotKey(i), fav::kSlotDefault);
        favs[i]->setVisible(!path.empty());
        favs[i]->setEnabled(!path.empty());
        if (!path.empty()) favs[i]->setText(frmfav::MenuCaption(i, FromLocalPath(path), false));
    }
}

void frmLM::favs_Click(int index) {
    settings_ = std::make_unique<CRegSettings>(settingsFile_);
    settings_->setCompany(catalogue::kCompany);
    settings_->setAppName(catalogue::kAppName);
    // The stored value, not the caption: the folder as the editor stored it.
    const QString folder =
        FromLocalPath(settings_->GetSetting(fav::kSection, fav::slotKey(index), fav::kSlotDefault));
    if (folder.isEmpty()) {
        MsgBox(this,
               tr("This favorite folder is no longer stored. Choose \"Edit Favorites\" to see "
                  "the list as it is now."),
               tr("Oops!"), QMessageBox::Warning);
        return;
    }
    // A folder that is gone leaves the work folder as it is.
    if (!QFileInfo(folder).isDir() || !File1->setPath(folder)) {
        MsgBox(this,
               tr("The favorite folder\n%1\nno longer exists. The work folder stays as it was.")
                   .arg(folder),
               tr("Oops!"), QMessageBox::Warning);
        return;
    }
    Label2->setText(File1->Path());
    UpdateFolderLabel();
}

void frmLM::mnuFavsedit_Click() {
    // Without an owner, as the editor is not the main window's; it updates
    // the menu entries itself on Done.
    frmfav editor(std::to_array(favs), File1->Path(), settingsFile_);
    editor.exec();
}

}  // namespace lexmill
