#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

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

    // `readLimit`: bytes per second the server accepts on uploads, 0 for no
    // limit (a slow server lets a test stop a transfer half-way).
    explicit FtpTestServer(long readLimit = 0);
    ~FtpTestServer();
    FtpTestServer(const FtpTestServer&) = delete;
    FtpTestServer& operator=(const FtpTestServer&) = delete;

    // Empty when the server runs; otherwise why it does not.
    const std::string& error() const { return error_; }
    int port() const { return port_; }
    // The user's home on the local disk ("/" on the server).
    std::filesystem::path home() const { return folder_.path() / "home"; }
    // The commands received so far, one per line as sent.
    std::vector<std::string> commands() const;
    // How many received commands begin with `verb` followed by a space or
    // the end of the line.
    int count(std::string_view verb) const;

  private:
    TestFolder folder_;
    std::string error_;
    int pid_ = -1;
    int port_ = 0;
};

// A port on 127.0.0.1 where nothing listens.
int ClosedPort();

// A server that accepts connections but never says a word.
class SilentServer {
  public:
    SilentServer();
    ~SilentServer();
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;
    int port() const { return port_; }

  private:
    int fd_ = -1;
    int port_ = 0;
};

}  // namespace lexmill::test
