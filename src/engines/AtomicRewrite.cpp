#include "AtomicRewrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "FileError.h"
#include "PathName.h"

namespace lexmill {
namespace {

constexpr std::size_t kBufferSize = 256 * 1024;

// The file a path names, through any symbolic links; empty when it does not exist.
std::string resolveLinks(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    if (real) return real.get();
    if (errno == ENOENT) return {};
    throw FileError::fromErrno(path, "cannot find the file", errno);
}

}  // namespace

AtomicRewrite::AtomicRewrite(const std::string& path, int newFileMode)
    : path_(path), target_(resolveLinks(path)) {
    struct stat st {};
    const bool exists = !target_.empty();
    if (!exists) {
        if (newFileMode < 0) throw FileError::fromErrno(path_, "cannot find the file", ENOENT);
        target_ = path;
        st.st_mode = static_cast<mode_t>(newFileMode);
    } else if (::stat(target_.c_str(), &st) != 0) {
        throw FileError::fromErrno(path_, "cannot read", errno);
    }

    std::string pattern = folderOf(target_) + "/.~lm.XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0)
        throw FileError::fromErrno(path_, "cannot create temporary file in " + folderOf(target_),
                                   errno);
    fd_.reset(fd);
    temp_ = pattern;
    if (::fchmod(fd, st.st_mode & 07777) != 0) {
        const int error = errno;
        throw FileError::fromErrno(path_, "cannot set permissions of the new file", error);
    }
    // Keeps the owner when the system lets us (as root); otherwise the file
    // becomes ours, as with any editor that saves through a new file.
    if (exists && ::fchown(fd, st.st_uid, st.st_gid) != 0) {
        // not allowed: the new file stays ours
    }
    buffer_.reserve(kBufferSize);
}

AtomicRewrite::~AtomicRewrite() {
    if (!committed_ && !temp_.empty()) {
        fd_.reset();
        ::unlink(temp_.c_str());
    }
}

void AtomicRewrite::writeAll(const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t done = ::write(fd_.get(), data, size);
        if (done < 0) {
            if (errno == EINTR) continue;
            throw FileError::fromErrno(path_, "cannot write the new file", errno);
        }
        data += done;
        size -= static_cast<std::size_t>(done);
    }
}

void AtomicRewrite::flushBuffer() {
    writeAll(buffer_.data(), buffer_.size());
    buffer_.clear();
}

void AtomicRewrite::write(std::string_view bytes) {
    if (buffer_.size() + bytes.size() > kBufferSize) {
        flushBuffer();
        if (bytes.size() >= kBufferSize) return writeAll(bytes.data(), bytes.size());
    }
    buffer_.append(bytes);
}

void AtomicRewrite::copyFrom(int source, std::uint64_t length) {
    flushBuffer();
    loff_t in = 0;
    while (length > 0) {
        const std::size_t chunk =
            length > (1u << 30) ? (1u << 30) : static_cast<std::size_t>(length);
        const ssize_t done = ::copy_file_range(source, &in, fd_.get(), nullptr, chunk, 0);
        if (done > 0) {
            length -= static_cast<std::uint64_t>(done);
            continue;
        }
        if (done < 0 && errno == EINTR) continue;
        if (done == 0) throw FileError(path_, "the file became shorter while it was read");
        if (errno != EXDEV && errno != ENOSYS && errno != EOPNOTSUPP && errno != EINVAL)
            throw FileError::fromErrno(path_, "cannot write the new file", errno);
        // No kernel copy here: read and write.
        std::string block(std::min<std::uint64_t>(length, 1u << 20), '\0');
        while (length > 0) {
            const ssize_t got =
                ::pread(source, block.data(), std::min<std::uint64_t>(length, block.size()), in);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) throw FileError::fromErrno(path_, "cannot read", errno);
            if (got == 0) throw FileError(path_, "the file became shorter while it was read");
            writeAll(block.data(), static_cast<std::size_t>(got));
            in += got;
            length -= static_cast<std::uint64_t>(got);
        }
    }
}

void AtomicRewrite::commit() {
    flushBuffer();
    if (::fdatasync(fd_.get()) != 0)
        throw FileError::fromErrno(path_, "cannot write the new file", errno);
    if (fd_.close() != 0) throw FileError::fromErrno(path_, "cannot write the new file", errno);
    if (::rename(temp_.c_str(), target_.c_str()) != 0)
        throw FileError::fromErrno(path_, "cannot replace the file", errno);
    committed_ = true;
}

void backupFile(const std::string& path, const std::string& folder, const std::string& name) {
    struct stat st {};
    // Several files of a run may need the folder at the same moment.
    if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST)
        throw FileError::fromErrno(path, "cannot create backup folder " + folder, errno);
    if (::stat(folder.c_str(), &st) != 0) {
        throw FileError::fromErrno(path, "cannot use backup folder " + folder, errno);
    } else if (!S_ISDIR(st.st_mode)) {
        throw FileError(path, "cannot make a backup: " + folder + " is not a folder");
    }

    UniqueFd source(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!source) throw FileError::fromErrno(path, "cannot read", errno);
    struct stat sourceStat {};
    if (::fstat(source.get(), &sourceStat) != 0)
        throw FileError::fromErrno(path, "cannot read", errno);

    try {
        AtomicRewrite backup(folder + "/" + name, static_cast<int>(sourceStat.st_mode & 07777));
        backup.copyFrom(source.get(), static_cast<std::uint64_t>(sourceStat.st_size));
        backup.commit();
    } catch (const FileError& e) {
        throw FileError(path, "cannot make a backup: " + e.reason());
    }
}

}  // namespace lexmill
