// The main window's work: a batch run from Start to the results window and
// back, cancelling with Esc, the options of the run, both tallies and the
// progress bar of the status bar.
#include "frmLMBatchTest.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "CProgressBarEx.h"
#include "FileListBox.h"
#include "StatusPanel.h"
#include "frmLMTestSupport.h"

using namespace lexmill;
using namespace lexmill::test;

namespace {

QStringList Items(QWidget& results) {
    QStringList names;
    auto* list = Find<QListWidget>(results, QStringLiteral("List1"));
    for (int row = 0; row < list->count(); ++row) names << list->item(row)->text();
    return names;
}

QString LabelText(QWidget& results, const char* name) {
    return Find<QLabel>(results, QString::fromLatin1(name))->text();
}

void Press(QWidget& results, int button) {
    Find<QPushButton>(results, QStringLiteral("Command%1").arg(button))->click();
}

// What the window showed while its results window was open.
struct AtResults {
    QStringList items;
    QString heading, summary, panel1, panel2;
    bool busy = true, barShown = false, startEnabled = false;
    std::int64_t progress = -1;
    int filled = -1, blocks = -1, boxesBefore = -1;
};

AtResults RunAndClose(MainWindowFixture& f) {
    AtResults at;
    frmLM& w = f.window();
    OnResults(w, [&](QWidget& results) {
        at.items = Items(results);
        at.heading = LabelText(results, "Label1");
        at.summary = LabelText(results, "Label2");
        at.panel1 = w.Panel(0)->Text();
        at.panel2 = w.Panel(1)->Text();
        at.busy = f.m.Busy;
        at.barShown = w.Panel(2)->hasPicture();
        at.startEnabled = w.Command3->isEnabled();
        at.progress = w.Progress();
        if (CProgressBarEx* bar = w.ProgressBar()) {
            at.filled = bar->lastFilled();
            at.blocks = bar->blockCount();
        }
        at.boxesBefore = f.boxes.count();
        Press(results, 1);
    });
    w.Command3->click();
    return at;
}

// Select All leaves no current file, and Start needs one.
void SelectAll(frmLM& w) {
    w.Command1->click();
    w.File1->setCurrentRow(0, QItemSelectionModel::NoUpdate);
}

void ExpectIdle(MainWindowFixture& f) {
    frmLM& w = f.window();
    QCOMPARE(w.Panel(0)->Text(), frmLM::IdleText());
    QVERIFY(w.Panel(1)->Text().isEmpty());
    QCOMPARE(w.Progress(), 0);
    QVERIFY(!w.Panel(2)->hasPicture());
    QVERIFY(!f.m.Busy);
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QVERIFY(QApplication::activeModalWidget() == nullptr);
}

}  // namespace

void frmLMBatchTest::runFromStartToResultsAndBackToIdle() {
    MainWindowFixture f;
    f.write(QStringLiteral("a.txt"), "cat and cat");
    f.write(QStringLiteral("b.txt"), "dog");
    f.write(QStringLiteral("c.txt"), "Cat\r\n");
    frmLM& w = f.open();
    SelectAll(w);
    w.Text1->setPlainText(QStringLiteral("cat"));
    w.Text2->setPlainText(QStringLiteral("cow"));
    QVERIFY(w.Command3->isEnabled());

    const AtResults at = RunAndClose(f);
    QCOMPARE(at.items, (QStringList{"a.txt", "c.txt"}));
    QCOMPARE(at.heading, QStringLiteral("Files that were changed:"));
    QCOMPARE(at.summary, QStringLiteral("Search complete. 3 replacements made."));
    QCOMPARE(at.panel2, QStringLiteral("Press \"Esc\" to cancel."));
    QVERIFY(at.panel1.startsWith(QStringLiteral("Checking ")) ||
            at.panel1.startsWith(QStringLiteral("Found text in ")));
    QVERIFY(!at.busy);
    QVERIFY(at.startEnabled);
    QVERIFY(at.barShown);
    QCOMPARE(at.progress, 11 + 3 + 5);  // every byte read
    QCOMPARE(at.filled, at.blocks);
    QCOMPARE(at.boxesBefore, 0);
    ExpectIdle(f);
    QCOMPARE(f.read(QStringLiteral("a.txt")), QByteArray("cow and cow"));
    QCOMPARE(f.read(QStringLiteral("b.txt")), QByteArray("dog"));
    QCOMPARE(f.read(QStringLiteral("c.txt")), QByteArray("cow\r\n"));
    QCOMPARE(f.read(QStringLiteral("LMBACK/a.txt")), QByteArray("cat and cat"));
    QCOMPARE(f.read(QStringLiteral("LMBACK/b.txt")), QByteArray("<missing>"));
    QVERIFY(w.Command3->isEnabled());
    QCOMPARE(w.Panel(2)->Text(), QStringLiteral("3 file(s) selected."));
    QVERIFY(!QFile::exists(f.file(QStringLiteral("~lm.tmp"))));
}

void frmLMBatchTest::resultsWindowActions() {
    MainWindowFixture f;
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"})
        f.write(QString::fromLatin1(name), name[0] == 'b' ? "none" : "hit");
    frmLM& w = f.open();
    w.Check3->setChecked(true);
    SelectNames(w, {QStringLiteral("a.txt"), QStringLiteral("b.txt"), QStringLiteral("d.txt")});
    w.Text1->setPlainText(QStringLiteral("HIT"));
    QStringList clipboard, editor, selectedAfter;
    bool copyEnabled = false, viewEnabledBefore = true;
    OnResults(w, [&](QWidget& results) {
        copyEnabled = Find<QPushButton>(results, QStringLiteral("Command2"))->isEnabled();
        viewEnabledBefore = Find<QPushButton>(results, QStringLiteral("Command3"))->isEnabled();
        Press(results, 2);
        clipboard << QGuiApplication::clipboard()->text();
        Find<QListWidget>(results, QStringLiteral("List1"))->setCurrentRow(1);
        Press(results, 3);
        editor = f.editorArguments();
        w.File1->clearSelection();
        w.File1->item(2)->setSelected(true);  // c.txt, not in the results
        Press(results, 4);
        selectedAfter = w.File1->SelectedNames();
        QVERIFY(results.isVisible());  // the three actions leave it open
        Press(results, 1);
    });
    w.Command3->click();
    QVERIFY(copyEnabled);
    QVERIFY(!viewEnabledBefore);
    QCOMPARE(clipboard, QStringList{QStringLiteral("a.txt\r\nd.txt\r\n")});
    QCOMPARE(editor, QStringList{f.file(QStringLiteral("d.txt"))});
    QCOMPARE(selectedAfter, (QStringList{"a.txt", "d.txt"}));
    QCOMPARE(w.Panel(2)->Text(), QStringLiteral("2 file(s) selected."));
    ExpectIdle(f);
    QCOMPARE(f.read(QStringLiteral("a.txt")), QByteArray("hit"));  // Search Only writes nothing
}

void frmLMBatchTest::searchOnlyWithoutHitListsNone() {
    MainWindowFixture f;
    f.write(QStringLiteral("a.txt"), "abc");
    frmLM& w = f.open();
    w.Check3->setChecked(true);
    SelectAll(w);
    w.Text1->setPlainText(QStringLiteral("zzz"));
    const AtResults at = RunAndClose(f);
    QCOMPARE(at.items, QStringList{QStringLiteral("None")});
    QCOMPARE(at.heading, QStringLiteral("Files:"));
    QCOMPARE(at.summary,
             QStringLiteral("Search complete. Found 0 files that contained the text you entered."));
    ExpectIdle(f);
}

void frmLMBatchTest::noSelectionSaysSo() {
    MainWindowFixture f;
    f.write(QStringLiteral("a.txt"), "abc");
    frmLM& w = f.open();
    w.File1->setCurrentRow(0);
    w.File1->clearSelection();
    w.Text1->setPlainText(QStringLiteral("a"));
    w.Command3->click();
    QCOMPARE(f.boxes.count(), 1);
    QCOMPARE(f.boxes.last().text,
             QStringLiteral("Please select one or more files for this operation."));
    QCOMPARE(f.boxes.last().title, QStringLiteral("No Files Selected"));
    QCOMPARE(f.boxes.last().icon, QMessageBox::Information);
    ExpectIdle(f);
    QVERIFY(w.Command3->isEnabled());
    QCOMPARE(f.read(QStringLiteral("a.txt")), QByteArray("abc"));
}

void frmLMBatchTest::escapeCancelsAfterTheNextFile() {
    MainWindowFixture f;
    f.write(QStringLiteral("a.txt"), "x1");
    f.write(QStringLiteral("b.txt"), "x22");
    f.write(QStringLiteral("c.txt"), "x333");
    frmLM& w = f.open();
    w.Check1->setChecked(false);
    f.boxes.clear();
    SelectAll(w);
    w.Text1->setPlainText(QStringLiteral("x"));
    w.Text2->setPlainText(QStringLiteral("y"));
    // Esc reaches the window at the yield after the first file.
    w.Text1->setFocus();
    QCoreApplication::postEvent(w.Text1,
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    const AtResults at = RunAndClose(f);
    QCOMPARE(at.summary, QStringLiteral("Search cancelled. 2 replacements made."));
    QCOMPARE(at.items, (QStringList{"a.txt", "b.txt"}));
    QCOMPARE(at.progress, 2 + 3);
    QCOMPARE(at.filled, CProgressBarEx::FilledBlocks(5, 0, 9, at.blocks));
    QCOMPARE(f.read(QStringLiteral("b.txt")), QByteArray("y22"));
    QCOMPARE(f.read(QStringLiteral("c.txt")), QByteArray("x333"));
    ExpectIdle(f);
}

void frmLMBatchTest::closingDuringARunStopsItAndSaves() {
    MainWindowFixture f;
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) f.write(QString::fromLatin1(name), "x");
    frmLM& w = f.open();
    w.Check1->setChecked(false);
    SelectAll(w);
    w.Text1->setPlainText(QStringLiteral("x"));
    w.Text2->setPlainText(QStringLiteral("y"));
    bool modalSeen = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout,
                     [&] { modalSeen = modalSeen || QApplication::activeModalWidget(); });
    watch.start(0);
    QTimer::singleShot(0, &w, [&] { w.close(); });  // at the first yield
    w.Command3->click();
    QVERIFY(!w.isVisible());
    QVERIFY(!modalSeen);  // no results window for a closed window
    QCOMPARE(f.read(QStringLiteral("b.txt")), QByteArray("y"));
    QCOMPARE(f.read(QStringLiteral("c.txt")), QByteArray("x"));
    QCOMPARE(f.stored(QStringLiteral("Make Backups")), QStringLiteral("0"));
    QVERIFY(!f.m.Busy);
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void frmLMBatchTest::failedFilesAreListedBeforeTheResults() {
    MainWindowFixture f;
    f.write(QStringLiteral("a.txt"), "old");
    f.write(QStringLiteral("LMBACK"), "a plain file where the backup folder belongs");
    frmLM& w = f.open();
    SelectAll(w);
    w.Text1->setPlainText(QStringLiteral("old"));
    w.Text2->setPlainText(QStringLiteral("new"));
    const AtResults at = RunAndClose(f);
    QCOMPARE(at.boxesBefore, 1);
    QCOMPARE(f.boxes.last().title, QStringLiteral("Warning"));
    QCOMPARE(f.boxes.last().icon, QMessageBox::Warning);
    QVERIFY2(f.boxes.last().text.contains(QStringLiteral("\na.txt: ")),
             qPrintable(f.boxes.last().text));
    QVERIFY(at.items.isEmpty());
    QCOMPARE(at.summary, QStringLiteral("Search complete. 0 replacements made."));
    QCOMPARE(f.read(QStringLiteral("a.txt")), QByteArray("old"));
    ExpectIdle(f);
}

void frmLMBatchTest::makeBackupsExplainsEachChange() {
    MainWindowFixture f;
    frmLM& w = f.open();
    w.Check1->click();
    QCOMPARE(f.boxes.count(), 1);
    QCOMPARE(f.boxes.last().title, QStringLiteral("Warning"));
    QCOMPARE(f.boxes.last().icon, QMessageBox::Warning);
    QCOMPARE(f.boxes.last().text,
             QStringLiteral("Changes to any files made by the program will be permanent and cannot "
                            "be undone if you uncheck this box."));
    QVERIFY(!w.Check1->isChecked());  // not changed back
    w.Check1->click();
    QCOMPARE(f.boxes.count(), 2);
    QCOMPARE(f.boxes.last().title, QStringLiteral("Backup Folder"));
    QCOMPARE(f.boxes.last().icon, QMessageBox::Information);
    QCOMPARE(f.boxes.last().text,
             QStringLiteral("Any files altered will be backed up in a folder called \"LMBACK\" "
                            "under the currently selected work folder before changes are made."));
}

void frmLMBatchTest::searchOnlyDisablesTheReplacement() {
    MainWindowFixture f;
    frmLM& w = f.open();
    w.Text2->setPlainText(QStringLiteral("replacement"));
    w.Check3->click();
    QVERIFY(w.Text2->toPlainText().isEmpty());
    QVERIFY(!w.Text2->isEnabled());
    QVERIFY(!w.Label8->isEnabled());
    QVERIFY(!w.Label12->isEnabled());
    w.Check3->click();
    QVERIFY(w.Text2->isEnabled());
    QVERIFY(w.Label8->isEnabled());
    QVERIFY(!w.Label12->isEnabled());  // the box is empty now
    QCOMPARE(f.boxes.count(), 0);
}

void frmLMBatchTest::fileTallyFillsItsLabels() {
    MainWindowFixture f;
    f.write(QStringLiteral("a.txt"), "Hello world\r\nfoo\tbar");
    frmLM& w = f.open();
    SelectNames(w, {QStringLiteral("a.txt")});
    w.KWtext->setText(QStringLiteral("O"));
    w.Command6->click();
    QCOMPARE(w.numwrdsF->text(), QStringLiteral("4"));
    QCOMPARE(w.numcharF->text(), QStringLiteral("17"));
    QCOMPARE(w.numlnsF->text(), QStringLiteral("2"));
    QCOMPARE(w.labelkw->text(), QStringLiteral("4"));
    QCOMPARE(w.Progress(), 0);
    QVERIFY(QApplication::overrideCursor() == nullptr);
    w.KWtext->clear();
    w.Command6->click();
    QVERIFY(w.labelkw->text().isEmpty());  // no keyword: no keyword result
    QCOMPARE(w.numwrdsF->text(), QStringLiteral("4"));

    // No current file: the zero result.
    w.File1->Refresh();
    w.Command6->click();
    QCOMPARE(w.numwrdsF->text(), QStringLiteral("0"));
    QCOMPARE(w.numcharF->text(), QStringLiteral("0"));
    QCOMPARE(w.numlnsF->text(), QStringLiteral("1"));
    QCOMPARE(f.boxes.count(), 0);
}

void frmLMBatchTest::fileTallyRefusesTwoFiles() {
    MainWindowFixture f;
    f.write(QStringLiteral("a.txt"), "a");
    f.write(QStringLiteral("b.txt"), "b");
    frmLM& w = f.open();
    SelectNames(w, {QStringLiteral("a.txt")});
    w.Command6->click();
    QCOMPARE(w.numwrdsF->text(), QStringLiteral("1"));
    w.Command1->click();
    w.Command6->click();
    QCOMPARE(f.boxes.count(), 1);
    QCOMPARE(f.boxes.last().title, QStringLiteral("Oops!"));
    QCOMPARE(f.boxes.last().icon, QMessageBox::Warning);
    QCOMPARE(f.boxes.last().text,
             QStringLiteral("Lexmill can only perform this operation on one file at a time. "
                            "Please select only one file and try again."));
    for (QLabel* label : {w.numwrdsF, w.numcharF, w.numlnsF, w.labelkw})
        QVERIFY(label->text().isEmpty());
}

void frmLMBatchTest::fileTallyReportsAnUnreadableFile() {
    MainWindowFixture f;
    f.write(QStringLiteral("a.txt"), "a");
    frmLM& w = f.open();
    SelectNames(w, {QStringLiteral("a.txt")});
    QFile::remove(f.file(QStringLiteral("a.txt")));
    QVERIFY(QDir().mkpath(f.file(QStringLiteral("a.txt"))));  // a folder where the file was
    w.Command6->click();
    QCOMPARE(f.boxes.count(), 1);
    QCOMPARE(f.boxes.last().title, QStringLiteral("Error"));
    QCOMPARE(f.boxes.last().icon, QMessageBox::Critical);
    QVERIFY2(f.boxes.last().text.contains(f.file(QStringLiteral("a.txt"))),
             qPrintable(f.boxes.last().text));
    QVERIFY(w.numwrdsF->text().isEmpty());
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QCOMPARE(w.Progress(), 0);
}

void frmLMBatchTest::changingTheFileClearsTheFileTally() {
    MainWindowFixture f;
    f.write(QStringLiteral("a.txt"), "one two");
    f.write(QStringLiteral("b.txt"), "three");
    frmLM& w = f.open();
    const auto click = [&](int row) {
        const QRect rect = w.File1->visualItemRect(w.File1->item(row));
        QTest::mouseClick(w.File1->viewport(), Qt::LeftButton, {}, rect.center());
    };
    click(0);
    w.Command6->click();
    QCOMPARE(w.numwrdsF->text(), QStringLiteral("2"));
    click(0);  // the same file: the results stay
    QCOMPARE(w.numwrdsF->text(), QStringLiteral("2"));
    click(1);
    QVERIFY(w.numwrdsF->text().isEmpty());
    QVERIFY(w.numcharF->text().isEmpty());
}

void frmLMBatchTest::textTallyFollowsTheTextBlock() {
    MainWindowFixture f;
    frmLM& w = f.open();
    w.KWtext2->setText(QStringLiteral("The"));
    w.Text4->setPlainText(QStringLiteral("the THE then"));
    QCOMPARE(w.numwrdsT->text(), QStringLiteral("3"));
    QCOMPARE(w.numcharT->text(), QStringLiteral("12"));
    QCOMPARE(w.numlinesT->text(), QStringLiteral("1"));
    QCOMPARE(w.labelkw2->text(), QStringLiteral("3"));
    w.KWtext2->clear();  // a keyword change alone does not tally again
    QCOMPARE(w.labelkw2->text(), QStringLiteral("3"));
    w.Text4->setPlainText(QStringLiteral("a\tb\nc"));
    QCOMPARE(w.numwrdsT->text(), QStringLiteral("3"));
    QCOMPARE(w.numcharT->text(), QStringLiteral("3"));
    QCOMPARE(w.numlinesT->text(), QStringLiteral("2"));
    QCOMPARE(w.labelkw2->text(), QStringLiteral("3"));  // kept until the button
    w.Command4->click();
    QVERIFY(w.labelkw2->text().isEmpty());
    QCOMPARE(w.numwrdsT->text(), QStringLiteral("3"));
    w.Text4->clear();
    QCOMPARE(w.numwrdsT->text(), QStringLiteral("0"));
    QCOMPARE(w.numcharT->text(), QStringLiteral("0"));
    QCOMPARE(w.numlinesT->text(), QStringLiteral("1"));
    QCOMPARE(w.Progress(), 0);
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void frmLMBatchTest::progressArithmetic() {
    MainWindowFixture f;
    frmLM& w = f.open();
    QCOMPARE(w.Progress(), 0);
    QVERIFY(w.ProgressBar() == nullptr);
    f.m.ProgressMax = 1000;
    w.setProgress(500);
    CProgressBarEx* bar = w.ProgressBar();
    QVERIFY(bar != nullptr);
    QCOMPARE(w.Progress(), 500);
    QCOMPARE(bar->Max(), 1000);
    QCOMPARE(bar->Value(), 500);
    QVERIFY(!bar->TextOnly());
    QVERIFY(bar->blockCount() > 1);
    QCOMPARE(bar->lastFilled(), CProgressBarEx::FilledBlocks(500, 0, 1000, bar->blockCount()));
    QVERIFY(w.Panel(2)->hasPicture());
    // The picture fits the panel, 2 pixels to spare on each side.
    QVERIFY(w.picProgress->width() <= w.Panel(2)->width() - 4 + bar->blockWidth());
    w.setProgress(5000);  // beyond the scale: a full bar
    QCOMPARE(w.Progress(), 5000);
    QCOMPARE(bar->lastFilled(), bar->blockCount());
    f.m.ProgressMax = 0;  // a scale of 0 keeps the previous one
    w.setProgress(250);
    QCOMPARE(bar->Max(), 1000);
    QCOMPARE(bar->lastFilled(), CProgressBarEx::FilledBlocks(250, 0, 1000, bar->blockCount()));
    w.setProgress(0);
    QVERIFY(bar->TextOnly());
    QVERIFY(!w.Panel(2)->hasPicture());
    QCOMPARE(w.Panel(2)->Text(), QStringLiteral("0 file(s) selected."));
    QCOMPARE(w.ProgressBar(), bar);  // kept for the window's life
}
