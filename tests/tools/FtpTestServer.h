#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace lexmill::test {

// A folder of its own under the temporary folder, removed with its contents.
class TestFolder {
  public:
    TestFolder();
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }
    // Writes `bytes` to `name` (folders created as needed); its full path.
    std::string write(const std::string& name, const std::string& bytes) const;

  private:
    std::filesystem::path path_;
};

std::string ReadBytes(const std::filesystem::path& file);

// A real FTP server (pyftpdlib under /usr/bin/python3) on 127.0.0.1 and a
// port of its own, serving one user whose home has a writable folder "up"
// and a read-only folder "ro". Every command it receives is logged.
class FtpTestServer {
  public:
    static constexpr std::string_view kUser = "lexmill";
    static constexpr std::string_view kPassword = "s3cret pass";

    // `readLimit`: bytes per second accepted on uploads, 0 for no limit (a
    // slow server lets a test stop a transfer half-way).
    explicit FtpTestServer(long readLimit = 0);
    ~FtpTestServer();
    FtpTestServer(const FtpTestServer&) = delete;
    FtpTestServer& operator=(const FtpTestServer&) = delete;

    const std::string& error() const { return error_; }  // empty when it runs
    int port() const { return port_; }
    std::filesystem::path home() const { return folder_.path() / "home"; }  // "/" on the server
    // How many received commands are `verb`, with or without arguments.
    int count(std::string_view verb) const;

  private:
    TestFolder folder_;
    std::string error_;
    int pid_ = -1;
    int port_ = 0;
};

// Listens on 127.0.0.1 but never says a word; `close` leaves a port where
// nothing listens.
class SilentServer {
  public:
    SilentServer();
    ~SilentServer();
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;
    int port() const { return port_; }
    void close();

  private:
    int fd_ = -1;
    int port_ = 0;
};

}  // namespace lexmill::test

// Skips the test when there is no FTP server to talk to.
#define START_SERVER(name, ...)                       \
    ::lexmill::test::FtpTestServer name{__VA_ARGS__}; \
    if (!name.error().empty()) GTEST_SKIP() << name.error()
