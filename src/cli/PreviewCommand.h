#pragma once

#include "Arguments.h"

namespace lexmill::cli {

// lexmill-batch --preview: prints the diff of what the run would write on
// standard output and the summary line last on standard error; writes no
// file. Returns the exit status: 1 when a file could not be read or was
// passed over, or standard output could not be written.
int runPreview(const Arguments& a);

}  // namespace lexmill::cli
