#include "write/AtomicRewrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "base/FileError.h"
#include "base/PathName.h"

namespace lexmill {
namespace {

constexpr std::size_t kBufferSize = 256 * 1024;

// The file a path names, through any symbolic links, and its status. A path
// that is no link itself is kept as it is: linked folders on the way lead to
// the same file, and most paths need no trip through each of their folders.
std::string resolveLinks(const std::string& path, struct stat& st) {
    if (::lstat(path.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) return path;
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    if (!real) throw FileError::fromErrno(path, "cannot find the file", errno);
    if (::stat(real.get(), &st) != 0) throw FileError::fromErrno(path, "cannot read", errno);
    return real.get();
}

UniqueFd openFolder(const std::string& folder, int flags) {
    return UniqueFd(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC | flags));
}

void writeAll(int fd, const char* data, std::size_t size, const std::string& path) {
    while (size > 0) {
        const ssize_t done = ::write(fd, data, size);
        if (done < 0) {
            if (errno == EINTR) continue;
            throw FileError::fromErrno(path, "cannot write the new file", errno);
        }
        data += done;
        size -= static_cast<std::size_t>(done);
    }
}

// Appends `length` bytes of `source`, from its offset 0, to `dest`.
void copyPrefix(int source, int dest, std::uint64_t length, const std::string& path) {
    loff_t in = 0;
    while (length > 0) {
        const std::size_t chunk =
            length > (1u << 30) ? (1u << 30) : static_cast<std::size_t>(length);
        const ssize_t done = ::copy_file_range(source, &in, dest, nullptr, chunk, 0);
        if (done > 0) {
            length -= static_cast<std::uint64_t>(done);
            continue;
        }
        if (done < 0 && errno == EINTR) continue;
        if (done == 0) throw FileError(path, "the file became shorter while it was read");
        if (errno != EXDEV && errno != ENOSYS && errno != EOPNOTSUPP && errno != EINVAL)
            throw FileError::fromErrno(path, "cannot write the new file", errno);
        // No kernel copy here: read and write.
        std::string block(std::min<std::uint64_t>(length, 1u << 20), '\0');
        while (length > 0) {
            const ssize_t got =
                ::pread(source, block.data(), std::min<std::uint64_t>(length, block.size()), in);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) throw FileError::fromErrno(path, "cannot read", errno);
            if (got == 0) throw FileError(path, "the file became shorter while it was read");
            writeAll(dest, block.data(), static_cast<std::size_t>(got), path);
            in += got;
            length -= static_cast<std::uint64_t>(got);
        }
    }
}

// Gives the new file `fd` the owner, group and mode bits in `st`. The owner
// goes first: changing it clears the set-user-ID and set-group-ID bits.
void keepOwnerAndMode(int fd, const struct stat& st, const std::string& path) {
    struct stat now {};
    if (::fstat(fd, &now) != 0)
        throw FileError::fromErrno(path, "cannot write the new file", errno);
    if ((now.st_uid != st.st_uid || now.st_gid != st.st_gid) &&
        ::fchown(fd, st.st_uid, st.st_gid) != 0)
        throw FileError::fromErrno(path, "cannot keep the file's owner and group", errno);
    if (::fchmod(fd, st.st_mode & 07777) != 0)
        throw FileError::fromErrno(path, "cannot set permissions of the new file", errno);
    // The system may drop a bit silently (set-group-ID for a group not ours).
    if ((st.st_mode & 07000) == 0) return;
    if (::fstat(fd, &now) != 0)
        throw FileError::fromErrno(path, "cannot write the new file", errno);
    if ((now.st_mode & 07777) != (st.st_mode & 07777))
        throw FileError(path, "cannot keep the file's permissions");
}

// Closes `temp`, whose text is on disk, and renames it over `name` in its folder.
void renameWritten(TemporaryFile& temp, const std::string& name, const std::string& path) {
    temp.giveName();
    if (temp.close() != 0) throw FileError::fromErrno(path, "cannot write the new file", errno);
    if (const int error = temp.renameTo(name))
        throw FileError::fromErrno(path, "cannot replace the file", error);
}

// Flushes `temp` to disk, closes it and renames it over `name` in its folder.
void commitTemporary(TemporaryFile& temp, const std::string& name, const std::string& path) {
    if (::fdatasync(temp.fd()) != 0)
        throw FileError::fromErrno(path, "cannot write the new file", errno);
    renameWritten(temp, name, path);
}

// Starts writing a file's dirty pages to disk without waiting, so that the
// sync that ends a group finds little left to do. Only a hint: a write error
// shows at that sync.
void startWriteback(int fd) {
    ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
}

// Runs `step` of a backup, its errors reported as the backup's, naming `path`.
template <typename Step>
void asBackup(const std::string& path, Step step) {
    try {
        step();
    } catch (const FileError& e) {
        throw FileError(path, "cannot make a backup: " + e.reason());
    }
}

}  // namespace

AtomicRewrite::AtomicRewrite(const std::string& path) : path_(path) {
    struct stat st {};
    target_ = resolveLinks(path, st);
    device_ = st.st_dev;
    // Renaming needs only the folder: without this a file the user may not
    // write would be replaced by one the user owns.
    if (::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0)
        throw FileError::fromErrno(path_, "cannot write", errno);
    const std::string folder = folderOf(target_);
    folder_ = openFolder(folder, 0);
    if (!folder_)
        throw FileError::fromErrno(path_, "cannot create temporary file in " + folder, errno);
    temp_.emplace(TemporaryFile::Unnamed(), folder_.get(), folder, path_);
    keepOwnerAndMode(temp_->fd(), st, path_);
    // Most files are small: a buffer of their size (and some) does, and a big
    // one per file costs the allocator a trip to the system each time.
    buffer_.reserve(static_cast<std::size_t>(
        std::min<std::uint64_t>(kBufferSize, static_cast<std::uint64_t>(st.st_size) + 4096)));
}

void AtomicRewrite::flushBuffer() {
    writeAll(temp_->fd(), buffer_.data(), buffer_.size(), path_);
    buffer_.clear();
}

void AtomicRewrite::write(std::string_view bytes) {
    if (buffer_.size() + bytes.size() > kBufferSize) {
        flushBuffer();
        if (bytes.size() >= kBufferSize)
            return writeAll(temp_->fd(), bytes.data(), bytes.size(), path_);
    }
    buffer_.append(bytes);
}

void AtomicRewrite::copyFrom(int source, std::uint64_t length) {
    flushBuffer();
    copyPrefix(source, temp_->fd(), length, path_);
}

void AtomicRewrite::commit() {
    flushBuffer();
    commitTemporary(*temp_, baseName(target_), path_);
}

void AtomicRewrite::finishWriting() {
    flushBuffer();
    startWriteback(temp_->fd());
}

void AtomicRewrite::commitWritten() {
    renameWritten(*temp_, baseName(target_), path_);
}

void AtomicRewrite::checkUnchanged(const struct stat& read) const {
    struct stat now {};
    const auto same = [](const timespec& a, const timespec& b) {
        return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
    };
    if (::fstatat(folder_.get(), baseName(target_).c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0 ||
        now.st_dev != read.st_dev || now.st_ino != read.st_ino || now.st_size != read.st_size ||
        !same(now.st_mtim, read.st_mtim) || !same(now.st_ctim, read.st_ctim))
        throw FileError(path_, "changed during the run, left as it is");
}

void backupFile(const std::string& path, const std::string& folder, const std::string& name) {
    BackupCopy copy(path, folder, name);
    asBackup(path, [&] {
        if (::fdatasync(copy.fd()) != 0)
            throw FileError::fromErrno(folder + "/" + name, "cannot write the new file", errno);
    });
    copy.commitWritten();
}

BackupCopy::BackupCopy(const std::string& path, const std::string& folder, const std::string& name,
                       int replaced)
    : path_(path), name_(name), copyPath_(folder + "/" + name) {
    // Not followed: a link planted there must not send the copy elsewhere.
    // Made when missing; several files of a run may make it at the same moment.
    dir_ = openFolder(folder, O_NOFOLLOW);
    if (!dir_ && errno == ENOENT) {
        if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST)
            throw FileError::fromErrno(path, "cannot create backup folder " + folder, errno);
        dir_ = openFolder(folder, O_NOFOLLOW);
    }
    const int dir = dir_.get();
    struct stat st {};
    if (!dir_ && errno != ENOTDIR && errno != ELOOP)
        throw FileError::fromErrno(path, "cannot use backup folder " + folder, errno);
    if (!dir_ || ::fstat(dir, &st) != 0 || !S_ISDIR(st.st_mode))
        throw FileError(path, "cannot make a backup: " + folder + " is not a folder");
    device_ = st.st_dev;

    // An earlier copy keeps its mode (and its owner, where the system lets us).
    struct stat earlier {};
    const bool replacing = ::fstatat(dir, name.c_str(), &earlier, AT_SYMLINK_NOFOLLOW) == 0 &&
                           S_ISREG(earlier.st_mode);
    struct stat old {};
    if (!replacing && replaced >= 0 && ::fstat(replaced, &old) == 0 && old.st_nlink == 1 &&
        old.st_dev == st.st_dev) {
        try {
            temp_.emplace(dir, folder, copyPath_, replaced);
            return;
        } catch (const FileError&) {
            // not allowed here (protected links, no /proc): copy it
        }
    }

    UniqueFd source(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!source) throw FileError::fromErrno(path, "cannot read", errno);
    struct stat sourceStat {};
    if (::fstat(source.get(), &sourceStat) != 0)
        throw FileError::fromErrno(path, "cannot read", errno);
    asBackup(path, [&] {
        temp_.emplace(TemporaryFile::Unnamed(), dir, folder, copyPath_);
        if (replacing && ::fchown(temp_->fd(), earlier.st_uid, earlier.st_gid) != 0) {
            // not allowed: the copy is ours
        }
        const mode_t mode = (replacing ? earlier.st_mode : sourceStat.st_mode) & 07777;
        if (::fchmod(temp_->fd(), mode) != 0)
            throw FileError::fromErrno(copyPath_, "cannot set permissions of the new file", errno);
        copyPrefix(source.get(), temp_->fd(), static_cast<std::uint64_t>(sourceStat.st_size),
                   copyPath_);
        startWriteback(temp_->fd());
    });
}

void BackupCopy::commitWritten() {
    asBackup(path_, [&] { renameWritten(*temp_, name_, copyPath_); });
}

}  // namespace lexmill
