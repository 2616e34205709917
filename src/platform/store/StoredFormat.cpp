#include "StoredFormat.h"

#include "ScriptWriter.h"
#include "SqlConnection.h"
#include "Statements.h"
#include "StoredTestTarget.h"
#include "formats/FormatsError.h"
#include "host/RuntimeError.h"

#include <QDir>
#include <QFileInfo>

namespace velkora::store {

QString resolveFormatFile(const QSqlDatabase &db, const QString &file)
{
    QString name = file.trimmed();
    if (name.isEmpty())
        return {};
    if (name == QLatin1String("~") || name.startsWith(QLatin1String("~/")))
        name = QDir::homePath() + name.mid(1);
    if (QFileInfo(name).isAbsolute())
        return QDir::cleanPath(name);
    const QString database = db.databaseName();
    if (engineOf(db) == Engine::Sqlite && !database.isEmpty() &&
        database != QLatin1String(":memory:") && !database.startsWith(QLatin1String("file:")))
        return QDir::cleanPath(QFileInfo(database).absoluteDir().filePath(name));
    return QDir::cleanPath(QDir::current().absoluteFilePath(name));
}

formats::TestReport testStoredFormat(const QSqlDatabase &db, const QString &key,
                                     const QString &file, const formats::TestOptions &options)
{
    const StoredTestTarget target = storedTestTarget(db, key, file);
    if (!target.ok) {
        formats::TestReport report;
        report.format = target.format;
        report.error = target.error;
        return report;
    }
    return formats::testLoadFormat(target.format, target.path, options);
}

namespace {

// A part of the script with its lines ended in CR LF, and CR LF after it.
QString part(const QString &rows)
{
    QString text = rows;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text + QStringLiteral("\r\n");
}

} // namespace

QString storedFormatScript(const std::function<kesta::host::ConnectionPtr()> &connection,
                           const QString &key, const ScriptRows &rows)
{
    const Engine engine = connection()->engine();
    connection()->BeginReadTrans();
    try {
        QString script = part(rows(scriptLayoutSelect(engine, key), QStringLiteral("Layout")));
        script += part(rows(scriptDetailSelect(engine, key), QStringLiteral("LAYOUT_DETALLE")));
        // The rules, on a database that has their table.
        if (connection()->hasRulesTable())
            script += part(rows(scriptRuleSelect(engine, key), QStringLiteral("LAYOUT_REGLA")));
        connection()->CommitTrans();
        return script;
    } catch (...) {
        try {
            connection()->RollbackTrans();
        } catch (const std::exception &) {
            // The script's own failure is what the caller reports.
        }
        throw;
    }
}

QString storedFormatScript(const QSqlDatabase &db, const QString &key)
{
    const QString name = db.connectionName();
    try {
        return storedFormatScript([name] { return std::make_shared<SqlConnection>(name); }, key,
                                  [&db](const QString &select, const QString &table) {
                                      return ScriptWriter::scriptRows(db, select, table);
                                  });
    } catch (const kesta::host::RuntimeError &error) {
        throw formats::FormatsError(error.description());
    }
}

} // namespace velkora::store
