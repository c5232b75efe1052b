#pragma once

#include <QDialog>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "batch/BatchHost.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace lexmill {

struct PreviewReport;

// "Preview Changes": the diff of what a replace run over the selection would
// write, worked out on a thread of its own while the window stays responsive.
// Esc stops the preview; Close stops it and closes the window.
class PreviewWindow : public QDialog {
    Q_OBJECT
  public:
    // The most diff lines the window shows; it counts the rest.
    static constexpr std::size_t kMaxLines = 10000;

    PreviewWindow(std::vector<std::string> paths, std::vector<std::string> names,
                  BatchOptions options, QWidget* parent);
    ~PreviewWindow() override;

    // True while the preview goes on.
    bool Running() const { return worker_.joinable(); }

  public slots:
    void reject() override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    class Sink;

    void Stop();
    // On the window's thread: more diff text, the progress in thousandths.
    void AddText(const QString& text, int progress);
    void Finished(const PreviewReport& report, std::size_t hiddenLines);

    QPlainTextEdit* diff_;
    QProgressBar* progress_;
    QLabel* summary_;
    QPushButton* close_;
    std::atomic<bool> cancel_{false};
    std::thread worker_;
};

}  // namespace lexmill
