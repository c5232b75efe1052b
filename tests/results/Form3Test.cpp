// The results window driven through its buttons, with the real file list of
// a temporary folder and a stand-in editor script.
#include "Form3Test.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "FileListBox.h"
#include "Form3.h"
#include "ScriptedMessageBoxes.h"

using namespace lexmill;

namespace {

void Touch(const QTemporaryDir& dir, const QString& name) {
    QFile file(dir.filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
}

// A stand-in editor: writes how many arguments it got, one per line.
QString EditorScript(const QTemporaryDir& dir) {
    const QString path = dir.filePath(QStringLiteral("editor.sh"));
    QFile script(path);
    script.open(QIODevice::WriteOnly);
    script.write(
        "#!/bin/sh\n"
        "out=\"$(dirname \"$0\")/args\"\n"
        "{ echo \"$#\"; for a in \"$@\"; do echo \"$a\"; done; } > \"$out.tmp\"\n"
        "mv \"$out.tmp\" \"$out\"\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

template <typename T>
T* Find(const Form3& form, const char* name) {
    T* control = form.findChild<T*>(QString::fromLatin1(name));
    if (!control) qFatal("no control %s", name);
    return control;
}

QPushButton* Button(const Form3& form, int number) {
    return Find<QPushButton>(form, QStringLiteral("Command%1").arg(number).toLatin1().constData());
}

void SelectRow(const Form3& form, int row) {
    Find<QListWidget>(form, "List1")->item(row)->setSelected(true);
}

}  // namespace

void Form3Test::hasItsControlsAndCaptions() {
    Form3 form(nullptr, QString());
    QCOMPARE(form.objectName(), QStringLiteral("Form3"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Finished"));
    QVERIFY(form.isModal());
    QCOMPARE(Find<QLabel>(form, "Label1")->text(), QStringLiteral("Files that were changed:"));
    QCOMPARE(Find<QListWidget>(form, "List1")->selectionMode(), QAbstractItemView::SingleSelection);
    QVERIFY(Find<QLabel>(form, "Label2")->text().isEmpty());
    QCOMPARE(Find<QLabel>(form, "Label1")->textFormat(), Qt::PlainText);
    QCOMPARE(Find<QLabel>(form, "Label2")->textFormat(), Qt::PlainText);
    QCOMPARE(Button(form, 1)->text(), QStringLiteral("&Done"));
    QCOMPARE(Button(form, 2)->text(), QStringLiteral("&Copy List to Clipboard"));
    QCOMPARE(Button(form, 3)->text(), QStringLiteral("&View Selected in Notepad"));
    QCOMPARE(Button(form, 4)->text(),
             QStringLiteral("&Select All of These Files in File Selection Window"));
}

void Form3Test::buttonsFollowTheList() {
    struct State {
        bool copy, view;
    };
    const auto check = [](const Form3& form, State expected) {
        QCOMPARE(Button(form, 1)->isEnabled(), true);
        QCOMPARE(Button(form, 2)->isEnabled(), expected.copy);
        QCOMPARE(Button(form, 3)->isEnabled(), expected.view);
        QCOMPARE(Button(form, 4)->isEnabled(), true);
    };
    {
        Form3 form(nullptr, QString());  // a replace run that changed nothing
        check(form, {true, false});
    }
    {
        Form3 form(nullptr, QString());  // a "Search Only" run that found nothing
        form.setHeading(QStringLiteral("Files:"));
        form.addResult(QStringLiteral("None"));
        check(form, {false, false});
        SelectRow(form, 0);
        check(form, {false, false});
    }
    {
        Form3 form(nullptr, QString());
        for (const char* name : {"a.txt", "b.txt", "c.txt"})
            form.addResult(QString::fromLatin1(name));
        check(form, {true, false});
        SelectRow(form, 1);
        check(form, {true, true});
        Find<QListWidget>(form, "List1")->clearSelection();
        check(form, {true, false});
    }
    {
        Form3 form(nullptr, QString());  // "None" only disables as the first item
        form.addResult(QStringLiteral("a.txt"));
        form.addResult(QStringLiteral("None"));
        SelectRow(form, 1);
        check(form, {true, true});
    }
}

void Form3Test::copyPutsEachNameWithCrLf_data() {
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("clipboard");
    QTest::newRow("three files") << QStringList{"a.txt", "b c.htm", "Ä.txt"}
                                 << QStringLiteral("a.txt\r\nb c.htm\r\nÄ.txt\r\n");
    QTest::newRow("nothing changed") << QStringList{} << QString();
}

void Form3Test::copyPutsEachNameWithCrLf() {
    QFETCH(QStringList, names);
    QFETCH(QString, clipboard);
    QGuiApplication::clipboard()->setText(QStringLiteral("what was there before"));
    Form3 form(nullptr, QString());
    for (const QString& name : names) form.addResult(name);
    QVERIFY(Button(form, 2)->isEnabled());
    Button(form, 2)->click();
    QCOMPARE(QGuiApplication::clipboard()->text(), clipboard);
}

void Form3Test::viewOpensTheSelectedFileInTheEditor() {
    QTemporaryDir work, tools;
    Touch(work, QStringLiteral("my notes; $(x).txt"));
    Touch(work, QStringLiteral("b.txt"));
    FileListBox fileList;
    QVERIFY(fileList.setPath(work.path()));
    ScriptedMessageBoxes boxes;

    Form3 form(&fileList, EditorScript(tools));
    form.addResult(QStringLiteral("b.txt"));
    form.addResult(QStringLiteral("my notes; $(x).txt"));
    form.show();
    SelectRow(form, 1);
    Button(form, 3)->click();

    const QString args = tools.filePath(QStringLiteral("args"));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(args), 10000);
    QFile file(args);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()),
             QStringLiteral("1\n%1/my notes; $(x).txt\n").arg(work.path()));
    QCOMPARE(boxes.count(), 0);
    QVERIFY(form.isVisible());  // the window stays open
}

void Form3Test::viewWithoutEditorSaysSo() {
    QTemporaryDir work;
    FileListBox fileList;
    QVERIFY(fileList.setPath(work.path()));
    ScriptedMessageBoxes boxes;
    Form3 form(&fileList, QString());
    form.addResult(QStringLiteral("gone.txt"));
    SelectRow(form, 0);
    Button(form, 3)->click();
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().title, QStringLiteral("Error"));
    QCOMPARE(boxes.last().icon, QMessageBox::Critical);
    QVERIFY(boxes.last().text.contains(work.filePath(QStringLiteral("gone.txt"))));
}

void Form3Test::selectAllSelectsExactlyTheListedFiles() {
    QTemporaryDir work;
    for (const char* name : {"a.txt", "B.TXT", "c.txt", "d.txt", "e.txt"})
        Touch(work, QString::fromLatin1(name));
    FileListBox fileList;
    QVERIFY(fileList.setPath(work.path()));
    fileList.item(fileList.FindExact(QStringLiteral("d.txt")))->setSelected(true);
    fileList.item(fileList.FindExact(QStringLiteral("e.txt")))->setSelected(true);

    Form3 form(&fileList, QString());
    // Names that differ in case still select; a name no longer listed is skipped.
    for (const char* name : {"c.txt", "A.TXT", "b.txt", "renamed.txt"})
        form.addResult(QString::fromLatin1(name));
    Button(form, 4)->click();
    QCOMPARE(fileList.SelectedNames(), (QStringList{"a.txt", "B.TXT", "c.txt"}));
    QVERIFY(!QApplication::overrideCursor());  // the hourglass is gone again
}

void Form3Test::selectAllWithNoneDeselectsEverything() {
    QTemporaryDir work;
    Touch(work, QStringLiteral("a.txt"));
    Touch(work, QStringLiteral("b.txt"));
    FileListBox fileList;
    QVERIFY(fileList.setPath(work.path()));
    fileList.selectAll();
    Form3 form(&fileList, QString());
    form.addResult(QStringLiteral("None"));
    Button(form, 4)->click();
    QCOMPARE(fileList.SelCount(), 0);
}

void Form3Test::selectAllPrefersTheExactName() {
    QTemporaryDir work;
    Touch(work, QStringLiteral("Report.txt"));
    Touch(work, QStringLiteral("report.txt"));
    FileListBox fileList;
    QVERIFY(fileList.setPath(work.path()));
    QCOMPARE(fileList.count(), 2);
    Form3 form(&fileList, QString());
    form.addResult(QStringLiteral("report.txt"));
    Button(form, 4)->click();
    QCOMPARE(fileList.SelectedNames(), QStringList{"report.txt"});
}

void Form3Test::doneClearsAndCloses() {
    Form3 form(nullptr, QString());
    form.setHeading(QStringLiteral("Files:"));
    form.setSummary(QStringLiteral("2 file(s) found."));
    form.addResult(QStringLiteral("a.txt"));
    form.addResult(QStringLiteral("b.txt"));
    bool wasModal = false;
    QTimer::singleShot(0, &form, [&] {
        wasModal = QApplication::activeModalWidget() == &form;
        Button(form, 1)->click();
    });
    QCOMPARE(form.exec(), int(QDialog::Accepted));
    QVERIFY(wasModal);
    QVERIFY(!form.isVisible());
    QCOMPARE(Find<QListWidget>(form, "List1")->count(), 0);
}
