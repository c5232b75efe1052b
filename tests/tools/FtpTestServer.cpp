#include "FtpTestServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

extern char** environ;

namespace lexmill::test {

TestFolder::TestFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "lexmill-ftp-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    path_ = pattern;
}

TestFolder::~TestFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string TestFolder::write(const std::string& name, const std::string& bytes) const {
    const std::filesystem::path file = path_ / name;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
    return file.string();
}

std::string ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

FtpTestServer::FtpTestServer(long readLimit) {
    std::filesystem::create_directories(home() / "up");
    std::filesystem::create_directories(home() / "ro");
    const std::string log = (folder_.path() / "commands.log").string();
    std::ofstream{log};
    std::vector<std::string> args = {
        "/usr/bin/python3", LEXMILL_FTP_SERVER_SCRIPT, "--home",     home().string(),
        "--user",           std::string(kUser),        "--password", std::string(kPassword),
        "--readonly",       (home() / "ro").string(),  "--log",      log,
        "--read-limit",     std::to_string(readLimit)};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) std::abort();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    const std::string errors = (folder_.path() / "server.log").string();
    posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT, 0600);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (rc == 0) pid_ = pid;

    // The first line is the port; a generous wait for a busy machine.
    std::string line;
    pollfd p{out[0], POLLIN, 0};
    char buffer[64];
    ssize_t got = 0;
    while (rc == 0 && line.find('\n') == std::string::npos && ::poll(&p, 1, 60000) > 0 &&
           (got = ::read(out[0], buffer, sizeof buffer)) > 0)
        line.append(buffer, static_cast<size_t>(got));
    ::close(out[0]);
    port_ = std::atoi(line.c_str());
    if (port_ <= 0) error_ = "the FTP server did not start (is python3-pyftpdlib installed?)";
}

FtpTestServer::~FtpTestServer() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
}

int FtpTestServer::count(std::string_view verb) const {
    std::ifstream in(folder_.path() / "commands.log");
    int n = 0;
    for (std::string line; std::getline(in, line);)
        n += line.starts_with(verb) && (line.size() == verb.size() || line[verb.size()] == ' ');
    return n;
}

SilentServer::SilentServer() : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(fd_, 8) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        std::abort();
    port_ = ntohs(address.sin_port);
}

SilentServer::~SilentServer() {
    close();
}

void SilentServer::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

}  // namespace lexmill::test
