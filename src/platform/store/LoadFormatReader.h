#pragma once

#include "formats/LoadFormat.h"

#include <QSqlDatabase>
#include <optional>

namespace velkora::formats {

// Reads a stored load format from the tables Layout, Layout_Detalle and Layout_Regla of an open
// connection, in one read transaction (when the caller has none open). A database without the
// table of rules gives a format whose rules are not available (LoadFormat::rulesAvailable).
// The key is bound, never pasted into the statement. Line types come in the numeric order of
// Ly_ID and fields in the numeric order of Ld_ID ("1010" before "10000"), which the statements
// ask of the engine. The header is the first line type's row.
class LoadFormatReader {
public:
    explicit LoadFormatReader(QSqlDatabase db);

    // The load format, or nothing when the key has no Layout row. A failing statement raises
    // FormatsError with the database's text.
    std::optional<LoadFormat> read(const QString &key) const;

private:
    std::optional<LoadFormat> readFormat(const QString &key) const;

    QSqlDatabase m_db;
};

// Whether the connection's database has the table of rules, Layout_Regla.
bool hasRulesTable(const QSqlDatabase &db);

} // namespace velkora::formats
