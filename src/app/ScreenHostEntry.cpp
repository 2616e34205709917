// The entry that libvelkora_screen_host.so exports to the executable.

#include "ScreenHost.h"

#include <QtGlobal>

extern "C" Q_DECL_EXPORT int velkora_run_screen(int *argc, char **argv)
{
    return velkora::app::runScreen(*argc, argv);
}
