// The main window as the user meets it: start-up from the settings file,
// menus, tabs, the Esc key, the filters, the selection-driven enabling, and
// the closing that saves the options.
#include <QtTest>
#include <QtWidgets>

#include "FileListBox.h"
#include "StatusPanel.h"
#include "frmLMTestSupport.h"

using namespace lexmill;
using namespace lexmill::test;

namespace {

QAction* Item(const frmLM& w, const char* name) {
    return Find<QAction>(w, QString::fromLatin1(name));
}

QStringList Captions(const QMenu* menu) {
    QStringList captions;
    for (const QAction* a : menu->actions())
        captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return captions;
}

// Receives the URLs the desktop would open.
class UrlRecorder : public QObject {
    Q_OBJECT
  public:
    UrlRecorder() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
    ~UrlRecorder() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    QList<QUrl> opened;
  public slots:
    void open(const QUrl& url) { opened << url; }
};

// Stored "Options" as "key=value;..." ("<other>" is another folder), and the
// start-up seen: "filter index|pattern|custom box|folder|Check1 Check3 Check4".
// clang-format off
const std::pair<const char*, const char*> kStartRows[] = {
    {"Startup Filter=Last Used;Last Used Filter=3;Last Used Custom Filter=*.log",
     "3|*.log|*.log|work|100"},
    {"Startup Filter=Last Used", "0|*.txt||work|100"},
    {"Startup Filter=1", "1|*.htm;*.html;*.shtml*||work|100"},
    {"Startup Filter=3;Custom Startup Filter=*.md;Last Used Custom Filter=*.log",
     "3|*.md|*.md|work|100"},
    {"Startup Filter=3", "3|*.*|*.*|work|100"},
    {"Startup Filter=7", "-1|*.*||work|100"},
    {"Startup Folder Option=0;Last Used Folder=<other>", "0|*.txt||other|100"},
    {"Startup Folder Option=0;Last Used Folder=/no/such/folder", "0|*.txt||work|100"},
    {"Startup Folder Option=2;Startup Folder=<other>", "0|*.txt||other|100"},
    {"Startup Folder Option=2;Last Used Folder=<other>", "0|*.txt||work|100"},
    {"Startup Folder Option=1;Last Used Folder=<other>", "0|*.txt||work|100"},
    {"Startup Folder Option=<other>;Last Used Folder=<other>", "0|*.txt||work|100"},
    {"Make Backups=0;Search Only=1;Match Case=1", "0|*.txt||work|011"},
    {"Make Backups=abc;Search Only=2;Match Case= 1 ", "0|*.txt||work|101"},
};
// clang-format on

}  // namespace

class frmLMShellTest : public QObject {
    Q_OBJECT
  private slots:
    void startsOnAnEmptyStore();
    void startsFromStoredValues_data();
    void startsFromStoredValues();
    void closingSavesTheSixValuesInOrder();
    void exitClosesAndSavesNothingChosenAsMinusOne();
    void menuTreeHasTheExactCaptions();
    void tabsHideMenusAndEscRequestsCancel();
    void filtersListTheirFiles();
    void customFilterTakesOnlyPatternKeys();
    void selectionDrivesMenusAndButtons();
    void folderLabelAndChooser();
    void fileToolTipShowsNameDateAndSize();
    void openCommandsActOnTheOneSelectedFile();
};

void frmLMShellTest::startsOnAnEmptyStore() {
    MainWindowFixture f({"a.txt", "b.log"});
    frmLM& w = f.open();
    QCOMPARE(w.windowTitle(), QStringLiteral("Lexmill"));
    QCOMPARE(w.Combo1->currentText(), QStringLiteral("Text Files"));
    QCOMPARE(w.File1->Pattern(), QStringLiteral("*.txt"));
    QCOMPARE(Listed(w), QStringList{QStringLiteral("a.txt")});
    QCOMPARE(w.File1->Path(), f.work());
    QVERIFY(!w.Text3->isEnabled());
    QVERIFY(w.Check1->isChecked() && !w.Check3->isChecked() && !w.Check4->isChecked());
    QVERIFY(w.Check2->isChecked() && w.Text4->isReadOnly());  // the clipboard monitor is on
    QCOMPARE(w.Panel(0)->Text(), frmLM::IdleText());
    QCOMPARE(w.Panel(2)->Text(), QStringLiteral("0 file(s) selected."));
    QVERIFY(!w.Command3->isEnabled() && !w.Command4->isEnabled());
    QCOMPARE(f.boxes.count(), 0);  // restoring "Make Backups" is silent
    QCOMPARE(w.minimumSize(), w.maximumSize());
}

void frmLMShellTest::startsFromStoredValues_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("seen");
    for (const auto& [stored, seen] : kStartRows)
        QTest::newRow(stored) << QString::fromLatin1(stored) << QString::fromLatin1(seen);
}

void frmLMShellTest::startsFromStoredValues() {
    QFETCH(QString, stored);
    QFETCH(QString, seen);
    MainWindowFixture f;
    const QString other = f.file(QStringLiteral("other"));
    QVERIFY(QDir().mkpath(other));
    for (const QString& pair : stored.split(u';')) {
        const qsizetype at = pair.indexOf(u'=');
        f.store(pair.left(at), pair.mid(at + 1).replace(QStringLiteral("<other>"), other));
    }
    frmLM& w = f.open();
    QString checks;
    for (const QCheckBox* box : {w.Check1, w.Check3, w.Check4})
        checks += box->isChecked() ? u'1' : u'0';
    const QStringList got{QString::number(w.Combo1->currentIndex()), w.File1->Pattern(),
                          w.Text3->text(),
                          w.File1->Path() == other      ? QStringLiteral("other")
                          : w.File1->Path() == f.work() ? QStringLiteral("work")
                                                        : w.File1->Path(),
                          checks};
    QCOMPARE(got.join(u'|'), seen);
    QCOMPARE(w.Text3->isEnabled(), w.Combo1->currentIndex() == 3);
    QCOMPARE(w.Text2->isEnabled(), !w.Check3->isChecked());
    QCOMPARE(f.boxes.count(), 0);
    QVERIFY(!w.IsLoading());
}

void frmLMShellTest::closingSavesTheSixValuesInOrder() {
    MainWindowFixture f;
    const QString other = f.file(QStringLiteral("other"));
    QVERIFY(QDir().mkpath(other));
    frmLM& w = f.open();
    w.Combo1->setCurrentIndex(3);
    w.Text3->setText(QStringLiteral("*.log"));
    QVERIFY(w.File1->setPath(other));
    w.Check1->setChecked(false);
    w.Check3->setChecked(true);
    w.Check4->setChecked(true);
    w.Text1->setPlainText(QStringLiteral("not saved"));
    QDialog shown(&w);  // other windows of the program close with it
    shown.show();
    QVERIFY(w.close());
    QVERIFY(!shown.isVisible());
    QCOMPARE(f.storedInOrder(), (QStringList{"Last Used Folder=" + other, "Last Used Filter=3",
                                             "Last Used Custom Filter=*.log", "Make Backups=0",
                                             "Search Only=1", "Match Case=1"}));
}

void frmLMShellTest::exitClosesAndSavesNothingChosenAsMinusOne() {
    MainWindowFixture f;
    f.store(QStringLiteral("Startup Filter"), QStringLiteral("9"));
    frmLM& w = f.open();
    Item(w, "mnuFileExit")->trigger();
    QVERIFY(!w.isVisible());
    QCOMPARE(f.stored(QStringLiteral("Last Used Filter")), QStringLiteral("-1"));
    QCOMPARE(f.stored(QStringLiteral("Last Used Folder")), f.work());
    QCOMPARE(f.stored(QStringLiteral("Last Used Custom Filter")), QString());
}

void frmLMShellTest::menuTreeHasTheExactCaptions() {
    MainWindowFixture f;
    frmLM& w = f.open();
    QStringList bar;
    for (const QAction* a : w.menuBar()->actions()) bar << a->text();
    QCOMPARE(bar, (QStringList{"&File", "&Edit", "&Favorites", "&Tools", "&Help"}));
    QCOMPARE(Captions(w.mnuFile),
             (QStringList{"&Select Folder", "&Refresh File List", "Select &All Files", "-",
                          "&Minimize to System Tray", "E&xit"}));
    QCOMPARE(Captions(w.mnuEdt), QStringList{"&Options"});
    QCOMPARE(Captions(w.mnuTools),
             (QStringList{"&View File in Text Block Window", "Open File in &Default Application",
                          "Open File in &Notepad", "&FTP Upload", "&Meta Tag Extractor"}));
    QCOMPARE(Captions(w.mnuHelp), (QStringList{"&Contents", "-", "&About"}));
    QCOMPARE(Captions(w.mnuFilePop),
             (QStringList{"&View File in Text Block Window", "Open File in &Default Application",
                          "Open File in &Notepad", "-", "&FTP Upload", "&Meta Tag Extractor"}));
    QCOMPARE(w.mnuFilePop->defaultAction(), Item(w, "mnuFilePopVTB"));
    for (const QAction* a : w.findChildren<QAction*>()) QVERIFY(a->shortcut().isEmpty());
}

void frmLMShellTest::tabsHideMenusAndEscRequestsCancel() {
    MainWindowFixture f;
    frmLM& w = f.open();
    for (const int tab : {1, 0}) {
        w.tabs1->setCurrentIndex(tab);
        const bool fileTab = tab == 0;
        for (const char* name : {"mnuFileSelFold", "mnuFileSelAll", "mnuFileRef"})
            QCOMPARE(Item(w, name)->isEnabled(), fileTab);
        QCOMPARE(w.mnuFavs->menuAction()->isVisible(), fileTab);
        QCOMPARE(w.mnuTools->menuAction()->isVisible(), fileTab);
        QVERIFY(Item(w, "mnuFileTr")->isEnabled() && Item(w, "mnuFileExit")->isEnabled());
        QCOMPARE(w.Panel(2)->Text(), fileTab ? QStringLiteral("0 file(s) selected.") : QString());
    }

    w.Combo1->setCurrentIndex(3);  // the custom box must be enabled to take keys
    for (QWidget* control : QList<QWidget*>{w.Text1, w.Text2, w.KWtext, w.File1, w.Combo1,
                                            w.Command6, w.Text3, w.Text4}) {
        if (control == w.Text4) w.tabs1->setCurrentIndex(1);
        f.m.CancelRequested = false;
        control->setFocus();
        QTest::keyClick(control, Qt::Key_Escape);
        QVERIFY2(f.m.CancelRequested, qPrintable(control->objectName()));
    }
    f.m.CancelRequested = false;
    QTest::keyClick(w.Text1, Qt::Key_A);
    QVERIFY(!f.m.CancelRequested);
}

void frmLMShellTest::filtersListTheirFiles() {
    const QStringList all{"a.txt",    "b.htm", "c.html", "d.shtml",
                          "e.shtml1", "f.log", "G.TXT",  "noext"};
    const QList<QStringList> listed{{"a.txt", "G.TXT"},
                                    {"b.htm", "c.html", "d.shtml", "e.shtml1"},
                                    all,
                                    all};  // custom with an empty box
    MainWindowFixture f(all);
    frmLM& w = f.open();
    for (const int index : {0, 1, 2, 3, 0}) {
        w.Combo1->setCurrentIndex(index);
        QCOMPARE(Listed(w), listed[index]);
        QCOMPARE(w.Text3->isEnabled(), index == 3);
        QCOMPARE(w.Label13->isEnabled(), index == 3);
    }
}

void frmLMShellTest::customFilterTakesOnlyPatternKeys() {
    MainWindowFixture f({"a.txt", "f.log", "g.LOG"});
    frmLM& w = f.open();
    QApplication::setActiveWindow(&w);
    w.Combo1->setCurrentIndex(3);
    w.Text3->setFocus();
    QTest::keyClicks(w.Text3, QStringLiteral("*.l; o_g"));
    QCOMPARE(w.Text3->text(), QStringLiteral("*.log"));
    QCOMPARE(Listed(w), (QStringList{"f.log", "g.LOG"}));
    QTest::keyClick(w.Text3, Qt::Key_Backspace);
    QVERIFY(Listed(w).isEmpty());
    w.Text3->clear();  // empty box: every file
    QCOMPARE(Listed(w).size(), 3);
    // Enter and Tab still reach the box and the focus chain.
    QSignalSpy enter(w.Text3, &QLineEdit::returnPressed);
    QTest::keyClick(w.Text3, Qt::Key_Return);
    QCOMPARE(enter.count(), 1);
    QTest::keyClick(w.Text3, Qt::Key_Tab);
    QTRY_VERIFY(!w.Text3->hasFocus());
    w.Text3->setFocus();
    QTest::keyClick(w.Text3, Qt::Key_Backtab);
    QTRY_VERIFY(!w.Text3->hasFocus());
}

void frmLMShellTest::selectionDrivesMenusAndButtons() {
    MainWindowFixture f({"a.txt", "b.txt", "c.txt"});
    frmLM& w = f.open();
    const auto tools = [&](bool single, bool meta, bool ftp) {
        emit w.mnuTools->aboutToShow();
        for (const char* name : {"mnuFileVTB", "mnuFileOpenDA", "mnuFileOpenNp"})
            QCOMPARE(Item(w, name)->isEnabled(), single);
        QCOMPARE(Item(w, "mnuToolsMeta")->isEnabled(), meta);
        QCOMPARE(Item(w, "mnuToolsFTP")->isEnabled(), ftp);
    };
    const auto popup = [&](bool single) {
        const QRect row = w.File1->visualItemRect(w.File1->item(2));
        QTest::mouseClick(w.File1->viewport(), Qt::RightButton, {}, row.center());
        QTRY_VERIFY(w.mnuFilePop->isVisible());
        for (const char* name :
             {"mnuFilePopVTB", "mnuFilePopOpenDA", "mnuFilePopOpenNp", "popmeta"})
            QCOMPARE(Item(w, name)->isEnabled(), single);
        QVERIFY(Item(w, "popftp")->isEnabled());
        w.mnuFilePop->close();
    };

    tools(false, false, false);
    SelectNames(w, {QStringLiteral("a.txt")});
    QCOMPARE(w.Panel(2)->Text(), QStringLiteral("1 file(s) selected."));
    tools(true, true, true);
    popup(true);
    // The right button left the selection alone.
    QCOMPARE(w.File1->SelectedNames(), QStringList{QStringLiteral("a.txt")});
    SelectNames(w, {QStringLiteral("a.txt"), QStringLiteral("b.txt")});
    tools(false, false, true);
    popup(false);
    w.Command1->click();  // select all
    QCOMPARE(w.Panel(2)->Text(), QStringLiteral("3 file(s) selected."));

    // The Start button needs a search text and a current file.
    QVERIFY(!w.Command3->isEnabled());
    w.Text1->setPlainText(QStringLiteral("x"));
    QVERIFY(w.Command3->isEnabled());
    w.Command5->click();  // refresh: no current file any more
    QVERIFY(!w.Command3->isEnabled());
    QCOMPARE(w.Panel(2)->Text(), QStringLiteral("0 file(s) selected."));
    w.File1->setCurrentRow(0);
    QVERIFY(w.Command3->isEnabled());
    w.Text1->clear();
    QVERIFY(!w.Command3->isEnabled());

    // One file on the text block tab: the file commands stay off.
    SelectNames(w, {QStringLiteral("a.txt")});
    w.tabs1->setCurrentIndex(1);
    tools(false, true, true);

    // The text block's Tally button follows its text.
    w.Text4->setPlainText(QStringLiteral("words"));
    QVERIFY(w.Command4->isEnabled());
    w.Text4->clear();
    QVERIFY(!w.Command4->isEnabled());
}

void frmLMShellTest::folderLabelAndChooser() {
    MainWindowFixture f;
    frmLM& w = f.open();
    QTemporaryDir base(QStringLiteral("/tmp/lm-XXXXXX"));
    const QString prefix = base.path() + QLatin1Char('/');
    const QString exact = prefix + QString(33 - prefix.size(), QLatin1Char('e'));
    const QString longer = prefix + QString(34 - prefix.size(), QLatin1Char('l'));
    QVERIFY(QDir().mkpath(exact));
    QVERIFY(QDir().mkpath(longer));
    QStringList answers{exact, longer, QString(), prefix + QStringLiteral("missing")};
    QStringList starts;
    w.setFolderChooser([&](QWidget*, const QString& title, const QString& start) {
        starts << title + QLatin1Char('|') + start;
        return answers.takeFirst();
    });
    w.numwrdsF->setText(QStringLiteral("5"));
    w.Command2->click();
    QCOMPARE(w.Label2->text(), exact);      // 33 characters: shown whole
    QVERIFY(w.numwrdsF->text().isEmpty());  // a new folder clears the file tally
    Item(w, "mnuFileSelFold")->trigger();
    QCOMPARE(w.Label2->text(), longer.left(30) + QStringLiteral("..."));
    QCOMPARE(w.Label2->toolTip(), longer);
    w.Command2->click();  // cancelled
    w.Command2->click();  // gone
    QCOMPARE(w.File1->Path(), longer);
    QCOMPARE(w.Label2->text(), longer.left(30) + QStringLiteral("..."));
    QCOMPARE(starts, (QStringList{"Select folder...|" + f.work(), "Select folder...|" + exact,
                                  "Select folder...|" + longer, "Select folder...|" + longer}));
}

void frmLMShellTest::fileToolTipShowsNameDateAndSize() {
    MainWindowFixture f;
    f.write(QStringLiteral("a.txt"), "12345");
    f.write(QStringLiteral("b.txt"), "");
    frmLM& w = f.open();
    const QRect first = w.File1->visualItemRect(w.File1->item(0));
    const QRect second = w.File1->visualItemRect(w.File1->item(1));
    QTest::mouseMove(w.File1->viewport(), first.center());
    const QString tip = w.File1->toolTip();
    QVERIFY2(
        tip.startsWith(QStringLiteral("a.txt...")) && tip.endsWith(QStringLiteral("...5 bytes")),
        qPrintable(tip));
    const QDateTime modified = QFileInfo(f.file(QStringLiteral("a.txt"))).lastModified();
    QVERIFY(tip.contains(QLocale::system().toString(modified.date(), QLocale::ShortFormat)));
    w.UpdateFileToolTip(second.center());
    QVERIFY(w.File1->toolTip().endsWith(QStringLiteral("...0 bytes")));
    w.UpdateFileToolTip(QPoint(second.center().x(), second.bottom() + 40));  // below the last
    QVERIFY(w.File1->toolTip().isEmpty());
    QFile::remove(f.file(QStringLiteral("a.txt")));
    w.UpdateFileToolTip(second.center());
    const QString kept = w.File1->toolTip();
    w.UpdateFileToolTip(first.center());  // gone meanwhile: unchanged
    QCOMPARE(w.File1->toolTip(), kept);
}

void frmLMShellTest::openCommandsActOnTheOneSelectedFile() {
    MainWindowFixture f({"with blanks.txt", "z.txt"});
    frmLM& w = f.open();
    UrlRecorder urls;
    SelectNames(w, {QStringLiteral("with blanks.txt")});
    Item(w, "mnuFilePopOpenDA")->trigger();
    QCOMPARE(urls.opened.size(), 1);
    QCOMPARE(urls.opened[0].toLocalFile(), f.file(QStringLiteral("with blanks.txt")));
    Item(w, "mnuFileOpenNp")->trigger();
    QCOMPARE(f.editorArguments(), QStringList{f.file(QStringLiteral("with blanks.txt"))});

    SelectNames(w, {QStringLiteral("with blanks.txt"), QStringLiteral("z.txt")});
    Item(w, "mnuFileOpenDA")->trigger();
    w.File1->clearSelection();
    Item(w, "mnuFileOpenDA")->trigger();
    QCOMPARE(urls.opened.size(), 1);  // two files or none: nothing opens
}

int RunShellTests(int argc, char** argv) {
    frmLMShellTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "frmLMShellTest.moc"
