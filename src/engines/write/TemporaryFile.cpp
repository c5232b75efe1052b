#include "write/TemporaryFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

#include "base/FileError.h"

namespace lexmill {
namespace {

// A slot of the table: free, being filled by the thread that lists a name,
// listed, or being read by removePendingTemporaries().
enum SlotState : int { kFree, kFilling, kListed, kRemoving };

struct Slot {
    std::atomic<int> state{kFree};
    char path[PATH_MAX]{};
};

static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
              "the table is read in signal handlers");

// Constant-initialized, so that it stays untouched zero pages until used.
constinit Slot g_slots[kMaxPendingTemporaries];
std::atomic<bool> g_ending{false};  // set by removePendingTemporaries(): create no more
std::atomic<int> g_creating{0};     // threads between the check of g_ending and open()

// The slot now listing `path`; -1 when every slot is taken.
int listPath(const std::string& path) {
    for (std::size_t i = 0; i < kMaxPendingTemporaries; ++i) {
        int expected = kFree;
        if (!g_slots[i].state.compare_exchange_strong(expected, kFilling)) continue;
        std::memcpy(g_slots[i].path, path.c_str(), path.size() + 1);
        g_slots[i].state.store(kListed);
        return static_cast<int>(i);
    }
    return -1;
}

// Fills `out` with random bytes, taken from a pool the system refills a few
// hundred bytes at a time (a run names thousands of files). False when the
// system has no random source.
bool randomBytes(unsigned char* out, std::size_t n) {
    thread_local unsigned char pool[240];
    thread_local std::size_t left = 0;
    if (left < n) {
        for (std::size_t got = 0; got < sizeof pool;) {
            const ssize_t r = ::getrandom(pool + got, sizeof pool - got, 0);
            if (r > 0)
                got += static_cast<std::size_t>(r);
            else if (errno != EINTR)
                return false;
        }
        left = sizeof pool;
    }
    std::memcpy(out, pool + sizeof pool - left, n);
    left -= n;
    return true;
}

constexpr std::string_view kPrefix = ".~lm.";

// A process's start time in clock ticks since boot (field 22 of
// /proc/PID/stat); 0 when it does not run or /proc is missing. With the pid
// it names one process: a pid used again later has another start time.
unsigned long long startTime(const std::string& pid) {
    char text[1024];
    const int fd = ::open(("/proc/" + pid + "/stat").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (n <= 0) return 0;
    text[n] = '\0';
    // The command name, in parentheses, may hold spaces and parentheses.
    const char* at = std::strrchr(text, ')');
    unsigned long long start = 0;
    if (!at || std::sscanf(at + 1,
                           " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %*u %*u %*d %*d "
                           "%*d %*d %*d %*d %llu",
                           &start) != 1)
        return 0;
    return start;
}

// "PID-START" of this process, as its temporary files are named; taken
// again in a child process.
const std::string& ownTag() {
    thread_local pid_t pid = 0;
    thread_local std::string tag;
    if (pid != ::getpid()) {
        pid = ::getpid();
        tag = std::to_string(pid) + "-" + std::to_string(startTime(std::to_string(pid)));
    }
    return tag;
}

// The folders swept since forgetSweptFolders(), by device and inode, and by
// the paths they were asked for by. The lock is held while a folder is swept:
// a thread that asks for it meanwhile waits until it is done.
std::mutex g_sweptMutex;
std::set<std::pair<dev_t, ino_t>> g_swept;
std::set<std::string, std::less<>> g_sweptPaths;

void sweepOnceLocked(int folder) {
    struct stat st {};
    if (::fstat(folder, &st) == 0 && g_swept.emplace(st.st_dev, st.st_ino).second)
        sweepFolder(folder);
}

void sweepOnce(int folder) {
    std::lock_guard lock(g_sweptMutex);
    sweepOnceLocked(folder);
}

std::string randomName() {
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char bytes[6] = {};
    if (!randomBytes(bytes, sizeof bytes)) {
        // No random source: a name that is merely new will do, since the
        // file is created with O_EXCL and another name tried if it exists.
        static std::atomic<std::uint64_t> counter{0};
        std::uint64_t x = (static_cast<std::uint64_t>(::getpid()) << 32) ^
                          static_cast<std::uint64_t>(
                              std::chrono::steady_clock::now().time_since_epoch().count()) ^
                          (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
        for (unsigned char& b : bytes) b = static_cast<unsigned char>(x >>= 8);
    }
    std::string name = std::string(kPrefix) + ownTag() + ".";
    for (unsigned char b : bytes) name += kLetters[b % (sizeof kLetters - 1)];
    return name;
}

}  // namespace

TemporaryFile::TemporaryFile(int folder, const std::string& folderPath, const std::string& reportAs,
                             int linkOf)
    : folder_(folder) {
    sweepOnce(folder);
    makeName(folderPath, reportAs, linkOf);
}

TemporaryFile::TemporaryFile(Unnamed, int folder, const std::string& folderPath,
                             const std::string& reportAs)
    : folder_(folder), folderPath_(folderPath), reportAs_(reportAs) {
    sweepOnce(folder);
    // Made without a name where the system can, and /proc is there to link
    // it by.
    static const bool canLink = ::access("/proc/self/fd", X_OK) == 0;
    if (canLink && !g_ending.load()) {
        fd_.reset(::openat(folder, ".", O_RDWR | O_TMPFILE | O_CLOEXEC, 0600));
        if (fd_) return;
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            throw FileError::fromErrno(reportAs, "cannot create temporary file in " + folderPath,
                                       errno);
    }
    makeName(folderPath, reportAs, -1);
}

void TemporaryFile::giveName() {
    if (!name_.empty()) return;
    makeName(folderPath_, reportAs_, fd_.get());
}

void TemporaryFile::makeName(const std::string& folderPath, const std::string& reportAs,
                             int linkOf) {
    // A descriptor is linked through its /proc name: linkat() of a
    // descriptor itself (AT_EMPTY_PATH) is for privileged users only.
    const std::string linkPath = "/proc/self/fd/" + std::to_string(linkOf);
    const std::string doing = "cannot create temporary file in " + folderPath;
    for (int attempt = 0; attempt < 100; ++attempt) {
        name_ = randomName();
        const std::string path = folderPath + "/" + name_;
        if (path.size() >= PATH_MAX) throw FileError::fromErrno(reportAs, doing, ENAMETOOLONG);
        // Listed before it exists: a signal at any moment finds it.
        slot_ = listPath(path);
        if (slot_ < 0) throw FileError(reportAs, doing + ": too many temporary files at once");
        g_creating.fetch_add(1);
        int fd = -1;
        int error = ECANCELED;
        bool made = false;
        if (!g_ending.load()) {
            if (linkOf < 0) {
                fd = ::openat(folder_, name_.c_str(),
                              O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
                made = fd >= 0;
            } else {
                made = ::linkat(AT_FDCWD, linkPath.c_str(), folder_, name_.c_str(),
                                AT_SYMLINK_FOLLOW) == 0;
            }
            error = errno;
        }
        g_creating.fetch_sub(1);
        if (made) {
            if (fd >= 0) fd_.reset(fd);
            return;
        }
        unlist();
        name_.clear();
        if (error != EEXIST) throw FileError::fromErrno(reportAs, doing, error);
    }
    throw FileError::fromErrno(reportAs, doing, EEXIST);
}

TemporaryFile::~TemporaryFile() {
    if (slot_ < 0) return;
    fd_.reset();
    ::unlinkat(folder_, name_.c_str(), 0);
    unlist();
}

int TemporaryFile::renameTo(const std::string& target) {
    if (::renameat(folder_, name_.c_str(), folder_, target.c_str()) != 0) return errno;
    unlist();
    return 0;
}

void TemporaryFile::unlist() {
    if (slot_ < 0) return;
    Slot& slot = g_slots[slot_];
    slot_ = -1;
    // kRemoving: a signal handler on another thread is reading the slot; it
    // puts it back as it found it at once.
    for (int expected = kListed; !slot.state.compare_exchange_weak(expected, kFree);)
        expected = kListed;
}

std::size_t sweepFolder(int folder) {
    if (startTime(std::to_string(::getpid())) == 0) return 0;  // no /proc: no way to tell
    const int copy = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (copy < 0) return 0;
    DIR* dir = ::fdopendir(copy);
    if (!dir) {
        ::close(copy);
        return 0;
    }
    std::size_t removed = 0;
    std::vector<std::string> gone;  // tags of processes found not to run
    std::vector<std::string> alive;
    while (const dirent* e = ::readdir(dir)) {
        const std::string_view name = e->d_name;
        if (!name.starts_with(kPrefix)) continue;
        // PID-START between the prefix and the random part.
        const std::string_view rest = name.substr(kPrefix.size());
        const auto dash = rest.find('-'), dot = rest.find('.');
        if (dash == 0 || dash == std::string_view::npos || dot == std::string_view::npos ||
            dash > dot || dot + 1 == rest.size())
            continue;
        const std::string pid(rest.substr(0, dash)), tag(rest.substr(0, dot));
        if (pid.find_first_not_of("0123456789") != std::string::npos ||
            tag.find_first_not_of("0123456789", dash + 1) != std::string::npos || tag == ownTag())
            continue;
        bool dead = std::find(gone.begin(), gone.end(), tag) != gone.end();
        if (!dead && std::find(alive.begin(), alive.end(), tag) == alive.end()) {
            dead = std::to_string(startTime(pid)) != tag.substr(dash + 1);
            (dead ? gone : alive).push_back(tag);
        }
        if (dead && ::unlinkat(folder, std::string(name).c_str(), 0) == 0) ++removed;
    }
    ::closedir(dir);
    return removed;
}

void sweepFolderOnce(const std::string& folderPath) {
    std::lock_guard lock(g_sweptMutex);
    if (!g_sweptPaths.insert(folderPath).second) return;
    const int folder = ::open(folderPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return;
    sweepOnceLocked(folder);
    ::close(folder);
}

void forgetSweptFolders() {
    std::lock_guard lock(g_sweptMutex);
    g_swept.clear();
    g_sweptPaths.clear();
}

void removePendingTemporaries() noexcept {
    g_ending.store(true);
    // A file being created on another thread is listed already; let open()
    // finish so that it can be removed. The bound matters when the signal
    // interrupted the creating thread itself, which cannot go on meanwhile.
    for (long spin = 0; g_creating.load() > 0 && spin < 100'000'000; ++spin) {
    }
    for (Slot& slot : g_slots) {
        int expected = kListed;
        if (!slot.state.compare_exchange_strong(expected, kRemoving)) continue;
        ::unlink(slot.path);
        slot.state.store(kListed);
    }
    // A call on another thread at the same moment may still be removing a
    // file this one passed over; the program must not end before it is gone.
    for (Slot& slot : g_slots)
        for (long spin = 0; slot.state.load() == kRemoving && spin < 100'000'000; ++spin) {
        }
}

}  // namespace lexmill
