#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lexmill {

// The order of the file list: names compared ignoring case (Unicode simple
// case folding, invalid bytes read as U+FFFD), then by their bytes, so two
// names never tie. The window's list and the folder walk share it.
std::u32string NameSortKey(std::string_view name);

// The positions of `names` (bytes) in that order.
std::vector<std::size_t> NamesInOrder(const std::vector<std::string>& names);

// Sorts `names` in that order.
void SortNames(std::vector<std::string>& names);

}  // namespace lexmill
