// lexmill-batch as a script sees it: output, error output and exit status.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include "TempDir.h"

extern char** environ;

namespace lexmill {
namespace {

struct Outcome {
    int status;
    std::string out, err;
};

Outcome runBatch(const test::TempDir& dir, std::vector<std::string> args) {
    const std::string out = dir.file(".out"), err = dir.file(".err");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    args.insert(args.begin(), LEXMILL_BATCH);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, LEXMILL_BATCH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return {-1, "", "spawn failed"};
    int status = 0;
    ::waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, test::readFile(out), test::readFile(err)};
}

TEST(LexmillBatch, PrintsTheListThenTheSummary) {
    test::TempDir dir;
    const std::string a = dir.write("a.txt", "Mill mill"), b = dir.write("b.txt", "none");
    const Outcome r = runBatch(dir, {"--search", "MILL", "--replace", "yard", a, b});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, a + "\nSearch complete. 2 replacements made.\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(test::readFile(a), "yard yard");
    EXPECT_EQ(test::readFile(dir.file("LMBACK/a.txt")), "Mill mill");

    const Outcome exact =
        runBatch(dir, {"--search-only", "--match-case", "--search", "Yard", a, b});
    EXPECT_EQ(exact.out,
              "None\nSearch complete. Found 0 files that contained the text you entered.\n");
}

TEST(LexmillBatch, FailuresGoToStandardErrorWithExitOne) {
    test::TempDir dir;
    dir.write("LMBACK", "in the way");
    const std::string a = dir.write("a.txt", "mill");
    const Outcome r = runBatch(dir, {"--search", "mill", a, dir.file("missing.txt")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Search complete. 0 replacements made.\n");
    EXPECT_NE(r.err.find(a + ": cannot make a backup"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("missing.txt: not found"), std::string::npos) << r.err;
    EXPECT_EQ(test::readFile(a), "mill");
}

TEST(LexmillBatch, TallyAndUsage) {
    test::TempDir dir;
    const std::string f = dir.write("t.txt", "the THE then\r\n");
    const Outcome t = runBatch(dir, {"--tally", f, "--keyword", "The"});
    EXPECT_EQ(t.status, 0);
    EXPECT_EQ(t.out, "Lines: 2\nWords: 3\nCharacters: 12\nKeyword occurrences: 3\n");

    const Outcome missing = runBatch(dir, {"--tally", dir.file("nope")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("No such file"), std::string::npos);
    EXPECT_FALSE(test::exists(dir.file("nope")));

    const Outcome usage = runBatch(dir, {"--frobnicate"});
    EXPECT_EQ(usage.status, 2);
    EXPECT_NE(usage.err.find("unknown option --frobnicate"), std::string::npos);
    const Outcome help = runBatch(dir, {"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* option : {"--search-file", "--replace-file", "--search-only", "--match-case",
                               "--no-backups", "--charset", "--tally", "--keyword"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
}

}  // namespace
}  // namespace lexmill
