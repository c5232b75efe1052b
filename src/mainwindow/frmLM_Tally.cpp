// The two tally panels: the current file of the list and the text block.
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>

#include "FileError.h"
#include "FileListBox.h"
#include "MessageBox.h"
#include "Tally.h"
#include "TextConvert.h"
#include "frmLM.h"

namespace lexmill {

void frmLM::ClearFileTally() {
    for (QLabel* label : {numwrdsF, numcharF, numlnsF, labelkw}) label->clear();
}

void frmLM::Command6_Click() {
    ClearFileTally();
    GetSelectedFiles();
    if (m_.SelCount >= 2) {
        MsgBox(this,
               tr("Lexmill can only perform this operation on one file at a time. Please select "
                  "only one file and try again."),
               tr("Oops!"), QMessageBox::Warning);
        return;
    }
    const std::optional<std::int64_t> words = FileTally();
    if (!words) return;
    numwrdsF->setText(QString::number(*words));
    numcharF->setText(QString::number(m_.CharCount));
    numlnsF->setText(QString::number(m_.LineCount));
    if (!KWtext->text().isEmpty()) labelkw->setText(QString::number(m_.KeywordCount));
}

// The list's current file; nothing when it cannot be read (the user is told why).
std::optional<std::int64_t> frmLM::FileTally() {
    setWaitCursor(true);
    m_.CharCount = 0;
    m_.LineCount = 1;
    m_.KeywordCount = 0;
    const QString name = File1->FileName();
    if (name.isEmpty()) {
        setWaitCursor(false);
        return 0;
    }
    QString path = File1->Path();
    if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
    path += name;
    std::int64_t size = 0;
    TallyCounts counts;
    try {
        counts = tallyFile(
            ToLocalPath(path), KWtext->text().toStdString(),
            [this, &size](std::int64_t handled) {
                m_.ProgressMax = size;
                setProgress(handled);
            },
            &size);
    } catch (const FileError& e) {
        setProgress(0);
        setWaitCursor(false);
        MsgBox(this,
               tr("Lexmill could not read this file:\n%1\n\n%2")
                   .arg(path, QString::fromStdString(e.reason())),
               tr("Error"), QMessageBox::Critical);
        return std::nullopt;
    }
    return FinishTally(counts);
}

// Keeps the counts where the window reads them and ends the tally's busy state.
std::int64_t frmLM::FinishTally(const TallyCounts& counts) {
    m_.CharCount = counts.chars;
    m_.LineCount = counts.lines;
    m_.KeywordCount = counts.keywords;
    setProgress(0);
    setWaitCursor(false);
    return counts.words;
}

std::int64_t frmLM::TextTally() {
    setWaitCursor(true);
    const std::string text = BoxText(Text4).toStdString();
    m_.ProgressMax = static_cast<std::int64_t>(text.size());
    setProgress(m_.ProgressMax);
    const TallyCounts counts = tallyText(text, KWtext2->text().toStdString());
    return FinishTally(counts);
}

void frmLM::ShowTextTally(std::int64_t words) {
    numwrdsT->setText(QString::number(words));
    numcharT->setText(QString::number(m_.CharCount));
    numlinesT->setText(QString::number(m_.LineCount));
    if (!KWtext2->text().isEmpty()) labelkw2->setText(QString::number(m_.KeywordCount));
}

void frmLM::Command4_Click() {
    for (QLabel* label : {numwrdsT, numcharT, numlinesT, labelkw2}) label->clear();
    ShowTextTally(TextTally());
}

void frmLM::Text4_Change() {
    ShowTextTally(TextTally());
}

}  // namespace lexmill
