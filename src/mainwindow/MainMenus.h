#pragma once

#include <QString>
#include <cstdint>

#include "frmfav.h"

class QAction;
class QMainWindow;
class QMenu;
class QPoint;

namespace lexmill {

// The menu bar and the file list's pop-up menu: their items by name, and which are enabled.
class MainMenus {
  public:
    explicit MainMenus(QMainWindow* window);

    // The Tools menu opens: `selCount` files are selected, the file tab is shown or not.
    void mnuTools_Open(std::int64_t selCount, bool fileTab);
    void ShowFilePopup(const QPoint& globalPos, std::int64_t selCount, bool fileTab);
    // The tab shown changed; `previousTab` is the one shown before.
    void tabs1_Click(int previousTab);

    QMenu* mnuFile = nullptr;
    QAction* mnuFileSelFold = nullptr;
    QAction* mnuFileRef = nullptr;
    QAction* mnuFileSelAll = nullptr;
    QAction* mnuFileTr = nullptr;
    QAction* mnuFileExit = nullptr;
    QMenu* mnuEdt = nullptr;
    QAction* mnuEdtOp = nullptr;
    QAction* mnuEdtUndo = nullptr;
    QAction* mnuEdtPreview = nullptr;  // enabled exactly when Start is
    QMenu* mnuFavs = nullptr;
    FavoritesMenuEntries favs{};
    QAction* mnuFavsedit = nullptr;
    QMenu* mnuTools = nullptr;
    QAction* mnuFileVTB = nullptr;
    QAction* mnuFileOpenDA = nullptr;
    QAction* mnuFileOpenNp = nullptr;
    QAction* mnuToolsFTP = nullptr;
    QAction* mnuToolsMeta = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuHelpContents = nullptr;
    QAction* mnuHelpAbout = nullptr;
    // Never in the menu bar: it opens over the file list.
    QMenu* mnuFilePop = nullptr;
    QAction* mnuFilePopVTB = nullptr;
    QAction* mnuFilePopOpenDA = nullptr;
    QAction* mnuFilePopOpenNp = nullptr;
    QAction* popftp = nullptr;
    QAction* popmeta = nullptr;

  private:
    QMenu* AddMenu(const char* name, const QString& caption);

    QMainWindow* window_;
};

}  // namespace lexmill
