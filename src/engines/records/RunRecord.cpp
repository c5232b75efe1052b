#include "records/RunRecord.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <unordered_map>

#include "base/FileError.h"
#include "base/OrdinaryFile.h"
#include "base/PathName.h"
#include "base/UniqueFd.h"
#include "write/AtomicRewrite.h"
#include "write/TemporaryFile.h"

namespace lexmill {
namespace {

constexpr const char* kFirstLine = "Lexmill run record";
constexpr const char* kSuffix = ".run";

std::string escape(const std::string& bytes) {
    std::string out;
    for (char c : bytes) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

std::string unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        out += c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    }
    return out;
}

std::string absolute(const std::string& path) {
    std::error_code ec;
    const auto p = std::filesystem::absolute(path, ec);
    return ec ? path : p.lexically_normal().string();
}

std::string stampText(const FileStamp& s) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "device %" PRIu64 " inode %" PRIu64 " size %" PRIu64 " mtime-ns %" PRId64,
                  s.device, s.inode, s.size, s.mtimeNs);
    return text;
}

bool parseStamp(const std::string& text, FileStamp& s) {
    return std::sscanf(text.c_str(),
                       "device %" SCNu64 " inode %" SCNu64 " size %" SCNu64 " mtime-ns %" SCNd64,
                       &s.device, &s.inode, &s.size, &s.mtimeNs) == 4;
}

// Creates each missing folder of `path`, mode 0700.
void makeFolders(const std::string& path) {
    for (std::size_t at = 1; at <= path.size(); ++at) {
        if (at < path.size() && path[at] != '/') continue;
        const std::string part = path.substr(0, at);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            throw FileError::fromErrno(part, "cannot create the folder", errno);
    }
}

std::vector<std::string> recordNames(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return names;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name.size() > 4 && name[0] != '.' && name.ends_with(kSuffix)) names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

bool parseRecord(const std::string& text, RunRecord& r) {
    std::size_t at = 0;
    bool first = true;
    while (at < text.size()) {
        auto end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        if (first) {
            if (line != kFirstLine) return false;
            first = false;
            continue;
        }
        const auto colon = line.find(": ");
        if (colon == std::string::npos) continue;
        const std::string key = line.substr(0, colon), value = unescape(line.substr(colon + 2));
        if (key == "ended")
            r.ended = value;
        else if (key == "ended-ns")
            r.endedNs = std::strtoll(value.c_str(), nullptr, 10);
        else if (key == "search")
            r.searchText = value;
        else if (key == "replace")
            r.replaceText = value;
        else if (key == "regex")
            r.regex = value == "yes";
        else if (key == "folder")
            r.folder = value;
        else if (key == "undone")
            r.undone = value == "yes";
        else if (key == "finished")
            r.finished = value != "no";
        else if (key == "file")
            r.files.emplace_back().path = value;
        else if (r.files.empty())
            continue;
        else if (key == "file-stamp" && !parseStamp(value, r.files.back().file))
            return false;
        else if (key == "backup")
            r.files.back().backup = value;
        else if (key == "backup-stamp" && !parseStamp(value, r.files.back().backupStamp))
            return false;
        else if (key == "was-stamp" && !parseStamp(value, r.files.back().before))
            return false;
        else if (key == "restored")
            r.files.back().restored = value == "yes";
    }
    // A record of a run cut off while it added a group may end in the middle
    // of a file's entry: that group was never renamed.
    while (!r.files.empty() && r.files.back().backupStamp == FileStamp{}) r.files.pop_back();
    return !first;
}

}  // namespace

std::string fileEntryText(const RecordedFile& f) {
    std::string t = "\nfile: " + escape(f.path) + "\n";
    t += "file-stamp: " + stampText(f.file) + "\n";
    if (f.before != FileStamp{}) t += "was-stamp: " + stampText(f.before) + "\n";
    t += "backup: " + escape(f.backup) + "\n";
    t += "backup-stamp: " + stampText(f.backupStamp) + "\n";
    if (f.restored) t += "restored: yes\n";
    return t;
}

std::string recordText(const RunRecord& r) {
    std::string t = std::string(kFirstLine) + "\n";
    t += "ended: " + escape(r.ended) + "\n";
    t += "ended-ns: " + std::to_string(r.endedNs) + "\n";
    t += "search: " + escape(r.searchText) + "\n";
    t += "replace: " + escape(r.replaceText) + "\n";
    if (r.regex) t += "regex: yes\n";  // older records have no such line: a literal run
    t += "folder: " + escape(r.folder) + "\n";
    t += std::string("undone: ") + (r.undone ? "yes" : "no") + "\n";
    if (!r.finished) t += "finished: no\n";  // older records have no such line: finished
    for (const auto& f : r.files) t += fileEntryText(f);
    return t;
}

FileStamp stampFrom(const struct stat& st) {
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::uint64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

std::string defaultRunsFolder() {
    std::string base;
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && state[0] == '/') {
        base = state;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) {
            const passwd* pw = ::getpwuid(::getuid());
            home = pw ? pw->pw_dir : "/";
        }
        base = std::string(home) + "/.local/state";
    }
    return base + "/Bramblegate/Lexmill/runs";
}

bool stampOf(const std::string& path, bool followLinks, FileStamp& stamp) {
    struct stat st {};
    const int got = followLinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
    if (got != 0 || !S_ISREG(st.st_mode)) return false;
    stamp = stampFrom(st);
    return true;
}

RunRecord newRunRecord(const std::string& workFolder, const RunTexts& texts) {
    RunRecord r;
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    r.endedNs = std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
    const std::time_t seconds = static_cast<std::time_t>(r.endedNs / 1000000000);
    std::tm local{}, utc{};
    ::localtime_r(&seconds, &local);
    ::gmtime_r(&seconds, &utc);
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    r.ended = text;
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &utc);
    char id[128];
    std::snprintf(id, sizeof id, "%s.%09lld-%ld%s", text,
                  static_cast<long long>(r.endedNs % 1000000000), static_cast<long>(::getpid()),
                  kSuffix);
    r.id = id;
    r.searchText = texts.searchText;
    r.replaceText = texts.replaceText;
    r.regex = texts.regex;
    r.folder = absolute(workFolder);
    return r;
}

std::string absolutePath(const std::string& path) {
    return absolute(path);
}

void makeRunsFolder(const std::string& runsFolder) {
    makeFolders(runsFolder);
}

void pruneRunRecords(const std::string& runsFolder) {
    const auto names = recordNames(runsFolder);
    for (std::size_t i = 0; i + kKeptRunRecords < names.size(); ++i)
        ::unlink((runsFolder + "/" + names[i]).c_str());
}

void saveRunRecord(const std::string& runsFolder, const RunRecord& record) {
    const std::string path = runsFolder + "/" + record.id;
    UniqueFd folder(::open(runsFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder) throw FileError::fromErrno(runsFolder, "cannot open the folder", errno);
    TemporaryFile temp(folder.get(), runsFolder, path);
    const std::string text = recordText(record);
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = ::write(temp.fd(), text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw FileError::fromErrno(path, "cannot write", errno);
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(temp.fd()) != 0 || temp.close() != 0)
        throw FileError::fromErrno(path, "cannot write", errno);
    if (const int error = temp.renameTo(record.id))
        throw FileError::fromErrno(path, "cannot write", error);
    ::fsync(folder.get());
}

bool readRunRecord(const std::string& runsFolder, const std::string& id, RunRecord& record) {
    RunRecord r;
    r.id = id;
    try {
        if (id.find('/') != std::string::npos ||
            !parseRecord(readOrdinaryFile(runsFolder + "/" + id), r))
            return false;
    } catch (const FileError&) {
        return false;
    }
    record = std::move(r);
    return true;
}

std::vector<RunRecord> listRunRecords(const std::string& runsFolder) {
    std::vector<RunRecord> records;
    for (const auto& name : recordNames(runsFolder)) {
        RunRecord r;
        if (readRunRecord(runsFolder, name, r)) records.push_back(std::move(r));
    }
    return records;
}

bool lastUndoableRun(const std::string& runsFolder, RunRecord& record, const std::string& folder) {
    struct stat want {};
    const bool byFolder = !folder.empty();
    if (byFolder && ::stat(folder.c_str(), &want) != 0) return false;
    const auto isWanted = [&want](const std::string& path) {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 && st.st_dev == want.st_dev &&
               st.st_ino == want.st_ino;
    };
    // Whether each folder met so far is the wanted one or below it: a run
    // over subfolders touches many files in few folders.
    std::unordered_map<std::string, bool> below;
    const std::function<bool(const std::string&)> isBelow = [&](const std::string& path) {
        if (const auto known = below.find(path); known != below.end()) return known->second;
        const bool found =
            isWanted(path) || (path != "/" && path != "." && isBelow(folderOf(path)));
        below.emplace(path, found);
        return found;
    };
    auto records = listRunRecords(runsFolder);
    for (auto r = records.rbegin(); r != records.rend(); ++r) {
        if (r->undone) continue;
        const bool inFolder = isWanted(r->folder) ||
                              std::any_of(r->files.begin(), r->files.end(),
                                          [&](const auto& f) { return isBelow(folderOf(f.path)); });
        if (byFolder && !inFolder) continue;
        record = std::move(*r);
        return true;
    }
    return false;
}

}  // namespace lexmill
