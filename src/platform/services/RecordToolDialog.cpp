#include "RecordToolDialog.h"

#include "host/RuntimeError.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace velkora::services {

RecordToolDialog::RecordToolDialog(const QString &table, const QString &key, const RecordRows &rows,
                                   QWidget *parent)
    : QDialog(parent), m_grid(new QTableWidget(this))
{
    setObjectName(QStringLiteral("dlgRecordTool"));
    setWindowTitle(QStringLiteral("%1 - %2").arg(table, key));

    auto *label = new QLabel(this);
    label->setObjectName(QStringLiteral("lblRegistros"));
    label->setText(rows.rows.isEmpty()
                       ? QStringLiteral("No hay registros con la clave '%1' en %2.").arg(key, table)
                       : QStringLiteral("%1 registro(s) de %2 con la clave '%3'.")
                             .arg(rows.rows.size())
                             .arg(table, key));

    m_grid->setObjectName(QStringLiteral("gridRegistros"));
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setColumnCount(static_cast<int>(rows.columns.size()));
    m_grid->setHorizontalHeaderLabels(rows.columns);
    m_grid->setRowCount(static_cast<int>(rows.rows.size()));
    for (int r = 0; r < rows.rows.size(); ++r) {
        const QVariantList &row = rows.rows.at(r);
        for (int c = 0; c < row.size(); ++c) {
            const QVariant &value = row.at(c);
            m_grid->setItem(
                r, c,
                new QTableWidgetItem(value.isNull() ? QStringLiteral("(NULL)") : value.toString()));
        }
    }
    m_grid->resizeColumnsToContents();

    auto *buttons = new QDialogButtonBox(this);
    buttons->setObjectName(QStringLiteral("botones"));
    QPushButton *close = buttons->addButton(QStringLiteral("Cerrar"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("cmdCerrar"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_grid);
    layout->addWidget(buttons);
    resize(800, 400);
}

RecordToolImpl::RecordToolImpl(QString connectionName) : m_connectionName(std::move(connectionName))
{}

void RecordToolImpl::OpenRecord(const QString &table, const QString &keyColumn, const QString &key,
                                const QString &, const QString &, const QString &, const QString &)
{
    const RecordRows rows = recordsWithKey(m_connectionName, table, keyColumn, key);
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        throw kesta::host::RuntimeError(
            QStringLiteral("A record cannot be shown without the application's windows."));
    RecordToolDialog dialog(table, key, rows, QApplication::activeWindow());
    dialog.exec();
}

} // namespace velkora::services
