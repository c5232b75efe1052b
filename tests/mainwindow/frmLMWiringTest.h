#pragma once

#include <QObject>

class frmLMWiringTest : public QObject {
    Q_OBJECT
  private slots:
    void textBlockFollowsTheClipboard();
    void viewFileLoadsTheCurrentFileInBlocks();
    void viewFileLeavesTheBlockWhenNothingCanBeRead();
    void clearLinksEmptyTheirBoxes();
    void insertedTagKeepsTheFilesLineBreaks();
    void customFilterKeepsFocusAndEnterKeys();
    void favoritesMenuFromTheStore_data();
    void favoritesMenuFromTheStore();
    void favoriteOpensItsFolderOrSaysItIsGone();
    void favoritesEditorUpdatesTheMenu();
    void dialogsOpenFromTheirMenus();
    void ftpWindowOpensOnTheSelection();
    void trayHidesRestoresAndExitsWithoutSaving();
};
