#pragma once

#include <filesystem>

#include "frmfav.h"

class QWidget;

namespace lexmill {

class FileSelection;
struct frmLMControls;

// The Favorites menu: its entries from the store, a favourite's folder, and the editor.
class FavoritesMenu {
  public:
    FavoritesMenu(QWidget* window, std::filesystem::path settingsFile, const frmLMControls& ui,
                  FileSelection& files);

    // Takes the menu's five entries favs(0) to favs(4).
    void setEntries(const FavoritesMenuEntries& favs) { favs_ = favs; }

    // Shows the stored favourites (at start-up).
    void LoadFavorites();
    // Opens favourite `index`'s folder, or says it is gone.
    void favs_Click(int index);
    // "Edit Favorites"; the editor updates the entries itself.
    void mnuFavsedit_Click();

  private:
    QWidget* window_;
    std::filesystem::path settingsFile_;
    const frmLMControls& ui_;
    FileSelection& files_;
    FavoritesMenuEntries favs_{};
};

}  // namespace lexmill
