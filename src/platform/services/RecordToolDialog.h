#pragma once

#include "DataLookups.h"
#include "host/ToolServices.h"

#include <QDialog>

class QTableWidget;

namespace velkora::services {

// A read-only view of the rows of one key: one line per row, one column per table column.
// Object names: "dlgRecordTool", "gridRegistros", "cmdCerrar".
class RecordToolDialog : public QDialog {
    Q_OBJECT
public:
    RecordToolDialog(const QString &table, const QString &key, const RecordRows &rows,
                     QWidget *parent = nullptr);
    QTableWidget *grid() const { return m_grid; }

private:
    QTableWidget *m_grid;
};

// RecordTool of the services: OpenRecord reads the rows of the table whose key column holds
// the key (checked names, bound key) and shows them in a RecordToolDialog over the active
// window. The four further texts are accepted and not used.
class RecordToolImpl : public kesta::host::RecordTool {
public:
    explicit RecordToolImpl(QString connectionName);
    void OpenRecord(const QString &table, const QString &keyColumn, const QString &key,
                    const QString &a, const QString &b, const QString &c,
                    const QString &d) override;

private:
    QString m_connectionName;
};

} // namespace velkora::services
