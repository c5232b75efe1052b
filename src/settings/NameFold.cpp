#include "NameFold.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <cstdint>

namespace lexmill {

std::string foldName(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    const auto* s = reinterpret_cast<const std::uint8_t*>(name.data());
    const auto length = static_cast<std::int32_t>(name.size());
    std::int32_t i = 0;
    while (i < length) {
        const std::int32_t start = i;
        UChar32 c;
        U8_NEXT(s, i, length, c);
        if (c < 0) {
            // Invalid sequence: keep its bytes untouched.
            out.append(name.substr(start, i - start));
            continue;
        }
        const UChar32 folded = u_foldCase(c, U_FOLD_CASE_DEFAULT);
        std::uint8_t buffer[U8_MAX_LENGTH];
        std::int32_t n = 0;
        U8_APPEND_UNSAFE(buffer, n, folded);
        out.append(reinterpret_cast<const char*>(buffer), n);
    }
    return out;
}

}  // namespace lexmill
