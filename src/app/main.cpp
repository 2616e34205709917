#include "AppOptions.h"
#include "CommandLine.h"
#include "DatabaseSetup.h"
#include "MainWindow.h"

#include "host/RuntimeError.h"
#include "services/Database.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>

using velkora::app::AppOptions;

namespace {

// "velkora test ..." and "velkora script ...": no window, no display, no component.
int runWithoutWindow(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velkora"));
    QCoreApplication::setOrganizationName(QStringLiteral("Velkora"));
    const AppOptions options = AppOptions::parse(QCoreApplication::arguments());
    if (options.help) {
        std::fputs(qPrintable(AppOptions::helpText()), stdout);
        return 0;
    }
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "velkora: %s\n%s", qPrintable(options.error),
                     qPrintable(AppOptions::helpText()));
        return 2;
    }
    return velkora::app::runCommand(options, stdout, stderr);
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (AppOptions::namesCommand(arguments))
        return runWithoutWindow(argc, argv);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velkora"));
    QApplication::setOrganizationName(QStringLiteral("Velkora"));

    const AppOptions options = AppOptions::parse(QApplication::arguments());
    if (options.help) {
        std::fputs(qPrintable(AppOptions::helpText()), stdout);
        return 0;
    }
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "velkora: %s\n%s", qPrintable(options.error),
                     qPrintable(AppOptions::helpText()));
        return 2;
    }

    // The component's services library reads these, whichever host loads it.
    qputenv("VELKORA_DATABASE", options.database.toUtf8());
    qputenv("VELKORA_OPERATOR", options.operatorCode.toUtf8());

    auto fail = [](const QString &text) {
        std::fprintf(stderr, "velkora: %s\n", qPrintable(text));
        QMessageBox::critical(nullptr, QStringLiteral("Velkora"), text);
        return 1;
    };

    try {
        const auto setup = velkora::app::DatabaseSetup::open(
            QString::fromLatin1(velkora::services::DefaultConnectionName), options.database,
            options.initialise);
        if (setup.created)
            std::fprintf(stderr, "velkora: created the database %s with a sample load format "
                                 "(key 0001) and its sample file in %s\n",
                         qPrintable(velkora::services::displayLocation(options.database)),
                         qPrintable(setup.sampleDir));
    } catch (const kesta::host::RuntimeError &error) {
        return fail(error.description());
    }

    velkora::app::MainWindow window;
    QString error;
    if (!window.openScreen(&error))
        return fail(error);
    window.show();
    return QApplication::exec();
}
