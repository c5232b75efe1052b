#include "base/QuietThreads.h"

#include <pthread.h>

#include <csignal>

namespace lexmill {

void startQuietThreads(std::vector<std::thread>& threads, unsigned count,
                       const std::function<void()>& work) {
    // A thread starts with its creator's mask: block, start, restore.
    sigset_t ending, old;
    sigemptyset(&ending);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&ending, signal);
    pthread_sigmask(SIG_BLOCK, &ending, &old);
    for (unsigned i = 0; i < count; ++i) threads.emplace_back(work);
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

}  // namespace lexmill
