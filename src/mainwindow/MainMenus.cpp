#include "MainMenus.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace lexmill {

namespace {

QAction* AddItem(QMenu* menu, const char* name, const QString& caption) {
    QAction* action =
        caption == QLatin1String("-") ? menu->addSeparator() : menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

}  // namespace

QMenu* MainMenus::AddMenu(const char* name, const QString& caption) {
    QMenu* menu = window_->menuBar()->addMenu(caption);
    menu->setObjectName(QString::fromLatin1(name));
    return menu;
}

MainMenus::MainMenus(QMainWindow* window) : window_(window) {
    window->menuBar()->setObjectName(QStringLiteral("menuBar"));

    mnuFile = AddMenu("mnuFile", QObject::tr("&File"));
    mnuFileSelFold = AddItem(mnuFile, "mnuFileSelFold", QObject::tr("&Select Folder"));
    mnuFileRef = AddItem(mnuFile, "mnuFileRef", QObject::tr("&Refresh File List"));
    mnuFileSelAll = AddItem(mnuFile, "mnuFileSelAll", QObject::tr("Select &All Files"));
    AddItem(mnuFile, "mnuFileSep", QStringLiteral("-"));
    mnuFileTr = AddItem(mnuFile, "mnuFileTr", QObject::tr("&Minimize to System Tray"));
    mnuFileExit = AddItem(mnuFile, "mnuFileExit", QObject::tr("E&xit"));

    mnuEdt = AddMenu("mnuEdt", QObject::tr("&Edit"));
    mnuEdtOp = AddItem(mnuEdt, "mnuEdtOp", QObject::tr("&Options"));
    mnuEdtUndo = AddItem(mnuEdt, "mnuEdtUndo", QObject::tr("&Undo Last Run"));
    mnuEdtPreview = AddItem(mnuEdt, "mnuEdtPreview", QObject::tr("&Preview Changes..."));

    mnuFavs = AddMenu("mnuFavs", QObject::tr("&Favorites"));
    for (int i = 0; i < 5; ++i) {
        favs[i] = mnuFavs->addAction(i == 0 ? frmfav::EmptyCaption() : QString());
        favs[i]->setObjectName(QStringLiteral("favs(%1)").arg(i));
        if (i == 0)
            favs[i]->setEnabled(false);
        else
            favs[i]->setVisible(false);
    }
    AddItem(mnuFavs, "mnuFavsSep", QStringLiteral("-"));
    mnuFavsedit = AddItem(mnuFavs, "mnuFavsedit", QObject::tr("&Edit Favorites"));

    mnuTools = AddMenu("mnuTools", QObject::tr("&Tools"));
    mnuFileVTB = AddItem(mnuTools, "mnuFileVTB", QObject::tr("&View File in Text Block Window"));
    mnuFileOpenDA =
        AddItem(mnuTools, "mnuFileOpenDA", QObject::tr("Open File in &Default Application"));
    mnuFileOpenNp = AddItem(mnuTools, "mnuFileOpenNp", QObject::tr("Open File in &Notepad"));
    mnuToolsFTP = AddItem(mnuTools, "mnuToolsFTP", QObject::tr("&FTP Upload"));
    mnuToolsMeta = AddItem(mnuTools, "mnuToolsMeta", QObject::tr("&Meta Tag Extractor"));

    mnuHelp = AddMenu("mnuHelp", QObject::tr("&Help"));
    mnuHelpContents = AddItem(mnuHelp, "mnuHelpContents", QObject::tr("&Contents"));
    AddItem(mnuHelp, "mnuHelpSep", QStringLiteral("-"));
    mnuHelpAbout = AddItem(mnuHelp, "mnuHelpAbout", QObject::tr("&About"));

    mnuFilePop = new QMenu(QObject::tr("&File"), window);
    mnuFilePop->setObjectName(QStringLiteral("mnuFilePop"));
    mnuFilePopVTB =
        AddItem(mnuFilePop, "mnuFilePopVTB", QObject::tr("&View File in Text Block Window"));
    mnuFilePopOpenDA =
        AddItem(mnuFilePop, "mnuFilePopOpenDA", QObject::tr("Open File in &Default Application"));
    mnuFilePopOpenNp =
        AddItem(mnuFilePop, "mnuFilePopOpenNp", QObject::tr("Open File in &Notepad"));
    AddItem(mnuFilePop, "popsep", QStringLiteral("-"));
    popftp = AddItem(mnuFilePop, "popftp", QObject::tr("&FTP Upload"));
    popmeta = AddItem(mnuFilePop, "popmeta", QObject::tr("&Meta Tag Extractor"));
    mnuFilePop->setDefaultAction(mnuFilePopVTB);
}

void MainMenus::mnuTools_Open(std::int64_t selCount, bool fileTab) {
    const bool single = selCount == 1 && fileTab;
    mnuFileVTB->setEnabled(single);
    mnuFileOpenDA->setEnabled(single);
    mnuFileOpenNp->setEnabled(single);
    mnuToolsMeta->setEnabled(selCount == 1);
    mnuToolsFTP->setEnabled(selCount >= 1);
}

void MainMenus::ShowFilePopup(const QPoint& globalPos, std::int64_t selCount, bool fileTab) {
    const bool single = selCount == 1 && fileTab;
    for (QAction* item : {mnuFilePopVTB, mnuFilePopOpenDA, mnuFilePopOpenNp, popmeta})
        item->setEnabled(single);
    mnuFilePop->popup(globalPos);
}

void MainMenus::tabs1_Click(int previousTab) {
    const bool fileTab = previousTab != 0;
    for (QAction* item : {mnuFileSelFold, mnuFileSelAll, mnuFileRef}) item->setEnabled(fileTab);
    mnuFavs->menuAction()->setVisible(fileTab);
    mnuTools->menuAction()->setVisible(fileTab);
}

}  // namespace lexmill
