#include "CorpusOptions.h"

#include <charconv>
#include <string_view>

namespace lexmill {

namespace {

bool toNumber(std::string_view s, std::uint64_t& n) {
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
    return ec == std::errc() && end == s.data() + s.size();
}

}  // namespace

std::optional<CorpusOptions> CorpusOptions::parse(int argc, char** argv, std::string& error) {
    CorpusOptions o;
    if (argc < 3) {
        error =
            "usage: lexmill-corpus pages DIR [--count N] [--min-bytes B] [--max-bytes B] "
            "[--seed S] [--literal TEXT]\n"
            "       lexmill-corpus big FILE [--mib M] [--seed S] [--literal TEXT]";
        return std::nullopt;
    }
    const std::string_view mode = argv[1];
    if (mode != "pages" && mode != "big") {
        error = "unknown mode: " + std::string(mode);
        return std::nullopt;
    }
    o.big = mode == "big";
    o.target = argv[2];
    for (int i = 3; i < argc; i += 2) {
        const std::string_view name = argv[i];
        if (i + 1 >= argc) {
            error = "missing value after " + std::string(name);
            return std::nullopt;
        }
        const std::string_view value = argv[i + 1];
        bool ok = true;
        if (name == "--count")
            ok = toNumber(value, o.count);
        else if (name == "--min-bytes")
            ok = toNumber(value, o.minBytes);
        else if (name == "--max-bytes")
            ok = toNumber(value, o.maxBytes);
        else if (name == "--mib")
            ok = toNumber(value, o.mib);
        else if (name == "--seed")
            ok = toNumber(value, o.seed);
        else if (name == "--literal")
            o.literal = value;
        else {
            error = "unknown option: " + std::string(name);
            return std::nullopt;
        }
        if (!ok) {
            error = "not a number: " + std::string(value);
            return std::nullopt;
        }
    }
    if (o.literal.size() < 2) {
        error = "the literal needs at least two characters";
        return std::nullopt;
    }
    if (o.minBytes < 512 || o.maxBytes < o.minBytes) {
        error = "need 512 <= min-bytes <= max-bytes";
        return std::nullopt;
    }
    return o;
}

}  // namespace lexmill
