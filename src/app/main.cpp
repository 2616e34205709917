#include "AppOptions.h"
#include "CommandLine.h"

#include <QCoreApplication>
#include <cstdio>
#include <dlfcn.h>

using velkora::app::AppOptions;

namespace {

// The host's window, help and version included, from the library that carries it: found, like
// the executable's other libraries, through the executable's run path.
int runScreen(int &argc, char *argv[])
{
    void *host = dlopen("libvelkora_screen_host.so", RTLD_LAZY);
    using Entry = int (*)(int *, char **);
    const auto entry = host ? reinterpret_cast<Entry>(dlsym(host, "velkora_run_screen")) : nullptr;
    if (!entry) {
        std::fprintf(stderr, "velkora: the screen cannot be opened: %s\n", dlerror());
        return 1;
    }
    return entry(&argc, argv);
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // What needs no window runs without a display and without the window libraries: this
    // executable links Qt Core, Qt Sql and the load-format test alone. Qt's own options
    // (-platform, -style...) are only taken out by QApplication, so a command line with unknown
    // options goes through the window's host.
    const AppOptions early = AppOptions::parse(arguments);
    if (!early.opensScreen() && early.unknownOptions.isEmpty()) {
        QCoreApplication app(argc, argv);
        velkora::app::nameApplication();
        return velkora::app::answerOnTerminal(AppOptions::parse(QCoreApplication::arguments()));
    }
    return runScreen(argc, argv);
}
