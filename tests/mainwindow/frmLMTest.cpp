// The main window's wiring, driven through its controls by name on a real
// work folder and a real settings file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QtTest>
#include <QtWidgets>
#include <fstream>

#include "CRegSettings.h"
#include "FileListBox.h"
#include "Form3.h"
#include "PreviewWindow.h"
#include "QtPrinters.h"
#include "RecordedShellOpens.h"
#include "ScriptedMessageBoxes.h"
#include "StatusPanel.h"
#include "batch/Module1.h"
#include "frmLM.h"
#include "records/RunRecord.h"
#include "undo/Preview.h"

using namespace lexmill;

namespace {

class FrmLMTest : public ::testing::Test {
  protected:
    FrmLMTest() : previous_(QDir::currentPath()) {
        settings.setCompany("Bramblegate");
        settings.setAppName("Lexmill");
        QDir().mkpath(work());
        QDir::setCurrent(work());
        qputenv("XDG_STATE_HOME", QFile::encodeName(dir_.filePath("state")));  // the run records
        QGuiApplication::clipboard()->clear();
    }
    ~FrmLMTest() override {
        w.reset();
        QDir::setCurrent(previous_);
    }

    QString work() const { return dir_.filePath("work"); }
    QString file(const QString& name) const { return QDir(work()).filePath(name); }
    void write(const QString& name, const QByteArray& bytes) const {
        QFile f(file(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    }
    QByteArray read(const QString& name) const {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : "<missing>";
    }
    // "key=value;..." into `section`; "<other>" stands for the folder `other`.
    void store(const QString& pairs, const char* section = "Options") {
        for (const QString& pair : pairs.split(u';', Qt::SkipEmptyParts)) {
            const qsizetype at = pair.indexOf(u'=');
            const QString value = pair.mid(at + 1).replace("<other>", file("other"));
            settings.SaveSetting(section, pair.left(at).toStdString(), value.toStdString());
        }
    }
    void open() {
        w = std::make_unique<frmLM>(m, settingsFile_, QString());
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    }
    template <typename T = QLabel>
    T* c(const char* name) const {
        return w->findChild<T*>(name);
    }
    QString texts(std::initializer_list<const char*> labels) const {
        QStringList shown;
        for (const char* label : labels) shown << c(label)->text();
        return shown.join(u' ');
    }
    QString panel(int index) const { return w->findChildren<StatusPanel*>()[index]->Text(); }
    QString lastBox() const {
        return boxes.count() ? boxes.last().title + u'|' + boxes.last().text : "<none>";
    }
    void select(const QStringList& names) const {
        auto* list = c<FileListBox>("File1");
        list->SelectOnly(names);
        list->setCurrentRow(list->FindExact(names.value(0)), QItemSelectionModel::NoUpdate);
    }
    // Start (or `item`); what each results window showed, closed with Undo when `undo`.
    QStringList start(QAction* item = nullptr, bool undo = false) {
        QStringList shown;
        QTimer poll;  // the results window is modal: read it, then close it
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* results = qobject_cast<Form3*>(QApplication::activeModalWidget());
            if (!results) return;
            for (const char* label : {"Label1", "Label2"})
                shown << results->findChild<QLabel*>(label)->text();
            auto* list = results->findChild<QListWidget*>("List1");
            for (int row = 0; row < list->count(); ++row) shown << list->item(row)->text();
            // The status bar rests while the results show.
            shown << panel(0) + panel(1) + (w->Progress() ? "<bar>" : "");
            auto* cmdUndo = results->findChild<QPushButton*>("cmdUndo");
            if (cmdUndo->isVisible()) shown << cmdUndo->text();
            results->findChild<QPushButton*>(undo && cmdUndo->isVisible() ? "cmdUndo" : "Command1")
                ->click();
        });
        poll.start(5);
        item ? item->trigger() : c<QPushButton>("Command3")->click();
        return shown;
    }
    void expectIdle() const {
        EXPECT_EQ(panel(0), "Select the files to work on.");
        EXPECT_TRUE(panel(1).isEmpty());
        EXPECT_EQ(w->Progress(), 0);
        EXPECT_FALSE(m.Busy);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }

    QTemporaryDir dir_;
    std::string settingsFile_ = QFile::encodeName(dir_.filePath("registry.sqlite")).toStdString();
    CRegSettings settings{settingsFile_};
    QString previous_;
    Module1 m;
    ScriptedMessageBoxes boxes;
    std::unique_ptr<frmLM> w;
};

struct RunCase {
    const char* options;  // stored before the window opens
    const char* search;
    const char* shown;  // heading|summary|listed, in the results window
    const char* after;  // a.txt ("cat and Cat") after the run; b.txt is never selected
};

const RunCase kRuns[] = {
    {"Make Backups=1", "cat",
     "Files that were changed:|Search complete. 2 replacements made.|a.txt", "cow and cow"},
    {"Make Backups=0;Match Case=1", "Cat",
     "Files that were changed:|Search complete. 1 replacements made.|a.txt", "cat and cow"},
    {"Make Backups=0;Regular Expression=1", "^c.t|é(",
     "Files that were changed:|Search complete. 1 replacements made.|a.txt", "cow and Cat"},
    {"Search Only=1", "dog",
     "Files:|Search complete. Found 0 files that contained the text you entered.|None",
     "cat and Cat"},
};

TEST_F(FrmLMTest, StartRunsTheEngineOnTheSelectionAndShowsItsResults) {
    for (const RunCase& r : kRuns) {
        SCOPED_TRACE(r.options);
        write("a.txt", "cat and Cat");
        write("b.txt", "cat");
        QDir(file("LMBACK")).removeRecursively();
        settings.DeleteSetting("Options");
        store(r.options);
        open();
        select({"a.txt"});
        c<QPlainTextEdit>("Text1")->setPlainText(r.search);
        if (QString(r.search).endsWith(u'(')) {
            // An invalid pattern: nothing runs; the cursor goes where the pattern stops.
            EXPECT_TRUE(start().isEmpty());
            EXPECT_EQ(lastBox(),
                      "Error|Invalid regular expression: missing closing parenthesis "
                      "at offset 8");
            EXPECT_EQ(c<QPlainTextEdit>("Text1")->textCursor().position(), 7);  // é: 2 bytes
            boxes.clear();
            c<QPlainTextEdit>("Text1")->setPlainText(QString(r.search).chopped(3));
        }
        c<QPlainTextEdit>("Text2")->setPlainText("cow");
        const bool backups = QString(r.options) == "Make Backups=1";  // a run that can be undone
        EXPECT_EQ(start().join(u'|'),
                  QString(r.shown) + "|Select the files to work on." + (backups ? "|&Undo" : ""));
        EXPECT_EQ(read("a.txt"), r.after);
        EXPECT_EQ(read("b.txt"), "cat");
        EXPECT_EQ(read("LMBACK/a.txt"), backups ? "cat and Cat" : "<missing>");
        expectIdle();
        EXPECT_TRUE(c<QPushButton>("Command3")->isEnabled());
        EXPECT_EQ(boxes.count(), 0);
        w.reset();
    }
    write("c.txt", "cat");
    settings.DeleteSetting("Options");
    open();  // a current file, but none selected: the engine says so in its box
    c<FileListBox>("File1")->setCurrentRow(0);
    c<FileListBox>("File1")->clearSelection();
    c<QPlainTextEdit>("Text1")->setPlainText("cat");
    c<QPlainTextEdit>("Text2")->setPlainText("cow");
    EXPECT_TRUE(start().isEmpty());
    EXPECT_EQ(lastBox(), "No Files Selected|Please select one or more files for this operation.");
    expectIdle();

    // Closing the window during a run stops it, shows no results and saves.
    select({"a.txt", "b.txt", "c.txt"});
    QTimer::singleShot(0, w.get(), [this] { w->close(); });  // at the first yield
    EXPECT_TRUE(start().isEmpty());
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(read("c.txt"), "cat");
    EXPECT_EQ(settings.GetSetting("Options", "Last Used Filter"), "0");
    expectIdle();
}

TEST_F(FrmLMTest, SubfoldersListRelativePathsThatRunsBackUpAndUndoInPlace) {
    QDir().mkpath(file("pages/.hidden"));
    write("a.txt", "dog");
    write("pages/index.html", "cat");
    write("pages/bin.dat", QByteArray("cat\0", 4));
    write("pages/.hidden/x.txt", "cat");
    store("Startup Filter=2");
    open();
    auto* list = c<FileListBox>("File1");
    // Select All during the listing waits for its last file; meanwhile the status counts them.
    QString during;
    QObject::connect(list->model(), &QAbstractItemModel::rowsInserted, [&] { during = panel(0); });
    c<QCheckBox>("chkSubfolders")->setChecked(true);
    c<QPushButton>("Command1")->click();
    EXPECT_TRUE(QRegularExpression("^Listing\\.\\.\\. [12] files so far$").match(during).hasMatch())
        << during.toStdString();
    EXPECT_EQ(panel(0), "Select the files to work on.");
    EXPECT_EQ(list->SelectedNames().join(u'|'), "a.txt|pages/index.html");
    c<QPlainTextEdit>("Text1")->setPlainText("cat");
    c<QPlainTextEdit>("Text2")->setPlainText("cow");
    EXPECT_EQ(start().join(u'|'),
              "Files that were changed:|Search complete. 1 replacements made.|"
              "pages/index.html|Select the files to work on.|&Undo");
    EXPECT_EQ(read("pages/LMBACK/index.html") + read("pages/index.html"), "catcow");
    // Undo from the menu finds the run made here, though no file right in the folder changed.
    emit w->findChild<QMenu*>("mnuEdt")->aboutToShow();
    boxes.answer(QMessageBox::Yes);
    EXPECT_EQ(start(w->findChild<QAction*>("mnuEdtUndo")).join(u'|'),
              "Files that were restored:|Undo complete. 1 files restored.|pages/index.html|"
              "Select the files to work on.");
    EXPECT_EQ(read("pages/index.html") + read("pages/.hidden/x.txt"), "catcat");
}

TEST_F(FrmLMTest, UndoAsksThenRestoresTheWorkFoldersLastRun) {
    write("a.txt", "cat and Cat");
    open();
    auto* undo = w->findChild<QAction*>("mnuEdtUndo");
    auto* edit = w->findChild<QMenu*>("mnuEdt");
    EXPECT_FALSE(undo->isEnabled());  // no run yet
    c<QPlainTextEdit>("Text1")->setPlainText("cat");
    c<QPlainTextEdit>("Text2")->setPlainText("cow");
    const QString restored =
        "Files that were restored:|Undo complete. 1 files restored.|"
        "a.txt|Select the files to work on.";
    for (bool fromResults : {false, true}) {
        SCOPED_TRACE(fromResults);
        boxes.clear();
        if (fromResults) boxes.answer(QMessageBox::Yes);
        select({"a.txt"});
        const QStringList run = start(nullptr, fromResults);
        EXPECT_EQ(undo->isEnabled(), !fromResults);
        const QString question = "Undo Last Run|Undo the last run in " + work() +
                                 "? It changed 1 files on " +
                                 listRunRecords(defaultRunsFolder()).back().ended.c_str() + ".";
        if (!fromResults) {
            QDir().mkpath(dir_.filePath("elsewhere"));
            c<FileListBox>("File1")->setLocalPath(dir_.filePath("elsewhere").toStdString());
            emit edit->aboutToShow();
            EXPECT_FALSE(undo->isEnabled());
            c<FileListBox>("File1")->setLocalPath(work().toStdString());
            emit edit->aboutToShow();
            EXPECT_EQ(start(undo), QStringList());  // No, the default: nothing happens
            EXPECT_EQ(lastBox(), question);
            EXPECT_EQ(read("a.txt"), "cow and cow");
            EXPECT_TRUE(boxes.last().defaultButton == QMessageBox::No &&
                        boxes.last().icon == QMessageBox::Question);
            boxes.answer(QMessageBox::Yes);
        }
        EXPECT_EQ((fromResults ? run.mid(5) : start(undo)).join(u'|'), restored);
        EXPECT_EQ(lastBox(), question);
        EXPECT_EQ(read("a.txt"), "cat and Cat");
        expectIdle();
        EXPECT_FALSE(undo->isEnabled());
    }
    c<QCheckBox>("Check1")->setChecked(false);
    EXPECT_EQ(lastBox(),
              "Warning|Changes to any files made by the program will be permanent and "
              "cannot be undone if you uncheck this box. A run without backups cannot "
              "be undone.");
}

TEST_F(FrmLMTest, TalliesShowTheEngineCountsAndRestoreTheWindow) {
    write("a.txt", "Hello world\r\nfoo\tbar");
    write("b.txt", "b");
    write("gone.txt", "x");
    open();
    const auto fileTally = {"numwrdsF", "numcharF", "numlnsF", "labelkw"};
    c<QLineEdit>("KWtext")->setText("O");
    select({"a.txt"});
    c<QPushButton>("Command6")->click();
    EXPECT_EQ(texts(fileTally), "4 17 2 4");
    select({"b.txt"});  // another file clears them
    EXPECT_EQ(texts(fileTally), "   ");
    select({"a.txt", "b.txt"});
    c<QPushButton>("Command6")->click();
    EXPECT_EQ(lastBox(),
              "Oops!|Lexmill can only perform this operation on one file at a time. "
              "Please select only one file and try again.");
    select({"gone.txt"});  // a FIFO stands where it was listed: no hang
    QFile::remove(file("gone.txt"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(file("gone.txt")).constData(), 0644), 0);
    c<QPushButton>("Command6")->click();
    EXPECT_EQ(lastBox(), "Error|Lexmill could not read this file:\n" + file("gone.txt") +
                             "\n\nnot an ordinary file");
    EXPECT_EQ(texts(fileTally), "   ");
    expectIdle();
}

TEST_F(FrmLMTest, TextBlockKeepsAFilesExactTextUntilEditedAndFollowsTheClipboard) {
    write("exact.txt", QByteArray("a\r\nb\xC2\xA0") + "c");  // CR LF, a no-break space
    write("fifo.txt", "");
    QGuiApplication::clipboard()->setText("two words");
    open();
    auto* block = c<QPlainTextEdit>("Text4");
    EXPECT_EQ(block->toPlainText(), "two words");  // at once, at start
    QGuiApplication::clipboard()->setText("the THE then");
    EXPECT_TRUE(QTest::qWaitFor([&] { return block->toPlainText() == "the THE then"; }));
    const auto textTally = {"numwrdsT", "numcharT", "numlinesT", "labelkw2"};
    EXPECT_EQ(texts(textTally), "3 12 1 ");  // every change is tallied
    c<QLineEdit>("KWtext2")->setText("The");
    c<QPushButton>("Command4")->click();
    EXPECT_EQ(texts(textTally), "3 12 1 3");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    select({"exact.txt"});
    c<QAction>("mnuFileVTB")->trigger();
    EXPECT_EQ(c<QTabWidget>("tabs1")->currentIndex(), 1);
    EXPECT_FALSE(c<QCheckBox>("Check2")->isChecked() || block->isReadOnly());
    EXPECT_EQ(block->toPlainText(), "a\nb c");  // as the box shows it
    EXPECT_EQ(texts({"numwrdsT"}), "2");        // the file's own text: "b\u00A0c" is one word
    select({"fifo.txt"});                       // a FIFO stands where it was listed: no hang
    QFile::remove(file("fifo.txt"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(file("fifo.txt")).constData(), 0644), 0);
    c<QAction>("mnuFileVTB")->trigger();
    EXPECT_EQ(lastBox(), "Error|Lexmill could not read this file:\n" + file("fifo.txt") +
                             "\n\nnot an ordinary file");
    EXPECT_EQ(texts({"numwrdsT"}), "2");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    block->moveCursor(QTextCursor::End);
    QTest::keyClicks(block, "xy");
    EXPECT_EQ(texts({"numwrdsT"}), "3");  // the user's text: "a\nb cxy"

    QGuiApplication::clipboard()->setText("ignored");
    QCoreApplication::processEvents();
    EXPECT_EQ(block->toPlainText(), "a\nb cxy");
    c<QCheckBox>("Check2")->click();  // on again: the clipboard's text at once
    EXPECT_TRUE(block->isReadOnly());
    EXPECT_EQ(block->toPlainText(), "ignored");
    QGuiApplication::clipboard()->clear();
    EXPECT_TRUE(QTest::qWaitFor([&] { return block->toPlainText().isEmpty(); }));
    EXPECT_FALSE(c<QPushButton>("Command4")->isEnabled());
}

// A Windows-1252 tag longer than the box shows goes in with its bytes, so the run finds it.
TEST_F(FrmLMTest, MetaTagInsertKeepsItsBytes) {
    const QByteArray tag = "<meta content=\"" + QByteArray(5000, 'x') + "caf\xE9\">";
    write("page.htm", tag + "\r\n");
    store("Make Backups=0");
    open();
    c<QComboBox>("Combo1")->setCurrentIndex(1);
    select({"page.htm"});
    QTimer::singleShot(0, w.get(), [] {
        QWidget* viewer = QApplication::activeModalWidget();
        viewer->findChild<QPlainTextEdit*>("Text1")->selectAll();
        viewer->findChild<QPushButton*>("Command2")->click();
        viewer->findChild<QPushButton*>("Command1")->click();
    });
    c<QAction>("mnuToolsMeta")->trigger();
    EXPECT_EQ(c<QPlainTextEdit>("Text1")->toPlainText(),
              QString::fromUtf8(tag.left(4096) + "\n\u2026 and 927 more bytes, not shown here"));
    c<QPlainTextEdit>("Text2")->setPlainText("new");
    EXPECT_EQ(start().value(1), "Search complete. 1 replacements made.");
    EXPECT_EQ(read("page.htm"), "new");
}

// Preview: follows Start, the engine's diff, writes nothing, 10,000 lines; Esc and closing stop it.
TEST_F(FrmLMTest, PreviewShowsTheEnginesDiffAndWritesNothing) {
    write("a.txt", "one\ncat and Cat\nthree\n");
    write("c.txt", "cat");
    write("big.txt", QByteArray("cat\n").repeated(10005));
    QStringList many;
    for (int i = 0; i < 100; ++i)
        write(many.emplace_back(QString("z%1.txt").arg(i)), QByteArray("cat\n").repeated(2000));
    open();
    auto* item = c<QAction>("mnuEdtPreview");
    EXPECT_FALSE(item->isEnabled());  // no search text
    select({"a.txt", "c.txt"});
    c<QPlainTextEdit>("Text1")->setPlainText("cat");
    EXPECT_TRUE(item->isEnabled());
    c<QPlainTextEdit>("Text2")->setPlainText("cow");
    PreviewWindow* window = nullptr;
    const auto shown = [&](const QStringList& names, const char* summary, bool esc = false) {
        if (window) window->findChild<QPushButton*>("cmdClose")->click();  // the one before
        EXPECT_TRUE(QTest::qWaitFor([&] { return !w->findChild<PreviewWindow*>(); }));
        select(names);
        item->trigger();
        window = w->findChild<PreviewWindow*>("frmPreview");
        if (esc) QTest::keyClick(window, Qt::Key_Escape);
        auto* label = window->findChild<QLabel*>("lblSummary");
        EXPECT_TRUE(QTest::qWaitFor([&] { return label->text().startsWith(summary); }));
        return window->findChild<QPlainTextEdit*>("txtDiff")->toPlainText();  // once done
    };
    struct : PreviewSink {
        std::string diff;
        void fileChanged(const PreviewFile& f) override { diff += f.diff; }
    } engine;
    Preview({QFile::encodeName(file("a.txt")).toStdString(),
             QFile::encodeName(file("c.txt")).toStdString()},
            {"a.txt", "c.txt"}, BatchOptions{"cat", "cow"}, engine, std::atomic<bool>{false});
    EXPECT_EQ(shown({"a.txt", "c.txt"}, "Preview: 3 replacements in 2 files."),
              QString::fromStdString(engine.diff));
    EXPECT_EQ(read("a.txt") + read("c.txt"), "one\ncat and Cat\nthree\ncat");  // as they were
    // The keys go to the ends; the changed words of a line are marked within it.
    auto* diff = window->findChild<QPlainTextEdit*>("txtDiff");
    QTest::keyClick(diff, Qt::Key_End, Qt::ControlModifier);
    EXPECT_TRUE(diff->textCursor().atEnd());
    QTest::keyClick(diff, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_TRUE(diff->textCursor().atStart());
    QStringList marked;
    for (QTextBlock b = diff->document()->begin(); b.isValid(); b = b.next())
        for (const QTextLayout::FormatRange& r : b.layout()->formats())
            if (r.start > 0 &&
                r.format.background() != b.layout()->formats()[0].format.background())
                marked << b.text().mid(r.start, r.length);
    EXPECT_EQ(marked.join(u'|'), "cat|Cat|cow|cow|cat|cow");
    EXPECT_EQ(shown({"big.txt"}, "Preview: 10005 replacements in 1 files.").section(u'\n', 10000),
              "... and 10013 more lines not shown.\n");  // of 2 + 1 + 20010 lines
    shown(many, "Preview cancelled. ", true);            // Esc at once: a hundred files to go
    shown(many, "");                                     // Close at once
    window->findChild<QPushButton*>("cmdClose")->click();
    item->trigger();
    c<QPushButton>("Command5")->click();  // no current file: Start and the item go off
    EXPECT_FALSE(item->isEnabled());
    w.reset();  // the main window goes while the preview runs
}

// Stored "Options" -> "filter index|pattern|custom box|folder|Check1 Check3 Check4 chkRegex
// chkSubfolders".
const std::pair<const char*, const char*> kStarts[] = {
    {"", "0|*.txt||.|10000"},
    {"Startup Filter=Last Used;Last Used Filter=3;Last Used Custom Filter=*.log",
     "3|*.log|*.log|.|10000"},
    {"Startup Filter=3;Custom Startup Filter=*.md;Last Used Custom Filter=*.log",
     "3|*.md|*.md|.|10000"},
    {"Startup Filter=7", "-1|*.*||.|10000"},
    {"Startup Folder Option=0;Last Used Folder=<other>", "0|*.txt||other|10000"},
    {"Startup Folder Option=0;Last Used Folder=/no/such/folder", "0|*.txt||.|10000"},
    {"Startup Folder Option=2;Startup Folder=<other>", "0|*.txt||other|10000"},
    {"Make Backups=0;Search Only=1;Match Case=1;Subfolders=1", "0|*.txt||.|01101"},
    {"Make Backups=abc;Search Only=2;Match Case= 1 ", "0|*.txt||.|10100"},
    {"Regular Expression=1", "0|*.txt||.|10010"},
};

TEST_F(FrmLMTest, StartUpReadsTheStoredOptionsAndClosingSavesThem) {
    const QString other = file("other");
    QDir().mkpath(other);
    for (const auto& [stored, seen] : kStarts) {
        SCOPED_TRACE(stored);
        settings.DeleteSetting("Options");
        store(stored);
        open();
        QString checks;
        for (const char* box : {"Check1", "Check3", "Check4", "chkRegex", "chkSubfolders"})
            checks += c<QCheckBox>(box)->isChecked() ? u'1' : u'0';
        const QStringList got{QString::number(c<QComboBox>("Combo1")->currentIndex()),
                              c<FileListBox>("File1")->Pattern(), c<QLineEdit>("Text3")->text(),
                              QDir(work()).relativeFilePath(c<FileListBox>("File1")->Path()),
                              checks};
        EXPECT_EQ(got.join(u'|'), seen);
        EXPECT_EQ(c<FileListBox>("File1")->Recursive(), c<QCheckBox>("chkSubfolders")->isChecked());
        EXPECT_EQ(c<QPlainTextEdit>("Text2")->isEnabled(), !c<QCheckBox>("Check3")->isChecked());
        EXPECT_EQ(boxes.count(), 0);  // restoring "Make Backups" is silent
        w.reset();
    }
    settings.DeleteSetting("Options");
    open();
    c<QComboBox>("Combo1")->setCurrentIndex(3);
    c<QLineEdit>("Text3")->setText("*.log");
    c<FileListBox>("File1")->setPath(other);
    c<QCheckBox>("Check3")->setChecked(true);
    c<QCheckBox>("chkSubfolders")->setChecked(true);
    c<QCheckBox>("chkRegex")->setChecked(true);
    c<QAction>("mnuFileExit")->trigger();
    QStringList saved;
    for (const auto& [key, value] : settings.GetAllSettings("Options"))
        saved << QString::fromStdString(key + "=" + value);
    EXPECT_EQ(saved.join(u';'), "Last Used Folder=" + other +
                                    ";Last Used Filter=3;Last Used Custom Filter=*.log;"
                                    "Make Backups=1;Search Only=1;Match Case=0;"
                                    "Regular Expression=1;Subfolders=1");
}

TEST_F(FrmLMTest, FavoriteOpensItsFolderOrSaysWhyNot) {
    QDir().mkpath(file("web"));
    store("folder0=" + file("web") + ";folder1=" + file("gone"), "Favorite Folders");
    open();
    c<QAction>("favs(0)")->trigger();
    EXPECT_EQ(c<FileListBox>("File1")->Path(), file("web"));
    EXPECT_EQ(c("Label2")->toolTip(), file("web"));
    c<QAction>("favs(1)")->trigger();
    EXPECT_EQ(lastBox(), "Oops!|The favorite folder\n" + file("gone") +
                             "\nno longer exists. The work folder stays as it was.");
    EXPECT_EQ(c<FileListBox>("File1")->Path(), file("web"));
}

TEST_F(FrmLMTest, FiltersSelectionAndTheButtonsTheyEnable) {
    for (const char* name : {"a.txt", "b.htm", "c.log", "G.TXT"}) write(name, "x");
    open();
    auto* list = c<FileListBox>("File1");
    const char* const patterns[] = {"*.txt", "*.htm;*.html;*.shtml*", "*.*", "*.*"};
    for (int index : {3, 0, 1, 2, 3}) {
        c<QComboBox>("Combo1")->setCurrentIndex(index);
        EXPECT_EQ(list->Pattern(), patterns[index]) << index;
        EXPECT_EQ(c<QLineEdit>("Text3")->isEnabled(), index == 3);
    }
    QTest::keyClicks(c<QLineEdit>("Text3"), "*.l; o_g");  // pattern keys only
    EXPECT_EQ(c<QLineEdit>("Text3")->text(), "*.log");
    EXPECT_EQ(list->Pattern(), "*.log");
    EXPECT_EQ(list->count(), 1);

    c<QComboBox>("Combo1")->setCurrentIndex(2);
    auto* start = c<QPushButton>("Command3");
    c<QPushButton>("Command1")->click();  // Select All: the first file has the focus
    EXPECT_EQ(panel(2), "4 file(s) selected.");
    EXPECT_FALSE(start->isEnabled());  // no search text
    c<QPlainTextEdit>("Text1")->setPlainText("x");
    EXPECT_TRUE(start->isEnabled());
    c<QPushButton>("Command5")->click();  // refresh: no current file
    EXPECT_FALSE(start->isEnabled());
    EXPECT_EQ(panel(2), "0 file(s) selected.");
}

// A folder and names that are not UTF-8 show U+FFFD but are used by their
// bytes: the stored folder, the list, tally, viewer, run and Default Application.
TEST_F(FrmLMTest, NamesThatAreNotUtf8AreUsedByTheirBytes) {
    const std::string folder = QFile::encodeName(work()).toStdString() + "/d\xE9";
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    std::ofstream(folder + "/caf\xE9.txt") << "cat and Cat";
    std::ofstream(folder + "/caf\xE8.txt") << "cat";
    settings.SaveSetting("Options", "Startup Folder Option", "0");
    settings.SaveSetting("Options", "Last Used Folder", folder);
    open();
    auto* list = c<FileListBox>("File1");
    ASSERT_EQ(list->count(), 2);
    list->setCurrentRow(1);  // "caf\xE9.txt": its bytes sort after "caf\xE8.txt"
    c<QPushButton>("Command6")->click();
    EXPECT_EQ(texts({"numwrdsF"}), "3");
    c<QAction>("mnuFileVTB")->trigger();
    EXPECT_EQ(c<QPlainTextEdit>("Text4")->toPlainText(), "cat and Cat");
    RecordedShellOpens opens;
    opens.setAccepted(false);
    c<QAction>("mnuFileOpenDA")->trigger();
    EXPECT_EQ(lastBox(), "Error|Lexmill could not open this file:\n" + work() +
                             "/d\uFFFD/caf\uFFFD.txt\n\nNo application is set up to open files "
                             "of this type.");
    EXPECT_EQ(opens.last().target, "file://" + work() + "/d%E9/caf%E9.txt");
    c<QPlainTextEdit>("Text1")->setPlainText("cat");
    c<QPlainTextEdit>("Text2")->setPlainText("cow");
    EXPECT_EQ(start().join(u'|'),
              "Files that were changed:|Search complete. 2 replacements made.|caf\uFFFD.txt|"
              "Select the files to work on.|&Undo");
    EXPECT_EQ(m.SelPaths, std::vector{folder + "/caf\xE9.txt"});  // for uploads, meta tags
    std::string changed;
    std::getline(std::ifstream(folder + "/caf\xE9.txt"), changed);
    EXPECT_EQ(changed, "cow and cow");
    c<QAction>("mnuFileExit")->trigger();
    EXPECT_EQ(settings.GetSetting("Options", "Last Used Folder"), folder);
    std::filesystem::remove_all(folder);  // QTemporaryDir cannot remove such a name
}

}  // namespace
