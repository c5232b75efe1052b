#pragma once

#include <QMainWindow>
#include <QString>
#include <cstdint>
#include <filesystem>

#include "BatchRunHost.h"
#include "BusyIndicators.h"
#include "FavoritesMenu.h"
#include "FileSelection.h"
#include "MainMenus.h"
#include "SavedOptions.h"
#include "SearchPanel.h"
#include "TallyPanels.h"
#include "TextBlock.h"
#include "ToolWindows.h"
#include "frmLMControls.h"

namespace lexmill {

class TrayIcon;
struct Module1;

// The main window. Each job is one of its parts below; each handler, named
// after its control, forwards to the part that owns the job.
class frmLM : public QMainWindow {
    Q_OBJECT
  public:
    // `settingsFile`: the settings store; `textEditor`: the program that
    // stands in for Notepad (may be empty). Runs the start-up (Form_Load).
    frmLM(Module1& m, std::filesystem::path settingsFile, QString textEditor,
          QWidget* parent = nullptr);
    ~frmLM() override;

    // The Progress property: the status bar's bar against Module1::ProgressMax.
    std::int64_t Progress() const { return busy_.Progress(); }

  protected:
    void closeEvent(QCloseEvent* event) override;
    // Esc anywhere in the window requests a cancel; the file list's and the
    // "Clear" links' mouse events go to their parts.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void ConnectControls();
    void ConnectMenus();
    void Form_Load();
    // The refreshes that follow the user; none while Busy (the operation
    // ends with one).
    void Timer1_Timer();

    void Command3_Click();  // Start
    void Command6_Click();  // file tally
    void File1_Click();
    void File1_PathChange();
    void ShowFilePopup(const QPoint& globalPos);
    void mnuTools_Open();
    void mnuEdtPreview_Click();
    void mnuToolsMeta_Click();
    void mnuToolsFTP_Click();
    void mnuFileTr_Click();
    void mnuEdtUndo_Click();
    // "Undo Last Run" is enabled when the work folder has a run to undo.
    void UpdateUndoItem();
    void tabs1_Click(int index);

    Module1& m_;
    frmLMControls ui_;         // the controls of both tabs and the status bar
    MainMenus menus_;          // the menu bar and the file list's pop-up menu
    BusyIndicators busy_;      // the progress bar and the hourglass
    TextBlock textBlock_;      // Text4 and the clipboard; exact texts of Text1, Text2, Text4
    SearchPanel search_;       // Clear links, option boxes, Start's enabling
    BatchRunHost batch_;       // the batch run: the engine's host, the results window
    TallyPanels tallies_;      // the file tally and the text block tally
    FileSelection files_;      // folder, filters, File1's tooltip and pop-up, open commands
    FavoritesMenu favorites_;  // the Favorites menu
    SavedOptions options_;     // start-up from and closing into the "Options" settings
    ToolWindows tools_;        // meta tags, FTP, options, help, About
    TrayIcon* tray_;           // the icon in the notification area
    int currentTab_ = 0;
};

}  // namespace lexmill
