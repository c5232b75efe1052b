// What a run must leave as it is, and files that are no ordinary files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "QuietHost.h"
#include "TempDir.h"
#include "Unprivileged.h"
#include "base/FileError.h"
#include "base/OrdinaryFile.h"
#include "batch/SearchAndReplace.h"
#include "tally/Tally.h"

namespace lexmill {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempDir;

using test::QuietHost;  // the report of the run says the rest

enum class As { Root, Nobody, RootOnly };

// A run with backups that turns `search` into "-". Its report ends with `reportEnd`
// ("N listed", "; REASON" for each file not handled); f.txt and `others` then
// hold the texts given, and f.txt keeps its owner, group and mode.
struct RunCase {
    const char* name;
    As as;
    std::function<void(const TempDir&)> setup = nullptr;
    std::string expectText, reportEnd;
    std::vector<std::pair<std::string, std::string>> others = {};
    std::vector<std::string> selection = {"f.txt"};
    std::string search = "mill", text = "mill";
    bool backups = true;
    // Done to the file after the run read it and wrote its new text, before the rename.
    void (*edit)(const std::string& path) = nullptr;
};

struct EditingHost : QuietHost {
    void (*edit)(const std::string&);
    void newTextWritten(std::string_view path) override {
        if (edit) edit(std::string(path));
    }
};

void append(const std::string& path) {
    std::ofstream(path, std::ios::app) << " and more";
}

class Run : public ::testing::TestWithParam<RunCase> {};
// A case prints as its row's name.
void PrintTo(const RunCase& row, std::ostream* os) {
    *os << row.name;
}

TEST_P(Run, LeavesWhatItMayNotTouch) {
    const RunCase& c = GetParam();
    if (c.as == As::RootOnly && ::geteuid() != 0) GTEST_SKIP() << "needs root to own any file";
    TempDir dir;
    const std::string file = dir.write("f.txt", c.text);
    if (c.as == As::Nobody) ::chmod(dir.path().c_str(), 0777);
    if (c.setup) c.setup(dir);
    struct stat before = {}, after = {};
    ::stat(file.c_str(), &before);
    const auto run = [&] {
        Module1 m;
        SetSelection(m, dir.path(), c.selection);
        EditingHost host;
        host.edit = c.edit;
        host.opts.searchText = c.search;
        host.opts.replaceText = "-";
        host.opts.makeBackups = c.backups;
        const BatchReport r = SearchAndReplace(m, host);
        std::string report = std::to_string(r.listed.size()) + " listed";
        for (const auto& f : r.failures) report += "; " + f.reason;
        return report;
    };
    const auto report = c.as == As::Nobody ? test::runUnprivileged(run) : run();
    if (!report) GTEST_SKIP() << "cannot switch to an unprivileged user";
    EXPECT_TRUE(report->ends_with(c.reportEnd)) << *report;
    EXPECT_EQ(readFile(file), c.expectText);
    for (const auto& [name, text] : c.others) EXPECT_EQ(readFile(dir.file(name)), text) << name;
    ::stat(file.c_str(), &after);
    EXPECT_EQ(std::tie(after.st_mode, after.st_uid, after.st_gid),
              std::tie(before.st_mode, before.st_uid, before.st_gid));
    for (const std::string& folder : {dir.path(), dir.file("LMBACK")}) {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(folder, ec))
            EXPECT_NE(e.path().filename().string().rfind(".~lm", 0), 0u) << e.path();
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Safety, Run, ::testing::Values(
    // An edit made while the run goes is never lost, nor taken for the backup.
    RunCase{.name = "AppendedDuringTheRun", .as = As::Root, .expectText = "mill and more",
            .reportEnd = "0 listed; changed during the run, left as it is",
            .others = {{"LMBACK/f.txt", ""}}, .edit = append},
    RunCase{.name = "AppendedDuringARunWithoutBackups", .as = As::Root,
            .expectText = "mill and more",
            .reportEnd = "0 listed; changed during the run, left as it is", .backups = false,
            .edit = append},
    RunCase{.name = "AppendedDuringTheRunOverAnEarlierBackup", .as = As::Root,
            .setup = [](const TempDir& d) {
                fs::create_directory(d.file("LMBACK"));
                d.write("LMBACK/f.txt", "earlier");
            }, .expectText = "mill and more",
            .reportEnd = "0 listed; changed during the run, left as it is",
            .others = {{"LMBACK/f.txt", "earlier"}}, .edit = append},
    RunCase{.name = "SavedByAnEditorDuringTheRun", .as = As::Root, .expectText = "saved",
            .reportEnd = "0 listed; changed during the run, left as it is",
            .others = {{"LMBACK/f.txt", ""}}, .edit = [](const std::string& path) {
                std::ofstream(path + ".new") << "saved";
                fs::rename(path + ".new", path);
            }},
    RunCase{"OneFileUnderThreeNames", As::Root,
            [](const TempDir& d) { fs::create_symlink("f.txt", d.file("l.txt")); },
            "-", "1 listed", {}, {"f.txt", "./f.txt", "l.txt", "f.txt"}},
    // The search text begins with the second byte of "À", "à" folded: the
    // replace pass must fold the character whole, as the search did.
    RunCase{"SearchTextInsideACharacter", As::Root, nullptr, "\xC3-\xC3-", "1 listed", {},
            {"f.txt"}, "\xA0", "\xC3\x80\xC3\x80"},
    RunCase{"LinkPlantedInBackupFolder", As::Root, [](const TempDir& d) {
                d.write("victim", "precious");
                fs::create_directory(d.file("LMBACK"));
                fs::create_symlink(d.file("victim"), d.file("LMBACK/f.txt"));
            }, "-", "1 listed", {{"victim", "precious"}, {"LMBACK/f.txt", "mill"}}},
    RunCase{"BackupFolderIsALink", As::Root, [](const TempDir& d) {
                fs::create_directory(d.file("elsewhere"));
                fs::create_directory_symlink(d.file("elsewhere"), d.file("LMBACK"));
            }, "mill", "/LMBACK is not a folder", {{"elsewhere/f.txt", ""}}},
    RunCase{"FileTheUserMayNotWrite", As::Nobody, nullptr, "mill",
            "0 listed; cannot write: Permission denied"},
    // Writable by all, owned by root: the new file could not be root's.
    RunCase{"OwnerThatCannotBeKept", As::Nobody,
            [](const TempDir& d) { ::chmod(d.file("f.txt").c_str(), 0666); }, "mill",
            "0 listed; cannot keep the file's owner and group: Operation not permitted"},
    RunCase{"SetUserIdKeptByRoot", As::RootOnly, [](const TempDir& d) {
                ASSERT_EQ(::chown(d.file("f.txt").c_str(), 65534, 65534), 0);
                ::chmod(d.file("f.txt").c_str(), 06755);
            }, "-", "1 listed"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(NotOrdinaryFile, IsRefusedWithoutWaiting) {
    TempDir dir;
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (auto read : {+[](const std::string& p) { tallyFile(p, ""); },
                      +[](const std::string& p) { readOrdinaryFile(p); }}) {
        // A writer that waits for a reader and goes: a reader that waits gets an end.
        std::thread writer([&] { UniqueFd out(::open(fifo.c_str(), O_WRONLY | O_CLOEXEC)); });
        try {
            read(fifo);
            ADD_FAILURE() << "read as a file";
        } catch (const FileError& e) {
            EXPECT_EQ(e.reason(), "not an ordinary file");
        }
        UniqueFd letWriterGo(::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        writer.join();
    }
}

}  // namespace
}  // namespace lexmill
