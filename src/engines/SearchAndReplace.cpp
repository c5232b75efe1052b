#include "SearchAndReplace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "AtomicRewrite.h"
#include "FileError.h"
#include "LiteralScanner.h"
#include "UniqueFd.h"

namespace lexmill {
namespace {

constexpr std::size_t kReadBlock = 1 << 20;
constexpr std::size_t kMaxListedFailures = 20;

std::string baseName(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Size of an ordinary file at path (links followed); nothing for a missing
// file, a folder or a device, which a run passes over.
std::optional<std::int64_t> ordinaryFileSize(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return static_cast<std::int64_t>(st.st_size);
}

// Reads the rest of fd (from its position) through the scanner.
void scanFile(int fd, const std::string& path, LiteralScanner& scanner, const ByteSink& out) {
    while (!scanner.stopped()) {
        char* room = scanner.reserve(kReadBlock);
        const ssize_t got = ::read(fd, room, kReadBlock);
        if (got < 0) {
            if (errno == EINTR) continue;
            throw FileError::fromErrno(path, "cannot read", errno);
        }
        if (got == 0) break;
        scanner.advance(static_cast<std::size_t>(got), out);
    }
    scanner.finish(out);
}

struct FileOutcome {
    bool found = false;
    bool changed = false;
    std::uint64_t occurrences = 0;
};

class FileJob {
  public:
    FileJob(const std::string& path, const BatchOptions& options, BatchHost& host)
        : path_(path), options_(options), host_(host) {
        if (!options.matchCase) folder_.emplace(options.charset);
    }

    FileOutcome run() {
        FileOutcome outcome;
        if (options_.searchText.empty()) return outcome;  // an empty search text finds nothing

        UniqueFd source(::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
        if (!source) throw FileError::fromErrno(path_, "cannot open", errno);

        // First look for an occurrence; most files have none and are never written.
        const CaseFolder* folder = folder_ ? &*folder_ : nullptr;
        LiteralScanner finder(options_.searchText, folder);
        finder.setStopAtFirst(true);
        scanFile(source.get(), path_, finder, nullptr);
        if (!finder.firstOffset()) return outcome;
        outcome.found = true;
        if (options_.searchOnly) {
            outcome.occurrences = 1;
            return outcome;
        }

        host_.setStatus("Found text in " + baseName(path_) + ". Replacing.");
        const std::uint64_t first = *finder.firstOffset();
        AtomicRewrite rewrite(path_);
        rewrite.copyFrom(source.get(), first);
        if (::lseek(source.get(), static_cast<off_t>(first), SEEK_SET) < 0)
            throw FileError::fromErrno(path_, "cannot read", errno);
        LiteralScanner replacer(options_.searchText, folder);
        replacer.setReplacement(options_.replaceText);
        scanFile(source.get(), path_, replacer,
                 [&rewrite](std::string_view bytes) { rewrite.write(bytes); });

        // No backup, no change.
        if (options_.makeBackups) backupFile(path_, folderOf(path_) + "/LMBACK", baseName(path_));
        rewrite.commit();
        outcome.changed = true;
        outcome.occurrences = replacer.count();
        return outcome;
    }

  private:
    const std::string& path_;
    const BatchOptions& options_;
    BatchHost& host_;
    std::optional<CaseFolder> folder_;
};

}  // namespace

std::string failureMessage(const std::vector<FileFailure>& failures) {
    std::string text = "Lexmill could not handle these files; they were left as they were:\n";
    std::size_t shown = 0;
    for (const auto& f : failures) {
        if (shown++ == kMaxListedFailures) {
            text += "\n... and " + std::to_string(failures.size() - kMaxListedFailures) + " more.";
            break;
        }
        text += "\n" + f.name + ": " + f.reason;
    }
    return text;
}

BatchReport SearchAndReplace(Module1& m, BatchHost& host) {
    BatchReport report;
    host.setHint("Press \"Esc\" to cancel.");
    m.CancelRequested = false;
    m.Busy = true;
    host.setWaitCursor(true);
    host.setStartEnabled(false);

    if (m.SelCount <= 0) {
        host.message("Please select one or more files for this operation.", "No Files Selected",
                     MessageIcon::Information);
        host.setWaitCursor(false);
        host.setStartEnabled(true);
        m.Busy = false;
        host.setHint("");
        return report;
    }
    report.ran = true;
    const auto selected = static_cast<std::size_t>(m.SelCount);

    m.TotalBytes = 0;
    for (std::size_t i = 0; i < selected; ++i)
        m.TotalBytes += ordinaryFileSize(m.SelPaths[i]).value_or(0);
    m.ProgressMax = m.TotalBytes;
    std::int64_t processed = 0;

    for (std::size_t i = 0; i < selected; ++i) {
        const std::string& path = m.SelPaths[i];
        const std::string& name = m.SelNames[i];
        host.setStatus("Checking " + baseName(path));
        if (const auto size = ordinaryFileSize(path)) {
            const BatchOptions options = host.options();
            host.repaint();
            try {
                const FileOutcome outcome = FileJob(path, options, host).run();
                if (outcome.found && (options.searchOnly || outcome.changed)) {
                    report.listed.push_back(name);
                    host.addResult(name);
                    report.count += outcome.occurrences;
                }
            } catch (const FileError& e) {
                report.failures.push_back({name, path, e.reason()});
            }
            processed += *size;
            host.setProgress(processed);
        }
        if (m.CancelRequested) {
            report.cancelled = true;
            break;
        }
        host.yield();
    }
    // Esc during the last file still marks the run as cancelled.
    report.cancelled = report.cancelled || m.CancelRequested;

    host.setStartEnabled(true);
    const std::string word = report.cancelled ? "cancelled" : "complete";
    report.searchOnly = host.options().searchOnly;
    if (!report.searchOnly) {
        report.summary =
            "Search " + word + ". " + std::to_string(report.count) + " replacements made.";
        report.heading = "Files that were changed:";
    } else {
        report.heading = "Files:";
        if (report.count == 0) {
            host.addResult("None");
            report.summary =
                "Search " + word + ". Found 0 files that contained the text you entered.";
        } else {
            report.summary = "Search " + word + ". Found " + std::to_string(report.listed.size()) +
                             " files that contained the text you entered.";
        }
    }
    host.setWaitCursor(false);
    m.Busy = false;

    if (!report.failures.empty())
        host.message(failureMessage(report.failures), "Warning", MessageIcon::Exclamation);
    host.showResults(report.heading, report.summary);

    host.setProgress(0);
    host.setIdleStatus();
    host.setHint("");
    return report;
}

}  // namespace lexmill
