#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lexmill {

// The files a run over a selection takes, found before any is read: each file
// once, at its first place in the selection; a later name of it (the same path
// again, another path, a link) is passed over. Files are told apart before
// any is rewritten, since a rewrite gives a file a new inode.
struct RunFiles {
    std::vector<bool> taken;                         // an ordinary file, at its first place
    std::vector<std::int64_t> sizes;                 // of the files taken; 0 for the others
    std::vector<std::optional<std::size_t>> sameAs;  // a later name of file sameAs[i]
    // A later name not to speak of: the file was found by a walk first and
    // named too, so it is taken as named.
    std::vector<bool> quiet;
    // The files found by a walk, passed over when binary (empty: none). A
    // file named too is never passed over.
    std::vector<bool> passOverBinary;
    std::int64_t totalBytes = 0;

    bool passesOverBinary(std::size_t i) const {
        return i < passOverBinary.size() && passOverBinary[i];
    }
};

// The first `count` of `paths`; `walked` marks those a folder walk found.
RunFiles findRunFiles(const std::vector<std::string>& paths, std::size_t count,
                      const std::vector<bool>& walked);

}  // namespace lexmill
