#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/UniqueFd.h"
#include "batch/BatchHost.h"
#include "match/LiteralScanner.h"
#include "match/RegexPattern.h"
#include "write/AtomicRewrite.h"

namespace lexmill {

// A file of a run, opened and searched up to the first occurrence of the
// search text (nothing when there is none, or the search text is empty).
struct FirstSearch {
    UniqueFd source;
    std::optional<std::uint64_t> first;
    struct stat read {};  // the file's status when it was opened
    bool binary = false;  // passed over: a NUL byte in its first 8 KiB
};

// Nothing when `path` is gone or is no ordinary file. `folder` null: match
// case. With `regex`, its matches are the occurrences. With `passOverBinary`
// (a file a folder walk found), a file whose first 8 KiB hold a NUL byte is
// not searched, and says so. `known`: the caller found an ordinary file at
// `path` just before (Search Only, which needs no status of what it reads):
// the file is not asked for its status again, and `read` stays empty.
// Throws FileError.
std::optional<FirstSearch> searchFirst(const std::string& path, const BatchOptions& options,
                                       const CaseFolder* folder, ScanBuffers& buffers,
                                       const RegexPattern* regex = nullptr,
                                       bool passOverBinary = false, bool known = false);

// Before a replace run reads a file: removes what runs killed earlier left in
// its folder and the folder's LMBACK (TemporaryFile.h), once per run.
void sweepBeforeReading(const std::string& path);

// The new text of a file found to hold the search text, written to a
// temporary file beside it (AtomicRewrite.h), and the replacements made; no
// rewrite when every replacement is the text it replaces (the file would get
// its own bytes back). `regex` is compiled with the replacement. Throws
// FileError.
struct NewText {
    std::unique_ptr<AtomicRewrite> rewrite;
    std::uint64_t occurrences = 0;
    bool unchanged = false;
    bool written() const { return rewrite || unchanged; }
};
NewText writeNewText(const std::string& path, FirstSearch& found, const BatchOptions& options,
                     const CaseFolder* folder, ScanBuffers& buffers, const RegexPattern* regex);

// Looks for the search text in the files of a run ahead of it, on a few
// threads of its own, so that files are read and searched in parallel while
// the run itself still takes them one by one, in selection order, with every
// host call on its own thread. Only reads: a run that reaches a file takes
// the answer found for it, or handles the file itself when no thread has
// started on it yet. Searches with the options given at the start; the run
// uses an answer only while its options still ask the same search.
//
// The threads stay at most a window of files ahead of the run and block
// SIGINT, SIGTERM, SIGHUP and SIGQUIT.
//
// In a replace run the threads also write the new texts of a few files found
// ahead, so that the creating and writing of temporary files, which is most of
// a run's time, goes on on several cores. The run only backs up and commits.
class SearchAhead {
  public:
    struct Answer {
        enum Kind { NotOrdinary, NotFound, Found, Failed, Binary } kind;
        std::string reason;  // of a failure
        FirstSearch found;   // the file, kept open when the text was found
        NewText newText;     // of a file found in a replace run, when written ahead
    };

    // Searches ahead the files of `paths` marked in `wanted`, on `threads`
    // threads (none when fewer than two files are wanted); those marked in
    // `passOverBinary` (when not empty) as searchFirst() does.
    SearchAhead(const std::vector<std::string>& paths, std::vector<bool> wanted,
                const std::vector<bool>& passOverBinary, const BatchOptions& options,
                unsigned threads);
    ~SearchAhead();  // stops the threads; a file being searched is finished first
    SearchAhead(const SearchAhead&) = delete;
    SearchAhead& operator=(const SearchAhead&) = delete;

    // The answer for file i, once it is ready; nothing when no thread started
    // on it (it is then left to the caller), or `options` ask another search
    // or another replacement.
    std::optional<Answer> take(std::size_t i, const BatchOptions& options);

  private:
    enum State : unsigned char { kWaiting, kSearching, kDone, kLeft };

    void work();
    Answer search(std::size_t i, const BatchOptions& options,
                  const std::optional<CaseFolder>& folder, ScanBuffers& buffers);
    void writeAhead(std::size_t i, Answer& answer, const CaseFolder* folder, ScanBuffers& buffers);

    // The run's selection, which stays as it is while the run reads it too.
    const std::vector<std::string>& paths_;
    std::vector<bool> wanted_;
    const std::vector<bool>& passOverBinary_;
    BatchOptions options_;
    // The threads' own compiled pattern: the run's may be compiled again.
    std::unique_ptr<RegexPattern> regex_;
    std::mutex mutex_;
    std::condition_variable wake_;  // threads: the run moved on, or stop
    std::condition_variable done_;  // the run: an answer is ready
    std::vector<State> state_;
    // Answers of the files within the window, file i at i % kWindow.
    std::vector<std::optional<Answer>> answers_;
    std::size_t next_ = 0;                // the first file no thread has looked at
    std::size_t reached_ = 0;             // the file the run is at
    unsigned waiting_ = 0;                // threads waiting for the run to move on
    std::size_t written_ = 0;             // new texts written ahead and not yet taken
    std::vector<std::size_t> writersAt_;  // files whose writing waits for room
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace lexmill
