#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "QuietHost.h"
#include "TempDir.h"
#include "batch/SearchAndReplace.h"
#include "undo/Preview.h"

namespace lexmill {
namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;  // name -> bytes

struct Case {
    const char* name;
    Files files;
    BatchOptions options;
    std::string diff = {};  // the whole diff, where it is checked word for word
};

// Collects a preview, and stands quietly for the window during a run.
struct Recorder : PreviewSink, test::QuietHost {
    std::string diffs, failures;
    void fileChanged(const PreviewFile& f) override { diffs += f.diff; }
    void fileFailed(const FileFailure& f) override { failures += f.name + ": " + f.reason; }
};

class PreviewOfRun : public ::testing::TestWithParam<Case> {};
// A case prints as its row's name.
void PrintTo(const Case& row, std::ostream* os) {
    *os << row.name;
}

// The preview writes nothing; patch with its diff gives the bytes a run writes.
TEST_P(PreviewOfRun, PatchGivesTheBytesTheRunWrites) {
    const Case& c = GetParam();
    test::TempDir dir;
    fs::create_directories(dir.file("w/sub"));
    const auto past = fs::file_time_type::clock::now() - std::chrono::hours(1);
    std::vector<std::string> names, paths, runPaths;
    for (const auto& [name, bytes] : c.files) {
        names.push_back(name), paths.push_back(dir.write("w/" + name, bytes));
        runPaths.push_back(dir.file("run/" + name)), fs::last_write_time(paths.back(), past);
    }
    fs::copy(dir.file("w"), dir.file("run"), fs::copy_options::recursive);
    const std::string mem = "/proc/self/mem";  // an ordinary file whose reading fails
    names.push_back(mem), paths.push_back(mem), runPaths.push_back(mem);

    Recorder rec;
    rec.opts = c.options;
    const PreviewReport preview = Preview(paths, names, c.options, rec, std::atomic<bool>(false));
    for (const auto& [name, bytes] : c.files)
        EXPECT_EQ(fs::last_write_time(dir.file("w/" + name)), past) << name;
    EXPECT_FALSE(test::exists(dir.file("w/LMBACK")));
    EXPECT_TRUE(c.diff.empty() || rec.diffs == c.diff) << rec.diffs;

    Module1 m;
    m.SelCount = static_cast<std::int64_t>(paths.size()), m.SelPaths = runPaths, m.SelNames = names;
    const BatchReport run = SearchAndReplace(m, rec);
    EXPECT_EQ(preview.summary, "Preview: " + std::to_string(run.count) + " replacements in " +
                                   std::to_string(run.listed.size()) + " files.");
    ASSERT_EQ(run.failures.size(), 1u);
    EXPECT_EQ(rec.failures, run.failures[0].name + ": " + run.failures[0].reason);

    const std::string diff = dir.write("d.diff", rec.diffs);
    ASSERT_EQ(std::system(("patch -s -F0 -p1 -d " + dir.file("w") + " -i " + diff).c_str()), 0);
    for (const auto& [name, bytes] : c.files)
        EXPECT_EQ(test::readFile(dir.file("w/" + name)), test::readFile(dir.file("run/" + name)));
}

const std::string kFar = [] {
    std::string t = "cat\n";
    for (int i = 2; i < 40; ++i)
        t += (i == 20 ? "a cat b" : i == 22 ? "CAT" : std::to_string(i)) + "\n";
    return t + "Cat\n";
}();

// clang-format off
INSTANTIATE_TEST_SUITE_P(Files, PreviewOfRun, ::testing::Values(
    Case{"CrLfLinesAndNoFinalBreak", {{"crlf.txt", "one\r\nCat two\r\nthree\r\n"},
        {"sub/end.txt", "a\r\nb\ncat"}, {"all.txt", "cat"}}, {"cat", "dog\r\n", false, false}},
    Case{"CaseInsensitiveUtf8", {{"u.txt", "Ärger ärger\nÄRGER\n"}}, {"ärger", "Ü", false, false}},
    Case{"MatchCaseLeavesOtherCases", {{"m.txt", "cat Cat\nCAT\n"}}, {"Cat", "", false, true}},
    Case{"LineBreaksInSearchText", {{"j.txt", "a\ncat\ncat\nb"}}, {"\ncat\n", "", false, false}},
    Case{"RegexMatchesOfEveryLength", {{"r.txt", "bobcat\r\ncat\nno\n"}, {"empty.txt", ""}},
        {"^(\\w*?)(cat)?$", "<$2$1>", false, false, false, Charset::Utf8, true}},
    Case{"FarAndAdjacentHunksFirstAndLastLine", {{"far.txt", kFar}, {"none.txt", "dog\n"}},
        {"cat", "dog", false, false},
        "--- a/far.txt\n+++ b/far.txt\n@@ -1,4 +1,4 @@\n-cat\n+dog\n 2\n 3\n 4\n"
        "@@ -17,9 +17,9 @@\n 17\n 18\n 19\n-a cat b\n+a dog b\n 21\n-CAT\n+dog\n 23\n 24\n 25\n"
        "@@ -37,4 +37,4 @@\n 37\n 38\n 39\n-Cat\n+dog\n"}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace lexmill
