#include "ScriptWriter.h"

#include "SqlSupport.h"
#include "formats/FormatsError.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTime>
#include <charconv>
#include <cmath>

namespace velkora::store {

namespace {

bool isPlainIdentifier(const QString &name)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]{0,127}$"));
    return plain.match(name).hasMatch();
}

bool isNumberType(QMetaType type)
{
    switch (type.id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

// A number as the database wrote it in text ("2.0000", "-15", "1e-05").
bool isNumberText(const QString &text)
{
    static const QRegularExpression number(
        QStringLiteral("^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?$"));
    return number.match(text).hasMatch();
}

QString shortestDouble(double value)
{
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    QString text = QString::fromLatin1(buffer, error == std::errc() ? end - buffer : 0);
    // Keep it a floating-point literal, so that a column without a type gets a real back.
    if (!text.contains(QLatin1Char('.')) && !text.contains(QLatin1Char('e')))
        text += QStringLiteral(".0");
    return text;
}

QString milliseconds(const QTime &time)
{
    return time.msec() != 0 ? time.toString(QStringLiteral("HH:mm:ss.zzz"))
                            : time.toString(QStringLiteral("HH:mm:ss"));
}

} // namespace

QString ScriptWriter::name(const QString &identifier) const
{
    if (isPlainIdentifier(identifier))
        return identifier;
    if (m_engine == Engine::SqlServer)
        return QLatin1Char('[') +
               QString(identifier).replace(QLatin1Char(']'), QLatin1String("]]")) +
               QLatin1Char(']');
    return QLatin1Char('"') + QString(identifier).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

QString ScriptWriter::textLiteral(const QString &text) const
{
    bool control = false;
    bool backslash = false;
    for (const QChar c : text) {
        control = control || (c.unicode() < 0x20 && c != QLatin1Char('\t'));
        backslash = backslash || c == QLatin1Char('\\');
    }
    if (m_engine == Engine::PostgreSql && (control || backslash)) {
        QString out = QStringLiteral("E'");
        for (const QChar c : text) {
            if (c == QLatin1Char('\''))
                out += QLatin1String("''");
            else if (c == QLatin1Char('\\'))
                out += QLatin1String("\\\\");
            else if (c == QLatin1Char('\n'))
                out += QLatin1String("\\n");
            else if (c == QLatin1Char('\r'))
                out += QLatin1String("\\r");
            else if (c.unicode() < 0x20 && c != QLatin1Char('\t'))
                out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            else
                out += c;
        }
        return out + QLatin1Char('\'');
    }
    const QString open = m_engine == Engine::SqlServer ? QStringLiteral("N'") : QStringLiteral("'");
    if (!control)
        return open + QString(text).replace(QLatin1Char('\''), QLatin1String("''")) +
               QLatin1Char('\'');
    // Control characters as function calls joined to the quoted pieces.
    const QString join =
        m_engine == Engine::SqlServer ? QStringLiteral(" + ") : QStringLiteral(" || ");
    const QString charCall =
        m_engine == Engine::SqlServer ? QStringLiteral("NCHAR(%1)") : QStringLiteral("char(%1)");
    QStringList parts;
    QString piece;
    bool open_ = false;
    for (const QChar c : text) {
        if (c.unicode() < 0x20 && c != QLatin1Char('\t')) {
            if (open_)
                parts << open + piece + QLatin1Char('\'');
            piece.clear();
            open_ = false;
            parts << charCall.arg(c.unicode());
        } else {
            open_ = true;
            piece += c == QLatin1Char('\'') ? QStringLiteral("''") : QString(c);
        }
    }
    if (open_)
        parts << open + piece + QLatin1Char('\'');
    return parts.join(join);
}

QString ScriptWriter::literal(const QVariant &value, QMetaType columnType) const
{
    if (value.isNull())
        return QStringLiteral("NULL");
    switch (value.typeId()) {
    case QMetaType::Bool:
        if (m_engine == Engine::PostgreSql)
            return value.toBool() ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::UChar:
    case QMetaType::SChar:
        return value.toString();
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        if (std::isfinite(d))
            return shortestDouble(d);
        if (m_engine == Engine::PostgreSql)
            return std::isnan(d)
                       ? QStringLiteral("'NaN'")
                       : (d > 0 ? QStringLiteral("'Infinity'") : QStringLiteral("'-Infinity'"));
        if (m_engine == Engine::Sqlite && !std::isnan(d))
            return d > 0 ? QStringLiteral("9e999") : QStringLiteral("-9e999");
        return QStringLiteral("NULL");
    }
    case QMetaType::QDate: {
        const QDate date = value.toDate();
        return QLatin1Char('\'') +
               date.toString(m_engine == Engine::SqlServer ? QStringLiteral("yyyyMMdd")
                                                           : QStringLiteral("yyyy-MM-dd")) +
               QLatin1Char('\'');
    }
    case QMetaType::QTime:
        return QLatin1Char('\'') + milliseconds(value.toTime()) + QLatin1Char('\'');
    case QMetaType::QDateTime: {
        const QDateTime stamp = value.toDateTime();
        const QString date = stamp.date().toString(QStringLiteral("yyyy-MM-dd"));
        const QString time = milliseconds(stamp.time());
        if (m_engine == Engine::SqlServer)
            return QLatin1Char('\'') + date + QLatin1Char('T') + time + QLatin1Char('\'');
        return QLatin1Char('\'') + date + QLatin1Char(' ') + time + QLatin1Char('\'');
    }
    case QMetaType::QByteArray: {
        const QByteArray hex = value.toByteArray().toHex();
        switch (m_engine) {
        case Engine::Sqlite:
            return QStringLiteral("X'%1'").arg(QString::fromLatin1(hex));
        case Engine::PostgreSql:
            return QStringLiteral("decode('%1', 'hex')").arg(QString::fromLatin1(hex));
        case Engine::SqlServer:
            return hex.isEmpty() ? QStringLiteral("0x")
                                 : QStringLiteral("0x") + QString::fromLatin1(hex.toUpper());
        }
        break;
    }
    default:
        break;
    }
    const QString text = value.toString();
    if (isNumberType(columnType) && isNumberText(text))
        return text;
    return textLiteral(text);
}

bool isSingleSelect(const QString &statement)
{
    const qsizetype n = statement.size();
    qsizetype i = 0;
    QString firstWord;
    bool ended = false; // a ';' was seen outside quotes and comments
    while (i < n) {
        const QChar c = statement.at(i);
        if (c == QLatin1Char('-') && i + 1 < n && statement.at(i + 1) == QLatin1Char('-')) {
            const qsizetype end = statement.indexOf(QLatin1Char('\n'), i);
            i = end < 0 ? n : end + 1;
            continue;
        }
        if (c == QLatin1Char('/') && i + 1 < n && statement.at(i + 1) == QLatin1Char('*')) {
            const qsizetype end = statement.indexOf(QLatin1String("*/"), i + 2);
            if (end < 0)
                return false;
            i = end + 2;
            continue;
        }
        if (c.isSpace()) {
            ++i;
            continue;
        }
        if (ended)
            return false; // something after the statement's end
        if (c == QLatin1Char(';')) {
            ended = true;
            ++i;
            continue;
        }
        if (firstWord.isEmpty()) {
            qsizetype j = i;
            while (j < n && statement.at(j).isLetter())
                ++j;
            firstWord = statement.mid(i, j - i).toUpper();
            if (firstWord != QLatin1String("SELECT") && firstWord != QLatin1String("WITH"))
                return false;
            i = j;
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('[')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            qsizetype j = i + 1;
            while (true) {
                if (j >= n)
                    return false; // an unclosed literal
                if (statement.at(j) == close) {
                    if (j + 1 < n && statement.at(j + 1) == close) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            i = j + 1;
            continue;
        }
        ++i;
    }
    return !firstWord.isEmpty();
}

namespace {

[[noreturn]] void failedRead(const QString &table, const QSqlError &error)
{
    const QString text =
        error.databaseText().trimmed().isEmpty() ? error.text() : error.databaseText();
    throw formats::FormatsError(
        QStringLiteral("No se pudieron leer los registros de %1: %2").arg(table, text.trimmed()));
}

QSqlQuery run(const QSqlDatabase &db, const QString &select, const QString &table)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    // Exact decimals: numeric columns arrive as the database's own text. SQLite keeps its
    // storage classes apart (integer, real, text) only with the default policy.
    if (engineOf(db) != Engine::Sqlite)
        query.setNumericalPrecisionPolicy(QSql::HighPrecision);
    if (!query.exec(select))
        failedRead(table, query.lastError());
    return query;
}

// PostgreSQL keeps stamps and times to the microsecond, which a QDateTime cuts to the
// millisecond: such columns are selected again as the database's own text
// ("2026-12-06 10:00:00.123456"), which the script writes as a quoted literal.
QString withExactTimes(const QSqlRecord &record, const QString &select)
{
    QStringList columns;
    bool times = false;
    for (int i = 0; i < record.count(); ++i) {
        const QString name = QLatin1Char('"') +
                             record.fieldName(i).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
                             QLatin1Char('"');
        const int type = record.field(i).metaType().id();
        const bool time = type == QMetaType::QDateTime || type == QMetaType::QTime;
        times = times || time;
        columns << (time ? QStringLiteral("CAST(%1 AS TEXT) AS %1").arg(name) : name);
    }
    if (!times)
        return {};
    QString inner = select.trimmed();
    if (inner.endsWith(QLatin1Char(';')))
        inner.chop(1);
    return QStringLiteral("SELECT %1 FROM (\n%2\n) AS script_rows")
        .arg(columns.join(QStringLiteral(", ")), inner);
}

} // namespace

QSqlQuery ScriptWriter::selectedRows(const QSqlDatabase &db, const QString &select,
                                     const QString &table)
{
    QSqlQuery query = run(db, select, table);
    if (engineOf(db) != Engine::PostgreSql)
        return query;
    const QString exact = withExactTimes(query.record(), select);
    if (exact.isEmpty())
        return query;
    // The first reading ends before the second one runs on the connection.
    query.finish();
    return run(db, exact, table);
}

QString ScriptWriter::scriptRows(QSqlDatabase db, const QString &select, const QString &table)
{
    if (!isPlainIdentifier(table))
        throw formats::FormatsError(
            QStringLiteral("El nombre de tabla '%1' no es válido para un script: "
                           "se usan letras, dígitos y guiones bajos.")
                .arg(table));
    if (!isSingleSelect(select))
        throw formats::FormatsError(
            QStringLiteral("El script se hace de una sola instrucción SELECT; "
                           "esta no lo es:\n%1")
                .arg(select));
    if (!db.isOpen())
        throw formats::FormatsError(QStringLiteral("La base de datos no está abierta."));
    const Engine engine = engineOf(db);
    const ScriptWriter writer(engine);
    // The table as the database stores it: a script replayed where names are case-sensitive
    // finds it. (Asked before the rows are read: the connection serves one reading at a time.)
    const QString stored = storedTableName(db, table);
    QSqlQuery query = selectedRows(db, select, table);
    const QSqlRecord record = query.record();
    QStringList columns;
    for (int i = 0; i < record.count(); ++i)
        columns << writer.name(record.fieldName(i));
    const QString head =
        QStringLiteral("INSERT INTO %1 (%2) VALUES (")
            .arg(stored.isEmpty() ? table : stored, columns.join(QStringLiteral(", ")));
    QString script;
    qint64 rows = 0;
    while (query.next()) {
        QStringList values;
        for (int i = 0; i < record.count(); ++i)
            values << writer.literal(query.value(i), record.field(i).metaType());
        script += head + values.join(QStringLiteral(", ")) + QStringLiteral(");\n");
        ++rows;
    }
    if (query.lastError().isValid() && query.lastError().type() != QSqlError::NoError)
        throw formats::FormatsError(QStringLiteral("No se pudieron leer los registros de %1: %2")
                                        .arg(table, query.lastError().text()));
    if (rows == 0)
        return QStringLiteral("-- %1: ningún registro\n").arg(table);
    return script;
}

} // namespace velkora::store
