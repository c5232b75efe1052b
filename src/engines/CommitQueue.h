#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace lexmill {

// Runs the last steps of rewriting files (backup, flush to disk, rename) on a
// few I/O threads, so that waiting for the disk overlaps with searching the
// next files. Jobs finish in any order but are handed back in the order they
// were submitted. The I/O threads block SIGINT, SIGTERM, SIGHUP and SIGQUIT,
// so that a handler of them runs on the thread that started the run.
class CommitQueue {
  public:
    struct Finished {
        std::size_t tag;
        std::optional<std::string> error;  // a FileError's reason
    };

    explicit CommitQueue(unsigned threads = 4, std::size_t maxPending = 64);
    ~CommitQueue();  // waits for every job
    CommitQueue(const CommitQueue&) = delete;
    CommitQueue& operator=(const CommitQueue&) = delete;

    // Queues work that may throw FileError. Blocks while maxPending jobs are
    // unfinished.
    void submit(std::size_t tag, std::function<void()> work);

    // The jobs finished at the head of the submission order; with `all`, waits
    // for every job.
    std::vector<Finished> take(bool all);

    bool empty() const;

  private:
    struct Job {
        std::size_t tag;
        std::function<void()> work;
        bool done = false;
        std::optional<std::string> error;
    };

    void work();

    mutable std::mutex mutex_;
    std::condition_variable wake_;      // workers: a job is waiting, or stop
    std::condition_variable finished_;  // submitter: a job finished
    std::deque<Job> jobs_;              // in submission order, finished or not
    std::size_t next_ = 0;              // index in jobs_ of the first job not yet started
    std::size_t maxPending_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace lexmill
