#include "RecordToolDialog.h"

#include "host/RuntimeError.h"

#include <QApplication>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace velkora::services {

namespace {

constexpr auto None = "—";

// A column of the first row, found without regard to case; a null QVariant when the table has
// no such column or no rows.
QVariant firstRowValue(const RecordRows &rows, const QString &column, bool *exists = nullptr)
{
    qsizetype index = -1;
    for (qsizetype i = 0; i < rows.columns.size() && index < 0; ++i)
        if (rows.columns.at(i).compare(column, Qt::CaseInsensitive) == 0)
            index = i;
    if (exists)
        *exists = index >= 0;
    if (index < 0 || rows.rows.isEmpty())
        return {};
    return rows.rows.front().value(index);
}

QString shown(const QVariant &value)
{
    if (value.isNull())
        return {};
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return value.toString().trimmed();
}

// "OPERATOR, STAMP" from an operator and a stamp column; `unset` when both are empty, "—" when
// the table has neither column.
QString audit(const RecordRows &rows, const QString &operatorColumn, const QString &stampColumn,
              const QString &unset)
{
    bool hasOperator = false, hasStamp = false;
    const QString who = shown(firstRowValue(rows, operatorColumn, &hasOperator));
    const QString when = shown(firstRowValue(rows, stampColumn, &hasStamp));
    if (!hasOperator && !hasStamp)
        return QString::fromUtf8(None);
    if (who.isEmpty() && when.isEmpty())
        return unset;
    QStringList parts;
    if (!who.isEmpty())
        parts << who;
    if (!when.isEmpty())
        parts << when;
    return parts.join(QStringLiteral(", "));
}

QLabel *valueLabel(const QString &name, const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QTableWidget *table(const QString &name, const QStringList &captions, QWidget *parent)
{
    auto *grid = new QTableWidget(parent);
    grid->setObjectName(name);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setColumnCount(int(captions.size()));
    grid->setHorizontalHeaderLabels(captions);
    return grid;
}

// The record's state: "Activo", "Dado de baja", another state as stored, or None.
QString stateText(const RecordRows &rows)
{
    bool hasState = false;
    const QString state = shown(firstRowValue(rows, QStringLiteral("Es_Cve_Estado"), &hasState));
    if (state == QLatin1String("AC"))
        return QStringLiteral("Activo");
    if (state == QLatin1String("BA"))
        return QStringLiteral("Dado de baja");
    if (hasState && !state.isEmpty())
        return state;
    return QString::fromUtf8(None);
}

// The state and the audit columns: who and when the record was added, changed and removed.
QFormLayout *auditForm(const RecordRows &rows, QWidget *parent)
{
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Estado:"),
                 valueLabel(QStringLiteral("lblEstado"), stateText(rows), parent));
    form->addRow(QStringLiteral("Alta:"),
                 valueLabel(QStringLiteral("lblAlta"),
                            audit(rows, QStringLiteral("Oper_Alta"), QStringLiteral("Fecha_Alta"),
                                  QString::fromUtf8(None)),
                            parent));
    form->addRow(QStringLiteral("Última modificación:"),
                 valueLabel(QStringLiteral("lblUltModif"),
                            audit(rows, QStringLiteral("Oper_Ult_Modif"),
                                  QStringLiteral("Fecha_Ult_Modif"), QString::fromUtf8(None)),
                            parent));
    form->addRow(QStringLiteral("Baja:"),
                 valueLabel(QStringLiteral("lblBaja"),
                            audit(rows, QStringLiteral("Oper_Baja"), QStringLiteral("Fecha_Baja"),
                                  QStringLiteral("No")),
                            parent));
    return form;
}

void fillHistory(QTableWidget &table, const QList<ActionEntry> &history)
{
    table.setRowCount(int(history.size()));
    for (int r = 0; r < history.size(); ++r) {
        const ActionEntry &entry = history.at(r);
        table.setItem(r, 0, new QTableWidgetItem(entry.stamp));
        table.setItem(r, 1, new QTableWidgetItem(entry.action));
        table.setItem(r, 2, new QTableWidgetItem(entry.operatorCode));
    }
    table.horizontalHeader()->setStretchLastSection(true);
    table.resizeColumnsToContents();
}

void fillRecords(QTableWidget &table, const RecordRows &rows)
{
    table.setRowCount(int(rows.rows.size()));
    for (int r = 0; r < rows.rows.size(); ++r) {
        const QVariantList &row = rows.rows.at(r);
        for (int c = 0; c < row.size(); ++c) {
            const QVariant &value = row.at(c);
            table.setItem(
                r, c,
                new QTableWidgetItem(value.isNull() ? QStringLiteral("(NULL)") : shown(value)));
        }
    }
    table.resizeColumnsToContents();
}

} // namespace

RecordToolDialog::RecordToolDialog(const QString &tableName, const QString &key,
                                   const RecordRows &rows, const QList<ActionEntry> &history,
                                   QWidget *parent)
    : QDialog(parent), m_grid(table(QStringLiteral("gridRegistros"), rows.columns, this)),
      m_history(table(
          QStringLiteral("gridHistorial"),
          {QStringLiteral("Fecha"), QStringLiteral("Acción"), QStringLiteral("Operador")}, this))
{
    setObjectName(QStringLiteral("dlgRecordTool"));
    setWindowTitle(QStringLiteral("Registro - %1 %2").arg(tableName, key));
    setSizeGripEnabled(true);

    auto *heading = new QLabel(this);
    heading->setObjectName(QStringLiteral("lblRegistros"));
    heading->setText(
        rows.rows.isEmpty()
            ? QStringLiteral("No hay registros con la clave '%1' en %2.").arg(key, tableName)
            : QStringLiteral("%1 registro(s) de %2 con la clave '%3'.")
                  .arg(rows.rows.size())
                  .arg(tableName, key));
    QFormLayout *form = auditForm(rows, this);
    fillHistory(*m_history, history);
    fillRecords(*m_grid, rows);

    auto *tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("tabsRegistro"));
    tabs->addTab(m_history, QStringLiteral("Historial (%1)").arg(history.size()));
    tabs->addTab(m_grid, QStringLiteral("Registros (%1)").arg(rows.rows.size()));

    auto *buttons = new QDialogButtonBox(this);
    buttons->setObjectName(QStringLiteral("botones"));
    QPushButton *close = buttons->addButton(QStringLiteral("Cerrar"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("cmdCerrar"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addLayout(form);
    layout->addWidget(tabs, 1);
    layout->addWidget(buttons);
    resize(820, 460);
}

RecordToolImpl::RecordToolImpl(QString connectionName) : m_connectionName(std::move(connectionName))
{}

void RecordToolImpl::OpenRecord(const QString &table, const QString &keyColumn, const QString &key,
                                const QString &, const QString &, const QString &, const QString &)
{
    const RecordRows rows = recordsWithKey(m_connectionName, table, keyColumn, key);
    const QList<ActionEntry> history = actionHistory(m_connectionName, table, key);
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        throw kesta::host::RuntimeError(
            QStringLiteral("A record cannot be shown without the application's windows."));
    RecordToolDialog dialog(table, key, rows, history, QApplication::activeWindow());
    dialog.exec();
}

} // namespace velkora::services
