#pragma once

#include "DataLookups.h"
#include "host/ToolServices.h"

#include <QDialog>

class QLabel;
class QTableWidget;

namespace velkora::services {

// The record tool's window on one key of a table:
// - the record's state ("lblEstado": "Activo" for AC, "Dado de baja" for BA) and its audit
//   columns, each as "OPERATOR, STAMP": created ("lblAlta": Oper_Alta, Fecha_Alta), last changed
//   ("lblUltModif": Oper_Ult_Modif, Fecha_Ult_Modif) and deactivated ("lblBaja": Oper_Baja,
//   Fecha_Baja; "No" when neither is set). A table without these columns shows "—";
// - its history from the action record ("gridHistorial": Fecha, Acción, Operador), oldest
//   first;
// - its rows ("gridRegistros": one line per row, one column per table column).
// Object names: "dlgRecordTool", "tabsRegistro", "cmdCerrar".
class RecordToolDialog : public QDialog {
    Q_OBJECT
public:
    RecordToolDialog(const QString &table, const QString &key, const RecordRows &rows,
                     const QList<ActionEntry> &history, QWidget *parent = nullptr);
    QTableWidget *grid() const { return m_grid; }
    QTableWidget *history() const { return m_history; }

private:
    QTableWidget *m_grid;
    QTableWidget *m_history;
};

// RecordTool of the services: OpenRecord reads the rows of the table whose key column holds
// the key (checked names, bound key) and the key's action record, and shows them in a
// RecordToolDialog over the active window. The four further texts are accepted and not used.
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
