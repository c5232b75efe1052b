#include <gtest/gtest.h>

#include "match/LiteralScanner.h"
#include "match/TextFold.h"
#include "match/Utf8.h"

namespace lexmill {
namespace {

struct Case {
    const char* name;
    std::string text, needle, replacement;
    bool ignoreCase;
    std::string expected;
    std::uint64_t count;
    Charset charset = Charset::Utf8;
};

class ScannerCases : public ::testing::TestWithParam<Case> {};
// A case prints as its row's name.
void PrintTo(const Case& row, std::ostream* os) {
    *os << row.name;
}

// Every way of reading a stream gives the same result: pieces of the given
// sizes (cycled), the output written out or only counted.
TEST_P(ScannerCases, ReplacesLeftToRightWithoutOverlapHoweverCut) {
    const Case& c = GetParam();
    const CaseFolder folder(c.charset);
    const std::vector<std::vector<std::size_t>> cuts = {{c.text.size()}, {1},   {2}, {3},
                                                        {1, 7, 2},       {5, 1}};
    for (const auto& cut : cuts)
        for (const bool counting : {false, true}) {
            LiteralScanner scanner(c.needle, c.ignoreCase ? &folder : nullptr);
            scanner.setReplacement(c.replacement);
            std::string output;
            const ByteSink out = [&](std::string_view bytes) { output.append(bytes); };
            const ByteSink& sink = counting ? ByteSink() : out;
            for (std::size_t at = 0, turn = 0, n; at < c.text.size(); at += n) {
                n = std::min(cut[turn++ % cut.size()], c.text.size() - at);
                scanner.feed(std::string_view(c.text).substr(at, n), sink);
            }
            scanner.finish(sink);
            EXPECT_EQ(output, counting ? "" : c.expected) << cut[0] << counting;
            EXPECT_EQ(scanner.count(), c.count) << cut[0] << counting;
        }
}

using namespace std::string_literals;

// clang-format off
INSTANTIATE_TEST_SUITE_P(Matching, ScannerCases, ::testing::Values(
    Case{"NoOverlap", "aaaa", "aa", "b", false, "bb", 2},
    Case{"OddRunKeepsTail", "aaa", "aa", "b", false, "ba", 1},
    Case{"ReplacementNeverSearched", "a a", "a", "aa", false, "aa aa", 2},
    Case{"ReplacementContainsNeedle", "cat cat", "cat", "cats", false, "cats cats", 2},
    Case{"CaseKeptOutsideOccurrences", "xAbCy abc", "ABC", "Q", true, "xQy Q", 2},
    Case{"MatchCaseIsExact", "xAbCy abc", "abc", "Q", false, "xAbCy Q", 1},
    Case{"NulAndCrLfAreOrdinaryBytes", "a\0b\r\nA\0B"s, "a\0b"s, "-", true, "-\r\n-", 2},
    Case{"NoFinalNewlineAdded", "end", "end", "fin", false, "fin", 1},
    Case{"EmptyNeedleFindsNothing", "abc", "", "x", false, "abc", 0},
    Case{"NeedleLongerThanText", "ab", "abc", "x", false, "ab", 0},
    Case{"EmptyText", "", "a", "x", false, "", 0},
    Case{"DeleteOccurrences", "a-b-c", "-", "", false, "abc", 2},
    Case{"Utf8AccentsFold", "Éte été ÉTÉ", "été", "x", true, "Éte x x", 2},
    Case{"Utf8MatchCaseKeepsAccents", "Éte été", "été", "x", false, "Éte x", 1},
    // Kelvin sign lower-cases to a one-byte 'k': that would move positions, so it stays.
    Case{"LengthChangingFoldIsSkipped", "\u212A k K", "k", "x", true, "\u212A x x", 2},
    Case{"InvalidBytesStayAsTheyAre", "\xff\xC3 \xC3\x89", "\xc3\xa9", "e", true, "\xff\xC3 e", 1},
    // É, Š, Œ, Ž, Ÿ fold; the multiplication sign 0xD7 is no letter.
    Case{"Windows1252Letters", "CAF\xC9 \x8A\x8C\x8E\x9F caf\xE9 \xD7", "caf\xE9 \x9A\x9C\x9E\xFF", "x",
         true, "x caf\xE9 \xD7", 1, Charset::Windows1252},
    Case{"Windows1252NoLetter", "\xD7\xF7", "\xF7", "x", true, "\xD7x", 1, Charset::Windows1252},
    // Its rarest byte is in every place: the search must still take linear time, and be right.
    Case{"RarestByteEverywhere", std::string(5000, 'x') + "xy" + std::string(300, 'x') + "xy",
         "xxy", "-", false, std::string(4999, 'x') + "-" + std::string(299, 'x') + "-", 2},
    Case{"MultiLineNeedle", "one\r\ntwo\r\none\r\n", "\r\ntwo", "", false, "one\r\none\r\n", 1}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// Every character keeps its length in bytes, so positions in the folded text
// are positions in the file; folding twice changes nothing more.
TEST(CaseFolder, Utf8FoldKeepsEveryByteLength) {
    const CaseFolder folder(Charset::Utf8);
    unsigned char bytes[4];
    for (char32_t c = 0; c < 0x110000; ++c) {
        if (c >= 0xD800 && c < 0xE000) continue;
        const std::string one(reinterpret_cast<char*>(bytes), utf8::encode(c, bytes));
        const std::string folded = folder.fold(one);
        ASSERT_EQ(folded.size(), one.size()) << std::hex << std::uint32_t{c};
        ASSERT_EQ(folder.fold(folded), folded) << std::hex << std::uint32_t{c};
    }
    EXPECT_EQ(folder.fold("ÀÉÎÕÜ ΣΑΣ ДОМ"), "àéîõü σασ дом");
    EXPECT_EQ(folder.fold("\u0130"), "\u0130");  // lower-cases to two characters: kept
}

}  // namespace
}  // namespace lexmill
