#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "base/UniqueFd.h"

namespace lexmill {

// Closes descriptors on a few threads of its own, started at the first close.
// A run keeps each replaced file open until its new version is renamed over
// it; closing it then frees the old blocks, which on some file systems
// (ext4 with discard) waits for the journal. Done one after the other that
// wait is paid per file; in parallel, many files cost little more than one.
// The threads block SIGINT, SIGTERM, SIGHUP and SIGQUIT, so that a handler of
// them runs on the thread that started the run.
class FileCloser {
  public:
    explicit FileCloser(unsigned threads = 4, std::size_t maxPending = 128);
    ~FileCloser();  // closes every descriptor given
    FileCloser(const FileCloser&) = delete;
    FileCloser& operator=(const FileCloser&) = delete;

    // Blocks while maxPending descriptors wait.
    void close(std::vector<UniqueFd> fds);

  private:
    void work();

    unsigned threadCount_;
    std::size_t maxPending_;
    std::mutex mutex_;
    std::condition_variable wake_, room_;
    std::deque<UniqueFd> pending_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace lexmill
