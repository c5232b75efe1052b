#include "FrmAbt.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "BrowseDirectorysOnly.h"
#include "LexmillLogo.h"
#include "LinkLabel.h"

namespace lexmill {

namespace {
QLabel* MakeLabel(const char* name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    return label;
}
}  // namespace

FrmAbt::FrmAbt(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FrmAbt"));
    setWindowTitle(tr("About..."));
    setModal(true);

    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Picture1 = new QLabel(Frame1);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setPixmap(LexmillLogo(64));
    Picture1->setAlignment(Qt::AlignCenter);
    Label3 = MakeLabel("Label3", tr("Find more great free software from Bramblegate at:"), Frame1);
    Label6 = new LinkLabel(WebSite(), Frame1);
    Label6->setObjectName(QStringLiteral("Label6"));
    Label6->setAlignment(Qt::AlignHCenter);
    Label1 = MakeLabel("Label1",
                       tr("Lexmill is free for personal and business use. You may give copies "
                          "to others, provided the program is passed on unchanged and free of "
                          "charge."),
                       Frame1);
    Label5 = new LinkLabel(SupportMail(), Frame1);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->setAlignment(Qt::AlignHCenter);
    Label7 = MakeLabel("Label7", tr("Version %1").arg(Version()), Frame1);
    Label2 = MakeLabel("Label2", QString(), Frame1);
    Command3 = new QPushButton(tr("OK"), Frame1);
    Command3->setObjectName(QStringLiteral("Command3"));
    Command3->setDefault(true);

    auto* okRow = new QHBoxLayout;
    okRow->addStretch(1);
    okRow->addWidget(Command3);
    okRow->addStretch(1);
    auto* frameLayout = new QVBoxLayout(Frame1);
    frameLayout->addWidget(Picture1);
    frameLayout->addWidget(Label3);
    frameLayout->addWidget(Label6);
    frameLayout->addSpacing(8);
    frameLayout->addWidget(Label1);
    frameLayout->addWidget(Label5);
    frameLayout->addSpacing(8);
    frameLayout->addWidget(Label7);
    frameLayout->addWidget(Label2);
    frameLayout->addLayout(okRow);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    Frame1->setMinimumWidth(4770 / 15 - 2 * layout->contentsMargins().left());
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(Label6, &LinkLabel::clicked, this, &FrmAbt::Label6_Click);
    connect(Label5, &LinkLabel::clicked, this, &FrmAbt::Label5_Click);
    connect(Command3, &QPushButton::clicked, this, &FrmAbt::Command3_Click);

    Form_Load();
}

void FrmAbt::Form_Load() {
    Label2->setText(tr("Copyright \u00A9 2026 Bramblegate."));
}

// The desktop's answer is not ours to report: a link it cannot open is ignored.
void FrmAbt::Label6_Click() {
    ShellOpen(this, WebSite());
}

void FrmAbt::Label5_Click() {
    ShellOpen(this, QStringLiteral("mailto:") + SupportMail());
}

void FrmAbt::Command3_Click() {
    accept();
}

}  // namespace lexmill
