#pragma once

#include <QString>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lexmill {

// Walks a folder and its subfolders on a thread of its own for the file list,
// handing over the relative paths found as they come, so that the list fills
// while the user already works with it.
class FolderListing {
  public:
    // `ready` is called on the walking thread whenever found names wait and
    // none was announced since the last Take; it should schedule a Take on
    // the list's thread. `pattern` is the list's pattern.
    FolderListing(std::string folder, QString pattern, std::function<void()> ready);
    // Stops the walk (after the entry at hand) and waits for its thread.
    ~FolderListing();
    FolderListing(const FolderListing&) = delete;
    FolderListing& operator=(const FolderListing&) = delete;

    // The first `most` names found and not yet taken, in walk order.
    // `finished` tells whether the walk is over and these are the last; while
    // `more` is true, names are waiting that no call of `ready` will announce.
    std::vector<std::string> Take(std::size_t most, bool& finished, bool& more);
    // Each folder that could not be read, "path: reason"; complete once finished.
    std::vector<std::string> Unreadable();
    // Links to files out of the folder, passed over; complete once finished.
    std::size_t LinksLeadingOut() const { return linksOut_; }

  private:
    void Found(std::string path, bool last);

    std::atomic<bool> cancel_{false};
    std::atomic<std::size_t> linksOut_{0};
    std::function<void()> ready_;
    std::mutex mutex_;
    std::vector<std::string> found_;  // guarded by mutex_, like the two flags
    bool announced_ = false;
    bool finished_ = false;
    std::vector<std::string> unreadable_;
    std::thread thread_;
};

}  // namespace lexmill
