// What the periodic refresh did, now run when the controls concerned change.
// Nothing is updated while an operation runs (Busy); the operation ends with
// a full refresh.
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextDocument>

#include "FileListBox.h"
#include "StatusPanel.h"
#include "ToolTipText.h"
#include "frmLM.h"

namespace lexmill {

void frmLM::Timer1_Timer() {
    if (m_.Busy) return;
    UpdateSelectionPanel();
    UpdateTallyButton();
    UpdateFolderLabel();
    UpdateStartButton();
}

void frmLM::UpdateSelectionPanel() {
    if (m_.Busy) return;
    if (tabs1->currentIndex() == 0)
        panels_[2]->setText(tr("%1 file(s) selected.").arg(File1->SelCount()));
    else
        panels_[2]->setText(QString());
}

void frmLM::UpdateTallyButton() {
    if (m_.Busy) return;
    Command4->setEnabled(!Text4->document()->isEmpty());
}

void frmLM::UpdateFolderLabel() {
    if (m_.Busy) return;
    // The label shows at most 33 characters; the full folder is its tooltip.
    if (Label2->text().size() > 33)
        Label2->setText(Label2->text().left(30) + QStringLiteral("..."));
    Label2->setToolTip(ToolTipText(File1->Path()));
}

void frmLM::UpdateStartButton() {
    if (m_.Busy) return;
    Command3->setEnabled(!Text1->document()->isEmpty() && !File1->FileName().isEmpty());
}

}  // namespace lexmill
