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

void nameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("velkora"));
    QCoreApplication::setOrganizationName(QStringLiteral("Velkora"));
}

// Help, the version, a command line that could not be read, "velkora test ..." and
// "velkora script ...": answered on the terminal, without the screen.
int answerOnTerminal(const AppOptions &options)
{
    if (options.help) {
        std::fputs(qPrintable(AppOptions::helpText()), stdout);
        return 0;
    }
    if (options.version) {
        std::fputs(qPrintable(AppOptions::versionText()), stdout);
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
    // What needs no window runs without a display. Qt's own options (-platform, -style...) are
    // only taken out by QApplication, so a command line with unknown options goes through it.
    const AppOptions early = AppOptions::parse(arguments);
    if (!early.opensScreen() && early.unknownOptions.isEmpty()) {
        QCoreApplication app(argc, argv);
        nameApplication();
        return answerOnTerminal(AppOptions::parse(QCoreApplication::arguments()));
    }

    QApplication app(argc, argv);
    nameApplication();
    // The window belongs to the desktop menu's entry (velkora.desktop).
    QGuiApplication::setDesktopFileName(QStringLiteral("velkora"));

    const AppOptions options = AppOptions::parse(QApplication::arguments());
    if (!options.opensScreen())
        return answerOnTerminal(options);

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
            std::fprintf(stderr,
                         "velkora: created the database %s with a sample load format "
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
