#include "StoredFormat.h"

#include "formats/FormatsError.h"
#include "LoadFormatReader.h"
#include "ScriptWriter.h"

#include <QDir>
#include <QFileInfo>

namespace velkora::formats {

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

TestReport testStoredFormat(const QSqlDatabase &db, const QString &key, const QString &file,
                            const TestOptions &options)
{
    TestReport report;
    report.format.key = key;
    if (key.trimmed().isEmpty()) {
        report.error = QStringLiteral("No se indicó la clave del formato de carga que se prueba.");
        return report;
    }
    std::optional<LoadFormat> format;
    try {
        format = LoadFormatReader(db).read(key);
    } catch (const FormatsError &error) {
        report.error = error.text();
        return report;
    }
    if (!format) {
        report.error = QStringLiteral("No existe el formato de carga '%1'.").arg(key);
        return report;
    }
    const QString path = resolveFormatFile(db, file.isEmpty() ? format->file : file);
    if (path.isEmpty()) {
        report.format = *format;
        report.error = QStringLiteral("El formato de carga '%1' no tiene archivo: escriba el "
                                      "nombre del archivo que se prueba en el formato.")
                           .arg(key);
        return report;
    }
    return testLoadFormat(*format, path, options);
}

QString layoutSelect(const QSqlDatabase &db, const QString &table, const QString &key)
{
    return QStringLiteral("SELECT * FROM %1 WHERE Ly_Cve_Layout = %2 ")
        .arg(table, ScriptWriter(engineOf(db)).textLiteral(key));
}

QString storedFormatScript(const QSqlDatabase &db, const QString &key)
{
    return ScriptWriter::scriptRows(db, layoutSelect(db, QStringLiteral("Layout"), key),
                                    QStringLiteral("Layout")) +
           QLatin1Char('\n') +
           ScriptWriter::scriptRows(db, layoutSelect(db, QStringLiteral("Layout_Detalle"), key),
                                    QStringLiteral("LAYOUT_DETALLE")) +
           QLatin1Char('\n') +
           // The rules, on a database that has their table.
           (hasRulesTable(db) ? ScriptWriter::scriptRows(
                                    db, layoutSelect(db, QStringLiteral("Layout_Regla"), key),
                                    QStringLiteral("LAYOUT_REGLA")) +
                                    QLatin1Char('\n')
                              : QString());
}

} // namespace velkora::formats
