#pragma once

#include <QObject>

class frmLMBatchTest : public QObject {
    Q_OBJECT
  private slots:
    void runFromStartToResultsAndBackToIdle();
    void resultsWindowActions();
    void searchOnlyWithoutHitListsNone();
    void noSelectionSaysSo();
    void escapeCancelsAfterTheNextFile();
    void closingDuringARunStopsItAndSaves();
    void failedFilesAreListedBeforeTheResults();
    void makeBackupsExplainsEachChange();
    void searchOnlyDisablesTheReplacement();
    void fileTallyFillsItsLabels();
    void fileTallyRefusesTwoFiles();
    void fileTallyReportsAnUnreadableFile();
    void changingTheFileClearsTheFileTally();
    void textTallyFollowsTheTextBlock();
    void progressArithmetic();
};
