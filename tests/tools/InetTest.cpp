// The transfer component against a real FTP server on 127.0.0.1.
#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>

#include "FtpTestServer.h"
#include "Inet.h"
#include "InetAddress.h"

using namespace lexmill;
using namespace lexmill::test;
using namespace std::chrono_literals;

namespace {

// Plays the UI thread: delivers the component's events on the test's thread.
class Driver {
    // Declared first: the component's worker wakes these until it is gone.
    std::mutex mutex_;
    std::condition_variable woken_;
    int wakes_ = 0;

  public:
    explicit Driver(int port, std::string password = std::string(FtpTestServer::kPassword)) {
        inet.setWakeUp([this] {
            std::lock_guard lock(mutex_);
            ++wakes_;
            woken_.notify_all();
        });
        inet.StateChanged = [this](std::int16_t state) { states.push_back(state); };
        inet.setURL("ftp://127.0.0.1");
        inet.setRemotePort(port);
        inet.setUserName(std::string(FtpTestServer::kUser));
        inet.setPassword(std::move(password));
    }

    // Until the running operation is over and its events are delivered;
    // false when that takes unreasonably long.
    bool Wait() {
        const auto deadline = std::chrono::steady_clock::now() + 120s;
        for (;;) {
            inet.DeliverEvents();
            if (!inet.StillExecuting()) return true;
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::unique_lock lock(mutex_);
            woken_.wait_for(lock, 100ms, [&] { return wakes_ > 0; });
            wakes_ = 0;
        }
    }
    // Until StateChanged has reported `state`.
    bool WaitFor(std::int16_t state) {
        const auto deadline = std::chrono::steady_clock::now() + 120s;
        while (!Saw(state)) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::unique_lock lock(mutex_);
            woken_.wait_for(lock, 100ms, [&] { return wakes_ > 0; });
            wakes_ = 0;
            lock.unlock();
            inet.DeliverEvents();
        }
        return true;
    }
    bool Saw(std::int16_t state) const {
        return std::find(states.begin(), states.end(), state) != states.end();
    }
    int Errors() const { return static_cast<int>(std::count(states.begin(), states.end(), 11)); }

    Inet inet;
    std::vector<std::int16_t> states;
};

std::string Bytes(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + seed * 7 + (i >> 9)) & 0xFF);
    return bytes;
}

#define START_SERVER(name, ...)      \
    FtpTestServer name{__VA_ARGS__}; \
    if (!name.error().empty()) GTEST_SKIP() << name.error()

}  // namespace

TEST(Inet, OneSessionChangesDirectoryOnceAndSendsEveryByte) {
    START_SERVER(server);
    TestFolder local;
    const std::vector<std::pair<std::string, std::string>> files = {
        {"empty.txt", ""},
        {"crlf.htm", "<p>one\r\ntwo\rthree\n</p>\0tail"},
        {"large.bin", Bytes(3 * 1024 * 1024 + 17, 1)},
    };
    Driver d(server.port());
    ASSERT_TRUE(d.inet.ExecuteCd("/up"));
    ASSERT_TRUE(d.Wait());
    for (const auto& [name, bytes] : files) {
        ASSERT_TRUE(d.inet.ExecutePut(local.write(name, bytes), name));
        ASSERT_TRUE(d.Wait());
    }
    ASSERT_TRUE(d.inet.ExecuteClose());
    ASSERT_TRUE(d.Wait());

    EXPECT_EQ(d.Errors(), 0) << d.inet.ResponseText();
    for (const auto& [name, bytes] : files)
        EXPECT_EQ(ReadBytes(server.home() / "up" / name), bytes);
    EXPECT_EQ(server.count("USER"), 1);
    EXPECT_EQ(server.count("CWD"), 1);
    EXPECT_EQ(server.count("STOR"), 3);
    EXPECT_EQ(server.count("QUIT"), 1);
    EXPECT_TRUE(d.Saw(Inet::icResolvingHost));
    EXPECT_TRUE(d.Saw(Inet::icConnecting));
    EXPECT_GE(std::count(d.states.begin(), d.states.end(), Inet::icRequestSent), 4);
}

TEST(Inet, RemoteNamesArriveAsGiven) {
    START_SERVER(server);
    TestFolder local;
    const std::string path = local.write("with space/a b.txt", "x");
    Driver d(server.port());
    for (const std::string name : {"a b.txt", "100%#?;type=a.htm", "caf\xC3\xA9.txt"}) {
        ASSERT_TRUE(d.inet.ExecutePut(path, name));
        ASSERT_TRUE(d.Wait());
        EXPECT_EQ(ReadBytes(server.home() / name), "x") << name;
    }
    EXPECT_EQ(d.Errors(), 0) << d.inet.ResponseText();
    EXPECT_EQ(server.count("CWD"), 0);  // no CD: the log-in folder
}

TEST(Inet, LineBreaksAreRefusedBeforeAnythingIsSent) {
    START_SERVER(server);
    TestFolder local;
    const std::string path = local.write("f.txt", "data");
    struct Case {
        std::string user, directory, remote;
    };
    const std::string user(FtpTestServer::kUser);
    for (const Case& c : {Case{user, "/up\r\nDELE x", "f.txt"}, Case{user, "/up", "f.txt\nDELE x"},
                          Case{user + "\r\nDELE x", "/up", "f.txt"}}) {
        Driver d(server.port());
        d.inet.setUserName(c.user);
        ASSERT_TRUE(d.inet.ExecuteCd(c.directory));
        ASSERT_TRUE(d.Wait());
        if (d.Errors() == 0) {
            ASSERT_TRUE(d.inet.ExecutePut(path, c.remote));
            ASSERT_TRUE(d.Wait());
        }
        EXPECT_EQ(d.Errors(), 1);
        EXPECT_EQ(server.count("STOR"), 0);
        EXPECT_EQ(server.count("DELE"), 0);
    }
}

TEST(Inet, MissingLocalFileIsAnError) {
    START_SERVER(server);
    TestFolder local;
    Driver d(server.port());
    ASSERT_TRUE(d.inet.ExecutePut((local.path() / "gone.txt").string(), "gone.txt"));
    ASSERT_TRUE(d.Wait());
    EXPECT_EQ(d.Errors(), 1);
    EXPECT_NE(d.inet.ResponseText().find("gone.txt"), std::string::npos);
    EXPECT_EQ(server.count("STOR"), 0);
}

TEST(Inet, CancelStopsATransferWithoutAnError) {
    START_SERVER(server, 64 * 1024);
    TestFolder local;
    const std::string bytes = Bytes(8 * 1024 * 1024, 2);
    Driver d(server.port());
    ASSERT_TRUE(d.inet.ExecutePut(local.write("big.bin", bytes), "big.bin"));
    ASSERT_TRUE(d.WaitFor(Inet::icRequestSent));
    EXPECT_TRUE(d.inet.StillExecuting());
    EXPECT_FALSE(d.inet.ExecuteClose());  // one operation at a time
    d.inet.Cancel();
    ASSERT_TRUE(d.Wait());
    EXPECT_EQ(d.Errors(), 0) << d.inet.ResponseText();
    EXPECT_NE(ReadBytes(server.home() / "big.bin"), bytes);
}

TEST(Inet, CancelStopsAConnectionThatHangs) {
    SilentServer silent;
    Driver d(silent.port());
    d.inet.setConnectTimeout(3600s);
    ASSERT_TRUE(d.inet.ExecuteCd("/"));
    ASSERT_TRUE(d.WaitFor(Inet::icConnecting));
    d.inet.Cancel();
    ASSERT_TRUE(d.Wait());
    EXPECT_EQ(d.Errors(), 0);
}

TEST(Inet, ConnectingGivesUpAfterTheTimeout) {
    SilentServer silent;
    Driver d(silent.port());
    d.inet.setConnectTimeout(1s);
    ASSERT_TRUE(d.inet.ExecuteCd("/"));
    ASSERT_TRUE(d.Wait());
    EXPECT_TRUE(d.Saw(Inet::icConnecting));
    EXPECT_EQ(d.Errors(), 1);
    EXPECT_NE(d.inet.ResponseText().find("timed out"), std::string::npos) << d.inet.ResponseText();
}

TEST(Inet, CloseWithoutASessionDoesNothing) {
    Driver d(ClosedPort());
    ASSERT_TRUE(d.inet.ExecuteClose());
    ASSERT_TRUE(d.Wait());
    EXPECT_TRUE(d.states.empty());
    d.inet.Cancel();  // idle, nothing open
    EXPECT_FALSE(d.inet.StillExecuting());
}

TEST(InetAddress, TakesHostAndPortOnly) {
    struct Case {
        const char* url;
        bool ok;
        const char* host;
        int port;
    };
    for (const Case& c : {
             Case{"ftp://127.0.0.1", true, "127.0.0.1", 21},
             Case{"ftp://example.org/", true, "example.org", 21},
             Case{"FTP://Example.org:2121", true, "Example.org", 2121},
             Case{"ftp://[::1]", true, "[::1]", 21},
             Case{"ftp://", false, "", 0},
             Case{"ftp://host/dir", false, "", 0},
             Case{"ftp://user:pw@host", false, "", 0},
             Case{"http://host", false, "", 0},
             Case{"ftp://ho st", false, "", 0},
             Case{"ftp://host\r\n", false, "", 0},
         }) {
        std::string why;
        const auto address = InetAddress::Parse(c.url, 21, &why);
        ASSERT_EQ(address.has_value(), c.ok) << c.url;
        if (!c.ok) {
            EXPECT_FALSE(why.empty()) << c.url;
            continue;
        }
        EXPECT_EQ(address->host, c.host) << c.url;
        EXPECT_EQ(address->port, c.port) << c.url;
    }
    EXPECT_EQ((InetAddress{"h", 21}.UrlOf("/a b/%#?.txt")), "ftp://h:21/%2Fa%20b%2F%25%23%3F.txt");
}
