#include "SettingsFile.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <system_error>

#include "RegistryStore.h"

namespace lexmill {

namespace {

[[noreturn]] void failErrno(const std::filesystem::path& path, const std::string& doing,
                            int error) {
    throw RegistryError(
        RegistryError::Kind::Failed, 0,
        doing + " " + path.string() + ": " + std::generic_category().message(error));
}

// Creates one folder, private to the user; an existing folder is fine as it is.
void makeFolder(const std::filesystem::path& folder) {
    if (::mkdir(folder.c_str(), 0700) == 0) return;
    const int error = errno;
    struct stat st {};
    if (error == EEXIST && ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return;
    failErrno(folder, "cannot create settings folder", error == EEXIST ? ENOTDIR : error);
}

std::filesystem::path configHome() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    if (!home || !home[0]) {
        const passwd* entry = ::getpwuid(::getuid());
        home = entry ? entry->pw_dir : nullptr;
    }
    if (!home || !home[0])
        throw RegistryError(RegistryError::Kind::Failed, 0,
                            "cannot find the home folder for the settings file");
    return std::filesystem::path(home) / ".config";
}

std::string timeStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

bool exists(const std::filesystem::path& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

constexpr const char* kCompanions[] = {"-journal", "-wal", "-shm"};

// Renames the file, and the journal files SQLite keeps beside it, to a name
// that says why; never over an existing file.
std::filesystem::path moveAside(const std::filesystem::path& file) {
    const std::string base = file.string() + ".unreadable-" + timeStamp();
    std::string target = base;
    for (int n = 2; exists(target) || exists(target + "-journal"); ++n)
        target = base + "-" + std::to_string(n);
    if (::rename(file.c_str(), target.c_str()) != 0)
        failErrno(file, "cannot move aside unreadable settings file", errno);
    ::chmod(target.c_str(), 0600);  // it may hold passwords
    for (const char* suffix : kCompanions) {
        const std::string companion = file.string() + suffix;
        if (exists(companion) && ::rename(companion.c_str(), (target + suffix).c_str()) != 0)
            failErrno(companion, "cannot move aside settings journal", errno);
        if (exists(target + suffix)) ::chmod((target + suffix).c_str(), 0600);
    }
    return target;
}

void narrowMode(const std::filesystem::path& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
    if (st.st_uid == ::geteuid() && (st.st_mode & 077) != 0) ::chmod(file.c_str(), 0600);
}

struct Identity {
    bool present = false;
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const Identity&) const = default;
};

Identity identity(const std::filesystem::path& file) {
    struct stat st {};
    if (::lstat(file.c_str(), &st) != 0) return {};
    return {true, st.st_dev, st.st_ino};
}

}  // namespace

std::filesystem::path defaultSettingsFile() {
    return settingsFileIn(configHome());
}

std::filesystem::path settingsFileIn(const std::filesystem::path& home) {
    std::error_code error;
    std::filesystem::create_directories(home, error);
    if (error) failErrno(home, "cannot create settings folder", error.value());
    const std::filesystem::path vendor = home / "Bramblegate";
    makeFolder(vendor);
    makeFolder(vendor / "Lexmill");
    return vendor / "Lexmill" / "registry.sqlite";
}

SettingsFileStatus prepareSettingsFile(const std::filesystem::path& file) {
    // Two tries: when another process starting at the same moment has already
    // replaced the file, the second look finds its fresh one.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const Identity before = identity(file);
        std::string reason;
        try {
            RegistryStore store(file);
            reason = store.integrityProblems();
            if (reason.empty()) {
                narrowMode(file);
                return {};
            }
            reason = "damaged settings file: " + reason;
        } catch (const RegistryError& error) {
            if (error.kind() != RegistryError::Kind::Unreadable) throw;
            reason = error.what();
        }
        if (before.present && identity(file) != before) continue;
        SettingsFileStatus status{true, moveAside(file), reason};
        RegistryStore fresh(file);
        try {
            status.valuesSalvaged = fresh.salvageFrom(status.movedTo);
        } catch (const RegistryError&) {
            // The new store stays empty; the old file is still there.
        }
        return status;
    }
    throw RegistryError(RegistryError::Kind::Unreadable, 0,
                        "settings file " + file.string() + " keeps changing while it is checked");
}

}  // namespace lexmill
