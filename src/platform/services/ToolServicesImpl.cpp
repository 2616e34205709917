#include "ToolServicesImpl.h"

#include "DataLookups.h"
#include "DateTexts.h"
#include "RecordToolDialog.h"
#include "ScreenTools.h"
#include "SqlConnection.h"
#include "TextViewerDialog.h"
#include "host/RuntimeError.h"

#include <QSqlDatabase>

using kesta::host::Engine;
using kesta::host::RuntimeError;

namespace velkora::services {

ToolServicesImpl::ToolServicesImpl(QString connectionName, QString operatorCode)
    : m_connectionName(std::move(connectionName)), m_operator(std::move(operatorCode))
{}

Engine ToolServicesImpl::engine() const
{
    const QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    return db.isValid() ? engineOf(db) : Engine::Sqlite;
}

QString ToolServicesImpl::ResolveTransaction(const QString &transaction, const QString &application)
{
    const QString name = transaction.trimmed();
    if (name.isEmpty())
        throw RuntimeError(QStringLiteral("The owner names no transaction."));
    const QString app = application.trimmed();
    return app.isEmpty() ? name : app + QLatin1Char('/') + name;
}

QString ToolServicesImpl::LookupValue(const QString &table, const QString &keyColumn,
                                      const QString &key, const QString &wantedColumn, long,
                                      const QString &, const QString &, const QString &)
{
    return lookupValue(m_connectionName, table, keyColumn, key, wantedColumn);
}

QDateTime ToolServicesImpl::CurrentDateTime()
{
    return QDateTime::currentDateTime();
}

QString ToolServicesImpl::FormatDateTime(const QDateTime &stamp)
{
    return stampText(engine(), stamp);
}

QString ToolServicesImpl::FormatDate(const QDate &date)
{
    return dateText(engine(), date);
}

void ToolServicesImpl::LogAction(const QString &table, const QString &key, const QString &action)
{
    logAction(m_connectionName, table, key, action, m_operator, QDateTime::currentDateTime());
}

void ToolServicesImpl::ClearScreen(QWidget *screen, int tag)
{
    clearScreen(screen, tag);
}

void ToolServicesImpl::EnableScreen(QWidget *screen, int tag)
{
    enableScreen(screen, tag);
}

qlonglong ToolServicesImpl::NextKey(const QString &table, const QString &keyColumn)
{
    return nextKey(m_connectionName, table, keyColumn);
}

void ToolServicesImpl::SimulateKeys(const QString &keys, int)
{
    simulateKeys(keys);
}

void ToolServicesImpl::GridCommandF10(QWidget *grid)
{
    gridCommandF10(grid);
}

void ToolServicesImpl::GridCommandShiftF10(QWidget *grid)
{
    gridCommandShiftF10(grid);
}

QString ToolServicesImpl::TestLoadFormat(int, const QString &key, const QString &)
{
    m_lastError = QStringLiteral("La prueba del formato de carga %1 no está disponible todavía "
                                 "en esta versión de Velkora.")
                      .arg(key);
    return {};
}

QString ToolServicesImpl::LastError()
{
    return m_lastError;
}

QString ToolServicesImpl::ScriptRows(const QString &, const QString &table)
{
    m_lastError = QStringLiteral("El script de los registros de %1 no está disponible todavía en "
                                 "esta versión de Velkora.")
                      .arg(table);
    throw RuntimeError(m_lastError);
}

std::unique_ptr<kesta::host::TextViewer> ToolServicesImpl::CreateTextViewer()
{
    return std::make_unique<TextViewerImpl>();
}

std::unique_ptr<kesta::host::RecordTool> ToolServicesImpl::CreateRecordTool()
{
    return std::make_unique<RecordToolImpl>(m_connectionName);
}

} // namespace velkora::services
