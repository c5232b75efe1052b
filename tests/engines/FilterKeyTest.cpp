#include <gtest/gtest.h>

#include <string>

#include "FilterKey.h"

namespace lexmill {
namespace {

// Pattern characters and Backspace pass; everything else becomes 0, written
// back into the key as well.
TEST(FilterKey, PassesOnlyPatternCharactersAndBackspace) {
    std::vector<std::pair<int, int>> cases = {{8, 8},   {0, 0},    {1, 0},     {22, 0}, {27, 0},
                                              {127, 0}, {0xE9, 0}, {0x3B1, 0}, {-5, 0}};
    for (char c : std::string("*?.0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"))
        cases.emplace_back(c, c);
    for (char c : std::string(" ;\\:-_/,[]{}\"'\t\r\n")) cases.emplace_back(c, 0);
    for (const auto& [code, expected] : cases) {
        auto key = static_cast<std::int16_t>(code);
        EXPECT_EQ(FilterKey(key), expected) << code;
        EXPECT_EQ(key, expected) << code;
    }
}

}  // namespace
}  // namespace lexmill
