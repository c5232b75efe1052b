#include <gtest/gtest.h>

#include "FileError.h"
#include "Tally.h"
#include "TempDir.h"

namespace lexmill {
namespace {

using namespace std::string_literals;

TallyCounts inBlocks(std::string_view text, std::string_view keyword, std::size_t block) {
    TallyCounter counter(keyword);
    for (std::size_t at = 0; at < text.size(); at += block)
        counter.feed(text.substr(at, std::min(block, text.size() - at)));
    return counter.finish();
}

// The counts of a text must not depend on where it is cut into blocks.
TallyCounts tallyEveryWay(std::string_view text, std::string_view keyword) {
    const TallyCounts whole = tallyText(text, keyword);
    for (std::size_t block : {1, 2, 3, 5})
        EXPECT_EQ(inBlocks(text, keyword, block), whole) << block;
    return whole;
}

struct Case {
    const char* name;
    std::string text, keyword;
    TallyCounts expected;  // words, lines, chars, keywords
};

class TallyCases : public ::testing::TestWithParam<Case> {};

TEST_P(TallyCases, Counts) {
    EXPECT_EQ(tallyEveryWay(GetParam().text, GetParam().keyword), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, TallyCases,
    ::testing::Values(
        Case{"Empty", "", "", {0, 1, 0, 0}},
        Case{"HelloWorldCrLf", "Hello world\r\n", "", {2, 2, 11, 0}},
        Case{"TabSeparatesAndIsNoCharacter", "one\ttwo", "", {2, 1, 6, 0}},
        Case{"PunctuationBelongsToTheWord", "one,two  three", "", {2, 1, 14, 0}},
        Case{"LoneLfIsALineBreak", "a\nb\n", "", {2, 3, 2, 0}},
        Case{"LoneCrIsALineBreak", "a\rb", "", {2, 2, 2, 0}},
        Case{"CrLfCountsOnce", "a\r\n\r\nb", "", {2, 3, 2, 0}},
        Case{"LfCrIsTwoBreaks", "a\n\rb", "", {2, 3, 2, 0}},
        Case{"KeywordIgnoresCaseAndParts", "the THE then", "The", {3, 1, 12, 3}},
        Case{"KeywordsNeverOverlap", "aaaa", "aa", {1, 1, 4, 2}},
        Case{"OddRun", "aaa", "aa", {1, 1, 3, 1}},
        Case{"PhraseKeyword", "Big Mill big  mill BIG MILL", "big mill", {6, 1, 27, 2}},
        Case{"Utf8CharactersCountOnce", "été Ωμέγα", "ÉTÉ", {2, 1, 9, 1}},
        Case{"InvalidBytesCountOneEach", "\xff\xC3 \xE2\x82", "", {2, 1, 5, 0}},
        Case{"NulIsACharacter", "a\0b"s, "", {1, 1, 3, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TallyFile, OccurrencesAndWordsAcrossTheBlockBorderCountOnce) {
    test::TempDir dir;
    // A keyword and a word covering bytes 7 999 to 8 002 (1-based), i.e. across
    // the first 8000-byte block's end.
    std::string text(7998, 'x');
    text[7997] = ' ';
    text += "WORD";
    text += std::string(9000 - text.size(), ' ');
    const std::string path = dir.write("border.txt", text);

    std::vector<std::int64_t> progress;
    std::int64_t size = 0;
    const TallyCounts file = tallyFile(
        path, "word", [&](std::int64_t done) { progress.push_back(done); }, &size);
    EXPECT_EQ(file, tallyText(text, "word"));
    EXPECT_EQ(file.keywords, 1);
    EXPECT_EQ(file.words, 2);
    EXPECT_EQ(size, 9000);
    EXPECT_EQ(progress, (std::vector<std::int64_t>{8000, 9000}));
}

TEST(TallyFile, Utf8CharacterAndCrLfAcrossTheBlockBorder) {
    test::TempDir dir;
    std::string text(7999, 'a');
    text += "\xC3\x89";  // É split across the first border
    text += std::string(7998, 'b');
    text += "\r\n";  // CR LF split across the second: one break
    const TallyCounts file = tallyFile(dir.write("split.txt", text), "");
    EXPECT_EQ(file, tallyText(text, ""));
    EXPECT_EQ(file.chars, 7999 + 1 + 7998);
    EXPECT_EQ(file.lines, 2);
}

TEST(TallyFile, UnreadableFileIsAnErrorAndNothingIsCreated) {
    test::TempDir dir;
    const std::string missing = dir.file("gone.txt");
    try {
        tallyFile(missing, "");
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(e.path(), missing);
        EXPECT_NE(e.reason().find("No such file"), std::string::npos) << e.reason();
    }
    EXPECT_FALSE(test::exists(missing));
    EXPECT_THROW(tallyFile(dir.path(), ""), FileError);  // a folder is no text file
}

}  // namespace
}  // namespace lexmill
