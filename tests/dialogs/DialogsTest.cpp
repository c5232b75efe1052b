// The message box seam, the folder chooser, the shell's "open" and the text
// editor, driven on the offscreen platform.
#include <QAbstractButton>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "BrowseDirectorysOnly.h"
#include "DialogTestSupport.h"
#include "MessageBox.h"
#include "RecordedShellOpens.h"
#include "ScriptedFolderBrowser.h"
#include "ScriptedMessageBoxes.h"
#include "TextEditor.h"

using namespace lexmill;

namespace {

// Collects the URLs the desktop is asked to open.
class UrlRecorder : public QObject {
    Q_OBJECT
  public:
    QList<QUrl> urls;
  public slots:
    void open(const QUrl& url) { urls << url; }
};

void WriteExecutable(const QString& path, const QByteArray& text) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT
  private slots:
    void scriptedSeamsRecordAnswerInOrderAndComeBack();
    void realBoxShowsUserTextAsPlainText();
    void browseReturnsTheChosenFolderOrEmpty();
    void shellOpenHandsFilesAndAddressesToTheDesktop();
    void editorGetsThePathAsOneArgumentOrSaysWhyNot();
    void findTextEditorPrefersGuiEditors();
};

void DialogsTest::scriptedSeamsRecordAnswerInOrderAndComeBack() {
    ScriptedMessageBoxes outer;
    ScriptedFolderBrowser outerBrowser;
    RecordedShellOpens outerShell;
    {
        ScriptedMessageBoxes boxes;
        boxes.answer(QMessageBox::Cancel);
        boxes.answer(QMessageBox::No);
        QWidget owner;
        const auto ask = [&](QMessageBox::StandardButtons buttons,
                             QMessageBox::StandardButton defaultButton = QMessageBox::NoButton) {
            return MsgBox(&owner, QStringLiteral("Line one\nLine two"), QStringLiteral("Oops!"),
                          QMessageBox::Question, buttons, defaultButton);
        };
        // Scripted answers first, in order; then the default, or the first button.
        QCOMPARE(ask(QMessageBox::Ok), QMessageBox::Cancel);
        QCOMPARE(ask(QMessageBox::Ok), QMessageBox::No);
        QCOMPARE(ask(QMessageBox::Ok), QMessageBox::Ok);
        QCOMPARE(ask(QMessageBox::Yes | QMessageBox::No), QMessageBox::Yes);
        QCOMPARE(ask(QMessageBox::Retry | QMessageBox::Cancel), QMessageBox::Retry);
        QCOMPARE(ask(QMessageBox::Yes | QMessageBox::No, QMessageBox::No), QMessageBox::No);
        QCOMPARE(boxes.count(), 6);  // what each call asked is checked by every dialog's test
        QCOMPARE(boxes.last().defaultButton, QMessageBox::No);

        ScriptedFolderBrowser browser;
        browser.answer(QStringLiteral("/srv/a"));
        browser.answer(QString());
        browser.answer(QStringLiteral("/srv/b"));
        QStringList answers;
        for (int i = 0; i < 4; ++i)  // the last one finds the script used up
            answers << BrowseForFolder(&owner, QStringLiteral("Add folder..."), "/start");
        QCOMPARE(answers, (QStringList{"/srv/a", "", "/srv/b", ""}));
        QCOMPARE(browser.count(), 4);

        RecordedShellOpens shell;
        shell.setAccepted(false);
        QVERIFY(!ShellOpen(nullptr, QStringLiteral("mailto:a@b.example")));
        QCOMPARE(shell.count(), 1);
    }
    // The replaced seams are back.
    MsgBox(nullptr, QStringLiteral("outer"), QStringLiteral("T"), QMessageBox::Information);
    BrowseForFolder(nullptr, QStringLiteral("outer"), QString());
    QVERIFY(ShellOpen(nullptr, QStringLiteral("https://www.example.com/")));
    QCOMPARE(outer.count(), 1);
    QCOMPARE(outerBrowser.count(), 1);
    QCOMPARE(outerShell.last().target, QStringLiteral("https://www.example.com/"));
}

void DialogsTest::realBoxShowsUserTextAsPlainText() {
    const QString text = QStringLiteral("<b>report.html</b> & <i>co</i>");
    QString seen;
    test::OnModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box);
        seen = QStringList{box->text(), box->windowTitle()}.join('|');
        QCOMPARE(box->textFormat(), Qt::PlainText);
        QCOMPARE(box->icon(), QMessageBox::Warning);
        box->button(QMessageBox::No)->click();
    });
    QCOMPARE(MsgBox(nullptr, text, QStringLiteral("Warning"), QMessageBox::Warning,
                    QMessageBox::Yes | QMessageBox::No),
             QMessageBox::No);
    QCOMPARE(seen, text + QStringLiteral("|Warning"));
}

void DialogsTest::browseReturnsTheChosenFolderOrEmpty() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub folder")));
    const QString chosen = dir.filePath(QStringLiteral("sub folder"));
    QString seen;
    test::OnModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        QVERIFY(dialog);
        seen = dialog->windowTitle() + '|' + dialog->directory().absolutePath();
        dialog->setDirectory(chosen);
        static_cast<QDialog*>(dialog)->accept();
    });
    QCOMPARE(BrowseForFolder(nullptr, QStringLiteral("Select folder..."), dir.path()), chosen);
    QCOMPARE(seen, QStringLiteral("Select folder...|") + QDir(dir.path()).absolutePath());

    test::OnModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    QVERIFY(BrowseForFolder(nullptr, QStringLiteral("Add folder..."), dir.path()).isEmpty());
}

void DialogsTest::shellOpenHandsFilesAndAddressesToTheDesktop() {
    const std::pair<QString, QUrl> rows[] = {
        {"https://www.example.com/lexmill?x=1#top",
         QUrl("https://www.example.com/lexmill?x=1#top")},
        {"http://example.com/a b.html", QUrl("http://example.com/a%20b.html")},
        {"mailto:support@example.com", QUrl("mailto:support@example.com")},
        {"/tmp/my notes #1.txt", QUrl::fromLocalFile("/tmp/my notes #1.txt")},
        {"/tmp/a:b.txt", QUrl::fromLocalFile("/tmp/a:b.txt")},
        {"/tmp/100%25.txt", QUrl::fromLocalFile("/tmp/100%25.txt")},
        {"notes.txt", QUrl::fromLocalFile(QDir::current().absoluteFilePath("notes.txt"))},
    };
    const QStringList schemes{"file", "http", "https", "mailto"};
    UrlRecorder recorder;
    for (const QString& scheme : schemes)
        QDesktopServices::setUrlHandler(scheme, &recorder, "open");
    for (const auto& [target, expected] : rows) ShellOpen(nullptr, target);
    for (const QString& scheme : schemes) QDesktopServices::unsetUrlHandler(scheme);
    QCOMPARE(recorder.urls.size(), int(std::size(rows)));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        QCOMPARE(recorder.urls[i], rows[i].second);
        QCOMPARE(recorder.urls[i].toLocalFile(), rows[i].second.toLocalFile());
    }
}

void DialogsTest::editorGetsThePathAsOneArgumentOrSaysWhyNot() {
    QTemporaryDir dir;
    // "touch" stands in for the editor: it makes exactly the file it is given.
    const QString editor = QStandardPaths::findExecutable(QStringLiteral("touch"));
    const QString file = dir.filePath(QStringLiteral("my file; $(touch x) & `y` 'q'.txt"));
    ScriptedMessageBoxes boxes;
    QVERIFY(OpenInTextEditor(nullptr, editor, file));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(file), 10000);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QFileInfo(file).fileName()});
    QCOMPARE(boxes.count(), 0);

    QVERIFY(!OpenInTextEditor(nullptr, QString(), QStringLiteral("/data/notes.txt")));
    QCOMPARE(boxes.last().text,
             QStringLiteral("No text editor was found to open this file:\n/data/notes.txt\n\n"
                            "Install a plain-text editor such as gedit, kate or mousepad."));
    const QString missing = dir.filePath(QStringLiteral("no-such-editor"));
    QVERIFY(!OpenInTextEditor(nullptr, missing, QStringLiteral("/data/a.txt")));
    QCOMPARE(boxes.last().text,
             QStringLiteral("The text editor could not be started:\n%1\n\nFile:\n/data/a.txt")
                 .arg(missing));
    QCOMPARE(boxes.count(), 2);
    for (const MessageRequest& box : boxes.calls()) {
        QCOMPARE(box.title, QStringLiteral("Error"));
        QCOMPARE(box.icon, QMessageBox::Critical);
    }
}

void DialogsTest::findTextEditorPrefersGuiEditors() {
    QTemporaryDir dir;
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(dir.path()));
    const QString none = FindTextEditor();
    WriteExecutable(dir.filePath(QStringLiteral("xdg-open")), "#!/bin/sh\n");
    const QString fallback = FindTextEditor();
    WriteExecutable(dir.filePath(QStringLiteral("mousepad")), "#!/bin/sh\n");
    WriteExecutable(dir.filePath(QStringLiteral("pluma")), "#!/bin/sh\n");
    const QString preferred = FindTextEditor();
    qputenv("PATH", savedPath);
    QVERIFY(none.isEmpty());
    QCOMPARE(fallback, dir.filePath(QStringLiteral("xdg-open")));
    QCOMPARE(preferred, dir.filePath(QStringLiteral("mousepad")));
}

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
