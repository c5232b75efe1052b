#pragma once

#include "Arguments.h"

namespace lexmill::cli {

// With --recursive, replaces each folder among a.files by the files the walk
// finds in it, in place; other names stay as given. Reports each folder that
// cannot be read on standard error and returns false when there was one.
bool WalkOperands(Arguments& a);

// "1,857": a count in a message for people.
std::string grouped(std::size_t n);

// The folder a run over the operands works on, as its record keeps it (ending
// in "/"): the folder all of them lie in, a folder operand counting as itself
// when `recursive` (otherwise no operand is looked at on disk).
std::string RunFolder(const std::vector<std::string>& operands, bool recursive);

}  // namespace lexmill::cli
