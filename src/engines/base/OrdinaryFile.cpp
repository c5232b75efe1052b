#include "base/OrdinaryFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "base/FileError.h"

namespace lexmill {

UniqueFd openOrdinaryFile(const std::string& path, struct stat* st) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd) throw FileError::fromErrno(path, "cannot open", errno);
    struct stat own {};
    if (!st) st = &own;
    if (::fstat(fd.get(), st) != 0) throw FileError::fromErrno(path, "cannot read", errno);
    if (!S_ISREG(st->st_mode)) throw FileError(path, "not an ordinary file");
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
        throw FileError::fromErrno(path, "cannot read", errno);
    return fd;
}

std::string readOrdinaryFile(const std::string& path,
                             const std::function<void(std::int64_t)>& progress,
                             std::int64_t* size) {
    struct stat st {};
    const UniqueFd fd = openOrdinaryFile(path, &st);
    if (size) *size = st.st_size;
    constexpr std::size_t kBlock = 1 << 20;
    std::string bytes;
    // Room for the last, empty read too: growing would copy the whole text.
    bytes.reserve(static_cast<std::size_t>(st.st_size) + kBlock);
    for (;;) {
        const std::size_t had = bytes.size();
        bytes.resize(had + kBlock);
        const ssize_t got = ::read(fd.get(), bytes.data() + had, kBlock);
        const int error = errno;
        bytes.resize(had + static_cast<std::size_t>(got > 0 ? got : 0));
        if (got < 0) {
            if (error == EINTR) continue;
            throw FileError::fromErrno(path, "cannot read", error);
        }
        if (got == 0) return bytes;
        if (progress) progress(static_cast<std::int64_t>(bytes.size()));
    }
}

}  // namespace lexmill
