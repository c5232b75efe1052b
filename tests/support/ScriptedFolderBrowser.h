#pragma once

#include <QString>
#include <deque>
#include <vector>

#include "BrowseDirectorysOnly.h"

namespace lexmill {

// For tests: while alive, BrowseForFolder records each request instead of
// showing the chooser and answers from a queue of scripted paths. With the
// queue empty the browse is cancelled (the empty string).
class ScriptedFolderBrowser {
  public:
    ScriptedFolderBrowser();
    ~ScriptedFolderBrowser();
    ScriptedFolderBrowser(const ScriptedFolderBrowser&) = delete;
    ScriptedFolderBrowser& operator=(const ScriptedFolderBrowser&) = delete;

    // The folder "chosen" by the next browse; an empty one cancels it.
    void answer(const QString& folder) { answers_.push_back(folder); }

    const std::vector<FolderBrowseRequest>& calls() const { return calls_; }
    int count() const { return static_cast<int>(calls_.size()); }
    const FolderBrowseRequest& last() const { return calls_.back(); }

  private:
    QString respond(const FolderBrowseRequest& request);

    std::vector<FolderBrowseRequest> calls_;
    std::deque<QString> answers_;
    FolderBrowser previous_;
};

}  // namespace lexmill
