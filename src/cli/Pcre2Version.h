#pragma once

#include <string>

namespace lexmill::cli {

// "PCRE2 10.42 (JIT)": the version of the PCRE2 library loaded, and whether
// it can compile patterns to machine code. A line of --version.
std::string Pcre2VersionLine();

}  // namespace lexmill::cli
