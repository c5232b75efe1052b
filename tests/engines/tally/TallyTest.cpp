#include <gtest/gtest.h>

#include <iterator>
#include <random>

#include "TempDir.h"
#include "base/FileError.h"
#include "tally/Tally.h"

namespace lexmill {
namespace {

using namespace std::string_literals;

// The counts of a text must not depend on where it is cut into blocks.
TallyCounts tallyEveryWay(std::string_view text, std::string_view keyword) {
    const TallyCounts whole = tallyText(text, keyword);
    for (std::size_t block : {1, 2, 3, 5}) {
        TallyCounter counter(keyword);
        for (std::size_t at = 0; at < text.size(); at += block)
            counter.feed(text.substr(at, block));
        EXPECT_EQ(counter.finish(), whole) << block;
    }
    return whole;
}

struct Case {
    const char* name;
    std::string text, keyword;
    TallyCounts expected;  // words, lines, chars, keywords
};

class TallyCases : public ::testing::TestWithParam<Case> {};
// A case prints as its row's name.
void PrintTo(const Case& row, std::ostream* os) {
    *os << row.name;
}

TEST_P(TallyCases, Counts) {
    EXPECT_EQ(tallyEveryWay(GetParam().text, GetParam().keyword), GetParam().expected);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rules, TallyCases, ::testing::Values(
    Case{"Empty", "", "", {0, 1, 0, 0}},
    Case{"HelloWorldCrLf", "Hello world\r\n", "", {2, 2, 11, 0}},
    Case{"TabSeparatesAndIsNoCharacter", "one\ttwo", "", {2, 1, 6, 0}},
    Case{"PunctuationBelongsToTheWord", "one,two  three", "", {2, 1, 14, 0}},
    Case{"LoneLfAndLoneCrAreLineBreaks", "a\nb\rc\n", "", {3, 4, 3, 0}},
    Case{"CrLfCountsOnceLfCrTwice", "a\r\n\r\nb\n\rc", "", {3, 5, 3, 0}},
    Case{"KeywordIgnoresCaseAndParts", "the THE then", "The", {3, 1, 12, 3}},
    Case{"KeywordsNeverOverlap", "aaaa", "aa", {1, 1, 4, 2}},
    Case{"OddRun", "aaa", "aa", {1, 1, 3, 1}},
    Case{"PhraseKeyword", "Big Mill big  mill BIG MILL", "big mill", {6, 1, 27, 2}},
    Case{"Utf8CharactersCountOnce", "été Ωμέγα", "ÉTÉ", {2, 1, 9, 1}},
    Case{"InvalidBytesCountOneEach", "\xff\xC3 \xE2\x82", "", {2, 1, 5, 0}},
    Case{"NulIsACharacter", "a\0b"s, "", {1, 1, 3, 0}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// A long text is counted many bytes at a time when whole, byte by byte in
// blocks of one: both must agree wherever line breaks, word starts and
// characters fall against the chunks counted at once, so the text is also
// counted from each of its first 32 bytes.
TEST(TallyText, ChunkedCountsAgreeWithByteByByte) {
    static const char* const kPieces[] = {
        "a",        "Mill",         "markup=\"x\"", "\r\n",         " ",
        "  ",       "\t",           "\r",           "\n",           "\n\r",
        "\xC3\xA9", "\xE2\x80\x94", "\xE0\xA0\x80", "\xED\x9F\xBF", "\xF0\x9F\x98\x80",
        "\xFF",     "\xC3",         "\xE2\x80",     "\x80"};
    std::mt19937 random(7);
    std::string text;
    while (text.size() < 12000) {
        // Mostly ASCII, as markup is, with runs long enough for whole chunks.
        const auto piece = random() % 4 ? random() % 4 : random() % std::size(kPieces);
        text += kPieces[piece];
        if (random() % 8 == 0) text += std::string(random() % 70, "xy z"[random() % 4]);
    }
    for (std::size_t from = 0; from < 32; ++from) {
        const std::string_view part = std::string_view(text).substr(from);
        TallyCounter byteWise("mill");
        for (char c : part) byteWise.feed(std::string_view(&c, 1));
        EXPECT_EQ(tallyText(part, "mill"), byteWise.finish()) << from;
    }
}

// A file is read in 8000-byte blocks: a keyword and a word across the first
// border, a UTF-8 character across the second and a CR LF across the third
// each count once, as in the text read whole.
TEST(TallyFile, CountsAcrossTheBlockBordersAsTheWholeText) {
    std::string text(7997, 'x');
    text += " WORD" + std::string(7997, 'a') + "\xC3\x89" + std::string(7998, 'b') + "\r\n";
    text.resize(25000, ' ');
    test::TempDir dir;
    std::vector<std::int64_t> progress;
    std::int64_t size = 0;
    const TallyCounts file = tallyFile(
        dir.write("border.txt", text), "word", [&](std::int64_t done) { progress.push_back(done); },
        &size);
    EXPECT_EQ(file, tallyText(text, "word"));
    EXPECT_EQ(file, (TallyCounts{2, 2, 25000 - 3, 1}));  // É takes two bytes; CR, LF none
    EXPECT_EQ(size, 25000);
    EXPECT_EQ(progress, (std::vector<std::int64_t>{8000, 16000, 24000, 25000}));
}

TEST(TallyFile, MissingFileIsAnErrorAndIsNotCreated) {
    test::TempDir dir;
    const std::string gone = dir.file("gone.txt");
    try {
        tallyFile(gone, "");
        ADD_FAILURE() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(e.path(), gone);
        EXPECT_NE(e.reason().find("No such file"), std::string::npos) << e.reason();
    }
    EXPECT_FALSE(test::exists(gone));
}

TEST(TallyCharset, Windows1252) {
    // "ÉTÉ Ã©" in Windows-1252: "été" once, six characters where UTF-8 sees five.
    EXPECT_EQ(tallyText("\xC9T\xC9 \xC3\xA9", "\xE9t\xE9", Charset::Windows1252),
              (TallyCounts{2, 1, 6, 1}));
}

}  // namespace
}  // namespace lexmill
