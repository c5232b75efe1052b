#pragma once

#include <cstdint>

namespace lexmill {

// num / den rounded to the nearest integer, halves to even, computed exactly
// (no floating point), for den > 0 and num >= 0.
constexpr std::int64_t RoundHalfEven(__int128 num, __int128 den) {
    const __int128 q = num / den;
    const __int128 twiceRest = 2 * (num % den);
    if (twiceRest > den || (twiceRest == den && q % 2 != 0))
        return static_cast<std::int64_t>(q + 1);
    return static_cast<std::int64_t>(q);
}

static_assert(RoundHalfEven(1, 2) == 0);
static_assert(RoundHalfEven(3, 2) == 2);
static_assert(RoundHalfEven(5, 2) == 2);
static_assert(RoundHalfEven(32, 3) == 11);
static_assert(RoundHalfEven(31, 3) == 10);

}  // namespace lexmill
