#include "TextBlock.h"

#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <algorithm>

#include "BusyIndicators.h"
#include "FileListBox.h"
#include "LocalFile.h"
#include "MessageBox.h"
#include "Module1.h"
#include "TextConvert.h"
#include "frmLMControls.h"

namespace lexmill {

namespace {
constexpr qint64 kViewBlock = 8000;  // the progress bar advances after each block
}  // namespace

TextBlock::TextBlock(QWidget* window, Module1& m, const frmLMControls& ui, BusyIndicators& busy)
    : window_(window), m_(m), ui_(ui), busy_(busy) {}

TextBlock::KeptText& TextBlock::Kept(const QPlainTextEdit* box) {
    for (KeptText& kept : kept_)
        if (kept.box == box) return kept;
    return kept_.emplace_back(KeptText{box, std::nullopt, false});
}

void TextBlock::SetBoxText(QPlainTextEdit* box, const QString& text) {
    KeptText& kept = Kept(box);
    // The box turns CR LF and lone CRs into its own line breaks; the text
    // keeps the file's, so that it still matches the file and counts alike.
    kept.exact = text;
    kept.setting = true;
    box->setPlainText(text);
    kept.setting = false;
}

QString TextBlock::BoxText(const QPlainTextEdit* box) const {
    const auto found = std::find_if(kept_.begin(), kept_.end(),
                                    [box](const KeptText& kept) { return kept.box == box; });
    return found != kept_.end() && found->exact ? *found->exact : box->toPlainText();
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
    const QString text = QGuiApplication::clipboard()->text();  // plain text; empty without
    if (text != BoxText(ui_.Text4)) SetBoxText(ui_.Text4, text);
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

    LocalFile file;
    QByteArray bytes;
    bool read = file.openLocal(local);
    if (read) {
        m_.ProgressMax = file.size();
        while (!file.atEnd()) {
            const QByteArray block = file.read(kViewBlock);
            if (block.isEmpty()) {  // an error, not the end
                read = false;
                break;
            }
            bytes += block;
            busy_.setProgress(bytes.size());
        }
    }
    busy_.setProgress(0);
    if (!read) {
        busy_.setWaitCursor(false);
        MsgBox(window_,
               QObject::tr("Lexmill could not read this file:\n%1\n\n%2")
                   .arg(path, file.errorString()),
               QObject::tr("Error"), QMessageBox::Critical);
        return;
    }
    SetBoxText(ui_.Text4, QString::fromUtf8(bytes));
    busy_.setWaitCursor(false);
    ui_.tabs1->setCurrentIndex(1);
}

}  // namespace lexmill
