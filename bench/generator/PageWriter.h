#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "Rng.h"

namespace lexmill {

// What one page is to hold.
struct PagePlan {
    std::size_t targetBytes = 0;
    int literals = 0;  // occurrences of the literal as given
    int variants = 0;  // occurrences in another letter case
    bool crlf = false;
};

// What was written; adds up over a corpus.
struct CorpusStats {
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
    std::uint64_t filesWithLiteral = 0;  // files a case-sensitive search finds
    std::uint64_t literals = 0;
    std::uint64_t filesWithAnyCase = 0;  // files a case-insensitive search finds
    std::uint64_t anyCase = 0;
    std::uint64_t crlfFiles = 0;

    CorpusStats& operator+=(const CorpusStats& o);
};

// Writes HTML-like pages: meta lines, headings, paragraphs and lists of words
// (some accented), wrapped lines, LF or CR LF, with the literal, other-case
// variants of it and near misses at random places.
class PageWriter {
  public:
    explicit PageWriter(std::string literal);

    // About a third of the pages get the literal, a few several times.
    PagePlan plan(Rng& rng, std::size_t minBytes, std::size_t maxBytes) const;

    // Appends one page to `out`.
    CorpusStats write(Rng& rng, const PagePlan& plan, std::string& out) const;

  private:
    // Tags and near misses are left out of `plain` runs (titles, meta contents).
    void words(Rng& rng, std::string& s, int count, std::size_t& column, bool plain = false) const;
    void paragraph(Rng& rng, std::string& s) const;
    void insertAt(Rng& rng, std::string& s, std::size_t from, const PagePlan& plan) const;

    std::string literal_;
    std::string variants_[3];  // lower, upper, first letter kept
    std::string nearMisses_[3];
};

}  // namespace lexmill
