// The meta tag viewer and its command, driven through their controls with
// real pages in a temporary folder.
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "MessageBox.h"
#include "Module1.h"
#include "frmMeta.h"
#include "frmMetaCommand.h"

using namespace lexmill;

namespace {

QPushButton* Button(const QWidget& viewer, int number) {
    auto* button = viewer.findChild<QPushButton*>(QStringLiteral("Command%1").arg(number));
    if (!button) qFatal("no Command%d", number);
    return button;
}

void Select(frmMeta& viewer, int from, int to) {
    auto* text = viewer.findChild<QPlainTextEdit*>(QStringLiteral("Text1"));
    QTextCursor cursor = text->textCursor();
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    text->setTextCursor(cursor);
}

// A stand-in for the main window: the Start button and the two boxes.
struct MainWindow {
    QWidget window;
    QPushButton* start = new QPushButton(QStringLiteral("&Start"), &window);
    QLineEdit* searchFor = new QLineEdit(QStringLiteral("old search"), &window);
    QLineEdit* replaceWith = new QLineEdit(QStringLiteral("old replace"), &window);

    // Runs the command on `paths`, as GetSelectedFiles leaves them.
    void run(Module1& m, const QStringList& paths) {
        m.SelCount = static_cast<int>(paths.size());
        if (!paths.isEmpty()) m.SelPaths.clear();
        for (const QString& path : paths) m.SelPaths.push_back(path.toStdString());
        RunMetaTagExtractor(
            &window, m, start, [this](const QString& text) { searchFor->setText(text); },
            [this](const QString& text) { replaceWith->setText(text); });
    }
};

// Watches for the modal viewer while a command runs: records what it shows,
// runs `action` on it, then closes it so the command can go on.
class ViewerWatch {
  public:
    ViewerWatch(QPushButton* start, std::function<void(frmMeta&)> action = {})
        : start_(start), action_(std::move(action)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        timer_.start(5);
    }

    int shown = 0;
    QString title, list;
    bool hourglass = false, startEnabled = false;
    QPointer<frmMeta> viewer;

  private:
    void Poll() {
        auto* open = qobject_cast<frmMeta*>(QApplication::activeModalWidget());
        if (!open || !open->isVisible()) return;
        ++shown;
        viewer = open;
        title = open->windowTitle();
        list = open->listText();
        hourglass = QApplication::overrideCursor() != nullptr;
        startEnabled = start_->isEnabled();
        if (action_) action_(*open);
        if (open->isVisible()) open->reject();
    }

    QPushButton* start_;
    std::function<void(frmMeta&)> action_;
    QTimer timer_;
};

// Records each message box with the state of the pointer and Start button.
class MessageLog {
  public:
    explicit MessageLog(QPushButton* start) {
        previous_ = SetMessageResponder([this, start](const MessageRequest& request) {
            calls.push_back(request);
            hourglass.push_back(QApplication::overrideCursor() != nullptr);
            startEnabled.push_back(start->isEnabled());
            return QMessageBox::Ok;
        });
    }
    ~MessageLog() { SetMessageResponder(previous_); }

    std::vector<MessageRequest> calls;
    std::vector<bool> hourglass, startEnabled;

  private:
    MessageResponder previous_;
};

}  // namespace

class frmMetaTest : public QObject {
    Q_OBJECT
  private slots:
    void hasItsControlsAndCaptions();
    void insertButtonsFollowTheSelection();
    void insertCopiesTheSelectionExactly_data();
    void insertCopiesTheSelectionExactly();
    void command_data();
    void command();
    void insertFromTheOpenViewerFillsTheMainWindowBoxes();
};

void frmMetaTest::hasItsControlsAndCaptions() {
    frmMeta viewer({}, {});
    QVERIFY(viewer.isModal());
    auto* text = viewer.findChild<QPlainTextEdit*>(QStringLiteral("Text1"));
    QCOMPARE(text->lineWrapMode(), QPlainTextEdit::NoWrap);
    QCOMPARE(Button(viewer, 1)->text(), QStringLiteral("&Done"));
    QCOMPARE(Button(viewer, 2)->text(), QStringLiteral("Insert selected into \"&Search For\" box"));
    QCOMPARE(Button(viewer, 3)->text(),
             QStringLiteral("Insert selected into \"&Replace With\" box"));

    viewer.open();
    viewer.setListText(QStringLiteral("<meta a>\r\n"));
    Select(viewer, 0, 8);
    viewer.Command2_Click();  // nowhere to go: nothing happens
    viewer.Command3_Click();
    QVERIFY(viewer.isVisible());
    QTest::mouseClick(Button(viewer, 1), Qt::LeftButton);
    QVERIFY(!viewer.isVisible());
    QCOMPARE(viewer.result(), int(QDialog::Accepted));
}

void frmMetaTest::insertButtonsFollowTheSelection() {
    frmMeta viewer({}, {});
    viewer.show();
    auto* text = viewer.findChild<QPlainTextEdit*>(QStringLiteral("Text1"));
    const auto enabled = [&] {
        return Button(viewer, 2)->isEnabled() + Button(viewer, 3)->isEnabled();
    };
    viewer.setListText(QStringLiteral("<meta a>\r\n"));
    QCOMPARE(enabled(), 0);
    text->setFocus();
    QTest::keyClick(text, Qt::Key_Right, Qt::ShiftModifier);  // one character, as a user selects it
    QCOMPARE(viewer.SelText(), QStringLiteral("<"));
    QCOMPARE(enabled(), 2);
    QTest::keyClick(text, Qt::Key_Right);  // the selection collapses
    QCOMPARE(enabled(), 0);
    Select(viewer, 0, 3);
    viewer.setListText(QStringLiteral("<meta b>\r\n"));  // a new list has nothing selected
    QCOMPARE(enabled(), 0);
}

void frmMetaTest::insertCopiesTheSelectionExactly_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("from");  // positions as the text box counts them
    QTest::addColumn<int>("to");
    QTest::addColumn<QString>("expected");

    const QString two = QStringLiteral("<meta a>\r\n<meta b>\r\n");
    QTest::newRow("one character") << two << 1 << 2 << QStringLiteral("m");
    QTest::newRow("first tag") << two << 0 << 8 << QStringLiteral("<meta a>");
    QTest::newRow("tag with its CR LF") << two << 0 << 9 << QStringLiteral("<meta a>\r\n");
    QTest::newRow("tag after a CR LF") << two << 9 << 17 << QStringLiteral("<meta b>");
    QTest::newRow("whole list") << two << 0 << 18 << two;
    QTest::newRow("LF inside a tag")
        << QStringLiteral("<meta a\n b>\r\n") << 0 << 11 << QStringLiteral("<meta a\n b>");
    QTest::newRow("CR LF inside a tag")
        << QStringLiteral("<meta a\r\n b>\r\n") << 0 << 11 << QStringLiteral("<meta a\r\n b>");
    QTest::newRow("lone CR inside a tag")
        << QStringLiteral("<meta a\r b>\r\n") << 0 << 11 << QStringLiteral("<meta a\r b>");
    QTest::newRow("CR CR LF") << QStringLiteral("<meta a\r\r\n b>\r\n") << 0 << 12
                              << QStringLiteral("<meta a\r\r\n b>");
    const QString wide = QString::fromUtf8("<meta \xF0\x9F\x98\x80\r\nx>\r\n<meta y>\r\n");
    QTest::newRow("after a wide character") << wide << 12 << 20 << QStringLiteral("<meta y>");
    QTest::newRow("wide character and break")
        << wide << 6 << 11 << QString::fromUtf8("\xF0\x9F\x98\x80\r\nx>");
    QTest::newRow("paragraph separator in a tag") << QStringLiteral("<meta \u2029x>\r\n<meta y>")
                                                  << 0 << 9 << QStringLiteral("<meta \u2029x>");
}

void frmMetaTest::insertCopiesTheSelectionExactly() {
    QFETCH(QString, list);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QString, expected);
    QString searchFor, replaceWith;
    frmMeta viewer([&](const QString& text) { searchFor = text; },
                   [&](const QString& text) { replaceWith = text; });
    viewer.setListText(list);
    Select(viewer, from, to);
    QCOMPARE(viewer.SelText(), expected);
    QTest::mouseClick(Button(viewer, 2), Qt::LeftButton);
    QCOMPARE(searchFor, expected);
    QVERIFY(replaceWith.isNull());
    QTest::mouseClick(Button(viewer, 3), Qt::LeftButton);
    QCOMPARE(replaceWith, expected);
}

// The command on the selection: a message box, or the viewer with the tags.
void frmMetaTest::command_data() {
    QTest::addColumn<QStringList>("names");  // files made in a folder; "-" a path that is not
    QTest::addColumn<QByteArray>("bytes");   // their contents; the size goes into TotalBytes
    QTest::addColumn<QString>("shown");      // the list in the viewer, or "title: message"
    QTest::addColumn<bool>("hourglass");     // under the hourglass with Start disabled at the box
    QTest::addColumn<bool>("startEnabled");  // Start before and after: keeps its state

    const QString none = QStringLiteral("No meta tags found in file.");
    QTest::newRow("two files") << QStringList{"a.html", "b.html"} << QByteArray("<meta a>")
                               << "Too Many Files Selected: Please only select one file for "
                                  "this operation."
                               << false << true;
    QTest::newRow("no file") << QStringList() << QByteArray()
                             << "No File Selected: Please select a file for this operation." << true
                             << true;
    // Reading this fails even for root.
    QTest::newRow("unreadable") << QStringList{"/proc/self/mem"} << QByteArray()
                                << "Error: The file could not be read:\n/proc/self/mem\n\n"
                                   "cannot read: Input/output error"
                                << false << true;
    QTest::newRow("tags") << QStringList{"My Page <b>.html"}
                          << QByteArray(
                                 "<html><HEAD><META NAME=\"KEYWORDS\"\r\n CONTENT=\"Mill\">"
                                 "<meta charset=\"utf-8\"><meta name=\"d\" content=\"a>b\">"
                                 "</HEAD>\r\n<meta tail")
                          << "<META NAME=\"KEYWORDS\"\r\n CONTENT=\"Mill\">\r\n"
                             "<meta charset=\"utf-8\">\r\n<meta name=\"d\" content=\"a>\r\n"
                          << false << true;
    QTest::newRow("Start disabled")
        << QStringList{"page.html"} << QByteArray("<meta a>") << "<meta a>\r\n"
        << false << false;
    QTest::newRow("empty page") << QStringList{"page.html"} << QByteArray() << none << false
                                << true;
    QTest::newRow("page without tags")
        << QStringList{"page.html"} << QByteArray("<html>hi</html>") << none << false << true;
    QTest::newRow("meta without attributes")
        << QStringList{"page.html"} << QByteArray("<meta>") << none << false << true;
    QTest::newRow("unterminated tag")
        << QStringList{"page.html"} << QByteArray("<meta a=\"1\"") << none << false << true;
    QTest::newRow("file gone") << QStringList{"-"} << QByteArray() << none << false << true;
    QTest::newRow("hidden file") << QStringList{".page.html"} << QByteArray("<meta a>") << none
                                 << false << true;
}

void frmMetaTest::command() {
    QFETCH(QStringList, names);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    QFETCH(bool, hourglass);
    QFETCH(bool, startEnabled);
    QTemporaryDir dir;
    QStringList paths;
    for (const QString& name : names) {
        paths << (name.startsWith('/') ? name : dir.filePath(name == "-" ? "gone.html" : name));
        QFile file(paths.back());
        if (!name.startsWith('/') && name != "-")
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    if (names == QStringList{"/proc/self/mem"} && !QFile::exists(names[0]))
        QSKIP("no /proc/self/mem here");
    MainWindow main;
    main.start->setEnabled(startEnabled);  // say, nothing to search for yet
    MessageLog log(main.start);
    ViewerWatch watch(main.start);
    Module1 m;
    m.SelPaths = {"/nonexistent/stale.html"};  // an earlier selection stays behind
    m.TotalBytes = 77;
    m.ProgressMax = 78;
    main.run(m, paths);

    const bool viewer = !shown.contains(": ");
    QCOMPARE(watch.shown, viewer ? 1 : 0);
    QCOMPARE(int(log.calls.size()), viewer ? 0 : 1);
    if (viewer) {
        QCOMPARE(watch.title, "Meta tags found in " + paths[0]);
        QCOMPARE(watch.list, shown);
        QVERIFY(!watch.hourglass);
        QCOMPARE(watch.startEnabled, startEnabled);
        const bool counted = !names[0].startsWith('.') && names[0] != "-";
        QCOMPARE(m.TotalBytes, counted ? bytes.size() : 0);
        QCOMPARE(m.ProgressMax, m.TotalBytes);
        QVERIFY(!watch.viewer);  // discarded on closing
    } else {
        const MessageRequest& box = log.calls[0];
        QCOMPARE(box.title + ": " + box.text, shown);
        QCOMPARE(box.icon, box.title == "Error" ? QMessageBox::Critical
                           : names.isEmpty()    ? QMessageBox::Information
                                                : QMessageBox::Warning);
        QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(box.owner, &main.window);
        QCOMPARE(log.hourglass[0], hourglass);
        QCOMPARE(log.startEnabled[0], !hourglass);
        if (names.size() == 2) QCOMPARE(m.TotalBytes, 77);  // nothing changes
        if (names.size() == 2) QCOMPARE(m.ProgressMax, 78);
    }
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(main.start->isEnabled(), startEnabled);
}

void frmMetaTest::insertFromTheOpenViewerFillsTheMainWindowBoxes() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("page.html"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("<meta name=\"a\">\n<meta name=\"b\">"));
    file.close();
    MainWindow main;
    QString seenSearch, seenReplace;
    bool closedByDone = false;
    ViewerWatch watch(main.start, [&](frmMeta& viewer) {
        Select(viewer, 16, 31);  // the second tag
        QTest::mouseClick(Button(viewer, 2), Qt::LeftButton);
        seenSearch = main.searchFor->text();  // at once, while the viewer is open
        Select(viewer, 0, 15);
        QTest::mouseClick(Button(viewer, 3), Qt::LeftButton);
        seenReplace = main.replaceWith->text();
        if (!viewer.isVisible()) return;  // the viewer stays open until Done
        QTest::mouseClick(Button(viewer, 1), Qt::LeftButton);
        closedByDone = !viewer.isVisible();
    });
    Module1 m;
    main.run(m, {path});
    QCOMPARE(watch.shown, 1);
    QCOMPARE(seenSearch, QStringLiteral("<meta name=\"b\">"));
    QCOMPARE(seenReplace, QStringLiteral("<meta name=\"a\">"));
    QCOMPARE(main.searchFor->text(), seenSearch);
    QVERIFY(closedByDone);
}

QTEST_MAIN(frmMetaTest)
#include "frmMetaTest.moc"
