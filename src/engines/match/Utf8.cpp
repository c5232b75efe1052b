#include "match/Utf8.h"

namespace lexmill::utf8 {

int sequenceLength(const unsigned char* s, std::size_t n) {
    const unsigned char b0 = s[0];
    if (b0 < 0x80) return 1;
    int len;
    unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        if (b0 == 0xE0) lo = 0xA0;  // overlong
        if (b0 == 0xED) hi = 0x9F;  // surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        if (b0 == 0xF0) lo = 0x90;  // overlong
        if (b0 == 0xF4) hi = 0x8F;  // above U+10FFFF
    } else {
        return 0;
    }
    for (int i = 1; i < len; ++i) {
        if (static_cast<std::size_t>(i) >= n) return -1;
        const unsigned char b = s[i];
        if (i == 1 ? (b < lo || b > hi) : (b < 0x80 || b > 0xBF)) return 0;
    }
    return len;
}

char32_t decode(const unsigned char* s, int length) {
    switch (length) {
        case 1:
            return s[0];
        case 2:
            return (char32_t(s[0] & 0x1F) << 6) | (s[1] & 0x3F);
        case 3:
            return (char32_t(s[0] & 0x0F) << 12) | (char32_t(s[1] & 0x3F) << 6) | (s[2] & 0x3F);
        default:
            return (char32_t(s[0] & 0x07) << 18) | (char32_t(s[1] & 0x3F) << 12) |
                   (char32_t(s[2] & 0x3F) << 6) | (s[3] & 0x3F);
    }
}

int encodedLength(char32_t cp) {
    if (cp < 0x80) return 1;
    if (cp < 0x800) return 2;
    if (cp < 0x10000) return 3;
    return 4;
}

int encode(char32_t cp, unsigned char* out) {
    const int len = encodedLength(cp);
    switch (len) {
        case 1:
            out[0] = static_cast<unsigned char>(cp);
            break;
        case 2:
            out[0] = static_cast<unsigned char>(0xC0 | (cp >> 6));
            out[1] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
            break;
        case 3:
            out[0] = static_cast<unsigned char>(0xE0 | (cp >> 12));
            out[1] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
            out[2] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
            break;
        default:
            out[0] = static_cast<unsigned char>(0xF0 | (cp >> 18));
            out[1] = static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F));
            out[2] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
            out[3] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
            break;
    }
    return len;
}

}  // namespace lexmill::utf8
