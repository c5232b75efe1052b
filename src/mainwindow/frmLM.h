#pragma once

#include <QMainWindow>
#include <QString>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "BatchHost.h"
#include "CRegSettings.h"
#include "Module1.h"
#include "Tally.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QTabWidget;

namespace lexmill {

class FileListBox;
class Form3;
class PictureBox;
class ProgressProperty;
class CProgressBarEx;
class StatusPanel;
class TrayIcon;

// The main window: file selection, search and replace, the two tallies, the
// text block, the menus and the status bar with its progress panel. It hosts
// the batch run (as its BatchHost) and restores and saves the options of the
// "Options" section around its life.
//
// The periodic refreshes of the original (a 1 ms timer) are replaced by
// updates on the signals of the controls concerned; they pause while Busy.
class frmLM : public QMainWindow, public BatchHost {
    Q_OBJECT
  public:
    using FolderChooser =
        std::function<QString(QWidget* owner, const QString& title, const QString& start)>;

    // `settingsFile`: the settings store; `textEditor`: the program that
    // stands in for Notepad (may be empty). Runs the start-up (Form_Load).
    frmLM(Module1& m, std::filesystem::path settingsFile, QString textEditor,
          QWidget* parent = nullptr);
    ~frmLM() override;

    // Replaces the folder chooser (tests answer it without a dialog).
    void setFolderChooser(FolderChooser chooser) { chooseFolder_ = std::move(chooser); }

    bool IsLoading() const { return isLoading_; }

    // The progress panel's bar against Module1::ProgressMax; 0 removes it.
    std::int64_t Progress() const;
    void setProgress(std::int64_t value) override;
    // The bar, once the first write of Progress made it.
    CProgressBarEx* ProgressBar() const;

    // Panels 1 to 3 of the status bar, by index from 0.
    StatusPanel* Panel(int index) const { return panels_[index]; }

    // The text panel 1 shows between operations.
    static QString IdleText();

    // Takes the selected-files collection from File1 into Module1.
    void GetSelectedFiles();

    // BatchHost: the batch run reports here.
    BatchOptions options() override;
    void setStatus(std::string_view text) override;
    void setIdleStatus() override;
    void setHint(std::string_view text) override;
    void setWaitCursor(bool on) override;
    void setStartEnabled(bool enabled) override;
    void repaint() override;  // the status panels only (hides QWidget::repaint)
    void yield() override;
    void message(std::string_view text, std::string_view title, MessageIcon icon) override;
    void addResult(std::string_view name) override;
    void showResults(std::string_view heading, std::string_view summary) override;

    // Handlers.
    void Command3_Click();  // Start
    void Command6_Click();  // file tally
    void Command4_Click();  // text block tally
    void Text4_Change();
    void Check1_Click();
    void Check3_Click();

    void Combo1_Click();
    void Text3_Change();
    void File1_Click();
    void File1_PathChange();
    void Command1_Click();  // select all files
    void Command5_Click();  // refresh
    void Command2_Click();  // select folder
    void mnuFileOpenDA_Click();
    void mnuFileOpenNp_Click();
    void mnuTools_Open();
    void ShowFilePopup(const QPoint& globalPos);
    void UpdateFileToolTip(const QPoint& viewportPos);

    void tabs1_Click(int previousTab);

    // The text block and the clipboard monitor (frmLM_TextBlock.cpp).
    void Check2_Click();
    void Timer2_Timer();  // runs when the clipboard changes
    void mnuFileVTB_Click();
    void Label10_Click();
    void Label12_Click();
    void Text1_Change();
    void Text2_Change();
    // Sets the whole text of Text1, Text2 or Text4 and keeps it exactly (line
    // breaks included) for the search, the replacement or the tally, until
    // the user edits the box; the box itself shows it as text.
    void SetBoxText(QPlainTextEdit* box, const QString& text);
    // What a box stands for: the text kept by SetBoxText, or what it shows.
    QString BoxText(const QPlainTextEdit* box) const;

    // The favourites menu (frmLM_Favorites.cpp).
    void LoadFavorites();
    void favs_Click(int index);
    void mnuFavsedit_Click();

    // Tools, dialogs, tray icon and help (frmLM_Tools.cpp).
    void mnuToolsMeta_Click();
    void mnuToolsFTP_Click();
    void mnuEdtOp_Click();
    void mnuHelpContents_Click();
    void mnuHelpAbout_Click();
    void mnuFileTr_Click();
    void mnuPopRest_Click();
    void mnuPopEx_Click();
    // The icon in the notification area; tests set its exit and availability.
    TrayIcon* Tray() const { return tray_; }

    // For tests: sees every value written to Progress.
    void setProgressObserver(std::function<void(std::int64_t)> observer) {
        progressObserver_ = std::move(observer);
    }

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Layout (frmLM.cpp).
    void BuildTabs();
    QWidget* BuildFileTab();
    QGroupBox* BuildFrame1();
    QGroupBox* BuildFrame2();
    QGroupBox* BuildFrame5();
    QWidget* BuildTextTab();
    void BuildStatusBar();
    void FixWindowSize();
    void ConnectControls();
    // Menus (frmLM_Menus.cpp).
    void BuildMenus();
    QAction* AddItem(QMenu* menu, const char* name, const QString& caption);
    QMenu* AddMenu(const char* name, const QString& caption);

    // Start-up and closing (frmLM_Load.cpp).
    void Form_Load();
    void ChooseStartupFilter();
    void ChooseStartupFolder();
    void RestoreCheckBoxes();
    void Form_QueryUnload();
    void Form_Unload();

    // The refreshes that follow the user (frmLM_Refresh.cpp).
    void Timer1_Timer();
    void UpdateSelectionPanel();
    void UpdateTallyButton();
    void UpdateFolderLabel();
    void UpdateStartButton();

    void ClearFileTally();
    void ShowTextTally(std::int64_t words);
    std::optional<std::int64_t> FileTally();
    std::int64_t TextTally();
    std::int64_t FinishTally(const TallyCounts& counts);
    void SetFolder(const QString& folder);
    void SetPattern(const QString& pattern);

    Module1& m_;
    std::filesystem::path settingsFile_;
    QString textEditor_;
    FolderChooser chooseFolder_;
    std::unique_ptr<CRegSettings> settings_;
    bool isLoading_ = false;
    bool unloaded_ = false;
    QString LastFile;
    int currentTab_ = 0;
    int waitCursors_ = 0;
    std::unique_ptr<ProgressProperty> progress_;
    std::function<void(std::int64_t)> progressObserver_;
    Form3* results_ = nullptr;
    TrayIcon* tray_ = nullptr;
    bool monitorOn_ = true;  // Timer2 enabled: the text block follows the clipboard

    // A text put into a box by the program, kept exactly while the box shows it.
    struct KeptText {
        const QPlainTextEdit* box = nullptr;
        std::optional<QString> exact;
        bool setting = false;  // SetBoxText is changing the box
    };
    KeptText& Kept(const QPlainTextEdit* box);
    const KeptText* FindKept(const QPlainTextEdit* box) const;
    void BoxEdited(const QPlainTextEdit* box);
    // A click on one of the "Clear" links; true when it was one.
    bool LinkLabelEvent(QObject* watched, QEvent* event);
    std::vector<KeptText> kept_;

  public:
    // Controls, by their names (objectName is the same).
    QTabWidget* tabs1 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QLabel* Label2 = nullptr;
    FileListBox* File1 = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* Combo1 = nullptr;
    QLabel* Label13 = nullptr;
    QLineEdit* Text3 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command5 = nullptr;
    QPushButton* Command2 = nullptr;

    QGroupBox* Frame2 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label10 = nullptr;
    QPlainTextEdit* Text1 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label12 = nullptr;
    QPlainTextEdit* Text2 = nullptr;
    QCheckBox* Check3 = nullptr;
    QCheckBox* Check4 = nullptr;
    QCheckBox* Check1 = nullptr;
    QPushButton* Command3 = nullptr;
    PictureBox* picProgress = nullptr;

    QGroupBox* Frame5 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* KWtext = nullptr;
    QPushButton* Command6 = nullptr;
    QLabel* numcharF = nullptr;
    QLabel* numwrdsF = nullptr;
    QLabel* numlnsF = nullptr;
    QLabel* labelkw = nullptr;

    QPlainTextEdit* Text4 = nullptr;
    QGroupBox* Frame6 = nullptr;
    QLabel* Label19 = nullptr;
    QLineEdit* KWtext2 = nullptr;
    QPushButton* Command4 = nullptr;
    QCheckBox* Check2 = nullptr;
    QLabel* numcharT = nullptr;
    QLabel* numwrdsT = nullptr;
    QLabel* numlinesT = nullptr;
    QLabel* labelkw2 = nullptr;

    QStatusBar* sbStatusbar = nullptr;

    QMenu* mnuFile = nullptr;
    QAction* mnuFileSelFold = nullptr;
    QAction* mnuFileRef = nullptr;
    QAction* mnuFileSelAll = nullptr;
    QAction* mnuFileTr = nullptr;
    QAction* mnuFileExit = nullptr;
    QMenu* mnuEdt = nullptr;
    QAction* mnuEdtOp = nullptr;
    QMenu* mnuFavs = nullptr;
    QAction* favs[5] = {};
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
    QMenu* mnuPopSysTray = nullptr;
    QAction* mnuPopRest = nullptr;
    QAction* mnuPopEx = nullptr;
    QMenu* mnuFilePop = nullptr;
    QAction* mnuFilePopVTB = nullptr;
    QAction* mnuFilePopOpenDA = nullptr;
    QAction* mnuFilePopOpenNp = nullptr;
    QAction* popftp = nullptr;
    QAction* popmeta = nullptr;

  private:
    StatusPanel* panels_[3] = {};
};

}  // namespace lexmill
