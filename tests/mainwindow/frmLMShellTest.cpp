// The main window as the user meets it: start-up from the settings file,
// menus, tabs, the Esc key, the filters, the selection-driven enabling, and
// the closing that saves the options.
#include "frmLMShellTest.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "FileListBox.h"
#include "StatusPanel.h"
#include "frmLMTestSupport.h"

using namespace lexmill;
using namespace lexmill::test;

namespace {

QStringList Listed(const frmLM& w) {
    QStringList names;
    for (int row = 0; row < w.File1->count(); ++row) names << w.File1->item(row)->text();
    return names;
}

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

}  // namespace

void frmLMShellTest::startsOnAnEmptyStore() {
    MainWindowFixture f;
    f.write(QStringLiteral("a.txt"), "x");
    f.write(QStringLiteral("b.log"), "x");
    frmLM& w = f.open();
    QCOMPARE(w.windowTitle(), QStringLiteral("Lexmill"));
    QVERIFY(!w.IsLoading());
    QCOMPARE(w.Combo1->currentIndex(), 0);
    QCOMPARE(w.Combo1->currentText(), QStringLiteral("Text Files"));
    QCOMPARE(w.File1->Pattern(), QStringLiteral("*.txt"));
    QCOMPARE(Listed(w), QStringList{QStringLiteral("a.txt")});
    QCOMPARE(w.File1->Path(), f.work());
    QVERIFY(!w.Text3->isEnabled());
    QVERIFY(!w.Label13->isEnabled());
    QVERIFY(w.Check1->isChecked());
    QVERIFY(!w.Check3->isChecked());
    QVERIFY(!w.Check4->isChecked());
    QVERIFY(w.Check2->isChecked());
    QVERIFY(w.Text4->isReadOnly());
    QVERIFY(!w.Label10->isEnabled());
    QVERIFY(!w.Label12->isEnabled());
    QCOMPARE(w.favs[0]->text(), QStringLiteral("(Empty)"));
    QVERIFY(!w.favs[0]->isEnabled());
    for (int i = 1; i < 5; ++i) QVERIFY(!w.favs[i]->isVisible());
    QCOMPARE(w.Panel(0)->Text(), frmLM::IdleText());
    QCOMPARE(w.Panel(0)->toolTip(), frmLM::IdleText());
    QVERIFY(w.Panel(1)->Text().isEmpty());
    QCOMPARE(w.Panel(2)->objectName(), QStringLiteral("pnlProgress"));
    QCOMPARE(w.Panel(2)->Text(), QStringLiteral("0 file(s) selected."));
    QVERIFY(!w.Command3->isEnabled());
    QVERIFY(!w.Command4->isEnabled());
    QCOMPARE(f.boxes.count(), 0);  // restoring "Make Backups" is silent
    // Fixed size, at least the design size, nothing squeezed below its minimum.
    QCOMPARE(w.minimumSize(), w.maximumSize());
    QVERIFY(w.width() >= 549);
    QVERIFY(w.centralWidget()->height() >= w.centralWidget()->minimumSizeHint().height());
    QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
}

void frmLMShellTest::startsFromStoredValues_data() {
    QTest::addColumn<QStringList>("stored");  // key, value, key, value...
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("custom");
    QTest::addColumn<QString>("folder");  // "work", "other"
    QTest::addColumn<QString>("checks");  // Check1, Check3, Check4

    QTest::newRow("last used custom")
        << QStringList{"Startup Filter",          "Last Used", "Last Used Filter", "3",
                       "Last Used Custom Filter", "*.log"}
        << 3 << "*.log"
        << "*.log"
        << "work"
        << "100";
    QTest::newRow("last used, no filter stored")
        << QStringList{"Startup Filter", "Last Used"} << 0 << "*.txt"
        << ""
        << "work"
        << "100";
    QTest::newRow("html") << QStringList{"Startup Filter", "1"} << 1 << "*.htm;*.html;*.shtml*"
                          << ""
                          << "work"
                          << "100";
    QTest::newRow("custom startup filter")
        << QStringList{"Startup Filter",          "3",    "Custom Startup Filter", "*.md",
                       "Last Used Custom Filter", "*.log"}
        << 3 << "*.md"
        << "*.md"
        << "work"
        << "100";
    QTest::newRow("custom without pattern") << QStringList{"Startup Filter", "3"} << 3 << "*.*"
                                            << "*.*"
                                            << "work"
                                            << "100";
    QTest::newRow("index out of range") << QStringList{"Startup Filter", "7"} << -1 << "*.*"
                                        << ""
                                        << "work"
                                        << "100";
    QTest::newRow("last used folder")
        << QStringList{"Startup Folder Option", "0", "Last Used Folder", "<other>"} << 0 << "*.txt"
        << ""
        << "other"
        << "100";
    QTest::newRow("last used folder gone")
        << QStringList{"Startup Folder Option", "0", "Last Used Folder", "/no/such/folder"} << 0
        << "*.txt"
        << ""
        << "work"
        << "100";
    QTest::newRow("startup folder")
        << QStringList{"Startup Folder Option", "2", "Startup Folder", "<other>"} << 0 << "*.txt"
        << ""
        << "other"
        << "100";
    QTest::newRow("startup folder missing")
        << QStringList{"Startup Folder Option", "2", "Last Used Folder", "<other>"} << 0 << "*.txt"
        << ""
        << "work"
        << "100";
    QTest::newRow("current directory")
        << QStringList{"Startup Folder Option", "1", "Last Used Folder", "<other>"} << 0 << "*.txt"
        << ""
        << "work"
        << "100";
    QTest::newRow("option holding a path")
        << QStringList{"Startup Folder Option", "<other>", "Last Used Folder", "<other>"} << 0
        << "*.txt"
        << ""
        << "work"
        << "100";
    QTest::newRow("check boxes") << QStringList{"Make Backups", "0", "Search Only", "1",
                                                "Match Case",   "1"}
                                 << 0 << "*.txt"
                                 << ""
                                 << "work"
                                 << "011";
    QTest::newRow("unusable check boxes")
        << QStringList{"Make Backups", "abc", "Search Only", "2", "Match Case", " 1 "} << 0
        << "*.txt"
        << ""
        << "work"
        << "101";
}

void frmLMShellTest::startsFromStoredValues() {
    QFETCH(QStringList, stored);
    QFETCH(int, index);
    QFETCH(QString, pattern);
    QFETCH(QString, custom);
    QFETCH(QString, folder);
    QFETCH(QString, checks);

    MainWindowFixture f;
    const QString other = f.file(QStringLiteral("other"));
    QVERIFY(QDir().mkpath(other));
    for (int i = 0; i + 1 < stored.size(); i += 2)
        f.store(stored[i], QString(stored[i + 1]).replace(QStringLiteral("<other>"), other));
    frmLM& w = f.open();
    QCOMPARE(w.Combo1->currentIndex(), index);
    QCOMPARE(w.File1->Pattern(), pattern);
    QCOMPARE(w.Text3->text(), custom);
    QCOMPARE(w.Text3->isEnabled(), index == 3);
    QCOMPARE(w.File1->Path(), folder == QLatin1String("other") ? other : f.work());
    QCOMPARE(w.Check1->isChecked(), checks[0] == QLatin1Char('1'));
    QCOMPARE(w.Check3->isChecked(), checks[1] == QLatin1Char('1'));
    QCOMPARE(w.Check4->isChecked(), checks[2] == QLatin1Char('1'));
    QCOMPARE(w.Text2->isEnabled(), checks[1] == QLatin1Char('0'));
    QCOMPARE(w.Label8->isEnabled(), checks[1] == QLatin1Char('0'));
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
    // Other windows of the program close with it, shown or hidden.
    QDialog shown(&w), hidden(&w);
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
    QCOMPARE(w.Combo1->currentIndex(), -1);
    Item(w, "mnuFileExit")->trigger();
    QVERIFY(!w.isVisible());
    QCOMPARE(f.stored(QStringLiteral("Last Used Filter")), QStringLiteral("-1"));
    QCOMPARE(f.stored(QStringLiteral("Last Used Folder")), f.work());
    QCOMPARE(f.stored(QStringLiteral("Last Used Custom Filter")), QString());
    QCOMPARE(f.stored(QStringLiteral("Make Backups")), QStringLiteral("1"));
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
    QCOMPARE(Captions(w.mnuFavs), (QStringList{"(Empty)", "", "", "", "", "-", "&Edit Favorites"}));
    QCOMPARE(Captions(w.mnuTools),
             (QStringList{"&View File in Text Block Window", "Open File in &Default Application",
                          "Open File in &Notepad", "&FTP Upload", "&Meta Tag Extractor"}));
    QCOMPARE(Captions(w.mnuHelp), (QStringList{"&Contents", "-", "&About"}));
    QCOMPARE(Find<QMenu>(w, "mnuPopSysTray")->title(), QStringLiteral("mnuPop"));
    QCOMPARE(Captions(w.mnuPopSysTray), (QStringList{"&Restore", "-", "&Exit"}));
    QCOMPARE(Find<QMenu>(w, "mnuFilePop")->title(), QStringLiteral("&File"));
    QCOMPARE(Captions(w.mnuFilePop),
             (QStringList{"&View File in Text Block Window", "Open File in &Default Application",
                          "Open File in &Notepad", "-", "&FTP Upload", "&Meta Tag Extractor"}));
    QCOMPARE(w.mnuFilePop->defaultAction(), Item(w, "mnuFilePopVTB"));
    for (const QAction* a : w.findChildren<QAction*>()) QVERIFY(a->shortcut().isEmpty());
}

void frmLMShellTest::switchingTabsHidesAndRestoresTheMenus() {
    MainWindowFixture f;
    frmLM& w = f.open();
    const auto check = [&](bool fileTab) {
        for (const char* name : {"mnuFileSelFold", "mnuFileSelAll", "mnuFileRef"})
            QCOMPARE(Item(w, name)->isEnabled(), fileTab);
        QCOMPARE(w.mnuFavs->menuAction()->isVisible(), fileTab);
        QCOMPARE(w.mnuTools->menuAction()->isVisible(), fileTab);
        QVERIFY(Item(w, "mnuFileTr")->isEnabled());
        QVERIFY(Item(w, "mnuFileExit")->isEnabled());
        QCOMPARE(w.Panel(2)->Text(), fileTab ? QStringLiteral("0 file(s) selected.") : QString());
    };
    check(true);
    w.tabs1->setCurrentIndex(1);
    check(false);
    w.tabs1->setCurrentIndex(0);
    check(true);
}

void frmLMShellTest::escapeRequestsCancelFromAnyControl() {
    MainWindowFixture f;
    frmLM& w = f.open();
    const QList<QWidget*> controls{w.Text1, w.Text2, w.KWtext, w.File1, w.Combo1, w.Command6};
    for (QWidget* control : controls) {
        f.m.CancelRequested = false;
        control->setFocus();
        QTest::keyClick(control, Qt::Key_Escape);
        QVERIFY2(f.m.CancelRequested, qPrintable(control->objectName()));
    }
    w.Combo1->setCurrentIndex(3);  // the custom box must be enabled to take keys
    f.m.CancelRequested = false;
    QTest::keyClick(w.Text3, Qt::Key_Escape);
    QVERIFY(f.m.CancelRequested);
    f.m.CancelRequested = false;
    w.tabs1->setCurrentIndex(1);
    QTest::keyClick(w.Text4, Qt::Key_Escape);
    QVERIFY(f.m.CancelRequested);
    f.m.CancelRequested = false;
    QTest::keyClick(w.Text1, Qt::Key_A);
    QVERIFY(!f.m.CancelRequested);
}

void frmLMShellTest::filtersListTheirFiles_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<QStringList>("listed");
    QTest::newRow("text") << 0 << QStringList{"a.txt", "G.TXT"};
    QTest::newRow("html") << 1 << QStringList{"b.htm", "c.html", "d.shtml", "e.shtml1"};
    QTest::newRow("all") << 2 << QStringList{"a.txt",    "b.htm", "c.html", "d.shtml",
                                             "e.shtml1", "f.log", "G.TXT",  "noext"};
    QTest::newRow("custom, empty box") << 3 << QStringList{"a.txt",    "b.htm", "c.html", "d.shtml",
                                                           "e.shtml1", "f.log", "G.TXT",  "noext"};
}

void frmLMShellTest::filtersListTheirFiles() {
    QFETCH(int, index);
    QFETCH(QStringList, listed);
    MainWindowFixture f;
    for (const char* name :
         {"a.txt", "b.htm", "c.html", "d.shtml", "e.shtml1", "f.log", "G.TXT", "noext"})
        f.write(QString::fromLatin1(name), "x");
    frmLM& w = f.open();
    w.Combo1->setCurrentIndex(2);  // from another filter, so that each choice is a change
    w.Combo1->setCurrentIndex(index);
    QCOMPARE(Listed(w), listed);
    QCOMPARE(w.Text3->isEnabled(), index == 3);
    QCOMPARE(w.Label13->isEnabled(), index == 3);
}

void frmLMShellTest::customFilterTakesOnlyPatternKeys() {
    MainWindowFixture f;
    for (const char* name : {"a.txt", "f.log", "g.LOG"}) f.write(QString::fromLatin1(name), "x");
    frmLM& w = f.open();
    w.Combo1->setCurrentIndex(3);
    w.Text3->setFocus();
    QTest::keyClicks(w.Text3, QStringLiteral("*.l; o_g"));
    QCOMPARE(w.Text3->text(), QStringLiteral("*.log"));
    QCOMPARE(Listed(w), (QStringList{"f.log", "g.LOG"}));
    QTest::keyClick(w.Text3, Qt::Key_Backspace);
    QCOMPARE(w.Text3->text(), QStringLiteral("*.lo"));
    QVERIFY(Listed(w).isEmpty());
    w.Text3->clear();  // empty box: every file
    QCOMPARE(Listed(w).size(), 3);
}

void frmLMShellTest::selectionDrivesMenusAndButtons() {
    MainWindowFixture f;
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) f.write(QString::fromLatin1(name), "x");
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
    QCOMPARE(w.Panel(2)->Text(), QStringLiteral("2 file(s) selected."));
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
    emit w.mnuTools->aboutToShow();
    QVERIFY(!Item(w, "mnuFileVTB")->isEnabled());
    QVERIFY(Item(w, "mnuToolsMeta")->isEnabled());

    // The text block's Tally button follows its text.
    QVERIFY(!w.Command4->isEnabled());
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
    QStringList titles;
    w.setFolderChooser([&](QWidget*, const QString& title, const QString& start) {
        titles << title + QLatin1Char('|') + start;
        return answers.takeFirst();
    });
    w.numwrdsF->setText(QStringLiteral("5"));
    w.Command2->click();
    QCOMPARE(w.Label2->text(), exact);  // 33 characters: shown whole
    QCOMPARE(w.Label2->toolTip(), exact);
    QVERIFY(w.numwrdsF->text().isEmpty());  // a new folder clears the file tally
    Item(w, "mnuFileSelFold")->trigger();
    QCOMPARE(w.Label2->text(), longer.left(30) + QStringLiteral("..."));
    QCOMPARE(w.Label2->toolTip(), longer);
    w.Command2->click();  // cancelled
    QCOMPARE(w.File1->Path(), longer);
    QCOMPARE(w.Label2->text(), longer.left(30) + QStringLiteral("..."));
    w.Command2->click();  // gone
    QCOMPARE(w.File1->Path(), longer);
    QCOMPARE(titles, (QStringList{"Select folder...|" + f.work(), "Select folder...|" + exact,
                                  "Select folder...|" + longer, "Select folder...|" + longer}));
}

void frmLMShellTest::fileToolTipShowsNameDateAndSize() {
    MainWindowFixture f;
    f.write(QStringLiteral("a.txt"), "12345");
    f.write(QStringLiteral("b.txt"), "");
    frmLM& w = f.open();
    const QRect first = w.File1->visualItemRect(w.File1->item(0));
    QTest::mouseMove(w.File1->viewport(), first.center());
    const QString tip = w.File1->toolTip();
    QVERIFY2(tip.startsWith(QStringLiteral("a.txt...")), qPrintable(tip));
    QVERIFY2(tip.endsWith(QStringLiteral("...5 bytes")), qPrintable(tip));
    const QDateTime modified = QFileInfo(f.file(QStringLiteral("a.txt"))).lastModified();
    QVERIFY(tip.contains(QLocale::system().toString(modified.date(), QLocale::ShortFormat)));
    const QRect second = w.File1->visualItemRect(w.File1->item(1));
    w.UpdateFileToolTip(second.center());
    QVERIFY(w.File1->toolTip().endsWith(QStringLiteral("...0 bytes")));
    w.UpdateFileToolTip(QPoint(second.center().x(), second.bottom() + 40));  // below the last
    QVERIFY(w.File1->toolTip().isEmpty());
    w.UpdateFileToolTip(first.center());
    QFile::remove(f.file(QStringLiteral("a.txt")));
    w.UpdateFileToolTip(second.center());
    const QString kept = w.File1->toolTip();
    w.UpdateFileToolTip(first.center());  // gone meanwhile: unchanged
    QCOMPARE(w.File1->toolTip(), kept);
}

void frmLMShellTest::openCommandsActOnTheOneSelectedFile() {
    MainWindowFixture f;
    f.write(QStringLiteral("with blanks.txt"), "x");
    f.write(QStringLiteral("z.txt"), "x");
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
    QCOMPARE(urls.opened.size(), 1);  // two files: nothing opens
    w.File1->clearSelection();
    Item(w, "mnuFileOpenDA")->trigger();
    QCOMPARE(urls.opened.size(), 1);
}

#include "frmLMShellTest.moc"
