#include "undo/UndoRun.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "base/FileError.h"
#include "base/PathName.h"
#include "base/UniqueFd.h"
#include "write/AtomicRewrite.h"
#include "write/TemporaryFile.h"

namespace lexmill {
namespace {

// Whether the file at `path` holds the `size` bytes of `fd` (from offset 0).
bool sameBytes(const std::string& path, int fd, std::uint64_t size) {
    UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!file) return false;
    std::string a(64 << 10, '\0'), b(64 << 10, '\0');
    for (std::uint64_t at = 0; at < size;) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(a.size(), size - at));
        if (::pread(file.get(), a.data(), n, static_cast<off_t>(at)) != static_cast<ssize_t>(n) ||
            ::pread(fd, b.data(), n, static_cast<off_t>(at)) != static_cast<ssize_t>(n) ||
            std::memcmp(a.data(), b.data(), n) != 0)
            return false;
        at += n;
    }
    return true;
}

// Puts the backup's bytes back into the file, when both are as the run left
// them. False: a run that never ended did not reach the file, which is as it
// was before the run, and left alone.
bool restoreFile(const RecordedFile& f, bool finished) {
    FileStamp now;
    const bool there = stampOf(f.path, true, now);
    if (!finished && there && f.before != FileStamp{} && now == f.before) return false;
    if (!there) throw FileError(f.path, "the file is gone since the run");
    if (now != f.file) throw FileError(f.path, "the file was changed since the run");
    UniqueFd backup(::open(f.backup.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    struct stat st {};
    if (!backup || ::fstat(backup.get(), &st) != 0 || !S_ISREG(st.st_mode))
        throw FileError(f.path, "its backup in LMBACK is gone since the run");
    if (stampFrom(st) != f.backupStamp)
        throw FileError(f.path, "its backup in LMBACK was replaced or changed since the run");
    // A file that holds its backup's bytes already is not written again.
    if (now.size == f.backupStamp.size && sameBytes(f.path, backup.get(), now.size)) return true;
    AtomicRewrite rewrite(f.path);
    rewrite.copyFrom(backup.get(), f.backupStamp.size);
    // The file may have been written while the backup was copied.
    if (!stampOf(f.path, true, now) || now != f.file)
        throw FileError(f.path, "the file was changed since the run");
    rewrite.commit();
    return true;
}

}  // namespace

BatchReport UndoRun(Module1& m, const std::string& runsFolder, RunRecord& record, BatchHost& host) {
    BatchReport report;
    report.ran = true;
    host.setHint("Press \"Esc\" to cancel.");
    m.CancelRequested = false;
    m.Busy = true;
    forgetSweptFolders();  // temporary files of runs killed since
    host.setWaitCursor(true);
    host.setStartEnabled(false);

    m.TotalBytes = 0;
    for (const auto& f : record.files)
        if (!f.restored) m.TotalBytes += static_cast<std::int64_t>(f.backupStamp.size);
    m.ProgressMax = m.TotalBytes;
    std::int64_t processed = 0;
    bool finished = true;
    for (std::size_t i = 0; i < record.files.size(); ++i) {
        RecordedFile& f = record.files[i];
        if (f.restored) continue;
        // Named as the run listed them: relative to its folder.
        const std::string name = f.path.starts_with(record.folder) && record.folder.ends_with('/')
                                     ? f.path.substr(record.folder.size())
                                     : f.path;
        host.setStatus("Restoring " + name);
        host.repaint();
        try {
            if (restoreFile(f, record.finished)) {
                report.listed.push_back(name);
                ++report.count;
                host.addResult(name);
            }
            f.restored = true;
        } catch (const FileError& e) {
            report.failures.push_back({name, f.path, e.reason()});
        }
        processed += static_cast<std::int64_t>(f.backupStamp.size);
        host.setProgress(processed);
        if (m.CancelRequested) {
            report.cancelled = true;
            finished = std::all_of(record.files.begin() + static_cast<long>(i) + 1,
                                   record.files.end(), [](const auto& g) { return g.restored; });
            break;
        }
        host.yield();
    }
    report.cancelled = report.cancelled || m.CancelRequested;
    record.undone = finished;
    try {
        saveRunRecord(runsFolder, record);
    } catch (const FileError& e) {
        report.failures.push_back({e.path(), e.path(), e.reason()});
    }

    host.setStartEnabled(true);
    report.heading = "Files that were restored:";
    report.summary = std::string("Undo ") + (report.cancelled ? "cancelled" : "complete") + ". " +
                     std::to_string(report.count) + " files restored.";
    finishRun(m, host, report);
    return report;
}

}  // namespace lexmill
