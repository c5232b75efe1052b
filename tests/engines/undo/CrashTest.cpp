// A replace run killed outright at a moment of its commit, then undone and
// run again: what a crash leaves must be undoable and must not pile up.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <filesystem>

#include "QuietHost.h"
#include "TempDir.h"
#include "records/RunRecord.h"
#include "undo/UndoRun.h"

namespace lexmill {
namespace {

namespace fs = std::filesystem;
constexpr int kFiles = 300;  // more than three groups

std::string name(int i) {
    return "f" + std::to_string(1000 + i) + ".txt";
}
std::string oldText(int i) {
    return "a cat " + std::to_string(i) + "\n";
}
std::string newText(int i) {
    return "a dog " + std::to_string(i) + "\n";
}

int temporaries(const test::TempDir& dir) {
    int found = 0;
    for (const std::string& folder : {dir.path(), dir.file("LMBACK")}) {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(folder, ec))
            found += e.path().filename().string().starts_with(".~lm");
    }
    return found;
}

struct Host : test::QuietHost {
    Module1 m;
    DiskStep killAt;
    int count;
    std::string shown;
    Host(DiskStep step = DiskStep::AllReplaced, int n = 0) : killAt(step), count(n) {
        opts = {"cat", "dog", false, false, true};
    }
    void diskStep(DiskStep step) override {
        if (step == killAt && --count == 0) ::kill(::getpid(), SIGKILL);
    }
    void message(std::string_view t, std::string_view w, MessageIcon) override {
        (shown += w) += t;
    }
    void showResults(std::string_view h, std::string_view s) override { (shown += h) += s; }
};

struct KillCase {
    const char* name;
    DiskStep step;
    int count;  // the count-th time the run reaches the step
};

class KilledRun : public ::testing::TestWithParam<KillCase> {};
// A case prints as its row's name.
void PrintTo(const KillCase& row, std::ostream* os) {
    *os << row.name;
}

TEST_P(KilledRun, IsUndoneAndLeavesNothingBehind) {
    const KillCase& c = GetParam();
    test::TempDir dir;
    const std::string runs = dir.file("state/Bramblegate/Lexmill/runs");
    ::setenv("XDG_STATE_HOME", dir.file("state").c_str(), 1);
    std::vector<std::string> names;
    for (int i = 0; i < kFiles; ++i) dir.write(names.emplace_back(name(i)), oldText(i));

    const auto run = [&](Host& host) {
        SetSelection(host.m, dir.path() + "/", names);
        return SearchAndReplace(host.m, host);
    };
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        Host host(c.step, c.count);
        run(host);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;

    // Each file old or new, and each new one backed up.
    int changed = 0;
    for (int i = 0; i < kFiles; ++i) {
        const std::string text = test::readFile(dir.file(name(i)));
        ASSERT_TRUE(text == oldText(i) || text == newText(i)) << name(i) << ": " << text;
        if (text == oldText(i)) continue;
        ++changed;
        EXPECT_EQ(test::readFile(dir.file("LMBACK/" + name(i))), oldText(i)) << name(i);
    }
    const auto records = listRunRecords(runs);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_FALSE(records[0].finished);
    EXPECT_GE(static_cast<int>(records[0].files.size()), changed);

    // Undo puts back exactly what was changed, and says nothing of the rest.
    RunRecord record;
    ASSERT_TRUE(lastUndoableRun(runs, record, dir.path()));
    Host undo;
    UndoRun(undo.m, runs, record, undo);
    EXPECT_EQ(undo.shown, "Files that were restored:Undo complete. " + std::to_string(changed) +
                              " files restored.");
    for (int i = 0; i < kFiles; ++i) ASSERT_EQ(test::readFile(dir.file(name(i))), oldText(i));

    // A later run changes every file, and removes what the killed one left.
    Host again;
    const BatchReport second = run(again);
    EXPECT_EQ(second.listed.size(), static_cast<std::size_t>(kFiles));
    for (const auto& f : second.failures) ADD_FAILURE() << f.name << ": " << f.reason;
    EXPECT_EQ(temporaries(dir), 0);
    ASSERT_EQ(listRunRecords(runs).size(), 2u);
    EXPECT_TRUE(listRunRecords(runs)[1].finished);
}

INSTANTIATE_TEST_SUITE_P(
    Kills, KilledRun,
    ::testing::Values(KillCase{"BeforeTheFirstRename", DiskStep::RecordStarted, 1},
                      KillCase{"InsideAGroup", DiskStep::FileReplaced, 40},
                      KillCase{"BetweenGroups", DiskStep::GroupReplaced, 1},
                      KillCase{"AfterTheLastRename", DiskStep::AllReplaced, 1}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace lexmill
