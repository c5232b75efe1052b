// The main window: construction, layout and wiring of the controls.
#include "frmLM.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "BrowseDirectorysOnly.h"
#include "CommandButton.h"
#include "FileListBox.h"
#include "FilterKeyInput.h"
#include "Form3.h"
#include "PictureBox.h"
#include "ProgressProperty.h"
#include "StatusPanel.h"

namespace lexmill {

namespace {

// Design sizes are in twips; 15 twips make one pixel at 96 dpi.
constexpr int Px(int twips) {
    return (twips + 7) / 15;
}

// The design size, or what the contents need under this desktop's fonts.
void AtLeast(QWidget* widget, int twipsWide, int twipsHigh) {
    widget->setMinimumSize(
        QSize(Px(twipsWide), Px(twipsHigh)).expandedTo(widget->minimumSizeHint()));
}

template <typename T>
T* Named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel* Caption(const QString& text, QWidget* parent, const char* name = "") {
    auto* label = Named(new QLabel(text, parent), name);
    label->setTextFormat(Qt::PlainText);
    return label;
}

// A result label: a single-line border around a number.
QLabel* ResultLabel(QWidget* parent, const char* name) {
    auto* label = Named(new QLabel(parent), name);
    label->setTextFormat(Qt::PlainText);
    label->setFrameStyle(QFrame::Box | QFrame::Plain);
    label->setMinimumWidth(Px(1000));
    label->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    return label;
}

// "Clear": blue text with a hand pointer, grey while disabled.
QLabel* LinkLabel(QWidget* parent, const char* name) {
    auto* label = Caption(QObject::tr("Clear"), parent, name);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Active, QPalette::WindowText, Qt::blue);
    palette.setColor(QPalette::Inactive, QPalette::WindowText, Qt::blue);
    label->setPalette(palette);
    label->setCursor(Qt::PointingHandCursor);
    label->setEnabled(false);
    return label;
}

QCheckBox* CheckBox(const QString& caption, QWidget* parent, const char* name, bool checked) {
    auto* box = Named(new QCheckBox(caption, parent), name);
    box->setChecked(checked);
    return box;
}

QPlainTextEdit* TextBox(QWidget* parent, const char* name) {
    auto* box = Named(new QPlainTextEdit(parent), name);
    box->setTabChangesFocus(true);
    return box;
}

// The four captioned results of a tally panel, two per row.
void AddResults(QGridLayout* grid, int row, QWidget* parent, QLabel* chars, QLabel* words,
                QLabel* lines, QLabel* keywords) {
    const auto add = [&](int r, int c, const QString& caption, QLabel* result) {
        grid->addWidget(Caption(caption, parent), r, c, Qt::AlignRight);
        grid->addWidget(result, r, c + 1);
    };
    add(row, 0, QObject::tr("Number of Characters:"), chars);
    add(row, 2, QObject::tr("Number of Words:"), words);
    add(row + 1, 0, QObject::tr("Number of Lines:"), lines);
    add(row + 1, 2, QObject::tr("Number of Keyword Occurrences:"), keywords);
}

}  // namespace

frmLM::frmLM(Module1& m, std::filesystem::path settingsFile, QString textEditor, QWidget* parent)
    : QMainWindow(parent),
      m_(m),
      settingsFile_(std::move(settingsFile)),
      textEditor_(std::move(textEditor)),
      chooseFolder_(&BrowseForFolder) {
    setObjectName(QStringLiteral("frmLM"));
    setWindowTitle(tr("Lexmill"));
    // Fixed single border: minimize and close, no maximize.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    BuildMenus();
    BuildTabs();
    BuildStatusBar();
    ConnectControls();
    FixWindowSize();
    // Esc anywhere in the window: the key is seen before the focused control.
    qApp->installEventFilter(this);
    Form_Load();
    Timer2_Timer();  // the clipboard's text shows from the start
}

frmLM::~frmLM() {
    // Children still signal while QWidget deletes them, after this part of us is gone.
    qApp->removeEventFilter(this);
    QGuiApplication::clipboard()->disconnect(this);
    for (QObject* child : findChildren<QObject*>()) child->disconnect(this);
    while (waitCursors_ > 0) setWaitCursor(false);
    delete results_;
}

void frmLM::BuildTabs() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(Px(30), Px(30), Px(30), 0);
    tabs1 = Named(new QTabWidget(central), "tabs1");
    tabs1->addTab(BuildFileTab(), tr("File Operations"));
    tabs1->addTab(BuildTextTab(), tr("Text Block Operations"));
    AtLeast(tabs1, 8175, 6825);
    layout->addWidget(tabs1);
    setCentralWidget(central);
}

QWidget* frmLM::BuildFileTab() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(Px(90), Px(60), Px(90), Px(90));
    grid->setSpacing(Px(105));
    grid->addWidget(BuildFrame1(), 0, 0);
    grid->addWidget(BuildFrame2(), 0, 1);
    grid->addWidget(BuildFrame5(), 1, 0, 1, 2);
    grid->setColumnStretch(0, 3675);
    grid->setColumnStretch(1, 4155);
    grid->setRowStretch(0, 1);
    return page;
}

QGroupBox* frmLM::BuildFrame1() {
    Frame1 = Named(new QGroupBox(tr("Select Files:")), "Frame1");
    Label2 = Caption(QString(), Frame1, "Label2");
    Label2->setFrameStyle(QFrame::Box | QFrame::Plain);
    // The label never widens the frame: the refresh shortens long folders.
    Label2->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    File1 = new FileListBox(Frame1);
    File1->viewport()->setMouseTracking(true);
    Label1 = Caption(tr("Display:"), Frame1, "Label1");
    Combo1 = Named(new QComboBox(Frame1), "Combo1");
    Combo1->setEditable(false);
    Label13 = Caption(tr("Specify Custom Filter:"), Frame1, "Label13");
    Text3 = Named(new QLineEdit(Frame1), "Text3");
    FilterKeyInput::installOn(Text3);
    Label13->setEnabled(false);  // until "Custom" is chosen
    Text3->setEnabled(false);
    Command1 = MakeButton("Command1", tr("Select &All Files"), Frame1);
    Command5 = MakeButton("Command5", tr("&Refresh"), Frame1);
    Command2 = MakeButton("Command2", tr("Select &Folder"), Frame1);

    auto* layout = new QVBoxLayout(Frame1);
    layout->addWidget(Label2);
    layout->addWidget(File1, 1);
    auto* filters = new QGridLayout;
    filters->addWidget(Label1, 0, 0);
    filters->addWidget(Combo1, 0, 1);
    filters->addWidget(Label13, 1, 0);
    filters->addWidget(Text3, 1, 1);
    filters->setColumnStretch(1, 1);
    layout->addLayout(filters);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(Px(60));
    buttons->addWidget(Command1);
    buttons->addWidget(Command5);
    buttons->addWidget(Command2);
    layout->addLayout(buttons);
    AtLeast(Frame1, 3675, 5145);
    return Frame1;
}

QGroupBox* frmLM::BuildFrame2() {
    Frame2 = Named(new QGroupBox(tr("Search and Replace:")), "Frame2");
    Label9 = Caption(tr("Search For:"), Frame2, "Label9");
    Label10 = LinkLabel(Frame2, "Label10");
    Text1 = TextBox(Frame2, "Text1");
    Label8 = Caption(tr("Replace With:"), Frame2, "Label8");
    Label12 = LinkLabel(Frame2, "Label12");
    Text2 = TextBox(Frame2, "Text2");
    Text1->setMinimumSize(Px(3915), Px(1905));
    Text2->setMinimumSize(Px(3915), Px(1905));
    Check3 = CheckBox(tr("Search &Only"), Frame2, "Check3", false);
    Check4 = CheckBox(tr("Match &Case"), Frame2, "Check4", false);
    Check1 = CheckBox(tr("Make &Backups"), Frame2, "Check1", true);
    Command3 = MakeButton("Command3", tr("&Start"), Frame2);
    picProgress = Named(new PictureBox(Frame2), "picProgress");
    picProgress->hide();

    auto* layout = new QGridLayout(Frame2);
    layout->addWidget(Label9, 0, 0);
    layout->addWidget(Label10, 0, 1, Qt::AlignRight);
    layout->addWidget(Text1, 1, 0, 1, 2);
    layout->addWidget(Label8, 2, 0);
    layout->addWidget(Label12, 2, 1, Qt::AlignRight);
    layout->addWidget(Text2, 3, 0, 1, 2);
    auto* bottom = new QGridLayout;
    bottom->addWidget(Check3, 0, 0);
    bottom->addWidget(Check4, 0, 1);
    bottom->addWidget(Check1, 1, 0);
    bottom->addWidget(Command3, 1, 1);
    layout->addLayout(bottom, 4, 0, 1, 2);
    layout->setRowStretch(1, 1);
    layout->setRowStretch(3, 1);
    AtLeast(Frame2, 4155, 5145);
    return Frame2;
}

QGroupBox* frmLM::BuildFrame5() {
    Frame5 = Named(new QGroupBox(tr("Text Tally:")), "Frame5");
    Label3 = Caption(tr("Enter a Keyword or Phrase (Optional):"), Frame5, "Label3");
    KWtext = Named(new QLineEdit(Frame5), "KWtext");
    Command6 = MakeButton("Command6", tr("&Tally"), Frame5);
    numcharF = ResultLabel(Frame5, "numcharF");
    numwrdsF = ResultLabel(Frame5, "numwrdsF");
    numlnsF = ResultLabel(Frame5, "numlnsF");
    labelkw = ResultLabel(Frame5, "labelkw");

    auto* grid = new QGridLayout(Frame5);
    grid->setVerticalSpacing(2);
    grid->addWidget(Label3, 0, 0, 1, 2);
    grid->addWidget(KWtext, 0, 2, 1, 1);
    grid->addWidget(Command6, 0, 3);
    AddResults(grid, 1, Frame5, numcharF, numwrdsF, numlnsF, labelkw);
    AtLeast(Frame5, 7935, 1155);
    return Frame5;
}

QWidget* frmLM::BuildTextTab() {
    auto* page = new QWidget;
    Text4 = Named(new QPlainTextEdit(page), "Text4");
    Text4->setReadOnly(true);  // the clipboard monitor starts on
    Text4->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text4->setMinimumSize(Px(7905), Px(5115));

    Frame6 = Named(new QGroupBox(tr("Text Tally:"), page), "Frame6");
    Label19 = Caption(tr("Enter a Keyword or Phrase (Optional):"), Frame6, "Label19");
    KWtext2 = Named(new QLineEdit(Frame6), "KWtext2");
    Command4 = MakeButton("Command4", tr("Tally"), Frame6);
    Check2 = CheckBox(tr("Monitor Clipboard"), Frame6, "Check2", true);
    numcharT = ResultLabel(Frame6, "numcharT");
    numwrdsT = ResultLabel(Frame6, "numwrdsT");
    numlinesT = ResultLabel(Frame6, "numlinesT");
    labelkw2 = ResultLabel(Frame6, "labelkw2");

    auto* grid = new QGridLayout(Frame6);
    grid->setVerticalSpacing(2);
    grid->addWidget(Label19, 0, 0, 1, 2);
    grid->addWidget(KWtext2, 0, 2);
    grid->addWidget(Command4, 0, 3);
    grid->addWidget(Check2, 0, 4);
    AddResults(grid, 1, Frame6, numcharT, numwrdsT, numlinesT, labelkw2);
    AtLeast(Frame6, 7935, 1155);

    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(Px(90), Px(60), Px(90), Px(90));
    layout->setSpacing(Px(90));
    layout->addWidget(Text4, 1);
    layout->addWidget(Frame6);
    return page;
}

void frmLM::BuildStatusBar() {
    sbStatusbar = statusBar();
    sbStatusbar->setObjectName(QStringLiteral("sbStatusbar"));
    sbStatusbar->setSizeGripEnabled(false);
    panels_[0] = new StatusPanel(QString(), Px(3360), sbStatusbar);
    panels_[1] = new StatusPanel(QString(), Px(1440), sbStatusbar);
    panels_[2] = new StatusPanel(QStringLiteral("pnlProgress"), Px(3360), sbStatusbar);
    for (StatusPanel* panel : panels_) sbStatusbar->addWidget(panel);
    panels_[0]->setText(IdleText());
    panels_[0]->setToolTip(IdleText());
}

QString frmLM::IdleText() {
    return tr("Select the files to work on.");
}

void frmLM::FixWindowSize() {
    // The design size, or more where this desktop's fonts need it.
    layout()->activate();
    const QSize design(Px(8235), Px(7140) + menuBar()->sizeHint().height());
    const QSize size = design.expandedTo(minimumSizeHint());
    setFixedSize(size);
    // The hint panel takes what its longest text needs; the other two share the rest.
    const int hint = std::max(
        Px(1440), panels_[1]->fontMetrics().horizontalAdvance(tr("Press \"Esc\" to cancel.")) + 12);
    const int rest = (size.width() - hint - 32) / 2;
    panels_[0]->setFixedWidth(rest);
    panels_[1]->setFixedWidth(hint);
    panels_[2]->setFixedWidth(rest);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void frmLM::ConnectControls() {
    // First, so that every other handler of a change sees the user's own text.
    for (QPlainTextEdit* box : {Text1, Text2, Text4})
        connect(box, &QPlainTextEdit::textChanged, this, [this, box] { BoxEdited(box); });
    connect(Command3, &QPushButton::clicked, this, &frmLM::Command3_Click);
    connect(Command6, &QPushButton::clicked, this, &frmLM::Command6_Click);
    connect(Command4, &QPushButton::clicked, this, &frmLM::Command4_Click);
    connect(Text4, &QPlainTextEdit::textChanged, this, &frmLM::Text4_Change);
    connect(Text4, &QPlainTextEdit::textChanged, this, &frmLM::UpdateTallyButton);
    connect(Check1, &QCheckBox::toggled, this, &frmLM::Check1_Click);
    connect(Check3, &QCheckBox::toggled, this, &frmLM::Check3_Click);
    connect(Check2, &QCheckBox::toggled, this, &frmLM::Check2_Click);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &frmLM::Timer2_Timer);
    connect(Text1, &QPlainTextEdit::textChanged, this, &frmLM::UpdateStartButton);
    connect(Text1, &QPlainTextEdit::textChanged, this, &frmLM::Text1_Change);
    connect(Text2, &QPlainTextEdit::textChanged, this, &frmLM::Text2_Change);

    connect(Combo1, &QComboBox::currentIndexChanged, this, &frmLM::Combo1_Click);
    connect(Text3, &QLineEdit::textChanged, this, &frmLM::Text3_Change);
    connect(File1, &QListWidget::currentItemChanged, this, &frmLM::File1_Click);
    connect(File1, &QListWidget::currentItemChanged, this, &frmLM::UpdateStartButton);
    connect(File1, &QListWidget::itemClicked, this, &frmLM::File1_Click);
    connect(File1, &QListWidget::itemSelectionChanged, this, &frmLM::UpdateSelectionPanel);
    connect(File1->model(), &QAbstractItemModel::modelReset, this, &frmLM::Timer1_Timer);
    connect(File1->model(), &QAbstractItemModel::rowsInserted, this, &frmLM::Timer1_Timer);
    connect(File1->model(), &QAbstractItemModel::rowsRemoved, this, &frmLM::Timer1_Timer);
    connect(File1, &FileListBox::PathChange, this, &frmLM::File1_PathChange);
    connect(Command1, &QPushButton::clicked, this, &frmLM::Command1_Click);
    connect(Command5, &QPushButton::clicked, this, &frmLM::Command5_Click);
    connect(Command2, &QPushButton::clicked, this, &frmLM::Command2_Click);

    connect(tabs1, &QTabWidget::currentChanged, this, [this](int index) {
        const int previous = currentTab_;
        currentTab_ = index;
        tabs1_Click(previous);
        UpdateSelectionPanel();
    });
}

}  // namespace lexmill
