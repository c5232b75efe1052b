#include "match/TextFold.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>

#include "match/Utf8.h"

namespace lexmill {
namespace {

#include "LowerCaseTable.inc"

using Table = std::array<unsigned char, 256>;

constexpr Table makeWindows1252Table() {
    Table t{};
    for (int i = 0; i < 256; ++i) t[i] = static_cast<unsigned char>(i);
    for (int c = 'A'; c <= 'Z'; ++c) t[c] = static_cast<unsigned char>(c + 0x20);
    for (int c = 0xC0; c <= 0xDE; ++c)
        if (c != 0xD7)
            t[c] = static_cast<unsigned char>(c + 0x20);  // 0xD7 is the multiplication sign
    t[0x8A] = 0x9A;                                       // S caron
    t[0x8C] = 0x9C;                                       // OE
    t[0x8E] = 0x9E;                                       // Z caron
    t[0x9F] = 0xFF;                                       // Y diaeresis
    return t;
}

constexpr Table kWindows1252 = makeWindows1252Table();

// Lower-case of each BMP code point, where it keeps its UTF-8 length; built once.
const std::uint16_t* bmpLowerTable() {
    static const std::unique_ptr<std::uint16_t[]> table = [] {
        auto t = std::make_unique<std::uint16_t[]>(0x10000);
        for (char32_t cp = 0; cp < 0x10000; ++cp) t[cp] = static_cast<std::uint16_t>(cp);
        for (const auto& [from, to] : kLowerCasePairs)
            if (from < 0x10000) t[from] = static_cast<std::uint16_t>(to);
        return t;
    }();
    return table.get();
}

// The lower-case of a code point beyond the BMP, where it keeps its length.
char32_t supplementaryLower(char32_t cp) {
    const auto* end = std::end(kLowerCasePairs);
    const auto* at = std::lower_bound(std::begin(kLowerCasePairs), end, cp,
                                      [](const auto& pair, char32_t c) { return pair[0] < c; });
    return at != end && (*at)[0] == cp ? (*at)[1] : cp;
}

}  // namespace

char32_t simpleCaseFold(char32_t cp) {
    const auto* end = std::end(kCaseFoldPairs);
    const auto* at = std::lower_bound(std::begin(kCaseFoldPairs), end, cp,
                                      [](const auto& pair, char32_t c) { return pair[0] < c; });
    return at != end && (*at)[0] == cp ? (*at)[1] : cp;
}

namespace {

std::size_t foldUtf8(const char* in, std::size_t n, char* out, bool final) {
    const std::uint16_t* bmp = bmpLowerTable();
    const auto* s = reinterpret_cast<const unsigned char*>(in);
    auto* d = reinterpret_cast<unsigned char*>(out);
    std::size_t i = 0;
    while (i < n) {
#ifdef __SSE2__
        if (i + 16 <= n) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
            // ASCII capitals are the bytes from 'A' to 'Z' as signed bytes; the
            // others, 0x80 and above, are negative and never match.
            const __m128i upper = _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8('A' - 1)),
                                                _mm_cmplt_epi8(v, _mm_set1_epi8('Z' + 1)));
            const __m128i lower = _mm_add_epi8(v, _mm_and_si128(upper, _mm_set1_epi8(0x20)));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), lower);
            const unsigned high = static_cast<unsigned>(_mm_movemask_epi8(v));
            // The ASCII bytes are done; go on at the first other one, if any.
            i += high ? static_cast<std::size_t>(__builtin_ctz(high)) : 16;
            if (!high) continue;
        }
#endif
        const unsigned char b = s[i];
        if (b < 0x80) {
            d[i++] = (b >= 'A' && b <= 'Z') ? static_cast<unsigned char>(b + 0x20) : b;
            continue;
        }
        const int len = utf8::sequenceLength(s + i, n - i);
        if (len < 0) {
            if (!final) return i;  // the rest may complete in the next piece
            std::memcpy(d + i, s + i, n - i);
            return n;
        }
        if (len == 0) {
            d[i++] = b;
            continue;
        }
        const char32_t cp = utf8::decode(s + i, len);
        char32_t lower = cp;
        if (cp < 0x10000) {
            lower = bmp[cp];
        } else {
            lower = supplementaryLower(cp);
        }
        if (lower == cp)
            std::memcpy(d + i, s + i, static_cast<std::size_t>(len));
        else
            utf8::encode(lower, d + i);
        i += static_cast<std::size_t>(len);
    }
    return n;
}

}  // namespace

void CaseFolder::foldAscii(const char* in, std::size_t n, char* out) {
    std::size_t i = 0;
#ifdef __SSE2__
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        const __m128i upper = _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8('A' - 1)),
                                            _mm_cmplt_epi8(v, _mm_set1_epi8('Z' + 1)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm_add_epi8(v, _mm_and_si128(upper, _mm_set1_epi8(0x20))));
    }
#endif
    for (; i < n; ++i) {
        const char c = in[i];
        out[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 0x20) : c;
    }
}

std::size_t CaseFolder::fold(const char* in, std::size_t n, char* out, bool final) const {
    if (charset_ == Charset::Utf8) return foldUtf8(in, n, out, final);
    for (std::size_t i = 0; i < n; ++i)
        out[i] = static_cast<char>(kWindows1252[static_cast<unsigned char>(in[i])]);
    return n;
}

std::string CaseFolder::fold(std::string_view text) const {
    std::string out(text.size(), '\0');
    fold(text.data(), text.size(), out.data(), true);
    return out;
}

}  // namespace lexmill
