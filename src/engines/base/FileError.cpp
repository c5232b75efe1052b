#include "base/FileError.h"

#include <system_error>

namespace lexmill {

FileError FileError::fromErrno(const std::string& path, const std::string& doing, int error) {
    // Runs on the I/O threads too: strerror is not thread-safe.
    std::string reason = std::generic_category().message(error);
    if (!doing.empty()) reason = doing + ": " + reason;
    return FileError(path, reason);
}

}  // namespace lexmill
