#pragma once

#include <cstddef>
#include <string>

#include "base/UniqueFd.h"

namespace lexmill {

// A new, empty file named ".~lm.PID-START.XXXXXX" in a folder (the process's
// id and start time, then six random letters and digits), where a rewrite
// writes the new text before renaming it over the file. It is removed when
// the object goes, unless it was renamed. A program killed outright leaves
// its named ones behind: the first temporary file a process makes in a
// folder removes those of processes that are gone (sweepFolder()).
//
// Every such file is listed, from before it exists until after it was renamed
// or removed, in a table that removePendingTemporaries() reads, so that a
// program ended by a signal can leave none behind. The table has
// kMaxPendingTemporaries slots of a fixed size, each with an atomic state:
// listing and unlisting a name take no lock and allocate nothing.
class TemporaryFile {
  public:
    // Creates the file, mode 0600, in the folder open as `folder` (an O_PATH
    // descriptor will do), whose path is `folderPath` (the path the table
    // keeps for removal, relative to the working folder or absolute). Throws
    // FileError naming `reportAs`: "cannot create temporary file in FOLDER: ...".
    // With `linkOf`, an open file, the name is made a new link to that file
    // instead (same file system only); fd() is then -1.
    TemporaryFile(int folder, const std::string& folderPath, const std::string& reportAs,
                  int linkOf = -1);
    // A file with no name yet, where the file system allows (O_TMPFILE): it
    // is named by giveName() and, until then, is gone when closed or when the
    // program ends, whatever ends it. Making it takes no lock on the folder,
    // so several threads may make files in one folder at once. Elsewhere a
    // named file as above.
    struct Unnamed {};
    TemporaryFile(Unnamed, int folder, const std::string& folderPath, const std::string& reportAs);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int fd() const { return fd_.get(); }
    // Closes the file; returns close()'s result (a delayed write error shows here).
    int close() { return fd_.close(); }
    const std::string& name() const { return name_; }  // within the folder
    // Gives an unnamed file its name, listed as every name is. Throws
    // FileError, as the constructor.
    void giveName();

    // Renames the (named) file to `target` in the same folder, replacing what is
    // there (a symbolic link is replaced, never followed), and unlists it.
    // Returns 0, or the errno of a rename that failed (the file then stays).
    int renameTo(const std::string& target);

  private:
    void makeName(const std::string& folderPath, const std::string& reportAs, int linkOf);
    void unlist();

    int folder_;
    std::string folderPath_, reportAs_;  // of an unnamed file, for giveName()
    std::string name_;
    int slot_ = -1;  // in the table of pending files; -1 once unlisted
    UniqueFd fd_;
};

inline constexpr std::size_t kMaxPendingTemporaries = 256;

// Removes from the folder open as `folder` the temporary files of processes
// that no longer run; never one of a live process, this one included, nor a
// name of another form. Does nothing where /proc is missing. Returns the
// number removed.
std::size_t sweepFolder(int folder);

// Sweeps the folder at `folderPath` now unless it was swept already. A run
// sweeps a folder before it reads a file there: removing a second name of a
// file changes the file's change time, which the run checks.
void sweepFolderOnce(const std::string& folderPath);

// Lets the next temporary file in each folder sweep it again: a long-lived
// program calls this as each run or undo starts, since other programs may
// have been killed in its folders meanwhile.
void forgetSweptFolders();

// Removes every temporary file of a rewrite under way in any thread. Meant for
// a program about to end on a signal (SIGTERM, SIGHUP, a second SIGINT): it is
// async-signal-safe, using atomics and unlink() only, and a handler may call
// it before restoring the default action and raising the signal again. A file
// being created on another thread at that moment, or being removed by a call
// on another thread, is waited for (a bounded spin, no lock). Afterwards no
// new temporary file can be created: TemporaryFile throws, so a rewrite still
// going on fails cleanly.
//
// The handlers of those signals should block one another (sigaction's
// sa_mask): a handler interrupted by another on its own thread cannot finish
// before the program ends. A run's worker threads block them, so they are
// handled on the thread that started the run.
void removePendingTemporaries() noexcept;

}  // namespace lexmill
