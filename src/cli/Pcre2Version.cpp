#include "Pcre2Version.h"

#include <cstdint>

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

namespace lexmill::cli {

std::string Pcre2VersionLine() {
    char text[64] = {};
    pcre2_config(PCRE2_CONFIG_VERSION, text);  // "10.42 2022-12-11"
    std::string version(text);
    version = version.substr(0, version.find(' '));
    std::uint32_t jit = 0;
    pcre2_config(PCRE2_CONFIG_JIT, &jit);
    return "PCRE2 " + version + (jit ? " (JIT)" : " (no JIT)");
}

}  // namespace lexmill::cli
