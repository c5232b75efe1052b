#pragma once

#include <signal.h>

#include <cstdio>
#include <fstream>

#include "TempDir.h"

namespace lexmill::test {

// A real FTP server (pyftpdlib under /usr/bin/python3) on 127.0.0.1 and a
// port of its own, for one user whose home has a writable folder "up" and a
// read-only one "ro"; every command it receives is logged. Two more ports
// for failures: one that never answers, one where nothing listens.
class FtpTestServer {
  public:
    static constexpr const char* kUser = "lexmill";
    static constexpr const char* kPassword = "s3cret pass";

    // `readLimit`: bytes a second taken on uploads (0: no limit), slow enough
    // to stop a transfer half-way.
    explicit FtpTestServer(long readLimit = 0)
        : pipe_(::popen(("/usr/bin/python3 " LEXMILL_FTP_SERVER_SCRIPT " --user lexmill "
                         "--password 's3cret pass' --folder " +
                         dir_.path() + " --read-limit " + std::to_string(readLimit) + " 2>" +
                         dir_.file("server.log"))
                            .c_str(),
                        "r")) {
        if (pipe_ && std::fscanf(pipe_, "%d %d %d %d", &port_, &silent_, &closed_, &pid_) != 4)
            port_ = pid_ = 0;
    }
    ~FtpTestServer() {
        if (pid_ > 0) ::kill(pid_, SIGTERM);
        if (pipe_) ::pclose(pipe_);
    }
    int port() const { return port_; }
    int silentPort() const { return silent_; }              // takes connections, never says a word
    int closedPort() const { return closed_; }              // nothing listens there
    std::string home() const { return dir_.file("home"); }  // "/" on the server
    // How many commands received are `verb`.
    int count(const std::string& verb) const {
        std::ifstream log(dir_.file("commands.log"));
        int n = 0;
        for (std::string line; std::getline(log, line);)
            n += line.substr(0, line.find(' ')) == verb;
        return n;
    }

  private:
    TempDir dir_;
    FILE* pipe_;
    int port_ = 0, silent_ = 0, closed_ = 0, pid_ = 0;
};

}  // namespace lexmill::test

// Skips the test when there is no FTP server to talk to.
#define START_SERVER(name, ...)                       \
    ::lexmill::test::FtpTestServer name{__VA_ARGS__}; \
    if (name.port() <= 0) GTEST_SKIP() << "the FTP server did not start (python3-pyftpdlib?)"
