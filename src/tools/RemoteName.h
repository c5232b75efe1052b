// The names files are uploaded under, shared by the FTP window and
// lexmill-batch --upload.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace lexmill {

// The name a file goes under on the server: its name as listed (a relative
// path in the Subfolders mode, its remote folders made as needed), each space
// replaced by "_". "\\" and ":" are ordinary characters of Linux names.
std::string RemoteName(std::string listed);

// The positions of the first two listed names that would arrive under the
// same remote name, the second replacing the first on the server; none when
// every remote name differs.
std::optional<std::pair<std::size_t, std::size_t>> FirstClash(
    const std::vector<std::string>& listed);

}  // namespace lexmill
