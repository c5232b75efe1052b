#pragma once

#include <string>

#include "batch/BatchHost.h"
#include "batch/Module1.h"
#include "batch/SearchAndReplace.h"
#include "records/RunRecord.h"

namespace lexmill {

// Puts back, in the record's order, each file whose stamp and whose backup's
// stamp are still those recorded: the file is rewritten atomically with the
// backup's bytes, keeping its owner, group and mode. Any other file is left as
// it is and reported as a failure; in the record of a run that never ended,
// a file still as it was before the run (the run never reached it) is left
// alone without a word. Reports to `host` as a run does (status,
// progress, cancel flag between files, "Warning" message, results window with
// "Files that were restored:"). Marks the record undone unless cancelled; a
// cancelled undo marks the files it restored, so a later undo does the rest.
BatchReport UndoRun(Module1& m, const std::string& runsFolder, RunRecord& record, BatchHost& host);

}  // namespace lexmill
