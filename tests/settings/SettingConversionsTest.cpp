#include <gtest/gtest.h>

#include <optional>

#include "SettingConversions.h"

namespace lexmill {
namespace {

TEST(LeadingNumber, ReadsTheNumberAtTheStartOfAwkwardTexts) {
    struct Case {
        const char* text;
        int expected;
    };
    const Case cases[] = {
        {"", 0},
        {"0", 0},
        {"3", 3},
        {" 12abc", 12},
        {"-3", -3},
        {"+7", 7},
        {"1e3", 1000},
        {"1E2x", 100},
        {"1e", 1},  // an exponent without digits is not part of the number
        {"1e+", 1},
        {"2e-1", 0},
        {"Last Used", 0},
        {"abc12", 0},
        {"-", 0},
        {".", 0},
        {"2.5", 2},  // halves to even
        {"3.5", 4},
        {"-2.5", -2},
        {"0.5", 0},
        {"1.5", 2},
        {"2.51", 3},
        {".7", 1},
        {"-.7", -1},
        {"5.", 5},
        {"1.2.3", 1},
        {"1 2", 12},  // blanks are skipped wherever they are
        {"\t\n 3", 3},
        {"- 4", -4},
        {"007", 7},
        {"32767", 32767},
        {"32768", 32767},  // the nearest 16-bit integer
        {"-32768", -32768},
        {"-40000", -32768},
        {"1e400", 32767},
        {"-1e400", -32768},
        {"1e-400", 0},
        {"99999999999999999999999", 32767},
        {"0x10", 0},
        {"\xc2\xa0"
         "5",
         0},  // a no-break space is not a blank
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(leadingNumber(c.text), c.expected);
    }
}

TEST(StrictNumber, AcceptsOnlyAWholeNumberInRange) {
    struct Case {
        const char* text;
        std::optional<int> expected;
    };
    const Case cases[] = {
        {"0", 0},
        {"1", 1},
        {" 1 ", 1},
        {"-3", -3},
        {"+2", 2},
        {"1e3", 1000},
        {"1.5", 2},
        {"2.5", 2},
        {"32767", 32767},
        {"-32768", -32768},
        {"32767.5", std::nullopt},  // rounds out of range
        {"32768", std::nullopt},
        {"-32769", std::nullopt},
        {"1e400", std::nullopt},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {" 12abc", std::nullopt},
        {"Last Used", std::nullopt},
        {"1 2", std::nullopt},
        {"1e", std::nullopt},
        {"-", std::nullopt},
        {".", std::nullopt},
        {"0x1", std::nullopt},
        {"true", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto result = strictNumber(c.text);
        if (c.expected)
            EXPECT_EQ(result, static_cast<std::int16_t>(*c.expected));
        else
            EXPECT_FALSE(result.has_value()) << *result;
    }
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
