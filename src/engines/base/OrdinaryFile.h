#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <functional>
#include <string>

#include "base/UniqueFd.h"

namespace lexmill {

// Opens path for reading without waiting on a FIFO or a device put in a
// file's place: the open does not block, and anything but an ordinary file is
// refused ("not an ordinary file"). The descriptor returned blocks as usual;
// `st` (optional) gets the file's status. Throws FileError.
UniqueFd openOrdinaryFile(const std::string& path, struct stat* st = nullptr);

// The whole of an ordinary file, for "View File in Text Block Window":
// `size` (optional) gets its size before reading, `progress` (optional) the
// bytes read so far after each block. Throws FileError ("cannot open: ...",
// "not an ordinary file", "cannot read: ...").
std::string readOrdinaryFile(const std::string& path,
                             const std::function<void(std::int64_t)>& progress = {},
                             std::int64_t* size = nullptr);

}  // namespace lexmill
