#pragma once

#include "LoadFormat.h"

#include <QSqlDatabase>
#include <optional>

namespace velkora::formats {

// Reads a stored load format from the tables Layout and Layout_Detalle of an open connection.
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
    QSqlDatabase m_db;
};

} // namespace velkora::formats
