#pragma once

#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
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
    // half-way; -1: uploads are never read. `cert`: FTP with TLS only, with
    // this certificate and key (Certificate below).
    explicit FtpTestServer(long readLimit = 0, const std::string& cert = "")
        : pipe_(::popen(("/usr/bin/python3 " LEXMILL_FTP_SERVER_SCRIPT " --user lexmill "
                         "--password 's3cret pass' --folder " +
                         dir_.path() + " --read-limit " + std::to_string(readLimit) +
                         (cert.empty() ? "" : " --cert " + cert) + " 2>" + dir_.file("server.log"))
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

    // A new self-signed certificate for 127.0.0.1, with its key, in one file
    // in `dir`; and its SHA-256 fingerprint as hex pairs.
    static std::string Certificate(const TempDir& dir, const std::string& name,
                                   std::string* fingerprint) {
        const std::string pem = dir.file(name);
        std::system(("openssl req -x509 -newkey rsa:2048 -nodes -subj /CN=127.0.0.1 -days 1 "
                     "-keyout " +
                     pem + " -out " + pem + ".crt 2>/dev/null && cat " + pem + ".crt >>" + pem)
                        .c_str());
        FILE* out = ::popen(("openssl x509 -noout -fingerprint -sha256 -in " + pem).c_str(), "r");
        char line[256] = {};
        if (out && std::fgets(line, sizeof line, out)) *fingerprint = std::strchr(line, '=') + 1;
        if (out) ::pclose(out);
        while (!fingerprint->empty() && fingerprint->back() == '\n') fingerprint->pop_back();
        return pem;
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
