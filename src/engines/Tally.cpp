#include "Tally.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

#include "FileError.h"
#include "OrdinaryFile.h"
#include "UniqueFd.h"
#include "Utf8.h"

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

}  // namespace

void TallyCounter::feed(std::string_view block) {
    if (keyword_) keyword_->feed(block, nullptr);

    const auto* s = reinterpret_cast<const unsigned char*>(block.data());
    const std::size_t n = block.size();
    std::size_t i = 0;
    if (pendingLength_ > 0) countUtf8Tail(s, n, i);

    TallyCounts& c = counts_;
    [[maybe_unused]] const bool utf8 = folder_.charset() == Charset::Utf8;
    while (i < n) {
#ifdef __SSE2__
        // Sixteen bytes at a time, or the ASCII bytes among them up to the
        // first other one: the common case of text and markup.
        if (i + 16 <= n) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
            const unsigned high = static_cast<unsigned>(_mm_movemask_epi8(v));
            int ascii = high ? __builtin_ctz(high) : 16;
            // Or the whole sixteen when their other bytes are two- and
            // three-byte UTF-8 characters (accented letters, dashes, quotes),
            // each whole in them: a character is then a byte that is no
            // continuation byte. E0 and ED, whose next byte has a narrower
            // range, are left to the byte-wise count.
            unsigned continuation = 0;
            if (high && utf8) {
                const auto mask = [](__m128i m) {
                    return static_cast<unsigned>(_mm_movemask_epi8(m));
                };
                // As signed bytes, 0x80-0xBF are below -64 and 0xC2-0xDF
                // from -62 to -33.
                const unsigned cont = mask(_mm_cmplt_epi8(v, _mm_set1_epi8(-64)));
                const auto between = [&](int low, int highest) {  // signed, inclusive
                    return mask(_mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(low - 1)),
                                              _mm_cmplt_epi8(v, _mm_set1_epi8(highest + 1))));
                };
                const unsigned lead = between(-62, -33);                       // C2-DF
                const unsigned lead3 = between(-31, -20) | between(-18, -17);  // E1-EC, EE-EF
                if ((high & ~cont & ~lead & ~lead3) == 0 &&
                    cont == ((lead << 1) | (lead3 << 1) | (lead3 << 2)) && !(lead & 0x8000) &&
                    !(lead3 & 0xC000)) {
                    ascii = 16;
                    continuation = cont;
                }
            }
            if (ascii > 0) {
                const unsigned lanes = (1u << ascii) - 1;
                auto equal = [&](char c) {
                    return static_cast<unsigned>(
                               _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(c)))) &
                           lanes;
                };
                const unsigned cr = equal('\r'), lf = equal('\n'), tab = equal('\t');
                const unsigned separator = cr | lf | tab | equal(' ');
                const unsigned wordByte = ~separator & lanes;
                // A byte starts a word when the byte before it (the last one
                // counted before, for the first) is a separator.
                const unsigned before = (separator << 1) | (inWord_ ? 0u : 1u);
                c.words += bitCount(wordByte & before);
                const unsigned crlf = lf & ((cr << 1) | (afterCr_ ? 1u : 0u));
                c.lines += bitCount(cr) + bitCount(lf) - bitCount(crlf);
                c.chars += ascii - bitCount(cr | lf | tab | continuation);
                inWord_ = (wordByte >> (ascii - 1)) & 1;
                afterCr_ = (cr >> (ascii - 1)) & 1;
                i += static_cast<std::size_t>(ascii);
                if (ascii == 16) continue;
            }
        }
#endif
        const unsigned char b = s[i];
        if (b < 0x80) {
            switch (b) {
                case '\r':
                    ++c.lines;
                    afterCr_ = true;
                    inWord_ = false;
                    break;
                case '\n':
                    if (!afterCr_) ++c.lines;
                    afterCr_ = false;
                    inWord_ = false;
                    break;
                case '\t':
                    afterCr_ = false;
                    inWord_ = false;
                    break;
                case ' ':
                    afterCr_ = false;
                    inWord_ = false;
                    ++c.chars;
                    break;
                default:
                    afterCr_ = false;
                    ++c.chars;
                    if (!inWord_) {
                        ++c.words;
                        inWord_ = true;
                    }
            }
            ++i;
            continue;
        }
        afterCr_ = false;
        if (!inWord_) {
            ++c.words;
            inWord_ = true;
        }
        if (folder_.charset() == Charset::Windows1252) {
            ++c.chars;
            ++i;
            continue;
        }
        const int len = utf8::sequenceLength(s + i, n - i);
        if (len < 0) {  // completed, or not, by the next block
            pendingLength_ = n - i;
            std::memcpy(pending_, s + i, pendingLength_);
            return;
        }
        ++c.chars;
        i += len > 0 ? static_cast<std::size_t>(len) : 1;
    }
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
