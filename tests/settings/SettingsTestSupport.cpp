#include "SettingsTestSupport.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <utility>

namespace lexmill::test {

namespace {
constexpr const char* kSetpriv = "/usr/bin/setpriv";
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "lexmill-settings-XXXXXX");
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

HelperProcess::HelperProcess(const std::vector<std::string>& arguments, bool asNobody) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    std::vector<std::string> all = {SETTINGS_HELPER};
    if (asNobody)
        all.insert(all.begin(), {kSetpriv, "--reuid=65534", "--regid=65534", "--clear-groups"});
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : all) argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    const int rc = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    out_ = fds[0];
    if (rc != 0) {
        ::close(out_);
        throw std::runtime_error("cannot start " + all[0]);
    }
}

HelperProcess::~HelperProcess() {
    if (pid_ > 0) wait();
    ::close(out_);
}

std::string HelperProcess::readLine() {
    std::string line;
    char c;
    while (::read(out_, &c, 1) == 1 && c != '\n') line += c;
    return line;
}

int HelperProcess::wait(std::string* rest) {
    std::string output;
    char buffer[4096];
    for (ssize_t n; (n = ::read(out_, buffer, sizeof buffer)) > 0;) output.append(buffer, n);
    if (rest) *rest = output;
    int status = 0;
    const pid_t pid = std::exchange(pid_, -1);
    if (pid <= 0 || ::waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int runHelper(const std::vector<std::string>& arguments, std::string* output, bool asNobody) {
    return HelperProcess(arguments, asNobody).wait(output);
}

std::string whyNotAsNobody() {
    if (::geteuid() != 0) return "not running as root, so cannot switch to another user";
    if (::access(kSetpriv, X_OK) != 0) return "setpriv is not installed";
    if (runHelper({"probe"}, nullptr, true) != 0) return "the helper cannot run as user 65534";
    return {};
}

std::string readFile(const std::filesystem::path& file) {
    if (!std::filesystem::is_regular_file(file)) return {};
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

unsigned fileMode(const std::filesystem::path& file) {
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

}  // namespace lexmill::test
