#pragma once

#include <QObject>

class ProgressBarTest : public QObject {
    Q_OBJECT
  private slots:
    void roundsHalvesToEven_data();
    void roundsHalvesToEven();
    void newBarHasItsDefaultsAndDrawsNothing();
    void valueIsKeptWithinTheScale();
    void maxNotAboveMinIsIgnored();
    void minNotBelowMaxRaisesObjectError();
    void wrongClientOrHostRaisesTypeMismatch();
    void layoutFollowsThePictureHeight_data();
    void layoutFollowsThePictureHeight();
    void resizeExFitsTheBarToThePanel_data();
    void resizeExFitsTheBarToThePanel();
    void redrawsOnlyWhenFilledBlocksChange();
    void paintsBlocksIntoItsPanel();
    void textOnlyShowsThePanelTextAndBack();
    void colourAndScaleChangesShowAtOnce();
    void statusBarTooLowDrawsNoBlocks();
    void progressPropertyDrivesTheBarThroughARun();
};
