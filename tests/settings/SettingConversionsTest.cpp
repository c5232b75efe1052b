#include <gtest/gtest.h>

#include <clocale>
#include <optional>

#include "SettingConversions.h"

namespace lexmill {
namespace {

// An exponent without digits is not part of the number; halves go to even;
// blanks are skipped wherever they are, but a no-break space is not one;
// out of range gives the nearest 16-bit integer.
TEST(LeadingNumber, ReadsTheNumberAtTheStartOfAwkwardTexts) {
    // clang-format off
    const std::pair<const char*, int> cases[] = {
        {"", 0}, {"0", 0}, {"3", 3}, {" 12abc", 12}, {"-3", -3}, {"+7", 7}, {"1e3", 1000},
        {"1E2x", 100}, {"1e", 1}, {"1e+", 1}, {"2e-1", 0}, {"Last Used", 0}, {"abc12", 0},
        {"-", 0}, {".", 0}, {"2.5", 2}, {"3.5", 4}, {"-2.5", -2}, {"0.5", 0}, {"1.5", 2},
        {"2.51", 3}, {".7", 1}, {"-.7", -1}, {"5.", 5}, {"1.2.3", 1}, {"1 2", 12}, {"\t\n 3", 3},
        {"- 4", -4}, {"007", 7}, {"32767", 32767}, {"-32768", -32768}, {"32768", 32767},
        {"-40000", -32768}, {"1e400", 32767}, {"-1e400", -32768}, {"1e-400", 0},
        {"99999999999999999999999", 32767}, {"0x10", 0}, {"\xc2\xa0" "5", 0}};
    // clang-format on
    for (const auto& [text, expected] : cases) EXPECT_EQ(leadingNumber(text), expected) << text;
}

// "32767.5" rounds out of range.
TEST(StrictNumber, AcceptsOnlyAWholeNumberInRange) {
    constexpr std::optional<int> no;
    // clang-format off
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"0", 0}, {"1", 1}, {" 1 ", 1}, {"-3", -3}, {"+2", 2}, {"1e3", 1000}, {"1.5", 2},
        {"2.5", 2}, {"32767", 32767}, {"-32768", -32768}, {"32767.5", no}, {"32768", no},
        {"-32769", no}, {"1e400", no}, {"", no}, {"   ", no}, {" 12abc", no}, {"Last Used", no},
        {"1 2", no}, {"1e", no}, {"-", no}, {".", no}, {"0x1", no}, {"true", no}};
    // clang-format on
    for (const auto& [text, expected] : cases) EXPECT_EQ(strictNumber(text), expected) << text;
}

TEST(Conversions, IgnoreTheProcessLocale) {
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    EXPECT_EQ(leadingNumber("2.75"), 3);
    EXPECT_EQ(leadingNumber("2,75"), 2);
    EXPECT_EQ(strictNumber("1.5"), 2);
    EXPECT_FALSE(strictNumber("1,5").has_value());
    std::setlocale(LC_NUMERIC, saved.c_str());
}

}  // namespace
}  // namespace lexmill
