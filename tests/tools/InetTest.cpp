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
    bool awake_ = false;

  public:
    explicit Driver(int port) {
        inet.setWakeUp([this] {
            std::lock_guard lock(mutex_);
            awake_ = true;
            woken_.notify_all();
        });
        inet.StateChanged = [this](std::int16_t state) { states.push_back(state); };
        inet.setURL("ftp://127.0.0.1");
        inet.setRemotePort(port);
        inet.setUserName(std::string(FtpTestServer::kUser));
        inet.setPassword(std::string(FtpTestServer::kPassword));
    }

    // Delivers events until `done` holds (by default: the operation is over);
    // false when that takes unreasonably long.
    bool Wait(std::function<bool()> done = {}) {
        if (!done) done = [this] { return !inet.StillExecuting(); };
        const auto deadline = std::chrono::steady_clock::now() + 120s;
        for (;;) {
            const bool over = done();  // before delivering: no event is left behind
            inet.DeliverEvents();
            if (over) return true;
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::unique_lock lock(mutex_);
            woken_.wait_for(lock, 100ms, [&] { return awake_; });
            awake_ = false;
        }
    }
    bool WaitFor(std::int16_t state) {
        return Wait([&] { return Count(state) > 0; });
    }
    int Count(std::int16_t state) const {
        return static_cast<int>(std::count(states.begin(), states.end(), state));
    }

    Inet inet;
    std::vector<std::int16_t> states;
};

}  // namespace

// Line breaks would smuggle in commands; a missing local file sends nothing.
TEST(Inet, BadArgumentsFailBeforeAnythingIsSent) {
    START_SERVER(server);
    TestFolder local;
    const std::string path = local.write("f.txt", "data");
    const std::string user(FtpTestServer::kUser);
    struct Case {
        std::string user, directory, local, remote;
    };
    for (const Case& c :
         {Case{user, "/up\r\nDELE x", path, "f.txt"}, Case{user, "/up", path, "f.txt\nDELE x"},
          Case{user + "\r\nDELE x", "/up", path, "f.txt"},
          Case{user, "/up", (local.path() / "gone.txt").string(), "gone.txt"}}) {
        SCOPED_TRACE(c.directory + c.remote);
        Driver d(server.port());
        d.inet.setUserName(c.user);
        ASSERT_TRUE(d.inet.ExecuteCd(c.directory));
        ASSERT_TRUE(d.Wait());
        if (d.Count(Inet::icError) == 0) {
            ASSERT_TRUE(d.inet.ExecutePut(c.local, c.remote));
            ASSERT_TRUE(d.Wait());
        }
        EXPECT_EQ(d.Count(Inet::icError), 1);
        if (c.remote == "gone.txt") {
            EXPECT_NE(d.inet.ResponseText().find("gone.txt"), std::string::npos);
        }
        EXPECT_EQ(server.count("STOR"), 0);
        EXPECT_EQ(server.count("DELE"), 0);
    }
}

// A server that never answers: Cancel stops the wait, else the timeout ends it.
TEST(Inet, ASilentServerEndsByCancelOrTimeout) {
    for (const bool cancel : {true, false}) {
        SCOPED_TRACE(cancel ? "cancel" : "timeout");
        SilentServer silent;
        Driver d(silent.port());
        d.inet.setConnectTimeout(cancel ? 3600s : 1s);
        ASSERT_TRUE(d.inet.ExecuteCd("/"));
        ASSERT_TRUE(d.WaitFor(Inet::icConnecting));
        EXPECT_FALSE(d.inet.ExecuteClose());  // one operation at a time
        if (cancel) d.inet.Cancel();
        ASSERT_TRUE(d.Wait());
        EXPECT_EQ(d.Count(Inet::icError), cancel ? 0 : 1);
        if (!cancel) {
            EXPECT_NE(d.inet.ResponseText().find("timed out"), std::string::npos)
                << d.inet.ResponseText();
        }
    }
}

TEST(Inet, CloseWithoutASessionDoesNothing) {
    SilentServer closed;
    closed.close();
    Driver d(closed.port());
    ASSERT_TRUE(d.inet.ExecuteClose());
    ASSERT_TRUE(d.Wait());
    EXPECT_TRUE(d.states.empty());
    d.inet.Cancel();  // idle, nothing open
    EXPECT_FALSE(d.inet.StillExecuting());
}

TEST(InetAddress, TakesHostAndPortOnly) {
    struct Case {
        const char* url;
        const char* host;  // nullptr: refused
        int port;
    };
    for (const Case& c :
         {Case{"ftp://127.0.0.1", "127.0.0.1", 21}, Case{"ftp://example.org/", "example.org", 21},
          Case{"FTP://Example.org:2121", "Example.org", 2121}, Case{"ftp://[::1]", "[::1]", 21},
          Case{"ftp://", nullptr, 0}, Case{"ftp://host/dir", nullptr, 0},
          Case{"ftp://user:pw@host", nullptr, 0}, Case{"http://host", nullptr, 0},
          Case{"ftp://ho st", nullptr, 0}, Case{"ftp://host\r\n", nullptr, 0}}) {
        SCOPED_TRACE(c.url);
        std::string why;
        const auto address = InetAddress::Parse(c.url, 21, &why);
        ASSERT_EQ(address.has_value(), c.host != nullptr);
        if (!address) {
            EXPECT_FALSE(why.empty());
            continue;
        }
        EXPECT_EQ(address->host, c.host);
        EXPECT_EQ(address->port, c.port);
    }
    EXPECT_EQ((InetAddress{"h", 21}.UrlOf("/a b/%#?.txt")), "ftp://h:21/%2Fa%20b%2F%25%23%3F.txt");
}
