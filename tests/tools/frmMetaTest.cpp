// The meta tag viewer and its command, driven through their controls with
// real pages in a temporary folder.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "MessageBox.h"
#include "Module1.h"
#include "frmMeta.h"
#include "frmMetaCommand.h"

using namespace lexmill;

namespace {

template <typename T>
T* Find(const QWidget& parent, const char* name) {
    T* control = parent.findChild<T*>(QString::fromLatin1(name));
    if (!control) qFatal("no control %s", name);
    return control;
}

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void Select(frmMeta& viewer, int from, int to) {
    auto* text = Find<QPlainTextEdit>(viewer, "Text1");
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

    void run(Module1& m) {
        RunMetaTagExtractor(
            &window, m, start, [this](const QString& text) { searchFor->setText(text); },
            [this](const QString& text) { replaceWith->setText(text); });
    }
};

// Takes one selected file, as GetSelectedFiles leaves it.
void SelectOne(Module1& m, const QString& path) {
    m.SelCount = 1;
    m.SelPaths = {path.toStdString()};
}

// Watches for the modal viewer while a command runs: records what it shows,
// runs `action` on it, then closes it so the command can go on.
class ViewerWatch {
  public:
    explicit ViewerWatch(std::function<void(frmMeta&)> action = {}) : action_(std::move(action)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        timer_.start(5);
    }

    int shown = 0;
    QString title, list;
    bool hourglass = false, startEnabled = false;
    QPointer<frmMeta> viewer;
    QPushButton* start = nullptr;

  private:
    void Poll() {
        auto* open = qobject_cast<frmMeta*>(QApplication::activeModalWidget());
        if (!open || !open->isVisible()) return;
        ++shown;
        viewer = open;
        title = open->windowTitle();
        list = open->listText();
        hourglass = QApplication::overrideCursor() != nullptr;
        if (start) startEnabled = start->isEnabled();
        if (action_) action_(*open);
        if (open->isVisible()) open->reject();
    }

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
    void insertReplacesTheWholeBox();
    void doneCloses();

    void moreThanOneFileSaysSoAndChangesNothing();
    void noFileSaysSoUnderTheHourglass();
    void tagsAreListedUnderTheFullPath();
    void noTagsFound_data();
    void noTagsFound();
    void unreadablePageGivesError();
    void insertFromTheOpenViewerFillsTheMainWindowBoxes();
    void startButtonKeepsItsDisabledState();
};

void frmMetaTest::hasItsControlsAndCaptions() {
    frmMeta viewer({}, {});
    QCOMPARE(viewer.objectName(), QStringLiteral("frmMeta"));
    QCOMPARE(viewer.windowTitle(), QStringLiteral("Meta Tags in"));
    QVERIFY(viewer.isModal());
    auto* text = Find<QPlainTextEdit>(viewer, "Text1");
    QCOMPARE(text->lineWrapMode(), QPlainTextEdit::NoWrap);
    QVERIFY(text->toPlainText().isEmpty());
    QCOMPARE(Find<QPushButton>(viewer, "Command2")->text(),
             QStringLiteral("Insert selected into \"&Search For\" box"));
    QCOMPARE(Find<QPushButton>(viewer, "Command3")->text(),
             QStringLiteral("Insert selected into \"&Replace With\" box"));
    QCOMPARE(Find<QPushButton>(viewer, "Command1")->text(), QStringLiteral("&Done"));
}

void frmMetaTest::insertButtonsFollowTheSelection() {
    frmMeta viewer({}, {});
    viewer.show();
    auto* text = Find<QPlainTextEdit>(viewer, "Text1");
    auto* search = Find<QPushButton>(viewer, "Command2");
    auto* replace = Find<QPushButton>(viewer, "Command3");
    viewer.setListText(QStringLiteral("<meta a>\r\n"));
    QVERIFY(!search->isEnabled() && !replace->isEnabled());

    text->setFocus();
    QTest::keyClick(text, Qt::Key_Right, Qt::ShiftModifier);  // one character, as a user selects it
    QCOMPARE(viewer.SelText(), QStringLiteral("<"));
    QVERIFY(search->isEnabled() && replace->isEnabled());

    QTest::keyClick(text, Qt::Key_Right);  // the selection collapses
    QVERIFY(!search->isEnabled() && !replace->isEnabled());

    Select(viewer, 0, 3);
    viewer.setListText(QStringLiteral("<meta b>\r\n"));  // a new list has nothing selected
    QVERIFY(!search->isEnabled() && !replace->isEnabled());
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
    QTest::mouseClick(Find<QPushButton>(viewer, "Command2"), Qt::LeftButton);
    QCOMPARE(searchFor, expected);
    QVERIFY(replaceWith.isNull());
    QTest::mouseClick(Find<QPushButton>(viewer, "Command3"), Qt::LeftButton);
    QCOMPARE(replaceWith, expected);
}

void frmMetaTest::insertReplacesTheWholeBox() {
    QLineEdit box(QStringLiteral("previous text"));
    box.setCursorPosition(3);
    frmMeta viewer([&](const QString& text) { box.setText(text); }, {});
    viewer.setListText(QStringLiteral("<meta a>\r\n"));
    Select(viewer, 0, 8);
    viewer.Command2_Click();
    QCOMPARE(box.text(), QStringLiteral("<meta a>"));
    viewer.Command3_Click();  // nowhere to go: nothing happens
    QCOMPARE(box.text(), QStringLiteral("<meta a>"));
}

void frmMetaTest::doneCloses() {
    frmMeta viewer({}, {});
    viewer.open();
    QVERIFY(viewer.isVisible());
    QTest::mouseClick(Find<QPushButton>(viewer, "Command1"), Qt::LeftButton);
    QVERIFY(!viewer.isVisible());
    QCOMPARE(viewer.result(), int(QDialog::Accepted));
}

void frmMetaTest::moreThanOneFileSaysSoAndChangesNothing() {
    MainWindow main;
    MessageLog log(main.start);
    ViewerWatch watch;
    Module1 m;
    m.SelCount = 2;
    m.SelPaths = {"/nonexistent/a.html", "/nonexistent/b.html"};
    m.TotalBytes = 77;
    m.ProgressMax = 78;
    main.run(m);
    QCOMPARE(int(log.calls.size()), 1);
    QCOMPARE(log.calls[0].text, QStringLiteral("Please only select one file for this operation."));
    QCOMPARE(log.calls[0].title, QStringLiteral("Too Many Files Selected"));
    QCOMPARE(log.calls[0].icon, QMessageBox::Warning);
    QCOMPARE(log.calls[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(log.calls[0].owner, &main.window);
    QVERIFY(!log.hourglass[0]);
    QVERIFY(log.startEnabled[0]);
    QCOMPARE(m.TotalBytes, 77);
    QCOMPARE(m.ProgressMax, 78);
    QCOMPARE(watch.shown, 0);
    QVERIFY(main.start->isEnabled());
}

void frmMetaTest::noFileSaysSoUnderTheHourglass() {
    MainWindow main;
    MessageLog log(main.start);
    ViewerWatch watch;
    Module1 m;
    SelectOne(m, QStringLiteral("/nonexistent/stale.html"));  // an earlier selection stays behind
    m.SelCount = 0;
    main.run(m);
    QCOMPARE(int(log.calls.size()), 1);
    QCOMPARE(log.calls[0].text, QStringLiteral("Please select a file for this operation."));
    QCOMPARE(log.calls[0].title, QStringLiteral("No File Selected"));
    QCOMPARE(log.calls[0].icon, QMessageBox::Information);
    QVERIFY(log.hourglass[0]);
    QVERIFY(!log.startEnabled[0]);
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(main.start->isEnabled());
    QCOMPARE(watch.shown, 0);
}

void frmMetaTest::tagsAreListedUnderTheFullPath() {
    QTemporaryDir dir;
    const QByteArray page =
        "<html><HEAD><META NAME=\"KEYWORDS\"\r\n CONTENT=\"Mill\"><meta charset=\"utf-8\">"
        "<meta name=\"d\" content=\"a>b\"></HEAD>\r\n<meta tail";
    const QString path = WriteFile(dir, QStringLiteral("My Page <b>.html"), page);
    MainWindow main;
    MessageLog log(main.start);
    ViewerWatch watch;
    watch.start = main.start;
    Module1 m;
    SelectOne(m, path);
    main.run(m);
    QCOMPARE(int(log.calls.size()), 0);
    QCOMPARE(watch.shown, 1);
    QCOMPARE(watch.title, QStringLiteral("Meta tags found in ") + path);
    QCOMPARE(watch.list, QStringLiteral("<META NAME=\"KEYWORDS\"\r\n CONTENT=\"Mill\">\r\n"
                                        "<meta charset=\"utf-8\">\r\n"
                                        "<meta name=\"d\" content=\"a>\r\n"));
    QVERIFY(!watch.hourglass);
    QVERIFY(watch.startEnabled);
    QCOMPARE(m.TotalBytes, page.size());
    QCOMPARE(m.ProgressMax, page.size());
    QVERIFY(!watch.viewer);  // discarded on closing
    QVERIFY(!QApplication::overrideCursor());
}

void frmMetaTest::noTagsFound_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");  // empty name: nothing is made
    QTest::addColumn<bool>("counted");      // the size goes into TotalBytes

    QTest::newRow("empty page") << "page.html" << QByteArray() << true;
    QTest::newRow("page without tags") << "page.html" << QByteArray("<html>hi</html>") << true;
    QTest::newRow("meta without attributes") << "page.html" << QByteArray("<meta>") << true;
    QTest::newRow("unterminated tag") << "page.html" << QByteArray("<meta a=\"1\"") << true;
    QTest::newRow("file gone") << "" << QByteArray() << false;
    QTest::newRow("hidden file") << ".page.html" << QByteArray("<meta a>") << false;
}

void frmMetaTest::noTagsFound() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, counted);
    QTemporaryDir dir;
    const QString path =
        name.isEmpty() ? dir.filePath(QStringLiteral("gone.html")) : WriteFile(dir, name, bytes);
    MainWindow main;
    MessageLog log(main.start);
    ViewerWatch watch;
    Module1 m;
    m.TotalBytes = 99;
    SelectOne(m, path);
    main.run(m);
    QCOMPARE(int(log.calls.size()), 0);
    QCOMPARE(watch.shown, 1);
    QCOMPARE(watch.list, QStringLiteral("No meta tags found in file."));
    QCOMPARE(watch.title, QStringLiteral("Meta tags found in ") + path);
    QCOMPARE(m.TotalBytes, counted ? bytes.size() : 0);
    QCOMPARE(m.ProgressMax, m.TotalBytes);
}

void frmMetaTest::unreadablePageGivesError() {
    // Reading this fails even for root.
    const QString path = QStringLiteral("/proc/self/mem");
    if (!QFile::exists(path)) QSKIP("no /proc/self/mem here");
    MainWindow main;
    MessageLog log(main.start);
    ViewerWatch watch;
    Module1 m;
    SelectOne(m, path);
    main.run(m);
    QCOMPARE(int(log.calls.size()), 1);
    QCOMPARE(log.calls[0].title, QStringLiteral("Error"));
    QCOMPARE(log.calls[0].icon, QMessageBox::Critical);
    QCOMPARE(log.calls[0].text, QStringLiteral("The file could not be read:\n/proc/self/mem\n\n"
                                               "cannot read: Input/output error"));
    QVERIFY(!log.hourglass[0]);
    QVERIFY(log.startEnabled[0]);
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(main.start->isEnabled());
    QCOMPARE(watch.shown, 0);
}

void frmMetaTest::insertFromTheOpenViewerFillsTheMainWindowBoxes() {
    QTemporaryDir dir;
    const QString path =
        WriteFile(dir, QStringLiteral("page.html"), "<meta name=\"a\">\n<meta name=\"b\">");
    MainWindow main;
    QString seenSearch, seenReplace;
    ViewerWatch watch([&](frmMeta& viewer) {
        Select(viewer, 16, 31);  // the second tag
        QTest::mouseClick(Find<QPushButton>(viewer, "Command2"), Qt::LeftButton);
        seenSearch = main.searchFor->text();  // at once, while the viewer is open
        Select(viewer, 0, 15);
        QTest::mouseClick(Find<QPushButton>(viewer, "Command3"), Qt::LeftButton);
        seenReplace = main.replaceWith->text();
        QVERIFY(viewer.isVisible());  // the viewer stays open until Done
        QTest::mouseClick(Find<QPushButton>(viewer, "Command1"), Qt::LeftButton);
    });
    Module1 m;
    SelectOne(m, path);
    main.run(m);
    QCOMPARE(watch.shown, 1);
    QCOMPARE(seenSearch, QStringLiteral("<meta name=\"b\">"));
    QCOMPARE(seenReplace, QStringLiteral("<meta name=\"a\">"));
    QCOMPARE(main.searchFor->text(), seenSearch);
}

void frmMetaTest::startButtonKeepsItsDisabledState() {
    QTemporaryDir dir;
    const QString path = WriteFile(dir, QStringLiteral("page.html"), "<meta a>");
    MainWindow main;
    main.start->setEnabled(false);  // say, nothing to search for yet
    ViewerWatch watch;
    watch.start = main.start;
    watch.startEnabled = true;
    Module1 m;
    SelectOne(m, path);
    main.run(m);
    QCOMPARE(watch.shown, 1);
    QVERIFY(!watch.startEnabled);
    QVERIFY(!main.start->isEnabled());
}

QTEST_MAIN(frmMetaTest)
#include "frmMetaTest.moc"
