#include "ScreenHost.h"

#include "CommandLine.h"
#include "DatabaseSetup.h"
#include "MainWindow.h"
#include "SpanishLocale.h"

#include "host/RuntimeError.h"
#include "store/Database.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>

namespace velkora::app {

int runScreen(int &argc, char *argv[])
{
    QApplication app(argc, argv);
    nameApplication();
    // The window belongs to the desktop menu's entry (velkora.desktop).
    QGuiApplication::setDesktopFileName(QStringLiteral("velkora"));
    SpanishLocale::apply(app);

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
        const auto setup = DatabaseSetup::open(QString::fromLatin1(store::DefaultConnectionName),
                                               options.database, options.initialise);
        if (setup.created)
            std::fprintf(stderr,
                         "velkora: created the database %s with a sample load format "
                         "(key 0001) and its sample file in %s\n",
                         qPrintable(store::displayLocation(options.database)),
                         qPrintable(setup.sampleDir));
    } catch (const kesta::host::RuntimeError &error) {
        return fail(error.description());
    }

    MainWindow window;
    QString error;
    if (!window.openScreen(&error))
        return fail(error);
    window.show();
    return QApplication::exec();
}

} // namespace velkora::app
