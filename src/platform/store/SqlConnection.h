#pragma once

#include "host/Connection.h"

#include <QSqlDatabase>
#include <QString>

namespace velkora::store {

// The engine of an open Qt SQL connection, from its driver.
kesta::host::Engine engineOf(const QSqlDatabase &db);

// host::Connection over a named Qt SQL connection. The named connection is looked up on
// every call (QSqlDatabase::database), so nothing holds it between uses.
class SqlConnection : public kesta::host::Connection {
public:
    explicit SqlConnection(QString connectionName);

    kesta::host::Engine engine() const override;
    std::unique_ptr<kesta::host::RecordSet> Execute(const QString &statement) override;
    // Prepared statements on SQLite; null on PostgreSQL and over ODBC, whose statements keep
    // their literal forms.
    std::unique_ptr<kesta::host::PreparedStatement> Prepare(const QString &statement) override;
    void BeginTrans() override;
    void BeginReadTrans() override;
    void CommitTrans() override;
    void RollbackTrans() override;
    bool hasRulesTable() const override;

    QString connectionName() const { return m_name; }

private:
    QSqlDatabase database() const;
    QString m_name;
};

} // namespace velkora::store
