#pragma once

// Users' versions of one load format, as the concurrency tests save them with the writer and
// find them stored afterwards.

#include "store/Statements.h"
#include "support/TestDatabase.h"

namespace kesta::test {

// One user's version of a load format: its line numbers, two fields each, and a mark in every
// description that tells the versions apart.
struct Version {
    QString mark;
    QStringList lines;
};

inline QList<velkora::store::LayoutLineValues> lineRows(const QString &key, const Version &v)
{
    QList<velkora::store::LayoutLineValues> rows;
    for (const QString &order : v.lines) {
        velkora::store::LayoutLineValues row;
        row.key = key, row.description = v.mark, row.file = "f.txt", row.order = order;
        row.lineDescription = v.mark, row.lineId = order, row.position = "1", row.length = "4";
        row.user3 = "0", row.user4 = "0", row.date5 = "2026-12-06", row.date6 = "2026-12-06";
        row.stamp = "2026-12-06 10:00:00", row.operatorAlta = v.mark, row.operatorModif = v.mark;
        rows << row;
    }
    return rows;
}

inline QList<velkora::store::LayoutFieldValues> fieldRows(const QString &key, const Version &v)
{
    QList<velkora::store::LayoutFieldValues> rows;
    for (const QString &order : v.lines) {
        for (const char *id : {"0010", "0020"}) {
            velkora::store::LayoutFieldValues f;
            f.key = key, f.lineId = order, f.id = id, f.description = v.mark, f.position = "5";
            f.length = "3", f.trim = "NO", f.tipo = "02";
            rows << f;
        }
    }
    return rows;
}

// The key's rows, as "Ly_ID|Ly_Descripcion" and "Ly_ID|Ld_ID|Ld_Descripcion".
inline QStringList storedVersion(const TestDatabase &db, const QString &key)
{
    const QString where = " WHERE Ly_Cve_Layout = '" + key + "' ORDER BY Ly_ID";
    return db.rows("SELECT Ly_ID, Ly_Descripcion FROM Layout" + where) +
           db.rows("SELECT Ly_ID, Ld_ID, Ld_Descripcion FROM Layout_Detalle" + where + ", Ld_ID");
}

inline QStringList versionRows(const Version &v)
{
    QStringList rows;
    for (const QString &order : v.lines)
        rows << order + "|" + v.mark;
    for (const QString &order : v.lines)
        rows << order + "|0010|" + v.mark << order + "|0020|" + v.mark;
    return rows;
}

} // namespace kesta::test
