#include "frmop.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <string>
#include <utility>

#include "BrowseDirectorysOnly.h"
#include "CommandButton.h"
#include "FilterKeyInput.h"
#include "MessageBox.h"
#include "SettingConversions.h"
#include "SettingsCatalogue.h"
#include "TextConvert.h"

namespace lexmill {

namespace opt = catalogue::options;

namespace {

constexpr int kSpecify = 2;
constexpr int kCurrent = 1;

QLabel* MakeLabel(const char* name, const QString& caption, QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    return label;
}

// What the old directory search accepted: any entry of that name, a file or a
// dangling link included. A path that cannot be examined counts as missing.
bool EntryExists(const QString& path) {
    const QFileInfo entry(path);
    return entry.exists() || entry.isSymLink();
}

}  // namespace

frmop::frmop(std::filesystem::path settingsFile, QWidget* parent)
    : QDialog(parent), settings_(std::move(settingsFile)) {
    settings_.setCompany(catalogue::kCompany);
    settings_.setAppName(catalogue::kAppName);
    setObjectName(QStringLiteral("frmop"));
    setWindowTitle(tr("Lexmill Options"));
    if (parent) setWindowModality(Qt::WindowModal);
    BuildControls();

    for (QRadioButton* option : optstfl_)
        connect(option, &QRadioButton::toggled, this, &frmop::optstfl_Click);
    connect(Combo1, &QComboBox::currentIndexChanged, this, &frmop::Combo1_Click);
    connect(Check1, &QCheckBox::toggled, this, &frmop::Check1_Click);
    connect(Command1, &QPushButton::clicked, this, &frmop::Command1_Click);
    connect(Command3, &QPushButton::clicked, this, &frmop::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &frmop::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &frmop::Command5_Click);

    Form_Load();
}

void frmop::setShowHelpTopic(std::function<void(int)> showHelpTopic) {
    showHelpTopic_ = std::move(showHelpTopic);
}

void frmop::BuildControls() {
    Frame1 = new QGroupBox(tr("Startup Folder:"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto* group = new QButtonGroup(this);
    const QString captions[] = {tr("Last Used"), tr("Current"), tr("Specify:")};
    for (int i = 0; i < 3; ++i) {
        optstfl_[i] = new QRadioButton(captions[i], Frame1);
        optstfl_[i]->setObjectName(QStringLiteral("optstfl(%1)").arg(i));
        group->addButton(optstfl_[i], i);
    }
    Text1 = new QLineEdit(Frame1);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setMinimumWidth(2985 / 15);
    Command1 = MakeButton("Command1", QStringLiteral("..."), Frame1);
    Command1->setFixedWidth(585 / 15);

    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(Text1, 1);
    folderRow->addWidget(Command1);
    auto* frame1Layout = new QVBoxLayout(Frame1);
    for (QRadioButton* option : optstfl_) frame1Layout->addWidget(option);
    frame1Layout->addLayout(folderRow);

    Frame2 = new QGroupBox(tr("Startup File Filter"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Check1 = new QCheckBox(tr("Last Used"), Frame2);
    Check1->setObjectName(QStringLiteral("Check1"));
    Label1 = MakeLabel("Label1", tr("Select One:"), Frame2);
    Combo1 = new QComboBox(Frame2);  // not editable: a choice only
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setMinimumWidth(1485 / 15);
    Label3 = MakeLabel("Label3", tr("Custom Filter:"), Frame2);
    Text2 = new QLineEdit(Frame2);
    Text2->setObjectName(QStringLiteral("Text2"));
    FilterKeyInput::installOn(Text2);
    Label1->setBuddy(Combo1);
    Label3->setBuddy(Text2);

    auto* frame2Layout = new QGridLayout(Frame2);
    frame2Layout->addWidget(Check1, 0, 0, 4, 1, Qt::AlignVCenter);
    frame2Layout->addWidget(Label1, 0, 1);
    frame2Layout->addWidget(Combo1, 1, 1);
    frame2Layout->addWidget(Label3, 2, 1);
    frame2Layout->addWidget(Text2, 3, 1);
    frame2Layout->setColumnStretch(0, 1);
    frame2Layout->setColumnMinimumWidth(0, 1605 / 15);

    Command5 = MakeButton("Command5", tr("Help"), this);
    Command4 = MakeButton("Command4", tr("Cancel"), this);
    Command3 = MakeButton("Command3", tr("Save"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* button : {Command5, Command4, Command3}) {
        button->setMinimumWidth(945 / 15);
        buttons->addWidget(button);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    layout->addWidget(Frame2);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

// Fills every control from the store. Values only an outside edit can produce
// (an option or filter index the dialog never writes) show the defaults.
void frmop::Form_Load() {
    int option = leadingNumber(settings_.GetSetting(
        opt::kSectionInOptionsDialog, opt::kStartupFolderOption, opt::kStartupFolderOptionDefault));
    if (option < 0 || option > kSpecify) option = kCurrent;
    optstfl_[option]->setChecked(true);
    optstfl_Click();
    // Shown whatever the option, so choosing "Specify:" offers it again.
    Text1->setText(FromUtf8(settings_.GetSetting(opt::kSection, opt::kStartupFolder, "")));

    Combo1->addItems({tr("Text Files"), tr("HTML Files"), tr("All Files"), tr("Custom")});
    int filter = leadingNumber(
        settings_.GetSetting(opt::kSection, opt::kStartupFilter, opt::kStartupFilterDefault));
    if (filter < opt::kFilterTextFiles || filter > opt::kFilterCustom)
        filter = opt::kFilterTextFiles;
    Combo1->setCurrentIndex(filter);
    Combo1_Click();
    if (Combo1->currentIndex() == opt::kFilterCustom)
        Text2->setText(FromUtf8(settings_.GetSetting(opt::kSection, opt::kCustomStartupFilter,
                                                     opt::kCustomStartupFilterDefault)));

    Check1->setChecked(
        settings_.GetSetting(opt::kSection, opt::kStartupFilter, opt::kStartupFilterDefault) ==
        opt::kLastUsedFilterChoice);
}

int frmop::SelectedOption() const {
    for (int i = 0; i < 3; ++i)
        if (optstfl_[i]->isChecked()) return i;
    return -1;
}

void frmop::optstfl_Click() {
    const bool specify = optstfl_[kSpecify]->isChecked();
    Text1->setEnabled(specify);
    Command1->setEnabled(specify);
}

void frmop::Combo1_Click() {
    const bool custom = Combo1->currentIndex() == opt::kFilterCustom;
    Label3->setEnabled(custom);
    Text2->setEnabled(custom);
}

void frmop::Check1_Click() {
    const bool choose = !Check1->isChecked();
    Combo1->setEnabled(choose);
    Label1->setEnabled(choose);
    const bool custom = choose && Combo1->currentIndex() == opt::kFilterCustom;
    Text2->setEnabled(custom);
    Label3->setEnabled(custom);
}

void frmop::Command1_Click() {
    const QString folder = BrowseForFolder(this, tr("Select folder..."), QDir::currentPath());
    if (!folder.isEmpty()) Text1->setText(folder);
}

void frmop::Command3_Click() {
    const QString oops = tr("Oops!");
    const int option = SelectedOption();
    const bool custom = Combo1->currentIndex() == opt::kFilterCustom;
    if (option == kSpecify && !Text1->text().isEmpty() && !EntryExists(Text1->text())) {
        MsgBox(this,
               tr("The folder you specified does not exist. Please type a valid folder name in "
                  "the space provided, press the browse button to select a folder, or choose "
                  "another option."),
               oops, QMessageBox::Warning);
        Text1->setFocus();
        Text1->clear();
        return;
    }
    if (custom && Text2->text().isEmpty()) {
        MsgBox(this,
               tr("You have selected \"Custom\" as your startup file filter but have not "
                  "specified a custom filter. Please specify a custom filter or choose another "
                  "filter from the list."),
               oops, QMessageBox::Warning);
        return;
    }
    if (option == kSpecify && Text1->text().isEmpty()) {
        MsgBox(this,
               tr("You have selected to specify your startup folder but have not specified a "
                  "folder. Please type a folder name in the space provided, press the browse "
                  "button to specify a folder, or select another option."),
               oops, QMessageBox::Warning);
        return;
    }

    try {
        settings_.SaveSetting(opt::kSection, opt::kStartupFolderOption, std::to_string(option));
        if (option == kSpecify)
            settings_.SaveSetting(opt::kSection, opt::kStartupFolder, ToUtf8(Text1->text()));
        settings_.SaveSetting(opt::kSection, opt::kStartupFilter,
                              Check1->isChecked() ? std::string(opt::kLastUsedFilterChoice)
                                                  : std::to_string(Combo1->currentIndex()));
        if (custom)
            settings_.SaveSetting(opt::kSection, opt::kCustomStartupFilter, ToUtf8(Text2->text()));
    } catch (const std::exception& e) {
        return SettingsNotSaved(this, e.what());
    }
    accept();
}

void frmop::Command4_Click() {
    reject();
}

void frmop::Command5_Click() {
    if (showHelpTopic_) showHelpTopic_(kHelpContext);
}

}  // namespace lexmill
