#pragma once

namespace velkora::app {

// The host with its window: the application object, the options read again after Qt has taken
// its own out (-platform, -style...), the database opened (SQLite created with the sample on
// first use), the KESTA screen loaded into the main window and the event loop until the window
// closes. Help, the version and a command line that could not be read are answered on the
// terminal. Returns the exit code.
int runScreen(int &argc, char *argv[]);

} // namespace velkora::app

// The same entry, as the library that carries the window (libvelkora_screen_host.so) exports
// it to the executable, which loads that library only when the screen is asked for: the
// commands that run without a window never load the window libraries.
extern "C" int velkora_run_screen(int *argc, char **argv);
