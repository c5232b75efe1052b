#include "LiteralScanner.h"

#include <string.h>  // memmem

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
    } else if (folder_) {
        if (folded_.size() < length_) folded_.resize(raw_.size());
        if (asciiFold_) {
            CaseFolder::foldAscii(raw_.data() + foldedLength_, length_ - foldedLength_,
                                  folded_.data() + foldedLength_);
            foldedLength_ = length_;
        } else {
            foldedLength_ += folder_->fold(raw_.data() + foldedLength_, length_ - foldedLength_,
                                           folded_.data() + foldedLength_, final);
        }
        hay = folded_.data();
    } else {
        foldedLength_ = length_;
    }

    std::size_t pos = 0;
    if (!needle_.empty()) {
        for (;;) {
            const std::size_t hit = findLiteral(hay + pos, foldedLength_ - pos, needle_);
            if (hit == std::string_view::npos) break;
            const std::size_t at = pos + hit;
            if (!first_) first_ = consumed_ + at;
            ++count_;
            if (hook_) hook_(consumed_ + at);
            if (out) {
                out(std::string_view(raw_.data() + pos, at - pos));
                if (!stopAtFirst_) out(replacement_);
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
    if (folder_) std::memmove(folded_.data(), folded_.data() + safe, foldedLength_ - safe);
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
