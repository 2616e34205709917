// Fuzzes the literal forms and the statement builders of the load-format tables: whatever text
// a value holds, its literal reads back as exactly that text on every engine (quotes doubled,
// PostgreSQL's escape strings, SQL Server's Unicode literals), a bare number is a plain number
// or refused, and a whole save statement run on SQLite stores exactly the values given and
// nothing else.

#include "host/RuntimeError.h"
#include "store/Dialect.h"
#include "store/Literals.h"
#include "store/Statements.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <cstdio>
#include <cstdlib>

using namespace velkora::store;
using kesta::host::Engine;

namespace {

[[noreturn]] void fail(const QString &what)
{
    std::fprintf(stderr, "%s\n", qUtf8Printable(what));
    std::abort();
}

// Reads a quoted literal back into its text; fails when it is not one literal.
QString readLiteral(Engine engine, const QString &literal)
{
    QString body = literal;
    bool escapes = false;
    if (engine == Engine::SqlServer && body.startsWith(QLatin1Char('N')))
        body.remove(0, 1);
    if (engine == Engine::PostgreSql && body.startsWith(QLatin1Char('E'))) {
        body.remove(0, 1);
        escapes = true;
    }
    if (body.size() < 2 || !body.startsWith(QLatin1Char('\'')) || !body.endsWith(QLatin1Char('\'')))
        fail(QStringLiteral("not a literal: ") + literal);
    body = body.mid(1, body.size() - 2);
    QString text;
    for (qsizetype i = 0; i < body.size(); ++i) {
        const QChar c = body.at(i);
        if (c == QLatin1Char('\'')) {
            if (i + 1 >= body.size() || body.at(i + 1) != QLatin1Char('\''))
                fail(QStringLiteral("a lone quote ends the literal early: ") + literal);
            text += c;
            ++i;
        } else if (escapes && c == QLatin1Char('\\')) {
            if (i + 1 >= body.size() || body.at(i + 1) != QLatin1Char('\\'))
                fail(QStringLiteral("an escape that is not a doubled backslash: ") + literal);
            text += c;
            ++i;
        } else {
            text += c;
        }
    }
    return text;
}

QString fuzzText(FuzzedDataProvider &data, size_t most)
{
    const std::string bytes = data.ConsumeRandomLengthString(most);
    if (data.ConsumeBool())
        return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
    // Any UTF-16 units, lone surrogates and NULs included.
    QString text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        text += QChar(char16_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8));
    return text;
}

QSqlDatabase &sqlite()
{
    static QSqlDatabase db = [] {
        QSqlDatabase d =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fuzz"));
        d.setDatabaseName(QStringLiteral(":memory:"));
        if (!d.open())
            fail(d.lastError().text());
        QFile schema(QStringLiteral(KESTA_SOURCE_DIR "/db/sqlite.sql"));
        if (!schema.open(QIODevice::ReadOnly))
            fail(QStringLiteral("no schema"));
        QStringList lines = QString::fromUtf8(schema.readAll()).split(QLatin1Char('\n'));
        for (QString &line : lines) {
            if (const qsizetype comment = line.indexOf(QLatin1String("--")); comment >= 0)
                line.truncate(comment); // the scripts' comments hold no quotes
        }
        for (const QString &statement : lines.join(QLatin1Char('\n')).split(QLatin1Char(';'))) {
            if (statement.contains(QLatin1String("CREATE"))) {
                QSqlQuery q(d);
                if (!q.exec(statement))
                    fail(q.lastError().text());
            }
        }
        return d;
    }();
    return db;
}

// Texts that the screen's save refuses before any statement (control characters,
// noncharacters, half of a surrogate pair) are not run.
bool storable(const QString &text)
{
    return firstUnstorableCharacter(text) < 0;
}

// Runs a statement built for SQLite and reads back the row it stored.
bool storesExactly(const QString &insert, const QString &table, const QStringList &columns,
                   const QStringList &values)
{
    for (const QString &value : values) {
        if (!storable(value))
            return false;
    }
    QSqlQuery query(sqlite());
    if (!query.exec(QStringLiteral("DELETE FROM ") + table))
        fail(query.lastError().text());
    if (!query.exec(insert))
        fail(QStringLiteral("refused: ") + insert + QStringLiteral("\n") +
             query.lastError().text());
    if (!query.exec(QStringLiteral("SELECT ") + columns.join(QStringLiteral(", ")) +
                    QStringLiteral(", (SELECT COUNT(*) FROM ") + table + QStringLiteral(") FROM ") +
                    table) ||
        !query.next())
        fail(QStringLiteral("nothing stored by: ") + insert);
    for (qsizetype i = 0; i < columns.size(); ++i) {
        if (query.value(int(i)).toString() != values.at(i))
            fail(QStringLiteral("%1 stored as \"%2\", not \"%3\"")
                     .arg(columns.at(i), query.value(int(i)).toString(), values.at(i)));
    }
    if (query.value(int(columns.size())).toInt() != 1)
        fail(QStringLiteral("more than one row from: ") + insert);
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    FuzzedDataProvider data(bytes, size);
    const QString value = fuzzText(data, 64);

    for (Engine engine : {Engine::SqlServer, Engine::PostgreSql, Engine::Sqlite}) {
        if (readLiteral(engine, quotedText(engine, value)) != value ||
            readLiteral(engine, doubleQuotedText(engine, value)) != value)
            fail(QStringLiteral("the literal does not read back: ") + value);
    }
    const QString four = fourDigits(value);
    if (fourDigits(four) != four)
        fail(QStringLiteral("the four-digit form changes again: ") + value);
    try {
        const QString number = numberText(value, QStringLiteral("x"));
        if (!isPlainNumber(value))
            fail(QStringLiteral("a refused number was taken: ") + value);
        for (const QChar c : number) {
            if (!c.isDigit() && c != QLatin1Char('.') && c != QLatin1Char('-') &&
                c != QLatin1Char('+'))
                fail(QStringLiteral("a bare number holds more than a number: ") + number);
        }
    } catch (const kesta::host::RuntimeError &) {
        if (isPlainNumber(value))
            fail(QStringLiteral("a plain number was refused: ") + value);
    }

    // A field statement with fuzzed texts, run on SQLite.
    LayoutFieldValues field;
    field.key = fuzzText(data, 6);
    field.lineId = fuzzText(data, 6);
    field.id = fuzzText(data, 6);
    field.description = value;
    field.position =
        data.ConsumeBool() ? QString::number(data.ConsumeIntegral<int>()) : fuzzText(data, 6);
    field.length = QString::number(data.ConsumeIntegralInRange(1, 100));
    field.trim = fuzzText(data, 3);
    field.valor = fuzzText(data, 40);
    field.formato = fuzzText(data, 20);
    field.tipo = fuzzText(data, 3);
    QStringList statements;
    try {
        statements = fieldStatements(Engine::Sqlite, field);
    } catch (const kesta::host::RuntimeError &) {
        if (isPlainNumber(field.position))
            fail(QStringLiteral("a field with plain numbers was refused"));
        return 0;
    }
    if (statements.size() != 1)
        fail(QStringLiteral("SQLite gets one statement per field"));
    const bool stored = storesExactly(
        statements.first(), QStringLiteral("Layout_Detalle"),
        {QStringLiteral("Ly_Cve_Layout"), QStringLiteral("Ly_ID"), QStringLiteral("Ld_ID"),
         QStringLiteral("Ld_Descripcion"), QStringLiteral("Ld_Trim"), QStringLiteral("Ld_Valor"),
         QStringLiteral("Ld_Formato"), QStringLiteral("Ld_Tipo")},
        {field.key, fourDigits(field.lineId), fourDigits(field.id), field.description, field.trim,
         field.valor, field.formato, field.tipo});
    if (!stored)
        return 0;

    // The key in the load's select takes the key's rows only.
    QSqlQuery query(sqlite());
    if (!query.exec(loadDetailSelect(Engine::Sqlite, field.key + QStringLiteral("x"))))
        fail(query.lastError().text());
    if (query.next())
        fail(QStringLiteral("another key's select found the row: ") + field.key);
    return 0;
}
