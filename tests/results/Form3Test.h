#pragma once

#include <QObject>

class Form3Test : public QObject {
    Q_OBJECT
  private slots:
    void hasItsControlsAndCaptions();
    void buttonsFollowTheList();
    void copyPutsEachNameWithCrLf_data();
    void copyPutsEachNameWithCrLf();
    void viewOpensTheSelectedFileInTheEditor();
    void viewWithoutEditorSaysSo();
    void selectAllSelectsExactlyTheListedFiles();
    void selectAllWithNoneDeselectsEverything();
    void selectAllPrefersTheExactName();
    void doneClearsAndCloses();
};
