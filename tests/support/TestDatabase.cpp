#include "TestDatabase.h"

#include "PgServer.h"
#include "host/RuntimeError.h"
#include "store/Database.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

using namespace Qt::StringLiterals;
using kesta::host::RuntimeError;

namespace kesta::test {

bool skipPostgres()
{
    return qEnvironmentVariable("KESTA_SKIP_POSTGRES") == "1"_L1;
}

void warnPostgresSkipped(const QString &why)
{
    qWarning("\n*** POSTGRESQL TEST SKIPPED because KESTA_SKIP_POSTGRES=1:\n*** %s",
             qPrintable(why));
}

static int g_count = 0;

TestDatabase::TestDatabase(Kind kind, bool withSchema, const QString &connectionName)
    : m_kind(kind), m_connectionName(connectionName.isEmpty() ? u"kesta_test_%1"_s.arg(++g_count)
                                                              : connectionName)
{
    try {
        PgServer *server = kind != Kind::Sqlite ? &PgServer::instance() : nullptr;
        if (!(server ? server->ok() : m_folder.isValid()))
            throw RuntimeError(server ? server->error() : u"no temporary folder"_s);
        // A missing ODBC driver is said before a database is made.
        if (kind == Kind::OdbcPostgreSql)
            server->odbcLocation({});
        m_pgDatabase = server ? server->createDatabase() : QString();
        m_location = kind == Kind::OdbcPostgreSql ? server->odbcLocation(m_pgDatabase)
                     : server                     ? server->url(m_pgDatabase)
                                                  : m_folder.filePath(u"kesta.db"_s);
        velkora::store::openDatabase(m_connectionName, m_location);
        m_ok = true;
        if (withSchema)
            velkora::store::createSchema(m_connectionName);
    } catch (const RuntimeError &error) {
        m_error = error.description();
        if (std::exchange(m_ok, false))
            velkora::store::closeDatabase(m_connectionName);
    }
}

TestDatabase::~TestDatabase()
{
    if (m_ok)
        velkora::store::closeDatabase(m_connectionName);
    try {
        if (!m_pgDatabase.isEmpty())
            PgServer::instance().dropDatabase(m_pgDatabase);
    } catch (const RuntimeError &error) {
        qWarning("TestDatabase: %s", qPrintable(error.description()));
    }
}

QVariant TestDatabase::scalar(const QString &sql)
{
    if (!m_ok)
        throw RuntimeError(u"The test database is not available: "_s + m_error);
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    if (!query.exec(sql))
        throw RuntimeError(u"%1\n%2"_s.arg(sql, query.lastError().text()));
    return query.next() ? query.value(0) : QVariant();
}

QStringList TestDatabase::rows(const QString &sql, QChar separator) const
{
    QSqlQuery query(QSqlDatabase::database(m_connectionName)); // opened again when it was lost
    if (!query.exec(sql))
        return {u"error: "_s + query.lastError().text()};
    QStringList rows;
    while (query.next()) {
        QStringList cells;
        for (int i = 0; i < query.record().count(); ++i)
            cells << (query.isNull(i) ? u"NULL"_s : query.value(i).toString());
        rows << cells.join(separator);
    }
    return rows;
}

} // namespace kesta::test
