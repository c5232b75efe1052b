#include <gtest/gtest.h>
#include <sys/stat.h>

#include "AtomicRewrite.h"
#include "RunRecord.h"
#include "TempDir.h"

namespace lexmill {
namespace {

using test::readFile;

unsigned mode(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Keeps the messages and the results window's texts; presses Esc when `cancelAt` files are listed.
struct Host : BatchHost {
    Module1 m;
    BatchOptions opts{"cat", "dog", false, false, true};
    std::size_t listed = 0, cancelAt = 0;
    std::string shown;
    BatchOptions options() override { return opts; }
    // clang-format off
    void setStatus(std::string_view) override {}  void setIdleStatus() override {}
    void setHint(std::string_view) override {}  void setWaitCursor(bool) override {}
    void setStartEnabled(bool) override {}  void setProgress(std::int64_t) override {}
    void yield() override {}
    // clang-format on
    void message(std::string_view text, std::string_view title, MessageIcon) override {
        shown.append(title).append(": ").append(text) += '\n';
    }
    void addResult(std::string_view) override { m.CancelRequested = ++listed == cancelAt; }
    void showResults(std::string_view heading, std::string_view summary) override {
        shown.append(heading).append(" | ").append(summary);
    }
};

const std::string kHeading = "Files that were restored: | ";

// A work folder, with the run records in a folder of its own.
struct Folders {
    test::TempDir dir;
    std::string runs = dir.file("state/Bramblegate/Lexmill/runs");
    Folders() { ::setenv("XDG_STATE_HOME", dir.file("state").c_str(), 1); }

    std::string run(const std::vector<std::string>& names, bool backups = true) {
        Host host;
        host.opts.makeBackups = backups;
        SetSelection(host.m, dir.path() + "/", names);
        return SearchAndReplace(host.m, host).runRecord;
    }
    std::string undo(std::size_t cancelAt = 0) {
        RunRecord r;
        if (!lastUndoableRun(runs, r, dir.path())) return "nothing";
        Host host;
        host.cancelAt = cancelAt;
        UndoRun(host.m, runs, r, host);
        return host.shown;
    }
};

TEST(RunRecord, KeepsTheChangedFilesWithBackupsAndTheirStamps) {
    Folders f;
    f.dir.write("a.txt", "a cat"), f.dir.write("b.txt", "no"), f.dir.write("c.txt", "cat");
    EXPECT_EQ(f.run({"a.txt"}, false) + f.run({"b.txt"}), "");  // no backups; nothing changed
    const std::string id = f.run({"b.txt", "c.txt", "a.txt"});  // a.txt has no cat any more
    const auto records = listRunRecords(f.runs);
    ASSERT_TRUE(records.size() == 1 && records[0].files.size() == 1);
    EXPECT_EQ(records[0].id + " " + records[0].folder, id + " " + f.dir.path() + "/");
    const RecordedFile& c = records[0].files[0];
    EXPECT_EQ(c.path + " " + c.backup, f.dir.file("c.txt") + " " + f.dir.file("LMBACK/c.txt"));
    FileStamp file, backup;
    ASSERT_TRUE(stampOf(c.path, true, file) && stampOf(c.backup, false, backup));
    EXPECT_TRUE(c.file == file && c.backupStamp == backup && !(file == backup));
    EXPECT_EQ(mode(f.runs + "/" + id), 0600u);
    EXPECT_EQ(mode(f.runs), 0700u);
    for (int i = 0; i < 22; ++i) f.run({"c.txt"}), f.dir.write("c.txt", "cat");
    EXPECT_EQ(listRunRecords(f.runs).size(), kKeptRunRecords);
    EXPECT_NE(listRunRecords(f.runs).front().id, id);
}

struct UndoCase {
    const char* name;
    void (*after)(Folders&);  // what happens between the run and the undo
    std::size_t cancelAt;
    std::string b, failure, summary;  // b.txt at the end, why it was left, the first undo's summary
    std::string second = "nothing";   // what a second undo shows
};

class Undo : public ::testing::TestWithParam<UndoCase> {};

// The run changed a.txt (mode 0751) and b.txt, in this order.
TEST_P(Undo, RestoresOnlyFilesAndBackupsAsTheRunLeftThem) {
    const UndoCase& c = GetParam();
    Folders f;
    const std::string a = f.dir.write("a.txt", "cat\n"), b = f.dir.write("b.txt", "Cat cat");
    ASSERT_EQ(::chmod(a.c_str(), 0751), 0);
    f.run({"a.txt", "b.txt"});
    if (c.after) c.after(f);
    const std::string warning = "Warning: " + failureMessage({{b, b, c.failure}}) + "\n";
    EXPECT_EQ(f.undo(c.cancelAt), (c.failure.empty() ? "" : warning) + kHeading + c.summary);
    EXPECT_EQ(f.undo(), c.second);
    EXPECT_EQ(readFile(a) + readFile(b) + readFile(f.dir.file("LMBACK/a.txt")),
              "cat\n" + c.b + "cat\n");
    EXPECT_EQ(mode(a), 0751u);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, Undo, ::testing::Values(
    UndoCase{"Whole", nullptr, 0, "Cat cat", "", "Undo complete. 2 files restored."},
    UndoCase{"FileEditedSince", [](Folders& f) { f.dir.write("b.txt", "edited"); }, 0, "edited",
        "the file was changed since the run", "Undo complete. 1 files restored."},
    UndoCase{"BackupReplacedByALaterRun", [](Folders& f) {
        backupFile(f.dir.file("b.txt"), f.dir.file("LMBACK"), "b.txt"); }, 0, "dog dog",
        "its backup in LMBACK was replaced or changed since the run", "Undo complete. 1 files restored."},
    UndoCase{"CancelledThenTheRest", nullptr, 1, "Cat cat", "", "Undo cancelled. 1 files restored.",
        kHeading + "Undo complete. 1 files restored."}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

}  // namespace
}  // namespace lexmill
