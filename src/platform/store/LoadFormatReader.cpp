#include "LoadFormatReader.h"

#include "RuleRows.h"
#include "SqlConnection.h"
#include "SqlSupport.h"
#include "Statements.h"

#include <QHash>

#include <algorithm>
#include <numeric>
#include <tuple>
#include <vector>

namespace velkora::store {

using kesta::host::Connection;
using kesta::host::RecordSet;
using velkora::formats::FieldDef;
using velkora::formats::LineType;
using velkora::formats::LoadFormat;
using velkora::formats::orderNumber;
using velkora::formats::RuleDef;

namespace {

QString text(const RecordSet &row, const QString &column)
{
    const QVariant value = row.Field(column);
    return value.isNull() ? QString() : value.toString();
}

int number(const QVariant &value)
{
    bool ok = false;
    const double n = value.toDouble(&ok);
    if (!ok || n < -1e9 || n > 1e9)
        return 0;
    return static_cast<int>(n);
}

// A position or length of the row: its number, and its text kept in `stored` when it is not a
// whole number.
int storedNumber(const RecordSet &row, const QString &column, const QString &name,
                 StoredColumns &stored)
{
    const QVariant value = row.Field(column);
    bool whole = false;
    value.toString().trimmed().toInt(&whole);
    if (!value.isNull() && !whole)
        stored.numberTexts.insert(StoredColumns::numberCell(name, column), value.toString());
    return number(value);
}

// The columns of the row that hold NULL, of those named.
QStringList nullsOf(const RecordSet &row, const QStringList &columns)
{
    QStringList nulls;
    for (const QString &column : columns)
        if (row.Field(column).isNull())
            nulls << column;
    return nulls;
}

void readHeader(const RecordSet &row, LoadFormat &format, StoredColumns &stored)
{
    format.description = text(row, QStringLiteral("Ly_Descripcion"));
    format.file = text(row, QStringLiteral("Ly_Archivo"));
    format.reverse = text(row, QStringLiteral("Ly_Inverso")) == QLatin1String("SI");
    format.state = text(row, QStringLiteral("Es_Cve_Estado"));
    for (int n = 1; n <= int(stored.userData.size()); ++n)
        stored.userData[size_t(n - 1)] = row.Field(QStringLiteral("Ly_UserDef_%1").arg(n));
    stored.createdOn = row.Field(QStringLiteral("Fecha_Alta"));
    stored.modifiedOn = row.Field(QStringLiteral("Fecha_Ult_Modif"));
    stored.deactivatedOn = row.Field(QStringLiteral("Fecha_Baja"));
    stored.createdBy = text(row, QStringLiteral("Oper_Alta"));
    stored.modifiedBy = text(row, QStringLiteral("Oper_Ult_Modif"));
    stored.deactivatedBy = text(row, QStringLiteral("Oper_Baja"));
}

LineType lineTypeOf(const RecordSet &row, StoredColumns &stored)
{
    LineType type;
    type.order = text(row, QStringLiteral("Ly_ID"));
    type.lineId = text(row, QStringLiteral("Ly_Linea_ID"));
    type.description = text(row, QStringLiteral("Ly_Descripcion_ID"));
    const QString name = StoredColumns::lineRow(type.order);
    type.position = storedNumber(row, QStringLiteral("Ly_Posicion"), name, stored);
    type.length = storedNumber(row, QStringLiteral("Ly_Longitud"), name, stored);
    const QStringList nulls =
        nullsOf(row, {QStringLiteral("Ly_Posicion"), QStringLiteral("Ly_Longitud")});
    if (!nulls.isEmpty())
        stored.nullColumns.insert(StoredColumns::lineRow(type.order), nulls);
    return type;
}

const QStringList &detailColumns()
{
    static const QStringList columns{
        QStringLiteral("Ld_Descripcion"), QStringLiteral("Ld_Posicion"),
        QStringLiteral("Ld_Longitud"),    QStringLiteral("Ld_Tipo"),
        QStringLiteral("Ld_Valor"),       QStringLiteral("Ld_Formato"),
        QStringLiteral("Ld_Trim"),        QStringLiteral("Ly_ID")};
    return columns;
}

FieldDef fieldOf(const RecordSet &row, StoredColumns &stored)
{
    FieldDef field;
    field.lineOrder = text(row, QStringLiteral("Ly_ID"));
    field.id = text(row, QStringLiteral("Ld_ID"));
    field.description = text(row, QStringLiteral("Ld_Descripcion"));
    const QString name = StoredColumns::fieldRow(field.lineOrder, field.id);
    field.position = storedNumber(row, QStringLiteral("Ld_Posicion"), name, stored);
    field.length = storedNumber(row, QStringLiteral("Ld_Longitud"), name, stored);
    field.typeCode = text(row, QStringLiteral("Ld_Tipo"));
    field.value = text(row, QStringLiteral("Ld_Valor"));
    field.format = text(row, QStringLiteral("Ld_Formato"));
    const QString trim = text(row, QStringLiteral("Ld_Trim"));
    field.trim = trim == QLatin1String("SI");
    if (!field.trim && trim != QLatin1String("NO"))
        stored.trimTexts.insert(name, trim);
    const QStringList nulls = nullsOf(row, detailColumns());
    if (!nulls.isEmpty())
        stored.nullColumns.insert(name, nulls);
    return field;
}

// A text's length as the engines count it: in characters, a surrogate pair one.
qsizetype characterCount(const QString &text)
{
    qsizetype count = text.size();
    for (const QChar c : text)
        count -= c.isLowSurrogate() ? 1 : 0;
    return count;
}

// Fields read in the primary key's order (Ly_ID, then Ld_ID, as the engine compares texts),
// put in the order of the numbers' lengths first: Ly_ID's length, Ly_ID, Ld_ID's length, Ld_ID
// ("0010" before "10000", whatever the texts hold). The fields of one Ly_ID come together, in
// the engine's order of their Ld_ID; a stable sort keeps that order among equal lengths.
QList<FieldDef> byLength(const QList<FieldDef> &fields)
{
    struct Place {
        qsizetype lineLength, group, fieldLength;
    };
    std::vector<Place> places;
    places.reserve(size_t(fields.size()));
    qsizetype group = -1;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i == 0 || fields.at(i).lineOrder != fields.at(i - 1).lineOrder)
            ++group;
        places.push_back(
            {characterCount(fields.at(i).lineOrder), group, characterCount(fields.at(i).id)});
    }
    std::vector<qsizetype> order(size_t(fields.size()));
    std::iota(order.begin(), order.end(), qsizetype(0));
    std::stable_sort(order.begin(), order.end(), [&places](qsizetype a, qsizetype b) {
        const Place &x = places[size_t(a)], &y = places[size_t(b)];
        return std::tie(x.lineLength, x.group, x.fieldLength) <
               std::tie(y.lineLength, y.group, y.fieldLength);
    });
    QList<FieldDef> sorted;
    sorted.reserve(fields.size());
    for (const qsizetype i : order)
        sorted << fields.at(i);
    return sorted;
}

// A line or field number's key: its number when it is one ("0010" and "10" are one line).
QString orderKey(const QString &order)
{
    const qint64 n = orderNumber(order);
    return n >= 0 ? QString::number(n) : order;
}

// Each field to the line type of its Ly_ID, or to the orphans.
void placeFields(const QList<FieldDef> &fields, LoadFormat &format)
{
    QHash<QString, qsizetype> lineOfOrder;
    for (qsizetype i = 0; i < format.lineTypes.size(); ++i)
        lineOfOrder.insert(orderKey(format.lineTypes.at(i).order), i);
    for (const FieldDef &field : fields) {
        const auto line = lineOfOrder.constFind(orderKey(field.lineOrder));
        if (line == lineOfOrder.constEnd())
            format.orphanFields << field;
        else
            format.lineTypes[*line].fields << field;
    }
}

// Ends the read transaction; a failing rollback must not hide the failure that called for it.
void rollBackQuietly(const LoadFormatReader::ConnectionSource &source)
{
    try {
        source()->RollbackTrans();
    } catch (const std::exception &) {
        // The read's own failure is what the caller reports.
    }
}

} // namespace

LoadFormatReader::LoadFormatReader(ConnectionSource connection, QString *statementText)
    : m_connection(std::move(connection)), m_sql(statementText)
{}

LoadFormatReader::LoadFormatReader(const QSqlDatabase &db)
    : LoadFormatReader(
          [name = db.connectionName()] { return std::make_shared<SqlConnection>(name); })
{}

bool hasRulesTable(const QSqlDatabase &db)
{
    return hasTable(db, QStringLiteral("Layout_Regla"));
}

std::unique_ptr<RecordSet> LoadFormatReader::execute(Connection &connection,
                                                     const QString &statement) const
{
    if (m_sql) {
        *m_sql = statement;
        return connection.Execute(*m_sql);
    }
    return connection.Execute(statement);
}

std::optional<LoadFormat> LoadFormatReader::read(const QString &key) const
{
    std::optional<StoredLoadFormat> stored = readStored(key);
    if (!stored)
        return std::nullopt;
    return std::move(stored->format);
}

std::optional<StoredLoadFormat> LoadFormatReader::readStored(const QString &key) const
{
    bool begun = false;
    try {
        std::optional<StoredLoadFormat> format = readInTransaction(key, begun);
        m_connection()->CommitTrans();
        return format;
    } catch (...) {
        if (begun)
            rollBackQuietly(m_connection);
        throw;
    }
}

std::optional<StoredLoadFormat> LoadFormatReader::readInTransaction(const QString &key,
                                                                    bool &begun) const
{
    StoredLoadFormat read;
    LoadFormat &format = read.format;
    StoredColumns &stored = read.stored;
    format.key = key;
    {
        const kesta::host::ConnectionPtr connection = m_connection();
        connection->BeginReadTrans();
        begun = true;
        const auto lines = execute(*connection, loadHeaderSelect(connection->engine(), key));
        if (lines->EndOfSet()) {
            lines->Close();
            return std::nullopt;
        }
        readHeader(*lines, format, stored);
        for (; !lines->EndOfSet(); lines->MoveNext())
            format.lineTypes << lineTypeOf(*lines, stored);
        lines->Close();
    }
    {
        const kesta::host::ConnectionPtr connection = m_connection();
        const kesta::host::Engine engine = connection->engine();
        const auto rows = execute(*connection, loadDetailRowsSelect(engine, key));
        QList<FieldDef> fields;
        for (; !rows->EndOfSet(); rows->MoveNext())
            fields << fieldOf(*rows, stored);
        rows->Close();
        placeFields(detailRowsNeedLengthOrder(engine) ? byLength(fields) : fields, format);
    }
    const kesta::host::ConnectionPtr connection = m_connection();
    format.rulesAvailable = connection->hasRulesTable();
    if (!format.rulesAvailable)
        return read;
    const auto rules = execute(*connection, loadRuleSelect(connection->engine(), key));
    for (; !rules->EndOfSet(); rules->MoveNext())
        format.rules << RuleDef{
            text(*rules, QStringLiteral("Lr_ID")), text(*rules, QStringLiteral("Ly_ID")),
            text(*rules, QStringLiteral("Ld_ID")), text(*rules, QStringLiteral("Lr_Regla")),
            text(*rules, QStringLiteral("Lr_Descripcion"))};
    rules->Close();
    return read;
}

} // namespace velkora::store
