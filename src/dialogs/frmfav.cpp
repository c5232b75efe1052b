#include "frmfav.h"

#include <QAction>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "BrowseDirectorysOnly.h"
#include "CommandButton.h"
#include "MessageBox.h"
#include "SettingsCatalogue.h"
#include "TextConvert.h"

namespace lexmill {

namespace fav = catalogue::favorites;

namespace {

void UseProgramSettings(CRegSettings& settings) {
    settings.setCompany(catalogue::kCompany);
    settings.setAppName(catalogue::kAppName);
}

}  // namespace

QString frmfav::EmptyCaption() {
    return QStringLiteral("(Empty)");
}

QString frmfav::MenuCaption(int slot, const QString& path, bool accessKey) {
    QString escaped = path;
    escaped.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return (accessKey ? QStringLiteral("&") : QString()) + QString::number(slot + 1) +
           QStringLiteral(".  ") + escaped;
}

frmfav::frmfav(const FavoritesMenuEntries& favs, QString fileListFolder,
               std::filesystem::path settingsFile, QWidget* parent)
    : QDialog(parent),
      favs_(favs),
      fileListFolder_(std::move(fileListFolder)),
      settingsFile_(std::move(settingsFile)),
      settings_(settingsFile_) {
    setObjectName(QStringLiteral("frmfav"));
    setWindowTitle(tr("Edit Favorite Folders"));
    setModal(true);

    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setMinimumSize(3510 / 15, 2400 / 15);
    Command3 = MakeButton(QStringLiteral("Command3"), tr("&Cancel"), this);
    Command2 = MakeButton(QStringLiteral("Command2"), tr("&Add"), this);
    Command1 = MakeButton(QStringLiteral("Command1"), tr("&Remove"), this);
    Command4 = MakeButton(QStringLiteral("Command4"), tr("&Done"), this);
    for (QPushButton* b : {Command1, Command2, Command3, Command4}) b->setMinimumWidth(825 / 15);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {Command3, Command2, Command1, Command4}) buttons->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(List1, 1);
    layout->addLayout(buttons);

    connect(Command1, &QPushButton::clicked, this, &frmfav::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmfav::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &frmfav::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &frmfav::Command4_Click);

    Form_Load();
}

void frmfav::Form_Load() {
    UseProgramSettings(settings_);
    List1->clear();
    // The menu's "(Empty)" marker says the store holds nothing worth reading.
    if (favs_[0] && favs_[0]->text() == EmptyCaption()) return;
    for (int slot = 0; slot < fav::kSlots; ++slot) {
        const std::string path =
            settings_.GetSetting(fav::kSectionInEditor, fav::slotKey(slot), fav::kSlotDefault);
        if (!path.empty()) AddEntry(path);
    }
}

void frmfav::AddEntry(const std::string& folder) {
    // Shown as text, kept as the folder's bytes, which need not be UTF-8.
    auto* item = new QListWidgetItem(FromLocalPath(folder), List1);
    item->setData(Qt::UserRole, QByteArray::fromStdString(folder));
}

void frmfav::Command1_Click() {
    const QList<QListWidgetItem*> selected = List1->selectedItems();
    if (selected.isEmpty()) return;
    const int position = List1->row(selected.first());
    delete List1->takeItem(position);
    if (List1->count() > 0) List1->setCurrentRow(std::min(position, List1->count() - 1));
}

void frmfav::Command2_Click() {
    if (List1->count() >= fav::kSlots) {
        MsgBox(this, tr("Favorite folder list cannot contain more than five entries."), tr("Oops!"),
               QMessageBox::Warning);
        return;
    }
    const QString folder = BrowseForFolder(this, tr("Add folder..."), fileListFolder_);
    if (folder.isEmpty()) return;
    for (int i = 0; i < List1->count(); ++i)
        if (List1->item(i)->text() == folder)
            return;  // exact: another letter case is another folder
    AddEntry(ToLocalPath(folder));
}

void frmfav::Command3_Click() {
    reject();
}

void frmfav::Command4_Click() {
    QStringList entries;
    std::vector<std::string> folders;
    for (int i = 0; i < List1->count(); ++i) {
        entries << List1->item(i)->text();
        folders.push_back(List1->item(i)->data(Qt::UserRole).toByteArray().toStdString());
    }
    CRegSettings settings(settingsFile_);
    UseProgramSettings(settings);
    try {
        for (int slot = 0; slot < fav::kSlots; ++slot) {
            const std::string key = fav::slotKey(slot);
            if (slot < entries.size() && !entries[slot].isEmpty())
                settings.SaveSetting(fav::kSectionInEditor, key, folders[slot]);
            else
                settings.DeleteSetting(fav::kSectionInEditor, key);
        }
    } catch (const std::exception& e) {
        return SettingsNotSaved(this, e.what());
    }
    UpdateMenu(entries);
    accept();
}

void frmfav::UpdateMenu(const QStringList& entries) {
    if (entries.isEmpty()) {
        for (int i = 1; i < fav::kSlots; ++i) {
            if (!favs_[i]) continue;
            favs_[i]->setVisible(false);
            favs_[i]->setText(QString());
        }
        if (favs_[0]) {
            favs_[0]->setEnabled(false);
            favs_[0]->setText(EmptyCaption());
            favs_[0]->setVisible(true);
        }
        return;
    }
    for (int i = 0; i < fav::kSlots; ++i) {
        QAction* entry = favs_[i];
        if (!entry) continue;
        const QString path = i < entries.size() ? entries[i] : QString();
        if (path.isEmpty()) {
            entry->setVisible(false);
            continue;
        }
        entry->setVisible(true);
        entry->setText(MenuCaption(i, path, true));
        entry->setEnabled(true);
    }
}

}  // namespace lexmill
