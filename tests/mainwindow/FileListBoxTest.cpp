// The file list `File1` on real folders: what it lists, in which order, and
// its selection as the user makes it with the mouse.
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "FileListBox.h"

using namespace lexmill;

namespace {

void Touch(const QString& path) {
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
}

QStringList Listed(const FileListBox& list) {
    QStringList names;
    for (int row = 0; row < list.count(); ++row) names << list.item(row)->text();
    return names;
}

void Click(FileListBox& list, int row, Qt::KeyboardModifiers modifiers = {}) {
    const QRect rect = list.visualItemRect(list.item(row));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, modifiers, rect.center());
}

}  // namespace

class FileListBoxTest : public QObject {
    Q_OBJECT
  private slots:
    void isTheFileListFile1();
    void listsRegularVisibleFilesOnly();
    void patternsMatchIgnoringCase_data();
    void patternsMatchIgnoringCase();
    void sortsIgnoringCase();
    void pathIsCheckedAndCleaned();
    void changingPatternOrRefreshRelistsAndDropsSelection();
    void mouseSelectionIsExtended();
    void findExactPrefersTheExactName();
    void itemFromPoint();
};

void FileListBoxTest::isTheFileListFile1() {
    FileListBox list;
    QCOMPARE(list.objectName(), QStringLiteral("File1"));
    QCOMPARE(list.selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(list.Path(), QDir::currentPath());
    QCOMPARE(list.property("Pattern").toString(), QStringLiteral("*.*"));
    QVERIFY(list.property("FileName").toString().isEmpty());
}

void FileListBoxTest::listsRegularVisibleFilesOnly() {
    QTemporaryDir dir;
    QDir d(dir.path());
    Touch(d.filePath(QStringLiteral("plain.txt")));
    Touch(d.filePath(QStringLiteral("no extension")));
    Touch(d.filePath(QStringLiteral(".hidden.txt")));
    QVERIFY(d.mkdir(QStringLiteral("folder.txt")));
    QVERIFY(d.mkdir(QStringLiteral(".git")));
    QVERIFY(QFile::link(d.filePath(QStringLiteral("plain.txt")),
                        d.filePath(QStringLiteral("link.txt"))));
    QVERIFY(QFile::link(d.filePath(QStringLiteral("missing")),
                        d.filePath(QStringLiteral("dangling.txt"))));
    QVERIFY(QFile::link(d.filePath(QStringLiteral("folder.txt")),
                        d.filePath(QStringLiteral("dirlink.txt"))));
    QCOMPARE(::mkfifo(QFile::encodeName(d.filePath(QStringLiteral("pipe.txt"))).constData(), 0600),
             0);

    FileListBox list;
    QVERIFY(list.setPath(dir.path()));
    QCOMPARE(Listed(list), (QStringList{"link.txt", "no extension", "plain.txt"}));
}

void FileListBoxTest::patternsMatchIgnoringCase_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("matches");
    const QString html = QStringLiteral("*.htm;*.html;*.shtml*");
    QTest::newRow("*.* without dot") << "*.*"
                                     << "README" << true;
    QTest::newRow("*.* with dot") << "*.*"
                                  << "a.b.c" << true;
    QTest::newRow("*.* among others") << "*.txt;*.*"
                                      << "Makefile" << true;
    QTest::newRow("*.txt") << "*.txt"
                           << "notes.txt" << true;
    QTest::newRow("*.txt upper name") << "*.txt"
                                      << "NOTES.TXT" << true;
    QTest::newRow("*.TXT lower name") << "*.TXT"
                                      << "notes.txt" << true;
    QTest::newRow("*.txt not .txt.bak") << "*.txt"
                                        << "notes.txt.bak" << false;
    QTest::newRow("*.txt not text") << "*.txt"
                                    << "notes.text" << false;
    QTest::newRow("html .htm") << html << "index.htm" << true;
    QTest::newRow("html .HTML") << html << "INDEX.HTML" << true;
    QTest::newRow("html .shtml1") << html << "a.shtml1" << true;
    QTest::newRow("html not .txt") << html << "a.txt" << false;
    QTest::newRow("? is one character") << "?.txt"
                                        << "a.txt" << true;
    QTest::newRow("? is not none") << "?.txt"
                                   << ".txt" << false;
    QTest::newRow("? is not two") << "?.txt"
                                  << "ab.txt" << false;
    QTest::newRow("stars backtrack") << "*a*a"
                                     << "banana" << true;
    QTest::newRow("stars fail") << "*a*a"
                                << "bananas" << false;
    QTest::newRow("non-ASCII case") << "ä*"
                                    << "Äpfel.txt" << true;
    QTest::newRow("literal name") << "Makefile"
                                  << "makefile" << true;
    QTest::newRow("empty pattern") << ""
                                   << "a.txt" << false;
    QTest::newRow("empty parts") << ";;*.log;"
                                 << "x.LOG" << true;
}

void FileListBoxTest::patternsMatchIgnoringCase() {
    QFETCH(QString, pattern);
    QFETCH(QString, name);
    QFETCH(bool, matches);
    QCOMPARE(FileListBox::MatchesPattern(name, pattern), matches);

    // And the list shows exactly the matching names.
    QTemporaryDir dir;
    Touch(QDir(dir.path()).filePath(name));
    FileListBox list;
    QVERIFY(list.setPath(dir.path()));
    list.setPattern(pattern);
    QCOMPARE(list.count(), matches ? 1 : 0);
}

void FileListBoxTest::sortsIgnoringCase() {
    QTemporaryDir dir;
    for (const char* name :
         {"b.txt", "a2.txt", "C.txt", "a.txt", "A.txt", "_x.txt", "10.txt", "9.txt"})
        Touch(QDir(dir.path()).filePath(QString::fromLatin1(name)));
    FileListBox list;
    QVERIFY(list.setPath(dir.path()));
    // Equal names but for case keep a fixed order (upper case first).
    QCOMPARE(Listed(list), (QStringList{"10.txt", "9.txt", "_x.txt", "A.txt", "a.txt", "a2.txt",
                                        "b.txt", "C.txt"}));
}

void FileListBoxTest::pathIsCheckedAndCleaned() {
    QTemporaryDir dir;
    QDir d(dir.path());
    QVERIFY(d.mkdir(QStringLiteral("sub")));
    Touch(d.filePath(QStringLiteral("file.txt")));
    Touch(d.filePath(QStringLiteral("sub/inner.txt")));

    FileListBox list;
    QSignalSpy changes(&list, &FileListBox::PathChange);
    QVERIFY(list.setPath(dir.path() + QStringLiteral("/sub/../sub/")));
    QCOMPARE(list.Path(), d.filePath(QStringLiteral("sub")));
    QCOMPARE(Listed(list), QStringList{"inner.txt"});
    QCOMPARE(changes.count(), 1);

    QVERIFY(list.setPath(d.filePath(QStringLiteral("sub"))));  // the same folder again
    QCOMPARE(changes.count(), 1);

    // Not a folder: nothing changes.
    for (const QString& bad :
         {d.filePath(QStringLiteral("file.txt")), d.filePath(QStringLiteral("gone")), QString()}) {
        QVERIFY(!list.setPath(bad));
        QCOMPARE(list.Path(), d.filePath(QStringLiteral("sub")));
        QCOMPARE(Listed(list), QStringList{"inner.txt"});
    }
    QCOMPARE(changes.count(), 1);

    QVERIFY(list.setPath(QStringLiteral("/")));
    QCOMPARE(list.Path(), QStringLiteral("/"));
}

void FileListBoxTest::changingPatternOrRefreshRelistsAndDropsSelection() {
    QTemporaryDir dir;
    QDir d(dir.path());
    for (const char* name : {"a.txt", "b.log", "c.txt"})
        Touch(d.filePath(QString::fromLatin1(name)));
    FileListBox list;
    QVERIFY(list.setPath(dir.path()));
    QSignalSpy patternChanges(&list, &FileListBox::PatternChange);
    list.selectAll();
    QCOMPARE(list.SelCount(), 3);

    list.setPattern(QStringLiteral("*.txt"));
    QCOMPARE(Listed(list), (QStringList{"a.txt", "c.txt"}));
    QCOMPARE(list.SelCount(), 0);
    QCOMPARE(patternChanges.count(), 1);

    list.selectAll();
    Touch(d.filePath(QStringLiteral("b.txt")));
    QVERIFY(QFile::remove(d.filePath(QStringLiteral("a.txt"))));
    list.Refresh();
    QCOMPARE(Listed(list), (QStringList{"b.txt", "c.txt"}));
    QCOMPARE(list.SelCount(), 0);
}

void FileListBoxTest::mouseSelectionIsExtended() {
    QTemporaryDir dir;
    for (int i = 0; i < 6; ++i) Touch(QDir(dir.path()).filePath(QStringLiteral("f%1.txt").arg(i)));
    FileListBox list;
    QVERIFY(list.setPath(dir.path()));
    list.resize(200, 300);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));

    Click(list, 4);
    QCOMPARE(list.FileName(), QStringLiteral("f4.txt"));
    Click(list, 1, Qt::ControlModifier);  // added, out of list order
    QCOMPARE(list.SelCount(), 2);
    QCOMPARE(list.SelectedNames(), (QStringList{"f1.txt", "f4.txt"}));
    Click(list, 1);
    Click(list, 3, Qt::ShiftModifier);  // a range from the last click
    QCOMPARE(list.SelectedNames(), (QStringList{"f1.txt", "f2.txt", "f3.txt"}));
    Click(list, 5, Qt::ControlModifier);
    Click(list, 2, Qt::ControlModifier);  // taken out again
    QCOMPARE(list.SelectedNames(), (QStringList{"f1.txt", "f3.txt", "f5.txt"}));
    QCOMPARE(list.FileName(), QStringLiteral("f2.txt"));  // the focus, not the selection
    Click(list, 0);
    QCOMPARE(list.SelectedNames(), QStringList{"f0.txt"});
}

void FileListBoxTest::findExactPrefersTheExactName() {
    QTemporaryDir dir;
    for (const char* name : {"Report.txt", "report.txt", "other.txt"})
        Touch(QDir(dir.path()).filePath(QString::fromLatin1(name)));
    FileListBox list;
    QVERIFY(list.setPath(dir.path()));
    QCOMPARE(Listed(list), (QStringList{"other.txt", "Report.txt", "report.txt"}));
    QCOMPARE(list.FindExact(QStringLiteral("report.txt")), 2);
    QCOMPARE(list.FindExact(QStringLiteral("Report.txt")), 1);
    QCOMPARE(list.FindExact(QStringLiteral("REPORT.TXT")), 1);
    QCOMPARE(list.FindExact(QStringLiteral("OTHER.txt")), 0);
    QCOMPARE(list.FindExact(QStringLiteral("other")), -1);

    list.SelectOnly(
        {QStringLiteral("REPORT.TXT"), QStringLiteral("report.txt"), QStringLiteral("x")});
    QCOMPARE(list.SelectedNames(), (QStringList{"Report.txt", "report.txt"}));
}

void FileListBoxTest::itemFromPoint() {
    QTemporaryDir dir;
    FileListBox list;
    QVERIFY(list.setPath(dir.path()));
    list.resize(200, 300);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QCOMPARE(list.ItemFromPoint(QPoint(5, 5)), -1);  // an empty list

    Touch(QDir(dir.path()).filePath(QStringLiteral("a.txt")));
    Touch(QDir(dir.path()).filePath(QStringLiteral("b.txt")));
    list.Refresh();
    const QRect second = list.visualItemRect(list.item(1));
    QCOMPARE(list.ItemFromPoint(second.center()), 1);
    QCOMPARE(list.ItemFromPoint(QPoint(second.center().x(), second.bottom() + 40)), -1);
}

QTEST_MAIN(FileListBoxTest)
#include "FileListBoxTest.moc"
