// File selection: the filters, the folder, the list's tooltip and pop-up
// menu, and the commands that open the selected file outside the program.
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QToolTip>

#include "BrowseDirectorysOnly.h"
#include "FileListBox.h"
#include "TextConvert.h"
#include "TextEditor.h"
#include "ToolTipText.h"
#include "frmLM.h"

namespace lexmill {

namespace {

// The patterns of the filter list's first three items.
const char* const kPatterns[] = {"*.txt", "*.htm;*.html;*.shtml*", "*.*"};
constexpr int kCustom = 3;

QString PatternOrAll(const QString& text) {
    return text.isEmpty() ? QStringLiteral("*.*") : text;
}

}  // namespace

void frmLM::GetSelectedFiles() {
    std::vector<std::string> names;
    const QStringList selected = File1->SelectedNames();
    names.reserve(static_cast<std::size_t>(selected.size()));
    for (const QString& name : selected) names.push_back(ToLocalPath(name));
    SetSelection(m_, ToLocalPath(File1->Path()), names);
}

void frmLM::SetPattern(const QString& pattern) {
    File1->setPattern(pattern);
}

void frmLM::SetFolder(const QString& folder) {
    File1->setPath(folder);  // a folder that is gone leaves the list where it is
}

void frmLM::Combo1_Click() {
    const int index = Combo1->currentIndex();
    if (index < 0) return;
    const bool custom = index == kCustom;
    Label13->setEnabled(custom);
    Text3->setEnabled(custom);
    SetPattern(custom ? PatternOrAll(Text3->text()) : QString::fromLatin1(kPatterns[index]));
}

void frmLM::Text3_Change() {
    SetPattern(PatternOrAll(Text3->text()));
}

void frmLM::File1_Click() {
    const QString name = File1->FileName();
    if (name == LastFile) return;
    LastFile = name;
    ClearFileTally();
}

void frmLM::File1_PathChange() {
    Label2->setText(File1->Path());
    ClearFileTally();
    UpdateFolderLabel();
}

void frmLM::Command1_Click() {
    File1->selectAll();
}

void frmLM::Command5_Click() {
    File1->Refresh();
}

void frmLM::Command2_Click() {
    const QString folder = chooseFolder_(this, tr("Select folder..."), File1->Path());
    // Cancelled, or not a folder: the work folder stays as it was.
    if (folder.isEmpty() || !File1->setPath(folder)) return;
    Label2->setText(File1->Path());
    UpdateFolderLabel();
}

void frmLM::UpdateFileToolTip(const QPoint& viewportPos) {
    QString folder = File1->Path();
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    const int row = File1->ItemFromPoint(viewportPos);
    if (row < 0 || row >= File1->count()) {
        File1->setToolTip(QString());
        return;
    }
    const QString name = File1->item(row)->text();
    const QFileInfo info(folder + name);
    if (!info.exists()) return;  // gone meanwhile: the tooltip stays
    const QLocale locale = QLocale::system();
    const QDateTime modified = info.lastModified();
    const QString when = locale.toString(modified.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
                         locale.toString(modified.time(), QStringLiteral("HH:mm:ss"));
    File1->setToolTip(name + QStringLiteral("...") + when + QStringLiteral("...") +
                      QString::number(info.size()) + tr(" bytes"));
}

void frmLM::mnuFileOpenDA_Click() {
    GetSelectedFiles();
    if (m_.SelCount != 1) return;
    ShellOpen(this, FromLocalPath(m_.SelPaths[0]));
}

void frmLM::mnuFileOpenNp_Click() {
    GetSelectedFiles();
    if (m_.SelCount < 1) return;
    OpenInTextEditor(this, textEditor_, FromLocalPath(m_.SelPaths[0]));
}

bool frmLM::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress: {
            const auto* key = static_cast<QKeyEvent*>(event);
            auto* widget = qobject_cast<QWidget*>(watched);
            if (key->key() == Qt::Key_Escape && widget && widget->window() == this)
                m_.CancelRequested = true;  // the key goes on to the control
            break;
        }
        case QEvent::MouseMove:
            if (watched == File1->viewport()) {
                const auto* mouse = static_cast<QMouseEvent*>(event);
                if (mouse->buttons() == Qt::NoButton)
                    UpdateFileToolTip(mouse->position().toPoint());
            }
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            if (LinkLabelEvent(watched, event)) return true;
            // The right button leaves the selection as it is.
            if (watched == File1->viewport() &&
                static_cast<QMouseEvent*>(event)->button() == Qt::RightButton)
                return true;
            break;
        case QEvent::MouseButtonRelease:
            if (LinkLabelEvent(watched, event)) return true;
            if (watched == File1->viewport()) {
                const auto* mouse = static_cast<QMouseEvent*>(event);
                if (mouse->button() == Qt::RightButton) {
                    ShowFilePopup(mouse->globalPosition().toPoint());
                    return true;
                }
            }
            break;
        case QEvent::ContextMenu:
            if (watched == File1->viewport() || watched == File1) return true;
            break;
        case QEvent::ToolTip:
            if (watched == File1->viewport()) {
                const auto* help = static_cast<QHelpEvent*>(event);
                if (File1->toolTip().isEmpty())
                    QToolTip::hideText();
                else
                    QToolTip::showText(help->globalPos(), ToolTipText(File1->toolTip()), File1);
                return true;
            }
            break;
        default:
            break;
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace lexmill
