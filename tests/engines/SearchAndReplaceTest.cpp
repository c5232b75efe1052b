#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "RecordingHost.h"
#include "SearchAndReplace.h"
#include "TempDir.h"
#include "TextFold.h"
#include "Unprivileged.h"

namespace lexmill {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::RecordingHost;
using test::TempDir;
using namespace std::string_literals;

class BatchRun : public ::testing::Test {
  protected:
    TempDir dir;
    Module1 m;
    RecordingHost host{m};

    void SetUp() override {
        host.opts.searchText = "cat";
        host.opts.replaceText = "dog";
        host.opts.makeBackups = false;
    }

    BatchReport run(const std::vector<std::string>& names) {
        SetSelection(m, dir.path(), names);
        return SearchAndReplace(m, host);
    }

    // Files a run must never leave behind: its temporary files.
    std::vector<std::string> leftovers(const std::string& folder) {
        std::vector<std::string> found;
        for (const auto& e : fs::directory_iterator(folder))
            if (e.path().filename().string().rfind(".~lm", 0) == 0) found.push_back(e.path());
        return found;
    }
};

TEST_F(BatchRun, ReportsEachStepInOrder) {
    dir.write("a.txt", "no match here");
    dir.write("b.txt", "one cat, two cats");
    const BatchReport r = run({"a.txt", "b.txt"});

    // A changed file is listed once it is on disk, which may come a file or two
    // later: the results list is checked on its own.
    std::vector<std::string> events;
    std::copy_if(host.events.begin(), host.events.end(), std::back_inserter(events),
                 [](const std::string& e) { return e.rfind("result ", 0) != 0; });
    EXPECT_EQ(host.results, std::vector<std::string>{"b.txt"});
    const std::vector<std::string> expected = {
        "hint Press \"Esc\" to cancel.",
        "wait",
        "start off",
        "status Checking a.txt",
        "progress 13",
        "yield",
        "status Checking b.txt",
        "status Found text in b.txt. Replacing.",
        "progress 30",
        "yield",
        "start on",
        "arrow",
        "show Files that were changed: | Search complete. 2 replacements made.",
        "progress 0",
        "idle",
        "hint ",
    };
    EXPECT_EQ(events, expected);
    EXPECT_EQ(m.TotalBytes, 30);
    EXPECT_EQ(host.progressMaxWhenResultsShown, 30);
    EXPECT_FALSE(host.busyWhenResultsShown);
    EXPECT_FALSE(m.Busy);
    EXPECT_EQ(r.count, 2u);
    EXPECT_EQ(readFile(dir.file("b.txt")), "one dog, two dogs");
}

TEST_F(BatchRun, NoSelectionOnlyShowsTheMessage) {
    dir.write("a.txt", "cat");
    const BatchReport r = run({});
    const std::vector<std::string> expected = {
        "hint Press \"Esc\" to cancel.",
        "wait",
        "start off",
        "message No Files Selected 0 Please select one or more files for this operation.",
        "arrow",
        "start on",
        "hint "};
    EXPECT_EQ(host.events, expected);
    EXPECT_FALSE(r.ran);
    EXPECT_FALSE(m.Busy);
    EXPECT_EQ(readFile(dir.file("a.txt")), "cat");
}

TEST_F(BatchRun, RewritesByteForByteAndLeavesOtherFilesUntouched) {
    const std::string bytes = "Cat\0cAT\r\nline\r\nCATCAT"s;  // NULs, CR LF, no final newline
    dir.write("mixed.bin", bytes);
    const std::string untouched = dir.write("other.txt", "nothing to see\n");
    const fs::file_time_type old = fs::file_time_type::clock::now() - std::chrono::hours(48);
    fs::last_write_time(untouched, old);

    const BatchReport r = run({"mixed.bin", "other.txt"});
    EXPECT_EQ(readFile(dir.file("mixed.bin")), "dog\0dog\r\nline\r\ndogdog"s);
    EXPECT_EQ(fs::last_write_time(untouched), old);
    EXPECT_EQ(fs::file_size(untouched), 15u);
    EXPECT_EQ(r.listed, std::vector<std::string>{"mixed.bin"});
    EXPECT_EQ(r.summary, "Search complete. 4 replacements made.");
    EXPECT_TRUE(leftovers(dir.path()).empty());
}

TEST_F(BatchRun, MatchesAcrossReadBlocksAsIfReadWhole) {
    // Occurrences around the 1 MiB read blocks, in upper case, with UTF-8 around them.
    std::string text;
    const std::string filler = "é-Ab ";
    while (text.size() < 3 * (1 << 20) + 10) text += filler;
    for (std::size_t at : {std::size_t{1} << 20, (std::size_t{2} << 20) - 2, std::size_t{7}})
        text.replace(at - 1, 3, "CAT");
    dir.write("big.txt", text);
    host.opts.replaceText = "ca";

    // The reference: the whole text searched at once.
    const CaseFolder folder(Charset::Utf8);
    const std::string folded = folder.fold(text);
    std::string expected;
    std::size_t pos = 0, count = 0;
    for (std::size_t hit; (hit = folded.find("cat", pos)) != std::string::npos; pos = hit + 3) {
        expected += text.substr(pos, hit - pos) + "ca";
        ++count;
    }
    expected += text.substr(pos);

    const BatchReport r = run({"big.txt"});
    EXPECT_EQ(r.count, count);
    EXPECT_EQ(count, 3u);
    EXPECT_TRUE(readFile(dir.file("big.txt")) == expected);
}

TEST_F(BatchRun, SearchOnlyWritesNothing) {
    dir.write("a.txt", "a cat");
    dir.write("b.txt", "a dog");
    dir.write("c.txt", "CAT and cat");
    host.opts.searchOnly = true;
    host.opts.makeBackups = true;
    const BatchReport r = run({"a.txt", "b.txt", "c.txt"});
    EXPECT_EQ(host.results, (std::vector<std::string>{"a.txt", "c.txt"}));
    EXPECT_EQ(host.events[host.events.size() - 4],
              "show Files: | Search complete. Found 2 files that contained the text you entered.");
    EXPECT_EQ(readFile(dir.file("a.txt")), "a cat");
    EXPECT_FALSE(test::exists(dir.file("LMBACK")));
    EXPECT_TRUE(leftovers(dir.path()).empty());
    EXPECT_EQ(r.heading, "Files:");
}

TEST_F(BatchRun, SearchOnlyWithNothingFoundListsNone) {
    dir.write("a.txt", "a dog");
    host.opts.searchOnly = true;
    const BatchReport r = run({"a.txt", "missing.txt"});
    EXPECT_EQ(host.results, std::vector<std::string>{"None"});
    EXPECT_EQ(r.summary, "Search complete. Found 0 files that contained the text you entered.");
}

TEST_F(BatchRun, MissingFilesArePassedOverSilently) {
    dir.write("b.txt", "cat");
    const BatchReport r = run({"gone.txt", "b.txt"});
    EXPECT_EQ(m.TotalBytes, 3);
    EXPECT_TRUE(r.failures.empty());
    EXPECT_EQ(r.listed, std::vector<std::string>{"b.txt"});

    // Gone between the two passes: passed over as well, and the run goes on.
    dir.write("c.txt", "cat");
    host.onStatus = [&](const std::string& s) {
        if (s == "Checking b.txt") fs::remove(dir.file("b.txt"));
    };
    host.events.clear();
    dir.write("b.txt", "cat");
    const BatchReport second = run({"b.txt", "c.txt"});
    EXPECT_TRUE(second.failures.empty());
    EXPECT_EQ(second.listed, std::vector<std::string>{"c.txt"});
    EXPECT_EQ(second.summary, "Search complete. 1 replacements made.");
}

TEST_F(BatchRun, EmptySearchTextFindsNothing) {
    dir.write("a.txt", "cat");
    host.opts.searchText.clear();
    const BatchReport r = run({"a.txt"});
    EXPECT_EQ(r.summary, "Search complete. 0 replacements made.");
    EXPECT_EQ(readFile(dir.file("a.txt")), "cat");
}

TEST_F(BatchRun, OptionsAreReadAfreshForEachFile) {
    dir.write("a.txt", "cat");
    dir.write("b.txt", "cat");
    dir.write("c.txt", "cat");
    host.onYield = [&](int n) {
        if (n == 1) host.opts.replaceText = "cow";
        if (n == 2) host.opts.searchText.clear();  // emptied between files: no endless loop
    };
    const BatchReport r = run({"a.txt", "b.txt", "c.txt"});
    EXPECT_EQ(readFile(dir.file("a.txt")), "dog");
    EXPECT_EQ(readFile(dir.file("b.txt")), "cow");
    EXPECT_EQ(readFile(dir.file("c.txt")), "cat");
    EXPECT_EQ(r.count, 2u);
}

TEST_F(BatchRun, EscStopsTheRunAfterTheNextFile) {
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"}) dir.write(name, "cat");
    m.CancelRequested = true;  // left over from before: cleared at the start
    // Esc pressed during the first file is seen at the yield after it.
    host.onYield = [&](int n) {
        if (n == 1) m.CancelRequested = true;
    };
    const BatchReport r = run({"a.txt", "b.txt", "c.txt", "d.txt"});
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.summary, "Search cancelled. 2 replacements made.");
    EXPECT_EQ(readFile(dir.file("b.txt")), "dog");
    EXPECT_EQ(readFile(dir.file("c.txt")), "cat");
    EXPECT_NE(std::find(host.events.begin(), host.events.end(), "idle"), host.events.end());
}

TEST_F(BatchRun, EscDuringTheLastFileStillSaysCancelled) {
    dir.write("a.txt", "cat");
    host.onStatus = [&](const std::string& s) {
        if (s.rfind("Found text", 0) == 0) m.CancelRequested = true;
    };
    const BatchReport r = run({"a.txt"});
    EXPECT_EQ(r.summary, "Search cancelled. 1 replacements made.");
    EXPECT_EQ(readFile(dir.file("a.txt")), "dog");
}

TEST_F(BatchRun, BackupsAreMadeOnlyWhenAFileChanges) {
    host.opts.makeBackups = true;
    dir.write("a.txt", "a dog");
    run({"a.txt"});
    EXPECT_FALSE(test::exists(dir.file("LMBACK")));

    dir.write("b.txt", "one cat");
    run({"a.txt", "b.txt"});
    EXPECT_EQ(readFile(dir.file("LMBACK/b.txt")), "one cat");
    EXPECT_FALSE(test::exists(dir.file("LMBACK/a.txt")));

    // A second change: the backup holds the state before the latest one.
    dir.write("b.txt", "two cats");
    run({"b.txt"});
    EXPECT_EQ(readFile(dir.file("LMBACK/b.txt")), "two cats");
    EXPECT_EQ(readFile(dir.file("b.txt")), "two dogs");
    EXPECT_TRUE(leftovers(dir.file("LMBACK")).empty());
}

TEST_F(BatchRun, NoBackupMeansNoChange) {
    host.opts.makeBackups = true;
    dir.write("LMBACK", "a plain file in the way");
    dir.write("a.txt", "cat");
    dir.write("b.txt", "dog");
    const BatchReport r = run({"a.txt", "b.txt"});

    EXPECT_EQ(readFile(dir.file("a.txt")), "cat");
    ASSERT_EQ(r.failures.size(), 1u);
    EXPECT_EQ(r.failures[0].name, "a.txt");
    EXPECT_NE(r.failures[0].reason.find("not a folder"), std::string::npos);
    EXPECT_TRUE(r.listed.empty());
    EXPECT_EQ(r.summary, "Search complete. 0 replacements made.");
    // One "Warning" before the results window, naming the file and the reason.
    const auto warning = std::find_if(host.events.begin(), host.events.end(), [](auto& e) {
        return e.rfind("message Warning 1 ", 0) == 0;
    });
    ASSERT_NE(warning, host.events.end());
    EXPECT_NE(warning->find("a.txt: cannot make a backup"), std::string::npos) << *warning;
    EXPECT_EQ((warning + 1)->rfind("show ", 0), 0u);
    EXPECT_TRUE(leftovers(dir.path()).empty());
}

TEST_F(BatchRun, ResultsAndFailuresKeepSelectionOrder) {
    // Rewrites finish on several threads; what is reported keeps the order of the list.
    host.opts.makeBackups = true;
    fs::create_directory(dir.file("blocked"));
    dir.write("blocked/LMBACK", "in the way");
    std::vector<std::string> names, expectListed, expectFailed;
    for (int i = 0; i < 300; ++i) {
        const std::string name = (i % 7 == 0 ? "blocked/" : "") + std::to_string(i) + ".txt";
        dir.write(name, i % 2 ? "a cat" : "a dog");
        names.push_back(name);
        if (i % 2 == 0) continue;
        (i % 7 == 0 ? expectFailed : expectListed).push_back(name);
    }
    names.push_back(names[1]);  // selected twice: changed once, then nothing left to find
    const BatchReport r = run(names);
    EXPECT_EQ(r.listed, expectListed);
    EXPECT_EQ(host.results, expectListed);
    std::vector<std::string> failed;
    for (const auto& f : r.failures) failed.push_back(f.name);
    EXPECT_EQ(failed, expectFailed);
    EXPECT_EQ(r.count, expectListed.size());
    EXPECT_EQ(readFile(dir.file("1.txt")), "a dog");
    EXPECT_EQ(readFile(dir.file("blocked/7.txt")), "a cat");
}

TEST_F(BatchRun, KeepsPermissionsAndLinks) {
    const std::string target = dir.write("real.txt", "a cat");
    ::chmod(target.c_str(), 0751);
    fs::create_symlink("real.txt", dir.file("link.txt"));
    run({"link.txt"});
    EXPECT_TRUE(fs::is_symlink(dir.file("link.txt")));
    EXPECT_EQ(readFile(target), "a dog");
    struct stat st {};
    ::stat(target.c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0751u);
}

TEST_F(BatchRun, UnwritableFolderAndUnreadableFileAreReportedAndLeftAsTheyWere) {
    const std::string folder = dir.file("locked");
    fs::create_directory(folder);
    ::chmod(dir.path().c_str(), 0755);
    const std::string locked = folder + "/a.txt";
    std::FILE* f = std::fopen(locked.c_str(), "w");
    std::fputs("cat", f);
    std::fclose(f);
    const std::string secret = dir.write("secret.txt", "cat");
    const std::string open = dir.write("open.txt", "cat");
    ::chmod(locked.c_str(), 0666);
    ::chmod(open.c_str(), 0666);
    ::chmod(secret.c_str(), 0600);
    ::chmod(folder.c_str(), 0555);
    ::chmod(dir.path().c_str(), 0777);

    m.WorkPath = dir.path() + "/";
    m.SelCount = 3;
    m.SelNames = {"locked/a.txt", "secret.txt", "open.txt"};
    m.SelPaths = {locked, secret, open};
    const auto run = test::runUnprivileged([&] {
        const BatchReport r = SearchAndReplace(m, host);
        std::string out;
        for (const auto& f : r.failures) out += f.name + ": " + f.reason + "\n";
        for (const auto& name : r.listed) out += "listed " + name + "\n";
        return out;
    });
    if (!run) GTEST_SKIP() << "cannot switch to an unprivileged user";
    const std::string& out = *run;

    EXPECT_NE(
        out.find("locked/a.txt: cannot create temporary file in " + folder + ": Permission denied"),
        std::string::npos)
        << out;
    EXPECT_NE(out.find("secret.txt: cannot open: Permission denied"), std::string::npos) << out;
    EXPECT_NE(out.find("listed open.txt"), std::string::npos) << out;
    EXPECT_EQ(readFile(locked), "cat");
    EXPECT_EQ(readFile(secret), "cat");
    EXPECT_EQ(readFile(open), "dog");
    EXPECT_TRUE(leftovers(folder).empty());
    ::chmod(folder.c_str(), 0755);
}

TEST(FailureMessage, ListsAtMostTwentyFiles) {
    std::vector<FileFailure> failures;
    for (int i = 0; i < 25; ++i) failures.push_back({"f" + std::to_string(i), "", "Busy"});
    const std::string text = failureMessage(failures);
    EXPECT_NE(text.find("\nf19: Busy"), std::string::npos);
    EXPECT_EQ(text.find("f20:"), std::string::npos);
    EXPECT_NE(text.find("... and 5 more."), std::string::npos);
}

}  // namespace
}  // namespace lexmill
