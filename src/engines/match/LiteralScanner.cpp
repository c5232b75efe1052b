#include "match/LiteralScanner.h"

#include <string.h>  // memmem

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cstring>

namespace lexmill {
namespace {

std::size_t findLiteral(const char* hay, std::size_t hayLength, std::string_view needle) {
    if (needle.size() > hayLength) return std::string_view::npos;
    const void* hit = needle.size() == 1 ? std::memchr(hay, needle[0], hayLength)
                                         : memmem(hay, hayLength, needle.data(), needle.size());
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - hay)
               : std::string_view::npos;
}

// findLiteral() by the places of the needle's rarest byte, found with memchr,
// which goes through text much faster than memmem where that byte is rare.
// Where it turns out common (candidates that fail come often), the rest is
// left to memmem, so no text takes longer than a linear search.
std::size_t findByRareByte(const char* hay, std::size_t hayLength, std::string_view needle,
                           std::size_t rare) {
    const std::size_t m = needle.size();
    if (m < 2 || m > hayLength) return findLiteral(hay, hayLength, needle);
    const char b = needle[rare];
    const std::size_t last = hayLength - m;  // the last place a candidate may start
    std::size_t s = 0, misses = 0;
    while (s <= last) {
        const void* hit = std::memchr(hay + s + rare, b, last - s + 1);
        if (!hit) return std::string_view::npos;
        const std::size_t start =
            static_cast<std::size_t>(static_cast<const char*>(hit) - hay) - rare;
        if (std::memcmp(hay + start, needle.data(), m) == 0) return start;
        s = start + 1;
        if (++misses > 64 && misses * 32 > s) {
            const std::size_t rest = findLiteral(hay + s, hayLength - s, needle);
            return rest == std::string_view::npos ? rest : s + rest;
        }
    }
    return std::string_view::npos;
}

// How common a byte is in text, roughly (higher: more common); letters by
// their frequency in English, either case.
int commonness(unsigned char b) {
    static constexpr char kLetters[] = "zqxjkvbpygfwmucldrhsnioate";  // rarest first
    if (b == ' ') return 100;
    if (b >= 'a' && b <= 'z') return 40 + static_cast<int>(std::strchr(kLetters, b) - kLetters);
    if (b == '\n' || b == '\r' || b == '<' || b == '>' || b == '.' || b == ',') return 35;
    return 20;
}

// Finds a lower-case ASCII needle in hay, ignoring the case of ASCII letters.
// Candidates are the places of its rarest byte, looked for in both cases at
// once, sixteen bytes at a time.
std::size_t findAsciiNoCase(const char* hay, std::size_t hayLength, std::string_view needle,
                            std::size_t rare) {
    const std::size_t m = needle.size();
    if (m > hayLength) return std::string_view::npos;
    const auto lower = static_cast<unsigned char>(needle[rare]);
    const auto upper =
        static_cast<unsigned char>(lower >= 'a' && lower <= 'z' ? lower - 0x20 : lower);
    const auto matchesAt = [&](std::size_t start) {
        for (std::size_t k = 0; k < m; ++k) {
            auto b = static_cast<unsigned char>(hay[start + k]);
            if (b >= 'A' && b <= 'Z') b += 0x20;
            if (b != static_cast<unsigned char>(needle[k])) return false;
        }
        return true;
    };
    // The rare byte of a candidate starting at s is at s + rare, s <= last.
    const std::size_t last = hayLength - m;
    std::size_t s = 0;
#ifdef __SSE2__
    const __m128i lo = _mm_set1_epi8(static_cast<char>(lower));
    const __m128i up = _mm_set1_epi8(static_cast<char>(upper));
    for (; s + 16 <= last + 1; s += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hay + s + rare));
        unsigned bits = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, lo), _mm_cmpeq_epi8(v, up))));
        for (; bits; bits &= bits - 1) {
            const std::size_t start = s + static_cast<std::size_t>(__builtin_ctz(bits));
            if (matchesAt(start)) return start;
        }
    }
#endif
    for (; s <= last; ++s) {
        const auto b = static_cast<unsigned char>(hay[s + rare]);
        if ((b == lower || b == upper) && matchesAt(s)) return s;
    }
    return std::string_view::npos;
}

}  // namespace

LiteralScanner::LiteralScanner(std::string_view needle, const CaseFolder* folder,
                               ScanBuffers* buffers)
    : needle_(folder ? folder->fold(needle) : std::string(needle)),
      folder_(folder),
      raw_(buffers ? buffers->raw : own_.raw),
      folded_(buffers ? buffers->folded : own_.folded) {
    asciiFold_ = folder && folder->charset() == Charset::Utf8 &&
                 std::all_of(needle_.begin(), needle_.end(),
                             [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    for (std::size_t i = 1; i < needle_.size(); ++i)
        if (commonness(static_cast<unsigned char>(needle_[i])) <
            commonness(static_cast<unsigned char>(needle_[rare_])))
            rare_ = i;
}

char* LiteralScanner::reserve(std::size_t n) {
    if (raw_.size() < length_ + n) raw_.resize(length_ + n);
    return raw_.data() + length_;
}

void LiteralScanner::advance(std::size_t filled, const ByteSink& out) {
    if (stopped()) return;
    length_ += filled;
    scan(false, out);
}

void LiteralScanner::feed(std::string_view piece, const ByteSink& out) {
    if (stopped()) return;
    if (!out && asciiFold_) {
        // Only counting: the folded text is all the scan needs; the stream's
        // own bytes are not kept.
        rawless_ = true;
        if (folded_.size() < length_ + piece.size()) folded_.resize(length_ + piece.size());
        CaseFolder::foldAscii(piece.data(), piece.size(), folded_.data() + length_);
        length_ += piece.size();
        foldedLength_ = length_;
        return scan(false, out);
    }
    std::memcpy(reserve(piece.size()), piece.data(), piece.size());
    advance(piece.size(), out);
}

void LiteralScanner::finish(const ByteSink& out) {
    if (stopped()) return;
    scan(true, out);
}

void LiteralScanner::scan(bool final, const ByteSink& out) {
    const char* hay = raw_.data();
    if (rawless_) {
        hay = folded_.data();
    } else if (folder_ && !asciiFold_) {
        if (folded_.size() < length_) folded_.resize(raw_.size());
        foldedLength_ += folder_->fold(raw_.data() + foldedLength_, length_ - foldedLength_,
                                       folded_.data() + foldedLength_, final);
        hay = folded_.data();
    } else {
        // An ASCII needle is matched in the stream's own bytes, ignoring case.
        foldedLength_ = length_;
    }

    std::size_t pos = 0;
    if (!needle_.empty()) {
        for (;;) {
            const std::size_t hit =
                asciiFold_ && !rawless_
                    ? findAsciiNoCase(hay + pos, foldedLength_ - pos, needle_, rare_)
                    : findByRareByte(hay + pos, foldedLength_ - pos, needle_, rare_);
            if (hit == std::string_view::npos) break;
            const std::size_t at = pos + hit;
            if (!first_) first_ = consumed_ + at;
            ++count_;
            if (hook_) hook_(consumed_ + at);
            if (out) {
                out(std::string_view(raw_.data() + pos, at - pos));
                if (!stopAtFirst_) out(replacement_);
                changed_ =
                    changed_ || std::string_view(raw_.data() + at, needle_.size()) != replacement_;
            }
            pos = at + needle_.size();
            if (stopAtFirst_) return;
        }
    }

    // Everything before the last needle-length-minus-one folded bytes can no
    // longer be part of an occurrence; the rest waits for the next piece.
    std::size_t keep = final || needle_.empty() ? 0 : needle_.size() - 1;
    std::size_t safe = foldedLength_ > keep ? foldedLength_ - keep : 0;
    safe = std::max(safe, pos);
    if (final) safe = length_;
    if (out && safe > pos) out(std::string_view(raw_.data() + pos, safe - pos));

    const std::size_t rest = length_ - safe;
    if (!rawless_) std::memmove(raw_.data(), raw_.data() + safe, rest);
    if (rawless_ || (folder_ && !asciiFold_))
        std::memmove(folded_.data(), folded_.data() + safe, foldedLength_ - safe);
    consumed_ += safe;
    length_ = rest;
    foldedLength_ -= safe;
}

std::uint64_t countOccurrences(std::string_view text, std::string_view needle,
                               const CaseFolder& folder) {
    LiteralScanner scanner(needle, &folder);
    scanner.feed(text, nullptr);
    scanner.finish(nullptr);
    return scanner.count();
}

}  // namespace lexmill
