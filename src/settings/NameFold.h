#pragma once

#include <string>
#include <string_view>

namespace lexmill {

// The form under which key and value names are compared: each UTF-8 character
// takes its Unicode simple case folding ("Options", "OPTIONS" and "options"
// agree, so do "Ärger" and "ärger"); bytes that are not valid UTF-8 stay as
// they are.
std::string foldName(std::string_view name);

}  // namespace lexmill
