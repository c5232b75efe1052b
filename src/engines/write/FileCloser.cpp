#include "write/FileCloser.h"

#include "base/QuietThreads.h"

namespace lexmill {

FileCloser::FileCloser(unsigned threads, std::size_t maxPending)
    : threadCount_(threads), maxPending_(maxPending) {}

FileCloser::~FileCloser() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (auto& t : threads_) t.join();
}

void FileCloser::close(std::vector<UniqueFd> fds) {
    if (fds.empty()) return;
    if (threads_.empty()) startQuietThreads(threads_, threadCount_, [this] { work(); });
    std::unique_lock lock(mutex_);
    for (UniqueFd& fd : fds) {
        if (pending_.size() >= maxPending_) {
            wake_.notify_all();
            room_.wait(lock, [this] { return pending_.size() < maxPending_; });
        }
        pending_.push_back(std::move(fd));
    }
    // The threads are woken once for the lot, not once a file.
    wake_.notify_all();
}

void FileCloser::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !pending_.empty(); });
        if (pending_.empty()) return;  // stopping, nothing left
        UniqueFd fd = std::move(pending_.front());
        pending_.pop_front();
        room_.notify_one();
        lock.unlock();
        fd.reset();
        lock.lock();
    }
}

}  // namespace lexmill
