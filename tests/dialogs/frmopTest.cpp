// The options dialog on a real settings file: what it shows for what is
// stored, its enabling rules, its three messages in their order, and what
// reaches the file on Save (and nothing on Cancel).
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "DialogTestSupport.h"
#include "ScriptedFolderBrowser.h"
#include "ScriptedMessageBoxes.h"
#include "frmop.h"

using namespace lexmill;
using lexmill::test::TempSettings;

namespace {

// The dialog and its controls by their names.
struct Options {
    explicit Options(const TempSettings& settings, QWidget* parent = nullptr)
        : dialog(settings.file(), parent) {}

    template <typename T = QWidget>
    T* get(const QString& name) const {
        T* child = dialog.findChild<T*>(name);
        if (!child) qFatal("no control %s", qPrintable(name));
        return child;
    }
    QRadioButton* option(int i) const { return get<QRadioButton>(QString("optstfl(%1)").arg(i)); }
    QPushButton* button(int i) const { return get<QPushButton>(QString("Command%1").arg(i)); }
    void save() const { button(3)->click(); }

    // The option, the folder, the filter, "Last Used", the pattern, and which
    // pairs are enabled: "folder" (Text1, Command1), "list" (Combo1, Label1),
    // "custom" (Text2, Label3); a pair that disagrees shows "?".
    QString shown() const {
        QStringList on;
        int checked = -1;
        for (int i = 0; i < 3; ++i)
            if (option(i)->isChecked()) checked = checked == -1 ? i : 99;
        for (const auto& [name, a, b] :
             {std::tuple{"folder", "Text1", "Command1"}, std::tuple{"list", "Combo1", "Label1"},
              std::tuple{"custom", "Text2", "Label3"}}) {
            if (get(a)->isEnabled() != get(b)->isEnabled()) on << QString("?") + name;
            if (get(a)->isEnabled() && get(b)->isEnabled()) on << name;
        }
        return QStringList{QString::number(checked),
                           Text1->text(),
                           QString::number(Combo1->currentIndex()),
                           Check1->isChecked() ? "ticked" : "clear",
                           Text2->text(),
                           on.join(' ')}
            .join('|');
    }

    frmop dialog;
    QLineEdit* Text1 = get<QLineEdit>("Text1");
    QLineEdit* Text2 = get<QLineEdit>("Text2");
    QComboBox* Combo1 = get<QComboBox>("Combo1");
    QCheckBox* Check1 = get<QCheckBox>("Check1");
};

// Types `text` one character at a time, as key presses carrying that text.
void Type(QWidget* box, const QString& text) {
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key(c.toUpper().unicode()), QString(c),
                            Qt::NoModifier);
}

// A click on a check box or option button, on its indicator.
void ClickIndicator(QWidget* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

}  // namespace

class frmopTest : public QObject {
    Q_OBJECT
  private slots:
    void opensWithTheLayoutsCaptions();
    void loadShowsWhatIsStored();
    void rulesFollowTheUsersChoices();
    void browseFillsTheFolderBoxUnlessCancelled();
    void saveChecksInTheirOrder();
    void saveStoresTheChoicesAndKeepsTheRest();
    void cancelAndEscStoreNothing();
    void helpAsksForTheOptionsTopicAndBlocksOnlyItsOwner();
    void typingIntoTheCustomFilterPassesTheKeyFilter();
};

void frmopTest::opensWithTheLayoutsCaptions() {
    TempSettings settings;
    Options o(settings);
    QStringList captions{o.dialog.windowTitle()};
    for (int i = 0; i < 3; ++i) captions << o.option(i)->text();
    captions << o.Check1->text() << o.get<QLabel>("Label1")->text()
             << o.get<QLabel>("Label3")->text();
    for (int i : {1, 5, 4, 3}) captions << o.button(i)->text();
    for (int i = 0; i < o.Combo1->count(); ++i) captions << o.Combo1->itemText(i);
    QCOMPARE(captions,
             (QStringList{"Lexmill Options", "Last Used", "Current", "Specify:", "Last Used",
                          "Select One:", "Custom Filter:", "...", "Help", "Cancel", "Save",
                          "Text Files", "HTML Files", "All Files", "Custom"}));
    QVERIFY(!o.Combo1->isEditable());
    o.dialog.show();
    test::VerifyNothingClipped(o.dialog);
}

void frmopTest::loadShowsWhatIsStored() {
    // Stored option, folder, filter, pattern ("" for none); what the dialog shows.
    const std::array<const char*, 5> rows[] = {
        {"", "", "", "", "1||0|clear||list"},
        {"0", "", "1", "", "0||1|clear||list"},
        {"2", "/srv/www", "2", "", "2|/srv/www|2|clear||folder list"},
        {"1", "/srv/www", "0", "", "1|/srv/www|0|clear||list"},  // a disabled box keeps it
        {"1", "", "Last Used", "*.md", "1||0|ticked||"},
        {"1", "", "3", "*.md", "1||3|clear|*.md|list custom"},
        {"1", "", "3", "", "1||3|clear|*.*|list custom"},
        {" 2 and more", "/a", "2.5", "", "2|/a|2|clear||folder list"},  // leading numbers
        {"1", "", "last used", "", "1||0|clear||list"},                 // letter case counts
        {"7", "", "0", "", "1||0|clear||list"},  // outside the ranges: Current, Text Files
        {"-1", "", "9", "*.md", "1||0|clear||list"},
    };
    for (const auto& [option, folder, filter, custom, shown] : rows) {
        TempSettings settings;
        // The option is read from "options": section names ignore case.
        if (*option) settings.put("options", "Startup Folder Option", option);
        if (*folder) settings.put("Options", "Startup Folder", folder);
        if (*filter) settings.put("Options", "Startup Filter", filter);
        if (*custom) settings.put("Options", "Custom Startup Filter", custom);
        QCOMPARE(Options(settings).shown(), QString(shown));
    }
}

void frmopTest::rulesFollowTheUsersChoices() {
    TempSettings settings;
    Options o(settings);
    o.dialog.show();
    const auto after = [&](auto&& act) {
        act();
        return o.shown().section('|', 5);
    };
    QCOMPARE(after([&] { ClickIndicator(o.option(2)); }), "folder list");
    QCOMPARE(after([&] { ClickIndicator(o.option(0)); }), "list");
    QCOMPARE(after([&] { o.Combo1->setCurrentIndex(3); }), "list custom");
    QCOMPARE(after([&] { ClickIndicator(o.Check1); }), "");
    QCOMPARE(after([&] { ClickIndicator(o.Check1); }), "list custom");
    QCOMPARE(after([&] { o.Combo1->setCurrentIndex(1); }), "list");
    QCOMPARE(after([&] { ClickIndicator(o.Check1); }), "");
    QCOMPARE(after([&] { ClickIndicator(o.Check1); }), "list");  // the pattern only for Custom
}

void frmopTest::browseFillsTheFolderBoxUnlessCancelled() {
    TempSettings settings;
    settings.put("Options", "Startup Folder Option", "2");
    settings.put("Options", "Startup Folder", "/old");
    Options o(settings);
    ScriptedFolderBrowser browser;
    o.button(1)->click();  // cancelled
    QCOMPARE(o.Text1->text(), QStringLiteral("/old"));
    QCOMPARE(browser.last().title, QStringLiteral("Select folder..."));
    QCOMPARE(browser.last().initialFolder, QDir::currentPath());
    QCOMPARE(browser.last().owner, &o.dialog);
    browser.answer(QStringLiteral("/home/me/web & <b>site</b>"));
    o.button(1)->click();
    QCOMPARE(o.Text1->text(), QStringLiteral("/home/me/web & <b>site</b>"));
    QCOMPARE(settings.all("Options").size(), 2);  // browsing stores nothing
}

void frmopTest::saveChecksInTheirOrder() {
    TempSettings settings;
    settings.put("Options", "Startup Folder Option", "2");
    settings.put("Options", "Startup Filter", "Last Used");
    const QStringList before = settings.all("Options");
    Options o(settings);
    o.dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&o.dialog));
    ScriptedMessageBoxes boxes;

    // A missing folder comes first, then the custom pattern whatever "Last
    // Used" says, then the folder box that the first message emptied.
    o.Combo1->setCurrentIndex(3);
    o.Text2->clear();
    o.Text1->setText(settings.folder() + QStringLiteral("/no such folder"));
    o.button(3)->setFocus();
    o.save();
    QVERIFY(o.Text1->text().isEmpty() && o.Text1->hasFocus());
    o.save();
    o.Text2->setText(QStringLiteral("*.md"));
    o.save();
    const QStringList messages{
        "The folder you specified does not exist. Please type a valid folder name in the space "
        "provided, press the browse button to select a folder, or choose another option.",
        "You have selected \"Custom\" as your startup file filter but have not specified a "
        "custom filter. Please specify a custom filter or choose another filter from the list.",
        "You have selected to specify your startup folder but have not specified a folder. "
        "Please type a folder name in the space provided, press the browse button to specify a "
        "folder, or select another option."};
    QCOMPARE(boxes.count(), 3);
    for (int i = 0; i < 3; ++i) {
        const MessageRequest& box = boxes.calls()[i];
        QCOMPARE(box.text, messages[i]);
        QCOMPARE(box.title, QStringLiteral("Oops!"));
        QCOMPARE(box.icon, QMessageBox::Warning);
        QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(box.owner, &o.dialog);
    }
    QVERIFY(o.dialog.isVisible());
    QCOMPARE(settings.all("Options"), before);  // nothing stored on a failed Save

    // Any existing entry passes, a file as well as a folder.
    QFile file(settings.folder() + QStringLiteral("/plain file"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    o.Text1->setText(file.fileName());
    o.save();
    QCOMPARE(boxes.count(), 3);
    QCOMPARE(o.dialog.result(), int(QDialog::Accepted));
    QVERIFY(!o.dialog.isVisible());
    QVERIFY(settings.all("Options").contains("Startup Folder=" + file.fileName()));
}

void frmopTest::saveStoresTheChoicesAndKeepsTheRest() {
    struct Row {
        QStringList before;  // stored before, name=text
        int option, filter;
        bool lastUsed;
        QString pattern;
        QStringList after;  // name=text, in the order first written
    };
    const QStringList old{"Startup Folder Option=2", "Startup Folder=/kept", "Startup Filter=3",
                          "Custom Startup Filter=*.kept", "Last Used Folder=/last"};
    const Row rows[] = {
        {{},
         2,
         3,
         false,
         "*.md",
         {"Startup Folder Option=2", "Startup Folder=<folder>", "Startup Filter=3",
          "Custom Startup Filter=*.md"}},
        {{}, 1, 1, false, "", {"Startup Folder Option=1", "Startup Filter=1"}},
        {{}, 0, 0, true, "", {"Startup Folder Option=0", "Startup Filter=Last Used"}},
        {{},
         1,
         3,
         true,
         "*.?HTM",  // "Last Used" still stores the custom pattern
         {"Startup Folder Option=1", "Startup Filter=Last Used", "Custom Startup Filter=*.?HTM"}},
        {old,
         1,
         2,
         false,
         "",  // values not written keep their contents
         {"Startup Folder Option=1", "Startup Folder=/kept", "Startup Filter=2",
          "Custom Startup Filter=*.kept", "Last Used Folder=/last"}},
    };
    for (Row row : rows) {
        TempSettings settings;
        for (const QString& value : row.before)
            settings.put("Options", value.section('=', 0, 0), value.section('=', 1));
        const QString folder = settings.folder() + QStringLiteral("/Déjà vu");
        QVERIFY(QDir().mkdir(folder));
        QString shown;
        {
            Options o(settings);
            ScriptedMessageBoxes boxes;
            o.option(row.option)->setChecked(true);
            o.Text1->setText(folder);
            o.Combo1->setCurrentIndex(row.filter);
            o.Text2->setText(row.pattern);
            o.Check1->setChecked(row.lastUsed);
            shown = o.shown();
            o.save();
            QCOMPARE(boxes.count(), 0);
            QCOMPARE(o.dialog.result(), int(QDialog::Accepted));
        }
        QCOMPARE(settings.all("Options"), row.after.replaceInStrings("<folder>", folder));
        if (row.option == 2) QCOMPARE(Options(settings).shown(), shown);  // at the next opening
    }
}

void frmopTest::cancelAndEscStoreNothing() {
    TempSettings settings;
    settings.put("Options", "Startup Filter", "1");
    const QStringList before = settings.all("Options");
    for (const bool useEsc : {false, true}) {
        Options o(settings);
        o.dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&o.dialog));
        o.option(2)->setChecked(true);
        o.Text1->setText(settings.folder());
        o.Combo1->setCurrentIndex(3);
        o.Text2->setText(QStringLiteral("*.md"));
        o.Check1->setChecked(true);
        useEsc ? QTest::keyClick(&o.dialog, Qt::Key_Escape) : o.button(4)->click();
        QVERIFY(!o.dialog.isVisible());
        QCOMPARE(o.dialog.result(), int(QDialog::Rejected));
        QCOMPARE(settings.all("Options"), before);
    }
}

void frmopTest::helpAsksForTheOptionsTopicAndBlocksOnlyItsOwner() {
    TempSettings settings;
    QWidget mainWindow;
    QWidget helpWindow;  // a window of its own, like the help window
    test::BlockWatch mainWatch(&mainWindow);
    test::BlockWatch helpWatch(&helpWindow);
    mainWindow.show();
    helpWindow.show();
    Options o(settings, &mainWindow);
    QList<int> topics;
    bool mainBlocked = false;
    bool helpBlocked = true;
    test::OnModal([&](QWidget*) {
        o.button(5)->click();  // no help window given: nothing happens
        o.dialog.setShowHelpTopic([&](int topic) { topics << topic; });
        o.button(5)->click();
        mainBlocked = mainWatch.blocked && o.dialog.isVisible();  // Help leaves it open
        helpBlocked = helpWatch.blocked;
        o.button(4)->click();
    });
    o.dialog.exec();
    QCOMPARE(topics, QList<int>{64});
    QVERIFY(mainBlocked);
    QVERIFY(!helpBlocked);
    QVERIFY(!mainWatch.blocked);
    QVERIFY(settings.all("Options").isEmpty());
}

void frmopTest::typingIntoTheCustomFilterPassesTheKeyFilter() {
    TempSettings settings;
    settings.put("Options", "Startup Filter", "3");
    settings.put("Options", "Custom Startup Filter", "a b;c");  // a stored value is not filtered
    Options o(settings);
    o.dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&o.dialog));
    QCOMPARE(o.Text2->text(), QStringLiteral("a b;c"));
    o.Text2->clear();
    o.Text2->setFocus();
    Type(o.Text2, QStringLiteral("a;B *.Htm?-_\\:/é\u00A0\u0130€9"));
    QCOMPARE(o.Text2->text(), QStringLiteral("aB*.Htm?9"));
    QTest::keyClick(o.Text2, Qt::Key_Backspace);
    QTest::keyClick(o.Text2, Qt::Key_Home);
    QTest::keyClick(o.Text2, Qt::Key_Delete);
    QCOMPARE(o.Text2->text(), QStringLiteral("B*.Htm?"));
    // Every printable ASCII character in turn: only the pattern characters stay.
    o.Text2->clear();
    for (char c = ' '; c <= '~'; ++c) Type(o.Text2, QString(QLatin1Char(c)));
    QCOMPARE(o.Text2->text(),
             QStringLiteral("*.0123456789?ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    QTest::keyClick(o.Text2, Qt::Key_Tab);  // Tab still moves on, out of the box
    QVERIFY(!o.Text2->hasFocus());
}

int RunFrmopTests(int argc, char** argv) {
    frmopTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "frmopTest.moc"
