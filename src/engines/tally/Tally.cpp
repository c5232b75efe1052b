#include "tally/Tally.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define LEXMILL_TALLY_AVX2 1
#endif

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

#include "base/FileError.h"
#include "base/OrdinaryFile.h"
#include "base/UniqueFd.h"
#include "match/Utf8.h"

namespace lexmill {

TallyCounter::TallyCounter(std::string_view keyword, Charset charset) : folder_(charset) {
    if (!keyword.empty()) keyword_.emplace(keyword, &folder_);
}

namespace {

// Number of set bits of a 16-bit mask.
inline int bitCount(unsigned mask) {
    static constexpr auto kBits = [] {
        std::array<std::uint8_t, 256> bits{};
        for (int i = 0; i < 256; ++i) bits[i] = static_cast<std::uint8_t>((i & 1) + bits[i / 2]);
        return bits;
    }();
    return kBits[mask & 0xFF] + kBits[(mask >> 8) & 0xFF];
}

#ifdef __SSE2__
unsigned mask(__m128i m) {
    return static_cast<unsigned>(_mm_movemask_epi8(m));
}

// Whether sixteen bytes, some with their high bit set (`high`), are two- and
// three-byte UTF-8 characters (accented letters, dashes, quotes) and ASCII,
// each character whole in them: a character is then a byte that is no
// continuation byte. E0 and ED, whose next byte has a narrower range, are
// left to the byte-wise count. `cont` gets the continuation bytes.
bool wholeShortCharacters(__m128i v, unsigned high, unsigned& cont) {
    // As signed bytes, 0x80-0xBF are below -64 and 0xC2-0xDF from -62 to -33.
    cont = mask(_mm_cmplt_epi8(v, _mm_set1_epi8(-64)));
    const auto between = [&](int low, int highest) {  // signed, inclusive
        return mask(
            _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(static_cast<char>(low - 1))),
                          _mm_cmplt_epi8(v, _mm_set1_epi8(static_cast<char>(highest + 1)))));
    };
    const unsigned lead = between(-62, -33);                       // C2-DF
    const unsigned lead3 = between(-31, -20) | between(-18, -17);  // E1-EC, EE-EF
    return (high & ~cont & ~lead & ~lead3) == 0 &&
           cont == ((lead << 1) | (lead3 << 1) | (lead3 << 2)) && !(lead & 0x8000) &&
           !(lead3 & 0xC000);
}

// Counts whole chunks of sixteen bytes from s[i] for as long as they are
// ASCII or (in UTF-8) whole short characters; returns where it stopped. Each
// lane counts in a byte of its own, added up every 255 chunks, so a chunk
// costs a few vector steps and no scalar work.
std::size_t countChunks(const unsigned char* s, std::size_t i, std::size_t n, bool utf8,
                        std::int64_t& words, std::int64_t& lines, std::int64_t& chars, bool& inWord,
                        bool& afterCr) {
    const __m128i zero = _mm_setzero_si128(), ones = _mm_set1_epi8(-1);
    // Lane 15 of the chunk before: a separator unless in a word, a CR after one.
    __m128i prevSep = _mm_set_epi8(inWord ? 0 : -1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    __m128i prevCr = _mm_set_epi8(afterCr ? -1 : 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    __m128i wordAcc = zero, lineAcc = zero, charAcc = zero;
    const auto sum = [&](__m128i& acc, std::int64_t& total) {
        const __m128i halves = _mm_sad_epu8(acc, zero);
        total += _mm_cvtsi128_si64(halves) + _mm_cvtsi128_si64(_mm_unpackhi_epi64(halves, halves));
        acc = zero;
    };
    const auto sumAll = [&] {
        sum(wordAcc, words);
        sum(lineAcc, lines);
        sum(charAcc, chars);
    };
    for (int steps = 0; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const unsigned high = mask(v);
        __m128i cont = zero;
        if (high) {
            unsigned contMask;
            if (!utf8 || !wholeShortCharacters(v, high, contMask)) break;
            cont = _mm_cmplt_epi8(v, _mm_set1_epi8(-64));
        }
        const __m128i cr = _mm_cmpeq_epi8(v, _mm_set1_epi8('\r'));
        const __m128i lf = _mm_cmpeq_epi8(v, _mm_set1_epi8('\n'));
        const __m128i tab = _mm_cmpeq_epi8(v, _mm_set1_epi8('\t'));
        const __m128i sep = _mm_or_si128(_mm_or_si128(cr, lf),
                                         _mm_or_si128(tab, _mm_cmpeq_epi8(v, _mm_set1_epi8(' '))));
        // A word starts after a separator; a line ends at a CR, and at an LF
        // no CR is before.
        const __m128i sepBefore = _mm_or_si128(_mm_slli_si128(sep, 1), _mm_srli_si128(prevSep, 15));
        const __m128i crBefore = _mm_or_si128(_mm_slli_si128(cr, 1), _mm_srli_si128(prevCr, 15));
        wordAcc = _mm_sub_epi8(wordAcc, _mm_andnot_si128(sep, sepBefore));
        lineAcc = _mm_sub_epi8(lineAcc, _mm_or_si128(cr, _mm_andnot_si128(crBefore, lf)));
        charAcc = _mm_sub_epi8(
            charAcc,
            _mm_andnot_si128(_mm_or_si128(_mm_or_si128(cr, lf), _mm_or_si128(tab, cont)), ones));
        prevSep = sep;
        prevCr = cr;
        if (++steps == 255) {
            sumAll();
            steps = 0;
        }
    }
    sumAll();
    inWord = !(mask(prevSep) & 0x8000);
    afterCr = mask(prevCr) & 0x8000;
    return i;
}
#endif

#ifdef LEXMILL_TALLY_AVX2
#define LEXMILL_AVX2 __attribute__((target("avx2")))

LEXMILL_AVX2 inline std::uint32_t mask32(__m256i m) {
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(m));
}
LEXMILL_AVX2 inline __m256i below(__m256i v, int limit) {  // signed
    return _mm256_cmpgt_epi8(_mm256_set1_epi8(static_cast<char>(limit)), v);
}
LEXMILL_AVX2 inline std::uint32_t between(__m256i v, int low, int highest) {  // signed, inclusive
    return mask32(_mm256_andnot_si256(below(v, low), below(v, highest + 1)));
}
// Each byte of `now` with the byte before it, the first from `before`.
LEXMILL_AVX2 inline __m256i byteBefore(__m256i now, __m256i before) {
    return _mm256_alignr_epi8(now, _mm256_permute2x128_si256(before, now, 0x21), 15);
}
LEXMILL_AVX2 inline void addLanes(__m256i& acc, std::int64_t& total) {
    const __m256i quarters = _mm256_sad_epu8(acc, _mm256_setzero_si256());
    total += _mm256_extract_epi64(quarters, 0) + _mm256_extract_epi64(quarters, 1) +
             _mm256_extract_epi64(quarters, 2) + _mm256_extract_epi64(quarters, 3);
    acc = _mm256_setzero_si256();
}

// countChunks() thirty-two bytes at a time, on processors that have AVX2.
LEXMILL_AVX2 std::size_t countChunksAvx2(const unsigned char* s, std::size_t i, std::size_t n,
                                         bool utf8, std::int64_t& words, std::int64_t& lines,
                                         std::int64_t& chars, bool& inWord, bool& afterCr) {
    const __m256i zero = _mm256_setzero_si256(), ones = _mm256_set1_epi8(-1);
    // Byte 31 of the chunk before: a separator unless in a word, a CR after one.
    __m256i prevSep = _mm256_insert_epi8(zero, inWord ? 0 : -1, 31);
    __m256i prevCr = _mm256_insert_epi8(zero, afterCr ? -1 : 0, 31);
    __m256i wordAcc = zero, lineAcc = zero, charAcc = zero;
    for (int steps = 0; i + 32 <= n; i += 32) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
        const std::uint32_t high = mask32(v);
        __m256i cont = zero;
        if (high) {
            if (!utf8) break;
            // As wholeShortCharacters(), for thirty-two bytes.
            cont = below(v, -64);
            const std::uint32_t contMask = mask32(cont);
            const std::uint32_t lead = between(v, -62, -33);
            const std::uint32_t lead3 = between(v, -31, -20) | between(v, -18, -17);
            if ((high & ~contMask & ~lead & ~lead3) != 0 ||
                contMask != ((lead << 1) | (lead3 << 1) | (lead3 << 2)) || (lead & 0x80000000u) ||
                (lead3 & 0xC0000000u))
                break;
        }
        const __m256i cr = _mm256_cmpeq_epi8(v, _mm256_set1_epi8('\r'));
        const __m256i lf = _mm256_cmpeq_epi8(v, _mm256_set1_epi8('\n'));
        const __m256i tab = _mm256_cmpeq_epi8(v, _mm256_set1_epi8('\t'));
        const __m256i sep =
            _mm256_or_si256(_mm256_or_si256(cr, lf),
                            _mm256_or_si256(tab, _mm256_cmpeq_epi8(v, _mm256_set1_epi8(' '))));
        wordAcc = _mm256_sub_epi8(wordAcc, _mm256_andnot_si256(sep, byteBefore(sep, prevSep)));
        lineAcc = _mm256_sub_epi8(
            lineAcc, _mm256_or_si256(cr, _mm256_andnot_si256(byteBefore(cr, prevCr), lf)));
        charAcc = _mm256_sub_epi8(
            charAcc,
            _mm256_andnot_si256(
                _mm256_or_si256(_mm256_or_si256(cr, lf), _mm256_or_si256(tab, cont)), ones));
        prevSep = sep;
        prevCr = cr;
        if (++steps == 255) {
            addLanes(wordAcc, words);
            addLanes(lineAcc, lines);
            addLanes(charAcc, chars);
            steps = 0;
        }
    }
    addLanes(wordAcc, words);
    addLanes(lineAcc, lines);
    addLanes(charAcc, chars);
    inWord = !(mask32(prevSep) & 0x80000000u);
    afterCr = mask32(prevCr) & 0x80000000u;
    return i;
}
#endif

}  // namespace

void TallyCounter::feed(std::string_view block) {
    if (keyword_) keyword_->feed(block, nullptr);

    const auto* s = reinterpret_cast<const unsigned char*>(block.data());
    const std::size_t n = block.size();
    std::size_t i = 0;
    if (pendingLength_ > 0) countUtf8Tail(s, n, i);

    // Counted in locals, which stay in registers: the counter's own members
    // could alias the bytes read, and would be stored and loaded each step.
    std::int64_t words = counts_.words, lines = counts_.lines, chars = counts_.chars;
    bool inWord = inWord_, afterCr = afterCr_;
    const auto keep = [&] {
        counts_.words = words;
        counts_.lines = lines;
        counts_.chars = chars;
        inWord_ = inWord;
        afterCr_ = afterCr;
    };
    [[maybe_unused]] const bool utf8 = folder_.charset() == Charset::Utf8;
    while (i < n) {
#ifdef __SSE2__
        // Sixteen bytes at a time, or the ASCII bytes among them up to the
        // first other one: the common case of text and markup.
#ifdef LEXMILL_TALLY_AVX2
        static const bool avx2 = __builtin_cpu_supports("avx2");
        if (avx2) i = countChunksAvx2(s, i, n, utf8, words, lines, chars, inWord, afterCr);
#endif
        i = countChunks(s, i, n, utf8, words, lines, chars, inWord, afterCr);
        if (i >= n) break;
        // Stopped at sixteen bytes that are not all ASCII: the ASCII ones
        // before the first other one, then that one byte-wise.
        if (i + 16 <= n) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
            const int ascii = __builtin_ctz(mask(v));
            if (ascii > 0) {
                const unsigned lanes = (1u << ascii) - 1;
                auto equal = [&](char c) {
                    return mask(_mm_cmpeq_epi8(v, _mm_set1_epi8(c))) & lanes;
                };
                const unsigned cr = equal('\r'), lf = equal('\n'), tab = equal('\t');
                const unsigned separator = cr | lf | tab | equal(' ');
                const unsigned wordByte = ~separator & lanes;
                // A byte starts a word when the byte before it (the last one
                // counted before, for the first) is a separator.
                const unsigned before = (separator << 1) | (inWord ? 0u : 1u);
                words += bitCount(wordByte & before);
                const unsigned crlf = lf & ((cr << 1) | (afterCr ? 1u : 0u));
                lines += bitCount(cr) + bitCount(lf) - bitCount(crlf);
                chars += ascii - bitCount(cr | lf | tab);
                inWord = (wordByte >> (ascii - 1)) & 1;
                afterCr = (cr >> (ascii - 1)) & 1;
                i += static_cast<std::size_t>(ascii);
            }
        }
#endif
        const unsigned char b = s[i];
        if (b < 0x80) {
            switch (b) {
                case '\r':
                    ++lines;
                    afterCr = true;
                    inWord = false;
                    break;
                case '\n':
                    if (!afterCr) ++lines;
                    afterCr = false;
                    inWord = false;
                    break;
                case '\t':
                    afterCr = false;
                    inWord = false;
                    break;
                case ' ':
                    afterCr = false;
                    inWord = false;
                    ++chars;
                    break;
                default:
                    afterCr = false;
                    ++chars;
                    if (!inWord) {
                        ++words;
                        inWord = true;
                    }
            }
            ++i;
            continue;
        }
        afterCr = false;
        if (!inWord) {
            ++words;
            inWord = true;
        }
        if (folder_.charset() == Charset::Windows1252) {
            ++chars;
            ++i;
            continue;
        }
        const int len = utf8::sequenceLength(s + i, n - i);
        if (len < 0) {  // completed, or not, by the next block
            pendingLength_ = n - i;
            std::memcpy(pending_, s + i, pendingLength_);
            return keep();
        }
        ++chars;
        i += len > 0 ? static_cast<std::size_t>(len) : 1;
    }
    keep();
}

// Settles the UTF-8 sequence begun at the end of the last block, taking the
// bytes it still needs from the start of this one.
void TallyCounter::countUtf8Tail(const unsigned char* s, std::size_t n, std::size_t& i) {
    unsigned char seq[4];
    std::memcpy(seq, pending_, pendingLength_);
    const std::size_t more = std::min<std::size_t>(4 - pendingLength_, n);
    std::memcpy(seq + pendingLength_, s, more);
    const int len = utf8::sequenceLength(seq, pendingLength_ + more);
    if (len < 0) {  // still incomplete: the whole block belongs to it
        std::memcpy(pending_ + pendingLength_, s, n);
        pendingLength_ += n;
        i = n;
        return;
    }
    if (len > 0) {
        ++counts_.chars;
        i = static_cast<std::size_t>(len) - pendingLength_;
    } else {
        // Invalid: each byte held back is a character of its own; the byte
        // that broke the sequence is counted by the main loop.
        counts_.chars += static_cast<std::int64_t>(pendingLength_);
        i = 0;
    }
    pendingLength_ = 0;
}

TallyCounts TallyCounter::finish() {
    counts_.chars += static_cast<std::int64_t>(pendingLength_);
    pendingLength_ = 0;
    if (keyword_) {
        keyword_->finish(nullptr);
        counts_.keywords = static_cast<std::int64_t>(keyword_->count());
    }
    return counts_;
}

TallyCounts tallyText(std::string_view text, std::string_view keyword, Charset charset) {
    TallyCounter counter(keyword, charset);
    counter.feed(text);
    return counter.finish();
}

TallyCounts tallyFile(const std::string& path, std::string_view keyword,
                      const std::function<void(std::int64_t)>& progress, std::int64_t* size,
                      Charset charset) {
    struct stat st {};
    const UniqueFd fd = openOrdinaryFile(path, &st);
    if (size) *size = st.st_size;

    TallyCounter counter(keyword, charset);
    // Read sixteen blocks at a time (one system call instead of sixteen),
    // counted and reported block by block.
    std::vector<char> buffer(16 * kFileTallyBlock);
    std::int64_t handled = 0;
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR) continue;
            throw FileError::fromErrno(path, "cannot read", errno);
        }
        if (got == 0) break;
        for (std::size_t at = 0; at < static_cast<std::size_t>(got); at += kFileTallyBlock) {
            const std::size_t n = std::min(kFileTallyBlock, static_cast<std::size_t>(got) - at);
            counter.feed(std::string_view(buffer.data() + at, n));
            handled += static_cast<std::int64_t>(n);
            if (progress) progress(handled);
        }
    }
    return counter.finish();
}

}  // namespace lexmill
