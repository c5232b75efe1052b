#include "batch/SearchAndReplace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <memory>
#include <optional>
#include <thread>

#include "base/FileError.h"
#include "base/PathName.h"
#include "base/UniqueFd.h"
#include "batch/ReplacePass.h"
#include "batch/RunFiles.h"
#include "batch/SearchAhead.h"
#include "match/LiteralScanner.h"
#include "match/RegexPattern.h"
#include "records/RunJournal.h"
#include "records/RunRecord.h"
#include "write/AtomicRewrite.h"
#include "write/CommitGroup.h"
#include "write/TemporaryFile.h"

namespace lexmill {
namespace {

constexpr std::size_t kMaxListedFailures = 20;
// Bigger files are searched by the run itself: a cancelled run never waits
// long for a thread to finish one.
constexpr off_t kMaxSearchAheadBytes = 8 << 20;

// What searching one file found; for a change, the new text waits in `rewrite`.
struct FileOutcome {
    bool found = false;
    std::uint64_t occurrences = 0;
    std::unique_ptr<AtomicRewrite> rewrite;
    UniqueFd source;      // the file, kept open until it is replaced
    struct stat read {};  // its status when it was opened
    // Every replacement is the text it replaces: the file, its backup and the
    // record are left alone, and the file is not listed as changed.
    bool unchanged = false;
    bool binary = false;  // found by a walk and binary: passed over
};

class FileJob {
  public:
    // `name`: the file as the list shows it, for the status line.
    FileJob(const std::string& path, const std::string& name, const BatchOptions& options,
            BatchHost& host, ScanBuffers& buffers, PatternCache& patterns, bool passOverBinary)
        : passOverBinary_(passOverBinary),
          path_(path),
          name_(name),
          options_(options),
          host_(host),
          buffers_(buffers),
          patterns_(patterns) {
        if (!options.matchCase) folder_.emplace(options.charset);
    }

    // Nothing when the file is not an ordinary file (any more). `found`: the
    // file as searched ahead, when it still is the file at the path; `written`:
    // its new text, when written ahead too.
    std::optional<FileOutcome> run(std::optional<FirstSearch> found = std::nullopt,
                                   NewText written = {}) {
        const RegexPattern* regex = written.written() ? nullptr : pattern();
        const CaseFolder* folder = folder_ ? &*folder_ : nullptr;
        if (!found && !options_.searchOnly) sweepBeforeReading(path_);
        auto search = found
                          ? std::move(found)
                          : searchFirst(path_, options_, folder, buffers_, regex, passOverBinary_);
        if (!search) return std::nullopt;
        FileOutcome outcome;
        outcome.binary = search->binary;
        if (!search->first) return outcome;
        outcome.found = true;
        if (options_.searchOnly) {
            outcome.occurrences = 1;
            return outcome;
        }

        host_.setStatus("Found text in " + name_ + ". Replacing.");
        NewText text = written.written()
                           ? std::move(written)
                           : writeNewText(path_, *search, options_, folder, buffers_, regex);
        outcome.occurrences = text.occurrences;
        outcome.unchanged = text.unchanged;
        outcome.rewrite = std::move(text.rewrite);
        outcome.source = std::move(search->source);
        outcome.read = search->read;
        return outcome;
    }

  private:
    // The run's pattern, compiled again only when the options change; a
    // pattern made invalid during the run fails the file.
    const RegexPattern* pattern() {
        if (!options_.regex) return nullptr;
        try {
            return &patterns_.get(options_.searchText,
                                  options_.searchOnly ? "" : options_.replaceText,
                                  options_.matchCase, options_.charset);
        } catch (const PatternError& e) {
            throw FileError(path_, std::string("invalid regular expression: ") + e.what());
        }
    }

    bool passOverBinary_;
    const std::string& path_;
    const std::string& name_;
    const BatchOptions& options_;
    BatchHost& host_;
    ScanBuffers& buffers_;
    PatternCache& patterns_;
    std::optional<CaseFolder> folder_;
};

// Takes the answer found ahead for a file as the file's outcome where it is
// all the run needs: every answer of Search Only, and in a replace run a file
// without the text. Throws the failure found. False: the run must handle the
// file itself.
bool useAnswer(const std::optional<SearchAhead::Answer>& answer, const BatchOptions& options,
               std::optional<FileOutcome>& outcome) {
    if (!answer) return false;
    if (answer->kind == SearchAhead::Answer::NotFound) {
        outcome.emplace();
        return true;
    }
    if (answer->kind == SearchAhead::Answer::Binary) {
        outcome.emplace().binary = true;
        return true;
    }
    if (!options.searchOnly) return false;
    switch (answer->kind) {
        case SearchAhead::Answer::Found:
            outcome.emplace().found = true;
            outcome->occurrences = 1;
            break;
        case SearchAhead::Answer::Failed:
            throw FileError("", answer->reason);
        default:  // not an ordinary file: passed over
            break;
    }
    return true;
}

// In a replace run, a file found ahead to have the text, still open, when the
// path still leads to it. Nothing when the path leads nowhere now: the file is
// passed over, as when it is gone before the run reaches it.
std::optional<std::optional<FirstSearch>> foundAhead(std::optional<SearchAhead::Answer>& answer,
                                                     const std::string& path) {
    using Found = std::optional<FirstSearch>;
    if (!answer || answer->kind != SearchAhead::Answer::Found) return Found();
    struct stat now {};
    if (::stat(path.c_str(), &now) != 0)
        return errno == ENOENT || errno == ENOTDIR ? std::nullopt : std::optional(Found());
    if (!S_ISREG(now.st_mode)) return std::nullopt;
    if (answer->found.read.st_dev != now.st_dev || answer->found.read.st_ino != now.st_ino)
        return Found();  // another file now: searched again
    return Found(std::move(answer->found));
}

// The files of a run that contained the text, reported to the host in
// selection order, each changed file only once its new text is on disk. The
// changed files with backups are kept in the run's record as the run goes.
class ResultLedger : CommitGroup::Observer {
  public:
    ResultLedger(BatchHost& host, BatchReport& report, const std::string& workFolder)
        : host_(host),
          report_(report),
          journal_(defaultRunsFolder(), workFolder, texts(host.options())),
          group_(this) {}

    void listNow(const std::string& name, std::uint64_t occurrences) {
        order_.push_back({next_++, name, {}, occurrences, true, {}});
        flush();
    }

    void failNow(const std::string& name, const std::string& path, const std::string& reason) {
        order_.push_back({next_++, name, path, 0, true, reason});
        flush();
    }

    // A changed file, whose new text is written out: it is listed once it and its
    // backup are made durable with the rest of their group, and renamed.
    void commitLater(const std::string& name, const std::string& path, std::uint64_t occurrences,
                     std::unique_ptr<AtomicRewrite> rewrite, UniqueFd source, struct stat read,
                     bool backup, std::uint64_t bytes) {
        std::unique_ptr<BackupCopy> copy;
        try {
            if (backup) {
                copy = std::make_unique<BackupCopy>(path, folderOf(path) + "/LMBACK",
                                                    baseName(path), source.get());
                // Linking the file as its backup changed its change time, and
                // only that, unless the file changed since it was read.
                if (copy->linked()) keepAsRead(path, source.get(), read);
            }
            host_.newTextWritten(path);
        } catch (const FileError& e) {
            return failNow(name, path, e.reason());
        }
        const std::size_t tag = next_++;
        order_.push_back({tag, name, path, occurrences, false, {}});
        group_.add(tag, std::move(rewrite), std::move(copy), std::move(source), read,
                   backup ? 2 * bytes : bytes);
    }

    // Starts committing the group of pending changes in the background when
    // it is due (with `all`: commits every group now), then reports what has
    // finished.
    void drain(bool all) {
        for (auto& f : all            ? group_.commit()
                       : group_.due() ? group_.commitInBackground()
                                      : group_.finishedInBackground())
            for (auto& e : order_)
                if (e.tag == f.tag) {
                    e.ready = true;
                    e.error = std::move(f.error);
                }
        flush();
    }

    // Marks the run's record finished, with the files it changed; after drain(true).
    std::string finishRecord() { return journal_.finish(); }

  private:
    struct Entry {
        std::size_t tag;
        std::string name, path;
        std::uint64_t occurrences;
        bool ready;
        std::optional<std::string> error;
    };

    static RunTexts texts(const BatchOptions& o) { return {o.searchText, o.replaceText, o.regex}; }

    static void keepAsRead(const std::string& path, int fd, struct stat& read) {
        struct stat now {};
        if (::fstat(fd, &now) != 0 || now.st_size != read.st_size ||
            now.st_mtim.tv_sec != read.st_mtim.tv_sec ||
            now.st_mtim.tv_nsec != read.st_mtim.tv_nsec)
            throw FileError(path, "changed during the run, left as it is");
        read.st_ctim = now.st_ctim;
    }

    // On the thread that commits.
    int record(const std::vector<CommitGroup::Staged>& files) override {
        if (files.empty()) return -1;
        std::vector<RecordedFile> entries;
        std::vector<std::size_t> tags;
        for (const auto& f : files) {
            RecordedFile r;
            r.path = absolutePath(f.path);
            r.backup = absolutePath(f.backupPath);
            r.file = stampFrom(f.file);
            r.backupStamp = stampFrom(f.backup);
            r.before = stampFrom(f.before);
            entries.push_back(std::move(r));
            tags.push_back(f.tag);
        }
        journal_.add(entries, tags);
        recording_ = true;
        return journal_.fd();
    }
    void recordSynced(bool synced) override {
        if (!std::exchange(recording_, false)) return;
        if (synced)
            journal_.madeDurable();
        else
            journal_.makeDurable();
        host_.diskStep(recorded_++ == 0 ? DiskStep::RecordStarted : DiskStep::GroupRecorded);
    }
    void renamed(std::size_t tag) override {
        journal_.renamed(tag);
        host_.diskStep(DiskStep::FileReplaced);
    }
    void groupRenamed() override { host_.diskStep(DiskStep::GroupReplaced); }

    void flush() {
        for (; !order_.empty() && order_.front().ready; order_.pop_front()) {
            Entry& e = order_.front();
            if (e.error) {
                report_.failures.push_back({e.name, e.path, *e.error});
                continue;
            }
            report_.listed.push_back(e.name);
            report_.count += e.occurrences;
            host_.addResult(e.name);
        }
    }

    BatchHost& host_;
    BatchReport& report_;
    RunJournal journal_;
    bool recording_ = false;    // a group's files added to the record, not yet on disk
    std::size_t recorded_ = 0;  // groups on disk in the record
    CommitGroup group_;
    std::deque<Entry> order_;
    std::size_t next_ = 0;
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

    const RunFiles files = findRunFiles(m.SelPaths, selected, m.SelPassOverBinary);
    m.TotalBytes = files.totalBytes;
    m.ProgressMax = m.TotalBytes;
    std::vector<bool> searchAhead(selected);
    for (std::size_t i = 0; i < selected; ++i)
        searchAhead[i] = files.taken[i] && files.sizes[i] <= kMaxSearchAheadBytes;
    std::int64_t processed = 0;
    ScanBuffers buffers;
    PatternCache patterns;
    std::optional<SearchAhead> ahead;
    ahead.emplace(m.SelPaths, std::move(searchAhead), files.passOverBinary, host.options(),
                  std::max(1u, std::thread::hardware_concurrency()));

    forgetSweptFolders();  // temporary files of runs killed since the last one
    ResultLedger ledger(host, report, m.WorkPath);
    for (std::size_t i = 0; i < selected; ++i) {
        const std::string& path = m.SelPaths[i];
        const std::string& name = m.SelNames[i];
        if (files.sameAs[i]) {
            if (!files.quiet[i]) host.sameFileSkipped(path, m.SelPaths[*files.sameAs[i]]);
        } else {
            host.setStatus("Checking " + name);
            const BatchOptions options = host.options();
            host.repaint();
            std::optional<FileOutcome> outcome;
            auto answer = ahead->take(i, options);
            try {
                if (!useAnswer(answer, options, outcome)) {
                    if (auto found = foundAhead(answer, path)) {
                        NewText written;
                        if (*found) written = std::move(answer->newText);
                        const bool binaryCheck = files.passesOverBinary(i);
                        outcome = FileJob(path, name, options, host, buffers, patterns, binaryCheck)
                                      .run(std::move(*found), std::move(written));
                    }
                }
            } catch (const FileError& e) {
                ledger.failNow(name, path, e.reason());
                outcome.emplace();
            }
            if (outcome) {
                if (outcome->rewrite)
                    ledger.commitLater(name, path, outcome->occurrences,
                                       std::move(outcome->rewrite), std::move(outcome->source),
                                       outcome->read, options.makeBackups,
                                       static_cast<std::uint64_t>(files.sizes[i]));
                else if (outcome->found && !outcome->unchanged)
                    ledger.listNow(name, outcome->occurrences);
                processed += files.sizes[i];
                host.setProgress(processed);
            } else {
                host.fileSkipped(path);
            }
        }
        ledger.drain(false);
        if (m.CancelRequested) {
            report.cancelled = true;
            break;
        }
        host.yield();
    }
    ahead.reset();  // a cancelled run reads no further
    ledger.drain(true);
    // Esc during the last file still marks the run as cancelled.
    report.cancelled = report.cancelled || m.CancelRequested;
    host.diskStep(DiskStep::AllReplaced);
    try {
        report.runRecord = ledger.finishRecord();
        if (!report.runRecord.empty()) host.runRecorded(report.runRecord);
    } catch (const FileError& e) {
        report.runRecordError = e.what();
    }
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
            host.noneFound();
            report.summary =
                "Search " + word + ". Found 0 files that contained the text you entered.";
        } else {
            report.summary = "Search " + word + ". Found " + std::to_string(report.listed.size()) +
                             " files that contained the text you entered.";
        }
    }
    finishRun(m, host, report);
    return report;
}

void finishRun(Module1& m, BatchHost& host, const BatchReport& report) {
    host.setWaitCursor(false);
    m.Busy = false;
    if (!report.failures.empty())
        host.message(failureMessage(report.failures), "Warning", MessageIcon::Exclamation);
    host.showResults(report.heading, report.summary);
    host.setProgress(0);
    host.setIdleStatus();
    host.setHint("");
}

}  // namespace lexmill
