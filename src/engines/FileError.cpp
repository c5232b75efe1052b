#include "FileError.h"

#include <cstring>

namespace lexmill {

FileError FileError::fromErrno(const std::string& path, const std::string& doing, int error) {
    std::string reason = std::strerror(error);
    if (!doing.empty()) reason = doing + ": " + reason;
    return FileError(path, reason);
}

}  // namespace lexmill
