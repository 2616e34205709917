#include "AppOptions.h"
#include "CommandLine.h"

#include <QCoreApplication>
#include <climits>
#include <cstdio>
#include <dlfcn.h>
#include <string>
#include <unistd.h>

using velkora::app::AppOptions;

namespace {

const char ScreenHostLibrary[] = "libvelkora_screen_host.so";

// The folder of the running executable; empty when it cannot be read.
std::string executableFolder()
{
    char path[PATH_MAX];
    const ssize_t size = readlink("/proc/self/exe", path, sizeof path - 1);
    if (size <= 0)
        return {};
    const std::string whole(path, size_t(size));
    return whole.substr(0, whole.rfind('/'));
}

// The library that carries the window, from the folder of the executable's private libraries
// (installed, then the build tree's); the run path would find it too, but not when the call
// goes through a sanitizer's runtime. Null with *error set when it cannot be loaded.
void *openScreenHost(std::string *error)
{
    const std::string folder = executableFolder();
    if (!folder.empty()) {
        for (const char *relative : {VELKORA_LIBDIR_FROM_BINDIR, VELKORA_BUILD_LIBDIR_FROM_BINDIR}) {
            const std::string path = folder + '/' + relative + '/' + ScreenHostLibrary;
            if (access(path.c_str(), F_OK) != 0)
                continue;
            if (void *host = dlopen(path.c_str(), RTLD_LAZY))
                return host;
            *error = dlerror();
            return nullptr;
        }
    }
    void *host = dlopen(ScreenHostLibrary, RTLD_LAZY);
    if (!host)
        *error = dlerror();
    return host;
}

// The host's window, help and version included, from the library that carries it.
int runScreen(int &argc, char *argv[])
{
    std::string error;
    void *host = openScreenHost(&error);
    using Entry = int (*)(int *, char **);
    const auto entry = host ? reinterpret_cast<Entry>(dlsym(host, "velkora_run_screen")) : nullptr;
    if (!entry) {
        if (host)
            error = dlerror();
        std::fprintf(stderr, "velkora: the screen cannot be opened: %s\n", error.c_str());
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
