#include <gtest/gtest.h>

#include <string>

#include "files/FilterKey.h"

namespace lexmill {
namespace {

// Pattern characters and Backspace pass; every other key code becomes 0,
// written back into the key as well.
TEST(FilterKey, PassesOnlyPatternCharactersAndBackspace) {
    const std::string passing =
        "*?.0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ\b";
    for (int code = -300; code < 0x500; ++code) {
        const bool passes = code > 0 && code < 128 && passing.find(char(code)) != std::string::npos;
        auto key = static_cast<std::int16_t>(code);
        EXPECT_EQ(FilterKey(key), passes ? code : 0) << code;
        EXPECT_EQ(key, passes ? code : 0) << code;
    }
}

}  // namespace
}  // namespace lexmill
