// The main window as the host of the batch search and replace, its Progress
// property, and the three options of the search and replace panel.
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "FileListBox.h"
#include "Form3.h"
#include "MessageBox.h"
#include "ProgressProperty.h"
#include "SearchAndReplace.h"
#include "StatusPanel.h"
#include "TextConvert.h"
#include "frmLM.h"

namespace lexmill {

void frmLM::Command3_Click() {
    GetSelectedFiles();
    SearchAndReplace(m_, *this);
    delete results_;  // a run that showed no results window leaves none behind
    results_ = nullptr;
    Timer1_Timer();
    Timer2_Timer();  // a clipboard change during the run
}

std::int64_t frmLM::Progress() const {
    return progress_ ? progress_->get() : 0;
}

void frmLM::setProgress(std::int64_t value) {
    if (!progress_) progress_ = std::make_unique<ProgressProperty>(picProgress, sbStatusbar);
    progress_->set(value, m_.ProgressMax);
    if (progressObserver_) progressObserver_(value);
}

CProgressBarEx* frmLM::ProgressBar() const {
    return progress_ ? progress_->bar() : nullptr;
}

BatchOptions frmLM::options() {
    BatchOptions o;
    o.searchText = BoxText(Text1).toStdString();
    o.replaceText = BoxText(Text2).toStdString();
    o.searchOnly = Check3->isChecked();
    o.matchCase = Check4->isChecked();
    o.makeBackups = Check1->isChecked();
    return o;
}

void frmLM::setStatus(std::string_view text) {
    panels_[0]->setText(FromUtf8(text));
}

void frmLM::setIdleStatus() {
    panels_[0]->setText(IdleText());
}

void frmLM::setHint(std::string_view text) {
    panels_[1]->setText(FromUtf8(text));
}

void frmLM::setWaitCursor(bool on) {
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++waitCursors_;
    } else if (waitCursors_ > 0) {
        QApplication::restoreOverrideCursor();
        --waitCursors_;
    }
}

void frmLM::setStartEnabled(bool enabled) {
    Command3->setEnabled(enabled);
}

void frmLM::repaint() {
    // Only the status text changed; it shows at the yield that follows.
    sbStatusbar->update();
}

void frmLM::yield() {
    QCoreApplication::processEvents();
}

void frmLM::message(std::string_view text, std::string_view title, MessageIcon icon) {
    QMessageBox::Icon boxIcon = QMessageBox::Information;
    if (icon == MessageIcon::Exclamation) boxIcon = QMessageBox::Warning;
    if (icon == MessageIcon::Critical) boxIcon = QMessageBox::Critical;
    MsgBox(this, FromUtf8(text), FromUtf8(title), boxIcon);
}

void frmLM::addResult(std::string_view name) {
    if (!results_) results_ = new Form3(File1, textEditor_, this);
    results_->addResult(FromLocalPath(name));
}

void frmLM::showResults(std::string_view heading, std::string_view summary) {
    if (!results_) results_ = new Form3(File1, textEditor_, this);
    results_->setHeading(FromUtf8(heading));
    results_->setSummary(FromUtf8(summary));
    // Closing the main window during the run leaves nothing to show them in.
    if (!unloaded_) results_->exec();
    delete results_;
    results_ = nullptr;
}

void frmLM::Check1_Click() {
    if (isLoading_) return;
    if (Check1->isChecked())
        MsgBox(this,
               tr("Any files altered will be backed up in a folder called \"LMBACK\" under the "
                  "currently selected work folder before changes are made."),
               tr("Backup Folder"), QMessageBox::Information);
    else
        MsgBox(this,
               tr("Changes to any files made by the program will be permanent and cannot be "
                  "undone if you uncheck this box."),
               tr("Warning"), QMessageBox::Warning);
}

void frmLM::Check3_Click() {
    const bool replacing = !Check3->isChecked();
    if (!replacing) Text2->clear();
    Text2->setEnabled(replacing);
    Label8->setEnabled(replacing);
    Label12->setEnabled(replacing && !Text2->document()->isEmpty());
}

}  // namespace lexmill
