#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "match/TextFold.h"

namespace lexmill {

// The inputs of a batch run, read afresh for each file (the window stays live
// during a run, so the user may change them between files).
struct BatchOptions {
    std::string searchText;
    std::string replaceText;
    bool searchOnly = false;
    bool matchCase = false;
    bool makeBackups = true;
    Charset charset = Charset::Utf8;
    bool regex = false;  // the search text is a Perl-compatible regular expression
};

// A file the run could not read or write; it was left as it was.
struct FileFailure {
    std::string name;  // as the selection lists it
    std::string path;
    std::string reason;
};

enum class MessageIcon { Information, Exclamation, Critical };

// The moments a replace run changes what is on disk, in the order they come.
enum class DiskStep {
    RecordStarted,  // the run's record is made, with the first group to rename
    GroupRecorded,  // a later group is added to it
    FileReplaced,   // a file and its backup were put in place
    GroupReplaced,  // every file of a group that could be was
    AllReplaced,    // every group was: the record is marked finished next
};

// What a batch run needs of the program around it: the main window for the
// program, a terminal for lexmill-batch, a recorder for the tests.
class BatchHost {
  public:
    virtual ~BatchHost() = default;

    virtual BatchOptions options() = 0;

    virtual void setStatus(std::string_view text) = 0;  // the first status panel
    virtual void setIdleStatus() = 0;                   // its text between operations
    virtual void setHint(std::string_view text) = 0;    // the second status panel
    virtual void setWaitCursor(bool on) = 0;
    virtual void setStartEnabled(bool enabled) = 0;
    virtual void repaint() {}
    // Progress against Module1::ProgressMax; 0 removes the bar.
    virtual void setProgress(std::int64_t value) = 0;
    // Lets pending window events run (an Esc key press among them).
    virtual void yield() = 0;

    virtual void message(std::string_view text, std::string_view title, MessageIcon icon) = 0;

    // A selected file that is gone, or is no ordinary file, and was passed over.
    virtual void fileSkipped(std::string_view /*path*/) {}
    // A selected name of a file the run handled already under an earlier one
    // (`first`): the same path again, another path to it, or a link. The run
    // passed over it; the window says nothing.
    virtual void sameFileSkipped(std::string_view /*path*/, std::string_view /*first*/) {}
    // The run wrote the run record `id` (before its results window shows).
    virtual void runRecorded(std::string_view /*id*/) {}
    // A changed file's new text is written and waits, with its backup, for
    // its group to replace it. Tests change the file here.
    virtual void newTextWritten(std::string_view /*path*/) {}
    // The run's files on disk reached `step`. Called on the thread that
    // commits the files, which need not be the run's: tests end the program
    // here to see what a crash leaves.
    virtual void diskStep(DiskStep /*step*/) {}

    // The results list, filled while the results window is still hidden.
    virtual void addResult(std::string_view name) = 0;
    // A Search Only that found the text in no file: the list says "None".
    virtual void noneFound() { addResult("None"); }
    // Shows the results window with its heading and summary line, modally.
    virtual void showResults(std::string_view heading, std::string_view summary) = 0;
};

}  // namespace lexmill
