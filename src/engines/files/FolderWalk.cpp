#include "files/FolderWalk.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "base/UniqueFd.h"
#include "files/NameOrder.h"

namespace lexmill {
namespace {

bool MatchesAny(const std::vector<std::string>& globs, const std::string& name) {
    for (const std::string& glob : globs)
        if (::fnmatch(glob.c_str(), name.c_str(), 0) == 0) return true;
    return false;
}

std::string Reason(int error) {
    return std::generic_category().message(error);
}

class Walker {
  public:
    Walker(const std::string& root, const WalkOptions& options, WalkSink& sink)
        : root_(root), options_(options), sink_(sink) {
        if (!options_.followLinks) {
            std::unique_ptr<char, decltype(&std::free)> real(::realpath(root.c_str(), nullptr),
                                                             &std::free);
            if (real) realRoot_ = real.get();
        }
    }

    // Walks the open folder `fd`, whose path relative to the root is `prefix`
    // ("" or ending in "/").
    void Walk(UniqueFd fd, const std::string& prefix) {
        struct stat st {};
        if (::fstat(fd.get(), &st) != 0) return Unreadable(prefix, errno);
        if (!visited_.insert({st.st_dev, st.st_ino}).second) return;

        const int dupFd = ::fcntl(fd.get(), F_DUPFD_CLOEXEC, 0);
        if (dupFd < 0) return Unreadable(prefix, errno);
        DIR* dir = ::fdopendir(dupFd);
        if (!dir) {
            const int error = errno;
            ::close(dupFd);
            return Unreadable(prefix, error);
        }
        std::vector<std::string> names;
        std::vector<unsigned char> types;  // d_type, which spares most a stat
        int error = 0;
        for (;;) {
            errno = 0;
            const dirent* entry = ::readdir(dir);
            if (!entry) {
                error = errno;
                break;
            }
            if (entry->d_name[0] == '.') continue;  // hidden, "." and ".."
            names.emplace_back(entry->d_name);
            types.push_back(entry->d_type);
        }
        ::closedir(dir);
        if (error != 0) Unreadable(prefix, error);  // what was read still counts
        for (std::size_t i : NamesInOrder(names)) {
            if (Cancelled()) return;
            Entry(fd.get(), names[i], types[i], prefix);
        }
    }

    bool Cancelled() const {
        return options_.cancel && options_.cancel->load(std::memory_order_relaxed);
    }

    void Unreadable(const std::string& prefix, int error) {
        std::string path = prefix;
        if (!path.empty()) path.pop_back();  // the folder, not "folder/"
        sink_.unreadable(path, Reason(error));
    }

  private:
    void Entry(int dirFd, const std::string& name, unsigned char type, const std::string& prefix) {
        struct stat st {};
        // Links to folders are not followed; links to files are taken.
        if (type == DT_DIR)
            st.st_mode = S_IFDIR;
        else if (type == DT_REG)
            st.st_mode = S_IFREG;
        else if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            return;
        if (S_ISDIR(st.st_mode)) {
            if (name == "LMBACK" || MatchesAny(options_.excludeDir, name)) return;
            UniqueFd sub(
                ::openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (!sub) return sink_.unreadable(prefix + name, Reason(errno));
            return Walk(std::move(sub), prefix + name + "/");
        }
        const bool link = S_ISLNK(st.st_mode);
        if (link && ::fstatat(dirFd, name.c_str(), &st, 0) != 0) return;
        if (!S_ISREG(st.st_mode)) return;
        if (!options_.include.empty() && !MatchesAny(options_.include, name)) return;
        if (MatchesAny(options_.exclude, name)) return;
        if (options_.acceptName && !options_.acceptName(name)) return;
        if (link && !options_.followLinks && !LeadsIn(prefix + name))
            return sink_.linkLeadsOut(prefix + name);
        if (options_.passOverBinary) {
            UniqueFd file(
                ::openat(dirFd, name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
            if (file && LooksBinary(file.get())) return;
        }
        sink_.file(prefix + name);
    }

    // Whether the link at `relativePath` leads to a file within the folder walked.
    bool LeadsIn(const std::string& relativePath) const {
        std::unique_ptr<char, decltype(&std::free)> real(
            ::realpath((root_ + "/" + relativePath).c_str(), nullptr), &std::free);
        if (!real || realRoot_.empty()) return false;
        const std::string_view target = real.get();
        return realRoot_ == "/" ||
               (target.starts_with(realRoot_) && target.size() > realRoot_.size() &&
                target[realRoot_.size()] == '/');
    }

    std::string root_, realRoot_;
    const WalkOptions& options_;
    WalkSink& sink_;
    std::set<std::pair<dev_t, ino_t>> visited_;
};

}  // namespace

bool LooksBinary(int fd) {
    char head[8192];
    ssize_t got;
    // One read: a short one is the end of an ordinary file, and a second
    // read to hear so would cost a system call a file.
    do got = ::pread(fd, head, sizeof head, 0);
    while (got < 0 && errno == EINTR);
    return got > 0 && std::memchr(head, 0, static_cast<std::size_t>(got)) != nullptr;
}

void WalkFolder(const std::string& folder, const WalkOptions& options, WalkSink& sink) {
    Walker walker(folder, options, sink);
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd) return sink.unreadable("", Reason(errno));
    walker.Walk(std::move(fd), "");
}

}  // namespace lexmill
