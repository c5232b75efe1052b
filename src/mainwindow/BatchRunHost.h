#pragma once

#include <QString>
#include <string>

#include "batch/BatchHost.h"

class QWidget;

namespace lexmill {

class BusyIndicators;
class Form3;
class TextBlock;
struct Module1;
struct RunRecord;
struct frmLMControls;

// The batch search and replace as the window shows it: the engine's BatchHost over the status
// panels, the Start button, the search panel's options and the results window.
class BatchRunHost : public BatchHost {
  public:
    BatchRunHost(QWidget* window, Module1& m, const frmLMControls& ui, const TextBlock& texts,
                 BusyIndicators& busy, QString textEditor);
    ~BatchRunHost() override;

    // The text panel 1 shows between operations.
    static QString IdleText();

    // Start: runs the engine on the selection already taken into Module1.
    // Its results window's "Undo" then undoes that run.
    void Start();
    // The Edit menu's "Undo Last Run": whether the work folder has a run to undo,
    // and asking, then undoing it.
    bool CanUndoLastRun() const;
    void UndoLastRun();
    // The window closed: a run still going on stops after its current file,
    // and shows no results window.
    void WindowClosed();

    BatchOptions options() override;
    void setStatus(std::string_view text) override;
    void setIdleStatus() override;
    void setHint(std::string_view text) override;
    void setWaitCursor(bool on) override;
    void setStartEnabled(bool enabled) override;
    void repaint() override;  // the status panels only
    void setProgress(std::int64_t value) override;
    void yield() override;
    void message(std::string_view text, std::string_view title, MessageIcon icon) override;
    void addResult(std::string_view name) override;
    void showResults(std::string_view heading, std::string_view summary) override;
    void runRecorded(std::string_view id) override;

  private:
    // Asks whether to undo the run of `record`; with Yes, undoes it as a run.
    void Undo(RunRecord& record);

    QWidget* window_;
    Module1& m_;
    const frmLMControls& ui_;
    const TextBlock& texts_;
    BusyIndicators& busy_;
    QString textEditor_;
    Form3* results_ = nullptr;
    bool windowClosed_ = false;
    std::string recordId_;       // the record of the run whose results show
    std::string undoRequested_;  // the record whose results window's "Undo" was pressed
};

}  // namespace lexmill
