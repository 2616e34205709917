#pragma once

#include "formats/LoadFormat.h"

#include <QHash>
#include <QStringList>
#include <QVariant>

#include <array>

namespace velkora::store {

// What the rows of a stored format hold beyond the LoadFormat value's members, as read, so that
// a caller that shows them (the screen) shows and writes back what is there. A NULL is a null
// QVariant; numbers are the database's exact text; dates and stamps as the driver gives them.
struct StoredColumns {
    std::array<QVariant, 6> userData; // Ly_UserDef_1 .. Ly_UserDef_6 of the header's row
    QVariant createdOn;               // Fecha_Alta
    QVariant modifiedOn;              // Fecha_Ult_Modif
    QVariant deactivatedOn;           // Fecha_Baja
    QString createdBy;                // Oper_Alta
    QString modifiedBy;               // Oper_Ult_Modif
    QString deactivatedBy;            // Oper_Baja
    // The columns read as NULL, by row: lineRow(order) for a Layout row (Ly_Posicion,
    // Ly_Longitud), fieldRow(order, id) for a Layout_Detalle row (Ld_Descripcion, Ld_Posicion,
    // Ld_Longitud, Ld_Tipo, Ld_Valor, Ld_Formato, Ld_Trim, Ly_ID, in that order). Rows
    // without a NULL are not listed.
    QHash<QString, QStringList> nullColumns;
    // Ld_Trim as stored where it is neither "SI" nor "NO", by fieldRow(order, id).
    QHash<QString, QString> trimTexts;
    // A position or length as stored where it is not a whole number (a SQLite file takes any
    // text into a number column), by numberCell(row, column): the screen shows it as it is and
    // the save refuses it, instead of a 0 the user never typed.
    QHash<QString, QString> numberTexts;

    static QString lineRow(const QString &order) { return order; }
    static QString fieldRow(const QString &order, const QString &id)
    {
        return order + QLatin1Char('/') + id;
    }
    static QString numberCell(const QString &row, const QString &column)
    {
        return row + QLatin1Char('|') + column;
    }
    friend bool operator==(const StoredColumns &, const StoredColumns &) = default;
};

// The complete stored load format, as the one reader reads it: the value that the test, the
// export and the proposal use, and the rest of its rows as read (the six user data, NULLs
// kept; the audit and deactivation columns; the columns read as NULL; odd Ld_Trim texts). The
// fields keep the numbers they are stored under (FieldDef::id).
struct StoredLoadFormat {
    formats::LoadFormat format;
    StoredColumns stored;
    friend bool operator==(const StoredLoadFormat &, const StoredLoadFormat &) = default;
};

} // namespace velkora::store
