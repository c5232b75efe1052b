#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "batch/BatchHost.h"
#include "batch/Module1.h"

namespace lexmill::cli {

// Runs a batch on a terminal: the results list and the summary go to standard
// output as the run produces them; a progress line goes to standard error when
// that is a terminal and the run takes more than a moment. When standard
// output cannot be written (a pipe closed by its reader), the run is stopped
// as by Ctrl+C and outputError() gives the reason.
class TerminalHost : public BatchHost {
  public:
    TerminalHost(Module1& m, BatchOptions options, std::FILE* out, std::FILE* err);
    ~TerminalHost() override;

    BatchOptions options() override { return options_; }
    void setStatus(std::string_view text) override;
    void setIdleStatus() override {}
    void setHint(std::string_view) override {}
    void setWaitCursor(bool) override {}
    void setStartEnabled(bool) override {}
    void setProgress(std::int64_t value) override;
    void yield() override {}
    void message(std::string_view text, std::string_view title, MessageIcon icon) override;
    void fileSkipped(std::string_view path) override;
    void sameFileSkipped(std::string_view path, std::string_view first) override;
    void addResult(std::string_view name) override;
    void noneFound() override {}  // no names: nothing on standard output

    bool skippedAny() const { return skippedAny_; }
    // Names of files the run took already under another name, passed over.
    std::size_t sameFiles() const { return sameFiles_; }
    // The errno of the first failed write to standard output; 0 when none failed.
    int outputError() const { return outputError_; }
    void showResults(std::string_view heading, std::string_view summary) override;

  private:
    void drawProgress(bool force);
    void clearProgress();
    void checkOutput();

    Module1& m_;
    BatchOptions options_;
    std::FILE* out_;
    std::FILE* err_;
    bool showProgress_;
    bool progressShown_ = false;
    bool skippedAny_ = false;
    std::size_t sameFiles_ = 0;
    int outputError_ = 0;
    std::string status_;
    std::int64_t progress_ = 0;
    std::chrono::steady_clock::time_point start_, lastDraw_;
};

}  // namespace lexmill::cli
