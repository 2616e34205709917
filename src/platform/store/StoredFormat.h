#pragma once

#include "formats/LoadFormatTest.h"
#include "host/Connection.h"

#include <QSqlDatabase>
#include <QString>
#include <functional>

namespace velkora::store {

// The file that a load format's Ly_Archivo names: "~/" is the home folder; an absolute path
// stands as it is; a relative name is taken from the folder of the SQLite database file (where
// Velkora writes the sample file), or from the current folder on a database server.
QString resolveFormatFile(const QSqlDatabase &db, const QString &file);

// Tests the load format stored under the key on the file given, or on its own Ly_Archivo when
// file is empty. When the test cannot run (no such key, no file name, no such file, an
// unreadable file, a failing read of the tables) the report did not run and its error says
// which.
formats::TestReport testStoredFormat(const QSqlDatabase &db, const QString &key,
                                     const QString &file, const formats::TestOptions &options = {});

// The script of the rows that a select selects, as INSERT statements into the table
// (host::ToolServices::ScriptRows, ScriptWriter::scriptRows).
using ScriptRows = std::function<QString(const QString &select, const QString &table)>;

// The one script of a stored load format, the text that the screen's Script and the command
// line's script both show: the key's Layout rows, CR LF, its Layout_Detalle rows, CR LF and,
// on a database with the table of rules, its Layout_Regla rows and CR LF (a change from the
// screen's original two-part script). Every line ends in CR LF. The three selects
// (scriptLayoutSelect and the others) run in one read transaction on the connection,
// so the parts are of one save. A failure raises what `rows` or the connection raise, after
// the transaction is rolled back.
QString storedFormatScript(const std::function<kesta::host::ConnectionPtr()> &connection,
                           const QString &key, const ScriptRows &rows);
// The same over an open Qt SQL connection, with ScriptWriter::scriptRows. Raises FormatsError.
QString storedFormatScript(const QSqlDatabase &db, const QString &key);

} // namespace velkora::store
