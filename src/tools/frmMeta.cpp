#include "frmMeta.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "CommandButton.h"
#include "match/Utf8.h"

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

void frmMeta::setListText(std::string bytes) {
    list_ = std::move(bytes);
    byteAt_.clear();
    // The text shown, decoded here so that each position of the document maps
    // back to its bytes: the document keeps one break for each of CR LF, CR
    // and LF, and a byte that does not start a valid UTF-8 character shows as
    // one U+FFFD.
    QString shown;
    shown.reserve(qsizetype(list_.size()));
    const auto* s = reinterpret_cast<const unsigned char*>(list_.data());
    for (std::size_t i = 0; i < list_.size();) {
        byteAt_.push_back(i);
        const int length = utf8::sequenceLength(s + i, list_.size() - i);
        if (length <= 0) {
            shown += QChar::ReplacementCharacter;
            ++i;
        } else if (s[i] == '\r' && i + 1 < list_.size() && s[i + 1] == '\n') {
            shown += u"\r\n";
            i += 2;
        } else {
            const char32_t cp = utf8::decode(s + i, length);
            shown += QString::fromUcs4(&cp, 1);
            if (cp > 0xFFFF) byteAt_.push_back(i);  // a surrogate pair
            i += std::size_t(length);
        }
    }
    byteAt_.push_back(list_.size());
    Text1->setPlainText(shown);
    mapped_ = std::size_t(Text1->document()->characterCount()) == byteAt_.size();
    UpdateButtons();
}

std::string frmMeta::SelText() const {
    const QTextCursor cursor = Text1->textCursor();
    if (!cursor.hasSelection()) return {};
    if (!mapped_) {
        // Should the document ever differ, line breaks become CR LF, as listed.
        QString text = cursor.selectedText();
        text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
        return text.toStdString();
    }
    const std::size_t from = byteAt_[std::size_t(cursor.selectionStart())];
    const std::size_t to = byteAt_[std::size_t(cursor.selectionEnd())];
    return list_.substr(from, to - from);
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
