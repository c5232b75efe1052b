#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "match/LiteralScanner.h"
#include "match/TextFold.h"

namespace lexmill {

// The counts of one tally.
struct TallyCounts {
    std::int64_t words = 0;
    std::int64_t lines = 1;  // one more than the line breaks seen
    std::int64_t chars = 0;  // characters other than TAB, CR and LF
    std::int64_t keywords = 0;

    bool operator==(const TallyCounts&) const = default;
};

// Counts lines, words, characters and keyword occurrences of a text fed in
// blocks. The counts do not depend on where the blocks are cut: a word, a CR LF
// pair, a UTF-8 character or a keyword occurrence across a border counts once.
//
// A line break is CR LF, a lone CR or a lone LF. A word is a maximal run of
// characters other than space, TAB, CR and LF. A character is a UTF-8
// character or, where the bytes are not valid UTF-8, a single byte; in
// Windows-1252 every byte is a character. Keywords are matched ignoring case
// (as the charset folds it) and never overlap.
class TallyCounter {
  public:
    explicit TallyCounter(std::string_view keyword = {}, Charset charset = Charset::Utf8);

    void feed(std::string_view block);
    TallyCounts finish();

  private:
    void countUtf8Tail(const unsigned char* s, std::size_t n, std::size_t& i);

    CaseFolder folder_;
    std::optional<LiteralScanner> keyword_;
    TallyCounts counts_;
    bool inWord_ = false;
    bool afterCr_ = false;
    unsigned char pending_[4] = {};  // an incomplete UTF-8 sequence from the last block
    std::size_t pendingLength_ = 0;
};

// Tallies a whole text in one block.
TallyCounts tallyText(std::string_view text, std::string_view keyword,
                      Charset charset = Charset::Utf8);

// Reads the file in blocks of kFileTallyBlock bytes; `progress` (optional) gets
// the bytes read so far after each block. Throws FileError when the file cannot
// be opened or read, or is no ordinary file (a FIFO or a device put in its
// place is refused without waiting on it); the file is opened for reading only.
inline constexpr std::size_t kFileTallyBlock = 8000;
TallyCounts tallyFile(const std::string& path, std::string_view keyword,
                      const std::function<void(std::int64_t)>& progress = {},
                      std::int64_t* size = nullptr, Charset charset = Charset::Utf8);

}  // namespace lexmill
