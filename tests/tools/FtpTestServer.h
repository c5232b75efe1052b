#pragma once

#include <signal.h>

#include <cstdio>
#include <fstream>

#include "TempDir.h"

namespace lexmill::test {

// A real FTP server (pyftpdlib) on 127.0.0.1 for one user whose home has a
// writable "up" and a read-only "ro", logging every command; and two ports
// for failures: one that never answers, one where nothing listens.
struct FtpTestServer {
    static constexpr const char* kUser = "lexmill";
    static constexpr const char* kPassword = "s3cret pass";

    // `readLimit`: upload bytes a second (0: no limit), to stop a transfer
    // half-way; -1: uploads are never read.
    explicit FtpTestServer(long readLimit = 0)
        : pipe_(::popen(("/usr/bin/python3 " LEXMILL_FTP_SERVER_SCRIPT " --user lexmill "
                         "--password 's3cret pass' --folder " +
                         dir_.path() + " --read-limit " + std::to_string(readLimit) + " 2>" +
                         dir_.file("server.log"))
                            .c_str(),
                        "r")) {
        if (pipe_ && std::fscanf(pipe_, "%d %d %d %d", &port, &silentPort, &closedPort, &pid_) != 4)
            port = pid_ = 0;
    }
    ~FtpTestServer() {
        if (pid_ > 0) ::kill(pid_, SIGTERM);
        if (pipe_) ::pclose(pipe_);
    }
    std::string home() const { return dir_.file("home"); }  // "/" on the server
    // How many commands received are `verb`.
    int count(const std::string& verb) const {
        std::ifstream log(dir_.file("commands.log"));
        int n = 0;
        for (std::string line; std::getline(log, line);)
            n += line.substr(0, line.find(' ')) == verb;
        return n;
    }

    TempDir dir_;
    FILE* pipe_;
    int port = 0, silentPort = 0, closedPort = 0, pid_ = 0;
};

}  // namespace lexmill::test

// Skips the test when there is no FTP server to talk to.
#define START_SERVER(name, ...)                       \
    ::lexmill::test::FtpTestServer name{__VA_ARGS__}; \
    if (name.port <= 0) GTEST_SKIP() << "the FTP server did not start (python3-pyftpdlib?)"
