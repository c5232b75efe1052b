// Writes, as C++, ICU's simple lower-case mappings that keep a character's
// length in UTF-8 (the only ones text folding uses), and its simple case
// folding (the order of names). Run at build time, so that the engines need
// no ICU when they run.
#include <unicode/uchar.h>

#include <cstdio>

namespace {

int encodedLength(UChar32 cp) {
    return cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
}

}  // namespace

int main() {
    std::printf("// Made by lexmill-lowercase-gen from ICU %s; do not edit.\n", U_ICU_VERSION);
    std::printf("constexpr char32_t kLowerCasePairs[][2] = {\n");
    for (UChar32 cp = 0; cp <= 0x10FFFF; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF) continue;
        const UChar32 lower = u_tolower(cp);
        if (lower != cp && encodedLength(lower) == encodedLength(cp))
            std::printf("    {0x%X, 0x%X},\n", static_cast<unsigned>(cp),
                        static_cast<unsigned>(lower));
    }
    std::printf("};\n");
    std::printf("constexpr char32_t kCaseFoldPairs[][2] = {\n");
    for (UChar32 cp = 0; cp <= 0x10FFFF; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF) continue;
        const UChar32 folded = u_foldCase(cp, U_FOLD_CASE_DEFAULT);
        if (folded != cp)
            std::printf("    {0x%X, 0x%X},\n", static_cast<unsigned>(cp),
                        static_cast<unsigned>(folded));
    }
    std::printf("};\n");
    return std::fflush(stdout) == 0 ? 0 : 1;
}
