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
    const auto syncOnce = [&](dev_t device, int fd) {
        if (std::find(synced.begin(), synced.end(), device) != synced.end()) return;
        synced.push_back(device);
        if (::syncfs(fd) != 0) failed = true;
    };
    for (const Member& m : members_) {
        syncOnce(m.rewrite->device(), m.rewrite->fd());
        if (m.backup && m.backup->fd() >= 0) syncOnce(m.backup->device(), m.backup->fd());
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
    std::vector<UniqueFd> replaced;
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
        replaced.push_back(std::move(m.old));
    }
    closer_.close(std::move(replaced));
    members_.clear();
    bytes_ = 0;
    return out;
}

}  // namespace lexmill
