#include "TextBlock.h"

#include <QCheckBox>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <algorithm>

#include "BusyIndicators.h"
#include "FileListBox.h"
#include "MessageBox.h"
#include "TextConvert.h"
#include "base/FileError.h"
#include "base/OrdinaryFile.h"
#include "batch/Module1.h"
#include "frmLMControls.h"

namespace lexmill {

namespace {

// The most of a text a box shows. The Search For and Replace With boxes wrap
// their lines, which takes time growing with the square of a line's length;
// the text block builds a document of some hundred bytes for each line.
constexpr std::size_t kShownInSmallBox = 4096;
constexpr std::size_t kShownInTextBlock = std::size_t(4) << 20;

// What a box shows of `bytes`: all of them, or a start of at most `limit`
// bytes, cut after a line break where one is in its second half and never
// inside a UTF-8 character, then a line with the count of the bytes not shown.
QString ShownText(const std::string& bytes, std::size_t limit) {
    if (bytes.size() <= limit) return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
    std::size_t end = bytes.rfind('\n', limit - 1);
    if (end == std::string::npos || end < limit / 2) {
        end = limit;
        for (int back = 0; back < 3 && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80;
             ++back)
            --end;
    } else {
        ++end;  // keeps the line break
    }
    QString shown = QString::fromUtf8(bytes.data(), qsizetype(end));
    if (!shown.endsWith(u'\n')) shown += u'\n';
    return shown + QObject::tr("\u2026 and %L1 more bytes, not shown here").arg(bytes.size() - end);
}

}  // namespace

TextBlock::TextBlock(QWidget* window, Module1& m, const frmLMControls& ui, BusyIndicators& busy)
    : window_(window), m_(m), ui_(ui), busy_(busy) {}

TextBlock::KeptText& TextBlock::Kept(const QPlainTextEdit* box) {
    for (KeptText& kept : kept_)
        if (kept.box == box) return kept;
    return kept_.emplace_back(KeptText{box, std::nullopt, false});
}

void TextBlock::SetBoxText(QPlainTextEdit* box, std::string bytes) {
    KeptText& kept = Kept(box);
    // The box turns CR LF and lone CRs into its own line breaks and bytes that
    // are not UTF-8 into U+FFFD; the text keeps the file's bytes, so that it
    // still matches the file and counts alike.
    const QString shown = ShownText(bytes, box == ui_.Text4 ? kShownInTextBlock : kShownInSmallBox);
    kept.exact = std::move(bytes);
    kept.setting = true;
    box->setPlainText(shown);
    kept.setting = false;
}

std::string TextBlock::BoxText(const QPlainTextEdit* box) const {
    const auto found = std::find_if(kept_.begin(), kept_.end(),
                                    [box](const KeptText& kept) { return kept.box == box; });
    return found != kept_.end() && found->exact ? *found->exact : box->toPlainText().toStdString();
}

void TextBlock::BoxEdited(const QPlainTextEdit* box) {
    KeptText& kept = Kept(box);
    if (!kept.setting) kept.exact.reset();  // the user's own text from now on
}

void TextBlock::Check2_Click() {
    monitorOn_ = ui_.Check2->isChecked();
    ui_.Text4->setReadOnly(monitorOn_);
    if (monitorOn_) Timer2_Timer();  // the clipboard's text replaces the block's at once
}

void TextBlock::Timer2_Timer() {
    if (!monitorOn_ || m_.Busy) return;
    // Plain text; empty without.
    std::string text = QGuiApplication::clipboard()->text().toStdString();
    if (text != BoxText(ui_.Text4)) SetBoxText(ui_.Text4, std::move(text));
}

void TextBlock::mnuFileVTB_Click() {
    // The clipboard must not overwrite the file's text.
    monitorOn_ = false;
    ui_.Check2->setChecked(false);
    busy_.setWaitCursor(true);
    const QString name = ui_.File1->FileName();
    if (name.isEmpty()) {
        busy_.setWaitCursor(false);
        return;
    }
    const std::string local = ui_.File1->FileLocalPath();  // bytes, UTF-8 or not
    const QString path = FromLocalPath(local);

    // Not QFile: a FIFO put in the file's place would block the window.
    std::string bytes;
    try {
        std::int64_t size = 0;
        bytes = readOrdinaryFile(
            local,
            [&](std::int64_t read) {
                m_.ProgressMax = size;
                busy_.setProgress(read);
                // The bar moves while a large file loads.
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            },
            &size);
    } catch (const FileError& e) {
        busy_.setProgress(0);
        busy_.setWaitCursor(false);
        FileNotRead(window_, path, e.reason());
        return;
    }
    busy_.setProgress(0);
    SetBoxText(ui_.Text4, std::move(bytes));
    busy_.setWaitCursor(false);
    ui_.tabs1->setCurrentIndex(1);
}

}  // namespace lexmill
