#include "LoadFormatReader.h"

#include "formats/FormatsError.h"
#include "store/SqlEngine.h"

#include <QHash>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

namespace velkora::formats {

namespace {

QString errorText(const QSqlError &error)
{
    const QString text = error.databaseText().trimmed();
    return text.isEmpty() ? error.text().trimmed() : text;
}

void run(QSqlQuery &query, const QString &statement, const QString &key, const QString &what)
{
    query.setForwardOnly(true);
    if (!query.prepare(statement))
        throw FormatsError(QStringLiteral("No se pudo leer %1 del formato de carga '%2': %3")
                               .arg(what, key, errorText(query.lastError())));
    query.addBindValue(key);
    if (!query.exec())
        throw FormatsError(QStringLiteral("No se pudo leer %1 del formato de carga '%2': %3")
                               .arg(what, key, errorText(query.lastError())));
}

QString text(const QSqlQuery &query, int column)
{
    const QVariant value = query.value(column);
    return value.isNull() ? QString() : value.toString();
}

int number(const QSqlQuery &query, int column)
{
    bool ok = false;
    const double value = query.value(column).toDouble(&ok);
    if (!ok || value < -1e9 || value > 1e9)
        return 0;
    return static_cast<int>(value);
}

// A transaction around the reads, so that the line types, fields and rules are of one save;
// none when the caller has one open already (or the driver has none). Ends without writing.
class ReadTransaction {
public:
    explicit ReadTransaction(QSqlDatabase db) : m_db(std::move(db))
    {
        if (!m_db.driver()->hasFeature(QSqlDriver::Transactions) || !m_db.transaction())
            return;
        m_open = true;
        if (engineOf(m_db) == Engine::PostgreSql) {
            // One snapshot for every statement of the transaction.
            QSqlQuery(m_db).exec(QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ"));
        }
    }
    ~ReadTransaction()
    {
        if (m_open)
            m_db.rollback();
    }
    ReadTransaction(const ReadTransaction &) = delete;
    ReadTransaction &operator=(const ReadTransaction &) = delete;

private:
    QSqlDatabase m_db;
    bool m_open = false;
};

} // namespace

LoadFormatReader::LoadFormatReader(QSqlDatabase db) : m_db(std::move(db)) {}

bool hasRulesTable(const QSqlDatabase &db)
{
    for (const QString &table : db.tables(QSql::Tables))
        if (table.compare(QLatin1String("Layout_Regla"), Qt::CaseInsensitive) == 0 ||
            table.endsWith(QLatin1String(".Layout_Regla"), Qt::CaseInsensitive))
            return true;
    return false;
}

std::optional<LoadFormat> LoadFormatReader::read(const QString &key) const
{
    const bool rulesTable = hasRulesTable(m_db);
    const ReadTransaction transaction(m_db);
    std::optional<LoadFormat> format = readFormat(key);
    if (!format)
        return format;
    format->rulesAvailable = rulesTable;
    if (!rulesTable)
        return format;
    QSqlQuery query(m_db);
    run(query,
        QStringLiteral("SELECT Lr_ID, Ly_ID, Ld_ID, Lr_Regla, Lr_Descripcion FROM Layout_Regla "
                       "WHERE Ly_Cve_Layout = ? ORDER BY %1, Lr_ID")
            .arg(numericOrderExpression(engineOf(m_db), QStringLiteral("Lr_ID"))),
        key, QStringLiteral("las reglas"));
    while (query.next())
        format->rules << RuleDef{text(query, 0), text(query, 1), text(query, 2), text(query, 3),
                                 text(query, 4)};
    return format;
}

std::optional<LoadFormat> LoadFormatReader::readFormat(const QString &key) const
{
    const Engine engine = engineOf(m_db);
    const QString lineOrder = numericOrderExpression(engine, QStringLiteral("Ly_ID"));
    const QString fieldOrder = numericOrderExpression(engine, QStringLiteral("Ld_ID"));

    LoadFormat format;
    format.key = key;
    QHash<QString, qsizetype> lineOfOrder; // Ly_ID (by number when it is one) -> index
    auto orderKey = [](const QString &order) {
        const qint64 n = orderNumber(order);
        return n >= 0 ? QString::number(n) : order;
    };
    {
        QSqlQuery query(m_db);
        run(query,
            QStringLiteral("SELECT Ly_Descripcion, Ly_Archivo, Ly_Inverso, Es_Cve_Estado, Ly_ID, "
                           "Ly_Linea_ID, Ly_Descripcion_ID, Ly_Posicion, Ly_Longitud "
                           "FROM Layout WHERE Ly_Cve_Layout = ? ORDER BY %1, Ly_ID")
                .arg(lineOrder),
            key, QStringLiteral("los tipos de línea"));
        bool first = true;
        while (query.next()) {
            if (first) {
                format.description = text(query, 0);
                format.file = text(query, 1);
                format.reverse = text(query, 2) == QLatin1String("SI");
                format.state = text(query, 3);
                first = false;
            }
            LineType type;
            type.order = text(query, 4);
            type.lineId = text(query, 5);
            type.description = text(query, 6);
            type.position = number(query, 7);
            type.length = number(query, 8);
            lineOfOrder.insert(orderKey(type.order), format.lineTypes.size());
            format.lineTypes << type;
        }
        if (first)
            return std::nullopt;
    }
    QSqlQuery query(m_db);
    run(query,
        QStringLiteral("SELECT Ly_ID, Ld_ID, Ld_Descripcion, Ld_Posicion, Ld_Longitud, Ld_Tipo, "
                       "Ld_Valor, Ld_Formato, Ld_Trim FROM Layout_Detalle "
                       "WHERE Ly_Cve_Layout = ? ORDER BY %1, Ly_ID, %2, Ld_ID")
            .arg(lineOrder, fieldOrder),
        key, QStringLiteral("los campos"));
    while (query.next()) {
        FieldDef field;
        field.lineOrder = text(query, 0);
        field.id = text(query, 1);
        field.description = text(query, 2);
        field.position = number(query, 3);
        field.length = number(query, 4);
        field.typeCode = text(query, 5);
        field.value = text(query, 6);
        field.format = text(query, 7);
        field.trim = text(query, 8) == QLatin1String("SI");
        const auto line = lineOfOrder.constFind(orderKey(field.lineOrder));
        if (line == lineOfOrder.constEnd())
            format.orphanFields << field;
        else
            format.lineTypes[*line].fields << field;
    }
    return format;
}

} // namespace velkora::formats
