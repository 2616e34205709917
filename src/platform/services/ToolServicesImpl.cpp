#include "ToolServicesImpl.h"

#include "DataLookups.h"
#include "store/DateTexts.h"
#include "RecordToolDialog.h"
#include "ScreenTools.h"
#include "store/SqlConnection.h"
#include "store/SqlSupport.h"
#include "TextViewerDialog.h"
#include "UserFileMemory.h"
#include "formats/FormatsError.h"
#include "formats/LoadNumbers.h"
#include "store/ScriptWriter.h"
#include "store/StoredFormat.h"
#include "store/StoredTestTarget.h"
#include "host/RuntimeError.h"
#include "views/TestProgressDialog.h"

#include <QApplication>
#include <QSqlDatabase>
#include <QThread>

using kesta::host::Engine;
using kesta::host::RuntimeError;

namespace velkora::services {

ToolServicesImpl::ToolServicesImpl(QString connectionName, QString operatorCode)
    : m_connectionName(std::move(connectionName)), m_operator(std::move(operatorCode)),
      m_lastTest(std::make_shared<TestResultSlot>()),
      m_fileMemory(std::make_shared<UserFileMemory>(m_connectionName, m_operator))
{
    controls::setFileDialogMemory(m_fileMemory);
}

ToolServicesImpl::~ToolServicesImpl()
{
    if (controls::fileDialogMemory() == m_fileMemory)
        controls::setFileDialogMemory(nullptr);
}

template <typename Operation> auto ToolServicesImpl::guarded(Operation operation)
{
    m_lastError.clear();
    try {
        return operation();
    } catch (const RuntimeError &error) {
        m_lastError = error.description();
        throw;
    }
}

Engine ToolServicesImpl::engine() const
{
    const QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    return db.isValid() ? store::engineOf(db) : Engine::Sqlite;
}

QString ToolServicesImpl::ResolveTransaction(const QString &transaction, const QString &application)
{
    return guarded([&] {
        const QString name = transaction.trimmed();
        if (name.isEmpty())
            throw RuntimeError(QStringLiteral("The owner names no transaction."));
        const QString app = application.trimmed();
        return app.isEmpty() ? name : app + QLatin1Char('/') + name;
    });
}

QString ToolServicesImpl::LookupValue(const QString &table, const QString &keyColumn,
                                      const QString &key, const QString &wantedColumn, long,
                                      const QString &, const QString &, const QString &)
{
    return guarded(
        [&] { return lookupValue(m_connectionName, table, keyColumn, key, wantedColumn); });
}

QDateTime ToolServicesImpl::CurrentDateTime()
{
    m_lastError.clear();
    return QDateTime::currentDateTime();
}

QString ToolServicesImpl::FormatDateTime(const QDateTime &stamp)
{
    return guarded([&] { return store::stampText(engine(), stamp); });
}

QString ToolServicesImpl::FormatDate(const QDate &date)
{
    return guarded([&] { return store::dateText(engine(), date); });
}

void ToolServicesImpl::LogAction(const QString &table, const QString &key, const QString &action)
{
    guarded([&] {
        logAction(m_connectionName, table, key, action, m_operator, QDateTime::currentDateTime());
    });
}

void ToolServicesImpl::ClearScreen(QWidget *screen, int tag)
{
    guarded([&] { clearScreen(screen, tag); });
}

void ToolServicesImpl::EnableScreen(QWidget *screen, int tag)
{
    guarded([&] { enableScreen(screen, tag); });
}

qlonglong ToolServicesImpl::NextKey(const QString &table, const QString &keyColumn)
{
    return guarded([&] { return nextKey(m_connectionName, table, keyColumn); });
}

void ToolServicesImpl::SimulateKeys(const QString &keys, int)
{
    guarded([&] { simulateKeys(keys); });
}

void ToolServicesImpl::GridCommandF10(QWidget *grid)
{
    guarded([&] { gridCommandF10(grid); });
}

void ToolServicesImpl::GridCommandShiftF10(QWidget *grid)
{
    guarded([&] { gridCommandShiftF10(grid); });
}

QString ToolServicesImpl::TestLoadFormat(int mode, const QString &key, const QString &separator)
{
    return TestLoadFormatFile(mode, key, separator, {});
}

QString ToolServicesImpl::TestLoadFormatFile(int mode, const QString &key, const QString &separator,
                                             const QString &file)
{
    m_lastError.clear();
    try {
        m_lastTest->keep({}, nullptr);
        // The tables are read here, on the connection's thread; the file off it.
        const store::StoredTestTarget target =
            store::storedTestTarget(store::openedDatabase(m_connectionName), key, file);
        if (!target.ok) {
            m_lastError = target.error;
            return {};
        }
        // The screen shows each field under the number its load gives it: the result names it
        // the same way, so that an error leads to its row of the field grid.
        return testFormat(mode, velkora::formats::withLoadNumbers(target.format), separator,
                          target.path);
    } catch (const RuntimeError &error) {
        m_lastError = error.description();
    } catch (const std::exception &error) {
        m_lastError = QStringLiteral("La prueba del formato de carga '%1' falló: %2")
                          .arg(key, QString::fromLocal8Bit(error.what()));
    }
    return {};
}

QString ToolServicesImpl::TestLoadFormatValue(int mode, const velkora::formats::LoadFormat &format,
                                              const QString &separator, const QString &file)
{
    m_lastError.clear();
    try {
        m_lastTest->keep({}, nullptr);
        if (file.trimmed().isEmpty()) {
            m_lastError = QStringLiteral("No se indicó el archivo en que se prueba el formato de "
                                         "carga '%1'.")
                              .arg(format.key);
            return {};
        }
        return testFormat(mode, format, separator, file);
    } catch (const RuntimeError &error) {
        m_lastError = error.description();
    } catch (const std::exception &error) {
        m_lastError = QStringLiteral("La prueba del formato de carga '%1' falló: %2")
                          .arg(format.key, QString::fromLocal8Bit(error.what()));
    }
    return {};
}

QString ToolServicesImpl::testFormat(int mode, const velkora::formats::LoadFormat &format,
                                     const QString &separator, const QString &path)
{
    const bool windowed = qobject_cast<QApplication *>(QCoreApplication::instance()) &&
                          QThread::currentThread() == QCoreApplication::instance()->thread();
    if (!windowed) {
        velkora::formats::TestOptions options;
        if (mode > 0)
            options.detailLines = mode;
        const velkora::formats::TestReport report =
            velkora::formats::testLoadFormat(format, path, options);
        if (!report.ran) {
            m_lastError = report.error;
            return {};
        }
        return velkora::formats::reportText(report, separator);
    }
    velkora::views::RunOptions run;
    if (mode > 0)
        run.job.detailLines = mode;
    velkora::views::TestOutcome outcome =
        velkora::views::runLoadFormatTest(format, path, QApplication::activeWindow(), run);
    if (!outcome.report.ran) {
        m_lastError = outcome.report.error;
        return {};
    }
    const QString text = velkora::formats::reportText(outcome.report, separator);
    m_lastTest->keep(text, std::move(outcome.file));
    return text;
}

QString ToolServicesImpl::LastError()
{
    return m_lastError;
}

QString ToolServicesImpl::ScriptRows(const QString &select, const QString &table)
{
    return guarded([&] {
        try {
            return store::ScriptWriter::scriptRows(store::openedDatabase(m_connectionName), select,
                                                   table);
        } catch (const velkora::formats::FormatsError &error) {
            throw RuntimeError(error.text());
        }
    });
}

QString ToolServicesImpl::ChooseOpenFile(QWidget *owner, const QString &title,
                                         const QString &startPath, const QString &filter)
{
    m_lastError.clear();
    controls::FileDialogRequest request;
    request.title = title;
    request.start = startPath;
    request.filters = filter.split(QStringLiteral(";;"), Qt::SkipEmptyParts);
    return controls::chooseFile(owner, request);
}

std::unique_ptr<kesta::host::TextViewer> ToolServicesImpl::CreateTextViewer()
{
    m_lastError.clear();
    return std::make_unique<TextViewerImpl>(m_lastTest);
}

std::unique_ptr<kesta::host::RecordTool> ToolServicesImpl::CreateRecordTool()
{
    m_lastError.clear();
    return std::make_unique<RecordToolImpl>(m_connectionName);
}

} // namespace velkora::services
