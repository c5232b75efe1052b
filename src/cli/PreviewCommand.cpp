#include "PreviewCommand.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "WalkOperands.h"
#include "undo/Preview.h"

namespace lexmill::cli {
namespace {

// Each file's diff as it is ready; a closed output pipe stops the preview.
class PrintingSink : public PreviewSink {
  public:
    void fileChanged(const PreviewFile& file) override {
        if (std::fwrite(file.diff.data(), 1, file.diff.size(), stdout) != file.diff.size() ||
            std::fflush(stdout) != 0)
            fail(errno);
    }
    void fileSkipped(std::string_view path) override {
        skippedAny = true;
        std::fprintf(stderr, "lexmill-batch: %.*s: not found or not an ordinary file, skipped\n",
                     static_cast<int>(path.size()), path.data());
    }
    void sameFileSkipped(std::string_view, std::string_view) override { ++sameFiles; }
    void fileFailed(const FileFailure& f) override {
        std::fprintf(stderr, "lexmill-batch: %s: %s\n", f.path.c_str(), f.reason.c_str());
    }

    void fail(int error) {
        if (outputError != 0) return;
        outputError = error != 0 ? error : EIO;
        cancel = true;
    }

    std::atomic<bool> cancel{false};
    bool skippedAny = false;
    std::size_t sameFiles = 0;
    int outputError = 0;
};

}  // namespace

int runPreview(const Arguments& a) {
    PrintingSink sink;
    const PreviewReport report = Preview(a.files, a.files, a.batch, sink, sink.cancel, a.walked);
    if (sink.outputError != 0)
        std::fprintf(stderr, "lexmill-batch: standard output: %s\n",
                     std::generic_category().message(sink.outputError).c_str());
    if (sink.sameFiles > 0)
        std::fprintf(stderr, "lexmill-batch: %s links to files already taken were passed over\n",
                     grouped(sink.sameFiles).c_str());
    std::fprintf(stderr, "%s\n", report.summary.c_str());
    return sink.skippedAny || !report.failures.empty() || sink.outputError != 0 ? 1 : 0;
}

}  // namespace lexmill::cli
