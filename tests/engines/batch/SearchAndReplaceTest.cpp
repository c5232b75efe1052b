#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <map>

#include "TempDir.h"
#include "Unprivileged.h"
#include "batch/SearchAndReplace.h"

namespace lexmill {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using Names = std::vector<std::string>;
using Files = std::map<std::string, std::string>;  // name -> bytes; "-" for no such file
using namespace std::string_literals;

// Writes down every call but addResult, one line each, in order.
class RecordingHost : public BatchHost {
  public:
    BatchOptions opts{"cat", "dog", false, false, false};
    Names events, results;
    std::function<void(const std::string&)> onEvent;

    BatchOptions options() override { return opts; }
    void setStatus(std::string_view text) override { note("status ", text); }
    void setIdleStatus() override { note("idle"); }
    void setHint(std::string_view text) override { note("hint ", text); }
    void setWaitCursor(bool on) override { note(on ? "wait" : "arrow"); }
    void setStartEnabled(bool on) override { note(on ? "start on" : "start off"); }
    void setProgress(std::int64_t v) override { note("progress ", std::to_string(v)); }
    void yield() override { note("yield"); }
    void message(std::string_view text, std::string_view title, MessageIcon icon) override {
        note("message ", title, " ", std::to_string(static_cast<int>(icon)), " ", text);
    }
    // Listed once on disk, maybe a file or two later: kept apart.
    void addResult(std::string_view name) override { results.emplace_back(name); }
    void showResults(std::string_view heading, std::string_view summary) override {
        note("show ", heading, " | ", summary);
    }

  private:
    template <class... Parts>
    void note(const Parts&... parts) {
        std::string event;
        ((event += parts), ...);
        events.push_back(event);
        if (onEvent) onEvent(event);
    }
};

struct RunCase {
    const char* name;
    Files before = {};  // each made with mode 0751; "LMBACK" alone is a plain file in the way
    Names selection = {};
    BatchOptions opts = {};
    Names results = {};        // as the results list shows them
    std::string summary = {};  // "heading | summary line"; empty when no results window shows
    // What changed on disk ("-": gone); every other file keeps its bytes and
    // time, every file its mode, and no other file appears.
    Files after = {};
    std::string warning = {};  // the "Warning" message, {dir} for the folder; empty for none
    // Acts at a host call ("start" before the run), given the yields so far.
    void (*act)(const std::string& event, int yields, BatchOptions&, Module1&) = nullptr;
    Names events = {};  // every host call, when given
};

class BatchRuns : public ::testing::TestWithParam<RunCase> {};
// A case prints as its row's name.
void PrintTo(const RunCase& row, std::ostream* os) {
    *os << row.name;
}

TEST_P(BatchRuns, ChangeOnlyWhatTheyShould) {
    const RunCase& c = GetParam();
    test::TempDir dir;
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(48);
    for (const auto& [name, bytes] : c.before) {
        fs::create_directories(fs::path(dir.file(name)).parent_path());
        fs::last_write_time(dir.write(name, bytes), old);
        ASSERT_EQ(::chmod(dir.file(name).c_str(), 0751), 0);
    }
    Module1 m;
    RecordingHost host;
    host.opts = c.opts;
    int yields = 0;
    host.onEvent = [&](const std::string& e) {
        yields += e == "yield";
        if (c.act) c.act(e, yields, host.opts, m);
        if (e.rfind("show ", 0) == 0) {
            EXPECT_FALSE(m.Busy);
            EXPECT_EQ(m.ProgressMax, m.TotalBytes);
        }
    };
    SetSelection(m, dir.path(), c.selection);
    host.onEvent("start");
    host.events.clear();
    m.CancelRequested = true;  // left over from before: cleared at the start
    SearchAndReplace(m, host);
    EXPECT_FALSE(m.Busy);
    if (!c.events.empty()) {
        EXPECT_EQ(host.events, c.events);
    }
    EXPECT_EQ(host.results, c.results);
    const auto end = host.events.end();
    const auto show = std::find_if(host.events.begin(), end,
                                   [](const std::string& e) { return e.rfind("show ", 0) == 0; });
    EXPECT_EQ(show == end ? "" : show->substr(5), c.summary);
    std::string warning = c.warning;
    for (auto at = warning.find("{dir}"); at != std::string::npos; at = warning.find("{dir}"))
        warning.replace(at, 5, dir.path());
    // One "Warning", just before the results window.
    const bool warned = show != end && (show - 1)->rfind("message Warning 1 ", 0) == 0;
    EXPECT_EQ(warned ? (show - 1)->substr(18) : "", warning);

    Files expected = c.before;
    for (const auto& [name, bytes] : c.after) expected[name] = bytes;
    Names wanted, found;  // no temporary file left, no backup unasked for
    for (const auto& [name, bytes] : expected) {
        if (bytes == "-") continue;
        SCOPED_TRACE(name);
        wanted.push_back(name);
        EXPECT_TRUE(readFile(dir.file(name)) == bytes);
        struct stat st {};
        ::stat(dir.file(name).c_str(), &st);
        EXPECT_EQ(st.st_mode & 07777, 0751u);
        if (c.before.count(name) && c.before.at(name) == bytes) {
            EXPECT_EQ(fs::last_write_time(dir.file(name)), old);
        }
    }
    for (const auto& e : fs::recursive_directory_iterator(dir.path()))
        if (!e.is_directory()) found.push_back(e.path().string().substr(dir.path().size() + 1));
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, wanted);
}

// A text over three 1 MiB read blocks with "CAT" across their borders (the
// first across the first: the search for it stops there, the copy before it
// is long), amid UTF-8 cut anywhere; and the same text with each as "ca".
std::pair<std::string, std::string> acrossBlocks() {
    std::string text, expected;
    for (std::size_t at : {(1u << 20) - 1, (2u << 20) - 3, 3u << 20}) {
        for (; text.size() < at; expected += text.back()) text += "é-Ab "[text.size() % 6];
        text += "CAT";
        expected += "ca";
    }
    return {text, expected};
}

const BatchOptions kReplace{"cat", "dog", false, false, false};
const BatchOptions kBackups{"cat", "dog", false, false, true};
const BatchOptions kSearchOnly{"cat", "", true, false, true};
const std::string kChanged = "Files that were changed: | Search complete. ";
const std::string kCancelled = "Files that were changed: | Search cancelled. ";
const std::string kFound = "Files: | Search complete. Found ";
const std::string kEsc = "hint Press \"Esc\" to cancel.";
const std::string kWarning = "Lexmill could not handle these files; they were left as they were:\n";

// Rewrites finish on several threads; what is reported keeps the order of the
// list. Of 300 files, the changed ones in "blocked" cannot be backed up: the
// "Warning" lists the first twenty of them, then how many more.
RunCase manyFiles() {
    RunCase c{"ResultsAndFailuresKeepSelectionOrder", {{"blocked/LMBACK", "in the way"}}};
    c.opts = kBackups;
    c.warning = kWarning;
    for (int i = 0; i < 300; ++i) {
        const std::string name = (i % 7 == 0 ? "blocked/" : "") + std::to_string(i) + ".txt";
        c.before[name] = i % 2 ? "a cat" : "a dog";
        c.selection.push_back(name);
        if (i % 2 && i % 7) {
            c.results.push_back(name);
            c.after[name] = "a dog";
            c.after["LMBACK/" + name] = "a cat";
        } else if (i % 2 && i < 280) {  // the first twenty of 21
            c.warning +=
                "\n" + name + ": cannot make a backup: {dir}/blocked/LMBACK is not a folder";
        }
    }
    c.selection.push_back("1.txt");  // selected twice: changed once, then nothing left to find
    c.summary = kChanged + std::to_string(c.results.size()) + " replacements made.";
    c.warning += "\n... and 1 more.";
    return c;
}
// Files are searched ahead on several threads; the list keeps the selection's
// order, passes over names of no file and a second name of the same file.
RunCase manyFilesSearched() {
    RunCase c{"SearchOnlyKeepsSelectionOrder", {{"sub/x.txt", "a cat"}}, {}, kSearchOnly};
    for (int i = 0; i < 200; ++i) {
        const std::string name = std::to_string(i) + ".txt";
        c.before[name] = i % 3 ? "a dog" : i % 2 ? "a CAT" : "a cat";
        c.selection.push_back(i % 50 == 7 ? "missing" + name : name);
        if (i % 3 == 0 && i % 50 != 7) c.results.push_back(name);
    }
    c.selection.insert(c.selection.begin() + 100, {"sub", "0.txt"});
    c.summary =
        kFound + std::to_string(c.results.size()) + " files that contained the text you entered.";
    return c;
}
// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, BatchRuns, ::testing::Values(
    // A rewritten file differs only in the occurrences: NULs, CR LF, no final line break.
    // The status names each file as listed, with its folder.
    RunCase{"ReportsEachStepInOrder", {{"a.txt", "nothing to see\r\n"},
        {"sub/b.txt", "Cat\0cAT\r\nline\r\nCATCAT"s}}, {"a.txt", "sub/b.txt"}, kReplace,
        {"sub/b.txt"}, kChanged + "4 replacements made.",
        {{"sub/b.txt", "dog\0dog\r\nline\r\ndogdog"s}}, "", nullptr,
        {kEsc, "wait", "start off", "status Checking a.txt", "progress 16", "yield",
         "status Checking sub/b.txt", "status Found text in sub/b.txt. Replacing.", "progress 37",
         "yield",
         "start on", "arrow", "show " + kChanged + "4 replacements made.", "progress 0", "idle",
         "hint "}},
    RunCase{"NoSelectionOnlyShowsTheMessage", {{"a.txt", "cat"}}, {}, kReplace, {}, "", {}, "",
        nullptr, {kEsc, "wait", "start off", "message No Files Selected 0 Please select one or "
        "more files for this operation.", "arrow", "start on", "hint "}},
    RunCase{"MatchesAcrossReadBlocksAsIfReadWhole", {{"big.txt", acrossBlocks().first}},
        {"big.txt"}, {"cat", "ca", false, false, false}, {"big.txt"},
        kChanged + "3 replacements made.", {{"big.txt", acrossBlocks().second}}},
    RunCase{"LinkStaysALinkToTheRewrittenFile", {{"real.txt", "a cat"}}, {"link.txt"}, kReplace,
        {"link.txt"}, kChanged + "1 replacements made.", {{"real.txt", "a dog"},
        {"link.txt", "a dog"}}, "", [](const std::string& e, int, BatchOptions&, Module1& m) {
            if (e == "start") fs::create_symlink("real.txt", m.WorkPath + "link.txt");
            if (e.rfind("show ", 0) == 0) { EXPECT_TRUE(fs::is_symlink(m.WorkPath + "link.txt")); }
        }},
    RunCase{"SearchOnlyWritesNothing", {{"a.txt", "a cat"}, {"b.txt", "a dog"},
        {"c.txt", "CAT and cat"}}, {"a.txt", "b.txt", "c.txt"}, kSearchOnly, {"a.txt", "c.txt"},
        kFound + "2 files that contained the text you entered."},
    RunCase{"MissingFileIsPassedOverAndNothingFoundListsNone", {{"a.txt", "a dog"}},
        {"missing.txt", "a.txt"}, kSearchOnly, {"None"},
        kFound + "0 files that contained the text you entered."},
    RunCase{"FileGoneBetweenThePassesIsPassedOver", {{"b.txt", "cat"}, {"c.txt", "cat"}},
        {"b.txt", "c.txt"}, kReplace, {"c.txt"}, kChanged + "1 replacements made.",
        {{"b.txt", "-"}, {"c.txt", "dog"}}, "", [](const std::string& e, int, BatchOptions&,
        Module1& m) { if (e == "status Checking b.txt") fs::remove(m.SelPaths[0]); }},
    // A file that would get its own bytes back is left alone: its time, its
    // earlier backup, no new one, no record; it is not changed, so not listed.
    RunCase{"OwnBytesAgainAreNotWritten", {{"a.txt", "a <td> <td>"}, {"LMBACK/a.txt", "original"},
        {"b.txt", "<TD>"}}, {"a.txt", "b.txt"}, {"<TD", "<td", false, false, true}, {"b.txt"},
        kChanged + "1 replacements made.", {{"b.txt", "<td>"}, {"LMBACK/b.txt", "<TD>"}}},
    RunCase{"OwnBytesAgainByARegex", {{"a.txt", "<TD> <td>"}}, {"a.txt"},
        {"(<td)", "$1", false, false, true, Charset::Utf8, true}, {},
        kChanged + "0 replacements made."},
    RunCase{"EmptySearchTextFindsNothing", {{"a.txt", "cat"}}, {"a.txt"}, {"", "dog", false,
        false, false}, {}, kChanged + "0 replacements made."},
    // Esc during the first file is seen after it; the next file takes the options then given.
    RunCase{"EscStopsTheRunAfterTheNextFile", {{"a.txt", "cat"}, {"b.txt", "cat"},
        {"c.txt", "cat"}}, {"a.txt", "b.txt", "c.txt"}, kReplace, {"a.txt", "b.txt"},
        kCancelled + "2 replacements made.", {{"a.txt", "dog"}, {"b.txt", "cow"}}, "",
        [](const std::string& e, int yields, BatchOptions& o, Module1& m) {
            if (e == "yield" && yields == 1) m.CancelRequested = true, o.replaceText = "cow";
        }},
    RunCase{"EscDuringTheLastFileStillSaysCancelled", {{"a.txt", "cat"}}, {"a.txt"}, kReplace,
        {"a.txt"}, kCancelled + "1 replacements made.", {{"a.txt", "dog"}}, "",
        [](const std::string& e, int, BatchOptions&, Module1& m) {
            if (e.rfind("status Found text", 0) == 0) m.CancelRequested = true;
        }},
    // The backup holds the file as it was before this run, over an older one.
    RunCase{"BackupsOnlyOfChangedFiles", {{"a.txt", "a dog"}, {"b.txt", "two cats"},
        {"LMBACK/b.txt", "older"}}, {"a.txt", "b.txt"}, kBackups, {"b.txt"},
        kChanged + "1 replacements made.", {{"b.txt", "two dogs"}, {"LMBACK/b.txt", "two cats"}}},
    // A file with a second name is copied, not linked, into LMBACK: a change
    // made through that name later must not change the backup.
    RunCase{"BackupOfAFileWithTwoNamesIsACopy", {{"a.txt", "a cat"}}, {"a.txt"}, kBackups,
        {"a.txt"}, kChanged + "1 replacements made.", {{"a.txt", "a dog"},
        {"LMBACK/a.txt", "a cat"}, {"other.txt", "a cat"}}, "", [](const std::string& e, int,
        BatchOptions&, Module1& m) {
            if (e == "start") fs::create_hard_link(m.WorkPath + "a.txt", m.WorkPath + "other.txt");
            if (e.rfind("show ", 0) == 0) {
                EXPECT_FALSE(fs::equivalent(m.WorkPath + "LMBACK/a.txt", m.WorkPath + "other.txt"));
            }
        }},
    RunCase{"NoBackupMeansNoChange", {{"LMBACK", "a plain file in the way"}, {"a.txt", "cat"},
        {"b.txt", "dog"}}, {"a.txt", "b.txt"}, kBackups, {}, kChanged + "0 replacements made.", {},
        kWarning + "\na.txt: cannot make a backup: {dir}/LMBACK is not a folder"},
    // The pattern is compiled again when the window changes it between files.
    RunCase{"RegexRunAndAPatternMadeInvalidMidRun", {{"a.txt", "cat CAT\r\n"}, {"b.txt", "cat"}},
        {"a.txt", "b.txt"}, {"^(c)at|(a)t$", "$1$2ow", false, false, false, Charset::Utf8, true},
        {"a.txt"}, kChanged + "2 replacements made.", {{"a.txt", "cow CAow\r\n"}},
        kWarning + "\nb.txt: invalid regular expression: missing closing parenthesis at offset 1",
        [](const std::string& e, int yields, BatchOptions& o, Module1&) {
            if (e == "yield" && yields == 1) o.searchText = "(";
        }},
    manyFiles(), manyFilesSearched()),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// As an unprivileged user: root writes anywhere.
TEST(BatchDisk, UnwritableFolderAndUnreadableFileAreReportedAndLeftAsTheyWere) {
    test::TempDir dir;
    const std::string folder = dir.file("locked");
    fs::create_directory(folder);
    for (const auto& [name, mode] :
         {std::pair{"locked/a.txt", 0666}, {"secret.txt", 0600}, {"open.txt", 0666}})
        ASSERT_EQ(::chmod(dir.write(name, "cat").c_str(), mode), 0);
    ASSERT_EQ(::chown(dir.file("open.txt").c_str(), 65534, 65534), 0);  // theirs to rewrite
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
    const auto out = test::runUnprivileged([&] {
        Module1 m;
        RecordingHost host;
        SetSelection(m, dir.path(), {"locked/a.txt", "secret.txt", "open.txt"});
        const BatchReport r = SearchAndReplace(m, host);
        return failureMessage(r.failures) + "\nlisted " + r.listed.at(0);
    });
    if (!out) GTEST_SKIP() << "cannot switch to an unprivileged user";
    EXPECT_EQ(*out, kWarning + "\nlocked/a.txt: cannot create temporary file in " + folder +
                        ": Permission denied\nsecret.txt: cannot open: Permission denied\n"
                        "listed open.txt");
    EXPECT_EQ(readFile(dir.file("locked/a.txt")) + readFile(dir.file("secret.txt")), "catcat");
    EXPECT_EQ(readFile(dir.file("open.txt")), "dog");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 1);  // no temporary file left
}

}  // namespace
}  // namespace lexmill
