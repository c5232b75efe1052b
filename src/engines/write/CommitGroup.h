#pragma once

#include <sys/stat.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/UniqueFd.h"
#include "write/AtomicRewrite.h"
#include "write/FileCloser.h"

namespace lexmill {

// Commits the rewrites of a run in groups: the new texts (and backups) of many
// files are written, made durable together with one syncfs() per file system,
// then renamed in the order they were added. One wait for the disk serves the
// whole group instead of one per file, and a crash at any moment still leaves
// each file either as it was or wholly new. A group is bounded in files and
// bytes (temporary files and disk space) and in age (results keep coming).
//
// A group may be committed on a thread of its own while the next one is
// filled: the wait for the disk then holds up nothing else. Groups are
// committed one at a time, in the order they were filled.
class CommitGroup {
  public:
    struct Finished {
        std::size_t tag;
        std::optional<std::string> error;  // a FileError's reason
    };

    // A file with a backup, durable and about to be renamed: the states its
    // new text and its backup will have once renamed (the same inode, size
    // and modification time), and the file's state as it was read.
    struct Staged {
        std::size_t tag;
        std::string path, backupPath;  // as given
        struct stat file, backup, before;
    };

    // Told what a commit does, on the thread that commits.
    class Observer {
      public:
        virtual ~Observer() = default;
        // The group's files with backups are written and about to be made
        // durable, then renamed: they are to be recorded now. Returns a
        // descriptor of the record, made durable with the group (-1: none).
        // A FileError thrown here holds the whole group back.
        virtual int record(const std::vector<Staged>& files) = 0;
        // After the group's sync: the record is on disk (`synced`: that sync
        // covered its file system) or is to be put there now (a FileError
        // thrown holds the whole group back).
        virtual void recordSynced(bool synced) = 0;
        // File `tag` and its backup were put in place.
        virtual void renamed(std::size_t tag) = 0;
        // Every file of the group that could be was put in place.
        virtual void groupRenamed() {}
    };

    explicit CommitGroup(Observer* observer = nullptr) : observer_(observer) {}

    // A file whose new text is written out, and its backup copy (null for
    // none), which is put in place before the file is replaced. `old`: the
    // file open, closed once replaced (FileCloser.h); `read`: its status when
    // it was opened: a file that is no longer so when its turn comes is left
    // as it is and fails ("changed during the run, left as it is"). `bytes`:
    // what the new text and the backup take on disk, roughly.
    void add(std::size_t tag, std::unique_ptr<AtomicRewrite> rewrite,
             std::unique_ptr<BackupCopy> backup, UniqueFd old, const struct stat& read,
             std::uint64_t bytes);

    bool empty() const { return members_.empty(); }
    // Whether the group is big enough, or old enough, to be committed now.
    bool due() const;

    ~CommitGroup();  // waits for a commit under way; drops the group being filled
    CommitGroup(const CommitGroup&) = delete;
    CommitGroup& operator=(const CommitGroup&) = delete;

    // Makes the group durable and renames its files, in the order added; a
    // file that fails is left as it was and fails alone. Returns those of the
    // group committed in the background before, if any, then these.
    std::vector<Finished> commit();
    // Starts committing the group in the background, once the group before
    // is committed; returns what that one finished with.
    std::vector<Finished> commitInBackground();
    // What the group committed in the background finished with, if it has.
    std::vector<Finished> finishedInBackground();

  private:
    struct Member {
        std::size_t tag;
        std::unique_ptr<AtomicRewrite> rewrite;
        std::unique_ptr<BackupCopy> backup;
        UniqueFd old;
        struct stat read;
        std::optional<std::string> error;
    };

    std::vector<Finished> commitMembers(std::vector<Member>& members);
    int recordMembers(std::vector<Member>& members);
    void syncMembers(std::vector<Member>& members, int recordFd);
    void failAll(std::vector<Member>& members, const std::string& why);
    // What the commit under way finished with, waiting for it unless `wait`
    // is false (nothing then while it goes on).
    std::vector<Finished> takeBackground(bool wait);
    void work();

    Observer* observer_;
    std::vector<Member> members_;
    std::uint64_t bytes_ = 0;
    std::chrono::steady_clock::time_point started_;
    FileCloser closer_;

    // The group being committed in the background, and what it finished.
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Member> committing_;
    std::optional<std::vector<Finished>> finished_;
    bool busy_ = false, stopping_ = false;
    std::vector<std::thread> thread_;
};

}  // namespace lexmill
