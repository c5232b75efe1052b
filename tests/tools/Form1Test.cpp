// The FTP upload window on a real settings file, sending to a real FTP server.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include "Form1.h"
#include "FtpTestServer.h"
#include "Inet.h"
#include "QtPrinters.h"
#include "ScriptedMessageBoxes.h"
#include "SshTestServer.h"
#include "TempSettings.h"
#include "batch/Module1.h"

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
    // Selects these files, written for the test.
    void Select(const std::vector<std::pair<std::string, std::string>>& named) {
        std::vector<std::string> names;
        for (const auto& [name, bytes] : named) names.push_back(name), files.write(name, bytes);
        SetSelection(module, files.path(), names);
    }
    // "names listed>name|box 1|...|box 5"; filled the same way, without the list.
    static QString Shown(const Form1& form) {
        auto* names = form.findChild<QComboBox*>("cname");
        QStringList list, texts{names->currentText()};
        for (int i = 0; i < names->count(); ++i) list << names->itemText(i);
        for (int i = 1; i <= 5; ++i)
            texts << form.findChild<QLineEdit*>(QString("Text%1").arg(i))->text();
        return list.join(' ') + ">" + texts.join('|');
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
    // Every box so far as "title: text", joined by " / ".
    QString Boxes() const {
        QStringList shown;
        for (const MessageRequest& box : boxes.calls()) shown << box.title + ": " + box.text;
        return shown.join(" / ");
    }
};

// A stored "Last" outside the list or a count larger than the names present
// still open consistently; saving writes the count again; "Last" follows the list.
TEST_F(Form1Test, OpensOnTheStoredConnectionsAndSavesANewOne) {
    EXPECT_EQ(Shown(Form1(module, settings.file())), ">|||||21");  // first use
    Store({"alpha", "beta", "gamma"});
    settings.put("FTP Servers", "Last", "1");
    EXPECT_EQ(Shown(Form1(module, settings.file())),
              "alpha beta gamma>beta|beta.address|beta.username|beta.pw|beta.remotedir|beta.port");
    settings.put("FTP Servers", "servers", "40000");
    settings.put("FTP Servers", "Last", "3");
    Form1 form(module, settings.file());
    EXPECT_EQ(Shown(form).section('|', 0, 1), "alpha beta gamma>alpha|alpha.address");
    form.findChild<QPushButton*>("Command6")->click();  // New Connection
    EXPECT_EQ(Shown(form), "alpha beta gamma>|||||21");
    Fill(form, "delta|d.example|me|secret|/d|port?");  // the port stored as typed
    form.Command2_Click();
    // An existing name asks first; one in other letter case shares its details.
    QStringList addresses;
    for (auto answer : {QMessageBox::No, QMessageBox::Yes, QMessageBox::NoButton}) {
        Fill(form, answer ? "alpha|a.example|u|p|/|21" : "Alpha|b.example|u|p|/|21");
        if (answer) boxes.answer(answer);
        form.Command2_Click();
        addresses << settings.get("FTP Servers\\alpha", "address") + ">" +
                         Shown(form).section('>', 1).section('|', 0, 1);
    }
    // The saved connection stays shown, whether it was overwritten or new.
    EXPECT_EQ(addresses.join(' '),
              "alpha.address>alpha|a.example a.example>alpha|a.example b.example>Alpha|b.example");
    const QString saved = "Information: Connection Saved",
                  asked = "Connection Exists: Overwrite information for \"alpha\"?";
    EXPECT_EQ(Boxes(), QStringList({saved, asked, asked, saved, saved}).join(" / "));
    EXPECT_EQ(boxes.calls()[1].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(settings.all("FTP Servers\\delta"),
              "address=d.example;username=me;pw=secret;remotedir=/d;port=port?;Protocol=FTP");
    EXPECT_EQ(settings.all("FTP Servers").section(';', 0, 5),
              "servers=5;1=alpha;2=beta;3=gamma;Last=3;4=delta");
    EXPECT_EQ(Shown(form).section('>', 0, 0), "alpha beta gamma delta Alpha");
    Choose(form, 2);
    form.done(QDialog::Rejected);
    Form1 typed(module, settings.file());
    Choose(typed, 1);
    typed.findChild<QComboBox*>("cname")->setEditText("typed");
    typed.done(QDialog::Rejected);
    EXPECT_EQ(settings.get("FTP Servers", "Last"), "2");
}

// Nothing is stored, nothing is sent; the box to correct has the focus.
// Two files that would arrive under one name are refused.
TEST_F(Form1Test, SaveAndUploadCheckTheBoxesFirst) {
    const QString slash = "Error: Remote Directory must begin with a forward slash (\"/\").";
    const std::tuple<const char*, QString, QString, const char*> cases[] = {
        {"Command2", "|a|u|p|/|21", "Error: Please specify connection name.", "cname"},
        {"Command2", "n||u|p|/|21", "Error: Please specify FTP address.", "Text1"},
        {"Command2", "n|a|u|p|www|21", slash, "Text4"},
        {"Command2", "n|a|u|p||21", slash, "Text4"},
        {"Command1", "n||u|p|/up|21", "Error: Please specify an FTP address.", "Text1"},
        {"Command1", "n|a|u|p|up|21", slash, "Text4"},
        {"Command1", "n|sftp://a|u|p|/up|21",
         "Error: The address begins with \"sftp://\", but the protocol is FTP. Choose SFTP under "
         "\"Protocol:\", or give the host name alone.",
         "Text1"}};
    Select({{"a.txt", "one"}});
    for (const auto& [button, shown, message, focus] : cases) {
        Form1 form(module, settings.file());
        form.show();
        boxes.clear();
        Fill(form, shown);
        form.findChild<QPushButton*>(button)->click();
        EXPECT_EQ(Boxes(), message);
        EXPECT_TRUE(form.findChild<QWidget*>(focus)->isAncestorOf(form.focusWidget()) ||
                    form.focusWidget()->objectName() == focus);
        EXPECT_EQ(settings.all("FTP Servers") + QString::number(module.Busy), "0");
    }
    // Two files bound for one remote name: the second would replace the first.
    Select({{"a b.txt", "one"}, {"a_b.txt", "two"}});
    Form1 form(module, settings.file());
    boxes.clear();
    Fill(form, "n|127.0.0.1|u|p|/up|1");
    form.findChild<QPushButton*>("Command1")->click();
    EXPECT_EQ(Boxes(), "Error: a b.txt and a_b.txt would both be uploaded as a_b.txt.");
    EXPECT_FALSE(module.Busy);
}

// A typed name that matches none deletes nothing. Deleting asks, renumbers, and
// keeps the details of a name below ("site\test") and of another user ("Home").
TEST_F(Form1Test, DeletingAsksRenumbersAndKeepsWhatOthersUse) {
    Store({"home", "site", "site\\test", "Home"});
    Form1 form(module, settings.file());
    auto* names = form.findChild<QComboBox*>("cname");
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    names->setFocus();
    names->clearEditText();
    QTest::keyClicks(names->lineEdit(), "sit");  // not completed to "site"
    EXPECT_EQ(names->currentText(), "sit");
    for (const char* typed : {"nobody", ""})
        form.findChild<QComboBox*>("cname")->setEditText(typed), form.Command4_Click();
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
    EXPECT_EQ(settings.get("FTP Servers\\site", "address"), "<missing>");
    EXPECT_EQ(Shown(form).section('|', 0, 1), "home site\\test>home|Home.address");
    Choose(form, 1);
    EXPECT_EQ(Shown(form).section('|', 0, 1), "home site\\test>site\\test|site\\test.address");
    for (int i = 0; i < 2; ++i) boxes.answer(QMessageBox::Yes), form.Command4_Click();
    EXPECT_EQ(settings.all("FTP Servers"), "servers=0");
}

// A save the settings file refuses says why, and never "Connection Saved".
TEST_F(Form1Test, ASaveThatFailsSaysSo) {
    Form1 form(module, settings.file());
    std::filesystem::remove(settings.file());
    std::filesystem::create_directory(settings.file());  // no database can open there
    Fill(form, "n|a|u|p|/|21");
    form.Command2_Click();
    EXPECT_EQ(Boxes(), "Error: Lexmill could not save its settings:\ncannot open settings file " +
                           QString(settings.file().c_str()) + ": unable to open database file");
}

// The port box takes 1 to 65535 (blanks around allowed), else 21. No files, no window.
TEST_F(Form1Test, PortBoxTakes1To65535) {
    ShowFtpWindow(nullptr, module, settings.file());
    EXPECT_EQ(Boxes(), "No Files Selected: Please select one or more files for this operation.");
    Select({{"a.txt", "one"}});
    const std::pair<const char*, int> ports[] = {{"1", 1},  {"65535", 65535}, {" 2121 ", 2121},
                                                 {"0", 21}, {"65536", 21},    {"21x", 21}};
    for (auto [text, port] : ports) {
        Form1 form(module, settings.file());
        Fill(form, QString("|ho st|u|p|/|") + text);  // an address refused before connecting
        form.Command1_Click();
        EXPECT_EQ(form.Inet1().RemotePort(), port) << text;
    }
}

std::string Bytes(std::size_t size) {  // every byte value
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7919) >> 3);
    return bytes;
}

// A failed log-in shows the component's reason, then "Upload Cancelled", never
// "Upload Complete". Then every file arrives byte for byte (not in ASCII mode)
// under its name with each blank made "_", in one session.
TEST_F(Form1Test, AFailureSendsNothingThenFilesArriveExactly) {
    START_SERVER(server);
    // clang-format off
    const std::vector<std::pair<std::string, std::string>> sent = {
        {"index.htm", std::string("<html>\r\n\0</html>", 16)}, {"about us.htm", Bytes(3 << 20)},
        {"b.css", ""}, {"notes: a\\b  c.txt", "x"}, {"100% #1;type=a?.htm", "y\r\nz\n"},
        {"caf\xC3\xA9.txt", "\xC3\xA9"}};
    // clang-format on
    Select(sent);
    Form1 form(module, settings.file());
    Fill(form, Server(server.port, "wrong"));
    form.Command1_Click();
    const QString reason = QString::fromStdString(form.Inet1().ResponseText());
    EXPECT_EQ(Boxes(), "Error: " + reason + "\n0 of 6 files arrived. / Done: Upload Cancelled");
    EXPECT_TRUE(reason.contains("530"));
    // A remote folder that is not there: made only when the user says so.
    const QString missing = "The remote folder /up/new/sub does not exist on 127.0.0.1: 550 ";
    for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        boxes.clear();
        boxes.answer(answer);
        Fill(form, Server(server.port).replace("|/up|", "|/up/new/sub|"));
        form.Command1_Click();
        ASSERT_EQ(boxes.count(), 2) << Boxes().toStdString();
        EXPECT_TRUE(boxes.calls()[0].text.startsWith(missing)) << Boxes().toStdString();
        EXPECT_TRUE(boxes.calls()[0].text.endsWith("\n\nCreate it?"));
        EXPECT_EQ(boxes.calls()[0].defaultButton, QMessageBox::No);
        EXPECT_EQ(boxes.calls()[1].text,
                  answer == QMessageBox::No ? "Upload Cancelled" : "Upload Complete");
    }
    for (auto [name, bytes] : sent) {
        std::replace(name.begin(), name.end(), ' ', '_');
        EXPECT_EQ(readFile(server.home() + "/up/new/sub/" + name), bytes) << name;
    }
    EXPECT_EQ(std::tuple(server.count("USER"), server.count("STOR"), server.count("RNTO"),
                         server.count("QUIT")),
              std::tuple(4, 6, 6, 3));  // a missing folder leaves the log-in to end
    EXPECT_FALSE(module.Busy);
}

// The protocol is stored with the connection; one stored without it uploads
// by FTP. A certificate or host key that cannot be verified is asked about, No
// the default: Yes pins the certificate for the connection, or adds the key to
// known_hosts, and the upload goes on.
TEST_F(Form1Test, AsksBeforeTrustingACertificateOrHostKey) {
    std::string print;
    const std::string cert = FtpTestServer::Certificate(files, "cert.pem", &print);
    START_SERVER(ftp);
    START_SERVER(ftps, 0, cert);
    START_SSH_SERVER(ssh);
    Select({{"a.txt", "one"}});
    Store({"old"});
    settings.put("FTP Servers\\old", "port", QString::number(ftp.port));
    Form1 old(module, settings.file());
    Fill(old, "old|127.0.0.1|lexmill|s3cret pass|/up|" + QString::number(ftp.port));
    old.Command1_Click();
    EXPECT_EQ(Boxes(), "Done: Upload Complete");
    const std::pair<int, QString> runs[] = {
        {1, "tls" + Server(ftps.port)},
        {2, "ssh|sftp://127.0.0.1|root||" + QString(ssh.root().c_str()) + "/up|" +
                QString::number(ssh.port)}};
    for (const auto& [protocol, shown] : runs) {
        boxes.clear();
        Form1 form(module, settings.file());
        Fill(form, shown);
        form.findChild<QComboBox*>("cboProtocol")->setCurrentIndex(protocol);
        form.Command2_Click();
        boxes.answer(QMessageBox::No);
        form.Command1_Click();
        boxes.answer(QMessageBox::Yes);
        form.Command1_Click();
        ASSERT_EQ(boxes.count(), 5) << Boxes().toStdString();
        EXPECT_EQ(boxes.calls()[1].defaultButton, QMessageBox::No);
        EXPECT_TRUE(boxes.calls()[1].text.contains(protocol == 1 ? print.c_str()
                                                                 : ssh.Fingerprint().c_str()));
        EXPECT_TRUE(boxes.calls()[1].text.endsWith(protocol == 1 ? "Trust this certificate for tls?"
                                                                 : "of 127.0.0.1, port " +
                                                                       QString::number(ssh.port) +
                                                                       ", and add it to "
                                                                       "~/.ssh/known_hosts?"));
        EXPECT_EQ(boxes.calls()[2].text + boxes.calls()[4].text, "Upload CancelledUpload Complete");
    }
    EXPECT_EQ(settings.all("FTP Servers\\tls").section(';', 5),
              "Protocol=FTP with TLS;Pinned Certificate=" + QString(print.c_str()));
    EXPECT_EQ(readFile(ftps.home() + "/up/a.txt") + readFile(ssh.root() + "/up/a.txt"), "oneone");
    EXPECT_NE(readFile(ssh.home + "/.ssh/known_hosts").find("ssh-ed25519"), std::string::npos);
}

// The status and the bar follow the bytes of the file under way; a stopped
// upload leaves nothing of the file it stopped at.
TEST_F(Form1Test, StopDuringTheSecondFileSendsNoMore) {
    START_SERVER(server, 32 * 1024);  // slow enough to stop half-way
    const std::string big = Bytes(4 * 1024 * 1024);
    Select({{"a.txt", "first"}, {"b.bin", big}, {"c.txt", "third"}});
    Form1 form(module, settings.file());
    Fill(form, Server(server.port));
    QString status;  // stops once the second file is under way, the bytes shown
    std::int64_t progress = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!form.StatusText().startsWith("Uploading b.bin (")) return;
        status = form.StatusText(), progress = form.Progress(), poll.stop();
        form.findChild<QPushButton*>("Command5")->click();
    });
    poll.start(10);
    form.Command1_Click();
    EXPECT_EQ(Boxes(), "Done: Upload Cancelled");
    EXPECT_TRUE(
        QRegularExpression("^Uploading b.bin \\(\\d\\.\\d of 4.2 MB\\)$").match(status).hasMatch())
        << status.toStdString();
    EXPECT_GT(progress, 1000);
    EXPECT_LT(progress, 2000);
    EXPECT_EQ(readFile(server.home() + "/up/a.txt"), "first");
    // The part of b.bin sent is taken away again.
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(server.home() + "/up"))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, std::vector<std::string>({"a.txt", "keep"}));
    EXPECT_FALSE(exists(server.home() + "/up/c.txt"));
    EXPECT_LE(server.count("STOR"), 2);  // the second may or may not have reached the server
}

}  // namespace
