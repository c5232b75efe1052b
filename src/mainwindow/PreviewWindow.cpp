#include "PreviewWindow.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSyntaxHighlighter>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>
#include <utility>
#include <vector>

#include "CommandButton.h"
#include "TextConvert.h"
#include "undo/Preview.h"

namespace lexmill {

namespace {

// Starts the list of failures below the diff; no diff line starts this way.
const char kFailuresHeading[] = "Lexmill could not read these files:";

bool IsRemoved(const QString& text) {
    return text.startsWith(u'-') && !text.startsWith(QLatin1String("---"));
}

bool IsAdded(const QString& text) {
    return text.startsWith(u'+') && !text.startsWith(QLatin1String("+++"));
}

// Words (letters and digits) and single other characters, after the line's first.
std::vector<std::pair<int, int>> Tokens(const QString& line) {
    std::vector<std::pair<int, int>> tokens;  // start, length
    for (int i = 1; i < line.size();) {
        int end = i + 1;
        if (line[i].isLetterOrNumber())
            while (end < line.size() && line[end].isLetterOrNumber()) ++end;
        tokens.emplace_back(i, end - i);
        i = end;
    }
    return tokens;
}

// The parts of `line` that are not in `other`, word by word: the tokens off
// their longest common subsequence. Very long lines keep to the span between
// the common start and end.
std::vector<std::pair<int, int>> ChangedParts(const QString& line, const QString& other) {
    const auto a = Tokens(line), b = Tokens(other);
    const auto same = [&](std::size_t i, std::size_t j) {
        return QStringView(line).mid(a[i].first, a[i].second) ==
               QStringView(other).mid(b[j].first, b[j].second);
    };
    std::size_t head = 0, tail = 0;
    while (head < a.size() && head < b.size() && same(head, head)) ++head;
    while (tail < a.size() - head && tail < b.size() - head &&
           same(a.size() - 1 - tail, b.size() - 1 - tail))
        ++tail;
    const std::size_t n = a.size() - head - tail, m = b.size() - head - tail;
    std::vector<bool> kept(n, false);
    if (n > 0 && m > 0 && n * m <= 250000) {
        // lengths[i][j]: common subsequence of a's tokens from i and b's from j.
        std::vector<std::vector<int>> lengths(n + 1, std::vector<int>(m + 1, 0));
        for (std::size_t i = n; i-- > 0;)
            for (std::size_t j = m; j-- > 0;)
                lengths[i][j] = same(head + i, head + j)
                                    ? lengths[i + 1][j + 1] + 1
                                    : std::max(lengths[i + 1][j], lengths[i][j + 1]);
        for (std::size_t i = 0, j = 0; i < n && j < m;) {
            if (same(head + i, head + j))
                kept[i++] = true, ++j;
            else if (lengths[i + 1][j] >= lengths[i][j + 1])
                ++i;
            else
                ++j;
        }
    }
    std::vector<std::pair<int, int>> parts;
    for (std::size_t i = 0; i < n; ++i) {
        if (kept[i]) continue;
        const auto [start, length] = a[head + i];
        if (!parts.empty() && parts.back().first + parts.back().second == start)
            parts.back().second += length;
        else
            parts.emplace_back(start, length);
    }
    return parts;
}

// Removed lines in red, added lines in green, the words that changed between
// a removed line and the added line that takes its place marked darker;
// nothing from the failures on.
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
        const bool removed = IsRemoved(text);
        if (!removed && !IsAdded(text)) return;
        QTextCharFormat format;
        format.setForeground(removed ? QColor(0xA0, 0x00, 0x00) : QColor(0x00, 0x70, 0x00));
        format.setBackground(removed ? QColor(0xFF, 0xEB, 0xEB) : QColor(0xE6, 0xFF, 0xE6));
        setFormat(0, static_cast<int>(text.size()), format);
        const QTextBlock partner = Partner(currentBlock(), removed);
        if (!partner.isValid()) return;
        format.setBackground(removed ? QColor(0xFF, 0xB8, 0xB8) : QColor(0xA8, 0xF0, 0xA8));
        for (const auto& [start, length] : ChangedParts(text, partner.text()))
            setFormat(start, length, format);
    }

  private:
    // The k-th removed line of a run pairs with the k-th added line of the
    // run right after it; runs longer than this are not paired.
    static constexpr int kMostPaired = 1000;

    // The lines around a block, passing over "\\ No newline at end of file".
    static QTextBlock Next(QTextBlock block) {
        do block = block.next();
        while (block.isValid() && block.text().startsWith(u'\\'));
        return block;
    }
    static QTextBlock Previous(QTextBlock block) {
        do block = block.previous();
        while (block.isValid() && block.text().startsWith(u'\\'));
        return block;
    }

    static QTextBlock Partner(QTextBlock block, bool removed) {
        const auto isRun = removed ? IsRemoved : IsAdded;
        int k = 0;
        QTextBlock first = block;
        for (; Previous(first).isValid() && isRun(Previous(first).text()); ++k) {
            if (k == kMostPaired) return {};
            first = Previous(first);
        }
        if (removed) {
            QTextBlock other = Next(block);
            for (int left = 0; other.isValid() && IsRemoved(other.text()); other = Next(other))
                if (++left == kMostPaired) return {};
            for (; k > 0 && other.isValid() && IsAdded(other.text()); --k) other = Next(other);
            return other.isValid() && IsAdded(other.text()) ? other : QTextBlock();
        }
        // The removed run before the added one, from its start.
        QTextBlock other = Previous(first);
        int run = 0;
        for (; other.isValid() && IsRemoved(other.text()); ++run) {
            if (run == kMostPaired) return {};
            if (!Previous(other).isValid() || !IsRemoved(Previous(other).text())) break;
            other = Previous(other);
        }
        if (!other.isValid() || !IsRemoved(other.text()) || k > run) return {};
        for (; k > 0; --k) other = Next(other);
        return other;
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
    // A cursor for the keys, so that Ctrl+Home and Ctrl+End go to the start and the end.
    diff_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
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
    diff_->setFocus();

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
    if (diff_->document()->isEmpty()) {
        diff_->setPlainText(text);  // the keys' cursor stays at the start
    } else if (!text.isEmpty()) {
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
