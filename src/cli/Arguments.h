#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "batch/BatchHost.h"
#include "files/FolderWalk.h"

namespace lexmill::cli {

// A command line that cannot be run; the message says why.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct Arguments {
    enum class Mode { Batch, Tally, Help, Version, Undo, ListRuns, Preview };
    Mode mode = Mode::Batch;
    BatchOptions batch;  // search and replace texts, options
    std::vector<std::string> files;
    // After the walk: which of `files` it found (a binary one is passed over).
    std::vector<bool> walked;
    std::string keyword;     // --tally
    std::string undoFolder;  // --undo FOLDER; empty: the last run anywhere
    bool recursive = false;  // folders among the files are walked
    WalkOptions walk;        // --include, --exclude, --exclude-dir
};

// Parses argv (without the program name). Files named by --search-file,
// --replace-file and --files-from are read here. Throws UsageError.
Arguments parseArguments(const std::vector<std::string>& args);

extern const char* const kHelpText;

}  // namespace lexmill::cli
