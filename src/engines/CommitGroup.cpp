#include "CommitGroup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "FileError.h"

namespace lexmill {
namespace {

// Each member holds up to two temporary files and five descriptors: well
// inside TemporaryFile's table and the usual limit of 1024 open files.
constexpr std::size_t kMaxFiles = 96;
constexpr std::uint64_t kMaxBytes = 64ull << 20;
constexpr auto kMaxAge = std::chrono::milliseconds(500);

std::string writeError(int error) {
    return "cannot write the new file: " + std::generic_category().message(error);
}

}  // namespace

void CommitGroup::add(std::size_t tag, std::unique_ptr<AtomicRewrite> rewrite,
                      std::unique_ptr<BackupCopy> backup, UniqueFd old, std::uint64_t bytes) {
    if (members_.empty()) started_ = std::chrono::steady_clock::now();
    members_.push_back({tag, std::move(rewrite), std::move(backup), std::move(old), std::nullopt});
    bytes_ += bytes;
}

bool CommitGroup::due() const {
    return members_.size() >= kMaxFiles || bytes_ >= kMaxBytes ||
           (!members_.empty() && std::chrono::steady_clock::now() - started_ >= kMaxAge);
}

void CommitGroup::syncMembers() {
    // One syncfs() per file system the group wrote to.
    std::vector<dev_t> synced;
    bool failed = false;
    for (const Member& m : members_)
        for (const int folder :
             {m.rewrite->folder(), m.backup && m.backup->fd() >= 0 ? m.backup->folder() : -1}) {
            struct stat st {};
            if (folder < 0 || ::fstat(folder, &st) != 0) continue;
            if (std::find(synced.begin(), synced.end(), st.st_dev) != synced.end()) continue;
            synced.push_back(st.st_dev);
            const int fd = folder == m.rewrite->folder() ? m.rewrite->fd() : m.backup->fd();
            if (::syncfs(fd) != 0) failed = true;
        }
    if (!failed) return;
    // Something failed to reach the disk: find out which files, one by one.
    for (Member& m : members_) {
        if (m.backup && m.backup->fd() >= 0 && ::fdatasync(m.backup->fd()) != 0)
            m.error = "cannot make a backup: " + writeError(errno);
        else if (::fdatasync(m.rewrite->fd()) != 0)
            m.error = writeError(errno);
    }
}

std::vector<CommitGroup::Finished> CommitGroup::commit() {
    syncMembers();
    std::vector<Finished> out;
    out.reserve(members_.size());
    for (Member& m : members_) {
        // The backup is in place (and durable) before the file is replaced.
        if (!m.error) try {
                if (m.backup) m.backup->commitWritten();
                m.rewrite->commitWritten();
            } catch (const FileError& e) {
                m.error = e.reason();
            }
        out.push_back({m.tag, std::move(m.error)});
        // A file that failed drops its temporary files here.
        m.backup.reset();
        m.rewrite.reset();
        closer_.close(std::move(m.old));
    }
    members_.clear();
    bytes_ = 0;
    return out;
}

}  // namespace lexmill
