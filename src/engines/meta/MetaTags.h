#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lexmill {

// One meta tag of a page: everything from "<meta " through the first ">" after
// it, byte for byte (letter case and line breaks as in the file).
struct MetaTag {
    std::uint64_t offset = 0;  // where its "<" is in the text
    std::uint64_t length = 0;  // bytes through the ">"
    // The tag's bytes. Empty for a tag longer than the scanner's keep limit;
    // the caller then fetches [offset, offset + length) from its source.
    std::string text;

    bool kept() const { return text.size() == length; }
};

// Finds meta tags in a text handed over in pieces of any size, so a file can
// be scanned block by block with the same result as the text read whole.
//
// The tag name is found in any letter case, but only as "<meta " with that one
// space: "<meta>", "<meta\t" and "<metadata " are not meta tags. A tag runs to
// the first ">" whatever lies between (quotes are not honoured), and the search
// for the next tag starts after that ">". An unterminated last tag is dropped.
class MetaTagScanner {
  public:
    static constexpr std::size_t kUnlimited = static_cast<std::size_t>(-1);

    // A tag whose bytes would exceed keepLimit is reported without its text, so
    // memory stays bounded while a "<meta " without ">" runs over a huge file.
    explicit MetaTagScanner(std::size_t keepLimit = kUnlimited) : keepLimit_(keepLimit) {}

    // Scans the next piece of the text.
    void feed(std::string_view piece);

    // Ends the text; returns the tags in text order. The scanner is spent.
    std::vector<MetaTag> finish();

  private:
    void keep(std::string_view bytes);

    std::size_t keepLimit_;
    std::uint64_t position_ = 0;  // offset of the next byte fed
    std::size_t matched_ = 0;     // bytes of "<meta " matched so far, outside a tag
    bool inTag_ = false;
    bool overflow_ = false;  // the open tag is longer than keepLimit_
    std::uint64_t tagOffset_ = 0;
    std::string pending_;  // the open tag (or the matched part of "<meta ")
    std::vector<MetaTag> tags_;
};

// The tags of a text, in order.
std::vector<std::string> ScanMetaTags(std::string_view text);

// The tags of a file, read once in blocks. Memory stays bounded by the tags
// found, whatever the file's size. Throws FileError when the file cannot be
// opened or read, or is not an ordinary file.
inline constexpr std::size_t kMetaTagKeepLimit = 1 << 20;
std::vector<std::string> ReadMetaTags(const std::string& path,
                                      std::size_t keepLimit = kMetaTagKeepLimit);

// The viewer's list: each tag followed by CR LF.
std::string MetaTagListText(const std::vector<std::string>& tags);

// The size of the page to scan, or nothing when no ordinary file is there: a
// missing file, a folder or a device, or a hidden one (name starting with ".")
// which the file list never shows. Links are followed.
std::optional<std::int64_t> FindOrdinaryFile(const std::string& path);

}  // namespace lexmill
