// The main window's controls: building the two tabs and the status bar, and the window's size.
#include "frmLMControls.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "BatchRunHost.h"
#include "CommandButton.h"
#include "FileListBox.h"
#include "FilterKeyInput.h"
#include "PictureBox.h"
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

QGroupBox* BuildFrame1(frmLMControls& ui) {
    auto* Frame1 = Named(new QGroupBox(QObject::tr("Select Files:")), "Frame1");
    ui.Label2 = Caption(QString(), Frame1, "Label2");
    ui.Label2->setFrameStyle(QFrame::Box | QFrame::Plain);
    // The label never widens the frame: the refresh shortens long folders.
    ui.Label2->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    ui.File1 = new FileListBox(Frame1);
    ui.File1->viewport()->setMouseTracking(true);
    auto* Label1 = Caption(QObject::tr("Display:"), Frame1, "Label1");
    ui.Combo1 = Named(new QComboBox(Frame1), "Combo1");
    ui.Combo1->setEditable(false);
    // Never narrower than its longest filter name, beside the Subfolders box.
    ui.Combo1->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    ui.chkSubfolders = CheckBox(QObject::tr("S&ubfolders"), Frame1, "chkSubfolders", false);
    ui.Label13 = Caption(QObject::tr("Specify Custom Filter:"), Frame1, "Label13");
    ui.Text3 = Named(new QLineEdit(Frame1), "Text3");
    FilterKeyInput::installOn(ui.Text3);
    ui.Label13->setEnabled(false);  // until "Custom" is chosen
    ui.Text3->setEnabled(false);
    ui.Command1 = MakeButton("Command1", QObject::tr("Select &All Files"), Frame1);
    ui.Command5 = MakeButton("Command5", QObject::tr("&Refresh"), Frame1);
    ui.Command2 = MakeButton("Command2", QObject::tr("Select &Folder"), Frame1);

    auto* layout = new QVBoxLayout(Frame1);
    layout->addWidget(ui.Label2);
    layout->addWidget(ui.File1, 1);
    // The Display row keeps to itself, so that the custom filter's longer
    // label never narrows the box below its longest entry.
    auto* display = new QHBoxLayout;
    display->addWidget(Label1);
    display->addWidget(ui.Combo1);
    display->addWidget(ui.chkSubfolders);
    display->addStretch(1);
    layout->addLayout(display);
    auto* filters = new QGridLayout;
    filters->addWidget(ui.Label13, 0, 0);
    filters->addWidget(ui.Text3, 0, 1);
    filters->setColumnStretch(1, 1);
    layout->addLayout(filters);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(Px(60));
    buttons->addWidget(ui.Command1);
    buttons->addWidget(ui.Command5);
    buttons->addWidget(ui.Command2);
    layout->addLayout(buttons);
    AtLeast(Frame1, 3675, 5145);
    return Frame1;
}

QGroupBox* BuildFrame2(frmLMControls& ui) {
    auto* Frame2 = Named(new QGroupBox(QObject::tr("Search and Replace:")), "Frame2");
    auto* Label9 = Caption(QObject::tr("Search For:"), Frame2, "Label9");
    ui.Label10 = LinkLabel(Frame2, "Label10");
    ui.Text1 = TextBox(Frame2, "Text1");
    ui.Label8 = Caption(QObject::tr("Replace With:"), Frame2, "Label8");
    ui.Label12 = LinkLabel(Frame2, "Label12");
    ui.Text2 = TextBox(Frame2, "Text2");
    ui.Text1->setMinimumSize(Px(3915), Px(1905));
    ui.Text2->setMinimumSize(Px(3915), Px(1905));
    ui.Check3 = CheckBox(QObject::tr("Search &Only"), Frame2, "Check3", false);
    ui.Check4 = CheckBox(QObject::tr("Match &Case"), Frame2, "Check4", false);
    ui.chkRegex = CheckBox(QObject::tr("Re&gular Expression"), Frame2, "chkRegex", false);
    ui.Check1 = CheckBox(QObject::tr("Make &Backups"), Frame2, "Check1", true);
    ui.Command3 = MakeButton("Command3", QObject::tr("&Start"), Frame2);
    ui.picProgress = Named(new PictureBox(Frame2), "picProgress");
    ui.picProgress->hide();

    auto* layout = new QGridLayout(Frame2);
    layout->addWidget(Label9, 0, 0);
    layout->addWidget(ui.Label10, 0, 1, Qt::AlignRight);
    layout->addWidget(ui.Text1, 1, 0, 1, 2);
    layout->addWidget(ui.Label8, 2, 0);
    layout->addWidget(ui.Label12, 2, 1, Qt::AlignRight);
    layout->addWidget(ui.Text2, 3, 0, 1, 2);
    auto* bottom = new QGridLayout;
    bottom->addWidget(ui.Check3, 0, 0);
    bottom->addWidget(ui.Check4, 0, 1);
    bottom->addWidget(ui.chkRegex, 0, 2);
    bottom->addWidget(ui.Check1, 1, 0);
    bottom->addWidget(ui.Command3, 1, 1, 1, 2);
    layout->addLayout(bottom, 4, 0, 1, 2);
    layout->setRowStretch(1, 1);
    layout->setRowStretch(3, 1);
    AtLeast(Frame2, 4155, 5145);
    return Frame2;
}

QGroupBox* BuildFrame5(frmLMControls& ui) {
    auto* Frame5 = Named(new QGroupBox(QObject::tr("Text Tally:")), "Frame5");
    auto* Label3 = Caption(QObject::tr("Enter a Keyword or Phrase (Optional):"), Frame5, "Label3");
    ui.KWtext = Named(new QLineEdit(Frame5), "KWtext");
    ui.Command6 = MakeButton("Command6", QObject::tr("&Tally"), Frame5);
    ui.numcharF = ResultLabel(Frame5, "numcharF");
    ui.numwrdsF = ResultLabel(Frame5, "numwrdsF");
    ui.numlnsF = ResultLabel(Frame5, "numlnsF");
    ui.labelkw = ResultLabel(Frame5, "labelkw");

    auto* grid = new QGridLayout(Frame5);
    grid->setVerticalSpacing(2);
    grid->addWidget(Label3, 0, 0, 1, 2);
    grid->addWidget(ui.KWtext, 0, 2, 1, 1);
    grid->addWidget(ui.Command6, 0, 3);
    AddResults(grid, 1, Frame5, ui.numcharF, ui.numwrdsF, ui.numlnsF, ui.labelkw);
    AtLeast(Frame5, 7935, 1155);
    return Frame5;
}

QWidget* BuildFileTab(frmLMControls& ui) {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(Px(90), Px(60), Px(90), Px(90));
    grid->setSpacing(Px(105));
    grid->addWidget(BuildFrame1(ui), 0, 0);
    grid->addWidget(BuildFrame2(ui), 0, 1);
    grid->addWidget(BuildFrame5(ui), 1, 0, 1, 2);
    grid->setColumnStretch(0, 3675);
    grid->setColumnStretch(1, 4155);
    grid->setRowStretch(0, 1);
    return page;
}

QWidget* BuildTextTab(frmLMControls& ui) {
    auto* page = new QWidget;
    ui.Text4 = Named(new QPlainTextEdit(page), "Text4");
    ui.Text4->setReadOnly(true);  // the clipboard monitor starts on
    ui.Text4->setLineWrapMode(QPlainTextEdit::NoWrap);
    ui.Text4->setMinimumSize(Px(7905), Px(5115));

    auto* Frame6 = Named(new QGroupBox(QObject::tr("Text Tally:"), page), "Frame6");
    auto* Label19 =
        Caption(QObject::tr("Enter a Keyword or Phrase (Optional):"), Frame6, "Label19");
    ui.KWtext2 = Named(new QLineEdit(Frame6), "KWtext2");
    ui.Command4 = MakeButton("Command4", QObject::tr("Tally"), Frame6);
    ui.Check2 = CheckBox(QObject::tr("Monitor Clipboard"), Frame6, "Check2", true);
    ui.numcharT = ResultLabel(Frame6, "numcharT");
    ui.numwrdsT = ResultLabel(Frame6, "numwrdsT");
    ui.numlinesT = ResultLabel(Frame6, "numlinesT");
    ui.labelkw2 = ResultLabel(Frame6, "labelkw2");

    auto* grid = new QGridLayout(Frame6);
    grid->setVerticalSpacing(2);
    grid->addWidget(Label19, 0, 0, 1, 2);
    grid->addWidget(ui.KWtext2, 0, 2);
    grid->addWidget(ui.Command4, 0, 3);
    grid->addWidget(ui.Check2, 0, 4);
    AddResults(grid, 1, Frame6, ui.numcharT, ui.numwrdsT, ui.numlinesT, ui.labelkw2);
    AtLeast(Frame6, 7935, 1155);

    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(Px(90), Px(60), Px(90), Px(90));
    layout->setSpacing(Px(90));
    layout->addWidget(ui.Text4, 1);
    layout->addWidget(Frame6);
    return page;
}

}  // namespace

frmLMControls frmLMControls::Build(QMainWindow* window) {
    frmLMControls ui;
    auto* central = new QWidget(window);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(Px(30), Px(30), Px(30), 0);
    ui.tabs1 = Named(new QTabWidget(central), "tabs1");
    ui.tabs1->addTab(BuildFileTab(ui), QObject::tr("File Operations"));
    ui.tabs1->addTab(BuildTextTab(ui), QObject::tr("Text Block Operations"));
    AtLeast(ui.tabs1, 8175, 6825);
    layout->addWidget(ui.tabs1);
    window->setCentralWidget(central);

    ui.sbStatusbar = window->statusBar();
    ui.sbStatusbar->setObjectName(QStringLiteral("sbStatusbar"));
    ui.sbStatusbar->setSizeGripEnabled(false);
    ui.panels[0] = new StatusPanel(QString(), Px(3360), ui.sbStatusbar);
    ui.panels[1] = new StatusPanel(QString(), Px(1440), ui.sbStatusbar);
    ui.panels[2] = new StatusPanel(QStringLiteral("pnlProgress"), Px(3360), ui.sbStatusbar);
    for (StatusPanel* panel : ui.panels) ui.sbStatusbar->addWidget(panel);
    ui.panels[0]->setText(BatchRunHost::IdleText());
    ui.panels[0]->setToolTip(BatchRunHost::IdleText());
    return ui;
}

void frmLMControls::FixWindowSize(QMainWindow* window) const {
    // The design size, or more where this desktop's fonts need it.
    window->layout()->activate();
    const QSize design(Px(8235), Px(7140) + window->menuBar()->sizeHint().height());
    const QSize size = design.expandedTo(window->minimumSizeHint());
    window->setFixedSize(size);
    // The hint panel takes what its longest text needs; the other two share the rest.
    const int hint = std::max(
        Px(1440),
        panels[1]->fontMetrics().horizontalAdvance(QObject::tr("Press \"Esc\" to cancel.")) + 12);
    const int rest = (size.width() - hint - 32) / 2;
    panels[0]->setFixedWidth(rest);
    panels[1]->setFixedWidth(hint);
    panels[2]->setFixedWidth(rest);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window->move(screen->availableGeometry().center() - window->rect().center());
}

}  // namespace lexmill
