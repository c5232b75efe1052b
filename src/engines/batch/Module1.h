#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lexmill {

// The state every command that acts on the selected files shares: the
// selection taken from the file list just before the command, the flags of the
// running operation, and the counters of the last tally. The application owns
// one and hands it to its windows.
struct Module1 {
    // The selected-files collection: a snapshot, valid only while SelCount >= 1.
    std::string WorkPath;  // the work folder, ending in "/"
    std::int64_t SelCount = 0;
    std::vector<std::string> SelPaths;  // WorkPath + name, in list order (index 0 is the first)
    std::vector<std::string> SelNames;  // the names as the list shows them
    // Files a folder walk found, marked: passed over when their first 8 KiB
    // hold a NUL byte, which the run's own first read shows. Empty: none.
    std::vector<bool> SelPassOverBinary;

    // Operation state. CancelRequested is set from the user interface (Esc)
    // while a run is going on, possibly from another thread.
    std::atomic<bool> Busy{false};
    std::atomic<bool> CancelRequested{false};
    std::int64_t TotalBytes = 0;
    std::int64_t ProgressMax = 0;  // where the progress bar is full

    // Counts of the last tally.
    std::int64_t LineCount = 1;
    std::int64_t CharCount = 0;
    std::int64_t KeywordCount = 0;
};

// Takes a new selection: the folder of the file list and the selected names in
// list order. With no names only WorkPath and SelCount change (the arrays keep
// the previous selection, which must then not be read).
void SetSelection(Module1& m, std::string_view folder, const std::vector<std::string>& names);

}  // namespace lexmill
