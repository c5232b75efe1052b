#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "match/TextFold.h"

namespace lexmill {

// Receives the bytes a scan writes out, in order.
using ByteSink = std::function<void(std::string_view)>;

// Working memory of scans, kept from one file to the next so that each file
// does not allocate (and fault in) buffers of its own. One scan at a time.
class RegexWork;
struct ScanBuffers {
    std::string raw, folded;
    std::shared_ptr<RegexWork> regex;  // made by the first regular expression scan
};

// Finds the occurrences of one literal in a stream of bytes fed piece by piece:
// left to right, never overlapping, an occurrence across the border of two
// pieces found once. With a folder the match ignores case, but the bytes
// written out are always the stream's own; with a replacement each occurrence
// is written out as the replacement, which is never searched again.
//
// The result is the same however the stream is cut into pieces.
class LiteralScanner {
  public:
    // An empty needle never matches. `folder` may be null (exact matching);
    // it and `buffers` (null: the scanner's own) must outlive the scanner.
    LiteralScanner(std::string_view needle, const CaseFolder* folder,
                   ScanBuffers* buffers = nullptr);
    LiteralScanner(const LiteralScanner&) = delete;
    LiteralScanner& operator=(const LiteralScanner&) = delete;

    // Write out each occurrence as `replacement` (instead of only counting).
    void setReplacement(std::string_view replacement) { replacement_ = replacement; }

    // Stop scanning at the first occurrence: the scan reports it, writes
    // nothing more, and ignores further input.
    void setStopAtFirst(bool stop) { stopAtFirst_ = stop; }

    // Tells `hook` the stream offset of each occurrence as it is found.
    void setOccurrenceHook(std::function<void(std::uint64_t)> hook) { hook_ = std::move(hook); }

    // Room for up to n more bytes of the stream; fill some, then call advance().
    char* reserve(std::size_t n);
    void advance(std::size_t filled, const ByteSink& out);

    // A scan either writes out on every call or on none (`out` null: counting).
    void feed(std::string_view piece, const ByteSink& out);

    // Ends the stream: scans and writes out what was held back.
    void finish(const ByteSink& out);

    std::uint64_t count() const { return count_; }
    // Offset in the stream of the first occurrence, if any was found.
    std::optional<std::uint64_t> firstOffset() const { return first_; }
    bool stopped() const { return stopAtFirst_ && count_ > 0; }
    // Whether an occurrence written out so far differed from its replacement:
    // false, the text written out is the text read.
    bool changed() const { return changed_; }

  private:
    void scan(bool final, const ByteSink& out);

    std::string needle_;  // folded when matching ignores case
    std::string replacement_;
    const CaseFolder* folder_;
    bool asciiFold_ = false;  // the needle is ASCII: folding ASCII letters is enough
    std::size_t rare_ = 0;    // the needle's byte least common in text
    bool rawless_ = false;    // counting only: raw_ is not kept
    bool stopAtFirst_ = false;
    bool changed_ = false;

    ScanBuffers own_;
    std::string& raw_;              // bytes received and not yet written out
    std::string& folded_;           // folded form of raw_[0, foldedLength_)
    std::size_t length_ = 0;        // bytes of raw_ in use
    std::size_t foldedLength_ = 0;  // bytes of raw_ folded so far
    std::uint64_t consumed_ = 0;    // stream offset of raw_[0]
    std::uint64_t count_ = 0;
    std::optional<std::uint64_t> first_;
    std::function<void(std::uint64_t)> hook_;
};

// Counts the non-overlapping occurrences of needle in text, ignoring case.
std::uint64_t countOccurrences(std::string_view text, std::string_view needle,
                               const CaseFolder& folder);

}  // namespace lexmill
