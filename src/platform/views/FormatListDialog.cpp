#include "FormatListDialog.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace velkora::views {

namespace {

enum Column { Key, Description, State, LastChange, ColumnCount };

// The rows whose key or description holds the filter's text.
class KeyOrDescriptionFilter : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    void setText(const QString &text)
    {
        m_text = text.trimmed();
        invalidateRowsFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex &parent) const override
    {
        if (m_text.isEmpty())
            return true;
        for (const int column : {Key, Description}) {
            const QString cell = sourceModel()->index(row, column, parent).data().toString();
            if (cell.contains(m_text, Qt::CaseInsensitive))
                return true;
        }
        return false;
    }

private:
    QString m_text;
};

bool movesThroughRows(int key)
{
    return key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
           key == Qt::Key_PageDown;
}

} // namespace

FormatListDialog::FormatListDialog(const QList<FormatListEntry> &entries, QWidget *parent)
    : QDialog(parent), m_model(new QStandardItemModel(0, ColumnCount, this)),
      m_rows(new KeyOrDescriptionFilter(this)), m_filter(new QLineEdit(this)),
      m_table(new QTableView(this)), m_summary(new QLabel(this))
{
    setObjectName(QStringLiteral("dlgFormatos"));
    setWindowTitle(QStringLiteral("Formatos de carga guardados"));
    m_model->setHorizontalHeaderLabels({QStringLiteral("Clave"), QStringLiteral("Descripción"),
                                        QStringLiteral("Estado"),
                                        QStringLiteral("Última modificación")});
    for (const FormatListEntry &entry : entries) {
        QList<QStandardItem *> row;
        for (const QString &text : {entry.key, entry.description, entry.state, entry.lastChange}) {
            auto *item = new QStandardItem(text);
            item->setEditable(false);
            row << item;
        }
        m_model->appendRow(row);
    }
    m_rows->setSourceModel(m_model);

    m_filter->setObjectName(QStringLiteral("txtFiltro"));
    m_filter->setPlaceholderText(QStringLiteral("Buscar por clave o descripción"));
    m_filter->setClearButtonEnabled(true);
    m_filter->installEventFilter(this);
    m_summary->setObjectName(QStringLiteral("lblFormatos"));
    m_table->setObjectName(QStringLiteral("tblFormatos"));
    m_table->setModel(m_rows);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setTabKeyNavigation(false);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->installEventFilter(this);
    m_table->resizeColumnsToContents();

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_filter);
    layout->addWidget(m_summary);
    layout->addWidget(m_table, 1);
    resize(680, 420);

    connect(m_filter, &QLineEdit::textChanged, this, &FormatListDialog::filterRows);
    connect(m_table, &QAbstractItemView::doubleClicked, this, &FormatListDialog::choose);
    filterRows(QString());
    m_filter->setFocus();
}

void FormatListDialog::filterRows(const QString &text)
{
    static_cast<KeyOrDescriptionFilter *>(m_rows)->setText(text);
    if (m_rows->rowCount() > 0)
        m_table->setCurrentIndex(m_rows->index(0, Key));
    showSummary();
}

void FormatListDialog::showSummary()
{
    const int shown = m_rows->rowCount();
    if (m_model->rowCount() == 0)
        m_summary->setText(QStringLiteral("No hay formatos de carga guardados."));
    else if (shown == 0)
        m_summary->setText(QStringLiteral("Ningún formato de carga tiene \"%1\" en su clave o "
                                          "su descripción.")
                               .arg(m_filter->text().trimmed()));
    else
        m_summary->setText(shown == 1 ? QStringLiteral("1 formato de carga")
                                      : QStringLiteral("%1 formatos de carga").arg(shown));
}

void FormatListDialog::choose(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    m_chosen = m_rows->index(index.row(), Key).data().toString();
    accept();
}

bool FormatListDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        choose(m_table->currentIndex());
        return true;
    }
    // The filter box keeps the cursor keys of its text; the rows' keys move through the rows.
    if (watched == m_filter && movesThroughRows(key->key())) {
        m_table->setFocus();
        QKeyEvent moved(QEvent::KeyPress, key->key(), key->modifiers());
        QCoreApplication::sendEvent(m_table, &moved);
        m_filter->setFocus();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace velkora::views
