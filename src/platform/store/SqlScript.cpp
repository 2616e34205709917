#include "SqlScript.h"

namespace velkora::store {

QString schemaResource(kesta::host::Engine engine)
{
    switch (engine) {
    case kesta::host::Engine::SqlServer:
        return QStringLiteral(":/db/sqlserver.sql");
    case kesta::host::Engine::PostgreSql:
        return QStringLiteral(":/db/postgresql.sql");
    case kesta::host::Engine::Sqlite:
        break;
    }
    return QStringLiteral(":/db/sqlite.sql");
}

namespace {

bool isGoLine(const QString &script, qsizetype lineStart)
{
    qsizetype end = script.indexOf(QLatin1Char('\n'), lineStart);
    if (end < 0)
        end = script.size();
    return script.mid(lineStart, end - lineStart)
               .trimmed()
               .compare(QLatin1String("GO"), Qt::CaseInsensitive) == 0;
}

} // namespace

QStringList splitSqlScript(const QString &script)
{
    QStringList statements;
    QString current;
    auto flush = [&] {
        const QString statement = current.trimmed();
        if (!statement.isEmpty())
            statements << statement;
        current.clear();
    };

    const qsizetype n = script.size();
    qsizetype i = 0;
    bool atLineStart = true;
    while (i < n) {
        if (atLineStart && isGoLine(script, i)) {
            flush();
            const qsizetype end = script.indexOf(QLatin1Char('\n'), i);
            i = end < 0 ? n : end + 1;
            continue;
        }
        const QChar c = script.at(i);
        atLineStart = false;
        if (c == QLatin1Char('-') && i + 1 < n && script.at(i + 1) == QLatin1Char('-')) {
            const qsizetype end = script.indexOf(QLatin1Char('\n'), i);
            i = end < 0 ? n : end; // keep the line break
            continue;
        }
        if (c == QLatin1Char('/') && i + 1 < n && script.at(i + 1) == QLatin1Char('*')) {
            const qsizetype end = script.indexOf(QLatin1String("*/"), i + 2);
            i = end < 0 ? n : end + 2;
            current += QLatin1Char(' ');
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('[')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            qsizetype j = i + 1;
            while (j < n) {
                if (script.at(j) == close) {
                    // A doubled quote stands for one quote inside the literal.
                    if (j + 1 < n && script.at(j + 1) == close) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            const qsizetype end = j < n ? j + 1 : n;
            current += script.mid(i, end - i);
            i = end;
            continue;
        }
        if (c == QLatin1Char(';')) {
            flush();
            ++i;
            continue;
        }
        current += c;
        if (c == QLatin1Char('\n'))
            atLineStart = true;
        ++i;
    }
    flush();
    return statements;
}

} // namespace velkora::store
