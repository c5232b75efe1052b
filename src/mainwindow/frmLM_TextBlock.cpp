// The text block with its clipboard monitor, "View File in Text Block
// Window", and the "Clear" links of the search and replacement boxes.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTextDocument>
#include <algorithm>

#include "FileListBox.h"
#include "MessageBox.h"
#include "frmLM.h"

namespace lexmill {

namespace {
constexpr qint64 kViewBlock = 8000;  // the progress bar advances after each block
}  // namespace

frmLM::KeptText& frmLM::Kept(const QPlainTextEdit* box) {
    for (KeptText& kept : kept_)
        if (kept.box == box) return kept;
    return kept_.emplace_back(KeptText{box, std::nullopt, false});
}

const frmLM::KeptText* frmLM::FindKept(const QPlainTextEdit* box) const {
    const auto found = std::find_if(kept_.begin(), kept_.end(),
                                    [box](const KeptText& kept) { return kept.box == box; });
    return found == kept_.end() ? nullptr : &*found;
}

void frmLM::SetBoxText(QPlainTextEdit* box, const QString& text) {
    KeptText& kept = Kept(box);
    // The box turns CR LF and lone CRs into its own line breaks; the text
    // keeps the file's, so that it still matches the file and counts alike.
    kept.exact = text;
    kept.setting = true;
    box->setPlainText(text);
    kept.setting = false;
}

QString frmLM::BoxText(const QPlainTextEdit* box) const {
    const KeptText* kept = FindKept(box);
    return kept && kept->exact ? *kept->exact : box->toPlainText();
}

void frmLM::BoxEdited(const QPlainTextEdit* box) {
    KeptText& kept = Kept(box);
    if (!kept.setting) kept.exact.reset();  // the user's own text from now on
}

void frmLM::Check2_Click() {
    monitorOn_ = Check2->isChecked();
    Text4->setReadOnly(monitorOn_);
    if (monitorOn_) Timer2_Timer();  // the clipboard's text replaces the block's at once
}

void frmLM::Timer2_Timer() {
    if (!monitorOn_ || m_.Busy) return;
    const QString text = QGuiApplication::clipboard()->text();  // plain text; empty without
    if (text != BoxText(Text4)) SetBoxText(Text4, text);
}

void frmLM::mnuFileVTB_Click() {
    // The clipboard must not overwrite the file's text.
    monitorOn_ = false;
    Check2->setChecked(false);
    setWaitCursor(true);
    const QString name = File1->FileName();
    if (name.isEmpty()) {
        setWaitCursor(false);
        return;
    }
    QString path = File1->Path();
    if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
    path += name;

    QFile file(path);
    QByteArray bytes;
    bool read = file.open(QIODevice::ReadOnly);
    if (read) {
        m_.ProgressMax = file.size();
        while (!file.atEnd()) {
            const QByteArray block = file.read(kViewBlock);
            if (block.isEmpty()) {  // an error, not the end
                read = false;
                break;
            }
            bytes += block;
            setProgress(bytes.size());
        }
    }
    setProgress(0);
    if (!read) {
        setWaitCursor(false);
        MsgBox(this,
               tr("Lexmill could not read this file:\n%1\n\n%2").arg(path, file.errorString()),
               tr("Error"), QMessageBox::Critical);
        return;
    }
    SetBoxText(Text4, QString::fromUtf8(bytes));
    setWaitCursor(false);
    tabs1->setCurrentIndex(1);
}

void frmLM::Label10_Click() {
    Text1->clear();
}

void frmLM::Label12_Click() {
    Text2->clear();
}

void frmLM::Text1_Change() {
    Label10->setEnabled(!Text1->document()->isEmpty());
}

void frmLM::Text2_Change() {
    Label12->setEnabled(!Text2->document()->isEmpty());
}

bool frmLM::LinkLabelEvent(QObject* watched, QEvent* event) {
    if (watched != Label10 && watched != Label12) return false;
    if (!static_cast<QWidget*>(watched)->isEnabled()) return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (event->type() == QEvent::MouseButtonPress && watched == Label10) {
        Label10_Click();  // a button pressed on it is enough
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease && watched == Label12 &&
        mouse->button() == Qt::LeftButton &&
        Label12->rect().contains(mouse->position().toPoint())) {
        Label12_Click();
        return true;
    }
    return false;
}

}  // namespace lexmill
