#include "LayoutChecks.h"

#include "CompiledFormat.h"
#include "ScanResult.h"

#include <QHash>
#include <algorithm>
#include <map>

namespace velkora::formats {

namespace {

QString columns(int from, int to)
{
    return from == to ? QStringLiteral("columna %1").arg(from)
                      : QStringLiteral("columnas %1-%2").arg(from).arg(to);
}

// "la columna 7", "las columnas 7-9".
QString theColumns(int from, int to)
{
    return (from == to ? QStringLiteral("la ") : QStringLiteral("las ")) + columns(from, to);
}

} // namespace

QList<LayoutFinding> overlappingFields(const CompiledFormat &format)
{
    QList<LayoutFinding> findings;
    for (size_t t = 0; t < format.lineTypes().size(); ++t) {
        const CompiledLineType &type = format.lineTypes()[t];
        std::vector<int> order;
        for (size_t f = 0; f < type.fields.size(); ++f)
            if (type.fields[f].readsText && type.fields[f].usable)
                order.push_back(int(f));
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            return type.fields[size_t(a)].start < type.fields[size_t(b)].start;
        });
        int reach = -1; // the furthest end so far, and its field
        int reachField = -1;
        for (const int f : order) {
            const CompiledField &field = type.fields[size_t(f)];
            const int end = field.start + field.length;
            if (field.start < reach) {
                const CompiledField &earlier = type.fields[size_t(reachField)];
                const FieldDef &a = format.field(int(t), reachField);
                const FieldDef &b = format.field(int(t), f);
                findings << LayoutFinding{
                    LayoutFinding::Kind::Overlap, format.lineType(int(t)).order, b.id,
                    QStringLiteral("Los campos %1 (%2) y %3 (%4) del tipo de línea %5 se enciman "
                                   "en %6.")
                        .arg(a.id, columns(earlier.start + 1, earlier.start + earlier.length), b.id,
                             columns(field.start + 1, end), format.lineType(int(t)).order,
                             theColumns(field.start + 1, std::min(reach, end)))};
            }
            if (end > reach) {
                reach = end;
                reachField = f;
            }
        }
    }
    return findings;
}

QList<LayoutFinding> shadowingIds(const CompiledFormat &format)
{
    QList<LayoutFinding> findings;
    // Line types by the column where their ID starts, then by their ID.
    std::map<int, std::map<QByteArray, std::vector<int>>> byStart;
    for (size_t t = 0; t < format.lineTypes().size(); ++t) {
        const CompiledLineType &type = format.lineTypes()[t];
        if (type.probe >= 0)
            byStart[type.idStart][type.id].push_back(int(t));
    }
    for (const auto &[start, ids] : byStart) {
        for (const auto &[id, types] : ids) {
            const QString shown = QString::fromUtf8(id);
            for (size_t i = 1; i < types.size(); ++i)
                findings << LayoutFinding{
                    LayoutFinding::Kind::Shadow,
                    format.lineType(types[i]).order,
                    {},
                    QStringLiteral("Los tipos de línea %1 y %2 tienen el mismo ID '%3' en la "
                                   "columna %4: sus líneas son de los dos tipos.")
                        .arg(format.lineType(types[0]).order, format.lineType(types[i]).order,
                             shown)
                        .arg(start + 1)};
            // Every shorter ID at the same column that begins this one.
            for (qsizetype k = 1; k < shown.size(); ++k) {
                const auto prefix = ids.find(shown.left(k).toUtf8());
                if (prefix == ids.end())
                    continue;
                for (const int shorter : prefix->second)
                    for (const int longer : types)
                        findings << LayoutFinding{
                            LayoutFinding::Kind::Prefix,
                            format.lineType(longer).order,
                            {},
                            QStringLiteral("El ID '%1' del tipo de línea %2 es el principio del "
                                           "ID '%3' del tipo de línea %4 (columna %5): una línea "
                                           "con '%3' es del tipo %4, el ID más largo.")
                                .arg(QString::fromUtf8(prefix->first),
                                     format.lineType(shorter).order, shown,
                                     format.lineType(longer).order)
                                .arg(start + 1)};
            }
        }
    }
    return findings;
}

QList<LayoutFinding> fileFindings(const CompiledFormat &format, const ScanResult &result)
{
    QList<LayoutFinding> findings;
    if (result.lines == 0)
        return findings;
    for (size_t t = 0; t < format.lineTypes().size() && t < result.types.size(); ++t) {
        const CompiledLineType &type = format.lineTypes()[t];
        const TypeStat &stat = result.types[t];
        const QString order = format.lineType(int(t)).order;
        for (size_t g = 0; g < type.gaps.size() && g < stat.gaps.size(); ++g) {
            const GapStat &gap = stat.gaps[g];
            if (gap.lines == 0)
                continue;
            const auto [from, to] = type.gaps[g];
            const QString where =
                to < 0
                    ? QStringLiteral("Desde la columna %1 (después del último campo)").arg(from + 1)
                    : QStringLiteral("En %1").arg(theColumns(from + 1, to));
            findings << LayoutFinding{
                LayoutFinding::Kind::Gap,
                order,
                {},
                QStringLiteral("%1 el tipo de línea %2 tiene texto que ningún campo lee, en %3 "
                               "línea(s); la primera es la %4.")
                    .arg(where, order)
                    .arg(gap.lines)
                    .arg(gap.first)};
        }
        const int longest = stat.lines > 0 ? stat.longest : result.longest;
        for (size_t f = 0; f < type.fields.size(); ++f) {
            const CompiledField &field = type.fields[f];
            if (!field.readsText || !field.usable || field.start + field.length <= longest)
                continue;
            const FieldDef &def = format.field(int(t), int(f));
            findings << LayoutFinding{
                LayoutFinding::Kind::Beyond, order, def.id,
                stat.lines > 0
                    ? QStringLiteral("El campo %1 (%2) del tipo de línea %3 pasa del final de la "
                                     "línea más larga de ese tipo (%4 caracteres).")
                          .arg(def.id, columns(field.start + 1, field.start + field.length), order)
                          .arg(longest)
                    : QStringLiteral("El campo %1 (%2) del tipo de línea %3 pasa del final de la "
                                     "línea más larga del archivo (%4 caracteres); el archivo no "
                                     "tiene líneas de ese tipo.")
                          .arg(def.id, columns(field.start + 1, field.start + field.length), order)
                          .arg(longest)};
        }
    }
    return findings;
}

} // namespace velkora::formats
