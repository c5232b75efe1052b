#include "frmMeta.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "CommandButton.h"

namespace lexmill {

frmMeta::frmMeta(InsertInto searchFor, InsertInto replaceWith, QWidget* parent)
    : QDialog(parent), searchFor_(std::move(searchFor)), replaceWith_(std::move(replaceWith)) {
    setObjectName(QStringLiteral("frmMeta"));
    setWindowTitle(tr("Meta Tags in"));
    setModal(true);

    Text1 = new QPlainTextEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Read-only keeps the list equal to the file's bytes, which the inserts rely on.
    Text1->setReadOnly(true);
    Text1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Command2 = MakeButton(QStringLiteral("Command2"),
                          tr("Insert selected into \"&Search For\" box"), this);
    Command3 = MakeButton(QStringLiteral("Command3"),
                          tr("Insert selected into \"&Replace With\" box"), this);
    Command1 = MakeButton(QStringLiteral("Command1"), tr("&Done"), this);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Command2);
    buttons->addWidget(Command3);
    buttons->addStretch(1);
    buttons->addWidget(Command1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Text1, 1);
    layout->addLayout(buttons);
    resize(640, 360);

    connect(Command1, &QPushButton::clicked, this, &frmMeta::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmMeta::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &frmMeta::Command3_Click);
    connect(Text1, &QPlainTextEdit::selectionChanged, this, &frmMeta::UpdateButtons);
    UpdateButtons();
}

void frmMeta::setListText(const QString& text) {
    list_ = text;
    crLfAt_.clear();
    // The document keeps one break for each of CR LF, CR and LF; note where a
    // break stood for two characters so that a selection maps back exactly.
    int position = 0;
    for (qsizetype i = 0; i < text.size(); ++i, ++position) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            crLfAt_.push_back(position);
            ++i;
        }
    }
    Text1->setPlainText(text);
    mapped_ = Text1->document()->characterCount() - 1 == position;
    UpdateButtons();
}

qsizetype frmMeta::ListOffset(int documentPosition) const {
    const auto before = std::lower_bound(crLfAt_.begin(), crLfAt_.end(), documentPosition);
    return documentPosition + (before - crLfAt_.begin());
}

QString frmMeta::SelText() const {
    const QTextCursor cursor = Text1->textCursor();
    if (!cursor.hasSelection()) return {};
    if (!mapped_) {
        // Should the document ever differ, line breaks become CR LF, as listed.
        QString text = cursor.selectedText();
        text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
        return text;
    }
    const qsizetype from = ListOffset(cursor.selectionStart());
    const qsizetype to = ListOffset(cursor.selectionEnd());
    return list_.mid(from, to - from);
}

void frmMeta::UpdateButtons() {
    const bool selected = Text1->textCursor().hasSelection();
    Command2->setEnabled(selected);
    Command3->setEnabled(selected);
}

void frmMeta::Command1_Click() {
    accept();
}

void frmMeta::Command2_Click() {
    if (searchFor_) searchFor_(SelText());
}

void frmMeta::Command3_Click() {
    if (replaceWith_) replaceWith_(SelText());
}

}  // namespace lexmill
