// lexmill-batch ended in the middle of a run, by a signal or a closed output pipe.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <csignal>
#include <filesystem>

#include "TempDir.h"

extern char** environ;

namespace lexmill {
namespace {

int temporaryFiles(const test::TempDir& dir) {
    int found = 0;
    for (const std::string& folder : {dir.path(), dir.file("LMBACK")}) {
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(folder, ec))
            found += e.path().filename().string().rfind(".~lm", 0) == 0;
    }
    return found;
}

// Waits until the run has a temporary file (true) or has ended (false).
bool waitForTemporary(const test::TempDir& dir, pid_t pid) {
    for (siginfo_t info{};; ::usleep(200)) {
        info.si_pid = 0;
        if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
            info.si_pid == pid)
            return false;
        if (temporaryFiles(dir) > 0) return true;
    }
}

// A signal while the run rewrites files; 0: its output pipe lost its reader (`| head -1`).
class EndedRun : public ::testing::TestWithParam<int> {};

TEST_P(EndedRun, LeavesNoTemporaryFile) {
    const int signal = GetParam();
    test::TempDir dir;
    std::vector<std::string> args{LEXMILL_BATCH, "--search", "a", "--replace", "c"};
    const std::string text(1 << 18, 'a');
    // A large first file: the signals come while it is rewritten. Long names:
    // the list fills the output buffer in the middle of the run.
    if (signal != 0) args.push_back(dir.write("first", std::string(1 << 23, 'a')));
    for (int i = 0; i < 40; ++i)
        args.push_back(dir.write(std::to_string(100 + i) + std::string(150, 'n'), text));
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int pipe[2];
    ASSERT_EQ(::pipe2(pipe, O_CLOEXEC), 0);
    const std::string err = dir.file(".err");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::signal(SIGPIPE, SIG_DFL);  // for the program too, as a shell leaves it
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, LEXMILL_BATCH, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe[1]);
    if (signal == 0) ::close(pipe[0]);
    // Again and again while the run lasts: the first SIGINT only cancels, and
    // two signals sent close together may arrive as one.
    while (signal != 0 && waitForTemporary(dir, pid)) {
        ::kill(pid, signal);
        ::usleep(1000);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (signal != 0) ::close(pipe[0]);
    EXPECT_EQ(temporaryFiles(dir), 0);
    if (signal != 0) {
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
    } else {
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
        EXPECT_NE(test::readFile(err).find("lexmill-batch: standard output: Broken pipe\n"),
                  std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(Signals, EndedRun, ::testing::Values(SIGTERM, SIGHUP, SIGINT, 0),
                         [](const auto& i) {
                             return i.param ? sigabbrev_np(i.param) : "ClosedOutputPipe";
                         });

}  // namespace
}  // namespace lexmill
