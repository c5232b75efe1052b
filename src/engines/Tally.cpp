#include "Tally.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "FileError.h"
#include "UniqueFd.h"
#include "Utf8.h"

namespace lexmill {

TallyCounter::TallyCounter(std::string_view keyword) {
    if (!keyword.empty()) keyword_.emplace(keyword, &folder_);
}

namespace {

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighs = 0x8080808080808080ULL;

// The high bit of each byte of x (all below 0x80) that equals c.
inline std::uint64_t bytesEqual(std::uint64_t x, unsigned char c) {
    const std::uint64_t t = x ^ (kOnes * c);
    return ~(((t & ~kHighs) + ~kHighs) | t) & kHighs;
}

// Number of bytes flagged in a mask of high bits.
inline std::int64_t flagged(std::uint64_t mask) {
    return static_cast<std::int64_t>(((mask >> 7) * kOnes) >> 56);
}

}  // namespace

void TallyCounter::feed(std::string_view block) {
    if (keyword_) keyword_->feed(block, nullptr);

    const auto* s = reinterpret_cast<const unsigned char*>(block.data());
    const std::size_t n = block.size();
    std::size_t i = 0;
    if (pendingLength_ > 0) countUtf8Tail(s, n, i);

    TallyCounts& c = counts_;
    while (i < n) {
        // Eight ASCII bytes at a time: the common case of text and markup.
        if (i + 8 <= n) {
            std::uint64_t x;
            std::memcpy(&x, s + i, 8);
            if ((x & kHighs) == 0) {
                const std::uint64_t cr = bytesEqual(x, '\r'), lf = bytesEqual(x, '\n');
                const std::uint64_t blank = bytesEqual(x, ' ') | bytesEqual(x, '\t');
                const std::uint64_t separator = cr | lf | blank;
                const std::uint64_t wordByte = ~separator & kHighs;
                // A byte starts a word when the byte before it (the last of the
                // previous eight for the first) is a separator.
                const std::uint64_t before = (separator << 8) | (inWord_ ? 0 : 0x80);
                c.words += flagged(wordByte & before);
                const std::uint64_t crlf = lf & ((cr << 8) | (afterCr_ ? 0x80 : 0));
                c.lines += flagged(cr) + flagged(lf) - flagged(crlf);
                c.chars += 8 - flagged(separator & ~bytesEqual(x, ' '));
                inWord_ = (wordByte >> 63) != 0;
                afterCr_ = (cr >> 63) != 0;
                i += 8;
                continue;
            }
        }
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

TallyCounts tallyText(std::string_view text, std::string_view keyword) {
    TallyCounter counter(keyword);
    counter.feed(text);
    return counter.finish();
}

TallyCounts tallyFile(const std::string& path, std::string_view keyword,
                      const std::function<void(std::int64_t)>& progress, std::int64_t* size) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (!fd) throw FileError::fromErrno(path, "cannot open", errno);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) throw FileError::fromErrno(path, "cannot read", errno);
    if (size) *size = st.st_size;

    TallyCounter counter(keyword);
    char block[kFileTallyBlock];
    std::int64_t handled = 0;
    for (;;) {
        const ssize_t got = ::read(fd.get(), block, sizeof block);
        if (got < 0) {
            if (errno == EINTR) continue;
            throw FileError::fromErrno(path, "cannot read", errno);
        }
        if (got == 0) break;
        counter.feed(std::string_view(block, static_cast<std::size_t>(got)));
        handled += got;
        if (progress) progress(handled);
    }
    return counter.finish();
}

}  // namespace lexmill
