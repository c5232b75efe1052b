#include "frmMetaCommand.h"

#include <QApplication>
#include <QCoreApplication>
#include <QPointer>
#include <QWidget>
#include <optional>
#include <string>

#include "MessageBox.h"
#include "base/FileError.h"
#include "batch/Module1.h"
#include "meta/MetaTags.h"

namespace lexmill {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("frmMeta", text);
}

// The hourglass and the disabled Start button of a scan, both undone once.
class BusyScan {
  public:
    explicit BusyScan(QWidget* startButton) : startButton_(startButton) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        if (startButton_) {
            wasEnabled_ = startButton_->isEnabled();
            startButton_->setEnabled(false);
        }
    }
    ~BusyScan() { end(); }
    BusyScan(const BusyScan&) = delete;
    BusyScan& operator=(const BusyScan&) = delete;

    void end() {
        if (ended_) return;
        ended_ = true;
        QApplication::restoreOverrideCursor();
        if (startButton_) startButton_->setEnabled(wasEnabled_);
    }

  private:
    QPointer<QWidget> startButton_;
    bool wasEnabled_ = true;
    bool ended_ = false;
};

}  // namespace

void RunMetaTagExtractor(QWidget* mainWindow, Module1& m, QWidget* startButton,
                         frmMeta::InsertInto searchFor, frmMeta::InsertInto replaceWith) {
    if (m.SelCount > 1) {
        MsgBox(mainWindow, tr("Please only select one file for this operation."),
               tr("Too Many Files Selected"), QMessageBox::Warning);
        return;
    }
    BusyScan busy(startButton);
    if (m.SelCount < 1 || m.SelPaths.empty()) {
        MsgBox(mainWindow, tr("Please select a file for this operation."), tr("No File Selected"),
               QMessageBox::Information);
        return;
    }

    const std::string& path = m.SelPaths.front();
    const std::optional<std::int64_t> size = FindOrdinaryFile(path);
    m.TotalBytes = size.value_or(0);
    m.ProgressMax = m.TotalBytes;

    std::string list;
    if (size) {
        try {
            list = MetaTagListText(ReadMetaTags(path));
        } catch (const FileError& e) {
            busy.end();
            MsgBox(mainWindow,
                   tr("The file could not be read:\n%1\n\n%2")
                       .arg(QString::fromStdString(path), QString::fromStdString(e.reason())),
                   tr("Error"), QMessageBox::Critical);
            return;
        }
    }
    busy.end();

    // On the heap: the main window owns it, and may go while it is open.
    QPointer<frmMeta> viewer =
        new frmMeta(std::move(searchFor), std::move(replaceWith), mainWindow);
    viewer->setListText(list.empty() ? tr("No meta tags found in file.").toStdString()
                                     : std::move(list));
    viewer->setWindowTitle(tr("Meta tags found in ") + QString::fromStdString(path));
    viewer->exec();
    delete viewer;
}

}  // namespace lexmill
