// The message box seam, the folder chooser, the shell's "open" and the text
// editor, driven on the offscreen platform.
#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "BrowseDirectorysOnly.h"
#include "MessageBox.h"
#include "RecordedShellOpens.h"
#include "ScriptedFolderBrowser.h"
#include "ScriptedMessageBoxes.h"
#include "TextEditor.h"

using namespace lexmill;

namespace {

// Runs `act` on the first modal window that opens, once the event loop runs.
void OnModal(std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            act(modal);
        }
    });
    timer->start();
}

// Collects the URLs the desktop is asked to open.
class UrlRecorder : public QObject {
    Q_OBJECT
  public:
    QList<QUrl> urls;
  public slots:
    void open(const QUrl& url) { urls << url; }
};

// A stand-in editor: writes how many arguments it got, one per line.
QString WriteEditorScript(const QTemporaryDir& dir) {
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

QStringList ReadLines(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QString text = QString::fromUtf8(file.readAll());
    if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
    return text.split(QLatin1Char('\n'));
}

void MakeExecutable(const QString& path) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("#!/bin/sh\n");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT
  private slots:
    void scriptedBoxesRecordEveryCallWordForWord();
    void scriptedBoxesAnswerInOrderThenByDefault_data();
    void scriptedBoxesAnswerInOrderThenByDefault();
    void scriptedBoxesRestoreWhatWasThereBefore();
    void realBoxShowsUserTextAsPlainText();

    void browseReturnsTheChosenFolder();
    void browseCancelledReturnsEmpty();

    void scriptedBrowserAnswersInOrderThenCancels();
    void replacedBrowserAndShellComeBack();

    void shellOpenHandsFilesAndAddressesToTheDesktop_data();
    void shellOpenHandsFilesAndAddressesToTheDesktop();

    void editorGetsThePathAsOneArgument();
    void missingEditorSaysSo();
    void editorThatCannotStartSaysSo();
    void findTextEditorPrefersGuiEditors();
};

void DialogsTest::scriptedBoxesRecordEveryCallWordForWord() {
    ScriptedMessageBoxes boxes;
    QWidget owner;
    MsgBox(&owner, QStringLiteral("Line one\nLine two"), QStringLiteral("Oops!"),
           QMessageBox::Warning);
    MsgBox(nullptr, QStringLiteral("Sure?"), QStringLiteral("Confirmation"), QMessageBox::Question,
           QMessageBox::Yes | QMessageBox::No, QMessageBox::No);

    QCOMPARE(boxes.count(), 2);
    const MessageRequest& first = boxes.calls()[0];
    QCOMPARE(first.owner, &owner);
    QCOMPARE(first.text, QStringLiteral("Line one\nLine two"));
    QCOMPARE(first.title, QStringLiteral("Oops!"));
    QCOMPARE(first.icon, QMessageBox::Warning);
    QCOMPARE(first.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    const MessageRequest& second = boxes.last();
    QCOMPARE(second.icon, QMessageBox::Question);
    QCOMPARE(second.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(second.defaultButton, QMessageBox::No);
}

void DialogsTest::scriptedBoxesAnswerInOrderThenByDefault_data() {
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("defaultButton");
    QTest::addColumn<int>("expected");
    QTest::newRow("ok only") << int(QMessageBox::Ok) << int(QMessageBox::NoButton)
                             << int(QMessageBox::Ok);
    QTest::newRow("yes/no") << int(QMessageBox::Yes | QMessageBox::No) << int(QMessageBox::NoButton)
                            << int(QMessageBox::Yes);
    QTest::newRow("yes/no, default no")
        << int(QMessageBox::Yes | QMessageBox::No) << int(QMessageBox::No) << int(QMessageBox::No);
    QTest::newRow("ok/cancel") << int(QMessageBox::Ok | QMessageBox::Cancel)
                               << int(QMessageBox::NoButton) << int(QMessageBox::Ok);
    QTest::newRow("retry/cancel") << int(QMessageBox::Retry | QMessageBox::Cancel)
                                  << int(QMessageBox::NoButton) << int(QMessageBox::Retry);
}

void DialogsTest::scriptedBoxesAnswerInOrderThenByDefault() {
    QFETCH(int, buttons);
    QFETCH(int, defaultButton);
    QFETCH(int, expected);
    ScriptedMessageBoxes boxes;
    boxes.answer(QMessageBox::Cancel);
    boxes.answer(QMessageBox::No);
    const auto ask = [&] {
        return MsgBox(nullptr, QStringLiteral("t"), QStringLiteral("T"), QMessageBox::Information,
                      QMessageBox::StandardButtons(buttons),
                      QMessageBox::StandardButton(defaultButton));
    };
    QCOMPARE(ask(), QMessageBox::Cancel);  // scripted answers come first, in order
    QCOMPARE(ask(), QMessageBox::No);
    QCOMPARE(ask(), QMessageBox::StandardButton(expected));
    QCOMPARE(boxes.count(), 3);
}

void DialogsTest::scriptedBoxesRestoreWhatWasThereBefore() {
    ScriptedMessageBoxes outer;
    {
        ScriptedMessageBoxes inner;
        MsgBox(nullptr, QStringLiteral("inner"), QStringLiteral("T"), QMessageBox::Information);
        QCOMPARE(inner.count(), 1);
    }
    MsgBox(nullptr, QStringLiteral("outer"), QStringLiteral("T"), QMessageBox::Information);
    QCOMPARE(outer.count(), 1);
    QCOMPARE(outer.last().text, QStringLiteral("outer"));
}

void DialogsTest::realBoxShowsUserTextAsPlainText() {
    const QString text = QStringLiteral("<b>report.html</b> & <i>co</i>");
    QString seenText, seenTitle;
    Qt::TextFormat seenFormat = Qt::RichText;
    QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
    OnModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box);
        seenText = box->text();
        seenTitle = box->windowTitle();
        seenFormat = box->textFormat();
        seenIcon = box->icon();
        box->button(QMessageBox::No)->click();
    });
    const auto answer = MsgBox(nullptr, text, QStringLiteral("Warning"), QMessageBox::Warning,
                               QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(answer, QMessageBox::No);
    QCOMPARE(seenText, text);
    QCOMPARE(seenTitle, QStringLiteral("Warning"));
    QCOMPARE(seenFormat, Qt::PlainText);
    QCOMPARE(seenIcon, QMessageBox::Warning);
}

void DialogsTest::browseReturnsTheChosenFolder() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub folder")));
    const QString chosen = dir.filePath(QStringLiteral("sub folder"));
    QString seenTitle, seenStart;
    OnModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        QVERIFY(dialog);
        seenTitle = dialog->windowTitle();
        seenStart = dialog->directory().absolutePath();
        dialog->setDirectory(chosen);
        static_cast<QDialog*>(dialog)->accept();
    });
    const QString result = BrowseForFolder(nullptr, QStringLiteral("Select folder..."), dir.path());
    QCOMPARE(seenTitle, QStringLiteral("Select folder..."));
    QCOMPARE(seenStart, QDir(dir.path()).absolutePath());
    QCOMPARE(result, chosen);
}

void DialogsTest::browseCancelledReturnsEmpty() {
    QTemporaryDir dir;
    OnModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    const QString result = BrowseForFolder(nullptr, QStringLiteral("Add folder..."), dir.path());
    QVERIFY(result.isEmpty());
}

void DialogsTest::scriptedBrowserAnswersInOrderThenCancels() {
    ScriptedFolderBrowser browser;
    browser.answer(QStringLiteral("/srv/a"));
    browser.answer(QString());
    browser.answer(QStringLiteral("/srv/b"));
    QWidget owner;
    QCOMPARE(BrowseForFolder(&owner, QStringLiteral("Add folder..."), QStringLiteral("/start")),
             QStringLiteral("/srv/a"));
    QVERIFY(BrowseForFolder(nullptr, QStringLiteral("T"), QString()).isEmpty());
    QCOMPARE(BrowseForFolder(nullptr, QStringLiteral("T"), QString()), QStringLiteral("/srv/b"));
    QVERIFY(BrowseForFolder(nullptr, QStringLiteral("T"), QString()).isEmpty());  // queue empty
    QCOMPARE(browser.count(), 4);
    QCOMPARE(browser.calls()[0].owner, &owner);
    QCOMPARE(browser.calls()[0].title, QStringLiteral("Add folder..."));
    QCOMPARE(browser.calls()[0].initialFolder, QStringLiteral("/start"));
}

void DialogsTest::replacedBrowserAndShellComeBack() {
    ScriptedFolderBrowser outer;
    RecordedShellOpens outerShell;
    {
        ScriptedFolderBrowser inner;
        RecordedShellOpens innerShell;
        innerShell.setAccepted(false);
        BrowseForFolder(nullptr, QStringLiteral("inner"), QString());
        QVERIFY(!ShellOpen(nullptr, QStringLiteral("mailto:a@b.example")));
        QCOMPARE(inner.count(), 1);
        QCOMPARE(innerShell.count(), 1);
    }
    BrowseForFolder(nullptr, QStringLiteral("outer"), QString());
    QVERIFY(ShellOpen(nullptr, QStringLiteral("https://www.example.com/")));
    QCOMPARE(outer.count(), 1);
    QCOMPARE(outer.last().title, QStringLiteral("outer"));
    QCOMPARE(outerShell.count(), 1);
    QCOMPARE(outerShell.last().target, QStringLiteral("https://www.example.com/"));
}

void DialogsTest::shellOpenHandsFilesAndAddressesToTheDesktop_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QUrl>("expected");
    QTest::newRow("web address") << QStringLiteral("https://www.example.com/lexmill?x=1#top")
                                 << QUrl(QStringLiteral("https://www.example.com/lexmill?x=1#top"));
    QTest::newRow("web address with a blank")
        << QStringLiteral("http://example.com/a b.html")
        << QUrl(QStringLiteral("http://example.com/a%20b.html"));
    QTest::newRow("mail address") << QStringLiteral("mailto:support@example.com")
                                  << QUrl(QStringLiteral("mailto:support@example.com"));
    QTest::newRow("file with blanks and #")
        << QStringLiteral("/tmp/my notes #1.txt")
        << QUrl::fromLocalFile(QStringLiteral("/tmp/my notes #1.txt"));
    QTest::newRow("file with a colon")
        << QStringLiteral("/tmp/a:b.txt") << QUrl::fromLocalFile(QStringLiteral("/tmp/a:b.txt"));
    QTest::newRow("file with a percent") << QStringLiteral("/tmp/100%25.txt")
                                         << QUrl::fromLocalFile(QStringLiteral("/tmp/100%25.txt"));
    QTest::newRow("relative file")
        << QStringLiteral("notes.txt")
        << QUrl::fromLocalFile(QDir::current().absoluteFilePath(QStringLiteral("notes.txt")));
}

void DialogsTest::shellOpenHandsFilesAndAddressesToTheDesktop() {
    QFETCH(QString, target);
    QFETCH(QUrl, expected);
    UrlRecorder recorder;
    for (const char* scheme : {"file", "http", "https", "mailto"})
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &recorder, "open");
    ShellOpen(nullptr, target);
    for (const char* scheme : {"file", "http", "https", "mailto"})
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    QCOMPARE(recorder.urls.size(), 1);
    QCOMPARE(recorder.urls.first(), expected);
    if (expected.isLocalFile())
        QCOMPARE(recorder.urls.first().toLocalFile(), expected.toLocalFile());
}

void DialogsTest::editorGetsThePathAsOneArgument() {
    QTemporaryDir dir;
    const QString editor = WriteEditorScript(dir);
    const QString file = dir.filePath(QStringLiteral("my file; $(touch x) & `y` 'q'.txt"));
    ScriptedMessageBoxes boxes;
    QVERIFY(OpenInTextEditor(nullptr, editor, file));
    const QString args = dir.filePath(QStringLiteral("args"));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(args), 10000);
    QCOMPARE(ReadLines(args), (QStringList{QStringLiteral("1"), file}));
    QCOMPARE(boxes.count(), 0);
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("x"))));
}

void DialogsTest::missingEditorSaysSo() {
    ScriptedMessageBoxes boxes;
    QVERIFY(!OpenInTextEditor(nullptr, QString(), QStringLiteral("/data/notes.txt")));
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().title, QStringLiteral("Error"));
    QCOMPARE(boxes.last().icon, QMessageBox::Critical);
    QCOMPARE(boxes.last().text,
             QStringLiteral("No text editor was found to open this file:\n/data/notes.txt\n\n"
                            "Install a plain-text editor such as gedit, kate or mousepad."));
}

void DialogsTest::editorThatCannotStartSaysSo() {
    QTemporaryDir dir;
    const QString editor = dir.filePath(QStringLiteral("no-such-editor"));
    ScriptedMessageBoxes boxes;
    QVERIFY(!OpenInTextEditor(nullptr, editor, QStringLiteral("/data/a.txt")));
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().title, QStringLiteral("Error"));
    QCOMPARE(boxes.last().text,
             QStringLiteral("The text editor could not be started:\n%1\n\nFile:\n/data/a.txt")
                 .arg(editor));
}

void DialogsTest::findTextEditorPrefersGuiEditors() {
    QTemporaryDir dir;
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(dir.path()));
    const QString none = FindTextEditor();
    MakeExecutable(dir.filePath(QStringLiteral("xdg-open")));
    const QString fallback = FindTextEditor();
    MakeExecutable(dir.filePath(QStringLiteral("mousepad")));
    MakeExecutable(dir.filePath(QStringLiteral("pluma")));
    const QString preferred = FindTextEditor();
    qputenv("PATH", savedPath);

    QVERIFY(none.isEmpty());
    QCOMPARE(fallback, dir.filePath(QStringLiteral("xdg-open")));
    QCOMPARE(preferred, dir.filePath(QStringLiteral("mousepad")));
}

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
