#include "TestDatabase.h"

#include "PgServer.h"
#include "host/RuntimeError.h"
#include "services/Database.h"

#include <QAtomicInt>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

using kesta::host::RuntimeError;

namespace kesta::test {

namespace {
QAtomicInt g_counter;
}

bool skipPostgres()
{
    return qEnvironmentVariable("KESTA_SKIP_POSTGRES") == QLatin1String("1");
}

void warnPostgresSkipped(const QString &why)
{
    qWarning("\n"
             "************************************************************************\n"
             "*** POSTGRESQL TEST SKIPPED because KESTA_SKIP_POSTGRES=1:\n"
             "*** %s\n"
             "************************************************************************",
             qPrintable(why));
}

TestDatabase::TestDatabase(Kind kind, bool withSchema, const QString &connectionName) : m_kind(kind)
{
    m_connectionName =
        connectionName.isEmpty()
            ? QStringLiteral("kesta_test_%1").arg(g_counter.fetchAndAddRelaxed(1) + 1)
            : connectionName;
    bool opened = false;
    try {
        if (kind == Kind::Sqlite) {
            m_folder = std::make_unique<QTemporaryDir>();
            if (!m_folder->isValid())
                throw RuntimeError(QStringLiteral("cannot create a temporary folder: ") +
                                   m_folder->errorString());
            m_location = m_folder->filePath(QStringLiteral("kesta.db"));
        } else {
            PgServer &server = PgServer::instance();
            if (!server.ok())
                throw RuntimeError(server.error());
            m_pgDatabase = server.createDatabase();
            m_location = server.url(m_pgDatabase);
        }
        velkora::services::openDatabase(m_connectionName, m_location);
        opened = true;
        if (withSchema)
            velkora::services::createSchema(m_connectionName);
        m_ok = true;
    } catch (const RuntimeError &error) {
        m_error = error.description();
        if (opened)
            velkora::services::closeDatabase(m_connectionName);
    }
}

TestDatabase::~TestDatabase()
{
    if (m_ok)
        velkora::services::closeDatabase(m_connectionName);
    if (!m_pgDatabase.isEmpty()) {
        try {
            PgServer::instance().dropDatabase(m_pgDatabase);
        } catch (const RuntimeError &error) {
            qWarning("TestDatabase: %s", qPrintable(error.description()));
        }
    }
}

void TestDatabase::exec(const QString &sql)
{
    if (!m_ok)
        throw RuntimeError(QStringLiteral("The test database is not available: ") + m_error);
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    if (!query.exec(sql))
        throw RuntimeError(QStringLiteral("%1\n%2").arg(sql, query.lastError().text()));
}

QVariant TestDatabase::scalar(const QString &sql)
{
    if (!m_ok)
        throw RuntimeError(QStringLiteral("The test database is not available: ") + m_error);
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    if (!query.exec(sql))
        throw RuntimeError(QStringLiteral("%1\n%2").arg(sql, query.lastError().text()));
    return query.next() ? query.value(0) : QVariant();
}

} // namespace kesta::test
