// The FTP upload window on a real settings file, sending to a real FTP server.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <filesystem>

#include "Form1.h"
#include "FtpTestServer.h"
#include "Inet.h"
#include "Module1.h"
#include "QStringPrinter.h"
#include "ScriptedMessageBoxes.h"
#include "TempSettings.h"

using namespace lexmill;
using namespace lexmill::test;

namespace {

struct Form1Test : ::testing::Test {
    TempSettings settings;
    TempDir files;
    Module1 module;
    ScriptedMessageBoxes boxes;

    // Connections stored as an earlier session stores them.
    void Store(const QStringList& names) {
        settings.put("FTP Servers", "servers", QString::number(names.size()));
        for (int i = 0; i < names.size(); ++i) {
            settings.put("FTP Servers", QString::number(i + 1), names[i]);
            for (const char* key : {"address", "username", "pw", "remotedir", "port"})
                settings.put("FTP Servers\\" + names[i], key, names[i] + "." + key);
        }
    }
    // Selects these files, written into the folder "my site".
    void Select(const std::vector<std::pair<std::string, std::string>>& named) {
        std::filesystem::create_directory(files.file("my site"));
        std::vector<std::string> names;
        for (const auto& [name, bytes] : named)
            names.push_back(name), files.write("my site/" + name, bytes);
        SetSelection(module, files.file("my site"), names);
    }
    // The connection's name and five boxes, joined by "|"; filled the same way.
    static QString Shown(const Form1& form) {
        QStringList texts{form.findChild<QComboBox*>("cname")->currentText()};
        for (int i = 1; i <= 5; ++i)
            texts << form.findChild<QLineEdit*>(QString("Text%1").arg(i))->text();
        return texts.join('|');
    }
    static void Fill(Form1& form, const QString& shown) {
        form.findChild<QComboBox*>("cname")->setEditText(shown.section('|', 0, 0));
        for (int i = 1; i <= 5; ++i)
            form.findChild<QLineEdit*>(QString("Text%1").arg(i))->setText(shown.section('|', i, i));
    }
    static QString Server(int port, const QString& password = FtpTestServer::kPassword) {
        return QString("|127.0.0.1|%1|%2|/up|%3").arg(FtpTestServer::kUser, password).arg(port);
    }
    static void Choose(Form1& form, int index) {
        form.findChild<QComboBox*>("cname")->setCurrentIndex(index);
        form.cname_Click();
    }
    // The names listed and every box so far as "title: text", joined by " / ".
    static QString List(const Form1& form) {
        QStringList names;
        for (int i = 0; i < form.findChild<QComboBox*>("cname")->count(); ++i)
            names << form.findChild<QComboBox*>("cname")->itemText(i);
        return names.join(' ');
    }
    QString Boxes() const {
        QStringList shown;
        for (const MessageRequest& box : boxes.calls()) shown << box.title + ": " + box.text;
        return shown.join(" / ");
    }
};

// A stored "Last" outside the list, or a count larger than the names present,
// still opens the window consistently; the next save writes the count again.
// "Last" follows the list, not typing.
TEST_F(Form1Test, OpensOnTheStoredConnectionsAndSavesANewOne) {
    EXPECT_EQ(Shown(Form1(module, settings.file())), "|||||21");  // first use
    Store({"alpha", "beta", "gamma"});
    settings.put("FTP Servers", "Last", "1");
    EXPECT_EQ(Shown(Form1(module, settings.file())),
              "beta|beta.address|beta.username|beta.pw|beta.remotedir|beta.port");
    settings.put("FTP Servers", "servers", "40000");
    settings.put("FTP Servers", "Last", "3");
    Form1 form(module, settings.file());
    EXPECT_EQ(List(form) + "|" + Shown(form).section('|', 0, 1),
              "alpha beta gamma|alpha|alpha.address");
    form.findChild<QPushButton*>("Command6")->click();  // New Connection
    EXPECT_EQ(Shown(form), "|||||21");
    Fill(form, "delta|d.example|me|secret|/d|port?");  // the port stored as typed
    form.Command2_Click();
    EXPECT_EQ(Boxes(), "Information: Connection Saved");
    EXPECT_EQ(settings.all("FTP Servers\\delta"),
              "address=d.example;username=me;pw=secret;remotedir=/d;port=port?");
    EXPECT_EQ(settings.get("FTP Servers", "servers") + settings.get("FTP Servers", "4"), "4delta");
    Choose(form, 2);
    form.done(QDialog::Rejected);
    Form1 typed(module, settings.file());
    Choose(typed, 1);
    typed.findChild<QComboBox*>("cname")->setEditText("typed");
    typed.done(QDialog::Rejected);
    EXPECT_EQ(settings.get("FTP Servers", "Last"), "2");
    // Clear-text passwords: the file is for its owner's eyes only.
    EXPECT_EQ(std::filesystem::status(settings.file()).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

// An existing name asks first and keeps its place; one differing in letter
// case is another entry, sharing the same details.
TEST_F(Form1Test, SavingAnExistingNameAsksFirst) {
    Store({"alpha", "beta"});
    Form1 form(module, settings.file());
    for (auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        Fill(form, "alpha|changed.example|u|p|/|21");
        boxes.answer(answer);
        form.Command2_Click();
        EXPECT_EQ(boxes.calls()[0].buttons, QMessageBox::Yes | QMessageBox::No);
    }
    Fill(form, "Alpha|shared.example|u|p|/|21");
    form.Command2_Click();
    const QString asked = "Connection Exists: Overwrite information for \"alpha\"?";
    EXPECT_EQ(Boxes(), asked + " / " + asked +
                           " / Information: Connection Saved / Information: Connection Saved");
    EXPECT_EQ(List(form) + settings.get("FTP Servers", "1"), "alpha beta Alphaalpha");
    EXPECT_EQ(settings.get("FTP Servers\\alpha", "address"), "shared.example");
}

// Nothing is stored, nothing is sent; the box to correct has the focus.
TEST_F(Form1Test, SaveAndUploadCheckTheBoxesFirst) {
    const QString slash = "Error: Remote Directory must begin with a forward slash (\"/\").";
    const std::tuple<const char*, QString, QString, const char*> cases[] = {
        {"Command2", "|a|u|p|/|21", "Error: Please specify connection name.", "cname"},
        {"Command2", "n||u|p|/|21", "Error: Please specify FTP address.", "Text1"},
        {"Command2", "n|a|u|p|www|21", slash, "Text4"},
        {"Command2", "n|a|u|p||21", slash, "Text4"},
        {"Command1", "n||u|p|/up|21", "Error: Please specify an FTP address.", "Text1"},
        {"Command1", "n|a|u|p|up|21", slash, "Text4"}};
    Select({{"a.txt", "one"}});
    for (const auto& [button, shown, message, focus] : cases) {
        Form1 form(module, settings.file());
        form.show();
        boxes.clear();
        Fill(form, shown);
        form.findChild<QPushButton*>(button)->click();
        EXPECT_EQ(Boxes(), message);
        QWidget* box = form.findChild<QWidget*>(focus);
        EXPECT_TRUE(form.focusWidget() == box || form.focusWidget()->parentWidget() == box)
            << focus;
        EXPECT_EQ(settings.all("FTP Servers") + QString::number(module.Busy), "0");
    }
}

// A typed name that matches none deletes nothing. Deleting asks first,
// renumbers the rest, keeps the details of a name below it ("site\test") and
// those another entry still uses ("Home"), and at the end leaves an empty list.
TEST_F(Form1Test, DeletingAsksRenumbersAndKeepsWhatOthersUse) {
    Store({"home", "site", "site\\test", "Home"});
    Form1 form(module, settings.file());
    for (const char* typed : {"nobody", ""}) {
        form.findChild<QComboBox*>("cname")->setEditText(typed);
        form.Command4_Click();
    }
    for (auto [index, answer] :
         {std::pair{1, QMessageBox::No}, {1, QMessageBox::Yes}, {2, QMessageBox::Yes}}) {
        Choose(form, index);
        boxes.answer(answer);
        form.Command4_Click();
    }
    const QString site = "Confirmation: Are you sure you wish to delete \"site\"?";
    EXPECT_EQ(Boxes(),
              site + " / " + site + " / Confirmation: Are you sure you wish to delete \"Home\"?");
    EXPECT_EQ(settings.all("FTP Servers"), "servers=2;1=home;2=site\\test");
    EXPECT_EQ(settings.get("FTP Servers\\site", "address") + "|" +
                  settings.get("FTP Servers\\site\\test", "address") + "|" +
                  settings.get("FTP Servers\\home", "address"),
              "<missing>|site\\test.address|Home.address");
    EXPECT_EQ(List(form) + "|" + Shown(form).section('|', 0, 1),
              "home site\\test|home|Home.address");
    for (int i = 0; i < 2; ++i) boxes.answer(QMessageBox::Yes), form.Command4_Click();
    EXPECT_EQ(settings.all("FTP Servers"), "servers=0");
}

// The port box counts from 1 to 65535, blanks around it allowed; else port 21.
// Without a selection the window does not open.
TEST_F(Form1Test, PortBoxTakes1To65535) {
    ShowFtpWindow(nullptr, module, settings.file());
    EXPECT_EQ(Boxes(), "No Files Selected: Please select one or more files for this operation.");
    Select({{"a.txt", "one"}});
    for (auto [text, port] : {std::pair{"1", 1},
                              {"65535", 65535},
                              {" 2121 ", 2121},
                              {"0", 21},
                              {"65536", 21},
                              {"21x", 21},
                              {"-5", 21}}) {
        Form1 form(module, settings.file());
        Fill(form, QString("|ho st|u|p|/|") + text);  // an address refused before connecting
        form.Command1_Click();
        EXPECT_EQ(form.Inet1().RemotePort(), port) << text;
    }
}

// ---- Uploads ----

std::string Bytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7919) >> 3);
    return bytes;
}

// Runs `act` once, after the window has shown a status that begins with `status`.
void OnStatus(Form1& form, const QString& status, std::function<void()> act) {
    form.Inet1().StateChanged = [&form, status, act, shown = form.Inet1().StateChanged,
                                 done = false](std::int16_t state) mutable {
        shown(state);
        if (!done && form.StatusText().startsWith(status)) done = true, QTimer::singleShot(0, act);
    };
}

// Every file arrives byte for byte (not in ASCII mode) under its name with
// each blank made "_", in one session.
TEST_F(Form1Test, FilesArriveExactlyInOneSession) {
    START_SERVER(server);
    const std::vector<std::pair<std::string, std::string>> sent = {
        {"index.htm", std::string("<html>\r\n\0</html>", 16)},
        {"about us.htm", Bytes(3 * 1024 * 1024 + 17)},
        {"b.css", ""},
        {"notes: a\\b  c.txt", "x"},
        {"100% #1;type=a?.htm", "y\r\nz\n"},
        {"caf\xC3\xA9.txt", "\xC3\xA9"}};
    Select(sent);
    Form1 form(module, settings.file());
    Fill(form, Server(server.port()));
    form.Command1_Click();
    EXPECT_EQ(Boxes(), "Done: Upload Complete");
    for (auto [name, bytes] : sent)
        EXPECT_EQ(readFile(server.home() + "/up/" +
                           QString::fromStdString(name).replace(' ', '_').toStdString()),
                  bytes)
            << name;
    EXPECT_EQ(QString("%1 %2 %3")
                  .arg(server.count("USER"))
                  .arg(server.count("STOR"))
                  .arg(server.count("QUIT")),
              "1 6 1");
    EXPECT_FALSE(module.Busy);
}

// A failure shows the component's reason in an "Error" box, then "Upload
// Cancelled", never "Upload Complete", and sends nothing after.
TEST_F(Form1Test, AFailureShowsTheReasonThenUploadCancelled) {
    START_SERVER(server);
    Select({{"a.txt", "one"}, {"b.txt", "two"}});
    Form1 form(module, settings.file());
    Fill(form, Server(server.port(), "wrong"));
    form.Command1_Click();
    ASSERT_EQ(boxes.count(), 2) << Boxes().toStdString();
    EXPECT_EQ(boxes.calls()[0].text.toStdString(), form.Inet1().ResponseText());
    EXPECT_EQ(Boxes(), "Error: " + boxes.calls()[0].text + " / Done: Upload Cancelled");
    EXPECT_TRUE(boxes.calls()[0].text.contains("530"));
    EXPECT_EQ(server.count("STOR"), 0);
    EXPECT_FALSE(module.Busy);
}

TEST_F(Form1Test, StopDuringTheSecondFileSendsNoMore) {
    START_SERVER(server, 32 * 1024);  // slow enough to stop half-way
    const std::string big = Bytes(4 * 1024 * 1024);
    Select({{"a.txt", "first"}, {"b.bin", big}, {"c.txt", "third"}});
    Form1 form(module, settings.file());
    Fill(form, Server(server.port()));
    OnStatus(form, "Uploading b.bin", [&] { form.findChild<QPushButton*>("Command5")->click(); });
    form.Command1_Click();
    EXPECT_EQ(Boxes(), "Done: Upload Cancelled");
    EXPECT_EQ(readFile(server.home() + "/up/a.txt"), "first");
    EXPECT_NE(readFile(server.home() + "/up/b.bin"), big);
    EXPECT_FALSE(exists(server.home() + "/up/c.txt"));
    EXPECT_LE(server.count("STOR"), 2);  // the second may or may not have reached the server
}

}  // namespace
