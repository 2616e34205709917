#pragma once

#include <QString>
#include <QStringList>

namespace velkora::app {

// The host application's options: the command line first, then the environment variables
// VELKORA_DATABASE and VELKORA_OPERATOR, then the defaults.
//   velkora [options]                      opens the screen
//   velkora [options] test KEY [FILE] [--json]   tests a stored load format, without a window
//   velkora [options] script KEY           prints the script of a stored load format
//   velkora [options] propose FILE [--json] [--key KEY --save]   proposes a load format from a
//                                          file, and stores it as a new one under KEY
//   velkora [options] export KEY [FILE] (--csv DIR | --jsonl)   the test's reading of a file
//   velkora --database LOCATION --upgrade  adds to an older database what it lacks
struct AppOptions {
    enum class Command { Screen, Test, Script, Propose, Export, Upgrade };

    QString database;        // a location for store::openDatabase
    QString operatorCode;    // the signed-in operator
    bool initialise = false; // create the schema (and sample) on an empty database
    bool help = false;
    bool version = false;
    QString error; // not empty when the command line could not be read
    // Options unknown here: Qt's own (-platform, -style...) before QApplication takes them out,
    // or mistakes.
    QStringList unknownOptions;

    Command command = Command::Screen;
    QString key;        // test, script: the load format's key; propose: the key to save under
    QString file;       // test: the file to test instead of the format's own; propose: the file
    bool json = false;  // test, propose: the result as JSON
    bool save = false;  // propose: store the proposal as a new load format under key
    QString csvDir;     // export: the folder of the CSV files
    bool jsonl = false; // export: one JSON object per line on standard output

    static AppOptions parse(const QStringList &arguments);
    static QString helpText();
    static QString versionText(); // "velkora 1.0" and a line break
    static QString signedInUser();

    // Whether these options open the screen; help, the version, the commands and a command
    // line that could not be read are answered on the terminal, without a window.
    bool opensScreen() const;
};

} // namespace velkora::app
