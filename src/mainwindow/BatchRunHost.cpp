#include "BatchRunHost.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <utility>

#include "BusyIndicators.h"
#include "FileListBox.h"
#include "Form3.h"
#include "MessageBox.h"
#include "StatusPanel.h"
#include "TextBlock.h"
#include "TextConvert.h"
#include "batch/Module1.h"
#include "batch/SearchAndReplace.h"
#include "frmLMControls.h"
#include "records/RunRecord.h"
#include "undo/UndoRun.h"

namespace lexmill {

BatchRunHost::BatchRunHost(QWidget* window, Module1& m, const frmLMControls& ui,
                           const TextBlock& texts, BusyIndicators& busy, QString textEditor)
    : window_(window),
      m_(m),
      ui_(ui),
      texts_(texts),
      busy_(busy),
      textEditor_(std::move(textEditor)) {}

BatchRunHost::~BatchRunHost() {
    delete results_;
}

QString BatchRunHost::IdleText() {
    return QObject::tr("Select the files to work on.");
}

void BatchRunHost::Start() {
    recordId_.clear();
    SearchAndReplace(m_, *this);
    delete results_;  // a run that showed no results window leaves none behind
    results_ = nullptr;
    RunRecord record;
    const std::string id = std::exchange(undoRequested_, {});
    if (!id.empty() && readRunRecord(defaultRunsFolder(), id, record) && !record.undone)
        Undo(record);
}

bool BatchRunHost::CanUndoLastRun() const {
    const std::string folder = ui_.File1->LocalPath();
    RunRecord record;
    return !m_.Busy && !folder.empty() && lastUndoableRun(defaultRunsFolder(), record, folder);
}

void BatchRunHost::UndoLastRun() {
    const std::string folder = ui_.File1->LocalPath();
    RunRecord record;
    if (!m_.Busy && !folder.empty() && lastUndoableRun(defaultRunsFolder(), record, folder))
        Undo(record);
}

void BatchRunHost::Undo(RunRecord& record) {
    std::string folder = record.folder;  // named without its final "/"
    if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    const QString question = QObject::tr("Undo the last run in %1? It changed %2 files on %3.")
                                 .arg(FromLocalPath(folder), QString::number(record.files.size()),
                                      FromUtf8(record.ended));
    if (MsgBox(window_, question, QObject::tr("Undo Last Run"), QMessageBox::Question,
               QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    recordId_.clear();  // an undo's results offer no undo
    UndoRun(m_, defaultRunsFolder(), record, *this);
    delete results_;
    results_ = nullptr;
}

void BatchRunHost::WindowClosed() {
    windowClosed_ = true;
    if (m_.Busy) m_.CancelRequested = true;
}

BatchOptions BatchRunHost::options() {
    BatchOptions o;
    o.searchText = texts_.BoxText(ui_.Text1);
    o.replaceText = texts_.BoxText(ui_.Text2);
    o.searchOnly = ui_.Check3->isChecked();
    o.matchCase = ui_.Check4->isChecked();
    o.regex = ui_.chkRegex->isChecked();
    o.makeBackups = ui_.Check1->isChecked();
    return o;
}

void BatchRunHost::setStatus(std::string_view text) {
    ui_.panels[0]->setText(FromUtf8(text));
}

void BatchRunHost::setIdleStatus() {
    ui_.panels[0]->setText(IdleText());
}

void BatchRunHost::setHint(std::string_view text) {
    ui_.panels[1]->setText(FromUtf8(text));
}

void BatchRunHost::setWaitCursor(bool on) {
    busy_.setWaitCursor(on);
}

void BatchRunHost::setStartEnabled(bool enabled) {
    ui_.Command3->setEnabled(enabled);
}

void BatchRunHost::repaint() {
    // Only the status text changed; it shows at the yield that follows.
    ui_.sbStatusbar->update();
}

void BatchRunHost::setProgress(std::int64_t value) {
    busy_.setProgress(value);
}

void BatchRunHost::yield() {
    QCoreApplication::processEvents();
}

void BatchRunHost::message(std::string_view text, std::string_view title, MessageIcon icon) {
    QMessageBox::Icon boxIcon = QMessageBox::Information;
    if (icon == MessageIcon::Exclamation) boxIcon = QMessageBox::Warning;
    if (icon == MessageIcon::Critical) boxIcon = QMessageBox::Critical;
    MsgBox(window_, FromUtf8(text), FromUtf8(title), boxIcon);
}

void BatchRunHost::addResult(std::string_view name) {
    if (!results_) results_ = new Form3(ui_.File1, textEditor_, window_);
    results_->addLocalResult(name);
}

void BatchRunHost::showResults(std::string_view heading, std::string_view summary) {
    if (!results_) results_ = new Form3(ui_.File1, textEditor_, window_);
    results_->setHeading(FromUtf8(heading));
    results_->setSummary(FromUtf8(summary));
    if (!recordId_.empty()) results_->OfferUndo();
    // The run is over: the status bar rests while its results show.
    busy_.setProgress(0);
    setIdleStatus();
    setHint({});
    // Closing the main window during the run leaves nothing to show them in.
    if (!windowClosed_) results_->exec();
    if (results_->UndoChosen()) undoRequested_ = recordId_;
    recordId_.clear();
    delete results_;
    results_ = nullptr;
}

void BatchRunHost::runRecorded(std::string_view id) {
    recordId_ = id;
}

}  // namespace lexmill
