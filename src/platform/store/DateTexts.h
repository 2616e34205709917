#pragma once

#include "host/Connection.h"

#include <QDate>
#include <QDateTime>
#include <QString>

namespace velkora::store {

// Date and stamp texts that the engine reads unambiguously (ISO 8601, to the second):
// - SQLite and PostgreSQL: '2026-12-06' and '2026-12-06 10:30:15' (SQLite's own forms, so
//   its date functions and text comparisons work on them);
// - SQL Server: '20261206' and '2026-12-06T10:30:15', the two forms datetime reads alike
//   under every language and DATEFORMAT.
// An invalid date or stamp raises kesta::host::RuntimeError.
QString dateText(kesta::host::Engine engine, const QDate &date);
QString stampText(kesta::host::Engine engine, const QDateTime &stamp);

} // namespace velkora::store
