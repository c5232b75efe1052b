#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "match/LiteralScanner.h"
#include "match/RegexPattern.h"

namespace lexmill {

// A file a pattern cannot be matched in: a match longer than the scan may
// hold, or a search that exceeded PCRE2's limits. The message says which.
class MatchError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The longest match (or partial match held across pieces) a scan accepts.
inline constexpr std::size_t kMaxRegexMatch = 8 << 20;

// Tells the stream offset and length of each occurrence, and the length of
// what it was replaced with.
using OccurrenceHook = std::function<void(std::uint64_t, std::uint64_t, std::uint64_t)>;

// Finds the matches of a regular expression in a stream of bytes fed piece by
// piece, as LiteralScanner does a literal: left to right, never overlapping,
// an empty match never twice at one place; with replacing on, each match is
// written out as the expanded replacement, which is never searched again.
// A match that crosses pieces is completed with PCRE2's partial matching, so
// the result is that of matching the whole stream at once, however it is cut.
class RegexScanner {
  public:
    // `pattern` and `buffers` (null: the scanner's own) must outlive the scanner.
    explicit RegexScanner(const RegexPattern& pattern, ScanBuffers* buffers = nullptr);
    RegexScanner(const RegexScanner&) = delete;
    RegexScanner& operator=(const RegexScanner&) = delete;

    void setReplacing(bool on) { replacing_ = on; }
    void setStopAtFirst(bool stop) { stopAtFirst_ = stop; }
    void setOccurrenceHook(OccurrenceHook hook) { hook_ = std::move(hook); }
    // The bytes just before the stream (lookbehind and line starts see them),
    // when the scan starts inside a file; call before any input.
    void setContext(std::string_view before);

    char* reserve(std::size_t n);
    // These throw MatchError.
    void advance(std::size_t filled, const ByteSink& out);
    void feed(std::string_view piece, const ByteSink& out);
    void finish(const ByteSink& out);

    std::uint64_t count() const { return count_; }
    // Where the first match began (before a \K in it): a replace pass starts there.
    std::optional<std::uint64_t> firstOffset() const { return first_; }
    bool stopped() const { return stopAtFirst_ && count_ > 0; }
    // Whether a match replaced so far differed from its replacement: false,
    // the text written out is the text read.
    bool changed() const { return changed_; }

  private:
    void scan(bool final, const ByteSink& out);
    std::size_t completeEnd() const;
    void expand(const ByteSink& out, std::size_t& length);

    const RegexPattern& pattern_;
    ScanBuffers own_;
    ScanBuffers& buffers_;
    std::string& raw_;
    bool replacing_ = false;
    bool stopAtFirst_ = false;
    bool changed_ = false;
    OccurrenceHook hook_;

    std::size_t length_ = 0;   // bytes of raw_ in use
    std::size_t written_ = 0;  // raw_[0, written_) is written out, or context
    std::size_t search_ = 0;   // where the next search starts
    bool noEmpty_ = false;     // a match just ended at search_ empty
    bool ended_ = false;       // no match can follow
    std::int64_t base_ = 0;    // stream offset of raw_[0] (negative: context)
    std::uint64_t count_ = 0;
    std::optional<std::uint64_t> first_;
};

}  // namespace lexmill
