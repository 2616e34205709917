#pragma once

#include "host/Connection.h"
#include "store/SqlConnection.h"

#include <QString>

namespace velkora::store {

using kesta::host::Engine;

// An expression that orders a text column by its number: "0010" before "0100" and "1010"
// before "10000". Values that are not whole numbers sort apart (after them, or before them
// on SQL Server, which puts NULL first); the caller adds the column itself as a tie-breaker.
QString numericOrderExpression(Engine engine, const QString &column);

} // namespace velkora::store
