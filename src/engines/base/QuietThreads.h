#pragma once

#include <functional>
#include <thread>
#include <vector>

namespace lexmill {

// Starts `count` threads running `work`, with SIGINT, SIGTERM, SIGHUP and
// SIGQUIT blocked in them, so that the handlers that remove pending
// temporary files only ever run on the program's own thread.
void startQuietThreads(std::vector<std::thread>& threads, unsigned count,
                       const std::function<void()>& work);

}  // namespace lexmill
