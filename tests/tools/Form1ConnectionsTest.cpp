// The upload window's stored connections, checked in the settings file.
#include <gtest/gtest.h>

#include <QLabel>

#include "Form1TestSupport.h"

using namespace lexmill;
using namespace lexmill::test;

namespace {

constexpr std::string_view kSection = "FTP Servers";

class Form1Connections : public ::testing::Test, protected FtpWindowFixture {
  protected:
    // Stores connections the way an earlier session would have.
    void Stored(const std::vector<std::string>& names) {
        Put(kSection, "servers", std::to_string(names.size()));
        for (std::size_t i = 0; i < names.size(); ++i) {
            Put(kSection, std::to_string(i + 1), names[i]);
            const std::string section = std::string(kSection) + "\\" + names[i];
            Put(section, "address", names[i] + ".example");
            Put(section, "username", "user-" + names[i]);
            Put(section, "pw", "pw-" + names[i]);
            Put(section, "remotedir", "/" + names[i]);
            Put(section, "port", "21");
        }
    }
    static void Fill(Form1& form, const QString& name, const QString& address, const QString& dir) {
        Names(form)->setEditText(name);
        Box(form, 1)->setText(address);
        Box(form, 2)->setText(QStringLiteral("me"));
        Box(form, 3)->setText(QStringLiteral("secret"));
        Box(form, 4)->setText(dir);
        Box(form, 5)->setText(QStringLiteral("2121"));
    }
    static QStringList List(Form1& form) {
        QStringList items;
        for (int i = 0; i < Names(form)->count(); ++i) items << Names(form)->itemText(i);
        return items;
    }
    static void Choose(Form1& form, int index) {
        Names(form)->setCurrentIndex(index);
        form.cname_Click();
    }
    // The name, the four text boxes and the port box, joined by "|".
    static QString Boxes(Form1& form) {
        QStringList texts = {Names(form)->currentText()};
        for (int i = 1; i <= 5; ++i) texts << Box(form, i)->text();
        return texts.join('|');
    }
    void ExpectBox(const QString& text, const QString& title, QMessageBox::Icon icon) {
        ASSERT_GT(boxes.count(), 0);
        EXPECT_EQ(boxes.last().text, text);
        EXPECT_EQ(boxes.last().title, title);
        EXPECT_EQ(boxes.last().icon, icon);
    }
};

TEST_F(Form1Connections, HasItsControlsCaptionsAndTabOrder) {
    Form1 form(module, settingsFile);
    EXPECT_EQ(form.windowTitle(), "FTP Upload");
    EXPECT_TRUE(form.isModal());
    const char* labels[] = {"Connection Name:",  "FTP Address (no \"ftp://\"):",
                            "User Name:",        "Password:",
                            "Remote Directory:", "Port:"};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(Find<QLabel>(form, QStringLiteral("Label%1").arg(i + 1))->text(), labels[i]);
    // In tab order, after the name and the five boxes.
    const std::pair<int, const char*> captions[] = {
        {1, "&Upload"},          {6, "&New Connection"},
        {2, "&Save Connection"}, {4, "&Delete Connection"},
        {5, "Stop &Transfer"},   {3, "&Close"}};
    QWidget* w = Names(form);
    std::vector<QWidget*> expected = {Box(form, 1), Box(form, 2), Box(form, 3), Box(form, 4),
                                      Box(form, 5)};
    for (const auto& [number, caption] : captions) {
        EXPECT_EQ(Button(form, number)->text(), caption);
        expected.push_back(Button(form, number));
    }
    for (QWidget* next : expected) {
        do w = w->nextInFocusChain();
        while (w->focusPolicy() == Qt::NoFocus || w->focusProxy() == Names(form));
        EXPECT_EQ(w, next) << next->objectName().toStdString();
    }
    EXPECT_TRUE(Button(form, 1)->isDefault());
    EXPECT_EQ(Box(form, 3)->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(Names(form)->isEditable());
}

// Empty boxes and port 21 on first use and after "New Connection".
TEST_F(Form1Connections, FirstUseAndNewConnectionShowEmptyBoxesAndPort21) {
    Form1 first(module, settingsFile);
    EXPECT_EQ(Names(first)->count(), 0);
    EXPECT_EQ(Boxes(first), "|||||21");
    Stored({"alpha"});
    Form1 form(module, settingsFile);
    form.Command6_Click();
    EXPECT_EQ(Boxes(form), "|||||21");
    EXPECT_EQ(Get(kSection, "servers"), "1");
}

// "Last" selects a connection on opening and follows the list, not typing.
TEST_F(Form1Connections, OpeningSelectsLastAndLoadsItsBoxes) {
    Stored({"alpha", "beta", "gamma"});
    Put(kSection, "Last", "1");
    {
        Form1 form(module, settingsFile);
        EXPECT_EQ(List(form), QStringList({"alpha", "beta", "gamma"}));
        EXPECT_EQ(Boxes(form), "beta|beta.example|user-beta|pw-beta|/beta|21");
        Names(form)->setEditText("typed");
        form.done(QDialog::Rejected);
    }
    EXPECT_EQ(Get(kSection, "Last"), "1");
    Form1 form(module, settingsFile);
    Choose(form, 2);
    EXPECT_EQ(Box(form, 1)->text(), "gamma.example");
    form.done(QDialog::Rejected);
    EXPECT_EQ(Get(kSection, "Last"), "2");
}

TEST_F(Form1Connections, InconsistentStoredValuesStillOpen) {
    Stored({"alpha", "beta"});
    Put(kSection, "servers", "40000");  // more than the names present
    Put(kSection, "Last", "7");         // outside the list
    Form1 form(module, settingsFile);
    EXPECT_EQ(List(form), QStringList({"alpha", "beta"}));
    EXPECT_EQ(Boxes(form), "alpha|alpha.example|user-alpha|pw-alpha|/alpha|21");
    // The next save writes a count that matches the list again.
    Fill(form, "delta", "d.example", "/d");
    form.Command2_Click();
    EXPECT_EQ(Get(kSection, "servers"), "3");
    EXPECT_EQ(Get(kSection, "3"), "delta");
    EXPECT_EQ(List(form), QStringList({"alpha", "beta", "delta"}));
}

TEST_F(Form1Connections, SavingANewNameAppendsIt) {
    Stored({"alpha", "beta"});
    Form1 form(module, settingsFile);
    Fill(form, "gamma", "ftp.gamma.example", "/www");
    Box(form, 5)->setText("port?");  // stored as typed
    form.Command2_Click();

    ASSERT_EQ(boxes.count(), 1);
    ExpectBox("Connection Saved", "Information", QMessageBox::Information);
    EXPECT_EQ(Get(kSection, "servers"), "3");
    EXPECT_EQ(Get(kSection, "3"), "gamma");
    const std::pair<const char*, const char*> stored[] = {
        {"address", "ftp.gamma.example"},
        {"username", "me"},
        {"pw", "secret"},  // clear text, as stored before
        {"remotedir", "/www"},
        {"port", "port?"}};
    for (const auto& [key, value] : stored) EXPECT_EQ(Get("FTP Servers\\gamma", key), value);
    // Clear-text passwords: the file is for its owner's eyes only.
    EXPECT_EQ(std::filesystem::status(settingsFile).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(List(form), QStringList({"alpha", "beta", "gamma"}));
    EXPECT_EQ(Names(form)->currentIndex(), 2);
}

TEST_F(Form1Connections, SaveValidatesBeforeStoring) {
    const QString slash = "Remote Directory must begin with a forward slash (\"/\").";
    struct Case {
        QString name, address, dir, text;
        QMessageBox::Icon icon;
        int focus;  // 0: cname, else the box number
    };
    for (const Case& c :
         {Case{"", "a.example", "/", "Please specify connection name.", QMessageBox::Warning, 0},
          Case{"n", "", "/", "Please specify FTP address.", QMessageBox::Warning, 1},
          Case{"n", "a.example", "www", slash, QMessageBox::Critical, 4},
          Case{"n", "a.example", "", slash, QMessageBox::Critical, 4}}) {
        SCOPED_TRACE(c.text.toStdString() + " " + c.dir.toStdString());
        Form1 form(module, settingsFile);
        form.show();
        boxes.clear();
        Fill(form, c.name, c.address, c.dir);
        form.Command2_Click();
        ASSERT_EQ(boxes.count(), 1);
        ExpectBox(c.text, "Error", c.icon);
        QWidget* focus = c.focus == 0 ? static_cast<QWidget*>(Names(form)) : Box(form, c.focus);
        QWidget* focused = form.focusWidget();
        EXPECT_TRUE(focused == focus || (focused && focused->parentWidget() == focus));
        if (c.focus == 4) {
            EXPECT_EQ(Box(form, 4)->cursorPosition(), 0);
        }
        EXPECT_EQ(Get(kSection, "servers"), "<missing>");
    }
    Form1 form(module, settingsFile);
    Fill(form, "root", "a.example", "/");  // "/" alone is enough
    form.Command2_Click();
    EXPECT_EQ(boxes.last().text, "Connection Saved");
}

TEST_F(Form1Connections, SavingAnExistingNameAsksFirst) {
    Stored({"alpha", "beta", "gamma"});
    Form1 form(module, settingsFile);
    Choose(form, 0);
    Box(form, 1)->setText("changed.example");

    boxes.answer(QMessageBox::No);
    form.Command2_Click();
    ASSERT_EQ(boxes.count(), 1);
    ExpectBox("Overwrite information for \"alpha\"?", "Connection Exists", QMessageBox::Question);
    EXPECT_EQ(boxes.last().buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(Get("FTP Servers\\alpha", "address"), "alpha.example");

    boxes.answer(QMessageBox::Yes);
    form.Command2_Click();
    EXPECT_EQ(boxes.last().text, "Connection Saved");
    EXPECT_EQ(Get("FTP Servers\\alpha", "address"), "changed.example");
    EXPECT_EQ(Get(kSection, "servers"), "3");
    EXPECT_EQ(Get(kSection, "1"), "alpha");     // keeps its place
    EXPECT_EQ(Names(form)->currentIndex(), 2);  // the list's last entry is selected
    EXPECT_EQ(Box(form, 1)->text(), "gamma.example");
}

TEST_F(Form1Connections, NamesDifferingInCaseAreTwoEntriesSharingDetails) {
    Stored({"home"});
    Form1 form(module, settingsFile);
    Fill(form, "Home", "shared.example", "/x");
    form.Command2_Click();
    EXPECT_EQ(boxes.last().text, "Connection Saved");  // no overwrite question
    EXPECT_EQ(List(form), QStringList({"home", "Home"}));
    EXPECT_EQ(Get(kSection, "servers"), "2");
    EXPECT_EQ(Get("FTP Servers\\home", "address"), "shared.example");

    // Deleting one keeps the details the other still uses.
    Choose(form, 1);
    boxes.answer(QMessageBox::Yes);
    form.Command4_Click();
    EXPECT_EQ(List(form), QStringList({"home"}));
    EXPECT_EQ(Get("FTP Servers\\home", "address"), "shared.example");
}

TEST_F(Form1Connections, DeletingANameKeepsTheDetailsOfNamesBelowIt) {
    Stored({"site", "site\\test"});  // "FTP Servers\site\test" lies under "FTP Servers\site"
    Form1 form(module, settingsFile);
    boxes.answer(QMessageBox::Yes);
    form.Command4_Click();  // the first entry, "site", is selected
    EXPECT_EQ(List(form), QStringList({"site\\test"}));
    EXPECT_EQ(Get("FTP Servers\\site", "address"), "<missing>");
    EXPECT_EQ(Get("FTP Servers\\site\\test", "address"), "site\\test.example");
    EXPECT_EQ(Box(form, 1)->text(), "site\\test.example");
}

// A typed name that matches no stored one deletes nothing; deleting asks
// first, renumbers the rest, and the last one leaves an empty list.
TEST_F(Form1Connections, DeletingAsksRenumbersAndEmptiesTheList) {
    Stored({"alpha", "beta", "gamma"});
    Form1 form(module, settingsFile);
    for (const char* typed : {"nobody", ""}) {
        Names(form)->setEditText(typed);
        form.Command4_Click();
    }
    EXPECT_EQ(boxes.count(), 0);
    Choose(form, 1);
    boxes.answer(QMessageBox::No);
    form.Command4_Click();
    ASSERT_EQ(boxes.count(), 1);
    ExpectBox("Are you sure you wish to delete \"beta\"?", "Confirmation", QMessageBox::NoIcon);
    EXPECT_EQ(Get(kSection, "servers"), "3");
    EXPECT_EQ(List(form).size(), 3);

    boxes.answer(QMessageBox::Yes);
    form.Command4_Click();
    EXPECT_EQ(Get(kSection, "servers"), "2");
    EXPECT_EQ(Get(kSection, "1"), "alpha");
    EXPECT_EQ(Get(kSection, "2"), "gamma");
    EXPECT_EQ(Get(kSection, "3"), "<missing>");
    EXPECT_EQ(Get("FTP Servers\\beta", "address"), "<missing>");
    EXPECT_EQ(List(form), QStringList({"alpha", "gamma"}));
    EXPECT_EQ(Boxes(form), "alpha|alpha.example|user-alpha|pw-alpha|/alpha|21");

    for (int i = 0; i < 2; ++i) {
        boxes.answer(QMessageBox::Yes);
        form.Command4_Click();
    }
    EXPECT_EQ(Names(form)->count(), 0);
    EXPECT_EQ(Get(kSection, "servers"), "0");
    EXPECT_EQ(Box(form, 1)->text(), "gamma.example");  // the boxes are not cleared
}

TEST_F(Form1Connections, NoSelectionSaysSoInsteadOfOpening) {
    module.SelCount = 0;
    ShowFtpWindow(nullptr, module, settingsFile);
    ASSERT_EQ(boxes.count(), 1);
    ExpectBox("Please select one or more files for this operation.", "No Files Selected",
              QMessageBox::Information);
}

}  // namespace
