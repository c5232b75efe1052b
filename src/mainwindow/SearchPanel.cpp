#include "SearchPanel.h"

#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <algorithm>

#include "FileListBox.h"
#include "MessageBox.h"
#include "batch/BatchHost.h"
#include "batch/Module1.h"
#include "frmLMControls.h"
#include "match/RegexPattern.h"

namespace lexmill {

SearchPanel::SearchPanel(QWidget* window, Module1& m, const frmLMControls& ui)
    : window_(window), m_(m), ui_(ui) {}

void SearchPanel::Check1_Click() {
    if (ui_.Check1->isChecked())
        MsgBox(window_,
               QObject::tr("Any files altered will be backed up in a folder called \"LMBACK\" "
                           "under the currently selected work folder before changes are made."),
               QObject::tr("Backup Folder"), QMessageBox::Information);
    else
        MsgBox(window_,
               QObject::tr("Changes to any files made by the program will be permanent and "
                           "cannot be undone if you uncheck this box. A run without backups "
                           "cannot be undone."),
               QObject::tr("Warning"), QMessageBox::Warning);
}

void SearchPanel::Check3_Click() {
    const bool replacing = !ui_.Check3->isChecked();
    if (!replacing) ui_.Text2->clear();
    ui_.Text2->setEnabled(replacing);
    ui_.Label8->setEnabled(replacing);
    ui_.Label12->setEnabled(replacing && !ui_.Text2->document()->isEmpty());
}

void SearchPanel::Label10_Click() {
    ui_.Text1->clear();
}

void SearchPanel::Label12_Click() {
    ui_.Text2->clear();
}

void SearchPanel::Text1_Change() {
    ui_.Label10->setEnabled(!ui_.Text1->document()->isEmpty());
}

void SearchPanel::Text2_Change() {
    ui_.Label12->setEnabled(!ui_.Text2->document()->isEmpty());
}

void SearchPanel::UpdateStartButton() {
    if (m_.Busy) return;
    ui_.Command3->setEnabled(!ui_.Text1->document()->isEmpty() && !ui_.File1->FileName().isEmpty());
}

bool SearchPanel::PatternAccepted(const BatchOptions& options) {
    if (!options.regex) return true;
    try {
        checkPattern(options.searchText, options.searchOnly ? "" : options.replaceText,
                     options.matchCase, options.charset);
        return true;
    } catch (const PatternError& e) {
        // A replacement that refers to a missing group has a valid pattern.
        const QString reason = QString::fromUtf8(e.what());
        MsgBox(
            window_,
            e.inReplacement() ? reason : QObject::tr("Invalid regular expression: %1").arg(reason),
            QObject::tr("Error"), QMessageBox::Critical);
        QPlainTextEdit* box = e.inReplacement() ? ui_.Text2 : ui_.Text1;
        const std::string& text = e.inReplacement() ? options.replaceText : options.searchText;
        // The offset counts bytes of the UTF-8 text; the box counts UTF-16 units.
        const auto at = QString::fromUtf8(text.data(),
                                          static_cast<qsizetype>(std::min(e.offset(), text.size())))
                            .size();
        QTextCursor cursor = box->textCursor();
        cursor.setPosition(
            static_cast<int>(std::min<qsizetype>(at, box->document()->characterCount() - 1)));
        box->setTextCursor(cursor);
        box->setFocus();
        return false;
    }
}

bool SearchPanel::LinkLabelEvent(QObject* watched, QEvent* event) {
    if (watched != ui_.Label10 && watched != ui_.Label12) return false;
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
        type != QEvent::MouseButtonDblClick)
        return false;
    if (!static_cast<QWidget*>(watched)->isEnabled()) return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (type == QEvent::MouseButtonPress && watched == ui_.Label10) {
        Label10_Click();  // a button pressed on it is enough
        return true;
    }
    if (type == QEvent::MouseButtonRelease && watched == ui_.Label12 &&
        mouse->button() == Qt::LeftButton &&
        ui_.Label12->rect().contains(mouse->position().toPoint())) {
        Label12_Click();
        return true;
    }
    return false;
}

}  // namespace lexmill
