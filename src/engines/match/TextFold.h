#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lexmill {

// How the bytes of a file are read as characters.
enum class Charset { Utf8, Windows1252 };

// Lower-cases text without changing its length in bytes, so that a position in
// the folded text is the same position in the original. In UTF-8 a character
// takes its simple lower-case mapping only where that keeps its byte length;
// other characters and invalid bytes stay as they are.
class CaseFolder {
  public:
    explicit CaseFolder(Charset charset) : charset_(charset) {}

    Charset charset() const { return charset_; }

    // Folds in[0, n) into out (which has room for n bytes). When `final` is
    // false, an incomplete UTF-8 sequence at the end is left unfolded, since
    // the next piece of the stream may complete it. Returns the bytes folded.
    std::size_t fold(const char* in, std::size_t n, char* out, bool final) const;

    std::string fold(std::string_view text) const;

    // Lower-cases the ASCII letters of in[0, n) into out and nothing else. For
    // a needle of ASCII characters this is all the folding a search needs: no
    // other character folds to ASCII, nor ASCII to another.
    static void foldAscii(const char* in, std::size_t n, char* out);

  private:
    Charset charset_;
};

// Unicode's simple case folding of one code point (the order of names).
char32_t simpleCaseFold(char32_t cp);

}  // namespace lexmill
