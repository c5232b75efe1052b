// The commands that open the other windows: the meta tag extractor, the FTP
// upload, the options dialog, the About box and the help, and the tray
// icon's commands.
#include <QPlainTextEdit>
#include <QPushButton>

#include "Form1.h"
#include "FrmAbt.h"
#include "HelpWindow.h"
#include "TrayIcon.h"
#include "frmLM.h"
#include "frmMetaCommand.h"
#include "frmop.h"

namespace lexmill {

void frmLM::mnuToolsMeta_Click() {
    GetSelectedFiles();
    // The inserted tag is kept exactly, line breaks as in the file, so that
    // it finds the file's own text.
    RunMetaTagExtractor(
        this, m_, Command3, [this](const QString& text) { SetBoxText(Text1, text); },
        [this](const QString& text) { SetBoxText(Text2, text); });
    setProgress(0);
}

void frmLM::mnuToolsFTP_Click() {
    GetSelectedFiles();
    ShowFtpWindow(this, m_, settingsFile_);
    // The upload kept the window's refreshes waiting (Busy).
    Timer1_Timer();
    Timer2_Timer();
}

void frmLM::mnuEdtOp_Click() {
    frmop options(settingsFile_, this);
    options.setShowHelpTopic([this](int context) { ShowHelpTopic(this, context); });
    options.exec();
}

void frmLM::mnuHelpContents_Click() {
    ShowHelpContents(this);
}

void frmLM::mnuHelpAbout_Click() {
    FrmAbt about;
    about.exec();
}

void frmLM::mnuFileTr_Click() {
    tray_->MinimizeToTray();
}

void frmLM::mnuPopRest_Click() {
    tray_->mnuPopRest_Click();
}

void frmLM::mnuPopEx_Click() {
    tray_->mnuPopEx_Click();
}

}  // namespace lexmill
