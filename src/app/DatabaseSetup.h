#pragma once

#include <QString>

namespace velkora::app {

// Opens the host's database and prepares it on first run: an SQLite database without the
// tables gets the schema and the sample load format (with its sample file beside the
// database); another engine gets them only when asked (initialise), since its schema is the
// database administrator's. An existing database's data is never touched.
// Raises kesta::host::RuntimeError with a clear text on failure.
class DatabaseSetup {
public:
    struct Result {
        bool created = false; // the schema and sample were created now
        QString sampleDir;    // where the sample file was written
    };
    static Result open(const QString &connectionName, const QString &location, bool initialise);
    static bool isSqliteLocation(const QString &location);
};

} // namespace velkora::app
