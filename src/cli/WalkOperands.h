#pragma once

#include "Arguments.h"

namespace lexmill::cli {

// With --recursive, replaces each folder among a.files by the files the walk
// finds in it, in place; other names stay as given. Reports each folder that
// cannot be read on standard error and returns false when there was one.
bool WalkOperands(Arguments& a);

}  // namespace lexmill::cli
