#pragma once

#include "formats/LoadFormatTest.h"

#include <QSqlDatabase>
#include <QString>

namespace velkora::formats {

// The file that a load format's Ly_Archivo names: "~/" is the home folder; an absolute path
// stands as it is; a relative name is taken from the folder of the SQLite database file (where
// Velkora writes the sample file), or from the current folder on a database server.
QString resolveFormatFile(const QSqlDatabase &db, const QString &file);

// Tests the load format stored under the key on the file given, or on its own Ly_Archivo when
// file is empty. When the test cannot run (no such key, no file name, no such file, an
// unreadable file, a failing read of the tables) the report did not run and its error says
// which.
TestReport testStoredFormat(const QSqlDatabase &db, const QString &key, const QString &file,
                            const TestOptions &options = {});

// The script of a stored load format: its Layout rows, a line break, its Layout_Detalle rows
// and a line break, and on a database with the table of rules its Layout_Regla rows and a line
// break, selected with the key as an escaped literal. Raises FormatsError.
QString storedFormatScript(const QSqlDatabase &db, const QString &key);

// The two statements of the script: "SELECT * FROM Layout WHERE Ly_Cve_Layout = 'key' " and
// the same on Layout_Detalle, with the key written as a literal of the engine.
QString layoutSelect(const QSqlDatabase &db, const QString &table, const QString &key);

} // namespace velkora::formats
