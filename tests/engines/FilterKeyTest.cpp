#include <gtest/gtest.h>

#include <string>

#include "FilterKey.h"

namespace lexmill {
namespace {

std::int16_t Filtered(int code) {
    auto key = static_cast<std::int16_t>(code);
    const std::int16_t result = FilterKey(key);
    EXPECT_EQ(key, result) << code;  // written back as well
    return result;
}

TEST(FilterKey, PassesPatternCharactersUnchanged) {
    for (char c : std::string("*?.0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"))
        EXPECT_EQ(Filtered(c), c) << c;
    EXPECT_EQ(Filtered(8), 8);  // Backspace
}

TEST(FilterKey, RefusesEverythingElse) {
    for (char c : std::string(" ;\\:-_/,[]{}\"'\t\r\n"))
        EXPECT_EQ(Filtered(c), 0) << static_cast<int>(c);
    for (int code : {0, 1, 22 /* Ctrl+V */, 27, 127, 0xE9, 0x3B1, -5})
        EXPECT_EQ(Filtered(code), 0) << code;
}

}  // namespace
}  // namespace lexmill
