// The results window driven through its buttons, with the real file list of
// a temporary folder and a stand-in editor script.
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "FileListBox.h"
#include "Form3.h"
#include "ScriptedMessageBoxes.h"

using namespace lexmill;

namespace {

void Touch(const QTemporaryDir& dir, const QStringList& names) {
    for (const QString& name : names) QFile(dir.filePath(name)).open(QIODevice::WriteOnly);
}

QPushButton* Button(const Form3& form, int number) {
    return form.findChild<QPushButton*>(QStringLiteral("Command%1").arg(number));
}

QListWidget* List1(const Form3& form) {
    return form.findChild<QListWidget*>(QStringLiteral("List1"));
}

}  // namespace

class Form3Test : public QObject {
    Q_OBJECT
  private slots:
    void hasItsCaptionsAndShowsNamesAsPlainText();
    void buttonsFollowTheList();
    void copyPutsEachNameWithCrLf();
    void viewOpensTheSelectedFileInTheEditor();
    void selectAllSelectsExactlyTheListedFiles();
    void doneClearsAndCloses();
};

void Form3Test::hasItsCaptionsAndShowsNamesAsPlainText() {
    Form3 form(nullptr, QString());
    QCOMPARE(form.windowTitle(), QStringLiteral("Finished"));
    const QStringList captions{form.findChild<QLabel*>(QStringLiteral("Label1"))->text(),
                               Button(form, 1)->text(), Button(form, 2)->text(),
                               Button(form, 3)->text(), Button(form, 4)->text()};
    QCOMPARE(captions, (QStringList{"Files that were changed:", "&Done", "&Copy List to Clipboard",
                                    "&View Selected in Notepad",
                                    "&Select All of These Files in File Selection Window"}));
    QCOMPARE(List1(form)->selectionMode(), QAbstractItemView::SingleSelection);
    for (const char* label : {"Label1", "Label2"})
        QCOMPARE(form.findChild<QLabel*>(QLatin1String(label))->textFormat(), Qt::PlainText);
}

void Form3Test::buttonsFollowTheList() {
    // Copy is enabled unless the first item is "None"; view needs a selection too.
    struct Row {
        QStringList names;
        int selected;  // -1: none
        bool copy, view;
    };
    const Row rows[] = {
        {{}, -1, true, false},         // a replace run that changed nothing
        {{"None"}, -1, false, false},  // a "Search Only" run that found nothing
        {{"None"}, 0, false, false},
        {{"a.txt", "b.txt", "c.txt"}, -1, true, false},
        {{"a.txt", "b.txt", "c.txt"}, 1, true, true},
        {{"a.txt", "None"}, 1, true, true},  // "None" only counts as the first item
    };
    for (const Row& row : rows) {
        Form3 form(nullptr, QString());
        for (const QString& name : row.names) form.addResult(name);
        if (row.selected >= 0) List1(form)->item(row.selected)->setSelected(true);
        const QString state = row.names.join(QLatin1Char(',')) + QString::number(row.selected);
        QVERIFY2(Button(form, 1)->isEnabled() && Button(form, 4)->isEnabled(), qPrintable(state));
        QVERIFY2(Button(form, 2)->isEnabled() == row.copy, qPrintable(state));
        QVERIFY2(Button(form, 3)->isEnabled() == row.view, qPrintable(state));
        List1(form)->clearSelection();
        QVERIFY2(!Button(form, 3)->isEnabled(), qPrintable(state));
    }
}

void Form3Test::copyPutsEachNameWithCrLf() {
    const std::pair<QStringList, QString> rows[] = {
        {{"a.txt", "b c.htm", "Ä.txt"}, QStringLiteral("a.txt\r\nb c.htm\r\nÄ.txt\r\n")},
        {{}, QString()},  // nothing changed: the clipboard is emptied
    };
    for (const auto& [names, clipboard] : rows) {
        QGuiApplication::clipboard()->setText(QStringLiteral("what was there before"));
        Form3 form(nullptr, QString());
        for (const QString& name : names) form.addResult(name);
        Button(form, 2)->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), clipboard);
    }
}

void Form3Test::viewOpensTheSelectedFileInTheEditor() {
    QTemporaryDir work;
    FileListBox fileList;
    QVERIFY(fileList.setPath(work.path()));
    ScriptedMessageBoxes boxes;
    // "touch" stands in for the editor: it makes exactly the file it is given.
    Form3 form(&fileList, QStandardPaths::findExecutable(QStringLiteral("touch")));
    form.addResult(QStringLiteral("b.txt"));
    form.addResult(QStringLiteral("my notes; $(x).txt"));
    form.show();
    List1(form)->item(1)->setSelected(true);
    Button(form, 3)->click();
    QTRY_COMPARE_WITH_TIMEOUT(QDir(work.path()).entryList(QDir::Files),
                              QStringList{"my notes; $(x).txt"}, 10000);
    QCOMPARE(boxes.count(), 0);
    QVERIFY(form.isVisible());  // the window stays open

    // Without an editor the user is told, with the file's full path.
    Form3 bare(&fileList, QString());
    bare.addResult(QStringLiteral("gone.txt"));
    List1(bare)->item(0)->setSelected(true);
    Button(bare, 3)->click();
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().title, QStringLiteral("Error"));
    QCOMPARE(boxes.last().icon, QMessageBox::Critical);
    QVERIFY(boxes.last().text.contains(work.filePath(QStringLiteral("gone.txt"))));
}

void Form3Test::selectAllSelectsExactlyTheListedFiles() {
    QTemporaryDir work;
    Touch(work, {"a.txt", "B.TXT", "c.txt", "d.txt", "e.txt", "Report.txt", "report.txt"});
    FileListBox fileList;
    QVERIFY(fileList.setPath(work.path()));
    // Names that differ in case still select, but an exact name wins; a name
    // no longer listed (and "None") is skipped; earlier selections are dropped.
    const std::pair<QStringList, QStringList> rows[] = {
        {{"c.txt", "A.TXT", "b.txt", "renamed.txt"}, {"a.txt", "B.TXT", "c.txt"}},
        {{"report.txt"}, {"report.txt"}},
        {{"None"}, {}},
    };
    for (const auto& [listed, selected] : rows) {
        fileList.clearSelection();
        for (const char* name : {"d.txt", "e.txt"})
            fileList.item(fileList.FindExact(QLatin1String(name)))->setSelected(true);
        Form3 form(&fileList, QString());
        for (const QString& name : listed) form.addResult(name);
        Button(form, 4)->click();
        QCOMPARE(fileList.SelectedNames(), selected);
        QVERIFY(!QApplication::overrideCursor());  // the hourglass is gone again
    }
}

void Form3Test::doneClearsAndCloses() {
    Form3 form(nullptr, QString());
    form.addResult(QStringLiteral("a.txt"));
    bool wasModal = false;
    QTimer::singleShot(0, &form, [&] {
        wasModal = QApplication::activeModalWidget() == &form;
        Button(form, 1)->click();
    });
    QCOMPARE(form.exec(), int(QDialog::Accepted));
    QVERIFY(wasModal);
    QVERIFY(!form.isVisible());
    QCOMPARE(List1(form)->count(), 0);
}

int RunForm3Tests(int argc, char** argv) {
    Form3Test test;
    return QTest::qExec(&test, argc, argv);
}

#include "Form3Test.moc"
