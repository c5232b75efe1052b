// The file list File1 on real folders: what it lists, in which order, and
// how names find their rows.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "FileListBox.h"
#include "QtPrinters.h"

using lexmill::FileListBox;

namespace {

struct ListCase {
    const char* pattern;
    const char* entries;  // "|"-separated; "name/" a folder, "name@target" a symbolic link
    const char* listed;
};

const ListCase kLists[] = {
    {"*.*",
     "plain.txt|no extension|.hidden.txt|folder.txt/|.git/|link.txt@plain.txt|"
     "dangling.txt@missing|dirlink.txt@folder.txt",
     "link.txt|no extension|plain.txt"},
    {"*.TXT", "NOTES.TXT|notes.text|a.txt.bak|b.txt", "b.txt|NOTES.TXT"},
    {"*.*", "README|a.b.c", "a.b.c|README"},
    {";;*.log;*.htm", "x.LOG|y.htm|z.txt", "x.LOG|y.htm"},
    {"*.htm;*.html;*.shtml*", "INDEX.HTML|a.shtml1|a.txt|b.htm", "a.shtml1|b.htm|INDEX.HTML"},
    {"?.txt;[ab].txt", "a.txt|ab.txt|[ab].txt", "[ab].txt|a.txt"},
    {"*a*a;ä*", "banana|bananas|Äpfel.txt|apfel.txt", "banana|Äpfel.txt"},
    {"Makefile", "makefile", "makefile"},
    {"", "a.txt", ""},
    {"*.*", "b.txt|a2.txt|C.txt|a.txt|A.txt|_x.txt|10.txt",
     "10.txt|_x.txt|A.txt|a.txt|a2.txt|b.txt|C.txt"},
};

TEST(FileListBoxTest, ListsMatchingRegularVisibleFilesSortedIgnoringCase) {
    for (const ListCase& r : kLists) {
        SCOPED_TRACE(std::string(r.pattern) + " over " + r.entries);
        QTemporaryDir dir;
        const QDir d(dir.path());
        for (const QString& entry : QString::fromUtf8(r.entries).split(u'|')) {
            if (entry.endsWith(u'/'))
                ASSERT_TRUE(d.mkdir(entry.chopped(1)));
            else if (const qsizetype at = entry.indexOf(u'@'); at > 0)
                ASSERT_TRUE(QFile::link(d.filePath(entry.mid(at + 1)), d.filePath(entry.left(at))));
            else
                ASSERT_TRUE(QFile(d.filePath(entry)).open(QIODevice::WriteOnly));
        }
        FileListBox list;
        ASSERT_TRUE(list.setPath(dir.path()));
        list.setPattern(QString::fromUtf8(r.pattern));
        QStringList listed;
        for (int row = 0; row < list.count(); ++row) listed << list.item(row)->text();
        EXPECT_EQ(listed.join(u'|'), QString::fromUtf8(r.listed));
    }
}

TEST(FileListBoxTest, NamesFindTheirRowsExactCaseFirst) {
    QTemporaryDir dir;
    for (const char* name : {"Report.txt", "report.txt", "other.txt"})
        ASSERT_TRUE(QFile(QDir(dir.path()).filePath(name)).open(QIODevice::WriteOnly));
    FileListBox list;
    ASSERT_TRUE(list.setPath(dir.path()));
    const std::pair<const char*, int> finds[] = {
        {"report.txt", 2}, {"Report.txt", 1}, {"REPORT.TXT", 1}, {"OTHER.txt", 0}, {"other", -1}};
    for (const auto& [name, row] : finds) EXPECT_EQ(list.FindExact(name), row) << name;
    list.SelectOnly({"REPORT.TXT", "report.txt", "x"});
    EXPECT_EQ(list.SelectedNames(), (QStringList{"Report.txt", "report.txt"}));
}

}  // namespace
