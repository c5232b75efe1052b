// lexmill-batch: Lexmill's search and replace and text tally for scripts and large jobs.
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "Arguments.h"
#include "FileError.h"
#include "Module1.h"
#include "SearchAndReplace.h"
#include "Tally.h"
#include "TerminalHost.h"

namespace {

using namespace lexmill;

Module1* g_module = nullptr;

// The first Ctrl+C asks the run to stop after the current file; a second one
// ends the program at once.
extern "C" void onInterrupt(int) {
    if (g_module && !g_module->CancelRequested.exchange(true)) return;
    std::signal(SIGINT, SIG_DFL);
    std::raise(SIGINT);
}

int runTally(const cli::Arguments& a) {
    try {
        const TallyCounts c = tallyFile(a.files.front(), a.keyword);
        std::printf("Lines: %lld\nWords: %lld\nCharacters: %lld\nKeyword occurrences: %lld\n",
                    static_cast<long long>(c.lines), static_cast<long long>(c.words),
                    static_cast<long long>(c.chars), static_cast<long long>(c.keywords));
        return 0;
    } catch (const FileError& e) {
        std::fprintf(stderr, "lexmill-batch: %s: %s\n", e.path().c_str(), e.reason().c_str());
        return 1;
    }
}

int runBatch(cli::Arguments& a) {
    Module1 m;
    m.WorkPath = "./";
    m.SelCount = static_cast<std::int64_t>(a.files.size());
    m.SelPaths = a.files;  // the names are the paths as given
    m.SelNames = std::move(a.files);

    g_module = &m;
    std::signal(SIGINT, onInterrupt);
    BatchReport report;
    bool skipped = false;
    {
        cli::TerminalHost host(m, a.batch, stdout, stderr);
        report = SearchAndReplace(m, host);
        skipped = host.skippedAny();
    }
    std::signal(SIGINT, SIG_DFL);
    g_module = nullptr;

    for (const auto& f : report.failures)
        std::fprintf(stderr, "lexmill-batch: %s: %s\n", f.path.c_str(), f.reason.c_str());
    return skipped || !report.failures.empty() || report.cancelled ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
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
        case cli::Arguments::Mode::Tally:
            return runTally(a);
        case cli::Arguments::Mode::Batch:
            return runBatch(a);
    }
    return 2;
}
