#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "base/UniqueFd.h"
#include "records/RunRecord.h"

namespace lexmill {

// The record of a replace run with backups, kept as the run goes, so that a
// run that never ends (killed, or its session ended) can still be undone.
// The record is made, marked as not finished, with the first group of files
// the run is about to replace, and each later group is added to it, durably,
// before any file of that group is renamed. finish() rewrites it as the
// record of the files the run did change, marked finished.
//
// add() and renamed() may be called on a thread other than finish()'s, but
// never at the same time.
class RunJournal {
  public:
    RunJournal(std::string runsFolder, const std::string& workFolder, const RunTexts& texts);
    RunJournal(const RunJournal&) = delete;
    RunJournal& operator=(const RunJournal&) = delete;

    // Adds `files` (paths absolute, stamps as they will be once renamed) in
    // the order given; `tags` name them for renamed(). They are on disk once
    // the file system of fd() is synced, or after makeDurable(). Throws
    // FileError.
    void add(const std::vector<RecordedFile>& files, const std::vector<std::size_t>& tags);
    // The record, open (-1 before the first add()).
    int fd() const { return fd_.get(); }
    // Puts what was added on disk, and the record's name the first time.
    // Throws FileError.
    void makeDurable();
    // The sync of the record's whole file system put it on disk, name and all.
    void madeDurable() { folderDurable_ = true; }
    // File `tag` was put in place, with its backup.
    void renamed(std::size_t tag);

    bool started() const { return fd_.get() >= 0; }
    const std::string& id() const { return record_.id; }
    // Marks the record finished, with the files renamed, in the order added.
    // Returns its id; empty when nothing was added. Throws FileError.
    std::string finish();

  private:
    void write(const std::string& text);

    std::string runsFolder_, workFolder_;
    RunTexts texts_;
    RunRecord record_;
    std::vector<std::size_t> tags_;  // of record_.files
    std::vector<bool> renamed_;
    UniqueFd fd_;
    bool folderDurable_ = false;
};

}  // namespace lexmill
