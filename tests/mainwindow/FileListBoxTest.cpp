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

void Touch(const QTemporaryDir& dir, const QStringList& names) {
    for (const QString& name : names) {
        QFile file(dir.filePath(name));
        QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(name));
    }
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

struct PatternRow {
    const char* name;
    const char* pattern;
    const char* file;
    bool matches;
};

const PatternRow kPatternRows[] = {
    {"*.* without dot", "*.*", "README", true},
    {"*.* with dot", "*.*", "a.b.c", true},
    {"*.* among others", "*.txt;*.*", "Makefile", true},
    {"*.txt upper name", "*.txt", "NOTES.TXT", true},
    {"*.TXT lower name", "*.TXT", "notes.txt", true},
    {"*.txt not .txt.bak", "*.txt", "notes.txt.bak", false},
    {"*.txt not text", "*.txt", "notes.text", false},
    {"html .HTML", "*.htm;*.html;*.shtml*", "INDEX.HTML", true},
    {"html .shtml1", "*.htm;*.html;*.shtml*", "a.shtml1", true},
    {"html not .txt", "*.htm;*.html;*.shtml*", "a.txt", false},
    {"? is one character", "?.txt", "a.txt", true},
    {"? is not none", "?.txt", ".txt", false},
    {"? is not two", "?.txt", "ab.txt", false},
    {"stars backtrack", "*a*a", "banana", true},
    {"stars fail", "*a*a", "bananas", false},
    {"non-ASCII case", "ä*", "Äpfel.txt", true},
    {"literal name", "Makefile", "makefile", true},
    {"empty pattern", "", "a.txt", false},
    {"empty parts", ";;*.log;", "x.LOG", true},
};

}  // namespace

class FileListBoxTest : public QObject {
    Q_OBJECT
  private slots:
    void listsRegularVisibleFilesOnly();
    void patternsMatchIgnoringCase_data();
    void patternsMatchIgnoringCase();
    void sortsIgnoringCase();
    void pathIsCheckedAndCleaned();
    void changingPatternOrRefreshRelistsAndDropsSelection();
    void mouseSelectionIsExtended();
    void findExactPrefersTheExactName();
};

void FileListBoxTest::listsRegularVisibleFilesOnly() {
    QTemporaryDir dir;
    QDir d(dir.path());
    Touch(dir, {"plain.txt", "no extension", ".hidden.txt"});
    QVERIFY(d.mkdir(QStringLiteral("folder.txt")));
    QVERIFY(d.mkdir(QStringLiteral(".git")));
    for (const char* target : {"plain.txt", "missing", "folder.txt"})
        QVERIFY(QFile::link(d.filePath(QString::fromLatin1(target)),
                            d.filePath(QStringLiteral("link-%1.txt").arg(target))));
    QCOMPARE(::mkfifo(QFile::encodeName(d.filePath(QStringLiteral("pipe.txt"))).constData(), 0600),
             0);
    FileListBox list;
    QVERIFY(list.setPath(dir.path()));
    QCOMPARE(Listed(list), (QStringList{"link-plain.txt.txt", "no extension", "plain.txt"}));
}

void FileListBoxTest::patternsMatchIgnoringCase_data() {
    QTest::addColumn<int>("row");
    for (int i = 0; i < int(std::size(kPatternRows)); ++i) QTest::newRow(kPatternRows[i].name) << i;
}

void FileListBoxTest::patternsMatchIgnoringCase() {
    QFETCH(int, row);
    const PatternRow& r = kPatternRows[row];
    const QString pattern = QString::fromUtf8(r.pattern), name = QString::fromUtf8(r.file);
    QCOMPARE(FileListBox::MatchesPattern(name, pattern), r.matches);
    // And the list shows exactly the matching names.
    QTemporaryDir dir;
    Touch(dir, {name});
    FileListBox list;
    QVERIFY(list.setPath(dir.path()));
    list.setPattern(pattern);
    QCOMPARE(list.count(), r.matches ? 1 : 0);
}

void FileListBoxTest::sortsIgnoringCase() {
    QTemporaryDir dir;
    Touch(dir, {"b.txt", "a2.txt", "C.txt", "a.txt", "A.txt", "_x.txt", "10.txt", "9.txt"});
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
    Touch(dir, {"file.txt", "sub/inner.txt"});
    FileListBox list;
    QSignalSpy changes(&list, &FileListBox::PathChange);
    QVERIFY(list.setPath(dir.path() + QStringLiteral("/sub/../sub/")));
    QCOMPARE(list.Path(), d.filePath(QStringLiteral("sub")));
    QVERIFY(list.setPath(d.filePath(QStringLiteral("sub"))));  // the same folder again
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
    Touch(dir, {"a.txt", "b.log", "c.txt"});
    FileListBox list;
    QVERIFY(list.setPath(dir.path()));
    QSignalSpy patternChanges(&list, &FileListBox::PatternChange);
    list.selectAll();
    list.setPattern(QStringLiteral("*.txt"));
    QCOMPARE(Listed(list), (QStringList{"a.txt", "c.txt"}));
    QCOMPARE(list.SelCount(), 0);
    QCOMPARE(patternChanges.count(), 1);

    list.selectAll();
    Touch(dir, {"b.txt"});
    QVERIFY(QFile::remove(dir.filePath(QStringLiteral("a.txt"))));
    list.Refresh();
    QCOMPARE(Listed(list), (QStringList{"b.txt", "c.txt"}));
    QCOMPARE(list.SelCount(), 0);
}

void FileListBoxTest::mouseSelectionIsExtended() {
    QTemporaryDir dir;
    FileListBox list;
    QVERIFY(list.setPath(dir.path()));
    list.resize(200, 300);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QCOMPARE(list.ItemFromPoint(QPoint(5, 5)), -1);  // an empty list
    for (int i = 0; i < 6; ++i) Touch(dir, {QStringLiteral("f%1.txt").arg(i)});
    list.Refresh();
    const QRect last = list.visualItemRect(list.item(5));
    QCOMPARE(list.ItemFromPoint(last.center()), 5);
    QCOMPARE(list.ItemFromPoint(QPoint(last.center().x(), last.bottom() + 40)), -1);

    Click(list, 4);
    QCOMPARE(list.FileName(), QStringLiteral("f4.txt"));
    Click(list, 1, Qt::ControlModifier);  // added, out of list order
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
    Touch(dir, {"Report.txt", "report.txt", "other.txt"});
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

QTEST_MAIN(FileListBoxTest)
#include "FileListBoxTest.moc"
