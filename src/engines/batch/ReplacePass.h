#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "batch/BatchHost.h"
#include "match/LiteralScanner.h"
#include "match/RegexScanner.h"

namespace lexmill {

// The two passes a replace run makes over one file, shared by the run and by
// its preview so that both produce the same bytes.

// Reads fd (an ordinary file, from its position) until the first occurrence of
// the search text; its offset, or nothing when there is none. `folder` null:
// match case. With `regex`, its matches are the occurrences (and `folder` is
// not used). With `binary`: set to whether the file's first 8 KiB hold a NUL
// byte, in which case nothing is searched. Throws FileError naming `path`.
std::optional<std::uint64_t> findFirstOccurrence(int fd, const std::string& path,
                                                 const BatchOptions& options,
                                                 const CaseFolder* folder, ScanBuffers& buffers,
                                                 const RegexPattern* regex = nullptr,
                                                 bool* binary = nullptr);

// Produces the new text of fd, whose first occurrence is at `first`: calls
// `keep(n)` for the bytes [0, n) that stay as they are, then gives `out` the
// rest of the new text in order. `occurrence` (optional) is told the offset
// in the file of each occurrence replaced, its length and the length of its
// replacement. Returns the replacements made; `changed` (optional) is set to
// whether any of them differs from what it replaced (false: the new text is
// the file's own). Throws FileError naming `path`.
std::uint64_t replaceFrom(int fd, const std::string& path, std::uint64_t first,
                          const BatchOptions& options, const CaseFolder* folder,
                          ScanBuffers& buffers, const std::function<void(std::uint64_t)>& keep,
                          const ByteSink& out, const OccurrenceHook& occurrence = {},
                          const RegexPattern* regex = nullptr, bool* changed = nullptr);

}  // namespace lexmill
