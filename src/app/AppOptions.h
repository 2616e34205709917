#pragma once

#include <QString>
#include <QStringList>

namespace velkora::app {

// The host application's options: the command line first, then the environment variables
// VELKORA_DATABASE and VELKORA_OPERATOR, then the defaults.
//   velkora [options]                      opens the screen
//   velkora [options] test KEY [FILE] [--json]   tests a stored load format, without a window
//   velkora [options] script KEY           prints the script of a stored load format
struct AppOptions {
    enum class Command { Screen, Test, Script };

    QString database;        // a location for services::openDatabase
    QString operatorCode;    // the signed-in operator
    bool initialise = false; // create the schema (and sample) on an empty database
    bool help = false;
    QString error; // not empty when the command line could not be read

    Command command = Command::Screen;
    QString key;       // test, script: the load format's key
    QString file;      // test: the file to test instead of the format's own
    bool json = false; // test: the result as JSON

    static AppOptions parse(const QStringList &arguments);
    static QString helpText();
    static QString signedInUser();
    // Whether the arguments name a command ("test" or "script") that runs without a window;
    // a cheap look before any application object exists.
    static bool namesCommand(const QStringList &arguments);
};

} // namespace velkora::app
