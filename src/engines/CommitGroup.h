#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "AtomicRewrite.h"
#include "FileCloser.h"
#include "UniqueFd.h"

namespace lexmill {

// Commits the rewrites of a run in groups: the new texts (and backups) of many
// files are written, made durable together with one syncfs() per file system,
// then renamed in the order they were added. One wait for the disk serves the
// whole group instead of one per file, and a crash at any moment still leaves
// each file either as it was or wholly new. A group is bounded in files and
// bytes (temporary files and disk space) and in age (results keep coming).
class CommitGroup {
  public:
    struct Finished {
        std::size_t tag;
        std::optional<std::string> error;  // a FileError's reason
    };

    // A file whose new text is written out, and its backup copy (null for
    // none), which is put in place before the file is replaced. `old`: the
    // file open, closed once replaced (FileCloser.h). `bytes`: what the new
    // text and the backup take on disk, roughly.
    void add(std::size_t tag, std::unique_ptr<AtomicRewrite> rewrite,
             std::unique_ptr<BackupCopy> backup, UniqueFd old, std::uint64_t bytes);

    bool empty() const { return members_.empty(); }
    // Whether the group is big enough, or old enough, to be committed now.
    bool due() const;

    // Makes the group durable and renames its files, in the order added; a
    // file that fails is left as it was and fails alone.
    std::vector<Finished> commit();

  private:
    struct Member {
        std::size_t tag;
        std::unique_ptr<AtomicRewrite> rewrite;
        std::unique_ptr<BackupCopy> backup;
        UniqueFd old;
        std::optional<std::string> error;
    };

    void syncMembers();

    std::vector<Member> members_;
    std::uint64_t bytes_ = 0;
    std::chrono::steady_clock::time_point started_;
    FileCloser closer_;
};

}  // namespace lexmill
