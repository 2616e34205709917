#pragma once

#include <QDialog>
#include <QList>
#include <QString>

class QLabel;
class QLineEdit;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTableView;

namespace velkora::views {

// One stored load format as the list shows it, every column as its text.
struct FormatListEntry {
    QString key;
    QString description;
    QString state;      // "Activo", "De baja"
    QString lastChange; // "06/12/2026 10:30"
};

// The stored load formats to choose one from: a filter box over a table of their keys,
// descriptions, states and last changes. Typing filters the rows (the text anywhere in the key
// or the description, without regard to case); the arrows and the page keys move through the
// rows from the filter box; Enter or a double click chooses the current row, Escape closes the
// window without a choice. A list without rows says so in a line over the table. The window
// only shows: the caller acts on the key chosen.
// Object names: "dlgFormatos", "txtFiltro", "tblFormatos", "lblFormatos".
class FormatListDialog : public QDialog {
    Q_OBJECT
public:
    explicit FormatListDialog(const QList<FormatListEntry> &entries, QWidget *parent = nullptr);

    // The key of the row chosen; empty until one is.
    QString chosenKey() const { return m_chosen; }
    QTableView *table() const { return m_table; }
    QLineEdit *filterBox() const { return m_filter; }
    QLabel *summary() const { return m_summary; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void filterRows(const QString &text);
    void choose(const QModelIndex &index);
    void showSummary();

    QStandardItemModel *m_model;
    QSortFilterProxyModel *m_rows;
    QLineEdit *m_filter;
    QTableView *m_table;
    QLabel *m_summary;
    QString m_chosen;
};

} // namespace velkora::views
