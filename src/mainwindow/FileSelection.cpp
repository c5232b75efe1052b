#include "FileSelection.h"

#include <sys/stat.h>

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QEventLoop>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTimer>
#include <QToolTip>

#include "BatchRunHost.h"
#include "BrowseDirectorysOnly.h"
#include "FileListBox.h"
#include "MessageBox.h"
#include "StatusPanel.h"
#include "TextConvert.h"
#include "TextEditor.h"
#include "ToolTipText.h"
#include "batch/Module1.h"
#include "frmLMControls.h"

namespace lexmill {

namespace {

// The patterns of the filter list's first three items.
const char* const kPatterns[] = {"*.txt", "*.htm;*.html;*.shtml*", "*.*"};
constexpr int kCustom = 3;

QString PatternOrAll(const QString& text) {
    return text.isEmpty() ? QStringLiteral("*.*") : text;
}

}  // namespace

FileSelection::FileSelection(QWidget* window, Module1& m, const frmLMControls& ui,
                             QString textEditor, PopupMenu popup)
    : window_(window),
      m_(m),
      ui_(ui),
      textEditor_(std::move(textEditor)),
      popup_(std::move(popup)) {}

void FileSelection::GetSelectedFiles() {
    SetSelection(m_, ui_.File1->LocalPath(), ui_.File1->SelectedLocalNames());
}

void FileSelection::SetFolder(const std::string& folder) {
    ui_.File1->setLocalPath(folder);
}

void FileSelection::ShowFolder() {
    ui_.Label2->setText(ui_.File1->Path());
    UpdateFolderLabel();
}

void FileSelection::SayUnreadableFolders() {
    const QStringList& folders = ui_.File1->UnreadableFolders();
    if (folders.isEmpty()) return;
    MsgBox(window_,
           QObject::tr("These folders could not be read, so their files are not listed:\n\n") +
               folders.join(QLatin1Char('\n')),
           QObject::tr("Warning"), QMessageBox::Warning);
}

void FileSelection::Combo1_Click() {
    const int index = ui_.Combo1->currentIndex();
    if (index < 0) return;
    const bool custom = index == kCustom;
    ui_.Label13->setEnabled(custom);
    ui_.Text3->setEnabled(custom);
    ui_.File1->setPattern(custom ? PatternOrAll(ui_.Text3->text())
                                 : QString::fromLatin1(kPatterns[index]));
}

void FileSelection::Text3_Change() {
    ui_.File1->setPattern(PatternOrAll(ui_.Text3->text()));
}

bool FileSelection::File1_Click() {
    const QString name = ui_.File1->FileName();
    if (name == LastFile) return false;
    LastFile = name;
    return true;
}

void FileSelection::Command1_Click() {
    // A listing of subfolders still under way is waited for, with the
    // hourglass, so that every file of it is selected; Esc stops the wait
    // and selects nothing.
    if (ui_.File1->IsListing()) {
        m_.CancelRequested = false;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        QEventLoop wait;
        const QMetaObject::Connection done =
            QObject::connect(ui_.File1, &FileListBox::ListingDone, &wait, &QEventLoop::quit);
        QTimer poll;  // a listing dropped for another, or Esc
        QObject::connect(&poll, &QTimer::timeout, &wait, [this, &wait] {
            if (!ui_.File1->IsListing() || m_.CancelRequested) wait.quit();
        });
        poll.start(100);
        UpdateListingStatus();
        wait.exec();
        QObject::disconnect(done);
        QApplication::restoreOverrideCursor();
        if (m_.CancelRequested || ui_.File1->IsListing()) return;
    }
    ui_.File1->selectAll();
    // Start acts on the file that has the focus: give it to the first when none has it.
    if (!ui_.File1->currentItem() && ui_.File1->count() > 0)
        ui_.File1->setCurrentRow(0, QItemSelectionModel::NoUpdate);
}

void FileSelection::Command5_Click() {
    ui_.File1->Refresh();
}

void FileSelection::Command2_Click() {
    const QString folder =
        BrowseForFolder(window_, QObject::tr("Select folder..."), ui_.File1->Path());
    // Cancelled, or not a folder: the work folder stays as it was.
    if (folder.isEmpty() || !ui_.File1->setPath(folder)) return;
    ShowFolder();
}

void FileSelection::mnuFileOpenDA_Click() {
    GetSelectedFiles();
    if (m_.SelCount != 1) return;
    if (!ShellOpen(window_, LocalFileTarget(m_.SelPaths[0])))
        MsgBox(window_,
               QObject::tr("Lexmill could not open this file:\n%1\n\nNo application is set up to "
                           "open files of this type.")
                   .arg(FromLocalPath(m_.SelPaths[0])),
               QObject::tr("Error"), QMessageBox::Critical);
}

void FileSelection::mnuFileOpenNp_Click() {
    GetSelectedFiles();
    if (m_.SelCount < 1) return;
    OpenLocalPathInTextEditor(window_, textEditor_, m_.SelPaths[0]);
}

void FileSelection::UpdateFileToolTip(const QPoint& viewportPos) {
    FileListBox* list = ui_.File1;
    std::string folder = list->LocalPath();
    if (folder.empty() || folder.back() != '/') folder += '/';
    const int row = list->ItemFromPoint(viewportPos);
    if (row < 0 || row >= list->count()) {
        list->setToolTip(QString());
        return;
    }
    const QString name = list->item(row)->text();
    struct stat info {};
    if (::stat((folder + list->LocalName(row)).c_str(), &info) != 0)
        return;  // gone meanwhile: the tooltip stays
    const QLocale locale = QLocale::system();
    const QDateTime modified = QDateTime::fromMSecsSinceEpoch(qint64(info.st_mtim.tv_sec) * 1000 +
                                                              info.st_mtim.tv_nsec / 1000000);
    const QString when = locale.toString(modified.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
                         locale.toString(modified.time(), QStringLiteral("HH:mm:ss"));
    list->setToolTip(name + QStringLiteral("...") + when + QStringLiteral("...") +
                     QString::number(qint64(info.st_size)) + QObject::tr(" bytes"));
}

void FileSelection::UpdateSelectionPanel() {
    if (m_.Busy) return;
    if (ui_.tabs1->currentIndex() == 0)
        ui_.panels[2]->setText(QObject::tr("%1 file(s) selected.").arg(ui_.File1->SelCount()));
    else
        ui_.panels[2]->setText(QString());
}

void FileSelection::UpdateListingStatus() {
    if (m_.Busy) return;
    if (ui_.File1->IsListing()) {
        ui_.panels[0]->setText(
            QObject::tr("Listing... %1 files so far").arg(QLocale().toString(ui_.File1->count())));
        listingShown_ = true;
    } else if (listingShown_) {
        // Links out of the work folder are not listed: the user hears how many.
        const std::size_t out = ui_.File1->LinksLeadingOut();
        ui_.panels[0]->setText(out == 0
                                   ? BatchRunHost::IdleText()
                                   : QObject::tr("Links out of the folder passed over: %1")
                                         .arg(QLocale().toString(static_cast<qulonglong>(out))));
        listingShown_ = false;
    }
}

void FileSelection::UpdateFolderLabel() {
    if (m_.Busy) return;
    // The label shows at most 33 characters; the full folder is its tooltip.
    if (ui_.Label2->text().size() > 33)
        ui_.Label2->setText(ui_.Label2->text().left(30) + QStringLiteral("..."));
    ui_.Label2->setToolTip(ToolTipText(ui_.File1->Path()));
}

bool FileSelection::ListEvent(QObject* watched, QEvent* event) {
    FileListBox* list = ui_.File1;
    if (watched != list->viewport() && watched != list) return false;
    const bool viewport = watched == list->viewport();
    switch (event->type()) {
        case QEvent::MouseMove:
            if (viewport) {
                const auto* mouse = static_cast<QMouseEvent*>(event);
                if (mouse->buttons() == Qt::NoButton)
                    UpdateFileToolTip(mouse->position().toPoint());
            }
            return false;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            // The right button leaves the selection as it is.
            return viewport && static_cast<QMouseEvent*>(event)->button() == Qt::RightButton;
        case QEvent::MouseButtonRelease: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (!viewport || mouse->button() != Qt::RightButton) return false;
            popup_(mouse->globalPosition().toPoint());
            return true;
        }
        case QEvent::ContextMenu:
            return true;
        case QEvent::ToolTip:
            if (!viewport) return false;
            if (list->toolTip().isEmpty())
                QToolTip::hideText();
            else
                QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(),
                                   ToolTipText(list->toolTip()), list);
            return true;
        default:
            return false;
    }
}

}  // namespace lexmill
