#pragma once

#include "formats/LoadFormat.h"

#include <QSqlDatabase>
#include <QString>

namespace velkora::store {

// What a test of a stored load format reads: the format and its file, or why the test cannot
// run. It lets a caller read the tables on the connection's own thread and read the file on
// another one.
struct StoredTestTarget {
    bool ok = false;
    QString error; // why the test cannot run, in the words of testStoredFormat
    formats::LoadFormat format;
    QString path; // the file, resolved as resolveFormatFile() does
};

// The load format stored under the key and the file it is tested on: `file` when given, else
// the format's Ly_Archivo. Fails as testStoredFormat does before it reads the file (no key, no
// such key, no file name, a failing read of the tables); never raises.
StoredTestTarget storedTestTarget(const QSqlDatabase &db, const QString &key, const QString &file);

} // namespace velkora::store
