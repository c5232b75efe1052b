#pragma once

// PCRE2 as the regular expression parts of the engine use it; no other part
// includes this header.
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cstdint>
#include <memory>
#include <string>

namespace lexmill {

struct RegexImpl {
    pcre2_code* code = nullptr;
    std::unique_ptr<unsigned char[]> tables;  // Windows-1252's case pairs; the code points at them
    bool utf = false;
    bool anchored = false;     // matches only where a search starts (\G, (*ANCHORED))
    std::uint32_t groups = 0;  // capturing groups

    ~RegexImpl() { pcre2_code_free(code); }
};

// PCRE2's text for an error code.
std::string pcre2Message(int code);

// What matching needs besides the pattern, kept from one file to the next on
// the thread that scans: the match data, a match limit, the JIT stack.
class RegexWork {
  public:
    RegexWork();
    ~RegexWork();
    RegexWork(const RegexWork&) = delete;
    RegexWork& operator=(const RegexWork&) = delete;

    // Match data with room for the groups of `impl`.
    pcre2_match_data* data(const RegexImpl& impl);
    pcre2_match_context* context() const { return context_; }

  private:
    pcre2_match_context* context_;
    pcre2_jit_stack* stack_;
    pcre2_match_data* data_ = nullptr;
    std::uint32_t room_ = 0;
};

}  // namespace lexmill
