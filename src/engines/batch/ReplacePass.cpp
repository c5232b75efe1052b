#include "batch/ReplacePass.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "base/FileError.h"
#include "match/Utf8.h"

namespace lexmill {
namespace {

// Reads start small and grow: most files are small, and a big buffer costs
// its zero-filling on the first file (a search of one small file, say).
constexpr std::size_t kFirstReadBlock = 16 << 10;
constexpr std::size_t kReadBlock = 1 << 20;

// Where folding must begin for byte `offset` of fd to be folded as it is when
// the whole file is folded from its start: the start of the UTF-8 character
// that holds it. Every byte that is no continuation byte starts a character
// of its own, so the character is found among the three bytes before.
std::uint64_t characterStart(int fd, const std::string& path, std::uint64_t offset) {
    const std::uint64_t from = offset < 3 ? 0 : offset - 3;
    unsigned char bytes[7];
    ssize_t got;
    do {
        got = ::pread(fd, bytes, sizeof bytes, static_cast<off_t>(from));
    } while (got < 0 && errno == EINTR);
    if (got < 0) throw FileError::fromErrno(path, "cannot read", errno);
    for (std::uint64_t at = from; at < offset; ++at) {
        const std::size_t i = static_cast<std::size_t>(at - from);
        if (i >= static_cast<std::size_t>(got) || (bytes[i] & 0xC0) == 0x80) continue;
        const int length = utf8::sequenceLength(bytes + i, static_cast<std::size_t>(got) - i);
        if (length > 0 && at + static_cast<std::uint64_t>(length) > offset) return at;
    }
    return offset;
}

// How much of a file's start a NUL byte in makes it binary.
constexpr std::size_t kBinaryCheckBytes = 8192;

// Reads the rest of fd (from its position) through the scanner. With
// `binary`, a first block with a NUL byte in its first 8 KiB sets it and ends
// the scan before the block is scanned.
template <class Scanner>
void scanFile(int fd, const std::string& path, Scanner& scanner, const ByteSink& out,
              bool* binary = nullptr) {
    std::size_t block = kFirstReadBlock;
    static_assert(kFirstReadBlock >= kBinaryCheckBytes);
    while (!scanner.stopped()) {
        char* room = scanner.reserve(block);
        const ssize_t got = ::read(fd, room, block);
        if (got < 0) {
            if (errno == EINTR) continue;
            throw FileError::fromErrno(path, "cannot read", errno);
        }
        if (got == 0) break;
        if (bool* check = std::exchange(binary, nullptr);
            check &&
            std::memchr(room, 0,
                        std::min<std::size_t>(static_cast<std::size_t>(got), kBinaryCheckBytes))) {
            *check = true;
            return;
        }
        scanner.advance(static_cast<std::size_t>(got), out);
        block = std::min(2 * block, kReadBlock);
    }
    scanner.finish(out);
}

template <class Scanner>
void scanFileOrFail(int fd, const std::string& path, Scanner& scanner, const ByteSink& out,
                    bool* binary = nullptr) {
    try {
        scanFile(fd, path, scanner, out, binary);
    } catch (const MatchError& e) {
        throw FileError(path, e.what());
    }
}

}  // namespace

std::optional<std::uint64_t> findFirstOccurrence(int fd, const std::string& path,
                                                 const BatchOptions& options,
                                                 const CaseFolder* folder, ScanBuffers& buffers,
                                                 const RegexPattern* regex, bool* binary) {
    if (binary) *binary = false;
    if (regex) {
        RegexScanner finder(*regex, &buffers);
        finder.setStopAtFirst(true);
        scanFileOrFail(fd, path, finder, nullptr, binary);
        return binary && *binary ? std::nullopt : finder.firstOffset();
    }
    LiteralScanner finder(options.searchText, folder, &buffers);
    finder.setStopAtFirst(true);
    scanFile(fd, path, finder, nullptr, binary);
    return binary && *binary ? std::nullopt : finder.firstOffset();
}

std::uint64_t replaceFrom(int fd, const std::string& path, std::uint64_t first,
                          const BatchOptions& options, const CaseFolder* folder,
                          ScanBuffers& buffers, const std::function<void(std::uint64_t)>& keep,
                          const ByteSink& out, const OccurrenceHook& occurrence,
                          const RegexPattern* regex, bool* changed) {
    if (regex) {
        // Matching at `first` looks at the bytes before it, as it did in the search.
        const std::uint64_t from =
            first > regex->lookbehindBytes() ? first - regex->lookbehindBytes() : 0;
        std::string before(static_cast<std::size_t>(first - from), '\0');
        ssize_t got;
        do {
            got = ::pread(fd, before.data(), before.size(), static_cast<off_t>(from));
        } while (got < 0 && errno == EINTR);
        if (got < 0) throw FileError::fromErrno(path, "cannot read", errno);
        before.resize(static_cast<std::size_t>(got));
        keep(first);
        if (::lseek(fd, static_cast<off_t>(first), SEEK_SET) < 0)
            throw FileError::fromErrno(path, "cannot read", errno);
        RegexScanner replacer(*regex, &buffers);
        replacer.setContext(before);
        replacer.setReplacing(true);
        if (occurrence)
            replacer.setOccurrenceHook([&](std::uint64_t at, std::uint64_t n, std::uint64_t r) {
                occurrence(first + at, n, r);
            });
        scanFileOrFail(fd, path, replacer, out);
        if (changed) *changed = replacer.changed();
        return replacer.count();
    }
    // A search text may begin inside a character (with a continuation byte);
    // the replace pass must fold that character whole, as the search did.
    if (folder && options.charset == Charset::Utf8) first = characterStart(fd, path, first);
    keep(first);
    if (::lseek(fd, static_cast<off_t>(first), SEEK_SET) < 0)
        throw FileError::fromErrno(path, "cannot read", errno);
    LiteralScanner replacer(options.searchText, folder, &buffers);
    replacer.setReplacement(options.replaceText);
    if (occurrence)
        replacer.setOccurrenceHook([&](std::uint64_t at) {
            occurrence(first + at, options.searchText.size(), options.replaceText.size());
        });
    scanFile(fd, path, replacer, out);
    if (changed) *changed = replacer.changed();
    return replacer.count();
}

}  // namespace lexmill
