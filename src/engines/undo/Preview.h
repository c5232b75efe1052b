#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "batch/BatchHost.h"

namespace lexmill {

// A file that a replace run would change, as its preview shows it.
struct PreviewFile {
    std::string name;  // as the selection lists it
    std::string path;
    std::uint64_t replacements = 0;
    // A unified diff of the file's text now and the text a run would write:
    // "--- a/NAME", "+++ b/NAME" (NAME in C quotes when it holds a quote, a
    // backslash or a control character; followed by a tab when it holds a
    // space), hunks with three lines of context. `patch -p1` in the work
    // folder turns the file into exactly what a run writes.
    std::string diff;
};

// Receives a preview as it goes, file by file in selection order. May be
// called on the thread that runs the preview, never on two at once.
class PreviewSink {
  public:
    virtual ~PreviewSink() = default;
    // A file the run would change.
    virtual void fileChanged(const PreviewFile& file) = 0;
    // A file that could not be read; the preview goes on with the next.
    virtual void fileFailed(const FileFailure& /*failure*/) {}
    // A selected file that is gone, or is no ordinary file, passed over.
    virtual void fileSkipped(std::string_view /*path*/) {}
    // A later name of a file already previewed under `first`, passed over.
    virtual void sameFileSkipped(std::string_view /*path*/, std::string_view /*first*/) {}
    // Bytes of the selection read so far, against `total`, after each file.
    virtual void progress(std::int64_t /*done*/, std::int64_t /*total*/) {}
};

struct PreviewReport {
    bool cancelled = false;
    std::uint64_t replacements = 0;  // in the files that would change
    std::uint64_t files = 0;         // files that would change
    std::vector<FileFailure> failures;
    std::string summary;  // "Preview: 3 replacements in 2 files."
};

// Works out what a replace run over the selected files (`paths`, with
// `names` as the selection lists them) would write with `options`, writing
// nothing: the same files, handled once each, and for each the same bytes as
// the run. Holds one file's texts at a time. Tests `cancel` between files. A
// search-only run changes nothing, and neither does its preview. The files
// marked in `passOverBinary` are passed over when binary, as in a run.
PreviewReport Preview(const std::vector<std::string>& paths, const std::vector<std::string>& names,
                      const BatchOptions& options, PreviewSink& sink,
                      const std::atomic<bool>& cancel,
                      const std::vector<bool>& passOverBinary = {});

// One occurrence replaced: `length` bytes at `at` became `replacement` bytes.
struct Replaced {
    std::uint64_t at, length, replacement;
};

// The unified diff that turns `before` into `after` for the file NAME, where
// `after` is `before` with each occurrence in `changes` (ascending, apart)
// replaced. Empty when there is none.
std::string unifiedDiff(std::string_view name, std::string_view before, std::string_view after,
                        const std::vector<Replaced>& changes);

}  // namespace lexmill
