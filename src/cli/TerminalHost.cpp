#include "TerminalHost.h"

#include <unistd.h>

#include <cerrno>

namespace lexmill::cli {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kQuietStart = std::chrono::milliseconds(700);  // short runs draw no bar
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
constexpr int kBarWidth = 30;

}  // namespace

TerminalHost::TerminalHost(Module1& m, BatchOptions options, std::FILE* out, std::FILE* err)
    : m_(m),
      options_(std::move(options)),
      out_(out),
      err_(err),
      showProgress_(::isatty(::fileno(err)) == 1),
      start_(Clock::now()) {}

TerminalHost::~TerminalHost() {
    clearProgress();
}

void TerminalHost::setStatus(std::string_view text) {
    status_ = text;
    drawProgress(false);
}

void TerminalHost::setProgress(std::int64_t value) {
    progress_ = value;
    drawProgress(false);
}

void TerminalHost::drawProgress(bool force) {
    if (!showProgress_) return;
    const auto now = Clock::now();
    if (!force && (now - start_ < kQuietStart || now - lastDraw_ < kRedrawEvery)) return;
    lastDraw_ = now;
    const double share = m_.ProgressMax > 0
                             ? static_cast<double>(progress_) / static_cast<double>(m_.ProgressMax)
                             : 0;
    const int filled = static_cast<int>(share * kBarWidth);
    std::string status = status_.substr(0, 40);
    std::fprintf(err_, "\r[%-*s] %3d%% %-40s", kBarWidth, std::string(filled, '#').c_str(),
                 static_cast<int>(share * 100), status.c_str());
    std::fflush(err_);
    progressShown_ = true;
}

void TerminalHost::clearProgress() {
    if (!progressShown_) return;
    std::fprintf(err_, "\r%*s\r", kBarWidth + 48, "");
    std::fflush(err_);
    progressShown_ = false;
}

void TerminalHost::message(std::string_view text, std::string_view title, MessageIcon) {
    // The failed files are printed one by one by the caller; other messages as they are.
    if (title == "Warning") return;
    clearProgress();
    std::fprintf(err_, "lexmill-batch: %.*s\n", static_cast<int>(text.size()), text.data());
}

void TerminalHost::fileSkipped(std::string_view path) {
    // The program passes over such files silently; a script is better told.
    clearProgress();
    skippedAny_ = true;
    std::fprintf(err_, "lexmill-batch: %.*s: not found or not an ordinary file, skipped\n",
                 static_cast<int>(path.size()), path.data());
}

void TerminalHost::sameFileSkipped(std::string_view, std::string_view) {
    // Said once, after the run: a site's links between its pages are many.
    ++sameFiles_;
}

void TerminalHost::addResult(std::string_view name) {
    clearProgress();
    std::fwrite(name.data(), 1, name.size(), out_);
    std::fputc('\n', out_);
    checkOutput();
}

void TerminalHost::showResults(std::string_view, std::string_view summary) {
    // Standard output carries the names alone, for the next command of a pipe.
    clearProgress();
    std::fflush(out_);
    checkOutput();
    std::fprintf(err_, "%.*s\n", static_cast<int>(summary.size()), summary.data());
}

void TerminalHost::checkOutput() {
    // errno is still that of the write that failed: checked after every call.
    if (outputError_ != 0 || !std::ferror(out_)) return;
    outputError_ = errno != 0 ? errno : EIO;
    // Nobody reads the list any more: stop after the file being handled.
    m_.CancelRequested = true;
}

}  // namespace lexmill::cli
