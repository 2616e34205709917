#pragma once

#include <QString>
#include <QStringList>

namespace velkora::app {

// The host application's options: the command line first, then the environment variables
// VELKORA_DATABASE and VELKORA_OPERATOR, then the defaults.
struct AppOptions {
    QString database;      // a location for services::openDatabase
    QString operatorCode;  // the signed-in operator
    bool initialise = false; // create the schema (and sample) on an empty database
    bool help = false;
    QString error;         // not empty when the command line could not be read

    static AppOptions parse(const QStringList &arguments);
    static QString helpText();
    static QString signedInUser();
};

} // namespace velkora::app
