#include "PageWriter.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>
#include <utility>
#include <vector>

namespace lexmill {

namespace {

constexpr std::array<std::string_view, 160> kWords = {
    "the",     "of",       "and",      "to",       "in",       "a",        "is",         "that",
    "for",     "it",       "as",       "was",      "with",     "be",       "by",         "on",
    "not",     "he",       "this",     "are",      "or",       "his",      "from",       "at",
    "which",   "but",      "have",     "an",       "had",      "they",     "you",        "were",
    "their",   "one",      "all",      "we",       "can",      "her",      "has",        "there",
    "been",    "if",       "more",     "when",     "will",     "would",    "who",        "so",
    "no",      "river",    "mill",     "Mill",     "wheel",    "stone",    "grain",      "flour",
    "water",   "weir",     "sluice",   "race",     "miller",   "village",  "lane",       "bridge",
    "meadow",  "orchard",  "hedge",    "bramble",  "gate",     "path",     "north",      "south",
    "east",    "west",     "morning",  "evening",  "winter",   "summer",   "harvest",    "market",
    "Tuesday", "Saturday", "church",   "school",   "history",  "record",   "letter",     "ledger",
    "account", "rent",     "tenant",   "lease",    "survey",   "map",      "parish",     "council",
    "meeting", "minutes",  "visitors", "opening",  "hours",    "tickets",  "family",     "children",
    "walk",    "garden",   "tea",      "room",     "shop",     "gallery",  "photograph", "archive",
    "café",    "Élise",    "élève",    "déjà",     "façade",   "naïve",    "résumé",     "Émile",
    "écluse",  "crème",    "Zoë",      "Ångström", "Müller",   "über",     "piñata",     "São",
    "Ørsted",  "fiancée",  "entrée",   "rosé",     "Éric",     "1887",     "1923",       "1954",
    "2004",    "£12",      "€8.50",    "10:30",    "restored", "repaired", "burnt",      "rebuilt",
    "owned",   "sold",     "leased",   "flooded",  "measured", "listed",   "grade",      "II*",
    "(see",    "below)",   "—",        "&amp;",    "&nbsp;",   "“quoted”", "it’s",       "don't",
};

constexpr std::array<std::string_view, 8> kHeadings = {
    "History", "Visiting", "The wheel", "Opening hours", "Events", "Archive", "Café", "Contact",
};

std::string_view pick(Rng& rng) {
    return kWords[rng.below(kWords.size())];
}

std::string caseVariant(std::string s, int kind) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        auto c = static_cast<unsigned char>(s[i]);
        if (kind == 0 || (kind == 2 && i > 0))
            s[i] = static_cast<char>(std::tolower(c));
        else if (kind == 1)
            s[i] = static_cast<char>(std::toupper(c));
    }
    return s;
}

}  // namespace

CorpusStats& CorpusStats::operator+=(const CorpusStats& o) {
    files += o.files;
    bytes += o.bytes;
    filesWithLiteral += o.filesWithLiteral;
    literals += o.literals;
    filesWithAnyCase += o.filesWithAnyCase;
    anyCase += o.anyCase;
    crlfFiles += o.crlfFiles;
    return *this;
}

PageWriter::PageWriter(std::string literal) : literal_(std::move(literal)) {
    for (int k = 0; k < 3; ++k) variants_[k] = caseVariant(literal_, k);
    // Near misses share a long prefix with the literal, so a scanner has to look twice.
    const std::string head = literal_.substr(0, literal_.size() - 1);
    nearMisses_[0] = head + ".";
    nearMisses_[1] = head + "-" + literal_.back();
    const auto space = literal_.find(' ');
    nearMisses_[2] = space == std::string::npos ? head : literal_.substr(0, space) + " Lane";
}

PagePlan PageWriter::plan(Rng& rng, std::size_t minBytes, std::size_t maxBytes) const {
    PagePlan p;
    p.targetBytes = rng.between(minBytes, maxBytes);
    if (rng.chance(1, 3)) {
        const auto roll = rng.below(10);
        p.literals = roll < 7   ? 1
                     : roll < 9 ? static_cast<int>(rng.between(2, 4))
                                : static_cast<int>(rng.between(5, 20));
    }
    if (rng.chance(6, 100)) p.variants = static_cast<int>(rng.between(1, 3));
    p.crlf = rng.chance(1, 4);
    return p;
}

void PageWriter::words(Rng& rng, std::string& s, int count, std::size_t& column, bool plain) const {
    for (int i = 0; i < count; ++i) {
        std::string_view w = pick(rng);
        const auto roll = plain ? 200 : rng.below(200);
        std::size_t before = s.size();
        if (roll < 5) {
            s += "<b>";
            s += w;
            s += "</b>";
        } else if (roll < 10) {
            s += "<a href=\"/notes/";
            s += std::to_string(rng.below(100000));
            s += ".html\">";
            s += w;
            s += "</a>";
        } else if (roll < 15) {
            s += "<em>";
            s += w;
            s += "</em>";
        } else if (roll == 15) {
            s += nearMisses_[rng.below(3)];
        } else {
            s += w;
        }
        column += s.size() - before;
        if (rng.chance(1, 12)) {
            s += rng.chance(1, 5) ? ", " : ". ";
            column += 2;
        }
        // Lines wrap at 60 to 140 columns, as an editor would leave them.
        if (column > 60 + rng.below(80)) {
            if (!s.empty() && s.back() == ' ') s.pop_back();
            s += '\n';
            column = 0;
        } else if (s.back() != ' ') {
            s += ' ';
            ++column;
        }
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\n')) s.pop_back();
}

void PageWriter::paragraph(Rng& rng, std::string& s) const {
    std::size_t column = 0;
    const auto roll = rng.below(10);
    if (roll == 0) {
        s += "<h2>";
        s += kHeadings[rng.below(kHeadings.size())];
        s += "</h2>\n";
    } else if (roll == 1) {
        s += "<ul>\n";
        for (auto n = rng.between(2, 6); n > 0; --n) {
            s += "<li>";
            words(rng, s, static_cast<int>(rng.between(2, 10)), column);
            s += "</li>\n";
            column = 0;
        }
        s += "</ul>\n";
        return;
    } else if (roll == 2) {
        s += "<!-- block ";
        s += std::to_string(rng.below(1000));
        s += " -->\n";
    }
    s += rng.chance(1, 5) ? "<p class=\"note\">" : "<p>";
    column = 3;
    words(rng, s, static_cast<int>(rng.between(20, 140)), column);
    s += "</p>\n";
}

void PageWriter::insertAt(Rng& rng, std::string& s, std::size_t from, const PagePlan& plan) const {
    // Places are chosen in the text before anything is inserted and filled from
    // the back, so an insertion never splits another one.
    std::vector<std::pair<std::size_t, std::string_view>> places;
    const std::size_t span = s.size() - from;
    for (int i = 0; i < plan.literals + plan.variants; ++i) {
        std::size_t at = s.find(' ', from + rng.below(span));
        at = at == std::string::npos ? s.size() : at + 1;
        places.emplace_back(at, i < plan.literals ? std::string_view(literal_)
                                                  : std::string_view(variants_[rng.below(3)]));
    }
    std::stable_sort(places.begin(), places.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    for (const auto& [at, text] : places) {
        std::string piece(text);
        piece += ' ';
        s.insert(at, piece);
    }
}

CorpusStats PageWriter::write(Rng& rng, const PagePlan& plan, std::string& out) const {
    std::string s;
    s.reserve(plan.targetBytes + 4096);
    std::size_t column = 0;
    s += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    s += "<meta name=\"description\" content=\"";
    words(rng, s, static_cast<int>(rng.between(6, 14)), column, true);
    s += "\">\n<meta name=\"keywords\" content=\"";
    for (int i = 0; i < 4; ++i) {
        if (i > 0) s += ", ";
        s += pick(rng);
    }
    s += "\">\n<meta name=\"generator\" content=\"Notepad\">\n";
    s += "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n<title>";
    column = 0;
    words(rng, s, static_cast<int>(rng.between(3, 7)), column, true);
    s += "</title>\n<link rel=\"stylesheet\" href=\"/css/site.css\">\n</head>\n<body>\n";
    s += "<div class=\"page\">\n<h1>";
    const std::size_t body = s.size();
    column = 0;
    words(rng, s, static_cast<int>(rng.between(2, 6)), column);
    s += "</h1>\n";
    const std::string_view tail = "</div>\n</body>\n</html>\n";
    while (s.size() + tail.size() < plan.targetBytes) paragraph(rng, s);
    insertAt(rng, s, body, plan);
    s += tail;

    CorpusStats st;
    st.files = 1;
    st.filesWithLiteral = plan.literals > 0;
    st.literals = static_cast<std::uint64_t>(plan.literals);
    st.filesWithAnyCase = plan.literals + plan.variants > 0;
    st.anyCase = static_cast<std::uint64_t>(plan.literals + plan.variants);
    st.crlfFiles = plan.crlf;
    const std::size_t start = out.size();
    if (plan.crlf) {
        out.reserve(out.size() + s.size() + s.size() / 32);
        for (char c : s) {
            if (c == '\n') out += '\r';
            out += c;
        }
    } else {
        out += s;
    }
    st.bytes = out.size() - start;
    return st;
}

}  // namespace lexmill
