// The main window's text block and clipboard monitor, the Clear links, the
// favourites menu, and the windows it opens from its menus, driven through
// the real window.
#include <QtTest>
#include <QtWidgets>

#include "FileListBox.h"
#include "Form1.h"
#include "FrmAbt.h"
#include "HelpWindow.h"
#include "ScriptedFolderBrowser.h"
#include "TrayIcon.h"
#include "frmLMTestSupport.h"
#include "frmMeta.h"
#include "frmfav.h"
#include "frmop.h"

using namespace lexmill;
using namespace lexmill::test;

namespace {

const QString kFavorites = QStringLiteral("Favorite Folders");

HelpWindow* VisibleHelp() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* help = qobject_cast<HelpWindow*>(window); help && help->isVisible()) return help;
    return nullptr;
}

// The one help window goes, so the next opening makes a new one.
void CloseHelp() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (qobject_cast<HelpWindow*>(window)) delete window;
}

}  // namespace

class frmLMWiringTest : public QObject {
    Q_OBJECT
  private slots:
    void textBlockFollowsTheClipboard();
    void viewFileLoadsTheCurrentFileInBlocks();
    void clearLinksEmptyTheirBoxes();
    void insertedTagKeepsTheFilesLineBreaks();
    void favoritesMenuFromTheStore_data();
    void favoritesMenuFromTheStore();
    void favoriteOpensItsFolderOrSaysItIsGone();
    void favoritesEditorUpdatesTheMenu();
    void dialogsOpenFromTheirMenus();
    void ftpWindowOpensOnTheSelection();
    void trayHidesRestoresAndExitsWithoutSaving();
};

void frmLMWiringTest::textBlockFollowsTheClipboard() {
    MainWindowFixture f;
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("two words"));
    frmLM& w = f.open();
    QCOMPARE(w.Text4->toPlainText(), QStringLiteral("two words"));  // at once, at start
    QCOMPARE(w.numwrdsT->text(), QStringLiteral("2"));

    QSignalSpy changes(w.Text4, &QPlainTextEdit::textChanged);
    clipboard->setText(QStringLiteral("three more words"));
    QTRY_COMPARE(w.Text4->toPlainText(), QStringLiteral("three more words"));
    QCOMPARE(w.numwrdsT->text(), QStringLiteral("3"));
    clipboard->setText(QStringLiteral("three more words"));  // the same text: no change
    clipboard->setText(QStringLiteral("a\r\nb"));            // shown with the box's line break...
    QTRY_COMPARE(w.Text4->toPlainText(), QStringLiteral("a\nb"));
    QCOMPARE(w.numlinesT->text(), QStringLiteral("2"));
    clipboard->setText(QStringLiteral("a\r\nb"));  // ...and still the same text
    QCOMPARE(changes.count(), 2);
    clipboard->clear();  // no text: an empty block
    QTRY_VERIFY(w.Text4->toPlainText().isEmpty());

    f.m.Busy = true;  // a run going on: the block stays
    clipboard->setText(QStringLiteral("during the run"));
    QVERIFY(w.Text4->toPlainText().isEmpty());
    f.m.Busy = false;

    w.Check2->click();  // monitor off: editable, keeps its text
    QVERIFY(!w.Text4->isReadOnly());
    clipboard->setText(QStringLiteral("ignored"));
    QVERIFY(w.Text4->toPlainText().isEmpty());
    w.Check2->click();  // on again: the clipboard's text at once
    QVERIFY(w.Text4->isReadOnly());
    QCOMPARE(w.Text4->toPlainText(), QStringLiteral("ignored"));
}

void frmLMWiringTest::viewFileLoadsTheCurrentFileInBlocks() {
    MainWindowFixture f({"empty.txt", "gone.txt"}, "");
    QByteArray body;
    for (int i = 0; body.size() < 20000; ++i) body += "word" + QByteArray::number(i % 10) + "\r\n";
    body.truncate(20000);
    f.write(QStringLiteral("big.txt"), body);
    frmLM& w = f.open();
    std::vector<std::int64_t> progress;
    w.setProgressObserver([&](std::int64_t value) { progress.push_back(value); });
    SelectNames(w, {QStringLiteral("big.txt")});
    progress.clear();
    w.mnuFileVTB->trigger();
    QCOMPARE(progress, (std::vector<std::int64_t>{8000, 16000, 20000, 0, 20000, 0}));
    QCOMPARE(w.Text4->toPlainText().size(), 20000 - body.count('\r'));  // one break per line
    QCOMPARE(w.BoxText(w.Text4).toUtf8(), body);  // the tally sees the file's bytes
    QCOMPARE(w.tabs1->currentIndex(), 1);
    QVERIFY(!w.Text4->isReadOnly());  // the monitor is off

    SelectNames(w, {QStringLiteral("empty.txt")});
    w.mnuFilePopVTB->trigger();  // the pop-up twin
    QVERIFY(w.Text4->toPlainText().isEmpty());
    QVERIFY(!w.Command4->isEnabled());
    QCOMPARE(f.boxes.count(), 0);

    // Nothing to read: the block keeps its text.
    w.tabs1->setCurrentIndex(0);
    w.Text4->setPlainText(QStringLiteral("kept"));
    w.File1->setCurrentRow(-1);  // no current file
    w.mnuFileVTB->trigger();
    QCOMPARE(w.Text4->toPlainText(), QStringLiteral("kept"));
    SelectNames(w, {QStringLiteral("gone.txt")});
    QFile::remove(f.file(QStringLiteral("gone.txt")));
    QVERIFY(QDir().mkpath(f.file(QStringLiteral("gone.txt"))));  // a folder where the file was
    w.mnuFileVTB->trigger();
    QCOMPARE(f.boxes.count(), 1);
    QVERIFY2(f.lastBox().startsWith(QStringLiteral("Error|critical|")) &&
                 f.lastBox().contains(f.file(QStringLiteral("gone.txt"))),
             qPrintable(f.lastBox()));
    QCOMPARE(w.Text4->toPlainText(), QStringLiteral("kept"));
    QCOMPARE(w.Progress(), 0);
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void frmLMWiringTest::clearLinksEmptyTheirBoxes() {
    MainWindowFixture f;
    frmLM& w = f.open();
    QCOMPARE(w.Label10->cursor().shape(), Qt::PointingHandCursor);
    QTest::keyClicks(w.Text1, QStringLiteral("find"));
    QVERIFY(w.Label10->isEnabled() && !w.Label12->isEnabled());
    QTest::mousePress(w.Label10, Qt::LeftButton);  // pressing is enough
    QVERIFY(w.Text1->toPlainText().isEmpty());
    QVERIFY(!w.Label10->isEnabled());
    QTest::keyClicks(w.Text2, QStringLiteral("new"));
    QVERIFY(w.Label12->isEnabled());
    QTest::mouseClick(w.Label12, Qt::LeftButton);
    QVERIFY(w.Text2->toPlainText().isEmpty());
    QVERIFY(!w.Label12->isEnabled());
}

void frmLMWiringTest::insertedTagKeepsTheFilesLineBreaks() {
    MainWindowFixture f;
    const QByteArray tag = "<meta name=\"a\"\r\n content=\"b\">";
    f.write(QStringLiteral("page.htm"), "<html>" + tag + "</html>");
    frmLM& w = f.open();
    w.Combo1->setCurrentIndex(1);
    SelectNames(w, {QStringLiteral("page.htm")});
    WhenShown<frmMeta>([](frmMeta& viewer) {
        Find<QPlainTextEdit>(viewer, QStringLiteral("Text1"))->selectAll();
        Click(viewer, "Command2");
        Click(viewer, "Command1");
    });
    w.mnuToolsMeta->trigger();
    const std::string search = w.options().searchText;
    QVERIFY2(search.starts_with(tag.toStdString()), search.c_str());
    QVERIFY(
        f.read(QStringLiteral("page.htm")).contains(QByteArray::fromStdString(search).trimmed()));
    QVERIFY(w.Label10->isEnabled() && w.Command3->isEnabled());
    // Once the user edits the box, it holds what it shows.
    w.Text1->moveCursor(QTextCursor::End);
    QTest::keyClicks(w.Text1, QStringLiteral("x"));
    QCOMPARE(QString::fromStdString(w.options().searchText), w.Text1->toPlainText());
}

void frmLMWiringTest::favoritesMenuFromTheStore_data() {
    QTest::addColumn<QStringList>("stored");    // folder0 to folder4 ("" for none)
    QTest::addColumn<QStringList>("captions");  // of the visible entries
    QTest::newRow("none") << QStringList{} << QStringList{"(Empty)"};
    QTest::newRow("three") << QStringList{"/a", "/b & c", "/d"}
                           << QStringList{"1.  /a", "2.  /b && c", "3.  /d"};
    QTest::newRow("five") << QStringList{"/1", "/2", "/3", "/4", "/5"}
                          << QStringList{"1.  /1", "2.  /2", "3.  /3", "4.  /4", "5.  /5"};
    QTest::newRow("first slot empty") << QStringList{"", "/b"} << QStringList{"(Empty)"};
}

void frmLMWiringTest::favoritesMenuFromTheStore() {
    QFETCH(QStringList, stored);
    QFETCH(QStringList, captions);
    MainWindowFixture f;
    for (int i = 0; i < stored.size(); ++i)
        f.store(QStringLiteral("folder%1").arg(i), stored[i], kFavorites);
    frmLM& w = f.open();
    QStringList shown;
    for (QAction* entry : w.favs)
        if (entry->isVisible()) shown << entry->text();
    QCOMPARE(shown, captions);
    QCOMPARE(w.favs[0]->isEnabled(), !stored.value(0).isEmpty());
    const QList<QAction*> items = w.mnuFavs->actions();
    QVERIFY(items[5]->isSeparator());
    QCOMPARE(items[6]->text(), QStringLiteral("&Edit Favorites"));
}

void frmLMWiringTest::favoriteOpensItsFolderOrSaysItIsGone() {
    MainWindowFixture f;
    const QString web = f.file(QStringLiteral("web"));
    const QString gone = f.file(QStringLiteral("gone"));
    QVERIFY(QDir().mkpath(web));
    QVERIFY(QDir().mkpath(gone));
    f.write(QStringLiteral("web/index.txt"), "x");
    f.store(QStringLiteral("folder0"), web, kFavorites);
    f.store(QStringLiteral("folder1"), gone, kFavorites);
    frmLM& w = f.open();
    w.numcharF->setText(QStringLiteral("9"));
    w.favs[0]->trigger();
    QCOMPARE(w.File1->Path(), web);
    QCOMPARE(w.File1->count(), 1);
    QCOMPARE(w.Label2->toolTip(), web);
    QVERIFY(w.numcharF->text().isEmpty());

    QVERIFY(QDir(gone).removeRecursively());
    w.favs[1]->trigger();
    QCOMPARE(f.boxes.count(), 1);
    QVERIFY2(f.lastBox().startsWith(QStringLiteral("Oops!|")) && f.lastBox().contains(gone),
             qPrintable(f.lastBox()));
    QCOMPARE(w.File1->Path(), web);  // unchanged

    f.store(QStringLiteral("folder1"), QString(), kFavorites);  // emptied behind our back
    w.favs[1]->trigger();
    QCOMPARE(f.boxes.count(), 2);
    QVERIFY(f.lastBox().startsWith(QStringLiteral("Oops!|")));
    QCOMPARE(w.File1->Path(), web);
}

void frmLMWiringTest::favoritesEditorUpdatesTheMenu() {
    MainWindowFixture f;
    const QString web = f.file(QStringLiteral("web"));
    QVERIFY(QDir().mkpath(web));
    ScriptedFolderBrowser browser;
    browser.answer(web);
    frmLM& w = f.open();
    bool ownerless = false;
    WhenShown<frmfav>([&](frmfav& editor) {
        ownerless = editor.parentWidget() == nullptr;
        Click(editor, "Command2");  // Add
        Click(editor, "Command4");  // Done
    });
    w.mnuFavsedit->trigger();
    QVERIFY(ownerless);
    QCOMPARE(browser.last().initialFolder, f.work());  // starts at the work folder
    QCOMPARE(w.favs[0]->text(), QStringLiteral("&1.  ") + web);
    QVERIFY(w.favs[0]->isEnabled());
    QCOMPARE(f.stored(QStringLiteral("folder0"), kFavorites), web);
    w.favs[0]->trigger();
    QCOMPARE(w.File1->Path(), web);
}

void frmLMWiringTest::dialogsOpenFromTheirMenus() {
    MainWindowFixture f;
    frmLM& w = f.open();
    QWidget* optionsOwner = nullptr;
    QString helpPage;
    WhenShown<frmop>([&](frmop& options) {
        optionsOwner = options.parentWidget();
        Click(options, "Command5");  // Help: the options topic, the dialog stays
        if (HelpWindow* help = VisibleHelp()) helpPage = help->CurrentPage();
        Click(options, "Command4");  // Cancel
    });
    w.mnuEdtOp->trigger();
    QCOMPARE(optionsOwner, &w);
    QCOMPARE(helpPage, QStringLiteral("options.html"));
    CloseHelp();

    bool aboutOwnerless = false;
    WhenShown<FrmAbt>([&](FrmAbt& about) {
        aboutOwnerless = about.parentWidget() == nullptr && about.isModal();
        Click(about, "Command3");
    });
    w.mnuHelpAbout->trigger();
    QVERIFY(aboutOwnerless);

    w.mnuHelpContents->trigger();
    HelpWindow* help = VisibleHelp();
    QVERIFY(help);
    QCOMPARE(help->CurrentPage(), QStringLiteral("overview.html"));
    CloseHelp();
}

void frmLMWiringTest::ftpWindowOpensOnTheSelection() {
    MainWindowFixture f({"a.txt"});
    frmLM& w = f.open();
    w.mnuToolsFTP->trigger();
    QCOMPARE(f.boxes.count(), 1);
    QCOMPARE(f.lastBox(), QStringLiteral("No Files Selected|information|Please select one or "
                                         "more files for this operation."));

    SelectNames(w, {QStringLiteral("a.txt")});
    QWidget* owner = nullptr;
    WhenShown<Form1>([&](Form1& ftp) {
        owner = ftp.parentWidget();
        Click(ftp, "Command3");  // Close
    });
    w.popftp->trigger();  // the pop-up twin
    QCOMPARE(owner, &w);
    QCOMPARE(f.m.SelCount, 1);
}

void frmLMWiringTest::trayHidesRestoresAndExitsWithoutSaving() {
    MainWindowFixture f;
    frmLM& w = f.open();
    TrayIcon* tray = w.Tray();
    QCOMPARE(w.findChildren<QMenu*>(QStringLiteral("mnuPopSysTray")),
             QList<QMenu*>{tray->mnuPopSysTray()});
    int exits = 0;
    tray->setExitProgram([&] { ++exits; });
    tray->setTrayAvailable([] { return true; });
    w.mnuFileTr->trigger();
    QVERIFY(!w.isVisible());
    QVERIFY(tray->IconPresent());
    w.mnuPopRest->trigger();
    QVERIFY(w.isVisible());
    QVERIFY(!tray->IconPresent());

    w.mnuFileTr->trigger();
    w.mnuPopEx->trigger();
    QCOMPARE(exits, 1);
    QVERIFY(!tray->IconPresent());
    QCOMPARE(f.stored(QStringLiteral("Last Used Folder")), QStringLiteral("<none>"));
}

int RunWiringTests(int argc, char** argv) {
    frmLMWiringTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "frmLMWiringTest.moc"
