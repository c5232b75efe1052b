#pragma once

#include <cstddef>
#include <cstdint>

namespace lexmill::utf8 {

// Length of the valid UTF-8 sequence starting at s (1 to 4), 0 when the bytes
// there do not start a valid sequence, or -1 when s[0, n) is a valid but
// incomplete beginning of one. Overlong forms, surrogates and code points above
// U+10FFFF are invalid.
int sequenceLength(const unsigned char* s, std::size_t n);

// Code point of a valid sequence of the given length.
char32_t decode(const unsigned char* s, int length);

// Writes cp as UTF-8 into out; returns the byte count (1 to 4).
int encode(char32_t cp, unsigned char* out);

int encodedLength(char32_t cp);

}  // namespace lexmill::utf8
