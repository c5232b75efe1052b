#include "batch/RunFiles.h"

#include <sys/stat.h>

#include <unordered_map>
#include <utility>

namespace lexmill {
namespace {

// A file as the system knows it, whatever name it is reached by.
struct FileIdentity {
    dev_t device;
    ino_t inode;
    bool operator==(const FileIdentity&) const = default;
};

struct FileIdentityHash {
    std::size_t operator()(const FileIdentity& id) const {
        return std::hash<std::uint64_t>()(static_cast<std::uint64_t>(id.inode) * 31 +
                                          static_cast<std::uint64_t>(id.device));
    }
};

}  // namespace

RunFiles findRunFiles(const std::vector<std::string>& paths, std::size_t count,
                      const std::vector<bool>& walked) {
    RunFiles r;
    r.taken.resize(count);
    r.sizes.resize(count);
    r.sameAs.resize(count);
    r.quiet.resize(count);
    r.passOverBinary = walked;
    r.passOverBinary.resize(walked.empty() ? 0 : count);
    std::unordered_map<FileIdentity, std::size_t, FileIdentityHash> firstPlace;
    for (std::size_t i = 0; i < count; ++i) {
        // Links followed; a missing file, a folder or a device is passed over.
        struct stat st {};
        if (::stat(paths[i].c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        const auto [place, isNew] = firstPlace.try_emplace({st.st_dev, st.st_ino}, i);
        if (!isNew) {
            r.sameAs[i] = place->second;
            if (r.passesOverBinary(place->second) && !r.passesOverBinary(i)) {
                r.passOverBinary[place->second] = false;
                r.quiet[i] = true;
            }
            continue;
        }
        r.taken[i] = true;
        r.sizes[i] = static_cast<std::int64_t>(st.st_size);
        r.totalBytes += r.sizes[i];
    }
    return r;
}

}  // namespace lexmill
