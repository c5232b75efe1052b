#include "undo/Preview.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <utility>

#include "base/FileError.h"
#include "base/UniqueFd.h"
#include "batch/ReplacePass.h"
#include "batch/RunFiles.h"

namespace lexmill {
namespace {

constexpr std::size_t kContext = 3;

// A run of changed lines: old lines [first, last] become `added` new lines.
struct Block {
    std::size_t first, last;
    std::size_t added = 0;
    std::size_t newFrom = 0, newTo = 0;  // the new lines' bytes in `after`
};

void appendLine(std::string& out, char mark, std::string_view line) {
    out += mark;
    out += line;
    if (line.empty() || line.back() != '\n') out += "\n\\ No newline at end of file\n";
}

// The lines of text, split after each LF; a CR stays a byte of its line.
std::vector<std::string_view> linesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size() - 1) + 1;
        lines.push_back(text.substr(at, end - at));
        at = end;
    }
    return lines;
}

// A name on a "---" or "+++" line as patch reads it: in C quotes when it holds
// a quote, a backslash or a control character, followed by a tab when it holds
// a space (which would otherwise be taken for the start of a date).
std::string headerName(std::string_view prefix, std::string_view name) {
    std::string plain = std::string(prefix) + std::string(name);
    const bool special = std::any_of(plain.begin(), plain.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b < 0x20 || b == 0x7F || c == '"' || c == '\\';
    });
    if (!special) return plain.find(' ') == std::string::npos ? plain : plain + "\t";
    std::string quoted = "\"";
    for (const char c : plain) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (b < 0x20 || b == 0x7F) {
            const char digits[] = {'\\', static_cast<char>('0' + (b >> 6)),
                                   static_cast<char>('0' + ((b >> 3) & 7)),
                                   static_cast<char>('0' + (b & 7)), '\0'};
            quoted += digits;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

std::string range(std::size_t start, std::size_t count) {
    if (count == 1) return std::to_string(start);
    return std::to_string(count == 0 ? start - 1 : start) + "," + std::to_string(count);
}

// Reads the whole of fd from its start.
std::string readAll(int fd, const std::string& path, std::uint64_t size) {
    std::string bytes(static_cast<std::size_t>(size), '\0');
    std::size_t have = 0;
    for (;;) {
        if (have == bytes.size()) bytes.resize(bytes.size() + (1 << 16));
        const ssize_t got =
            ::pread(fd, bytes.data() + have, bytes.size() - have, static_cast<off_t>(have));
        if (got < 0) {
            if (errno == EINTR) continue;
            throw FileError::fromErrno(path, "cannot read", errno);
        }
        if (got == 0) break;
        have += static_cast<std::size_t>(got);
    }
    bytes.resize(have);
    return bytes;
}

}  // namespace

std::string unifiedDiff(std::string_view name, std::string_view before, std::string_view after,
                        const std::vector<Replaced>& changes) {
    if (changes.empty()) return {};
    std::string out = "--- " + headerName("a/", name) + "\n+++ " + headerName("b/", name) + "\n";
    if (before.empty()) {  // an empty match in an empty file
        if (after.empty()) return {};
        const auto lines = linesOf(after);
        out += "@@ -0,0 +" + range(1, lines.size()) + " @@\n";
        for (const auto line : lines) appendLine(out, '+', line);
        return out;
    }
    std::vector<std::size_t> starts;  // where each old line begins
    for (std::size_t i = 0; i < before.size(); i = before.find('\n', i) + 1) {
        starts.push_back(i);
        if (before.find('\n', i) == std::string_view::npos) break;
    }
    auto lineOf = [&](std::size_t offset) {
        return static_cast<std::size_t>(std::upper_bound(starts.begin(), starts.end(), offset) -
                                        starts.begin()) -
               1;
    };
    auto lineEnd = [&](std::size_t line) {
        return line + 1 < starts.size() ? starts[line + 1] : before.size();
    };

    // An occurrence changes the lines it touches, and the line after it when
    // it ends with a line break (its replacement may not). Blocks that share
    // a line are one.
    std::vector<Block> blocks;
    std::vector<std::size_t> inBlock;  // occurrences up to the end of each block
    for (std::size_t k = 0; k < changes.size(); ++k) {
        const auto o = static_cast<std::size_t>(changes[k].at);
        const auto length = static_cast<std::size_t>(changes[k].length);
        const std::size_t first = lineOf(std::min(o, before.size() - 1)),
                          last = lineOf(std::min(o + length, before.size() - 1));
        if (!blocks.empty() && first <= blocks.back().last) {
            blocks.back().last = std::max(blocks.back().last, last);
            inBlock.back() = k + 1;
        } else {
            blocks.push_back({first, last});
            inBlock.push_back(k + 1);
        }
    }
    // Where an old offset is in `after`, given the occurrences before it.
    std::size_t done = 0;
    std::ptrdiff_t grownBy = 0;
    const auto shift = [&](std::size_t offset, std::size_t occurrences) {
        for (; done < occurrences; ++done)
            grownBy += static_cast<std::ptrdiff_t>(changes[done].replacement) -
                       static_cast<std::ptrdiff_t>(changes[done].length);
        return static_cast<std::size_t>(static_cast<std::ptrdiff_t>(offset) + grownBy);
    };
    std::size_t before_count = 0;  // occurrences before the block
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        Block& block = blocks[b];
        block.newFrom = shift(starts[block.first], before_count);
        block.newTo = shift(lineEnd(block.last), inBlock[b]);
        block.added = linesOf(after.substr(block.newFrom, block.newTo - block.newFrom)).size();
        before_count = inBlock[b];
    }

    std::ptrdiff_t delta = 0;  // new lines minus old lines before the hunk
    for (std::size_t b = 0; b < blocks.size();) {
        std::size_t e = b + 1;  // blocks [b, e) make one hunk
        while (e < blocks.size() && blocks[e].first - blocks[e - 1].last - 1 <= 2 * kContext) ++e;
        const std::size_t from = blocks[b].first > kContext ? blocks[b].first - kContext : 0;
        const std::size_t to = std::min(starts.size() - 1, blocks[e - 1].last + kContext);
        std::string body;
        std::ptrdiff_t grown = 0;
        std::size_t line = from;
        for (std::size_t i = b; i < e; ++i) {
            const Block& block = blocks[i];
            for (; line < block.first; ++line)
                appendLine(body, ' ', before.substr(starts[line], lineEnd(line) - starts[line]));
            for (; line <= block.last; ++line)
                appendLine(body, '-', before.substr(starts[line], lineEnd(line) - starts[line]));
            for (const auto text :
                 linesOf(after.substr(block.newFrom, block.newTo - block.newFrom)))
                appendLine(body, '+', text);
            grown += static_cast<std::ptrdiff_t>(block.added) -
                     static_cast<std::ptrdiff_t>(block.last - block.first + 1);
        }
        for (; line <= to; ++line)
            appendLine(body, ' ', before.substr(starts[line], lineEnd(line) - starts[line]));
        const std::size_t oldCount = to - from + 1;
        const auto newCount =
            static_cast<std::size_t>(static_cast<std::ptrdiff_t>(oldCount) + grown);
        out += "@@ -" + range(from + 1, oldCount) + " +" +
               range(static_cast<std::size_t>(static_cast<std::ptrdiff_t>(from + 1) + delta),
                     newCount) +
               " @@\n" + body;
        delta += grown;
        b = e;
    }
    return out;
}

PreviewReport Preview(const std::vector<std::string>& paths, const std::vector<std::string>& names,
                      const BatchOptions& options, PreviewSink& sink,
                      const std::atomic<bool>& cancel, const std::vector<bool>& walked) {
    PreviewReport report;
    // The files a run would handle, once each at their first place, and their sizes.
    const RunFiles files = findRunFiles(paths, paths.size(), walked);
    std::int64_t done = 0;

    std::optional<CaseFolder> folder;
    if (!options.matchCase) folder.emplace(options.charset);
    std::optional<RegexPattern> regex;
    std::string invalid;  // why the pattern cannot be used: each file fails, as in a run
    if (options.regex && !options.searchOnly) {
        try {
            regex.emplace(options.searchText, options.replaceText, options.matchCase,
                          options.charset);
        } catch (const PatternError& e) {
            invalid = std::string("invalid regular expression: ") + e.what();
        }
    }
    ScanBuffers buffers;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (cancel) {
            report.cancelled = true;
            break;
        }
        const std::string& path = paths[i];
        if (files.sameAs[i]) {
            if (!files.quiet[i]) sink.sameFileSkipped(path, paths[*files.sameAs[i]]);
            continue;
        }
        try {
            // Opened as a run opens it: a FIFO in the file's place cannot hang the preview.
            UniqueFd source(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
            struct stat st {};
            if (!source) {
                if (errno != ENOENT && errno != ENOTDIR)
                    throw FileError::fromErrno(path, "cannot open", errno);
            } else if (::fstat(source.get(), &st) != 0) {
                throw FileError::fromErrno(path, "cannot read", errno);
            }
            if (!source || !S_ISREG(st.st_mode)) {
                sink.fileSkipped(path);
                continue;
            }
            if (options.searchOnly || options.searchText.empty()) continue;
            if (!invalid.empty()) throw FileError(path, invalid);
            bool binary = false;
            const bool binaryCheck = files.passesOverBinary(i);
            const auto first = findFirstOccurrence(
                source.get(), path, options, folder ? &*folder : nullptr, buffers,
                regex ? &*regex : nullptr, binaryCheck ? &binary : nullptr);
            if (first) {
                const std::string before =
                    readAll(source.get(), path, static_cast<std::uint64_t>(st.st_size));
                std::string after;
                std::vector<Replaced> changes;
                PreviewFile file{names[i], path, 0, {}};
                file.replacements = replaceFrom(
                    source.get(), path, *first, options, folder ? &*folder : nullptr, buffers,
                    [&](std::uint64_t n) { after.assign(before, 0, static_cast<std::size_t>(n)); },
                    [&](std::string_view bytes) { after += bytes; },
                    [&](std::uint64_t at, std::uint64_t length, std::uint64_t replacement) {
                        changes.push_back({at, length, replacement});
                    },
                    regex ? &*regex : nullptr);
                // Its own bytes again: the run leaves it alone.
                if (after != before) {
                    file.diff = unifiedDiff(file.name, before, after, changes);
                    report.replacements += file.replacements;
                    ++report.files;
                    sink.fileChanged(file);
                }
            }
        } catch (const FileError& e) {
            report.failures.push_back({names[i], path, e.reason()});
            sink.fileFailed(report.failures.back());
        }
        done += files.sizes[i];
        sink.progress(done, files.totalBytes);
    }
    report.cancelled = report.cancelled || cancel;
    report.summary = "Preview: " + std::to_string(report.replacements) + " replacements in " +
                     std::to_string(report.files) + " files.";
    return report;
}

}  // namespace lexmill
