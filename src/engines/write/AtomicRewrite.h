#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/UniqueFd.h"
#include "write/TemporaryFile.h"

namespace lexmill {

// A new version of a file, written to a temporary file in the file's own
// folder and put in its place by commit(), in one rename: the file is either
// as it was or wholly new. A symbolic link stays a link; the file it points to
// is rewritten. The new file keeps the old one's owner, group and every mode
// bit (set-user-ID and set-group-ID included). Until commit() succeeds nothing
// changes, and a rewrite that is dropped, or whose constructor throws, removes
// its temporary file.
//
// Errors are FileErrors that name `path`, the file as the caller knows it.
class AtomicRewrite {
  public:
    // Refuses ("cannot write: Permission denied") a file the user may not
    // write, even in a folder the user may write, and a file whose owner,
    // group or mode bits the new file cannot take.
    explicit AtomicRewrite(const std::string& path);
    AtomicRewrite(const AtomicRewrite&) = delete;
    AtomicRewrite& operator=(const AtomicRewrite&) = delete;

    void write(std::string_view bytes);
    // Appends `length` bytes of `source` from its offset 0.
    void copyFrom(int source, std::uint64_t length);
    // Flushes the new text to disk and renames it over the file.
    void commit();

    // Group commit, in two steps: finishWriting() writes out what is
    // buffered and lets the system start putting it on disk; once the caller
    // has made it durable (syncfs() on the file system of device()),
    // commitWritten() renames it over the file.
    void finishWriting();
    void commitWritten();
    int fd() const { return temp_->fd(); }
    dev_t device() const { return device_; }  // of the file system written to
    const std::string& path() const { return path_; }

    // Throws FileError ("changed during the run, left as it is") unless the
    // file about to be replaced is still the one whose status was `read`
    // when it was opened: same inode, size, modification and change times.
    void checkUnchanged(const struct stat& read) const;

  private:
    void flushBuffer();

    std::string path_;    // as given, for messages
    std::string target_;  // the file that is replaced (links resolved)
    UniqueFd folder_;     // target_'s folder; outlives temp_
    dev_t device_ = 0;
    std::optional<TemporaryFile> temp_;
    std::string buffer_;
};

// Copies the file at `path` into `folder` under `name`, creating the folder if
// needed, replacing an earlier copy atomically: the copy is written to a
// temporary file inside `folder` and renamed over `name`. Neither `folder` nor
// `name` in it is followed if it is a symbolic link: a link at `folder` is
// reported as "FOLDER is not a folder", a link at `name` is replaced. Throws
// FileError naming `path`, its reason beginning "cannot make a backup: ".
void backupFile(const std::string& path, const std::string& folder, const std::string& name);

// backupFile() in two steps, for a group commit: the constructor writes the
// copy to a temporary file in `folder`; commitWritten() renames it over
// `name` once the caller has made it durable. Dropped before that, it
// removes the copy. Errors as backupFile()'s.
//
// `replaced` (optional) is the file open, about to be replaced by a rename:
// where no earlier backup is there to keep its mode, the file has no other
// name, and `folder` is on its file system, the backup is that file itself,
// linked into `folder` under a temporary name, and nothing is copied. fd() is
// then -1: the data is the file's, on its file system. The link is made at
// once, so that the sync that makes the group durable makes it durable too;
// it changes the file's change time (linked() says so).
class BackupCopy {
  public:
    BackupCopy(const std::string& path, const std::string& folder, const std::string& name,
               int replaced = -1);
    void commitWritten();
    int fd() const { return temp_->fd(); }
    bool linked() const { return temp_->fd() < 0; }
    dev_t device() const { return device_; }  // of the file system written to
    const std::string& path() const { return copyPath_; }

  private:
    std::string path_, name_, copyPath_;
    UniqueFd dir_;
    dev_t device_ = 0;
    std::optional<TemporaryFile> temp_;
};

}  // namespace lexmill
