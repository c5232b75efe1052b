#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct stat;

namespace lexmill {

// A file as a run left it: which file it is and the state it was in.
struct FileStamp {
    std::uint64_t device = 0, inode = 0, size = 0;
    std::int64_t mtimeNs = 0;  // modification time, nanoseconds since 1970
    bool operator==(const FileStamp&) const = default;
};

// One file a run changed, with the backup it left of it in LMBACK.
struct RecordedFile {
    std::string path;  // absolute
    FileStamp file;    // of the file (links followed) after the run
    std::string backup;
    FileStamp backupStamp;  // of the backup after the run
    bool restored = false;  // put back by an undo that was cancelled later on
    FileStamp before;       // of the file before the run; zero in older records
};

// What a replace run with backups changed, kept so that it can be undone.
// Stored in the runs folder as "key: value" lines, one file a run, mode 0600;
// values are bytes with "\\", "\n" and "\r" escaped.
struct RunRecord {
    std::string id;        // the record's file name in the runs folder
    std::int64_t endedNs;  // when the run ended, nanoseconds since 1970
    std::string ended;     // the same, local time: "2026-12-07 01:24:43"
    std::string searchText, replaceText;
    bool regex = false;               // the search text was a regular expression
    std::string folder;               // the work folder, absolute
    std::vector<RecordedFile> files;  // in selection order
    bool undone = false;
    // False for a run that never ended (killed, or its session ended): its
    // record holds every file it was about to replace, not all of them new.
    bool finished = true;
};

inline constexpr std::size_t kKeptRunRecords = 20;

// $XDG_STATE_HOME/Bramblegate/Lexmill/runs, or ~/.local/state/Bramblegate/Lexmill/runs.
std::string defaultRunsFolder();

// The state of a file now: `followLinks` for a file a run rewrote, not for a
// backup. False when there is no ordinary file there.
bool stampOf(const std::string& path, bool followLinks, FileStamp& stamp);

// The texts a run searched for and put in their place.
struct RunTexts {
    std::string searchText, replaceText;
    bool regex = false;
};

// The stamp of a file's status.
FileStamp stampFrom(const struct stat& st);

// A record of a run starting now over `workFolder`, with its id, and no files.
RunRecord newRunRecord(const std::string& workFolder, const RunTexts& texts);
// A record's text, and the text of one file's entry in it (which a record
// kept as the run goes appends).
std::string recordText(const RunRecord& record);
std::string fileEntryText(const RecordedFile& file);
// The path made absolute, as records keep paths.
std::string absolutePath(const std::string& path);
// Creates the runs folder and its parents (0700) as needed. Throws FileError.
void makeRunsFolder(const std::string& runsFolder);
// Removes all but the newest kKeptRunRecords records.
void pruneRunRecords(const std::string& runsFolder);

// Rewrites a record (atomically) under its id. Throws FileError.
void saveRunRecord(const std::string& runsFolder, const RunRecord& record);

// The kept records, oldest first. Records that cannot be read are passed over.
std::vector<RunRecord> listRunRecords(const std::string& runsFolder);

// The record `id` (BatchReport::runRecord of a run). False when it is gone
// or cannot be read.
bool readRunRecord(const std::string& runsFolder, const std::string& id, RunRecord& record);

// The newest record not undone yet; with a `folder`, the newest whose work
// folder it is or that changed a file in it or in one of its subfolders.
// False when there is none.
bool lastUndoableRun(const std::string& runsFolder, RunRecord& record,
                     const std::string& folder = {});

}  // namespace lexmill
