#pragma once

#include <QObject>

class frmLMShellTest : public QObject {
    Q_OBJECT
  private slots:
    void startsOnAnEmptyStore();
    void startsFromStoredValues_data();
    void startsFromStoredValues();
    void closingSavesTheSixValuesInOrder();
    void exitClosesAndSavesNothingChosenAsMinusOne();
    void menuTreeHasTheExactCaptions();
    void switchingTabsHidesAndRestoresTheMenus();
    void escapeRequestsCancelFromAnyControl();
    void filtersListTheirFiles_data();
    void filtersListTheirFiles();
    void customFilterTakesOnlyPatternKeys();
    void selectionDrivesMenusAndButtons();
    void folderLabelAndChooser();
    void fileToolTipShowsNameDateAndSize();
    void openCommandsActOnTheOneSelectedFile();
};
