#pragma once

namespace lexmill {

// The program's version: "0.3.0", or "0.3.0+git1a2b3c4" for a build from a
// git checkout (the commit built). Every program prints it for --version.
extern const char* const kVersion;

}  // namespace lexmill
