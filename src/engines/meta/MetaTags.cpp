#include "meta/MetaTags.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "base/FileError.h"
#include "base/OrdinaryFile.h"
#include "base/PathName.h"
#include "base/UniqueFd.h"

namespace lexmill {
namespace {

constexpr std::string_view kKey = "<meta ";
constexpr std::size_t kReadBlock = 1 << 16;

// Only ASCII letters fold: no other character lowers to one of "meta", in
// UTF-8 or in Windows-1252.
char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Reads exactly `length` bytes at `offset`; fails if the file got shorter.
std::string readAt(int fd, const std::string& path, std::uint64_t offset, std::uint64_t length) {
    std::string bytes(length, '\0');
    std::size_t done = 0;
    while (done < length) {
        const ssize_t got =
            ::pread(fd, bytes.data() + done, length - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR) continue;
            throw FileError::fromErrno(path, "cannot read", errno);
        }
        if (got == 0) throw FileError(path, "the file changed while it was read");
        done += static_cast<std::size_t>(got);
    }
    return bytes;
}

}  // namespace

void MetaTagScanner::keep(std::string_view bytes) {
    if (overflow_) return;
    if (bytes.size() > keepLimit_ - pending_.size()) {
        overflow_ = true;
        std::string().swap(pending_);
        return;
    }
    pending_.append(bytes);
}

void MetaTagScanner::feed(std::string_view piece) {
    const char* const data = piece.data();
    const std::size_t n = piece.size();
    std::size_t i = 0;
    while (i < n) {
        if (inTag_) {
            const void* gt = std::memchr(data + i, '>', n - i);
            const std::size_t end =
                gt ? static_cast<std::size_t>(static_cast<const char*>(gt) - data) + 1 : n;
            keep(piece.substr(i, end - i));
            position_ += end - i;
            i = end;
            if (gt) {
                const std::uint64_t length = position_ - tagOffset_;
                tags_.push_back(
                    {tagOffset_, length, overflow_ ? std::string() : std::move(pending_)});
                pending_.clear();
                inTag_ = false;
                overflow_ = false;
            }
            continue;
        }
        if (matched_ == 0) {
            const void* lt = std::memchr(data + i, '<', n - i);
            if (!lt) {
                position_ += n - i;
                return;
            }
            const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(lt) - data);
            position_ += at - i;
            i = at;
            tagOffset_ = position_;
            pending_.assign(1, '<');
            matched_ = 1;
            ++i;
            ++position_;
            continue;
        }
        // Part of "<meta " matched: the next byte goes on with it or ends it.
        // A byte that ends it is looked at again, as it may be a "<".
        if (asciiLower(data[i]) != kKey[matched_]) {
            matched_ = 0;
            pending_.clear();
            continue;
        }
        pending_.push_back(data[i]);
        ++i;
        ++position_;
        if (++matched_ == kKey.size()) {
            matched_ = 0;
            inTag_ = true;
            overflow_ = pending_.size() > keepLimit_;
            if (overflow_) std::string().swap(pending_);
        }
    }
}

std::vector<MetaTag> MetaTagScanner::finish() {
    pending_.clear();
    inTag_ = false;
    matched_ = 0;
    return std::move(tags_);
}

std::vector<std::string> ScanMetaTags(std::string_view text) {
    MetaTagScanner scanner;
    scanner.feed(text);
    std::vector<std::string> tags;
    for (MetaTag& tag : scanner.finish()) tags.push_back(std::move(tag.text));
    return tags;
}

std::vector<std::string> ReadMetaTags(const std::string& path, std::size_t keepLimit) {
    // A FIFO put in the page's place cannot hang the window.
    const UniqueFd fd = openOrdinaryFile(path);

    MetaTagScanner scanner(keepLimit);
    const auto block = std::make_unique<char[]>(kReadBlock);
    for (;;) {
        const ssize_t got = ::read(fd.get(), block.get(), kReadBlock);
        if (got < 0) {
            if (errno == EINTR) continue;
            throw FileError::fromErrno(path, "cannot read", errno);
        }
        if (got == 0) break;
        scanner.feed(std::string_view(block.get(), static_cast<std::size_t>(got)));
    }

    std::vector<std::string> tags;
    for (MetaTag& tag : scanner.finish()) {
        if (tag.kept())
            tags.push_back(std::move(tag.text));
        else
            tags.push_back(readAt(fd.get(), path, tag.offset, tag.length));
    }
    return tags;
}

std::string MetaTagListText(const std::vector<std::string>& tags) {
    std::size_t size = 0;
    for (const auto& tag : tags) size += tag.size() + 2;
    std::string text;
    text.reserve(size);
    for (const auto& tag : tags) {
        text += tag;
        text += "\r\n";
    }
    return text;
}

std::optional<std::int64_t> FindOrdinaryFile(const std::string& path) {
    const std::string name = baseName(path);
    if (name.empty() || name.front() == '.') return std::nullopt;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return static_cast<std::int64_t>(st.st_size);
}

}  // namespace lexmill
