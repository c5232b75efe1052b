#include "files/FilterKey.h"

#include <string_view>

namespace lexmill {

std::int16_t FilterKey(std::int16_t& keyAscii) {
    constexpr std::int16_t kBackspace = 8;
    if (keyAscii == kBackspace) return keyAscii;
    constexpr std::string_view kAllowed = "*abcdefghijklmnopqurstuvwxyz?.0123456789";
    char c = keyAscii > 0 && keyAscii < 128 ? static_cast<char>(keyAscii) : '\0';
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c == '\0' || kAllowed.find(c) == std::string_view::npos) keyAscii = 0;
    return keyAscii;
}

}  // namespace lexmill
