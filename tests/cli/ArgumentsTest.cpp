#include <gtest/gtest.h>

#include "Arguments.h"
#include "TempDir.h"

namespace lexmill::cli {
namespace {

Arguments parse(std::vector<std::string> args) {
    return parseArguments(args);
}

TEST(Arguments, DefaultsFollowTheProgram) {
    const Arguments a = parse({"--search", "x", "f.txt"});
    EXPECT_EQ(a.mode, Arguments::Mode::Batch);
    EXPECT_TRUE(a.batch.makeBackups);
    EXPECT_FALSE(a.batch.matchCase);
    EXPECT_FALSE(a.batch.searchOnly);
    EXPECT_EQ(a.batch.replaceText, "");
    EXPECT_EQ(a.files, std::vector<std::string>{"f.txt"});
}

TEST(Arguments, TextsComeFromFilesByteForByte) {
    test::TempDir dir;
    const std::string search = dir.write("s", "two\r\nlines\n");
    const std::string list = dir.write("list", "a.txt\r\n\nb c.txt\n");
    const Arguments a = parse({"--search-file", search, "--replace", "-x", "--files-from", list,
                               "--charset", "windows-1252", "--", "--odd-name"});
    EXPECT_EQ(a.batch.searchText, "two\r\nlines\n");
    EXPECT_EQ(a.batch.replaceText, "-x");
    EXPECT_EQ(a.batch.charset, Charset::Windows1252);
    EXPECT_EQ(a.files, (std::vector<std::string>{"a.txt", "b c.txt", "--odd-name"}));
}

TEST(Arguments, UsageErrorsSayWhat) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"f.txt"}, "no search text"},
        {{"--search", "", "f.txt"}, "the search text is empty"},
        {{"--search", "x"}, "no files given"},
        {{"--search", "x", "--search", "y", "f"}, "given twice"},
        {{"--search", "x", "--backups", "--no-backups", "f"}, "conflict"},
        {{"--search", "x", "--charset", "latin9", "f"}, "unknown character set"},
        {{"--search", "x", "--search-only", "--replace", "y", "f"}, "takes no replacement"},
        {{"--search", "x", "-z", "f"}, "unknown option -z"},
        {{"--search"}, "--search needs a value"},
        {{"--tally", "f", "--search", "x"}, "cannot be combined"},
        {{"--tally", "f", "g"}, "exactly one file"},
        {{"--search", "x", "--keyword", "k", "f"}, "--keyword goes with --tally"},
        {{"--search-file", "/nonexistent/s", "f"}, "cannot read /nonexistent/s"},
    };
    for (const auto& [args, words] : cases) {
        try {
            parse(args);
            ADD_FAILURE() << "accepted: " << words;
        } catch (const UsageError& e) {
            EXPECT_NE(std::string(e.what()).find(words), std::string::npos) << e.what();
        }
    }
}

}  // namespace
}  // namespace lexmill::cli
