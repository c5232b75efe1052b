#include "write/CommitGroup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "base/FileError.h"
#include "base/QuietThreads.h"

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
                      std::unique_ptr<BackupCopy> backup, UniqueFd old, const struct stat& read,
                      std::uint64_t bytes) {
    if (members_.empty()) started_ = std::chrono::steady_clock::now();
    members_.push_back(
        {tag, std::move(rewrite), std::move(backup), std::move(old), read, std::nullopt});
    bytes_ += bytes;
}

bool CommitGroup::due() const {
    return members_.size() >= kMaxFiles || bytes_ >= kMaxBytes ||
           (!members_.empty() && std::chrono::steady_clock::now() - started_ >= kMaxAge);
}

void CommitGroup::syncMembers(std::vector<Member>& members, int recordFd) {
    // One syncfs() per file system the group wrote to; the record is on disk
    // with it where it shares one of them.
    std::vector<dev_t> synced;
    bool failed = false;
    const auto syncOnce = [&](dev_t device, int fd) {
        if (std::find(synced.begin(), synced.end(), device) != synced.end()) return;
        synced.push_back(device);
        if (::syncfs(fd) != 0) failed = true;
    };
    for (const Member& m : members) {
        syncOnce(m.rewrite->device(), m.rewrite->fd());
        if (m.backup && m.backup->fd() >= 0) syncOnce(m.backup->device(), m.backup->fd());
    }
    if (observer_ && recordFd >= 0) {
        struct stat st {};
        const bool covered = !failed && ::fstat(recordFd, &st) == 0 &&
                             std::find(synced.begin(), synced.end(), st.st_dev) != synced.end();
        try {
            observer_->recordSynced(covered);
        } catch (const FileError& e) {
            failAll(members, "cannot keep the record for undo: " + std::string(e.what()));
            return;
        }
    }
    if (!failed) return;
    // Something failed to reach the disk: find out which files, one by one.
    for (Member& m : members) {
        if (m.backup && m.backup->fd() >= 0 && ::fdatasync(m.backup->fd()) != 0)
            m.error = "cannot make a backup: " + writeError(errno);
        else if (::fdatasync(m.rewrite->fd()) != 0)
            m.error = writeError(errno);
    }
}

void CommitGroup::failAll(std::vector<Member>& members, const std::string& why) {
    for (Member& m : members)
        if (!m.error) m.error = why;
}

int CommitGroup::recordMembers(std::vector<Member>& members) {
    if (!observer_) return -1;
    std::vector<Staged> staged;
    for (const Member& m : members) {
        if (m.error || !m.backup) continue;
        Staged s{m.tag, m.rewrite->path(), m.backup->path(), {}, {}, m.read};
        // A backup that is the file itself, linked, is the file as read.
        if (::fstat(m.rewrite->fd(), &s.file) != 0 ||
            ::fstat(m.backup->linked() ? m.old.get() : m.backup->fd(), &s.backup) != 0)
            continue;  // not recorded: held back below
        staged.push_back(std::move(s));
    }
    int recordFd = -1;
    try {
        recordFd = observer_->record(staged);
    } catch (const FileError& e) {
        failAll(members, "cannot keep the record for undo: " + std::string(e.what()));
        return -1;
    }
    // A member that has a backup but could not be recorded is not replaced.
    for (Member& m : members)
        if (!m.error && m.backup &&
            std::none_of(staged.begin(), staged.end(),
                         [&](const Staged& s) { return s.tag == m.tag; }))
            m.error = "cannot keep the record for undo: cannot read the new file's status";
    return recordFd;
}

std::vector<CommitGroup::Finished> CommitGroup::commitMembers(std::vector<Member>& members) {
    if (members.empty()) return {};
    syncMembers(members, recordMembers(members));
    std::vector<Finished> out;
    out.reserve(members.size());
    std::vector<UniqueFd> replaced;
    for (Member& m : members) {
        // The backup is in place (and durable) before the file is replaced,
        // and neither while the file is not the one that was read.
        if (!m.error) try {
                m.rewrite->checkUnchanged(m.read);
                if (m.backup) m.backup->commitWritten();
                m.rewrite->commitWritten();
                if (observer_) observer_->renamed(m.tag);
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
    if (observer_) observer_->groupRenamed();
    members.clear();
    return out;
}

std::vector<CommitGroup::Finished> CommitGroup::commit() {
    std::vector<Finished> out = takeBackground(true);
    for (auto& f : commitMembers(members_)) out.push_back(std::move(f));
    bytes_ = 0;
    return out;
}

std::vector<CommitGroup::Finished> CommitGroup::commitInBackground() {
    std::vector<Finished> out = takeBackground(true);
    if (members_.empty()) return out;
    if (thread_.empty()) startQuietThreads(thread_, 1, [this] { work(); });
    {
        std::lock_guard lock(mutex_);
        committing_ = std::move(members_);
        busy_ = true;
    }
    changed_.notify_all();
    members_.clear();
    bytes_ = 0;
    return out;
}

std::vector<CommitGroup::Finished> CommitGroup::finishedInBackground() {
    return takeBackground(false);
}

std::vector<CommitGroup::Finished> CommitGroup::takeBackground(bool wait) {
    std::unique_lock lock(mutex_);
    if (!wait && busy_) return {};
    changed_.wait(lock, [this] { return !busy_; });
    std::vector<Finished> out = finished_ ? std::move(*finished_) : std::vector<Finished>();
    finished_.reset();
    return out;
}

void CommitGroup::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return busy_ || stopping_; });
        if (!busy_) return;
        lock.unlock();
        std::vector<Finished> done = commitMembers(committing_);
        lock.lock();
        finished_ = std::move(done);
        busy_ = false;
        changed_.notify_all();
    }
}

CommitGroup::~CommitGroup() {
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !busy_; });
        stopping_ = true;
    }
    changed_.notify_all();
    for (auto& t : thread_) t.join();
}

}  // namespace lexmill
