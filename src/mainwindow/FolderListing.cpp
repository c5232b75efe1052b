#include "FolderListing.h"

#include <iterator>
#include <utility>

#include "FileListBox.h"
#include "TextConvert.h"
#include "files/FolderWalk.h"

namespace lexmill {
namespace {

class Relay : public WalkSink {
  public:
    Relay(std::function<void(std::string)> found, std::function<void(std::string)> unreadable,
          std::atomic<std::size_t>& linksOut)
        : found_(std::move(found)), unreadable_(std::move(unreadable)), linksOut_(linksOut) {}
    void linkLeadsOut(const std::string&) override { ++linksOut_; }
    void file(std::string relativePath) override { found_(std::move(relativePath)); }
    void unreadable(const std::string& relativePath, const std::string& reason) override {
        unreadable_((relativePath.empty() ? std::string(".") : relativePath) + ": " + reason);
    }

  private:
    std::function<void(std::string)> found_, unreadable_;
    std::atomic<std::size_t>& linksOut_;
};

}  // namespace

FolderListing::FolderListing(std::string folder, QString pattern, std::function<void()> ready)
    : ready_(std::move(ready)) {
    thread_ = std::thread([this, folder = std::move(folder), pattern = std::move(pattern)] {
        WalkOptions options;
        options.cancel = &cancel_;
        const auto matches = FileListBox::PatternMatcher(pattern);
        options.acceptName = [&matches](std::string_view name) {
            return matches(FromLocalPath(name));
        };
        Relay relay([this](std::string path) { Found(std::move(path), false); },
                    [this](std::string folder) {
                        const std::lock_guard<std::mutex> lock(mutex_);
                        unreadable_.push_back(std::move(folder));
                    },
                    linksOut_);
        WalkFolder(folder, options, relay);
        Found({}, true);
    });
}

FolderListing::~FolderListing() {
    cancel_ = true;
    thread_.join();
}

void FolderListing::Found(std::string path, bool last) {
    bool announce = false;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (last)
            finished_ = true;
        else
            found_.push_back(std::move(path));
        announce = !announced_;
        announced_ = true;
    }
    if (announce) ready_();
}

std::vector<std::string> FolderListing::Unreadable() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return unreadable_;
}

std::vector<std::string> FolderListing::Take(std::size_t most, bool& finished, bool& more) {
    const std::lock_guard<std::mutex> lock(mutex_);
    more = found_.size() > most;
    announced_ = more;
    finished = finished_ && !more;
    if (!more) return std::exchange(found_, {});
    std::vector<std::string> taken(
        std::make_move_iterator(found_.begin()),
        std::make_move_iterator(found_.begin() + static_cast<std::ptrdiff_t>(most)));
    found_.erase(found_.begin(), found_.begin() + static_cast<std::ptrdiff_t>(most));
    return taken;
}

}  // namespace lexmill
