// The main window's work: a batch run from Start to the results window and
// back, cancelling with Esc, the options of the run, both tallies and the
// progress bar of the status bar.
#include <QtTest>
#include <QtWidgets>

#include "CProgressBarEx.h"
#include "FileListBox.h"
#include "Form3.h"
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
    WhenShown<Form3>([&](Form3& results) {
        at.items = Items(results);
        at.heading = Find<QLabel>(results, QStringLiteral("Label1"))->text();
        at.summary = Find<QLabel>(results, QStringLiteral("Label2"))->text();
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
        Click(results, "Command1");
    });
    w.Command3->click();
    return at;
}

// Every file selected, the first current (Start needs one), and the texts.
void Prepare(frmLM& w, const char* search, const char* replacement = nullptr) {
    w.Command1->click();
    w.File1->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    w.Text1->setPlainText(QString::fromLatin1(search));
    if (replacement) w.Text2->setPlainText(QString::fromLatin1(replacement));
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

class frmLMBatchTest : public QObject {
    Q_OBJECT
  private slots:
    void runFromStartToResultsAndBackToIdle();
    void resultsWindowActions();
    void noSelectionSaysSoAndNoHitListsNone();
    void escapeCancelsAfterTheNextFile();
    void closingDuringARunStopsItAndSaves();
    void failedFilesAreListedBeforeTheResults();
    void makeBackupsAndSearchOnlyBoxes();
    void fileTally();
    void textTallyFollowsTheTextBlock();
    void progressArithmetic();
};

void frmLMBatchTest::runFromStartToResultsAndBackToIdle() {
    MainWindowFixture f;
    f.write(QStringLiteral("a.txt"), "cat and cat");
    f.write(QStringLiteral("b.txt"), "dog");
    f.write(QStringLiteral("c.txt"), "Cat\r\n");
    frmLM& w = f.open();
    Prepare(w, "cat", "cow");
    const AtResults at = RunAndClose(f);
    QCOMPARE(at.items, (QStringList{"a.txt", "c.txt"}));
    QCOMPARE(at.heading, QStringLiteral("Files that were changed:"));
    QCOMPARE(at.summary, QStringLiteral("Search complete. 3 replacements made."));
    QCOMPARE(at.panel2, QStringLiteral("Press \"Esc\" to cancel."));
    QVERIFY(at.panel1.startsWith(QStringLiteral("Checking ")) ||
            at.panel1.startsWith(QStringLiteral("Found text in ")));
    QVERIFY(!at.busy && at.startEnabled && at.barShown);
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
    WhenShown<Form3>([&](Form3& results) {
        copyEnabled = Find<QPushButton>(results, QStringLiteral("Command2"))->isEnabled();
        viewEnabledBefore = Find<QPushButton>(results, QStringLiteral("Command3"))->isEnabled();
        Click(results, "Command2");
        clipboard << QGuiApplication::clipboard()->text();
        Find<QListWidget>(results, QStringLiteral("List1"))->setCurrentRow(1);
        Click(results, "Command3");
        editor = f.editorArguments();
        w.File1->clearSelection();
        w.File1->item(2)->setSelected(true);  // c.txt, not in the results
        Click(results, "Command4");
        selectedAfter = w.File1->SelectedNames();
        QVERIFY(results.isVisible());  // the three actions leave it open
        Click(results, "Command1");
    });
    w.Command3->click();
    QVERIFY(copyEnabled && !viewEnabledBefore);
    QCOMPARE(clipboard, QStringList{QStringLiteral("a.txt\r\nd.txt\r\n")});
    QCOMPARE(editor, QStringList{f.file(QStringLiteral("d.txt"))});
    QCOMPARE(selectedAfter, (QStringList{"a.txt", "d.txt"}));
    QCOMPARE(w.Panel(2)->Text(), QStringLiteral("2 file(s) selected."));
    ExpectIdle(f);
    QCOMPARE(f.read(QStringLiteral("a.txt")), QByteArray("hit"));  // Search Only writes nothing
}

void frmLMBatchTest::noSelectionSaysSoAndNoHitListsNone() {
    MainWindowFixture f({"a.txt"}, "abc");
    frmLM& w = f.open();
    w.File1->setCurrentRow(0);
    w.File1->clearSelection();
    w.Text1->setPlainText(QStringLiteral("a"));
    w.Command3->click();
    QCOMPARE(f.boxes.count(), 1);
    QCOMPARE(f.lastBox(), QStringLiteral("No Files Selected|information|Please select one or "
                                         "more files for this operation."));
    ExpectIdle(f);
    QVERIFY(w.Command3->isEnabled());
    QCOMPARE(f.read(QStringLiteral("a.txt")), QByteArray("abc"));

    w.Check3->setChecked(true);  // Search Only, and no file holds the text
    Prepare(w, "zzz");
    const AtResults at = RunAndClose(f);
    QCOMPARE(at.items, QStringList{QStringLiteral("None")});
    QCOMPARE(at.heading, QStringLiteral("Files:"));
    QCOMPARE(at.summary,
             QStringLiteral("Search complete. Found 0 files that contained the text you entered."));
    ExpectIdle(f);
}

void frmLMBatchTest::escapeCancelsAfterTheNextFile() {
    MainWindowFixture f;
    f.write(QStringLiteral("a.txt"), "x1");
    f.write(QStringLiteral("b.txt"), "x22");
    f.write(QStringLiteral("c.txt"), "x333");
    frmLM& w = f.open();
    w.Check1->setChecked(false);
    Prepare(w, "x", "y");
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
    MainWindowFixture f({"a.txt", "b.txt", "c.txt"});
    frmLM& w = f.open();
    w.Check1->setChecked(false);
    Prepare(w, "x", "y");
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
    MainWindowFixture f({"a.txt"}, "old");
    f.write(QStringLiteral("LMBACK"), "a plain file where the backup folder belongs");
    frmLM& w = f.open();
    Prepare(w, "old", "new");
    const AtResults at = RunAndClose(f);
    QCOMPARE(at.boxesBefore, 1);
    QVERIFY2(f.lastBox().startsWith(QStringLiteral("Warning|warning|")) &&
                 f.lastBox().contains(QStringLiteral("\na.txt: ")),
             qPrintable(f.lastBox()));
    QVERIFY(at.items.isEmpty());
    QCOMPARE(at.summary, QStringLiteral("Search complete. 0 replacements made."));
    QCOMPARE(f.read(QStringLiteral("a.txt")), QByteArray("old"));
    ExpectIdle(f);
}

void frmLMBatchTest::makeBackupsAndSearchOnlyBoxes() {
    MainWindowFixture f;
    frmLM& w = f.open();
    w.Check1->click();
    QCOMPARE(f.lastBox(), QStringLiteral("Warning|warning|Changes to any files made by the program "
                                         "will be permanent and cannot be undone if you uncheck "
                                         "this box."));
    QVERIFY(!w.Check1->isChecked());  // not changed back
    w.Check1->click();
    QCOMPARE(f.lastBox(),
             QStringLiteral("Backup Folder|information|Any files altered will be backed up in a "
                            "folder called \"LMBACK\" under the currently selected work folder "
                            "before changes are made."));

    // Search Only empties and disables the replacement.
    w.Text2->setPlainText(QStringLiteral("replacement"));
    w.Check3->click();
    QVERIFY(w.Text2->toPlainText().isEmpty());
    QVERIFY(!w.Text2->isEnabled() && !w.Label8->isEnabled() && !w.Label12->isEnabled());
    w.Check3->click();
    QVERIFY(w.Text2->isEnabled() && w.Label8->isEnabled());
    QVERIFY(!w.Label12->isEnabled());  // the box is empty now
    QCOMPARE(f.boxes.count(), 2);
}

void frmLMBatchTest::fileTally() {
    MainWindowFixture f;
    f.write(QStringLiteral("a.txt"), "Hello world\r\nfoo\tbar");
    f.write(QStringLiteral("b.txt"), "three");
    f.write(QStringLiteral("gone.txt"), "a");
    frmLM& w = f.open();
    const auto tally = [&] {
        return QStringList{w.numwrdsF->text(), w.numcharF->text(), w.numlnsF->text(),
                           w.labelkw->text()};
    };
    const auto click = [&](int row) {
        const QRect rect = w.File1->visualItemRect(w.File1->item(row));
        QTest::mouseClick(w.File1->viewport(), Qt::LeftButton, {}, rect.center());
    };
    const QStringList empty{"", "", "", ""};

    // Unreadable: a folder where the file was.
    SelectNames(w, {QStringLiteral("gone.txt")});
    QFile::remove(f.file(QStringLiteral("gone.txt")));
    QVERIFY(QDir().mkpath(f.file(QStringLiteral("gone.txt"))));
    w.Command6->click();
    QVERIFY2(f.lastBox().startsWith(QStringLiteral("Error|critical|")) &&
                 f.lastBox().contains(f.file(QStringLiteral("gone.txt"))),
             qPrintable(f.lastBox()));
    QCOMPARE(tally(), empty);
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QCOMPARE(w.Progress(), 0);

    click(0);
    w.KWtext->setText(QStringLiteral("O"));
    w.Command6->click();
    QCOMPARE(tally(), (QStringList{"4", "17", "2", "4"}));
    QVERIFY(QApplication::overrideCursor() == nullptr && w.Progress() == 0);
    click(0);  // the same file: the results stay
    QCOMPARE(tally(), (QStringList{"4", "17", "2", "4"}));
    w.KWtext->clear();
    w.Command6->click();
    QCOMPARE(tally(), (QStringList{"4", "17", "2", ""}));  // no keyword: no keyword result
    // Another file clears them.
    click(1);
    QCOMPARE(tally(), empty);
    QCOMPARE(f.boxes.count(), 1);

    w.Command6->click();
    w.Command1->click();
    w.Command6->click();
    QCOMPARE(f.lastBox(),
             QStringLiteral("Oops!|warning|Lexmill can only perform this operation on one file at "
                            "a time. Please select only one file and try again."));
    QCOMPARE(tally(), empty);

    w.File1->Refresh();  // no current file: the zero result
    w.Command6->click();
    QCOMPARE(tally(), (QStringList{"0", "0", "1", ""}));
    QCOMPARE(f.boxes.count(), 2);
}

void frmLMBatchTest::textTallyFollowsTheTextBlock() {
    MainWindowFixture f;
    frmLM& w = f.open();
    const auto tally = [&] {
        return QStringList{w.numwrdsT->text(), w.numcharT->text(), w.numlinesT->text(),
                           w.labelkw2->text()};
    };
    w.KWtext2->setText(QStringLiteral("The"));
    w.Text4->setPlainText(QStringLiteral("the THE then"));
    QCOMPARE(tally(), (QStringList{"3", "12", "1", "3"}));
    w.KWtext2->clear();  // a keyword change alone does not tally again
    QCOMPARE(w.labelkw2->text(), QStringLiteral("3"));
    w.Text4->setPlainText(QStringLiteral("a\tb\nc"));
    QCOMPARE(tally(), (QStringList{"3", "3", "2", "3"}));  // the keyword kept until the button
    w.Command4->click();
    QCOMPARE(tally(), (QStringList{"3", "3", "2", ""}));
    w.Text4->clear();
    QCOMPARE(tally(), (QStringList{"0", "0", "1", ""}));
    QCOMPARE(w.Progress(), 0);
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void frmLMBatchTest::progressArithmetic() {
    MainWindowFixture f;
    frmLM& w = f.open();
    QVERIFY(w.ProgressBar() == nullptr);
    f.m.ProgressMax = 1000;
    w.setProgress(500);
    CProgressBarEx* bar = w.ProgressBar();
    QVERIFY(bar != nullptr);
    QCOMPARE(bar->Max(), 1000);
    QVERIFY(!bar->TextOnly() && bar->blockCount() > 1);
    QCOMPARE(bar->lastFilled(), CProgressBarEx::FilledBlocks(500, 0, 1000, bar->blockCount()));
    QVERIFY(w.Panel(2)->hasPicture());
    // The picture fits the panel, 2 pixels to spare on each side.
    QVERIFY(w.picProgress->width() <= w.Panel(2)->width() - 4 + bar->blockWidth());
    w.setProgress(5000);  // beyond the scale: a full bar
    QCOMPARE(bar->lastFilled(), bar->blockCount());
    f.m.ProgressMax = 0;  // a scale of 0 keeps the previous one
    w.setProgress(250);
    QCOMPARE(bar->Max(), 1000);
    QCOMPARE(bar->lastFilled(), CProgressBarEx::FilledBlocks(250, 0, 1000, bar->blockCount()));
    w.setProgress(0);
    QVERIFY(bar->TextOnly() && !w.Panel(2)->hasPicture());
    QCOMPARE(w.Panel(2)->Text(), QStringLiteral("0 file(s) selected."));
    QCOMPARE(w.ProgressBar(), bar);  // kept for the window's life
}

int RunBatchTests(int argc, char** argv) {
    frmLMBatchTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "frmLMBatchTest.moc"
