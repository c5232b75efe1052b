#include "FileCloser.h"

#include <pthread.h>

#include <csignal>

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

void FileCloser::close(UniqueFd fd) {
    if (threads_.empty()) {
        // Started with the signals that end the program blocked, so that the
        // threads never run a handler of them.
        sigset_t ending, old;
        sigemptyset(&ending);
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&ending, signal);
        pthread_sigmask(SIG_BLOCK, &ending, &old);
        for (unsigned i = 0; i < threadCount_; ++i) threads_.emplace_back([this] { work(); });
        pthread_sigmask(SIG_SETMASK, &old, nullptr);
    }
    std::unique_lock lock(mutex_);
    room_.wait(lock, [this] { return pending_.size() < maxPending_; });
    pending_.push_back(std::move(fd));
    wake_.notify_one();
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
