#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lexmill {

// What a folder walk takes. Globs follow fnmatch and are matched against a
// file's or folder's own name, never its path.
struct WalkOptions {
    std::vector<std::string> include;     // when any: a file must match one
    std::vector<std::string> exclude;     // a file matching one is passed over
    std::vector<std::string> excludeDir;  // a folder matching one is not entered
    // Take links to files that lead out of the folder walked too (a link
    // within it is always taken).
    bool followLinks = false;
    // Pass over binary files (a NUL byte in the first 8 KiB). A caller that
    // reads each file anyway may check that itself on its first read, and
    // spare the walk opening every file.
    bool passOverBinary = true;
    // A further test on a file's name (the window's pattern); empty: every name.
    std::function<bool(std::string_view name)> acceptName;
    // Set from elsewhere to end the walk early.
    const std::atomic<bool>* cancel = nullptr;
};

// Where a walk reports. Paths are relative to the walked folder ("pages/index.html").
class WalkSink {
  public:
    virtual ~WalkSink() = default;
    virtual void file(std::string relativePath) = 0;
    // A folder that could not be opened or read, with the system's reason;
    // the walk goes on with the rest.
    virtual void unreadable(const std::string& relativePath, const std::string& reason) = 0;
    // A link to a file out of the folder walked, passed over.
    virtual void linkLeadsOut(const std::string& /*relativePath*/) {}
};

// Lists the text files of `folder` and its subfolders, depth first, each
// folder's entries in the file list's order. Passes over hidden names (a
// leading "."), LMBACK folders, links to folders, links to files out of
// `folder` (unless followed) and files with a NUL byte in their first 8 KiB. Never enters one folder twice (a bind mount loop). A
// `folder` that cannot be opened is reported with the relative path "".
void WalkFolder(const std::string& folder, const WalkOptions& options, WalkSink& sink);

// True when the first 8 KiB of the file at `fd` hold a NUL byte. A file that
// cannot be read is taken as text: the run reports why.
bool LooksBinary(int fd);

}  // namespace lexmill
