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
    bool version = false;
    QString error; // not empty when the command line could not be read
    // Options unknown here: Qt's own (-platform, -style...) before QApplication takes them out,
    // or mistakes.
    QStringList unknownOptions;

    Command command = Command::Screen;
    QString key;       // test, script: the load format's key
    QString file;      // test: the file to test instead of the format's own
    bool json = false; // test: the result as JSON

    static AppOptions parse(const QStringList &arguments);
    static QString helpText();
    static QString versionText(); // "velkora 1.0" and a line break
    static QString signedInUser();

    // Whether these options open the screen; help, the version, the commands and a command
    // line that could not be read are answered on the terminal, without a window.
    bool opensScreen() const;
};

} // namespace velkora::app
