// The main window: its parts, and the wiring of controls and menus to the handlers.
#include "frmLM.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include "FileListBox.h"
#include "MessageBox.h"
#include "TrayIcon.h"
#include "batch/Module1.h"

namespace lexmill {

frmLM::frmLM(Module1& m, std::filesystem::path settingsFile, QString textEditor, QWidget* parent)
    // Fixed single border: minimize and close, no maximize.
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_(m),
      ui_(frmLMControls::Build(this)),
      menus_(this),
      busy_(m, ui_),
      textBlock_(this, m, ui_, busy_),
      search_(this, m, ui_),
      batch_(this, m, ui_, textBlock_, busy_, textEditor),
      tallies_(this, m, ui_, textBlock_, busy_),
      files_(this, m, ui_, textEditor, [this](const QPoint& pos) { ShowFilePopup(pos); }),
      favorites_(this, settingsFile, ui_, files_),
      options_(this, settingsFile, ui_, files_),
      tools_(this, m, settingsFile, ui_, textBlock_, busy_),
      tray_(new TrayIcon(this)) {
    setObjectName(QStringLiteral("frmLM"));
    setWindowTitle(tr("Lexmill"));
    favorites_.setEntries(menus_.favs);
    ConnectControls();
    ConnectMenus();
    ui_.FixWindowSize(this);
    qApp->installEventFilter(this);
    Form_Load();
    textBlock_.Timer2_Timer();  // the clipboard's text shows from the start
}

frmLM::~frmLM() {
    // Children still signal while QWidget deletes them, after the parts are gone.
    qApp->removeEventFilter(this);
    QGuiApplication::clipboard()->disconnect(this);
    for (QObject* child : findChildren<QObject*>()) child->disconnect(this);
}

void frmLM::ConnectControls() {
    // First, so that every other handler of a change sees the user's own text.
    for (QPlainTextEdit* box : {ui_.Text1, ui_.Text2, ui_.Text4})
        connect(box, &QPlainTextEdit::textChanged, this,
                [this, box] { textBlock_.BoxEdited(box); });
    connect(ui_.Command3, &QPushButton::clicked, this, &frmLM::Command3_Click);
    connect(ui_.Command6, &QPushButton::clicked, this, &frmLM::Command6_Click);
    connect(ui_.Command4, &QPushButton::clicked, this, [this] { tallies_.Command4_Click(); });
    connect(ui_.Text4, &QPlainTextEdit::textChanged, this, [this] {
        tallies_.Text4_Change();
        tallies_.UpdateTallyButton();
    });
    connect(ui_.Check1, &QCheckBox::toggled, this, [this] {
        if (!options_.IsLoading()) search_.Check1_Click();
    });
    connect(ui_.Check3, &QCheckBox::toggled, this, [this] { search_.Check3_Click(); });
    connect(ui_.Check2, &QCheckBox::toggled, this, [this] { textBlock_.Check2_Click(); });
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            [this] { textBlock_.Timer2_Timer(); });
    connect(ui_.Text1, &QPlainTextEdit::textChanged, this, [this] {
        search_.UpdateStartButton();
        search_.Text1_Change();
    });
    connect(ui_.Text2, &QPlainTextEdit::textChanged, this, [this] { search_.Text2_Change(); });

    connect(ui_.Combo1, &QComboBox::currentIndexChanged, this, [this] { files_.Combo1_Click(); });
    connect(ui_.Text3, &QLineEdit::textChanged, this, [this] { files_.Text3_Change(); });
    connect(ui_.chkSubfolders, &QCheckBox::toggled, ui_.File1, &FileListBox::setRecursive);
    connect(ui_.File1, &QListWidget::currentItemChanged, this, [this] {
        File1_Click();
        search_.UpdateStartButton();
    });
    connect(ui_.File1, &QListWidget::itemClicked, this, &frmLM::File1_Click);
    connect(ui_.File1, &QListWidget::itemSelectionChanged, this,
            [this] { files_.UpdateSelectionPanel(); });
    connect(ui_.File1->model(), &QAbstractItemModel::modelReset, this, &frmLM::Timer1_Timer);
    connect(ui_.File1->model(), &QAbstractItemModel::rowsInserted, this, &frmLM::Timer1_Timer);
    connect(ui_.File1->model(), &QAbstractItemModel::rowsRemoved, this, &frmLM::Timer1_Timer);
    connect(ui_.File1, &FileListBox::PathChange, this, &frmLM::File1_PathChange);
    connect(ui_.File1, &FileListBox::ListingDone, this, [this] {
        files_.UpdateListingStatus();
        files_.SayUnreadableFolders();
    });
    connect(ui_.Command1, &QPushButton::clicked, this, [this] { files_.Command1_Click(); });
    connect(ui_.Command5, &QPushButton::clicked, this, [this] { files_.Command5_Click(); });
    connect(ui_.Command2, &QPushButton::clicked, this, [this] { files_.Command2_Click(); });
    connect(ui_.tabs1, &QTabWidget::currentChanged, this, &frmLM::tabs1_Click);
}

void frmLM::ConnectMenus() {
    const auto on = [this](QAction* item, auto handler) {
        connect(item, &QAction::triggered, this, handler);
    };
    on(menus_.mnuFileSelFold, [this] { files_.Command2_Click(); });
    on(menus_.mnuFileRef, [this] { files_.Command5_Click(); });
    on(menus_.mnuFileSelAll, [this] { files_.Command1_Click(); });
    on(menus_.mnuFileTr, [this] { mnuFileTr_Click(); });
    on(menus_.mnuFileExit, [this] { close(); });
    on(menus_.mnuEdtOp, [this] { tools_.mnuEdtOp_Click(); });
    on(menus_.mnuEdtUndo, [this] { mnuEdtUndo_Click(); });
    connect(menus_.mnuEdt, &QMenu::aboutToShow, this, &frmLM::UpdateUndoItem);
    on(menus_.mnuEdtPreview, [this] { mnuEdtPreview_Click(); });
    menus_.mnuEdtPreview->setEnabled(ui_.Command3->isEnabled());  // then follows it
    for (int i = 0; i < 5; ++i) on(menus_.favs[i], [this, i] { favorites_.favs_Click(i); });
    on(menus_.mnuFavsedit, [this] { favorites_.mnuFavsedit_Click(); });
    connect(menus_.mnuTools, &QMenu::aboutToShow, this, &frmLM::mnuTools_Open);
    on(menus_.mnuHelpContents, [this] { tools_.mnuHelpContents_Click(); });
    on(menus_.mnuHelpAbout, [this] { tools_.mnuHelpAbout_Click(); });
    // Each pop-up item runs its Tools menu twin.
    for (QAction* item : {menus_.mnuFileVTB, menus_.mnuFilePopVTB})
        on(item, [this] { textBlock_.mnuFileVTB_Click(); });
    for (QAction* item : {menus_.mnuFileOpenDA, menus_.mnuFilePopOpenDA})
        on(item, [this] { files_.mnuFileOpenDA_Click(); });
    for (QAction* item : {menus_.mnuFileOpenNp, menus_.mnuFilePopOpenNp})
        on(item, [this] { files_.mnuFileOpenNp_Click(); });
    for (QAction* item : {menus_.mnuToolsFTP, menus_.popftp})
        on(item, [this] { mnuToolsFTP_Click(); });
    for (QAction* item : {menus_.mnuToolsMeta, menus_.popmeta})
        on(item, [this] { mnuToolsMeta_Click(); });
}

void frmLM::Form_Load() {
    favorites_.LoadFavorites();
    options_.Form_Load();
    Timer1_Timer();
    UpdateUndoItem();
}

void frmLM::Timer1_Timer() {
    if (m_.Busy) return;
    files_.UpdateSelectionPanel();
    files_.UpdateListingStatus();
    tallies_.UpdateTallyButton();
    files_.UpdateFolderLabel();
    search_.UpdateStartButton();
}

void frmLM::closeEvent(QCloseEvent* event) {
    if (!options_.Unloaded()) {
        batch_.WindowClosed();
        options_.Form_QueryUnload();
        try {
            options_.Form_Unload();
        } catch (const std::exception& e) {
            SettingsNotSaved(this, e.what());
        }
    }
    event->accept();
}

bool frmLM::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        auto* widget = qobject_cast<QWidget*>(watched);
        if (key->key() == Qt::Key_Escape && widget && widget->window() == this)
            m_.CancelRequested = true;  // the key goes on to the control
    }
    if (watched == ui_.Command3 && event->type() == QEvent::EnabledChange)
        menus_.mnuEdtPreview->setEnabled(ui_.Command3->isEnabled());
    if (search_.LinkLabelEvent(watched, event) || files_.ListEvent(watched, event)) return true;
    return QMainWindow::eventFilter(watched, event);
}

void frmLM::Command3_Click() {
    if (!search_.PatternAccepted(batch_.options())) return;
    files_.GetSelectedFiles();
    batch_.Start();
    Timer1_Timer();
    UpdateUndoItem();
    textBlock_.Timer2_Timer();  // a clipboard change during the run
}

void frmLM::Command6_Click() {
    files_.GetSelectedFiles();
    tallies_.Command6_Click();
}

void frmLM::mnuEdtPreview_Click() {
    if (!search_.PatternAccepted(batch_.options())) return;
    files_.GetSelectedFiles();
    tools_.mnuEdtPreview_Click(batch_.options());
}

void frmLM::File1_Click() {
    if (files_.File1_Click()) tallies_.ClearFileTally();
}

void frmLM::File1_PathChange() {
    files_.ShowFolder();
    tallies_.ClearFileTally();
}

void frmLM::ShowFilePopup(const QPoint& globalPos) {
    files_.GetSelectedFiles();
    menus_.ShowFilePopup(globalPos, m_.SelCount, ui_.tabs1->currentIndex() == 0);
}

void frmLM::mnuTools_Open() {
    files_.GetSelectedFiles();
    menus_.mnuTools_Open(m_.SelCount, ui_.tabs1->currentIndex() == 0);
}

void frmLM::mnuToolsMeta_Click() {
    files_.GetSelectedFiles();
    tools_.mnuToolsMeta_Click();
}

void frmLM::mnuToolsFTP_Click() {
    files_.GetSelectedFiles();
    tools_.mnuToolsFTP_Click();
    // The upload kept the window's refreshes waiting (Busy).
    Timer1_Timer();
    textBlock_.Timer2_Timer();
}

void frmLM::mnuFileTr_Click() {
    tray_->MinimizeToTray();
}

void frmLM::mnuEdtUndo_Click() {
    batch_.UndoLastRun();
    Timer1_Timer();
    UpdateUndoItem();
    textBlock_.Timer2_Timer();
}

void frmLM::UpdateUndoItem() {
    menus_.mnuEdtUndo->setEnabled(batch_.CanUndoLastRun());
}

void frmLM::tabs1_Click(int index) {
    const int previous = currentTab_;
    currentTab_ = index;
    menus_.tabs1_Click(previous);
    files_.UpdateSelectionPanel();
}

}  // namespace lexmill
