#include "batch/SearchAhead.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "base/FileError.h"
#include "base/PathName.h"
#include "base/QuietThreads.h"
#include "batch/ReplacePass.h"
#include "write/TemporaryFile.h"

namespace lexmill {
namespace {

// How far the threads may run ahead of the run: enough to keep them busy,
// little to throw away when the run is cancelled.
constexpr std::size_t kWindow = 64;
// Threads that wait for the run to move on are woken once this many files
// are free in the window, not at every file.
constexpr std::size_t kWakeAfter = 16;
// Files a thread takes at once in a Search Only.
constexpr std::size_t kBatch = 8;
// New texts written ahead and not yet taken by the run: enough to keep the
// threads busy while the run waits for a group to reach the disk, few open
// files meanwhile.
constexpr std::size_t kMaxWritten = 48;

bool sameSearch(const BatchOptions& a, const BatchOptions& b) {
    return a.searchText == b.searchText && a.matchCase == b.matchCase && a.charset == b.charset &&
           a.regex == b.regex;
}

}  // namespace

std::optional<FirstSearch> searchFirst(const std::string& path, const BatchOptions& options,
                                       const CaseFolder* folder, ScanBuffers& buffers,
                                       const RegexPattern* regex, bool passOverBinary, bool known) {
    // Non-blocking, so that a FIFO put in the file's place cannot hang the run.
    FirstSearch found{UniqueFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)),
                      std::nullopt,
                      {}};
    if (!found.source) {
        if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
        throw FileError::fromErrno(path, "cannot open", errno);
    }
    struct stat& st = found.read;
    if (!known) {
        if (::fstat(found.source.get(), &st) != 0)
            throw FileError::fromErrno(path, "cannot read", errno);
        if (!S_ISREG(st.st_mode)) return std::nullopt;
    }
    // An empty search text finds nothing.
    if (!options.searchText.empty())
        found.first = findFirstOccurrence(found.source.get(), path, options, folder, buffers, regex,
                                          passOverBinary ? &found.binary : nullptr);
    return found;
}

void sweepBeforeReading(const std::string& path) {
    const std::string folder = folderOf(path);
    sweepFolderOnce(folder);
    sweepFolderOnce(folder + "/LMBACK");
}

NewText writeNewText(const std::string& path, FirstSearch& found, const BatchOptions& options,
                     const CaseFolder* folder, ScanBuffers& buffers, const RegexPattern* regex) {
    NewText text{std::make_unique<AtomicRewrite>(path), 0};
    AtomicRewrite& rewrite = *text.rewrite;
    const int source = found.source.get();
    bool changed = false;
    text.occurrences = replaceFrom(
        source, path, *found.first, options, folder, buffers,
        [&](std::uint64_t n) { rewrite.copyFrom(source, n); },
        [&](std::string_view bytes) { rewrite.write(bytes); }, {}, regex, &changed);
    if (!changed) {
        text.rewrite.reset();
        text.unchanged = true;
        return text;
    }
    rewrite.finishWriting();
    return text;
}

SearchAhead::SearchAhead(const std::vector<std::string>& paths, std::vector<bool> wanted,
                         const std::vector<bool>& passOverBinary, const BatchOptions& options,
                         unsigned threads)
    : paths_(paths),
      wanted_(std::move(wanted)),
      passOverBinary_(passOverBinary),
      options_(options),
      state_(paths_.size(), kWaiting),
      answers_(kWindow) {
    std::size_t count = 0;
    for (bool w : wanted_) count += w;
    if (count < 2) return;
    if (options_.regex) {
        try {
            regex_ = std::make_unique<RegexPattern>(options_.searchText,
                                                    options_.searchOnly ? "" : options_.replaceText,
                                                    options_.matchCase, options_.charset);
        } catch (const PatternError&) {
            return;  // the run reports it, file by file
        }
    }
    startQuietThreads(threads_, threads, [this] { work(); });
}

SearchAhead::~SearchAhead() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (auto& t : threads_) t.join();
}

std::optional<SearchAhead::Answer> SearchAhead::take(std::size_t i, const BatchOptions& options) {
    std::unique_lock lock(mutex_);
    if (i >= reached_) {
        reached_ = i;
        const bool writerReached = std::any_of(writersAt_.begin(), writersAt_.end(),
                                               [&](std::size_t at) { return at <= i; });
        if (writerReached || (waiting_ > 0 && reached_ + kWindow >= next_ + kWakeAfter))
            wake_.notify_all();
    }
    if (state_[i] == kWaiting) {
        state_[i] = kLeft;  // no thread takes it now
        return std::nullopt;
    }
    done_.wait(lock, [&] { return state_[i] != kSearching; });
    // Threads only start on file i + kWindow once the run is past file i.
    std::optional<Answer> answer = std::move(answers_[i % kWindow]);
    answers_[i % kWindow].reset();
    if (answer && answer->newText.written()) --written_;
    if (!writersAt_.empty() && written_ + kWakeAfter <= kMaxWritten) wake_.notify_all();
    if (!sameSearch(options, options_)) return std::nullopt;
    // Another replacement now: the file is found, its new text is not.
    if (answer && (options.searchOnly || options.replaceText != options_.replaceText))
        answer->newText = {};
    return answer;
}

void SearchAhead::work() {
    ScanBuffers buffers;
    BatchOptions options = options_;
    options.searchOnly = true;
    std::optional<CaseFolder> folder;
    if (!options.matchCase) folder.emplace(options.charset);
    // Search Only takes files a few at a time, one lock and one wake-up for
    // them all; a replace run one by one, since writing ahead may wait for
    // the run to take the files before it.
    const std::size_t most = options_.searchOnly ? kBatch : 1;
    std::vector<std::size_t> batch;
    std::vector<Answer> done;
    std::unique_lock lock(mutex_);
    for (;;) {
        batch.clear();
        while (batch.size() < most) {
            while (next_ < paths_.size() && (!wanted_[next_] || state_[next_] != kWaiting)) ++next_;
            if (stopping_ || next_ >= paths_.size() || next_ >= reached_ + kWindow) break;
            state_[next_] = kSearching;
            batch.push_back(next_++);
        }
        if (batch.empty()) {
            if (stopping_ || next_ >= paths_.size()) return;
            ++waiting_;
            wake_.wait(lock);
            --waiting_;
            continue;
        }
        lock.unlock();
        done.clear();
        for (std::size_t i : batch) done.push_back(search(i, options, folder, buffers));
        lock.lock();
        for (std::size_t k = 0; k < batch.size(); ++k) {
            answers_[batch[k] % kWindow] = std::move(done[k]);
            state_[batch[k]] = kDone;
        }
        done_.notify_all();
    }
}

SearchAhead::Answer SearchAhead::search(std::size_t i, const BatchOptions& options,
                                        const std::optional<CaseFolder>& folder,
                                        ScanBuffers& buffers) {
    {
        Answer answer{Answer::NotFound, {}, {}, {}};
        try {
            if (!options_.searchOnly) sweepBeforeReading(paths_[i]);
            const bool binaryCheck = i < passOverBinary_.size() && passOverBinary_[i];
            auto found = searchFirst(paths_[i], options, folder ? &*folder : nullptr, buffers,
                                     regex_.get(), binaryCheck, options_.searchOnly);
            if (!found) {
                answer.kind = Answer::NotOrdinary;
            } else if (found->binary) {
                answer.kind = Answer::Binary;
            } else if (found->first) {
                answer.kind = Answer::Found;
                answer.found = std::move(*found);
                if (!options_.searchOnly)
                    writeAhead(i, answer, folder ? &*folder : nullptr, buffers);
            }
        } catch (const FileError& e) {
            answer = {Answer::Failed, e.reason(), {}, {}};
        }
        return answer;
    }
}

void SearchAhead::writeAhead(std::size_t i, Answer& answer, const CaseFolder* folder,
                             ScanBuffers& buffers) {
    {
        // Waits for room rather than leave the writing to the run, unless the
        // run is at this file already.
        std::unique_lock lock(mutex_);
        writersAt_.push_back(i);
        wake_.wait(lock, [&] { return written_ < kMaxWritten || reached_ >= i || stopping_; });
        writersAt_.erase(std::find(writersAt_.begin(), writersAt_.end(), i));
        if (stopping_) return;
        ++written_;
    }
    try {
        answer.newText =
            writeNewText(paths_[i], answer.found, options_, folder, buffers, regex_.get());
    } catch (const FileError&) {
        // Left to the run, which writes the file itself and reports what fails.
        std::lock_guard lock(mutex_);
        --written_;
    }
}

}  // namespace lexmill
