#include "match/RegexPattern.h"

#include <algorithm>
#include <cstring>

#include "match/RegexImpl.h"

namespace lexmill {
namespace {

// A pattern that needs more than this many steps at one place has run into
// catastrophic backtracking; it fails the file within milliseconds.
constexpr std::uint32_t kMatchLimit = 1'000'000;
constexpr std::uint32_t kHeapLimitKib = 16 * 1024;

// The layout pcre2_maketables() gives: lower case, flipped case, class bits, types.
constexpr std::size_t kLowerCase = 0, kFlipCase = 256;

std::string pcreMessage(int code) {
    PCRE2_UCHAR text[256];
    const int n = pcre2_get_error_message(code, text, sizeof text);
    return n < 0 ? "PCRE2 error " + std::to_string(code)
                 : std::string(reinterpret_cast<char*>(text));
}

// PCRE2's tables for the "C" locale, with the case pairs of Windows-1252 in
// place of the locale's.
std::unique_ptr<unsigned char[]> windows1252Tables() {
    const std::uint8_t* made = pcre2_maketables(nullptr);
    if (!made) throw std::bad_alloc();
    auto tables = std::make_unique<unsigned char[]>(1088);
    std::memcpy(tables.get(), made, 1088);
    pcre2_maketables_free(nullptr, made);
    const CaseFolder folder(Charset::Windows1252);
    for (int c = 0; c < 256; ++c) tables[kLowerCase + c] = tables[kFlipCase + c] = c;
    for (int c = 0; c < 256; ++c) {
        const char byte = static_cast<char>(c);
        const auto lower = static_cast<unsigned char>(folder.fold(std::string_view(&byte, 1))[0]);
        if (lower == c) continue;
        tables[kLowerCase + c] = lower;
        tables[kFlipCase + c] = lower;
        tables[kFlipCase + lower] = static_cast<unsigned char>(c);
    }
    return tables;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

RegexReplacement parseReplacement(std::string_view text, const RegexImpl& impl) {
    RegexReplacement r;
    auto literal = [&](std::string_view bytes) {
        if (r.pieces.empty() || r.pieces.back().group >= 0) r.pieces.push_back({});
        r.pieces.back().text += bytes;
    };
    auto group = [&](int number, std::size_t at) {
        if (static_cast<std::uint32_t>(number) > impl.groups)
            throw PatternError(
                "The replacement refers to group " + std::to_string(number) + " at offset " +
                    std::to_string(at) + ", but the pattern has " +
                    (impl.groups == 0 ? std::string("no groups.")
                                      : "only " + std::to_string(impl.groups) +
                                            (impl.groups == 1 ? " group." : " groups.")),
                at, true);
        r.pieces.push_back({{}, number});
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (c == '\\' && std::strchr("nrt\\", next) && next) {
            literal(next == 'n' ? "\n" : next == 'r' ? "\r" : next == 't' ? "\t" : "\\");
            ++i;
        } else if (c == '$' && next == '$') {
            literal("$");
            ++i;
        } else if (c == '$' && isDigit(next)) {
            std::size_t end = i + 2;
            if (end < text.size() && isDigit(text[end])) ++end;
            group(std::stoi(std::string(text.substr(i + 1, end - i - 1))), i);
            i = end - 1;
        } else if (c == '$' && next == '{' && text.find('}', i) != std::string_view::npos) {
            const std::size_t close = text.find('}', i);
            const std::string name(text.substr(i + 2, close - i - 2));
            if (!name.empty() && name.size() <= 2 &&
                std::all_of(name.begin(), name.end(), isDigit)) {
                group(std::stoi(name), i);
            } else {
                const int number = pcre2_substring_number_from_name(
                    impl.code, reinterpret_cast<PCRE2_SPTR>(name.c_str()));
                if (number < 0)
                    throw PatternError("The replacement refers to no group named \"" + name +
                                           "\" at offset " + std::to_string(i) + ".",
                                       i, true);
                group(number, i);
            }
            i = close;
        } else {
            literal(std::string_view(&c, 1));
        }
    }
    return r;
}

}  // namespace

RegexPattern::RegexPattern(std::string_view pattern, std::string_view replacement, bool matchCase,
                           Charset charset)
    : impl_(std::make_unique<RegexImpl>()) {
    pcre2_compile_context* compile = pcre2_compile_context_create(nullptr);
    if (!compile) throw std::bad_alloc();
    pcre2_set_newline(compile, PCRE2_NEWLINE_ANYCRLF);
    std::uint32_t options = PCRE2_MULTILINE;
    if (!matchCase) options |= PCRE2_CASELESS;
    impl_->utf = charset == Charset::Utf8;
    if (impl_->utf) {
        options |= PCRE2_UTF | PCRE2_UCP | PCRE2_MATCH_INVALID_UTF;
    } else {
        options |= PCRE2_NEVER_UTF;
        impl_->tables = windows1252Tables();
        pcre2_set_character_tables(compile, impl_->tables.get());
    }
    int error = 0;
    PCRE2_SIZE offset = 0;
    impl_->code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                options, &error, &offset, compile);
    pcre2_compile_context_free(compile);
    if (!impl_->code) throw PatternError(pcreMessage(error), offset);
    // Without JIT (a machine PCRE2 has none for) the interpreter does the same work.
    pcre2_jit_compile(impl_->code, PCRE2_JIT_COMPLETE | PCRE2_JIT_PARTIAL_HARD);
    pcre2_pattern_info(impl_->code, PCRE2_INFO_CAPTURECOUNT, &impl_->groups);
    std::uint32_t all = 0;
    pcre2_pattern_info(impl_->code, PCRE2_INFO_ALLOPTIONS, &all);
    impl_->anchored = (all & PCRE2_ANCHORED) != 0;
    std::uint32_t behind = 0;
    pcre2_pattern_info(impl_->code, PCRE2_INFO_MAXLOOKBEHIND, &behind);
    // One character more than the pattern looks back, so that the kept bytes
    // never begin where a lookbehind could take them for the start of the file.
    lookbehindBytes_ = (behind + 1) * (impl_->utf ? 4 : 1);
    replacement_ = parseReplacement(replacement, *impl_);
}

RegexPattern::~RegexPattern() = default;

void checkPattern(std::string_view pattern, std::string_view replacement, bool matchCase,
                  Charset charset) {
    RegexPattern(pattern, replacement, matchCase, charset);
}

const RegexPattern& PatternCache::get(std::string_view pattern, std::string_view replacement,
                                      bool matchCase, Charset charset) {
    if (!pattern_ || pattern != text_ || replacement != replacement_ || matchCase != matchCase_ ||
        charset != charset_) {
        pattern_.reset();
        pattern_ = std::make_unique<RegexPattern>(pattern, replacement, matchCase, charset);
        text_ = pattern, replacement_ = replacement, matchCase_ = matchCase, charset_ = charset;
    }
    return *pattern_;
}

RegexWork::RegexWork()
    : context_(pcre2_match_context_create(nullptr)),
      stack_(pcre2_jit_stack_create(32 * 1024, 8 * 1024 * 1024, nullptr)) {
    if (!context_ || !stack_) {
        pcre2_jit_stack_free(stack_);
        pcre2_match_context_free(context_);
        throw std::bad_alloc();
    }
    pcre2_set_match_limit(context_, kMatchLimit);
    pcre2_set_heap_limit(context_, kHeapLimitKib);
    pcre2_jit_stack_assign(context_, nullptr, stack_);
}

RegexWork::~RegexWork() {
    pcre2_match_data_free(data_);
    pcre2_jit_stack_free(stack_);
    pcre2_match_context_free(context_);
}

pcre2_match_data* RegexWork::data(const RegexImpl& impl) {
    if (!data_ || room_ < impl.groups + 1) {
        pcre2_match_data_free(data_);
        room_ = std::max<std::uint32_t>(impl.groups + 1, 10);
        data_ = pcre2_match_data_create(room_, nullptr);
        if (!data_) throw std::bad_alloc();
    }
    return data_;
}

std::string pcre2Message(int code) {
    return pcreMessage(code);
}

}  // namespace lexmill
