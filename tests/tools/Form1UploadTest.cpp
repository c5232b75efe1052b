// The upload window sending files to a real FTP server on 127.0.0.1.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <functional>

#include "Form1TestSupport.h"
#include "Inet.h"

using namespace lexmill;
using namespace lexmill::test;
namespace fs = std::filesystem;

namespace {

class Form1Upload : public ::testing::Test, protected FtpWindowFixture {
  protected:
    // Selects files written into the folder "my site" (a path with a space).
    void Select(const std::vector<std::pair<std::string, std::string>>& files) {
        std::vector<std::string> names;
        for (const auto& [name, bytes] : files) {
            folder.write("my site/" + name, bytes);
            names.push_back(name);
        }
        SetSelection(module, (folder.path() / "my site").string(), names);
    }

    static void Fill(Form1& form, int port, const QString& dir = QStringLiteral("/up"),
                     const QString& password = Q(FtpTestServer::kPassword)) {
        Box(form, 1)->setText(QStringLiteral("127.0.0.1"));
        Box(form, 2)->setText(Q(FtpTestServer::kUser));
        Box(form, 3)->setText(password);
        Box(form, 4)->setText(dir);
        Box(form, 5)->setText(QString::number(port));
    }

    // After the window has handled each state change: records the status it
    // shows, then runs `onState` with it once `trigger` is reached.
    void Watch(Form1& form, const QString& trigger = {}, std::function<void()> onState = {}) {
        auto original = form.Inet1().StateChanged;
        form.Inet1().StateChanged = [=, this, &form, done = false](std::int16_t state) mutable {
            original(state);
            statuses.push_back(form.StatusText());
            busyDuringRun = busyDuringRun && module.Busy;
            if (onState && !done && form.StatusText().startsWith(trigger)) {
                done = true;
                onState();
            }
        };
    }
    bool Saw(const QString& status) const {
        return std::find(statuses.begin(), statuses.end(), status) != statuses.end();
    }

    // Records the progress shown when each message box came up.
    void RecordProgress(Form1& form) {
        scripted_ = SetMessageResponder([this, &form](const MessageRequest& request) {
            progressAtBox.push_back(form.Progress());
            return scripted_(request);
        });
    }
    void TearDown() override {
        if (scripted_) SetMessageResponder(scripted_);
    }

    std::vector<QString> statuses;
    std::vector<std::int64_t> progressAtBox;
    bool busyDuringRun = true;

  private:
    MessageResponder scripted_;
};

std::string Bytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7919) >> 3);
    return bytes;
}

// Every file arrives byte for byte under its name with each space made "_".
TEST_F(Form1Upload, FilesArriveExactlyInOneSession) {
    START_SERVER(server);
    // Many blocks, every byte value, and names curl or a server could take
    // for something else; a transfer in ASCII mode would change the line breaks.
    const std::string big = Bytes(3 * 1024 * 1024 + 17), html("<html>\r\n\0</html>", 16);
    Select({{"index.htm", html},
            {"about us.htm", big},
            {"b.css", ""},
            {"notes: a\\b  c.txt", "x"},
            {"100% #1;type=a?.htm", "y\r\nz\n"},
            {"caf\xC3\xA9.txt", "\xC3\xA9"}});
    Form1 form(module, settingsFile);
    Fill(form, server.port());
    Watch(form);
    RecordProgress(form);
    form.Command1_Click();

    ASSERT_EQ(Titles(), QStringList({"Done: Upload Complete"}));
    EXPECT_EQ(boxes.last().icon, QMessageBox::Information);
    EXPECT_EQ(progressAtBox, std::vector<std::int64_t>({6}));  // the bar full at the end
    EXPECT_EQ(form.Progress(), 0);
    EXPECT_FALSE(module.Busy);
    EXPECT_TRUE(busyDuringRun);
    EXPECT_TRUE(form.StatusText().isEmpty());

    const fs::path up = server.home() / "up";
    EXPECT_EQ(ReadBytes(up / "index.htm"), html);
    EXPECT_EQ(ReadBytes(up / "about_us.htm"), big);
    EXPECT_TRUE(fs::exists(up / "b.css"));
    EXPECT_EQ(ReadBytes(up / "notes:_a\\b__c.txt"), "x");
    EXPECT_EQ(ReadBytes(up / "100%_#1;type=a?.htm"), "y\r\nz\n");
    EXPECT_EQ(ReadBytes(up / "caf\xC3\xA9.txt"), "\xC3\xA9");
    EXPECT_FALSE(fs::exists(up / "about us.htm"));
    for (const auto& [verb, times] : {std::pair{"USER", 1}, {"CWD", 1}, {"STOR", 6}, {"QUIT", 1}})
        EXPECT_EQ(server.count(verb), times) << verb;
    for (const char* status : {"Resolving Address", "Connecting", "Uploading index.htm",
                               "Uploading about_us.htm", "Uploading b.css"})
        EXPECT_TRUE(Saw(QString::fromLatin1(status))) << status;
}

TEST_F(Form1Upload, StopDuringTheSecondFileSendsNoMore) {
    START_SERVER(server, 32 * 1024);  // slow enough to stop half-way
    const std::string big = Bytes(4 * 1024 * 1024);
    Select({{"a.txt", "first"}, {"b.bin", big}, {"c.txt", "third"}});
    Form1 form(module, settingsFile);
    form.Command5_Click();  // idle: nothing to stop
    EXPECT_TRUE(form.StatusText().isEmpty());
    Fill(form, server.port());
    bool clicked = false;
    Watch(form, "Uploading b.bin", [&] {
        clicked = true;
        QTimer::singleShot(0, Button(form, 5), &QPushButton::click);
    });
    RecordProgress(form);
    form.Command1_Click();

    EXPECT_TRUE(clicked);
    ASSERT_EQ(Titles(), QStringList({"Done: Upload Cancelled"}));
    EXPECT_EQ(progressAtBox, std::vector<std::int64_t>({1}));
    EXPECT_EQ(form.Progress(), 0);
    EXPECT_FALSE(module.Busy);
    EXPECT_EQ(ReadBytes(server.home() / "up" / "a.txt"), "first");
    EXPECT_NE(ReadBytes(server.home() / "up" / "b.bin"), big);
    EXPECT_FALSE(fs::exists(server.home() / "up" / "c.txt"));
    // The second STOR may or may not have reached the server before Stop; no third one does.
    EXPECT_GE(server.count("STOR"), 1);
    EXPECT_LE(server.count("STOR"), 2);
}

struct FailureCase {
    const char* name;
    const char* password;  // nullptr: the right one
    const char* dir;
    bool closedPort;
    const char* reply;  // in the error text
};
void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class Form1UploadFailure : public Form1Upload, public ::testing::WithParamInterface<FailureCase> {};

// Every failure shows the server's reply, then "Upload Cancelled", never
// "Upload Complete", and sends nothing more.
TEST_P(Form1UploadFailure, ShowsTheErrorThenUploadCancelled) {
    const FailureCase& c = GetParam();
    START_SERVER(server);
    SilentServer closed;
    closed.close();
    Select({{"a.txt", "one"}, {"b.txt", "two"}});
    Form1 form(module, settingsFile);
    Fill(form, c.closedPort ? closed.port() : server.port(), QString::fromLatin1(c.dir),
         c.password ? Q(c.password) : Q(FtpTestServer::kPassword));
    Watch(form);
    form.Command1_Click();

    ASSERT_EQ(boxes.count(), 2) << Titles().join(" | ").toStdString();
    EXPECT_EQ(boxes.calls()[0].title, "Error");
    EXPECT_EQ(boxes.calls()[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(boxes.calls()[0].text.contains(QString::fromLatin1(c.reply)))
        << boxes.calls()[0].text.toStdString();
    EXPECT_EQ(boxes.calls()[1].text, "Upload Cancelled");
    EXPECT_TRUE(Saw("Aborting..."));
    EXPECT_LE(server.count("STOR"), 1);  // nothing after the failure
    EXPECT_FALSE(fs::exists(server.home() / "ro" / "a.txt"));
    EXPECT_FALSE(module.Busy);
}

INSTANTIATE_TEST_SUITE_P(
    Server, Form1UploadFailure,
    ::testing::Values(FailureCase{"WrongPassword", "wrong", "/up", false, "530"},
                      FailureCase{"MissingDirectory", nullptr, "/missing", false, "550"},
                      FailureCase{"ReadOnlyFolder", nullptr, "/ro", false, "550"},
                      FailureCase{"ClosedPort", nullptr, "/up", true, "onnect"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Form1Upload, ValidationSendsNothing) {
    START_SERVER(server);
    Select({{"a.txt", "one"}});
    struct Case {
        QString address, dir, text;
        QMessageBox::Icon icon;
    };
    for (const Case& c :
         {Case{"", "/up", "Please specify an FTP address.", QMessageBox::Warning},
          Case{"127.0.0.1", "up", "Remote Directory must begin with a forward slash (\"/\").",
               QMessageBox::Critical}}) {
        Form1 form(module, settingsFile);
        boxes.clear();
        Fill(form, server.port(), c.dir);
        Box(form, 1)->setText(c.address);
        form.Command1_Click();
        ASSERT_EQ(Titles(), QStringList({"Error: " + c.text}));
        EXPECT_EQ(boxes.last().icon, c.icon);
        EXPECT_FALSE(module.Busy);
    }
    EXPECT_EQ(server.count("USER"), 0);
}

TEST_F(Form1Upload, CloseDuringARunAsksFirst) {
    START_SERVER(server, 32 * 1024);
    Select({{"a.bin", Bytes(96 * 1024)}, {"b.txt", "two"}});
    for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        Form1 form(module, settingsFile);
        boxes.clear();
        Fill(form, server.port());
        Watch(form, "Uploading a.bin", [&] {
            boxes.answer(answer);
            QTimer::singleShot(0, Button(form, 3), &QPushButton::click);
        });
        form.show();
        form.Command1_Click();

        ASSERT_GE(boxes.count(), 2);
        EXPECT_EQ(boxes.calls()[0].text,
                  "There is an FTP operation in progress. This will cancel it. Are you sure?");
        EXPECT_EQ(boxes.calls()[0].title, "Warning");
        EXPECT_EQ(boxes.calls()[0].icon, QMessageBox::NoIcon);
        EXPECT_EQ(boxes.calls()[0].buttons, QMessageBox::Yes | QMessageBox::No);
        const bool no = answer == QMessageBox::No;
        EXPECT_EQ(boxes.last().text, no ? "Upload Complete" : "Upload Cancelled");
        EXPECT_EQ(form.isVisible(), no);
    }
}

TEST_F(Form1Upload, ASecondUploadClickDuringARunDoesNothing) {
    START_SERVER(server);
    Select({{"a.txt", "one"}, {"b.txt", "two"}, {"c.txt", "three"}});
    Form1 form(module, settingsFile);
    Fill(form, server.port());
    bool clicked = false;
    Watch(form, "Uploading", [&] {
        clicked = true;
        QTimer::singleShot(0, Button(form, 1), &QPushButton::click);
    });
    form.Command1_Click();
    EXPECT_TRUE(clicked);
    EXPECT_EQ(Titles(), QStringList({"Done: Upload Complete"}));
    EXPECT_EQ(server.count("STOR"), 3);
    EXPECT_EQ(server.count("USER"), 1);
}

TEST_F(Form1Upload, ClosingTheOpenWindowEndsTheRunAfterItCloses) {
    START_SERVER(server, 32 * 1024);
    Select({{"a.bin", Bytes(256 * 1024)}, {"b.txt", "two"}});
    Put("FTP Servers", "Last", "5");
    bool sawWindow = false;
    QTimer::singleShot(0, [&] {
        Form1* form = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == "Form1" && w->isVisible()) form = qobject_cast<Form1*>(w);
        if (!form) return;
        sawWindow = true;
        Fill(*form, server.port());
        Watch(*form, "Uploading a.bin", [this, form] {
            boxes.answer(QMessageBox::Yes);
            QTimer::singleShot(0, form, &Form1::close);  // the close box
        });
        form->Command1_Click();
    });
    ShowFtpWindow(nullptr, module, settingsFile);  // returns once the window and the run end

    ASSERT_TRUE(sawWindow);
    ASSERT_EQ(boxes.count(), 2) << Titles().join(" | ").toStdString();
    EXPECT_EQ(boxes.calls()[0].title, "Warning");
    EXPECT_EQ(boxes.calls()[1].text, "Upload Cancelled");
    EXPECT_FALSE(module.Busy);
    EXPECT_FALSE(fs::exists(server.home() / "up" / "b.txt"));
    EXPECT_EQ(Get("FTP Servers", "Last"), "5");  // nothing was selected in the list
}

}  // namespace
