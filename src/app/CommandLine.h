#pragma once

#include "AppOptions.h"

#include <cstdio>

namespace velkora::app {

// Runs the command of the options ("test", "script" or "propose") without any window, on the database
// of the options (an SQLite file is created with the sample on first use, as the screen does).
// The result goes to out, notes and failures (with the reason) to err. Returns the exit code:
// test 0 clean, 1 the file has errors or lines without a single line type, 2 the test could
// not run; script 0, or 2 when it could not be made; propose 0 proposed (and saved), 2 the file
// could not be read or the database failed, 3 the key is not valid or taken (nothing saved).
// A proposal that is not saved opens no database. Needs a QCoreApplication.
int runCommand(const AppOptions &options, std::FILE *out, std::FILE *err);

// Answers what needs no window on the terminal: help, the version, a command line that could not
// be read (exit code 2), or the command (runCommand on standard output and error).
int answerOnTerminal(const AppOptions &options);

// The application's and organisation's names, which settings and data folders follow.
void nameApplication();

} // namespace velkora::app
