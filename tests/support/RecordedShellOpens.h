#pragma once

#include <vector>

#include "BrowseDirectorysOnly.h"

namespace lexmill {

// For tests: while alive, ShellOpen records each request and hands nothing to
// the desktop, so no browser or mail program is started.
class RecordedShellOpens {
  public:
    RecordedShellOpens();
    ~RecordedShellOpens();
    RecordedShellOpens(const RecordedShellOpens&) = delete;
    RecordedShellOpens& operator=(const RecordedShellOpens&) = delete;

    // What ShellOpen returns from now on (as if the desktop accepted or not).
    void setAccepted(bool accepted) { accepted_ = accepted; }

    const std::vector<ShellOpenRequest>& calls() const { return calls_; }
    int count() const { return static_cast<int>(calls_.size()); }
    const ShellOpenRequest& last() const { return calls_.back(); }

  private:
    std::vector<ShellOpenRequest> calls_;
    bool accepted_ = true;
    ShellOpener previous_;
};

}  // namespace lexmill
