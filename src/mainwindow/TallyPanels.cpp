#include "TallyPanels.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "BusyIndicators.h"
#include "FileListBox.h"
#include "MessageBox.h"
#include "TextBlock.h"
#include "TextConvert.h"
#include "base/FileError.h"
#include "batch/Module1.h"
#include "frmLMControls.h"
#include "tally/Tally.h"

namespace lexmill {

TallyPanels::TallyPanels(QWidget* window, Module1& m, const frmLMControls& ui,
                         const TextBlock& texts, BusyIndicators& busy)
    : window_(window), m_(m), ui_(ui), texts_(texts), busy_(busy) {}

void TallyPanels::ClearFileTally() {
    for (QLabel* label : {ui_.numwrdsF, ui_.numcharF, ui_.numlnsF, ui_.labelkw}) label->clear();
}

void TallyPanels::Command6_Click() {
    ClearFileTally();
    if (m_.SelCount >= 2) {
        MsgBox(window_,
               QObject::tr("Lexmill can only perform this operation on one file at a time. "
                           "Please select only one file and try again."),
               QObject::tr("Oops!"), QMessageBox::Warning);
        return;
    }
    const std::optional<std::int64_t> words = FileTally();
    if (!words) return;
    ui_.numwrdsF->setText(QString::number(*words));
    ui_.numcharF->setText(QString::number(m_.CharCount));
    ui_.numlnsF->setText(QString::number(m_.LineCount));
    if (!ui_.KWtext->text().isEmpty()) ui_.labelkw->setText(QString::number(m_.KeywordCount));
}

// The list's current file; nothing when it cannot be read (the user is told why).
std::optional<std::int64_t> TallyPanels::FileTally() {
    busy_.setWaitCursor(true);
    m_.CharCount = 0;
    m_.LineCount = 1;
    m_.KeywordCount = 0;
    const QString name = ui_.File1->FileName();
    if (name.isEmpty()) {
        busy_.setWaitCursor(false);
        return 0;
    }
    const std::string local = ui_.File1->FileLocalPath();
    const QString path = FromLocalPath(local);
    std::int64_t size = 0;
    TallyCounts counts;
    try {
        counts = tallyFile(
            local, ui_.KWtext->text().toStdString(),
            [this, &size](std::int64_t handled) {
                m_.ProgressMax = size;
                busy_.setProgress(handled);
            },
            &size);
    } catch (const FileError& e) {
        busy_.setProgress(0);
        busy_.setWaitCursor(false);
        FileNotRead(window_, path, e.reason());
        return std::nullopt;
    }
    return FinishTally(counts);
}

// Keeps the counts where the window reads them and ends the tally's busy state.
std::int64_t TallyPanels::FinishTally(const TallyCounts& counts) {
    m_.CharCount = counts.chars;
    m_.LineCount = counts.lines;
    m_.KeywordCount = counts.keywords;
    busy_.setProgress(0);
    busy_.setWaitCursor(false);
    return counts.words;
}

std::int64_t TallyPanels::TextTally() {
    busy_.setWaitCursor(true);
    const std::string text = texts_.BoxText(ui_.Text4);
    m_.ProgressMax = static_cast<std::int64_t>(text.size());
    busy_.setProgress(m_.ProgressMax);
    const TallyCounts counts = tallyText(text, ui_.KWtext2->text().toStdString());
    return FinishTally(counts);
}

void TallyPanels::ShowTextTally(std::int64_t words) {
    ui_.numwrdsT->setText(QString::number(words));
    ui_.numcharT->setText(QString::number(m_.CharCount));
    ui_.numlinesT->setText(QString::number(m_.LineCount));
    if (!ui_.KWtext2->text().isEmpty()) ui_.labelkw2->setText(QString::number(m_.KeywordCount));
}

void TallyPanels::Command4_Click() {
    for (QLabel* label : {ui_.numwrdsT, ui_.numcharT, ui_.numlinesT, ui_.labelkw2}) label->clear();
    ShowTextTally(TextTally());
}

void TallyPanels::Text4_Change() {
    ShowTextTally(TextTally());
}

void TallyPanels::UpdateTallyButton() {
    if (m_.Busy) return;
    ui_.Command4->setEnabled(!ui_.Text4->document()->isEmpty());
}

}  // namespace lexmill
