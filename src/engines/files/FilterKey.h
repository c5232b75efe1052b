#pragma once

#include <cstdint>

namespace lexmill {

// The key filter of the custom file pattern boxes (the main window's and the
// options dialog's): lets through the wildcards "*" and "?", the dot, the
// digits, the letters a to z in either case and Backspace (8). Returns the
// character code to use, and writes it back into `keyAscii`; 0 means the key
// is discarded. Keys that make no character (Tab, Enter, Esc) are the
// caller's to pass on before asking.
std::int16_t FilterKey(std::int16_t& keyAscii);

}  // namespace lexmill
