// The main window's menu tree, the pop-up menus and the menus' enabling rules.
#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "FileListBox.h"
#include "TrayIcon.h"
#include "frmLM.h"
#include "frmfav.h"

namespace lexmill {

QMenu* frmLM::AddMenu(const char* name, const QString& caption) {
    QMenu* menu = menuBar()->addMenu(caption);
    menu->setObjectName(QString::fromLatin1(name));
    return menu;
}

QAction* frmLM::AddItem(QMenu* menu, const char* name, const QString& caption) {
    QAction* action =
        caption == QLatin1String("-") ? menu->addSeparator() : menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

void frmLM::BuildMenus() {
    menuBar()->setObjectName(QStringLiteral("menuBar"));

    mnuFile = AddMenu("mnuFile", tr("&File"));
    mnuFileSelFold = AddItem(mnuFile, "mnuFileSelFold", tr("&Select Folder"));
    mnuFileRef = AddItem(mnuFile, "mnuFileRef", tr("&Refresh File List"));
    mnuFileSelAll = AddItem(mnuFile, "mnuFileSelAll", tr("Select &All Files"));
    AddItem(mnuFile, "mnuFileSep", QStringLiteral("-"));
    mnuFileTr = AddItem(mnuFile, "mnuFileTr", tr("&Minimize to System Tray"));
    mnuFileExit = AddItem(mnuFile, "mnuFileExit", tr("E&xit"));

    mnuEdt = AddMenu("mnuEdt", tr("&Edit"));
    mnuEdtOp = AddItem(mnuEdt, "mnuEdtOp", tr("&Options"));

    mnuFavs = AddMenu("mnuFavs", tr("&Favorites"));
    for (int i = 0; i < 5; ++i) {
        favs[i] = mnuFavs->addAction(i == 0 ? frmfav::EmptyCaption() : QString());
        favs[i]->setObjectName(QStringLiteral("favs(%1)").arg(i));
        if (i == 0)
            favs[i]->setEnabled(false);
        else
            favs[i]->setVisible(false);
        connect(favs[i], &QAction::triggered, this, [this, i] { favs_Click(i); });
    }
    AddItem(mnuFavs, "mnuFavsSep", QStringLiteral("-"));
    mnuFavsedit = AddItem(mnuFavs, "mnuFavsedit", tr("&Edit Favorites"));

    mnuTools = AddMenu("mnuTools", tr("&Tools"));
    mnuFileVTB = AddItem(mnuTools, "mnuFileVTB", tr("&View File in Text Block Window"));
    mnuFileOpenDA = AddItem(mnuTools, "mnuFileOpenDA", tr("Open File in &Default Application"));
    mnuFileOpenNp = AddItem(mnuTools, "mnuFileOpenNp", tr("Open File in &Notepad"));
    mnuToolsFTP = AddItem(mnuTools, "mnuToolsFTP", tr("&FTP Upload"));
    mnuToolsMeta = AddItem(mnuTools, "mnuToolsMeta", tr("&Meta Tag Extractor"));

    mnuHelp = AddMenu("mnuHelp", tr("&Help"));
    mnuHelpContents = AddItem(mnuHelp, "mnuHelpContents", tr("&Contents"));
    AddItem(mnuHelp, "mnuHelpSep", QStringLiteral("-"));
    mnuHelpAbout = AddItem(mnuHelp, "mnuHelpAbout", tr("&About"));

    // The two hidden menus are never in the menu bar; they open as pop-ups.
    // The tray icon's menu is its controller's, which handles its two items.
    tray_ = new TrayIcon(this);
    mnuPopSysTray = tray_->mnuPopSysTray();
    mnuPopRest = tray_->mnuPopRest();
    mnuPopEx = tray_->mnuPopEx();

    mnuFilePop = new QMenu(tr("&File"), this);
    mnuFilePop->setObjectName(QStringLiteral("mnuFilePop"));
    mnuFilePopVTB = AddItem(mnuFilePop, "mnuFilePopVTB", tr("&View File in Text Block Window"));
    mnuFilePopOpenDA =
        AddItem(mnuFilePop, "mnuFilePopOpenDA", tr("Open File in &Default Application"));
    mnuFilePopOpenNp = AddItem(mnuFilePop, "mnuFilePopOpenNp", tr("Open File in &Notepad"));
    AddItem(mnuFilePop, "popsep", QStringLiteral("-"));
    popftp = AddItem(mnuFilePop, "popftp", tr("&FTP Upload"));
    popmeta = AddItem(mnuFilePop, "popmeta", tr("&Meta Tag Extractor"));
    mnuFilePop->setDefaultAction(mnuFilePopVTB);

    connect(mnuFileSelFold, &QAction::triggered, this, &frmLM::Command2_Click);
    connect(mnuFileRef, &QAction::triggered, this, &frmLM::Command5_Click);
    connect(mnuFileSelAll, &QAction::triggered, this, &frmLM::Command1_Click);
    connect(mnuFileTr, &QAction::triggered, this, &frmLM::mnuFileTr_Click);
    connect(mnuFileExit, &QAction::triggered, this, &QWidget::close);
    connect(mnuEdtOp, &QAction::triggered, this, &frmLM::mnuEdtOp_Click);
    connect(mnuFavsedit, &QAction::triggered, this, &frmLM::mnuFavsedit_Click);
    connect(mnuTools, &QMenu::aboutToShow, this, &frmLM::mnuTools_Open);
    connect(mnuFileVTB, &QAction::triggered, this, &frmLM::mnuFileVTB_Click);
    connect(mnuFileOpenDA, &QAction::triggered, this, &frmLM::mnuFileOpenDA_Click);
    connect(mnuFileOpenNp, &QAction::triggered, this, &frmLM::mnuFileOpenNp_Click);
    connect(mnuToolsFTP, &QAction::triggered, this, &frmLM::mnuToolsFTP_Click);
    connect(mnuToolsMeta, &QAction::triggered, this, &frmLM::mnuToolsMeta_Click);
    connect(mnuHelpContents, &QAction::triggered, this, &frmLM::mnuHelpContents_Click);
    connect(mnuHelpAbout, &QAction::triggered, this, &frmLM::mnuHelpAbout_Click);
    // Each pop-up item only runs its Tools menu twin.
    connect(mnuFilePopVTB, &QAction::triggered, this, &frmLM::mnuFileVTB_Click);
    connect(mnuFilePopOpenDA, &QAction::triggered, this, &frmLM::mnuFileOpenDA_Click);
    connect(mnuFilePopOpenNp, &QAction::triggered, this, &frmLM::mnuFileOpenNp_Click);
    connect(popftp, &QAction::triggered, this, &frmLM::mnuToolsFTP_Click);
    connect(popmeta, &QAction::triggered, this, &frmLM::mnuToolsMeta_Click);
}

void frmLM::mnuTools_Open() {
    GetSelectedFiles();
    const bool single = m_.SelCount == 1 && tabs1->currentIndex() == 0;
    mnuFileVTB->setEnabled(single);
    mnuFileOpenDA->setEnabled(single);
    mnuFileOpenNp->setEnabled(single);
    mnuToolsMeta->setEnabled(m_.SelCount == 1);
    mnuToolsFTP->setEnabled(m_.SelCount >= 1);
}

void frmLM::ShowFilePopup(const QPoint& globalPos) {
    GetSelectedFiles();
    const bool single = m_.SelCount == 1 && tabs1->currentIndex() == 0;
    for (QAction* item : {mnuFilePopVTB, mnuFilePopOpenDA, mnuFilePopOpenNp, popmeta})
        item->setEnabled(single);
    mnuFilePop->popup(globalPos);
}

void frmLM::tabs1_Click(int previousTab) {
    const bool fileTab = previousTab != 0;
    for (QAction* item : {mnuFileSelFold, mnuFileSelAll, mnuFileRef}) item->setEnabled(fileTab);
    mnuFavs->menuAction()->setVisible(fileTab);
    mnuTools->menuAction()->setVisible(fileTab);
}

}  // namespace lexmill
