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

const QString kMessage1 = QStringLiteral(
    "The folder you specified does not exist. Please type a valid folder name in the space "
    "provided, press the browse button to select a folder, or choose another option.");
const QString kMessage2 = QStringLiteral(
    "You have selected \"Custom\" as your startup file filter but have not specified a custom "
    "filter. Please specify a custom filter or choose another filter from the list.");
const QString kMessage3 = QStringLiteral(
    "You have selected to specify your startup folder but have not specified a folder. Please "
    "type a folder name in the space provided, press the browse button to specify a folder, or "
    "select another option.");

template <typename T>
T* Child(const QWidget& dialog, const char* name) {
    T* child = dialog.findChild<T*>(QLatin1String(name));
    if (!child) qFatal("no control %s", name);
    return child;
}

// The dialog and its controls by their names.
struct Options {
    explicit Options(const TempSettings& settings, QWidget* parent = nullptr)
        : dialog(settings.file(), parent) {}

    frmop dialog;
    QRadioButton* option(int i) const {
        return Child<QRadioButton>(dialog, QStringLiteral("optstfl(%1)").arg(i).toLatin1());
    }
    QLineEdit* Text1() const { return Child<QLineEdit>(dialog, "Text1"); }
    QPushButton* browse() const { return Child<QPushButton>(dialog, "Command1"); }
    QCheckBox* Check1() const { return Child<QCheckBox>(dialog, "Check1"); }
    QLabel* Label1() const { return Child<QLabel>(dialog, "Label1"); }
    QComboBox* Combo1() const { return Child<QComboBox>(dialog, "Combo1"); }
    QLabel* Label3() const { return Child<QLabel>(dialog, "Label3"); }
    QLineEdit* Text2() const { return Child<QLineEdit>(dialog, "Text2"); }
    QPushButton* help() const { return Child<QPushButton>(dialog, "Command5"); }
    QPushButton* cancel() const { return Child<QPushButton>(dialog, "Command4"); }
    QPushButton* save() const { return Child<QPushButton>(dialog, "Command3"); }

    int checkedOption() const {
        int checked = -1;
        for (int i = 0; i < 3; ++i)
            if (option(i)->isChecked()) checked = checked == -1 ? i : 99;
        return checked;
    }
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

void VerifyOops(const MessageRequest& box, const QString& text, const QWidget* owner) {
    QCOMPARE(box.text, text);
    QCOMPARE(box.title, QStringLiteral("Oops!"));
    QCOMPARE(box.icon, QMessageBox::Warning);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(box.owner, owner);
}

}  // namespace

class frmopTest : public QObject {
    Q_OBJECT
  private slots:
    void opensWithTheLayoutsCaptions();
    void loadShowsWhatIsStored_data();
    void loadShowsWhatIsStored();
    void rulesFollowTheUsersChoices();

    void browseFillsTheFolderBoxUnlessCancelled();

    void saveChecksInTheirOrder();
    void saveStoresTheChoicesInOrder_data();
    void saveStoresTheChoicesInOrder();
    void saveKeepsValuesItDoesNotWrite();
    void aSavedChoiceIsShownAtTheNextOpening();
    void cancelAndEscStoreNothing();

    void helpAsksForTheOptionsTopic();
    void modalToItsOwnerOnly();

    void typingIntoTheCustomFilterPassesTheKeyFilter();
};

void frmopTest::opensWithTheLayoutsCaptions() {
    TempSettings settings;
    Options o(settings);
    QCOMPARE(o.dialog.windowTitle(), QStringLiteral("Lexmill Options"));
    const QStringList captions{o.option(0)->text(), o.option(1)->text(), o.option(2)->text(),
                               o.Check1()->text(),  o.Label1()->text(),  o.Label3()->text(),
                               o.browse()->text(),  o.help()->text(),    o.cancel()->text(),
                               o.save()->text()};
    QCOMPARE(captions, (QStringList{"Last Used", "Current", "Specify:", "Last Used", "Select One:",
                                    "Custom Filter:", "...", "Help", "Cancel", "Save"}));
    QStringList items;
    for (int i = 0; i < o.Combo1()->count(); ++i) items << o.Combo1()->itemText(i);
    QCOMPARE(items, (QStringList{"Text Files", "HTML Files", "All Files", "Custom"}));
    QVERIFY(!o.Combo1()->isEditable());
    QVERIFY(o.option(0)->autoExclusive() || o.option(0)->group());
    o.dialog.show();
    test::VerifyNothingClipped(o.dialog);
}

void frmopTest::loadShowsWhatIsStored_data() {
    // Stored values ("" means none stored) and what the controls show.
    QTest::addColumn<QString>("storedOption");
    QTest::addColumn<QString>("storedFolder");
    QTest::addColumn<QString>("storedFilter");
    QTest::addColumn<QString>("storedCustom");
    QTest::addColumn<int>("option");
    QTest::addColumn<QString>("folderText");
    QTest::addColumn<bool>("folderEnabled");
    QTest::addColumn<int>("filter");
    QTest::addColumn<bool>("lastUsed");
    QTest::addColumn<bool>("listEnabled");
    QTest::addColumn<QString>("customText");
    QTest::addColumn<bool>("customEnabled");

    QTest::newRow("nothing stored") << ""
                                    << ""
                                    << ""
                                    << "" << 1 << "" << false << 0 << false << true << "" << false;
    QTest::newRow("last used folder")
        << "0"
        << ""
        << "1"
        << "" << 0 << "" << false << 1 << false << true << "" << false;
    QTest::newRow("specified folder shown")
        << "2"
        << "/srv/www"
        << "2"
        << "" << 2 << "/srv/www" << true << 2 << false << true << "" << false;
    QTest::newRow("folder kept while another option is chosen")
        << "1"
        << "/srv/www"
        << "0"
        << "" << 1 << "/srv/www" << false << 0 << false << true << "" << false;
    QTest::newRow("startup filter Last Used")
        << "1"
        << ""
        << "Last Used"
        << "*.md" << 1 << "" << false << 0 << true << false << "" << false;
    QTest::newRow("custom with its pattern")
        << "1"
        << ""
        << "3"
        << "*.md" << 1 << "" << false << 3 << false << true << "*.md" << true;
    QTest::newRow("custom without a pattern")
        << "1"
        << ""
        << "3"
        << "" << 1 << "" << false << 3 << false << true << "*.*" << true;
    QTest::newRow("leading number of the texts")
        << " 2 and more"
        << "/a"
        << "2.5"
        << "" << 2 << "/a" << true << 2 << false << true << "" << false;
    QTest::newRow("letter case of Last Used counts")
        << "1"
        << ""
        << "last used"
        << "" << 1 << "" << false << 0 << false << true << "" << false;
    QTest::newRow("option outside 0 to 2 shows Current")
        << "7"
        << ""
        << "0"
        << "" << 1 << "" << false << 0 << false << true << "" << false;
    QTest::newRow("negative option shows Current")
        << "-1"
        << ""
        << "0"
        << "" << 1 << "" << false << 0 << false << true << "" << false;
    QTest::newRow("filter outside 0 to 3 shows Text Files")
        << "1"
        << ""
        << "9"
        << "*.md" << 1 << "" << false << 0 << false << true << "" << false;
}

void frmopTest::loadShowsWhatIsStored() {
    QFETCH(QString, storedOption);
    QFETCH(QString, storedFolder);
    QFETCH(QString, storedFilter);
    QFETCH(QString, storedCustom);
    TempSettings settings;
    if (!storedOption.isEmpty()) settings.put("options", "Startup Folder Option", storedOption);
    if (!storedFolder.isEmpty()) settings.put("Options", "Startup Folder", storedFolder);
    if (!storedFilter.isEmpty()) settings.put("Options", "Startup Filter", storedFilter);
    if (!storedCustom.isEmpty()) settings.put("Options", "Custom Startup Filter", storedCustom);

    Options o(settings);
    QTEST(o.checkedOption(), "option");
    QTEST(o.Text1()->text(), "folderText");
    QTEST(o.Text1()->isEnabled(), "folderEnabled");
    QTEST(o.browse()->isEnabled(), "folderEnabled");
    QTEST(o.Combo1()->currentIndex(), "filter");
    QTEST(o.Check1()->isChecked(), "lastUsed");
    QTEST(o.Combo1()->isEnabled(), "listEnabled");
    QTEST(o.Label1()->isEnabled(), "listEnabled");
    QTEST(o.Text2()->text(), "customText");
    QTEST(o.Text2()->isEnabled(), "customEnabled");
    QTEST(o.Label3()->isEnabled(), "customEnabled");
}

void frmopTest::rulesFollowTheUsersChoices() {
    TempSettings settings;
    Options o(settings);
    o.dialog.show();

    ClickIndicator(o.option(2));
    QVERIFY(o.Text1()->isEnabled() && o.browse()->isEnabled());
    o.Text1()->setText(QStringLiteral("/srv"));
    ClickIndicator(o.option(0));
    QVERIFY(!o.Text1()->isEnabled() && !o.browse()->isEnabled());
    QCOMPARE(o.Text1()->text(), QStringLiteral("/srv"));  // a disabled box keeps its text

    o.Combo1()->setCurrentIndex(3);
    QVERIFY(o.Text2()->isEnabled() && o.Label3()->isEnabled());
    ClickIndicator(o.Check1());
    QVERIFY(!o.Combo1()->isEnabled() && !o.Label1()->isEnabled());
    QVERIFY(!o.Text2()->isEnabled() && !o.Label3()->isEnabled());
    ClickIndicator(o.Check1());
    QVERIFY(o.Combo1()->isEnabled() && o.Label1()->isEnabled());
    QVERIFY(o.Text2()->isEnabled() && o.Label3()->isEnabled());

    o.Combo1()->setCurrentIndex(1);
    QVERIFY(!o.Text2()->isEnabled() && !o.Label3()->isEnabled());
    ClickIndicator(o.Check1());
    ClickIndicator(o.Check1());
    QVERIFY(!o.Text2()->isEnabled());  // clearing the box enables the pattern only for Custom
}

void frmopTest::browseFillsTheFolderBoxUnlessCancelled() {
    TempSettings settings;
    settings.put("Options", "Startup Folder Option", "2");
    settings.put("Options", "Startup Folder", "/old");
    Options o(settings);
    ScriptedFolderBrowser browser;

    o.browse()->click();  // cancelled
    QCOMPARE(o.Text1()->text(), QStringLiteral("/old"));
    QCOMPARE(browser.count(), 1);
    QCOMPARE(browser.last().title, QStringLiteral("Select folder..."));
    QCOMPARE(browser.last().initialFolder, QDir::currentPath());
    QCOMPARE(browser.last().owner, &o.dialog);

    browser.answer(QStringLiteral("/home/me/web & <b>site</b>"));
    o.browse()->click();
    QCOMPARE(o.Text1()->text(), QStringLiteral("/home/me/web & <b>site</b>"));
    QCOMPARE(settings.all("Options").size(), 2);  // browsing stores nothing
}

void frmopTest::saveChecksInTheirOrder() {
    TempSettings settings;
    settings.put("Options", "Startup Folder Option", "2");
    settings.put("Options", "Startup Filter", "Last Used");
    const auto before = settings.all("Options");
    Options o(settings);
    o.dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&o.dialog));
    ScriptedMessageBoxes boxes;

    // A missing folder comes first, even with the custom pattern missing too.
    o.Check1()->setChecked(true);
    o.Combo1()->setCurrentIndex(3);
    o.Text2()->clear();
    o.Text1()->setText(settings.folder() + QStringLiteral("/no such folder"));
    o.save()->setFocus();
    o.save()->click();
    QCOMPARE(boxes.count(), 1);
    VerifyOops(boxes.last(), kMessage1, &o.dialog);
    QVERIFY(o.Text1()->text().isEmpty());
    QVERIFY(o.Text1()->hasFocus());
    QVERIFY(o.dialog.isVisible());

    // Then the custom pattern, whatever "Last Used" says; the empty folder box waits.
    o.save()->click();
    QCOMPARE(boxes.count(), 2);
    VerifyOops(boxes.last(), kMessage2, &o.dialog);

    o.Text2()->setText(QStringLiteral("*.md"));
    o.save()->click();
    QCOMPARE(boxes.count(), 3);
    VerifyOops(boxes.last(), kMessage3, &o.dialog);

    QVERIFY(o.dialog.isVisible());
    QCOMPARE(o.dialog.result(), int(QDialog::Rejected));
    QCOMPARE(settings.all("Options"), before);  // nothing stored on a failed Save

    // Any existing entry passes, a file as well as a folder.
    QFile file(settings.folder() + QStringLiteral("/plain file"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    o.Text1()->setText(file.fileName());
    o.save()->click();
    QCOMPARE(boxes.count(), 3);
    QVERIFY(!o.dialog.isVisible());
    QCOMPARE(o.dialog.result(), int(QDialog::Accepted));
    QCOMPARE(settings.get("Options", "Startup Folder"), file.fileName());
}

void frmopTest::saveStoresTheChoicesInOrder_data() {
    QTest::addColumn<int>("option");
    QTest::addColumn<bool>("lastUsed");
    QTest::addColumn<int>("filter");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("stored");  // name=text, in the order written

    QTest::newRow("specified folder, custom filter")
        << 2 << false << 3 << "*.md"
        << QStringList{"Startup Folder Option=2", "Startup Folder=<folder>", "Startup Filter=3",
                       "Custom Startup Filter=*.md"};
    QTest::newRow("current folder, HTML files")
        << 1 << false << 1 << "" << QStringList{"Startup Folder Option=1", "Startup Filter=1"};
    QTest::newRow("last used folder and filter")
        << 0 << true << 0 << ""
        << QStringList{"Startup Folder Option=0", "Startup Filter=Last Used"};
    QTest::newRow("last used filter still stores the custom pattern")
        << 1 << true << 3 << "*.?HTM"
        << QStringList{"Startup Folder Option=1", "Startup Filter=Last Used",
                       "Custom Startup Filter=*.?HTM"};
}

void frmopTest::saveStoresTheChoicesInOrder() {
    QFETCH(int, option);
    QFETCH(bool, lastUsed);
    QFETCH(int, filter);
    QFETCH(QString, pattern);
    QFETCH(QStringList, stored);
    TempSettings settings;
    Options o(settings);
    ScriptedMessageBoxes boxes;

    o.option(option)->setChecked(true);
    o.Text1()->setText(settings.folder());
    o.Combo1()->setCurrentIndex(filter);
    o.Text2()->setText(pattern);
    o.Check1()->setChecked(lastUsed);
    o.save()->click();

    QCOMPARE(boxes.count(), 0);
    QCOMPARE(o.dialog.result(), int(QDialog::Accepted));
    QStringList written;
    for (const auto& [name, text] : settings.all("Options")) written << name + "=" + text;
    stored.replaceInStrings(QStringLiteral("<folder>"), settings.folder());
    QCOMPARE(written, stored);
}

void frmopTest::saveKeepsValuesItDoesNotWrite() {
    TempSettings settings;
    settings.put("Options", "Startup Folder Option", "2");
    settings.put("Options", "Startup Folder", "/kept");
    settings.put("Options", "Startup Filter", "3");
    settings.put("Options", "Custom Startup Filter", "*.kept");
    settings.put("Options", "Last Used Folder", "/last");
    Options o(settings);
    o.option(1)->setChecked(true);
    o.Text1()->setText(QStringLiteral("/typed but not chosen"));
    o.Combo1()->setCurrentIndex(2);
    o.save()->click();

    QCOMPARE(settings.get("Options", "Startup Folder Option"), QStringLiteral("1"));
    QCOMPARE(settings.get("Options", "Startup Folder"), QStringLiteral("/kept"));
    QCOMPARE(settings.get("Options", "Startup Filter"), QStringLiteral("2"));
    QCOMPARE(settings.get("Options", "Custom Startup Filter"), QStringLiteral("*.kept"));
    QCOMPARE(settings.get("Options", "Last Used Folder"), QStringLiteral("/last"));
}

void frmopTest::aSavedChoiceIsShownAtTheNextOpening() {
    TempSettings settings;
    const QString folder = settings.folder() + QStringLiteral("/Déjà vu");
    QVERIFY(QDir().mkdir(folder));
    {
        Options o(settings);
        o.option(2)->setChecked(true);
        o.Text1()->setText(folder);
        o.Combo1()->setCurrentIndex(3);
        o.Text2()->setText(QStringLiteral("*.TXT"));
        o.save()->click();
    }
    Options again(settings);
    QCOMPARE(again.checkedOption(), 2);
    QCOMPARE(again.Text1()->text(), folder);
    QCOMPARE(again.Combo1()->currentIndex(), 3);
    QCOMPARE(again.Text2()->text(), QStringLiteral("*.TXT"));
    QVERIFY(!again.Check1()->isChecked());
}

void frmopTest::cancelAndEscStoreNothing() {
    TempSettings settings;
    settings.put("Options", "Startup Filter", "1");
    const auto before = settings.all("Options");
    for (const bool useEsc : {false, true}) {
        Options o(settings);
        o.dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&o.dialog));
        o.option(2)->setChecked(true);
        o.Text1()->setText(settings.folder());
        o.Combo1()->setCurrentIndex(3);
        o.Text2()->setText(QStringLiteral("*.md"));
        o.Check1()->setChecked(true);
        if (useEsc)
            QTest::keyClick(&o.dialog, Qt::Key_Escape);
        else
            o.cancel()->click();
        QVERIFY(!o.dialog.isVisible());
        QCOMPARE(o.dialog.result(), int(QDialog::Rejected));
        QCOMPARE(settings.all("Options"), before);
    }
}

void frmopTest::helpAsksForTheOptionsTopic() {
    TempSettings settings;
    Options o(settings);
    o.dialog.show();
    o.help()->click();  // no help window given: nothing happens
    QList<int> topics;
    o.dialog.setShowHelpTopic([&](int topic) { topics << topic; });
    o.help()->click();
    QCOMPARE(topics, QList<int>{64});
    QVERIFY(o.dialog.isVisible());
    QVERIFY(settings.all("Options").isEmpty());
}

void frmopTest::modalToItsOwnerOnly() {
    TempSettings settings;
    QWidget mainWindow;
    QWidget helpWindow;  // a window of its own, like the help window
    test::BlockWatch mainWatch(&mainWindow);
    test::BlockWatch helpWatch(&helpWindow);
    mainWindow.show();
    helpWindow.show();
    Options o(settings, &mainWindow);
    bool mainBlocked = false;
    bool helpBlocked = true;
    test::OnModal([&](QWidget*) {
        mainBlocked = mainWatch.blocked;
        helpBlocked = helpWatch.blocked;
        o.cancel()->click();
    });
    o.dialog.exec();
    QVERIFY(mainBlocked);
    QVERIFY(!helpBlocked);
    QVERIFY(!mainWatch.blocked);
}

void frmopTest::typingIntoTheCustomFilterPassesTheKeyFilter() {
    TempSettings settings;
    settings.put("Options", "Startup Filter", "3");
    settings.put("Options", "Custom Startup Filter", "a b;c");  // a stored value is not filtered
    Options o(settings);
    o.dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&o.dialog));
    QCOMPARE(o.Text2()->text(), QStringLiteral("a b;c"));
    o.Text2()->clear();
    o.Text2()->setFocus();

    Type(o.Text2(), QStringLiteral("a;B"));
    QCOMPARE(o.Text2()->text(), QStringLiteral("aB"));
    Type(o.Text2(), QStringLiteral(" *.Htm?-_\\:/é\u00A0\u0130€9"));
    QCOMPARE(o.Text2()->text(), QStringLiteral("aB*.Htm?9"));
    QTest::keyClick(o.Text2(), Qt::Key_Backspace);
    QTest::keyClick(o.Text2(), Qt::Key_Home);
    QTest::keyClick(o.Text2(), Qt::Key_Delete);
    QCOMPARE(o.Text2()->text(), QStringLiteral("B*.Htm?"));
    // Every printable ASCII character in turn: only the pattern characters stay.
    o.Text2()->clear();
    for (char c = ' '; c <= '~'; ++c) Type(o.Text2(), QString(QLatin1Char(c)));
    QCOMPARE(o.Text2()->text(),
             QStringLiteral("*.0123456789?ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    // Tab still moves on, out of the box.
    o.Text2()->setText(QStringLiteral("B*.Htm?"));
    QTest::keyClick(o.Text2(), Qt::Key_Tab);
    QVERIFY(!o.Text2()->hasFocus());
    QCOMPARE(o.Text2()->text(), QStringLiteral("B*.Htm?"));
}

int RunFrmopTests(int argc, char** argv) {
    frmopTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "frmopTest.moc"
