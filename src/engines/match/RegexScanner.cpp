#include "match/RegexScanner.h"

#include <algorithm>
#include <cstring>

#include "match/RegexImpl.h"
#include "match/Utf8.h"

namespace lexmill {

RegexScanner::RegexScanner(const RegexPattern& pattern, ScanBuffers* buffers)
    : pattern_(pattern), buffers_(buffers ? *buffers : own_), raw_(buffers_.raw) {
    if (!buffers_.regex) buffers_.regex = std::make_shared<RegexWork>();
}

void RegexScanner::setContext(std::string_view before) {
    std::memcpy(reserve(before.size()), before.data(), before.size());
    length_ = written_ = search_ = before.size();
    base_ = -static_cast<std::int64_t>(before.size());
}

char* RegexScanner::reserve(std::size_t n) {
    if (raw_.size() < length_ + n) raw_.resize(length_ + n);
    return raw_.data() + length_;
}

void RegexScanner::advance(std::size_t filled, const ByteSink& out) {
    if (stopped()) return;
    length_ += filled;
    scan(false, out);
}

void RegexScanner::feed(std::string_view piece, const ByteSink& out) {
    if (stopped()) return;
    std::memcpy(reserve(piece.size()), piece.data(), piece.size());
    advance(piece.size(), out);
}

void RegexScanner::finish(const ByteSink& out) {
    if (stopped()) return;
    scan(true, out);
}

// The end of the bytes that matching may see before the stream ends: a UTF-8
// character cut by the piece's end waits for the rest of it.
std::size_t RegexScanner::completeEnd() const {
    if (!pattern_.impl().utf) return length_;
    const auto* s = reinterpret_cast<const unsigned char*>(raw_.data());
    for (std::size_t i = length_; i > search_ && i + 4 > length_;) {
        --i;
        if ((s[i] & 0xC0) == 0x80) continue;
        return utf8::sequenceLength(s + i, length_ - i) < 0 ? i : length_;
    }
    return length_;
}

void RegexScanner::expand(const ByteSink& out, std::size_t& length) {
    const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(buffers_.regex->data(pattern_.impl()));
    for (const auto& piece : pattern_.replacement().pieces) {
        std::string_view bytes = piece.text;
        if (piece.group >= 0) {
            const auto g = static_cast<std::size_t>(piece.group);
            bytes = ov[2 * g] == PCRE2_UNSET
                        ? std::string_view()
                        : std::string_view(raw_.data() + ov[2 * g], ov[2 * g + 1] - ov[2 * g]);
        }
        length += bytes.size();
        if (out && !bytes.empty()) out(bytes);
    }
}

void RegexScanner::scan(bool final, const ByteSink& out) {
    const RegexImpl& impl = pattern_.impl();
    RegexWork& work = *buffers_.regex;
    pcre2_match_data* data = work.data(impl);
    const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(data);
    const auto* subject = reinterpret_cast<PCRE2_SPTR>(raw_.data());
    const std::size_t end = final ? length_ : completeEnd();

    while (!ended_) {
        std::uint32_t options = final ? 0 : PCRE2_PARTIAL_HARD;
        if (noEmpty_) options |= PCRE2_NOTEMPTY_ATSTART;
        const int rc = pcre2_match(impl.code, subject, end, search_, options, data, work.context());
        if (rc == PCRE2_ERROR_NOMATCH || rc == PCRE2_ERROR_PARTIAL) {
            // No match starts before `next`, whatever follows (none at all
            // when nothing matched partly). A CR at the end is searched
            // again: PCRE2 steps over the LF of a CR LF only when it comes to
            // it from the CR, so the next search must come from there too.
            std::size_t next = rc == PCRE2_ERROR_NOMATCH ? end : ov[0];
            // An anchored pattern that fails where the last match ended has no more.
            if (rc == PCRE2_ERROR_NOMATCH && impl.anchored && (final || search_ < end))
                ended_ = true;
            if (end - next > kMaxRegexMatch)
                throw MatchError("a match of the regular expression is longer than 8 MiB");
            if (next == end && end > search_ && raw_[end - 1] == '\r') --next;
            if (next != search_) noEmpty_ = false;
            search_ = next;
            break;
        }
        if (rc == PCRE2_ERROR_MATCHLIMIT || rc == PCRE2_ERROR_HEAPLIMIT ||
            rc == PCRE2_ERROR_DEPTHLIMIT || rc == PCRE2_ERROR_JIT_STACKLIMIT)
            throw MatchError("the regular expression needs too much backtracking in this file (" +
                             pcre2Message(rc) + ")");
        if (rc < 0) throw MatchError("the regular expression failed: " + pcre2Message(rc));

        const std::size_t at = ov[0], to = std::max(ov[0], ov[1]);
        if (to - at > kMaxRegexMatch)
            throw MatchError("a match of the regular expression is longer than 8 MiB");
        const auto offset = static_cast<std::uint64_t>(base_ + static_cast<std::int64_t>(at));
        // Where the match began, before any \K: a search from there finds it again.
        if (!first_)
            first_ = static_cast<std::uint64_t>(
                base_ + static_cast<std::int64_t>(pcre2_get_startchar(data)));
        ++count_;
        std::size_t replaced = 0;
        if (out && at > written_) out(std::string_view(raw_.data() + written_, at - written_));
        if (replacing_ && !changed_ && out) {
            // Until one differs, each replacement is held and compared.
            std::string text;
            expand([&](std::string_view piece) { text += piece; }, replaced);
            changed_ = text != std::string_view(raw_.data() + at, to - at);
            out(text);
        } else if (replacing_) {
            expand(out, replaced);
        }
        if (hook_) hook_(offset, to - at, replaced);
        written_ = to;
        search_ = to;
        noEmpty_ = at == to;
        if (stopped()) return;
    }
    if (ended_) search_ = end;  // nothing more to search: hold nothing back

    if (final) {
        if (out && length_ > written_)
            out(std::string_view(raw_.data() + written_, length_ - written_));
        written_ = length_;
        return;
    }
    // Bytes before the next search start are in no match to come: write them
    // out, and keep only what lookbehind may still look at.
    if (out && search_ > written_)
        out(std::string_view(raw_.data() + written_, search_ - written_));
    written_ = std::max(written_, search_);
    const std::size_t drop = search_ > pattern_.lookbehindBytes()
                                 ? std::min(search_ - pattern_.lookbehindBytes(), written_)
                                 : 0;
    if (drop == 0) return;
    std::memmove(raw_.data(), raw_.data() + drop, length_ - drop);
    length_ -= drop, written_ -= drop, search_ -= drop;
    base_ += static_cast<std::int64_t>(drop);
}

}  // namespace lexmill
