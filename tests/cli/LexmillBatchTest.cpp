// lexmill-batch as a script sees it: arguments, output, exit status, files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "Arguments.h"
#include "TempDir.h"
#include "WalkOperands.h"

namespace lexmill::cli {
namespace {

using Strings = std::vector<std::string>;

// One run in a folder holding a.txt, t.txt and blocked/a.txt beside a plain
// file blocked/LMBACK; "{dir}" stands for the folder.
struct BatchRun {
    const char* name;
    Strings args;
    int status;
    std::string out, err;
    std::vector<std::pair<std::string, std::string>> files = {};  // bytes afterwards; "-": none
};

std::string expand(std::string text, const std::string& dir) {
    for (auto at = text.find("{dir}"); at != std::string::npos; at = text.find("{dir}"))
        text.replace(at, 5, dir);
    return text;
}

class LexmillBatch : public ::testing::TestWithParam<BatchRun> {};
// A case prints as its row's name.
void PrintTo(const BatchRun& row, std::ostream* os) {
    *os << row.name;
}

TEST_P(LexmillBatch, PrintsAndExitsAsAScriptExpects) {
    const BatchRun& r = GetParam();
    test::TempDir dir;
    std::filesystem::create_directory(dir.file("blocked"));
    dir.write("a.txt", "Mill mill");
    dir.write("t.txt", "the THE then\r\n");
    dir.write("blocked/a.txt", "mill");
    dir.write("blocked/LMBACK", "in the way");
    dir.write("blocked/bin.dat", std::string("mill\0", 5));
    std::string command = LEXMILL_BATCH;  // every argument quoted: none holds a quote
    for (const std::string& arg : r.args) command += " '" + expand(arg, dir.path()) + "'";
    const int status =
        std::system((command + " >" + dir.file(".out") + " 2>" + dir.file(".err")).c_str());
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, r.status);
    EXPECT_EQ(test::readFile(dir.file(".out")), expand(r.out, dir.path()));
    EXPECT_EQ(test::readFile(dir.file(".err")), expand(r.err, dir.path()));
    for (const auto& [name, bytes] : r.files)
        EXPECT_EQ(test::exists(dir.file(name)) ? test::readFile(dir.file(name)) : "-", bytes);
}

const std::string kFailed = "lexmill-batch: {dir}/";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Runs, LexmillBatch, ::testing::Values(
    BatchRun{"ListThenSummaryWithBackups", {"--search", "MILL", "--replace", "yard", "{dir}/a.txt",
        "{dir}/t.txt"}, 0, "{dir}/a.txt\n", "Search complete. 2 replacements made.\n",
        {{"a.txt", "yard yard"}, {"LMBACK/a.txt", "Mill mill"}, {"t.txt", "the THE then\r\n"}}},
    // Standard output holds the names alone, none when none: a pipe gets no "None".
    BatchRun{"NothingFoundListsNoName", {"--search-only", "--match-case", "--search", "MILL",
        "{dir}/a.txt"}, 0, "", "Search complete. Found 0 files that contained the text you "
        "entered.\n", {{"a.txt", "Mill mill"}}},
    // No --replace: occurrences are deleted.
    BatchRun{"FailuresGoToStandardErrorWithExitOne", {"--search", "mill", "{dir}/blocked/a.txt",
        "{dir}/missing.txt", "{dir}/a.txt"}, 1, "{dir}/a.txt\n", kFailed + "missing.txt: not "
        "found or not an ordinary file, skipped\nSearch complete. 2 replacements made.\n" +
        kFailed + "blocked/a.txt: cannot make a backup: {dir}/blocked/LMBACK is not a folder\n",
        {{"blocked/a.txt", "mill"}, {"a.txt", " "}}},
    // Walked, the binary file is passed over, and so are .out and .err.
    BatchRun{"RecursiveTakesFoldersAndFiles", {"-r", "--search-only", "--search", "mill",
        "--exclude", "t.*", "{dir}", "{dir}/blocked/bin.dat"}, 0, "{dir}/a.txt\n{dir}/blocked/a.txt\n"
        "{dir}/blocked/bin.dat\n", "Search complete. Found 3 files that contained the text you "
        "entered.\n"},
    // Another name of a file taken already (a link, the same path) is passed over, and said once.
    BatchRun{"LaterNamesOfAFileAreCountedOnce", {"--search-only", "--search", "mill", "{dir}/a.txt",
        "{dir}/./a.txt", "{dir}/blocked/../a.txt"}, 0, "{dir}/a.txt\n", "Search complete. Found 1 "
        "files that contained the text you entered.\nlexmill-batch: 2 links to files already taken "
        "were passed over\n"},
    // A binary file the walk finds is passed over by the run's first read of it.
    BatchRun{"RecursiveReplacePassesOverBinaryFiles", {"-r", "--search", "mill", "--replace", "x",
        "--no-backups", "{dir}/blocked"}, 0, "{dir}/blocked/a.txt\n",
        "Search complete. 1 replacements made.\n",
        {{"blocked/a.txt", "x"}, {"blocked/bin.dat", std::string("mill\0", 5)}}},
    BatchRun{"RecursivePreviewPassesOverBinaryFiles", {"-r", "--preview", "--search", "mill",
        "{dir}/blocked"}, 0, "--- a/{dir}/blocked/a.txt\n+++ b/{dir}/blocked/a.txt\n@@ -1 +0,0 @@\n"
        "-mill\n\\ No newline at end of file\n",
        "Preview: 1 replacements in 1 files.\n"},
    BatchRun{"RecursiveFindingNoFile", {"-r", "--search", "mill", "--include", "*.md", "{dir}"}, 1,
        "", "lexmill-batch: no files found in the folders given\n"},
    BatchRun{"Tally", {"--tally", "{dir}/t.txt", "--keyword", "The"}, 0,
        "Lines: 2\nWords: 3\nCharacters: 12\nKeyword occurrences: 3\n", ""},
    BatchRun{"TallyOfAMissingFile", {"--tally", "{dir}/nope"}, 1, "",
        kFailed + "nope: cannot open: No such file or directory\n", {{"nope", "-"}}},
    BatchRun{"UsageErrorExitsTwo", {"--frobnicate"}, 2, "",
        "lexmill-batch: unknown option --frobnicate\nTry 'lexmill-batch --help'.\n"},
    BatchRun{"RegexRun", {"-E", "--search", "^(m)ill", "--replace", "${1}ud", "--no-backups",
        "{dir}/a.txt"}, 0, "{dir}/a.txt\n", "Search complete. 1 replacements made.\n",
        {{"a.txt", "Mud mill"}, {"LMBACK", "-"}}},
    BatchRun{"RegexPreview", {"--regex", "--preview", "--search", "m(i)ll$", "--replace", "$1",
        "{dir}/a.txt"}, 0, "--- a/{dir}/a.txt\n+++ b/{dir}/a.txt\n@@ -1 +1 @@\n-Mill mill\n"
        "\\ No newline at end of file\n+Mill i\n\\ No newline at end of file\n",
        "Preview: 1 replacements in 1 files.\n", {{"a.txt", "Mill mill"}}},
    BatchRun{"InvalidPatternIsRefusedBeforeAnyFileIsRead", {"-E", "--search", "a(", "--search-only",
        "{dir}/a.txt"}, 2, "", "lexmill-batch: invalid regular expression: missing closing "
        "parenthesis at offset 2\nTry 'lexmill-batch --help'.\n"},
    BatchRun{"Help", {"--help"}, 0, kHelpText, ""}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(Arguments, RunFolderIsTheFolderTheOperandsShare) {
    test::TempDir dir;
    std::filesystem::create_directories(dir.file("site/en"));
    const std::string d = dir.path();
    EXPECT_EQ(RunFolder({d + "/site/en/a.html", d + "/site/b.html"}, false), d + "/site/");
    EXPECT_EQ(RunFolder({d + "/site/en/a.html"}, false), d + "/site/en/");
    EXPECT_EQ(RunFolder({d + "/site/en"}, true), d + "/site/en/");  // walked: the folder itself
    EXPECT_EQ(RunFolder({d + "/site/en", d + "/site/./b.html"}, true), d + "/site/");
}

TEST(Arguments, TextsComeFromFilesByteForByte) {
    test::TempDir dir;
    const std::string search = dir.write("s", "two\r\nlines\n");
    const std::string list = dir.write("list", "a.txt\r\n\nb c.txt\n");
    const Arguments a = parseArguments({"--search-file", search, "--replace", "-x", "--files-from",
                                        list, "--charset", "windows-1252", "--", "--odd-name"});
    EXPECT_EQ(a.batch.searchText, "two\r\nlines\n");
    EXPECT_EQ(a.batch.replaceText, "-x");
    EXPECT_EQ(a.batch.charset, Charset::Windows1252);
    EXPECT_EQ(a.files, (Strings{"a.txt", "b c.txt", "--odd-name"}));
}

TEST(Arguments, UsageErrorsSayWhat) {
    // clang-format off
    const std::pair<Strings, std::string> cases[] = {
        {{"f.txt"}, "no search text: give --search TEXT or --search-file F"},
        {{"--search", "", "f.txt"}, "the search text is empty"},
        {{"--search", "x"}, "no files given"},
        {{"--search", "x", "--search", "y", "f"}, "--search: the text is given twice"},
        {{"--search", "x", "--backups", "--no-backups", "f"}, "--backups and --no-backups conflict"},
        {{"--search", "x", "--charset", "latin9", "f"}, "--charset: unknown character set 'latin9' (use utf-8 or windows-1252)"},
        {{"--search", "x", "--search-only", "--replace", "y", "f"}, "--search-only takes no replacement"},
        {{"--search"}, "--search needs a value"},
        {{"--tally", "f", "--search", "x"}, "--tally cannot be combined with search and replace options"},
        {{"--tally", "f", "g"}, "--tally takes exactly one file"},
        {{"--search", "x", "--keyword", "k", "f"}, "--keyword goes with --tally"},
        {{"--search-file", "/nonexistent/s", "f"}, "--search-file: cannot read /nonexistent/s"},
        {{"--undo", "d", "e"}, "--undo takes at most one folder"},
        {{"--list-runs", "d"}, "--list-runs takes no files"},
        {{"--undo", "--match-case"}, "--undo cannot be combined with other options"}};
    // clang-format on
    for (const auto& [args, message] : cases)
        EXPECT_THAT([&] { parseArguments(args); }, ::testing::ThrowsMessage<UsageError>(message));
}

}  // namespace
}  // namespace lexmill::cli
