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
#include <sstream>

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
    if (::pipe2(out, O_CLOEXEC) != 0) {
        error_ = "pipe failed";
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    const std::string errors = (folder_.path() / "server.log").string();
    posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (rc != 0) {
        ::close(out[0]);
        error_ = "cannot start /usr/bin/python3";
        return;
    }
    pid_ = pid;

    // The first line is the port; a generous wait for a busy machine.
    std::string line;
    pollfd p{out[0], POLLIN, 0};
    while (line.find('\n') == std::string::npos && ::poll(&p, 1, 60000) > 0) {
        char buffer[64];
        const ssize_t got = ::read(out[0], buffer, sizeof buffer);
        if (got <= 0) break;
        line.append(buffer, static_cast<size_t>(got));
    }
    ::close(out[0]);
    port_ = std::atoi(line.c_str());
    if (port_ <= 0) error_ = "the FTP server did not start (is python3-pyftpdlib installed?)";
}

FtpTestServer::~FtpTestServer() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
}

std::vector<std::string> FtpTestServer::commands() const {
    std::ifstream in(folder_.path() / "commands.log");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

int FtpTestServer::count(std::string_view verb) const {
    int n = 0;
    for (const std::string& line : commands()) {
        if (line.size() >= verb.size() && std::string_view(line).substr(0, verb.size()) == verb &&
            (line.size() == verb.size() || line[verb.size()] == ' '))
            ++n;
    }
    return n;
}

namespace {
int ListeningSocket(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(fd, 8) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        std::abort();
    port = ntohs(address.sin_port);
    return fd;
}
}  // namespace

int ClosedPort() {
    int port = 0;
    ::close(ListeningSocket(port));
    return port;
}

SilentServer::SilentServer() {
    fd_ = ListeningSocket(port_);
}

SilentServer::~SilentServer() {
    ::close(fd_);
}

}  // namespace lexmill::test
