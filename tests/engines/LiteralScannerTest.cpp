#include <gtest/gtest.h>

#include "LiteralScanner.h"
#include "TextFold.h"
#include "Utf8.h"

namespace lexmill {
namespace {

struct Scan {
    std::string output;
    std::uint64_t count;
};

// Every way of reading a stream gives the result of reading it whole: pieces
// of the given sizes (cycled), fed or written into more room than they fill
// (a short read), with the output written out or only counted.
Scan scanEveryWay(std::string_view text, std::string_view needle, const CaseFolder* folder,
                  std::string_view replacement) {
    Scan whole;
    const std::vector<std::vector<std::size_t>> cuts = {{0}, {1}, {2}, {3}, {1, 7, 2}, {5, 1}};
    for (const auto& cut : cuts)
        for (const int way : {0, 1, 2}) {  // fed, into the room, counted
            LiteralScanner scanner(needle, folder);
            scanner.setReplacement(replacement);
            Scan result;
            const ByteSink out = [&](std::string_view bytes) { result.output.append(bytes); };
            const ByteSink& sink = way == 2 ? ByteSink() : out;
            for (std::size_t at = 0, turn = 0; at < text.size();) {
                std::size_t n = cut[turn++ % cut.size()];
                n = std::min(n ? n : text.size(), text.size() - at);
                if (way == 1) {
                    std::copy_n(text.data() + at, n, scanner.reserve(n + 5));
                    scanner.advance(n, sink);
                } else {
                    scanner.feed(text.substr(at, n), sink);
                }
                at += n;
            }
            scanner.finish(sink);
            result.count = scanner.count();
            if (cut == cuts[0] && way == 0) whole = result;
            EXPECT_EQ(result.output, way == 2 ? "" : whole.output) << cut[0] << " way " << way;
            EXPECT_EQ(result.count, whole.count) << cut[0] << " way " << way;
        }
    return whole;
}

struct Case {
    const char* name;
    std::string text, needle, replacement;
    bool ignoreCase;
    std::string expected;
    std::uint64_t count;
};

class ScannerCases : public ::testing::TestWithParam<Case> {};

TEST_P(ScannerCases, ReplacesLeftToRightWithoutOverlap) {
    const Case& c = GetParam();
    const CaseFolder folder(Charset::Utf8);
    const Scan s = scanEveryWay(c.text, c.needle, c.ignoreCase ? &folder : nullptr, c.replacement);
    EXPECT_EQ(s.output, c.expected);
    EXPECT_EQ(s.count, c.count);
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
    Case{"MultiLineNeedle", "one\r\ntwo\r\none\r\n", "\r\ntwo", "", false, "one\r\none\r\n", 1}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(CaseFolder, Windows1252FoldsItsOwnLetters) {
    const CaseFolder folder(Charset::Windows1252);
    // É, Š, Œ, Ž, Ÿ and ASCII; the multiplication sign 0xD7 is no letter.
    EXPECT_EQ(folder.fold("\xC9\x8A\x8C\x8E\x9F\xD7XY"), "\xE9\x9A\x9C\x9E\xFF\xD7xy");
    const Scan s = scanEveryWay("caf\xC9 CAF\xE9", "caf\xE9", &folder, "x");
    EXPECT_EQ(s.output, "x x");
}

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
