#include "SavedOptions.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>

#include "FileListBox.h"
#include "FileSelection.h"
#include "SettingConversions.h"
#include "SettingsCatalogue.h"
#include "TextConvert.h"
#include "frmLMControls.h"

namespace lexmill {

namespace opt = catalogue::options;

SavedOptions::SavedOptions(QWidget* window, std::filesystem::path settingsFile,
                           const frmLMControls& ui, FileSelection& files)
    : window_(window), settings_(std::move(settingsFile)), ui_(ui), files_(files) {
    settings_.setCompany(catalogue::kCompany);
    settings_.setAppName(catalogue::kAppName);
}

void SavedOptions::Form_Load() {
    isLoading_ = true;
    ui_.Label2->setText(ui_.File1->Path());
    {
        const QSignalBlocker blocker(ui_.Combo1);
        ui_.Combo1->clear();
        ui_.Combo1->addItems({QObject::tr("Text Files"), QObject::tr("HTML Files"),
                              QObject::tr("All Files"), QObject::tr("Custom")});
        ui_.Combo1->setCurrentIndex(-1);
    }
    ChooseStartupFilter();
    ChooseStartupFolder();
    RestoreCheckBoxes();
    isLoading_ = false;
}

void SavedOptions::ChooseStartupFilter() {
    QComboBox* combo = ui_.Combo1;
    const auto setIndex = [combo](int index) {
        if (index >= -1 && index < combo->count()) combo->setCurrentIndex(index);
    };
    const std::string s =
        settings_.GetSetting(opt::kSection, opt::kStartupFilter, opt::kStartupFilterDefault);
    std::string_view customKey = opt::kCustomStartupFilter;
    std::string_view customDefault = opt::kCustomStartupFilterDefault;
    if (s == opt::kLastUsedFilterChoice) {
        setIndex(leadingNumber(settings_.GetSetting(opt::kSection, opt::kLastUsedFilter,
                                                    opt::kLastUsedFilterDefault)));
        customKey = opt::kLastUsedCustomFilter;
        customDefault = opt::kLastUsedCustomFilterDefault;
    } else {
        setIndex(leadingNumber(s));
    }
    if (combo->currentIndex() == opt::kFilterCustom)
        ui_.Text3->setText(
            FromLocalPath(settings_.GetSetting(opt::kSection, customKey, customDefault)));
}

void SavedOptions::ChooseStartupFolder() {
    std::error_code ec;
    const std::string current = std::filesystem::current_path(ec).native();  // its bytes
    const std::string o = settings_.GetSetting(opt::kSection, opt::kStartupFolderOption, current);
    if (o == current || o == opt::kStartInCurrentDirectory) {
        files_.SetFolder(current);
    } else if (o == opt::kStartInLastUsedFolder) {
        files_.SetFolder(settings_.GetSetting(opt::kSection, opt::kLastUsedFolder, current));
    } else if (o == opt::kStartInStartupFolder) {
        files_.SetFolder(settings_.GetSetting(opt::kSection, opt::kStartupFolder, current));
    }
}

void SavedOptions::RestoreCheckBoxes() {
    const auto restore = [this](QCheckBox* box, std::string_view key, std::string_view fallback) {
        const auto value = strictNumber(settings_.GetSetting(opt::kSection, key, fallback));
        // A plain two-state box takes 0 or 1; any other value is skipped.
        if (value && (*value == 0 || *value == 1)) box->setChecked(*value == 1);
    };
    restore(ui_.Check1, opt::kMakeBackups, opt::kMakeBackupsDefault);
    restore(ui_.Check3, opt::kSearchOnly, opt::kSearchOnlyDefault);
    restore(ui_.Check4, opt::kMatchCase, opt::kMatchCaseDefault);
    restore(ui_.chkRegex, opt::kRegularExpression, opt::kRegularExpressionDefault);
    restore(ui_.chkSubfolders, opt::kSubfolders, opt::kSubfoldersDefault);
}

void SavedOptions::Form_QueryUnload() {
    unloaded_ = true;
    // Every other window of the program, shown or hidden; pop-ups close themselves.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = window->windowType();
        if (window != window_ && type != Qt::Popup && type != Qt::ToolTip) window->close();
    }
}

void SavedOptions::Form_Unload() {
    const auto checked = [](const QCheckBox* box) {
        return std::string(box->isChecked() ? "1" : "0");
    };
    settings_.SaveSetting(opt::kSection, opt::kLastUsedFolder, ui_.File1->LocalPath());
    settings_.SaveSetting(opt::kSection, opt::kLastUsedFilter,
                          std::to_string(ui_.Combo1->currentIndex()));
    settings_.SaveSetting(opt::kSection, opt::kLastUsedCustomFilter,
                          ToLocalPath(ui_.Text3->text()));
    settings_.SaveSetting(opt::kSection, opt::kMakeBackups, checked(ui_.Check1));
    settings_.SaveSetting(opt::kSection, opt::kSearchOnly, checked(ui_.Check3));
    settings_.SaveSetting(opt::kSection, opt::kMatchCase, checked(ui_.Check4));
    settings_.SaveSetting(opt::kSection, opt::kRegularExpression, checked(ui_.chkRegex));
    settings_.SaveSetting(opt::kSection, opt::kSubfolders, checked(ui_.chkSubfolders));
}

}  // namespace lexmill
