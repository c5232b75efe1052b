#include <fcntl.h>
#include <gtest/gtest.h>

#include "TempDir.h"
#include "base/FileError.h"
#include "base/UniqueFd.h"
#include "batch/ReplacePass.h"
#include "match/RegexScanner.h"

namespace lexmill {
namespace {

struct Case {
    const char* name;
    std::string text, pattern, replacement;
    bool matchCase;
    std::string expected;  // the new text, or a part of the error's message
    std::uint64_t count;   // no count: the scan fails
    Charset charset = Charset::Utf8;
};

class RegexCases : public ::testing::TestWithParam<Case> {};
// A case prints as its row's name.
void PrintTo(const Case& row, std::ostream* os) {
    *os << row.name;
}

// Every way of reading a stream gives the result of matching the whole text
// at once: pieces of the given sizes (cycled), written out or only counted,
// and the two passes of a run over a file (find, then replace from there).
TEST_P(RegexCases, MatchesAsTheWholeTextHoweverCut) {
    const Case& c = GetParam();
    auto matching = [&] { return RegexPattern(c.pattern, c.replacement, c.matchCase, c.charset); };
    if (c.count == 0 && c.expected != c.text) {
        EXPECT_THROW(
            try { matching(); } catch (const PatternError& e) {
                EXPECT_STREQ(e.what(), c.expected.c_str());
                throw;
            },
            PatternError);
        return;
    }
    const RegexPattern pattern = matching();
    const bool fails = c.count == std::uint64_t(-1);
    const std::vector<std::vector<std::size_t>> cuts =
        c.text.size() > 4096 ? std::vector<std::vector<std::size_t>>{{c.text.size()}, {1 << 20}}
                             : std::vector<std::vector<std::size_t>>{
                                   {c.text.size()}, {1}, {2}, {3}, {1, 7, 2}, {5, 1}};
    for (const auto& cut : cuts)
        for (const bool counting : {false, true}) {
            RegexScanner scanner(pattern);
            scanner.setReplacing(true);
            std::string output;
            const ByteSink out = [&](std::string_view bytes) { output.append(bytes); };
            const ByteSink& sink = counting ? ByteSink() : out;
            try {
                for (std::size_t at = 0, turn = 0, n; at < c.text.size(); at += n) {
                    n = std::min(cut[turn++ % cut.size()], c.text.size() - at);
                    scanner.feed(std::string_view(c.text).substr(at, n), sink);
                }
                scanner.finish(sink);
                EXPECT_FALSE(fails) << cut[0] << counting;
            } catch (const MatchError& e) {
                EXPECT_TRUE(fails && std::string(e.what()).find(c.expected) != std::string::npos)
                    << e.what() << cut[0] << counting;
                continue;
            }
            EXPECT_EQ(output, counting ? "" : c.expected) << cut[0] << counting;
            EXPECT_EQ(scanner.count(), c.count) << cut[0] << counting;
        }

    test::TempDir dir;
    const std::string path = dir.write("f", c.text);
    UniqueFd fd(::open(path.c_str(), O_RDONLY));
    ScanBuffers buffers;
    BatchOptions options;
    std::string output;
    try {
        const auto first = findFirstOccurrence(fd.get(), path, options, nullptr, buffers, &pattern);
        output = c.text;
        if (first)
            replaceFrom(
                fd.get(), path, *first, options, nullptr, buffers,
                [&](std::uint64_t n) { output.resize(n); },
                [&](std::string_view bytes) { output += bytes; }, {}, &pattern);
        EXPECT_FALSE(fails);
        EXPECT_EQ(output, c.expected);
    } catch (const FileError& e) {
        EXPECT_TRUE(fails && e.reason().find(c.expected) != std::string::npos) << e.reason();
    }
}

using namespace std::string_literals;
const std::string kLong = "<" + std::string(9 << 20, 'x') + ">";
constexpr auto kFails = std::uint64_t(-1);

// clang-format off
INSTANTIATE_TEST_SUITE_P(Matching, RegexCases, ::testing::Values(
    Case{"AnchorsAtLf", "ab\nab\nab", "^ab$", "X", true, "X\nX\nX", 3},
    Case{"AnchorsAtCrLf", "ab\r\nab\r\n", "^ab$", "X", true, "X\r\nX\r\n", 2},
    Case{"AnchorsAtCr", "ab\rab\r", "^ab$", "X", true, "X\rX\r", 2},
    Case{"EmptyLineStartsNotAfterTheLastBreak", "a\r\nb\r\n\r\n", "^", ">", true, ">a\r\n>b\r\n>\r\n", 3},
    Case{"LineEndsNeverInsideCrLf", "a\r\nb\rc\n", "$", "<", true, "a<\r\nb<\rc<\n<", 4},
    Case{"DotMatchesNoLineBreak", "a\rb a\nb a\r\nb axb", "a.b", "X", true, "a\rb a\nb a\r\nb X", 1},
    Case{"SpaceClassCrossesLines", "a\r\n\nb", "a\\s+b", "X", true, "X", 1},
    Case{"Captures", "John Smith, Ann Lee", "(\\w+) (\\w+)", "$2 $1", true, "Smith John, Lee Ann", 2},
    Case{"NamedGroups", "on 2026-12-07.", "(?<y>\\d+)-(?<m>\\d+)-(?<d>\\d+)", "${d}.${m}.${y}", true,
         "on 07.12.2026.", 1},
    Case{"DollarEscapesAndLiterals", "a1", "(a)(1)", "$$1\\t$2\\n\\\\\\q$x${3", true,
         "$1\t1\n\\\\q$x${3", 1},
    Case{"UnsetGroupIsEmpty", "b", "(a)?b", "[$1]", true, "[]", 1},
    Case{"EmptyMatchesNeverTwiceAtOnePlace", "abc", "x*", "-", true, "-a-b-c-", 4},
    Case{"EmptyMatchAfterALongerOne", "aab", "a*", "-", true, "--b-", 3},
    Case{"KeepOutLeavesTheStartOfTheMatch", "foobar foobaz", "foo\\Kba(r)", "X$1", true,
         "fooXr foobaz", 1},
    Case{"AnchoredPatternEndsAtItsFirstMiss", "aab a", "\\Ga", "x", true, "xxb a", 2},
    Case{"ReplacementNeverSearched", "aXa", "a", "aa", true, "aaXaa", 2},
    Case{"MatchAcrossEveryBorder", "-a0123456789b-", "a\\d+b", "X", true, "-X-", 1},
    Case{"LookbehindAndWordBorderAcrossBorders", "cat concat; xxabc", "\\bcat|(?<=ab)c", "!", true,
         "! concat; xxab!", 2},
    Case{"Utf8CaseFolds", "ÉTÉ été Straße \u212A", "été|k", "x", false, "x x Straße x", 3},
    Case{"Utf8MatchCase", "Été été", "été", "x", true, "Été x", 1},
    Case{"Utf8CharacterCutByPieces", "ä€𝄞", "€.", "x", true, "äx", 1},
    Case{"InvalidUtf8NeverStopsASearch", "\xff caf\xc3\xa9 \xc3 caf\xe9", "caf.", "x", true,
         "\xff x \xc3 caf\xe9", 1},
    Case{"Windows1252CasePairs", "CAF\xC9 caf\xE9 \x8A\x9A \xD7\xF7", "caf\xE9|\x9A|\xF7", "x", false,
         "x x xx \xD7x", 5, Charset::Windows1252},
    Case{"Windows1252MatchCase", "\xC9\xE9", "\xE9", "x", true, "\xC9x", 1, Charset::Windows1252},
    Case{"OverLongMatchFailsTheFile", kLong, "<x*>", "", true, "longer than 8 MiB", kFails},
    Case{"CatastrophicPatternFailsTheFile", std::string(40, 'a') + "b", "(a+)+$", "", true,
         "too much backtracking", kFails},
    Case{"InvalidPattern", "a", "a(b", "", true, "missing closing parenthesis at offset 3", 0},
    Case{"ReplacementRefersToAMissingGroup", "a", "(a)", "x$2", true,
         "The replacement refers to group 2 at offset 1, but the pattern has only 1 group.", 0}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

}  // namespace
}  // namespace lexmill
