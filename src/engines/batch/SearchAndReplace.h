#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "batch/BatchHost.h"
#include "batch/Module1.h"

namespace lexmill {

// What a batch run did, as the results window and lexmill-batch show it.
struct BatchReport {
    bool ran = false;  // false when no file was selected
    bool cancelled = false;
    bool searchOnly = false;
    std::uint64_t count = 0;          // occurrences replaced (in files actually changed)
    std::vector<std::string> listed;  // the results list, in selection order
    std::vector<FileFailure> failures;
    std::string heading;         // "Files that were changed:" or "Files:"
    std::string summary;         // "Search complete. 3 replacements made."
    std::string runRecord;       // the id of the run record written; empty when none
    std::string runRecordError;  // why no run record could be written
};

// Searches every selected file for the search text and, unless Search Only is
// set, replaces each occurrence, rewriting the file atomically (after copying
// it into LMBACK beside it when Make Backups is set). Reports to `host` as it
// goes: status texts, progress after each file, then the results window.
// Tests the cancel flag between files. A file that cannot be read or written
// is left as it was, listed in one "Warning" message at the end, and the run
// goes on with the next. A run that changed files with backups leaves a run
// record (records/RunRecord.h) in defaultRunsFolder().
BatchReport SearchAndReplace(Module1& m, BatchHost& host);

// Ends a run (or an undo) as the host sees it: pointer and Busy back, the
// "Warning" message for the files not handled, the results window, then the
// idle status bar.
void finishRun(Module1& m, BatchHost& host, const BatchReport& report);

// The text of the "Warning" message that lists the files a run could not handle.
std::string failureMessage(const std::vector<FileFailure>& failures);

}  // namespace lexmill
