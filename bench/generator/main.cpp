// lexmill-corpus: writes the deterministic benchmark corpus, either a folder of
// HTML-like pages or one big file, and prints what it wrote.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "CorpusOptions.h"
#include "PageWriter.h"
#include "Rng.h"

using namespace lexmill;

namespace {

bool writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    f.close();
    return !f.fail();
}

bool writePages(const CorpusOptions& o, const PageWriter& writer, CorpusStats& total) {
    const std::filesystem::path dir(o.target);
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        std::cerr << "lexmill-corpus: " << dir.string() << ": " << ec.message() << '\n';
        return false;
    }
    std::string page;
    char name[32];
    for (std::uint64_t i = 0; i < o.count; ++i) {
        Rng rng(itemSeed(o.seed, i));
        page.clear();
        total += writer.write(rng, writer.plan(rng, o.minBytes, o.maxBytes), page);
        std::snprintf(name, sizeof name, "page-%06llu.html", static_cast<unsigned long long>(i));
        if (!writeFile(dir / name, page)) {
            std::cerr << "lexmill-corpus: cannot write " << (dir / name).string() << '\n';
            return false;
        }
    }
    return true;
}

// Streams pages into one file through a fixed-size buffer, so memory stays
// small whatever the size asked for.
bool writeBig(const CorpusOptions& o, const PageWriter& writer, CorpusStats& total) {
    const std::filesystem::path path(o.target);
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    const std::uint64_t want = o.mib * 1024 * 1024;
    constexpr std::size_t kFlushAt = 4 << 20;
    std::string buffer;
    buffer.reserve(kFlushAt + (64 << 10));
    CorpusStats pages;
    for (std::uint64_t i = 0; pages.bytes < want && f; ++i) {
        Rng rng(itemSeed(o.seed, i));
        pages += writer.write(rng, writer.plan(rng, o.minBytes, o.maxBytes), buffer);
        if (buffer.size() >= kFlushAt) {
            f.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
            buffer.clear();
        }
    }
    f.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    f.close();
    if (f.fail()) {
        std::cerr << "lexmill-corpus: cannot write " << path.string() << '\n';
        return false;
    }
    // One file: the counts of files are 0 or 1, the occurrences those of every page.
    total.files = 1;
    total.bytes = pages.bytes;
    total.filesWithLiteral = pages.literals > 0;
    total.literals = pages.literals;
    total.filesWithAnyCase = pages.anyCase > 0;
    total.anyCase = pages.anyCase;
    total.crlfFiles = pages.crlfFiles > 0;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto options = CorpusOptions::parse(argc, argv, error);
    if (!options) {
        std::cerr << error << '\n';
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const PageWriter writer(options->literal);
    CorpusStats total;
    const bool ok =
        options->big ? writeBig(*options, writer, total) : writePages(*options, writer, total);
    if (!ok) return 1;
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::cout << "files=" << total.files << " bytes=" << total.bytes
              << " with_literal=" << total.filesWithLiteral << " literals=" << total.literals
              << " with_any_case=" << total.filesWithAnyCase << " any_case=" << total.anyCase
              << " crlf_files=" << total.crlfFiles << " seconds=" << took.count() << '\n';
    return 0;
}
