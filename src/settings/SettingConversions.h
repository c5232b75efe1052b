#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace lexmill {

// Stored numbers are decimal text; these turn them back into numbers the way
// the readers need.

// The leading number of `text`, as a list index is read: blanks (spaces, tabs,
// line feeds) are skipped wherever they are, reading stops at the first
// character that cannot continue a decimal number (sign, digits, one point, an
// exponent), and no number at all gives 0. The number is rounded to the
// nearest 16-bit integer, halves to even, so "2.5" gives 2, "Last Used" 0,
// " 12abc" 12, "1e3" 1000; beyond the 16-bit range it gives the nearest end
// ("32768" gives 32767).
std::int16_t leadingNumber(std::string_view text);

// The strict conversion of the check box keys: the whole text, apart from
// blanks around it, must be one decimal number (sign, digits, point and
// exponent allowed) that rounds, halves to even, into the 16-bit range.
// Anything else ("", "abc", "1x", "32768") is nothing: an error the caller
// skips.
std::optional<std::int16_t> strictNumber(std::string_view text);

}  // namespace lexmill
