#include "PreviewWindow.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSyntaxHighlighter>
#include <QTextCursor>
#include <QVBoxLayout>
#include <chrono>

#include "CommandButton.h"
#include "TextConvert.h"
#include "undo/Preview.h"

namespace lexmill {

namespace {

// Starts the list of failures below the diff; no diff line starts this way.
const char kFailuresHeading[] = "Lexmill could not read these files:";

// Removed lines in red, added lines in green; nothing from the failures on.
class DiffHighlighter : public QSyntaxHighlighter {
  public:
    using QSyntaxHighlighter::QSyntaxHighlighter;

  protected:
    void highlightBlock(const QString& text) override {
        if (previousBlockState() == 1 || text == QLatin1String(kFailuresHeading)) {
            setCurrentBlockState(1);
            return;
        }
        setCurrentBlockState(0);
        QTextCharFormat format;
        if (text.startsWith(u'-') && !text.startsWith(QLatin1String("---"))) {
            format.setForeground(QColor(0xA0, 0x00, 0x00));
            format.setBackground(QColor(0xFF, 0xEB, 0xEB));
        } else if (text.startsWith(u'+') && !text.startsWith(QLatin1String("+++"))) {
            format.setForeground(QColor(0x00, 0x70, 0x00));
            format.setBackground(QColor(0xE6, 0xFF, 0xE6));
        } else {
            return;
        }
        setFormat(0, static_cast<int>(text.size()), format);
    }
};

// Diff bytes as the box shows them: a line's CR before its LF goes, another CR shows as "␍".
QString DisplayText(std::string bytes) {
    std::string::size_type at = 0;
    while ((at = bytes.find("\r\n", at)) != std::string::npos) bytes.erase(at, 1);
    return FromUtf8(bytes).replace(u'\r', QChar(0x240D));
}

}  // namespace

// Runs on the worker thread: keeps the first kMaxLines lines, counts the rest,
// and hands the text to the window in batches.
class PreviewWindow::Sink : public PreviewSink {
  public:
    explicit Sink(PreviewWindow* window) : window_(window) {}

    void fileChanged(const PreviewFile& file) override {
        std::string_view rest = file.diff;
        while (!rest.empty()) {
            const std::size_t end = rest.find('\n');
            const std::size_t length = end == std::string_view::npos ? rest.size() : end + 1;
            if (shown_ < kMaxLines) {
                pending_.append(rest.substr(0, length));
                ++shown_;
            } else {
                ++hidden_;
            }
            rest.remove_prefix(length);
        }
    }

    void progress(std::int64_t done, std::int64_t total) override {
        progress_ =
            total > 0
                ? static_cast<int>(1000.0 * static_cast<double>(done) / static_cast<double>(total))
                : 1000;
        const auto now = std::chrono::steady_clock::now();
        if (pending_.size() >= 256 * 1024 || now - lastFlush_ >= std::chrono::milliseconds(100))
            Flush();
    }

    void Flush() {
        lastFlush_ = std::chrono::steady_clock::now();
        PreviewWindow* window = window_;
        QMetaObject::invokeMethod(
            window,
            [window, text = DisplayText(std::move(pending_)), progress = progress_] {
                window->AddText(text, progress);
            },
            Qt::QueuedConnection);
        pending_.clear();
    }

    std::size_t hidden() const { return hidden_; }

  private:
    PreviewWindow* window_;
    std::string pending_;
    std::size_t shown_ = 0;
    std::size_t hidden_ = 0;
    int progress_ = 0;
    std::chrono::steady_clock::time_point lastFlush_ = std::chrono::steady_clock::now();
};

PreviewWindow::PreviewWindow(std::vector<std::string> paths, std::vector<std::string> names,
                             BatchOptions options, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmPreview"));
    setWindowTitle(tr("Preview Changes"));
    diff_ = new QPlainTextEdit(this);
    diff_->setObjectName(QStringLiteral("txtDiff"));
    diff_->setReadOnly(true);
    diff_->setUndoRedoEnabled(false);
    diff_->setLineWrapMode(QPlainTextEdit::NoWrap);
    diff_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    new DiffHighlighter(diff_->document());
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("prgPreview"));
    progress_->setRange(0, 1000);
    progress_->setTextVisible(false);
    summary_ = new QLabel(tr("Press \"Esc\" to cancel."), this);
    summary_->setObjectName(QStringLiteral("lblSummary"));
    summary_->setTextFormat(Qt::PlainText);
    close_ = MakeButton(QStringLiteral("cmdClose"), tr("&Close"), this);
    connect(close_, &QPushButton::clicked, this, &QWidget::close);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(summary_, 1);
    bottom->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(diff_, 1);
    layout->addWidget(progress_);
    layout->addLayout(bottom);
    resize(760, 520);

    worker_ = std::thread(
        [this, paths = std::move(paths), names = std::move(names), options = std::move(options)] {
            Sink sink(this);
            const PreviewReport report = Preview(paths, names, options, sink, cancel_);
            sink.Flush();
            QMetaObject::invokeMethod(
                this, [this, report, hidden = sink.hidden()] { Finished(report, hidden); },
                Qt::QueuedConnection);
        });
}

PreviewWindow::~PreviewWindow() {
    Stop();
}

void PreviewWindow::Stop() {
    cancel_ = true;
    if (worker_.joinable()) worker_.join();
}

void PreviewWindow::reject() {
    if (Running())
        cancel_ = true;  // the window stays, to show how far the preview went
    else
        QDialog::reject();
}

void PreviewWindow::closeEvent(QCloseEvent* event) {
    Stop();
    QDialog::closeEvent(event);
}

void PreviewWindow::AddText(const QString& text, int progress) {
    if (!text.isEmpty()) {
        QTextCursor end(diff_->document());
        end.movePosition(QTextCursor::End);
        end.insertText(text);
    }
    progress_->setValue(progress);
}

void PreviewWindow::Finished(const PreviewReport& report, std::size_t hiddenLines) {
    if (worker_.joinable()) worker_.join();
    QString after;
    if (hiddenLines > 0)
        after += tr("... and %1 more lines not shown.\n").arg(static_cast<qulonglong>(hiddenLines));
    if (!report.failures.empty()) {
        after += QLatin1String(kFailuresHeading) + u'\n';
        for (const FileFailure& f : report.failures)
            after += FromUtf8(f.name) + QStringLiteral(": ") + FromUtf8(f.reason) + u'\n';
    }
    AddText(after, report.cancelled ? progress_->value() : 1000);
    summary_->setText(report.cancelled ? tr("Preview cancelled. %1 replacements in %2 files.")
                                             .arg(static_cast<qulonglong>(report.replacements))
                                             .arg(static_cast<qulonglong>(report.files))
                                       : FromUtf8(report.summary));
}

}  // namespace lexmill
