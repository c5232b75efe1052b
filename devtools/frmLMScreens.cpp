// Takes screenshots of the real main window on a real X display (Xvfb), for
// checking the layout by eye: both tabs, a menu, the progress bar in the
// middle of a long run, and the results window.
//   xvfb-run -a -s "-screen 0 1024x768x24" frmlm_screens OUTDIR
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "FileListBox.h"
#include "Form3.h"
#include "ScriptedMessageBoxes.h"
#include "batch/Module1.h"
#include "frmLM.h"

namespace {

QString outDir;

void Shot(const QString& name, const QRect& area = {}) {
    QCoreApplication::processEvents();
    QTest::qWait(150);
    QScreen* screen = QGuiApplication::primaryScreen();
    QPixmap pixmap = screen->grabWindow(0);
    if (area.isValid()) pixmap = pixmap.copy(area.adjusted(-4, -4, 4, 4));
    const QString path = QDir(outDir).filePath(name + QStringLiteral(".png"));
    pixmap.save(path);
    qInfo("wrote %s", qPrintable(path));
}

// A control of the window, by its name.
template <typename T>
T* Control(const QWidget& window, const char* name) {
    return window.findChild<T*>(QString::fromLatin1(name));
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    outDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QTemporaryDir dir;
    const QString work = dir.filePath(QStringLiteral("a folder with a rather long name/work"));
    QDir().mkpath(work);
    const QByteArray body =
        QByteArray("The quick brown fox jumps over the lazy dog.\r\n").repeated(4000);
    for (int i = 0; i < 400; ++i) {
        QFile f(QDir(work).filePath(QStringLiteral("page%1.txt").arg(i, 3, 10, QLatin1Char('0'))));
        f.open(QIODevice::WriteOnly);
        f.write(body);
    }
    QDir::setCurrent(work);

    lexmill::ScriptedMessageBoxes boxes;
    lexmill::Module1 m;
    lexmill::frmLM w(
        m, QFile::encodeName(dir.filePath(QStringLiteral("registry.sqlite"))).toStdString(),
        QString());
    w.show();
    if (!QTest::qWaitForWindowExposed(&w)) return 2;
    const QRect frame = w.frameGeometry();
    auto* File1 = Control<lexmill::FileListBox>(w, "File1");
    auto* tabs1 = Control<QTabWidget>(w, "tabs1");
    auto* Command6 = Control<QPushButton>(w, "Command6");
    auto* mnuTools = Control<QMenu>(w, "mnuTools");
    auto* mnuFilePop = Control<QMenu>(w, "mnuFilePop");

    File1->setCurrentRow(1);
    File1->item(3)->setSelected(true);
    Control<QPlainTextEdit>(w, "Text1")->setPlainText(QStringLiteral("fox"));
    Control<QPlainTextEdit>(w, "Text2")->setPlainText(QStringLiteral("cat"));
    Control<QLineEdit>(w, "KWtext")->setText(QStringLiteral("dog"));
    Command6->click();  // two selected: "Oops!", labels empty
    File1->clearSelection();
    File1->setCurrentRow(1);
    Command6->click();
    Shot(QStringLiteral("1-file-operations"), frame);

    mnuTools->popup(w.mapToGlobal(QPoint(150, w.menuBar()->height())));
    Shot(QStringLiteral("2-tools-menu"), QRect(frame.topLeft(), QSize(frame.width(), 250)));
    mnuTools->close();

    // The right button opens the list's pop-up menu.
    const QRect row = File1->visualItemRect(File1->item(1));
    QTest::mouseClick(File1->viewport(), Qt::RightButton, {}, row.center());
    Shot(QStringLiteral("2-file-popup"), frame);
    mnuFilePop->close();

    tabs1->setCurrentIndex(1);
    Control<QCheckBox>(w, "Check2")->setChecked(false);
    Control<QLineEdit>(w, "KWtext2")->setText(QStringLiteral("the"));
    Control<QPlainTextEdit>(w, "Text4")->setPlainText(QString::fromLatin1(body.left(900)));
    Shot(QStringLiteral("3-text-block"), frame);
    tabs1->setCurrentIndex(0);

    // The run: the bar half way, then the results window.
    Control<QCheckBox>(w, "Check1")->setChecked(false);
    Control<QPushButton>(w, "Command1")->click();
    File1->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    bool midShot = false;
    QTimer mid;
    QObject::connect(&mid, &QTimer::timeout, [&] {
        if (!midShot && m.ProgressMax > 0 && w.Progress() * 2 >= m.ProgressMax) {
            midShot = true;
            Shot(QStringLiteral("4-progress-mid-run"), frame);
        }
        if (auto* results = qobject_cast<lexmill::Form3*>(QApplication::activeModalWidget())) {
            mid.stop();
            Shot(QStringLiteral("5-results"));
            results->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        }
    });
    mid.start(0);
    Control<QPushButton>(w, "Command3")->click();
    Shot(QStringLiteral("6-after-run"), frame);
    return midShot ? 0 : 1;
}
