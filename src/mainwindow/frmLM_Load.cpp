// Start-up from the settings store and the closing that saves the options.
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>

#include "FileListBox.h"
#include "SettingConversions.h"
#include "SettingsCatalogue.h"
#include "TextConvert.h"
#include "frmLM.h"

namespace lexmill {

namespace opt = catalogue::options;

// Every step that cannot be applied (a folder that is gone, an index out of
// range, a check box value that is no number) is skipped, and the next runs.
void frmLM::Form_Load() {
    isLoading_ = true;
    settings_ = std::make_unique<CRegSettings>(settingsFile_);
    settings_->setCompany(catalogue::kCompany);
    settings_->setAppName(catalogue::kAppName);
    LoadFavorites();
    Label2->setText(File1->Path());

    {
        const QSignalBlocker blocker(Combo1);
        Combo1->clear();
        Combo1->addItems({tr("Text Files"), tr("HTML Files"), tr("All Files"), tr("Custom")});
        Combo1->setCurrentIndex(-1);
    }
    ChooseStartupFilter();
    ChooseStartupFolder();
    RestoreCheckBoxes();
    isLoading_ = false;
    Timer1_Timer();
}

void frmLM::ChooseStartupFilter() {
    const auto setIndex = [this](int index) {
        if (index >= -1 && index < Combo1->count()) Combo1->setCurrentIndex(index);
    };
    const std::string s =
        settings_->GetSetting(opt::kSection, opt::kStartupFilter, opt::kStartupFilterDefault);
    std::string_view customKey = opt::kCustomStartupFilter;
    std::string_view customDefault = opt::kCustomStartupFilterDefault;
    if (s == opt::kLastUsedFilterChoice) {
        setIndex(leadingNumber(settings_->GetSetting(opt::kSection, opt::kLastUsedFilter,
                                                     opt::kLastUsedFilterDefault)));
        customKey = opt::kLastUsedCustomFilter;
        customDefault = opt::kLastUsedCustomFilterDefault;
    } else {
        setIndex(leadingNumber(s));
    }
    if (Combo1->currentIndex() == opt::kFilterCustom)
        Text3->setText(
            FromLocalPath(settings_->GetSetting(opt::kSection, customKey, customDefault)));
}

void frmLM::ChooseStartupFolder() {
    const QString current = QDir::currentPath();
    const std::string o =
        settings_->GetSetting(opt::kSection, opt::kStartupFolderOption, ToLocalPath(current));
    if (o == ToLocalPath(current) || o == opt::kStartInCurrentDirectory) {
        SetFolder(current);
    } else if (o == opt::kStartInLastUsedFolder) {
        SetFolder(FromLocalPath(
            settings_->GetSetting(opt::kSection, opt::kLastUsedFolder, ToLocalPath(current))));
    } else if (o == opt::kStartInStartupFolder) {
        SetFolder(FromLocalPath(
            settings_->GetSetting(opt::kSection, opt::kStartupFolder, ToLocalPath(current))));
    }
}

void frmLM::RestoreCheckBoxes() {
    const auto restore = [this](QCheckBox* box, std::string_view key, std::string_view fallback) {
        const auto value = strictNumber(settings_->GetSetting(opt::kSection, key, fallback));
        // A plain two-state box takes 0 or 1; any other value is skipped.
        if (value && (*value == 0 || *value == 1)) box->setChecked(*value == 1);
    };
    restore(Check1, opt::kMakeBackups, opt::kMakeBackupsDefault);
    restore(Check3, opt::kSearchOnly, opt::kSearchOnlyDefault);
    restore(Check4, opt::kMatchCase, opt::kMatchCaseDefault);
}

void frmLM::closeEvent(QCloseEvent* event) {
    if (!unloaded_) {
        unloaded_ = true;
        // A run still going on stops after its current file.
        if (m_.Busy) m_.CancelRequested = true;
        Form_QueryUnload();
        Form_Unload();
    }
    event->accept();
}

void frmLM::Form_QueryUnload() {
    // Every other window of the program, shown or hidden; pop-ups close themselves.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = window->windowType();
        if (window != this && type != Qt::Popup && type != Qt::ToolTip) window->close();
    }
}

void frmLM::Form_Unload() {
    const auto checked = [](const QCheckBox* box) {
        return std::string(box->isChecked() ? "1" : "0");
    };
    settings_->SaveSetting(opt::kSection, opt::kLastUsedFolder, ToLocalPath(File1->Path()));
    settings_->SaveSetting(opt::kSection, opt::kLastUsedFilter,
                           std::to_string(Combo1->currentIndex()));
    settings_->SaveSetting(opt::kSection, opt::kLastUsedCustomFilter, ToLocalPath(Text3->text()));
    settings_->SaveSetting(opt::kSection, opt::kMakeBackups, checked(Check1));
    settings_->SaveSetting(opt::kSection, opt::kSearchOnly, checked(Check3));
    settings_->SaveSetting(opt::kSection, opt::kMatchCase, checked(Check4));
}

}  // namespace lexmill
