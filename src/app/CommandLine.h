#pragma once

#include "AppOptions.h"

#include <cstdio>

namespace velkora::app {

// Runs the command of the options ("test" or "script") without any window, on the database
// of the options (an SQLite file is created with the sample on first use, as the screen does).
// The result goes to out, notes and failures (with the reason) to err. Returns the exit code:
// test 0 clean, 1 the file has errors or lines without a single line type, 2 the test could
// not run; script 0, or 2 when it could not be made. Needs a QCoreApplication.
int runCommand(const AppOptions &options, std::FILE *out, std::FILE *err);

} // namespace velkora::app
