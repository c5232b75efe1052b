#include <gtest/gtest.h>

#include "QuietHost.h"
#include "TempDir.h"
#include "records/RunRecord.h"
#include "undo/UndoRun.h"
#include "write/AtomicRewrite.h"

namespace lexmill {
namespace {

using test::readFile;

// clang-format off
unsigned mode(const std::string& p) { return unsigned(std::filesystem::status(p).permissions()); }

// Keeps the messages and the results window's texts; presses Esc when `cancelAt` files are listed.
struct Host : test::QuietHost {
    Module1 m;
    std::size_t listed = 0, cancelAt;
    bool backups;
    std::string shown, status;
    explicit Host(std::size_t cancel = 0, bool b = true) : cancelAt(cancel), backups(b) {}
    BatchOptions options() override { return {"cat", "dog", false, false, backups}; }
    void message(std::string_view t, std::string_view w, MessageIcon) override { (shown += w) += t; }
    void addResult(std::string_view) override { m.CancelRequested = ++listed == cancelAt; }
    void showResults(std::string_view h, std::string_view s) override { (shown += h) += s; }
    void setStatus(std::string_view t) override { status = t; }
};
// clang-format on

struct Folders {
    test::TempDir dir;
    std::string runs = dir.file("state/Bramblegate/Lexmill/runs");
    Folders() { ::setenv("XDG_STATE_HOME", dir.file("state").c_str(), 1); }

    std::string run(const std::vector<std::string>& names, bool backups = true) {
        Host host(0, backups);
        SetSelection(host.m, dir.path() + "/", names);
        return SearchAndReplace(host.m, host).runRecord;
    }
    std::string undo(std::size_t cancelAt = 0, std::string* status = nullptr) {
        RunRecord r;
        if (!lastUndoableRun(runs, r, dir.path())) return "nothing";
        Host host(cancelAt);
        UndoRun(host.m, runs, r, host);
        if (status) *status = host.status;
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
    const RecordedFile& c = records[0].files[0];
    EXPECT_EQ(records[0].folder + " " + c.path + " " + c.backup,
              f.dir.path() + "/ " + f.dir.file("c.txt") + " " + f.dir.file("LMBACK/c.txt"));
    FileStamp file, backup;
    ASSERT_TRUE(stampOf(c.path, true, file) && stampOf(c.backup, false, backup));
    EXPECT_TRUE(c.file == file && c.backupStamp == backup && !(file == backup));
    EXPECT_EQ(mode(f.runs + "/" + id) | mode(f.runs) << 12, 0600u | 0700u << 12);
    for (int i = 0; i < 22; ++i) f.run({"c.txt"}), f.dir.write("c.txt", "cat");  // 23 in all
    EXPECT_EQ(listRunRecords(f.runs).size() + test::exists(f.runs + "/" + id), kKeptRunRecords);
}

struct UndoCase {
    const char* name;
    void (*after)(Folders&);  // what happens between the run and the undo
    std::size_t cancelAt;
    std::string b, failure, summary;  // b.txt at the end, why it was left, the first undo's summary
    std::string second = "nothing";   // what a second undo shows
};

class Undo : public ::testing::TestWithParam<UndoCase> {};
// A case prints as its row's name.
void PrintTo(const UndoCase& row, std::ostream* os) {
    *os << row.name;
}

TEST_P(Undo, RestoresOnlyFilesAndBackupsAsTheRunLeftThem) {
    const UndoCase& c = GetParam();
    Folders f;
    std::filesystem::create_directory(f.dir.file("sub"));
    const std::string a = f.dir.write("a.txt", "cat\n"), b = f.dir.write("sub/b.txt", "Cat cat");
    ASSERT_EQ(::chmod(a.c_str(), 0751), 0);
    f.run({"a.txt", "sub/b.txt"});
    if (c.after) c.after(f);
    const std::string warning = "Warning" + failureMessage({{"sub/b.txt", b, c.failure}});
    std::string status;  // names the file as listed, with its folder
    EXPECT_EQ(f.undo(c.cancelAt, &status),
              (c.failure.empty() ? "" : warning) + "Files that were restored:" + c.summary);
    EXPECT_EQ(status, c.cancelAt ? "Restoring a.txt" : "Restoring sub/b.txt");
    EXPECT_EQ(f.undo(), c.second);
    EXPECT_EQ(readFile(a) + readFile(b) + readFile(f.dir.file("LMBACK/a.txt")),
              "cat\n" + c.b + "cat\n");
    EXPECT_EQ(mode(a), 0751u);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, Undo, ::testing::Values(
    UndoCase{"Whole", nullptr, 0, "Cat cat", "", "Undo complete. 2 files restored."},
    UndoCase{"FileEditedSince", [](Folders& f) { f.dir.write("sub/b.txt", "edited"); }, 0, "edited",
        "the file was changed since the run", "Undo complete. 1 files restored."},
    UndoCase{"BackupReplacedByALaterRun", [](Folders& f) {
        backupFile(f.dir.file("sub/b.txt"), f.dir.file("sub/LMBACK"), "b.txt"); }, 0, "dog dog",
        "its backup in LMBACK was replaced or changed since the run", "Undo complete. 1 files restored."},
    UndoCase{"CancelledThenTheRest", nullptr, 1, "Cat cat", "", "Undo cancelled. 1 files restored.",
        "Files that were restored:Undo complete. 1 files restored."}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

}  // namespace
}  // namespace lexmill
