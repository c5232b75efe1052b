// lexmill-batch: Lexmill's search and replace and text tally for scripts and large jobs.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "Arguments.h"
#include "LexmillVersion.h"
#include "Pcre2Version.h"
#include "PreviewCommand.h"
#include "TerminalHost.h"
#include "WalkOperands.h"
#include "base/FileError.h"
#include "batch/Module1.h"
#include "batch/SearchAndReplace.h"
#include "records/RunRecord.h"
#include "tally/Tally.h"
#include "undo/UndoRun.h"
#include "write/TemporaryFile.h"

namespace {

using namespace lexmill;

Module1* g_module = nullptr;

// Ends the program on `signal` as its default action does, leaving no
// temporary file of a rewrite under way behind.
void endOnSignal(int signal) {
    removePendingTemporaries();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// The first Ctrl+C asks the run to stop after the current file; a second one
// ends the program at once.
extern "C" void onInterrupt(int) {
    if (g_module && !g_module->CancelRequested.exchange(true)) return;
    endOnSignal(SIGINT);
}

extern "C" void onTerminate(int signal) {
    endOnSignal(signal);
}

// Installs `handler` for `signal`; while a handler runs, the other signals
// that end the program wait, so that it removes the temporary files whole.
void handle(int signal, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int other : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&action.sa_mask, other);
    sigaction(signal, &action, nullptr);
}

// Standard output that cannot be written (a closed pipe) is reported, exit status 1.
bool outputWritten(int error) {
    if (error == 0) return true;
    std::fprintf(stderr, "lexmill-batch: standard output: %s\n",
                 std::generic_category().message(error).c_str());
    return false;
}

int runTally(const cli::Arguments& a) {
    try {
        const TallyCounts c = tallyFile(a.files.front(), a.keyword, {}, nullptr, a.batch.charset);
        std::printf("Lines: %lld\nWords: %lld\nCharacters: %lld\nKeyword occurrences: %lld\n",
                    static_cast<long long>(c.lines), static_cast<long long>(c.words),
                    static_cast<long long>(c.chars), static_cast<long long>(c.keywords));
        return outputWritten(std::fflush(stdout) == 0 ? 0 : errno) ? 0 : 1;
    } catch (const FileError& e) {
        std::fprintf(stderr, "lexmill-batch: %s: %s\n", e.path().c_str(), e.reason().c_str());
        return 1;
    }
}

int runBatch(cli::Arguments& a, const std::string& folder) {
    Module1 m;
    m.WorkPath = folder;
    m.SelCount = static_cast<std::int64_t>(a.files.size());
    m.SelPaths = a.files;  // the names are the paths as given
    m.SelNames = std::move(a.files);
    m.SelPassOverBinary = std::move(a.walked);

    g_module = &m;
    handle(SIGINT, onInterrupt);
    BatchReport report;
    bool skipped = false;
    int outputError = 0;
    {
        cli::TerminalHost host(m, a.batch, stdout, stderr);
        report = SearchAndReplace(m, host);
        skipped = host.skippedAny();
        outputError = host.outputError();
        if (host.sameFiles() > 0)
            std::fprintf(stderr,
                         "lexmill-batch: %s links to files already taken were passed over\n",
                         cli::grouped(host.sameFiles()).c_str());
    }
    std::signal(SIGINT, SIG_DFL);
    g_module = nullptr;

    for (const auto& f : report.failures)
        std::fprintf(stderr, "lexmill-batch: %s: %s\n", f.path.c_str(), f.reason.c_str());
    if (!report.runRecordError.empty())
        std::fprintf(stderr,
                     "lexmill-batch: no run record kept, so this run cannot be undone: %s\n",
                     report.runRecordError.c_str());
    const bool written = outputWritten(outputError);
    return skipped || !report.failures.empty() || report.cancelled || !written ? 1 : 0;
}

int runUndo(cli::Arguments& a) {
    const std::string runs = defaultRunsFolder();
    struct stat st {};
    if (!a.undoFolder.empty() && (::stat(a.undoFolder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))) {
        std::fprintf(stderr, "lexmill-batch: --undo: %s is not a folder\n", a.undoFolder.c_str());
        return 2;
    }
    RunRecord record;
    if (!lastUndoableRun(runs, record, a.undoFolder)) {
        std::fprintf(stderr, "lexmill-batch: nothing to undo%s%s\n",
                     a.undoFolder.empty() ? "" : " in ", a.undoFolder.c_str());
        return 1;
    }
    Module1 m;
    g_module = &m;
    handle(SIGINT, onInterrupt);
    BatchReport report;
    int outputError = 0;
    {
        cli::TerminalHost host(m, a.batch, stdout, stderr);
        report = UndoRun(m, runs, record, host);
        outputError = host.outputError();
    }
    std::signal(SIGINT, SIG_DFL);
    g_module = nullptr;
    for (const auto& f : report.failures)
        std::fprintf(stderr, "lexmill-batch: %s: %s\n", f.path.c_str(), f.reason.c_str());
    const bool written = outputWritten(outputError);
    return !report.failures.empty() || report.cancelled || !written ? 1 : 0;
}

// One line a kept run, oldest first: date, work folder, files changed, undone,
// not undone, or interrupted (a run that never ended, not undone).
int listRuns() {
    for (const RunRecord& r : listRunRecords(defaultRunsFolder())) {
        std::string folder;
        for (char c : r.folder) folder += c == '\n' ? std::string("\\n") : std::string(1, c);
        std::printf("%s\t%s\t%zu files changed\t%s\n", r.ended.c_str(), folder.c_str(),
                    r.files.size(),
                    r.undone     ? "undone"
                    : r.finished ? "not undone"
                                 : "interrupted");
    }
    return outputWritten(std::fflush(stdout) == 0 ? 0 : errno) ? 0 : 1;
}

// --upload and --trust are the work of lexmill-batch-upload, beside this program: it
// brings libcurl and SQLite, which the search and replace never load.
int runUpload(char** argv) {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::string program = (self.parent_path() / "lexmill-batch-upload").string();
    if (!error) {
        argv[0] = const_cast<char*>(program.c_str());
        ::execv(program.c_str(), argv);
    }
    std::fprintf(
        stderr, "lexmill-batch: cannot run %s: %s\n", program.c_str(),
        (error ? error : std::error_code(errno, std::generic_category())).message().c_str());
    return 1;
}

// The version, then the libraries: PCRE2 here; libcurl and SQLite as
// lexmill-batch-upload, which loads them, reports them.
int printVersion(char* self) {
    std::printf("lexmill-batch %s\n%s\n", kVersion, cli::Pcre2VersionLine().c_str());
    std::fflush(stdout);
    char query[] = "--library-versions";
    char* helper[] = {self, query, nullptr};
    return runUpload(helper);
}

// Folders that held no file to take: exit status 1, so that a script hears
// of a mistyped folder or glob.
int nothingFound() {
    std::fprintf(stderr, "lexmill-batch: no files found in the folders given\n");
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && (std::string(argv[1]) == "--upload" || std::string(argv[1]) == "--trust"))
        return runUpload(argv);
    // A closed output pipe is a write error to report, not the end of the
    // program with its temporary files still in the folders.
    std::signal(SIGPIPE, SIG_IGN);
    handle(SIGTERM, onTerminate);
    handle(SIGHUP, onTerminate);
    cli::Arguments a;
    try {
        a = cli::parseArguments(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const cli::UsageError& e) {
        std::fprintf(stderr, "lexmill-batch: %s\nTry 'lexmill-batch --help'.\n", e.what());
        return 2;
    }
    switch (a.mode) {
        case cli::Arguments::Mode::Help:
            std::fputs(cli::kHelpText, stdout);
            return 0;
        case cli::Arguments::Mode::Version:
            return printVersion(argv[0]);
        case cli::Arguments::Mode::Tally:
            return runTally(a);
        case cli::Arguments::Mode::Batch: {
            const std::string folder = cli::RunFolder(a.files, a.recursive);
            const bool readAll = cli::WalkOperands(a);
            if (a.files.empty()) return nothingFound();
            const int status = runBatch(a, folder);
            return status == 0 && !readAll ? 1 : status;
        }
        case cli::Arguments::Mode::Undo:
            return runUndo(a);
        case cli::Arguments::Mode::ListRuns:
            return listRuns();
        case cli::Arguments::Mode::Preview: {
            const bool readAll = cli::WalkOperands(a);
            if (a.files.empty()) return nothingFound();
            const int status = cli::runPreview(a);
            return status == 0 && !readAll ? 1 : status;
        }
    }
    return 2;
}
