// The transfer component against a real FTP server on 127.0.0.1. Its failures
// are tested here; the window's tests check that it shows one and stops.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "FtpTestServer.h"
#include "Inet.h"

using namespace lexmill;
using namespace lexmill::test;

namespace {

// Plays the UI thread: delivers the component's events on the test's thread.
struct Driver {
    explicit Driver(int port) {
        inet.setWakeUp([] {});
        inet.StateChanged = [this](std::int16_t state) { states.push_back(state); };
        inet.setURL("ftp://127.0.0.1");
        inet.setRemotePort(port);
        inet.setUserName(FtpTestServer::kUser);
        inet.setPassword(FtpTestServer::kPassword);
    }
    // Delivers events until the operation is over.
    void Wait() {
        while (inet.StillExecuting()) {
            inet.DeliverEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    int Count(std::int16_t state) const {
        return int(std::count(states.begin(), states.end(), state));
    }
    Inet inet;
    std::vector<std::int16_t> states;
};

}  // namespace

// Every failure raises one error with the reason (the server's reply where
// there is one) and sends nothing after it; line breaks, which would smuggle
// in commands, fail before anything is sent.
TEST(Inet, EveryFailureRaisesOneErrorWithTheReason) {
    START_SERVER(server);
    TempDir local;
    const std::string file = local.write("f.txt", "data"), user = FtpTestServer::kUser;
    const std::string pw = FtpTestServer::kPassword;
    const std::array<std::string, 7> cases[] = {
        // port, user, password, remote folder, local file, remote name, in the reason
        {"", user, "wrong", "/up", file, "f.txt", "530"},
        {"", user, pw, "/missing", file, "f.txt", "550"},
        {"", user, pw, "/ro", file, "f.txt", "550"},
        {"closed", user, pw, "/up", file, "f.txt", "onnect"},
        {"silent", user, pw, "/up", file, "f.txt", "timed out"},
        {"", user, pw, "/up\r\nDELE f.txt", file, "f.txt", ""},
        {"", user, pw, "/up", file, "f.txt\nDELE f.txt", ""},
        {"", user + "\r\nDELE f.txt", pw, "/up", file, "f.txt", ""},
        {"", user, pw, "/up", local.file("gone.txt"), "gone.txt", "gone.txt"}};
    for (const auto& [port, name, password, folder, path, remote, reason] : cases) {
        SCOPED_TRACE(port + name + password + folder + remote);
        Driver d(port == "closed"   ? server.closedPort()
                 : port == "silent" ? server.silentPort()
                                    : server.port());
        d.inet.setUserName(name);
        d.inet.setPassword(password);
        d.inet.setConnectTimeout(std::chrono::seconds(port == "silent" ? 1 : 30));
        ASSERT_TRUE(d.inet.ExecuteCd(folder));
        d.Wait();
        if (d.Count(Inet::icError) == 0 && d.inet.ExecutePut(path, remote)) d.Wait();
        EXPECT_EQ(d.Count(Inet::icError), 1);
        EXPECT_NE(d.inet.ResponseText().find(reason), std::string::npos) << d.inet.ResponseText();
    }
    EXPECT_EQ(server.count("STOR") + server.count("DELE"), 1);  // into "ro", refused
}
