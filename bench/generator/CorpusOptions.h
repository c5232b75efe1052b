#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace lexmill {

// The command line of lexmill-corpus:
//   lexmill-corpus pages DIR [--count N] [--min-bytes B] [--max-bytes B] [--seed S] [--literal T]
//   lexmill-corpus big FILE [--mib M] [--seed S] [--literal T]
struct CorpusOptions {
    bool big = false;
    std::string target;  // folder of pages, or the big file
    std::uint64_t count = 20000;
    std::uint64_t minBytes = 2 * 1024;
    std::uint64_t maxBytes = 20 * 1024;
    std::uint64_t mib = 512;
    std::uint64_t seed = 1887;
    std::string literal = "Bramblegate Mill";

    // Empty with `error` set when the arguments do not make sense.
    static std::optional<CorpusOptions> parse(int argc, char** argv, std::string& error);
};

}  // namespace lexmill
