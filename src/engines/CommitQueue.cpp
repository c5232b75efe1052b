#include "CommitQueue.h"

#include <pthread.h>

#include <csignal>

#include "FileError.h"

namespace lexmill {

CommitQueue::CommitQueue(unsigned threads, std::size_t maxPending) : maxPending_(maxPending) {
    for (unsigned i = 0; i < threads; ++i) threads_.emplace_back([this] { work(); });
}

CommitQueue::~CommitQueue() {
    take(true);
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (auto& t : threads_) t.join();
}

void CommitQueue::submit(std::size_t tag, std::function<void()> work) {
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [this] { return jobs_.size() < maxPending_ || jobs_.front().done; });
    jobs_.push_back(Job{tag, std::move(work), false, std::nullopt});
    wake_.notify_one();
}

std::vector<CommitQueue::Finished> CommitQueue::take(bool all) {
    std::vector<Finished> out;
    std::unique_lock lock(mutex_);
    for (;;) {
        while (!jobs_.empty() && jobs_.front().done) {
            out.push_back({jobs_.front().tag, std::move(jobs_.front().error)});
            jobs_.pop_front();
            --next_;
        }
        if (!all || jobs_.empty()) return out;
        finished_.wait(lock);
    }
}

bool CommitQueue::empty() const {
    std::lock_guard lock(mutex_);
    return jobs_.empty();
}

void CommitQueue::work() {
    // Signals that end the program are handled on the thread that started the
    // run, never in the middle of a commit here.
    sigset_t ending;
    sigemptyset(&ending);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&ending, signal);
    pthread_sigmask(SIG_BLOCK, &ending, nullptr);

    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || next_ < jobs_.size(); });
        if (next_ >= jobs_.size()) return;  // stopping, nothing left
        // A deque keeps references to its elements while others are added at
        // the back; the front is only removed once done, so `job` stays valid.
        Job& job = jobs_[next_++];
        std::function<void()> work = std::move(job.work);
        lock.unlock();
        std::optional<std::string> error;
        try {
            work();
        } catch (const FileError& e) {
            error = e.reason();
        } catch (const std::exception& e) {
            error = e.what();
        }
        lock.lock();
        job.error = std::move(error);
        job.done = true;
        finished_.notify_all();
    }
}

}  // namespace lexmill
