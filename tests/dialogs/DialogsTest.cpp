// The seams every window uses (message box, shell "open", text editor) and the
// options, favourites and About dialogs, on real widgets and settings files.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "FrmAbt.h"
#include "QtPrinters.h"
#include "ScriptedFolderBrowser.h"
#include "ScriptedMessageBoxes.h"
#include "TempSettings.h"
#include "TextEditor.h"
#include "frmfav.h"
#include "frmop.h"

using namespace lexmill;
using test::TempSettings;

namespace {

QPushButton* Command(const QWidget& dialog, int n) {
    return dialog.findChild<QPushButton*>(QString("Command%1").arg(n));
}

// Collects the URLs the desktop is asked to open.
class UrlRecorder : public QObject {
    Q_OBJECT
  public:
    QStringList urls;
  public slots:
    void open(const QUrl& url) { urls << url.toString(); }
};

}  // namespace

TEST(MsgBox, ShowsUserTextAsPlainText) {
    QTimer::singleShot(0, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        EXPECT_EQ(box->text() + "|" + box->windowTitle(), "<b>a.html</b> & co|Warning");
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        box->button(QMessageBox::No)->click();
    });
    const auto buttons = QMessageBox::Yes | QMessageBox::No;
    EXPECT_EQ(MsgBox(nullptr, "<b>a.html</b> & co", "Warning", QMessageBox::Warning, buttons),
              QMessageBox::No);
}

// The About box's two links go the same way, and the box stays open.
TEST(ShellOpen, HandsFilesAndAddressesToTheDesktopUnchanged) {
    const std::pair<QString, QUrl> rows[] = {
        {"https://example.com/a b.html?x=1#top", QUrl("https://example.com/a%20b.html?x=1#top")},
        {"mailto:support@example.com", QUrl("mailto:support@example.com")},
        {"/tmp/my notes #1 a:b 100%25.txt", QUrl::fromLocalFile("/tmp/my notes #1 a:b 100%25.txt")},
        {"notes.txt", QUrl::fromLocalFile(QDir::current().absoluteFilePath("notes.txt"))}};
    UrlRecorder recorder;
    QStringList expected;
    for (const char* scheme : {"file", "http", "https", "mailto"})
        QDesktopServices::setUrlHandler(scheme, &recorder, "open");
    for (const auto& [target, url] : rows) ShellOpen(nullptr, target), expected << url.toString();
    FrmAbt about;
    about.show();
    for (const char* link : {"Label6", "Label5"})
        QTest::mouseClick(about.findChild<QWidget*>(link), Qt::LeftButton);
    expected << "https://www.bramblegate.example/"
             << "mailto:support@bramblegate.example";
    EXPECT_TRUE(about.isVisible());
    for (const char* scheme : {"file", "http", "https", "mailto"})
        QDesktopServices::unsetUrlHandler(scheme);
    EXPECT_EQ(recorder.urls, expected);
}

TEST(OpenInTextEditor, GivesThePathAsOneArgumentOrSaysWhyNot) {
    QTemporaryDir dir;
    // "touch" stands in for the editor: it makes exactly the file it is given.
    const QString file = dir.filePath("my file; $(touch x) & `y` 'q'.txt");
    ScriptedMessageBoxes boxes;
    EXPECT_TRUE(OpenInTextEditor(nullptr, "/usr/bin/touch", file));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(file); }, 10000));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QFileInfo(file).fileName()});
    EXPECT_FALSE(OpenInTextEditor(nullptr, "", "/data/notes.txt"));
    EXPECT_FALSE(OpenInTextEditor(nullptr, "/no/editor", "/data/a.txt"));
    ASSERT_EQ(boxes.count(), 2);
    EXPECT_EQ(boxes.calls()[0].title + ": " + boxes.calls()[0].text,
              "Error: No text editor was found to open this file:\n/data/notes.txt\n\n"
              "Install a plain-text editor such as gedit, kate or mousepad.");
    EXPECT_EQ(boxes.calls()[1].title + ": " + boxes.calls()[1].text,
              "Error: The text editor could not be started:\n/no/editor\n\nFile:\n/data/a.txt");
}

// ---- The options dialog ----

struct Options : frmop {
    using frmop::frmop;
    QLineEdit *Text1 = findChild<QLineEdit*>("Text1"), *Text2 = findChild<QLineEdit*>("Text2");
    QComboBox* Combo1 = findChild<QComboBox*>("Combo1");
    QCheckBox* Check1 = findChild<QCheckBox*>("Check1");
    // Option|folder|filter|Last Used|pattern|enabled: F for the folder (Text1,
    // Command1), L for the list (Combo1, Label1), C for custom (Text2, Label3).
    QString shown() const {
        QStringList s = {"", Text1->text(), QString::number(Combo1->currentIndex())};
        s << (Check1->isChecked() ? "ticked" : "clear") << Text2->text() << "";
        for (int i = 0; i < 3; ++i)
            if (optstfl(i)->isChecked()) s[0] = QString::number(i);
        for (const char* pair : {"Text1 Command1 F", "Combo1 Label1 L", "Text2 Label3 C"}) {
            const QStringList p = QString(pair).split(' ');
            const bool enabled = findChild<QWidget*>(p[0])->isEnabled();
            s[5] += enabled != findChild<QWidget*>(p[1])->isEnabled() ? "?" : enabled ? p[2] : "-";
        }
        return s.join('|');
    }
};

TEST(frmop, ShowsWhatIsStored) {
    // Stored option, folder, filter, pattern ("" for none); what the dialog shows.
    const std::array<const char*, 5> rows[] = {
        {"", "", "", "", "1||0|clear||-L-"},
        {"2", "/srv/www", "2", "", "2|/srv/www|2|clear||FL-"},
        {"1", "/srv/www", "1", "", "1|/srv/www|1|clear||-L-"},  // a disabled box keeps it
        {"0", "", "Last Used", "*.md", "0||0|ticked||---"},
        {"1", "", "last used", "", "1||0|clear||-L-"},    // letter case counts
        {"1", "", "3", "a b;c", "1||3|clear|a b;c|-LC"},  // not filtered
        {"1", "", "3", "", "1||3|clear|*.*|-LC"},
        {"3", "", "4", "*.md", "1||0|clear||-L-"},  // outside the ranges: Current, Text Files
        {"-1", "", "-1", "", "1||0|clear||-L-"}};
    const char* keys[] = {"Startup Folder Option", "Startup Folder", "Startup Filter",
                          "Custom Startup Filter"};
    for (const auto& row : rows) {
        TempSettings settings;
        for (int i = 0; i < 4; ++i)
            if (*row[i]) settings.put("Options", keys[i], row[i]);
        EXPECT_EQ(Options(settings.file()).shown(), row[4]);
    }
}

// Enabling, browsing, Help and the key filter of the custom pattern box.
TEST(frmop, FollowsTheUser) {
    TempSettings settings;
    Options o(settings.file());
    o.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&o));
    QTest::mouseClick(o.optstfl(2), Qt::LeftButton, {}, QPoint(6, 6));
    o.Combo1->setCurrentIndex(3);
    o.Text2->setFocus();  // typed text passes the key filter; keys that type nothing go on
    for (const QChar c : QString("a;B *.Htm?-_\\:/é\u00A0\u0130€9\t"))
        QTest::sendKeyEvent(QTest::Click, o.Text2,
                            c == '\t' ? Qt::Key_Tab : Qt::Key(c.toUpper().unicode()), QString(c),
                            {});
    EXPECT_FALSE(o.Text2->hasFocus());
    EXPECT_EQ(o.shown(), "2||3|clear|aB*.Htm?9|FLC");
    QTest::mouseClick(o.Check1, Qt::LeftButton, {}, QPoint(6, 6));
    ScriptedFolderBrowser browser;
    browser.answer("/home/me/web & <b>site</b>");
    Command(o, 1)->click();
    Command(o, 1)->click();  // cancelled: the folder stays
    EXPECT_EQ(browser.last().title + "|" + browser.last().initialFolder,
              "Select folder...|" + QDir::currentPath());
    QList<int> topics;
    o.setShowHelpTopic([&](int topic) { topics << topic; });
    Command(o, 5)->click();
    EXPECT_EQ(topics, QList<int>{64});
    EXPECT_EQ(o.shown(), "2|/home/me/web & <b>site</b>|3|ticked|aB*.Htm?9|F--");
}

// Each opening starts from a stored "Startup Folder=/kept". In what reaches
// the file, "Startup " is left out of the names.
TEST(frmop, SaveChecksInOrderThenStoresWhatItWrites) {
    const QString missing =
        "The folder you specified does not exist. Please type a valid folder name in the space "
        "provided, press the browse button to select a folder, or choose another option.";
    const QString custom =
        "You have selected \"Custom\" as your startup file filter but have not specified a "
        "custom filter. Please specify a custom filter or choose another filter from the list.";
    const QString empty =
        "You have selected to specify your startup folder but have not specified a folder. "
        "Please type a folder name in the space provided, press the browse button to specify a "
        "folder, or select another option.";
    // Option, folder (<f> an existing one, <x> an existing file), filter, "Last
    // Used", pattern, button (3 Save, 4 Cancel, 0 Esc, 13 and 14: Enter on the
    // focused Save or Cancel), message, what is stored.
    const std::tuple<int, QString, int, bool, QString, int, QString, QString> rows[] = {
        {2, "<f>/gone", 3, true, "", 3, missing, "Folder=/kept"},  // before the empty pattern
        {2, "", 3, true, "", 3, custom, "Folder=/kept"},           // whatever "Last Used" says
        {2, "", 0, false, "", 3, empty, "Folder=/kept"},
        {2, "<f>", 3, false, "*.md", 3, "",
         "Folder=<f>;Folder Option=2;Filter=3;Custom Filter=*.md"},
        {2, "<x>", 0, true, "", 3, "", "Folder=<x>;Folder Option=2;Filter=Last Used"},
        {1, "<f>", 3, true, "*.?HTM", 3, "",  // "Last Used" still stores the pattern
         "Folder=/kept;Folder Option=1;Filter=Last Used;Custom Filter=*.?HTM"},
        {0, "", 1, false, "", 3, "", "Folder=/kept;Folder Option=0;Filter=1"},
        {2, "<f>", 3, true, "*.md", 4, "", "Folder=/kept"},
        {2, "<f>", 3, true, "*.md", 0, "", "Folder=/kept"},
        {2, "<f>", 3, true, "*.md", 14, "", "Folder=/kept"},
        {0, "", 1, false, "", 13, "", "Folder=/kept;Folder Option=0;Filter=1"}};
    for (const auto& [option, typed, filter, lastUsed, pattern, button, message, after] : rows) {
        TempSettings settings;
        settings.put("Options", "Startup Folder", "/kept");
        const QString folder = settings.dir.filePath("Déjà vu"), file = settings.file().c_str();
        ASSERT_TRUE(QDir().mkdir(folder));
        Options o(settings.file());
        o.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&o));
        ScriptedMessageBoxes boxes;
        o.optstfl(option)->setChecked(true);
        o.Text1->setText(QString(typed).replace("<x>", file).replace("<f>", folder));
        o.Combo1->setCurrentIndex(filter);
        o.Text2->setText(pattern);
        o.Check1->setChecked(lastUsed);
        Command(o, 3)->setFocus();
        if (button > 10) Command(o, button - 10)->setFocus();
        if (button > 10) QTest::keyClick(Command(o, button - 10), Qt::Key_Return);
        if (button == 0) QTest::keyClick(&o, Qt::Key_Escape);
        if (button == 3 || button == 4) Command(o, button)->click();
        ASSERT_EQ(boxes.count(), message.isEmpty() ? 0 : 1);
        for (const MessageRequest& box : boxes.calls())
            EXPECT_EQ(box.title + ": " + box.text, "Oops!: " + message);
        EXPECT_EQ(o.isVisible(), boxes.count() == 1);
        // After the first message the folder box is emptied, to type another.
        EXPECT_TRUE(message != missing || (o.Text1->text().isEmpty() && o.Text1->hasFocus()));
        EXPECT_EQ(settings.all("Options").replace(QRegularExpression("(^|;)(Custom )?Startup "),
                                                  "\\1\\2"),
                  QString(after).replace("<x>", file).replace("<f>", folder));
    }
}

// ---- The favourites editor ----

// Stands in for the main window's entries favs(0) to favs(4) showing `paths`.
struct FavoritesMenu : QMenu {
    explicit FavoritesMenu(const QStringList& paths) {
        for (int i = 0; i < 5; ++i)
            favs[i] = addAction(frmfav::MenuCaption(i, paths.value(i), false));
    }
    // Each entry as "caption+" (enabled), "caption-" (disabled) or "caption_" (hidden).
    QString state() const {
        QString s;
        for (QAction* entry : favs)
            s += entry->text() + (!entry->isVisible() ? "_ " : entry->isEnabled() ? "+ " : "- ");
        return s.trimmed();
    }
    FavoritesMenuEntries favs{};
};

// Opens the editor, takes the steps, then ends with `button` (4 Done, 3 Cancel,
// 0 the close box); returns what it listed before. A step "/path" adds it
// through the browser, "" is a cancelled browse, a digit selects that row and
// removes it, "R" removes what is selected.
QStringList Edit(FavoritesMenu& menu, const TempSettings& settings, const QStringList& steps,
                 int button) {
    frmfav editor(menu.favs, "/home/me/site", settings.file());
    auto* list = editor.findChild<QListWidget*>("List1");
    ScriptedFolderBrowser browser;
    editor.show();
    for (const QString& step : steps) {
        const bool add = step.isEmpty() || step.startsWith('/');
        if (add) browser.answer(step);
        if (!add && step != "R") list->setCurrentRow(step.toInt());
        Command(editor, add ? 2 : 1)->click();
    }
    for (const FolderBrowseRequest& call : browser.calls())
        EXPECT_EQ(call.title + "|" + call.initialFolder, "Add folder...|/home/me/site");
    QStringList entries;
    for (int i = 0; i < list->count(); ++i) entries << list->item(i)->text();
    button ? Command(editor, button)->click() : void(editor.close());
    EXPECT_FALSE(editor.isVisible());
    return entries;
}

// Done stores and updates the menu at once; Cancel and the close box change
// nothing. Lists are separated by blanks; "-" is an empty slot or a cancelled
// browse; stored slots are folder0, folder1, ... in that order.
TEST(frmfav, OnlyDoneStoresTheSlotsAndUpdatesTheMenu) {
    const char* five = "/o0 /o1 /o2 /o3 /o4";
    const char* fiveShown = "1.  /o0+ 2.  /o1+ 3.  /o2+ 4.  /o3+ 5.  /o4+";
    // The selection moves to the entry that took the removed one's place.
    // "&&" is a literal "&" in a menu caption; the access key stays the number.
    const std::tuple<const char*, const char*, int, const char*, const char*> rows[] = {
        {five, "0 1 2", 4, "/o1 /o3", "&1.  /o1+ &2.  /o3+ 3.  /o2_ 4.  /o3_ 5.  /o4_"},
        {five, "4 R 0 R", 4, "/o2", "&1.  /o2+ 2.  /o1_ 3.  /o2_ 4.  /o3_ 5.  /o4_"},
        {"/a /b", "R 1 R R", 4, "", "(Empty)- _ _ _ _"},
        // A cancelled browse and an exact duplicate add nothing; letter case counts.
        {"", "/R&D - /R&D /r&d /<b>é</b>", 4, "/R&D /r&d /<b>é</b>",
         "&1.  /R&&D+ &2.  /r&&d+ &3.  /<b>é</b>+ 4.  _ 5.  _"},
        // Empty slots are passed over; a sixth folder is refused before browsing.
        {"/0 - /2 - /4", "/5 /6 /7", 4, "/0 /2 /4 /5 /6",
         "&1.  /0+ &2.  /2+ &3.  /4+ &4.  /5+ &5.  /6+"},
        {five, "0 /new", 3, five, fiveShown},
        {five, "0 /new", 0, five, fiveShown}};
    const auto list = [](const char* text) {
        return QString(text).split(' ', Qt::SkipEmptyParts).replaceInStrings("-", "");
    };
    for (const auto& [stored, steps, button, after, menuAfter] : rows) {
        TempSettings settings;
        QString expected;
        for (int i = 0; i < list(stored).size(); ++i)
            settings.put("Favorite Folders", QString("folder%1").arg(i), list(stored)[i]);
        for (int i = 0; i < list(after).size(); ++i)
            expected += QString(";folder%1=").arg(i) + list(after)[i];
        FavoritesMenu menu(list(stored));
        ScriptedMessageBoxes boxes;
        Edit(menu, settings, list(steps), button);
        EXPECT_EQ(boxes.count(), list(steps).contains("/7") ? 1 : 0);
        for (const MessageRequest& box : boxes.calls())
            EXPECT_EQ(box.title + ": " + box.text,
                      "Oops!: Favorite folder list cannot contain more than five entries.");
        EXPECT_EQ(settings.all("Favorite Folders"), expected.mid(1));
        EXPECT_EQ(menu.state(), QString(menuAfter));
        // The next opening reads what was stored; after "(Empty)" it reads
        // nothing, even a value written behind the program's back.
        if (expected.isEmpty()) settings.put("Favorite Folders", "folder0", "/behind");
        EXPECT_EQ(Edit(menu, settings, {}, 3), list(after));
    }
}

// A stored folder whose name is not UTF-8 is stored again by its bytes.
TEST(frmfav, KeepsTheBytesOfStoredFolders) {
    TempSettings settings;
    for (const char* slot : {"folder0", "folder1"})
        settings.open().SaveSetting("Favorite Folders", slot, std::string("/d\xE9") + slot);
    FavoritesMenu menu({"/d?folder0", "/d?folder1"});
    Edit(menu, settings, {"0"}, 4);
    EXPECT_EQ(settings.open().GetSetting("Favorite Folders", "folder0"),
              "/d\xE9"
              "folder1");
}

#include "DialogsTest.moc"
