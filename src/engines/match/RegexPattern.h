#pragma once

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "match/TextFold.h"

namespace lexmill {

// A pattern that cannot be used: PCRE2's own message, and the byte offset in
// the text where it stopped. For a replacement, the message is a sentence of
// its own that names the offset.
class PatternError : public std::runtime_error {
  public:
    PatternError(std::string message, std::size_t offset, bool inReplacement = false)
        : std::runtime_error(inReplacement ? message
                                           : message + " at offset " + std::to_string(offset)),
          message_(std::move(message)),
          offset_(offset),
          inReplacement_(inReplacement) {}
    const std::string& message() const { return message_; }
    std::size_t offset() const { return offset_; }
    bool inReplacement() const { return inReplacement_; }

  private:
    std::string message_;
    std::size_t offset_;
    bool inReplacement_;
};

// The replacement of a regular expression run: "$1".."$99", "${name}", "$$"
// for a dollar, "\n", "\r", "\t" and "\\"; anything else stands for itself.
struct RegexReplacement {
    struct Piece {
        std::string text;  // literal bytes, when group < 0
        int group = -1;
    };
    std::vector<Piece> pieces;
};

struct RegexImpl;

// A Perl-compatible pattern compiled once (with JIT where the machine has it)
// for a run: "^" and "$" at every line start and end (CR LF, CR or LF), "."
// matching no line break, case ignored as the charset folds it, invalid UTF-8
// in a file never stopping a search. With its replacement template.
class RegexPattern {
  public:
    // Throws PatternError: for the pattern, PCRE2's message; for the
    // replacement, a reference to a group the pattern does not have.
    RegexPattern(std::string_view pattern, std::string_view replacement, bool matchCase,
                 Charset charset);
    ~RegexPattern();
    RegexPattern(const RegexPattern&) = delete;
    RegexPattern& operator=(const RegexPattern&) = delete;

    const RegexImpl& impl() const { return *impl_; }
    const RegexReplacement& replacement() const { return replacement_; }
    // Bytes before a search position that matching may look at (lookbehind, \b).
    std::size_t lookbehindBytes() const { return lookbehindBytes_; }

  private:
    std::unique_ptr<RegexImpl> impl_;
    RegexReplacement replacement_;
    std::size_t lookbehindBytes_ = 0;
};

// Checks a pattern and replacement before a run reads any file. Throws PatternError.
void checkPattern(std::string_view pattern, std::string_view replacement, bool matchCase,
                  Charset charset);

// The pattern of the options a run reads afresh for each file, compiled again
// only when they changed.
class PatternCache {
  public:
    // Throws PatternError.
    const RegexPattern& get(std::string_view pattern, std::string_view replacement, bool matchCase,
                            Charset charset);

  private:
    std::unique_ptr<RegexPattern> pattern_;
    std::string text_, replacement_;
    bool matchCase_ = false;
    Charset charset_ = Charset::Utf8;
};

}  // namespace lexmill
