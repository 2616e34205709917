#pragma once

#include "LineDecoder.h"

#include <QWidget>
#include <functional>
#include <memory>

class QLabel;
class QTabWidget;
class QTableView;

namespace velkora::views {

class ResultTableModel;

// What an export asks the user for: a CSV file to write, or the folder of all the tables.
enum class ExportTarget { CsvFile, Folder };
// Chooses where an export goes: gets the window, what is chosen and a suggested name, returns
// the path or an empty text for a cancel. The default is the platform's file dialog; tests
// replace it. An empty function restores the default.
using ExportChooser =
    std::function<QString(QWidget *parent, ExportTarget target, const QString &suggested)>;
void setExportChooser(ExportChooser chooser);

// A test's result as tables: a tab per line type ("0002 Movimiento (1.234)") and one for the
// lines with no line type or more than one, each a table over a ResultTableModel. Cells in
// error are coloured for the palette (light or dark), with the error as tooltip; a tab whose
// table has lines in error says how many. F8 and Shift+F8 go to the next and previous cell in
// error, from one table with errors to the next; the status line says what the current cell
// holds, or what the last command did, and is cleared when another table is shown. The view
// opens on the first cause's table (below), else on the first table with errors; a line over
// the tables counts the lines and the errors (fields and broken rules) as the test does. "Exportar
// esta tabla..." and "Exportar todas..." write CSV files. Nothing here opens a message box. When
// the test named likely causes of its errors (TestedFile::causes), a highlighted panel over the
// tables says them first, one per line type or field, and the first cause's table is the one shown.
// Object names: "vistaTablas", "tabsTablas", "tablaTipo<Ly_ID>", "tablaOtras",
// "lblEstadoTabla", "lblNotaTablas", "lblTotalErrores", "lblCausas", "cmdExportarTabla",
// "cmdExportarTodas".
class ResultTablesView : public QWidget {
    Q_OBJECT
public:
    explicit ResultTablesView(std::shared_ptr<LineDecoder> decoder, QWidget *parent = nullptr);

    int tableCount() const;
    QTableView *table(int group) const;
    ResultTableModel *model(int group) const;
    int currentGroup() const;
    void setCurrentGroup(int group);
    QString statusText() const;

    // Moves to the next (previous) cell in error: of the current table, then of the next
    // (previous) table with errors, round the tables; false when no table has any.
    bool goToError(bool backward);
    // The first table with errors after (before) `from`, round the tables (from -1: the first
    // or last with errors); -1 when none has any.
    int nextGroupWithErrors(int from, bool backward) const;
    // Writes a table (by group) into a CSV file, or every table with lines into a folder (see
    // csvFileName); the status line says what was written or why not. exportAll returns the
    // number of files written, -1 on a failure.
    bool exportTable(int group, const QString &fileName);
    int exportAll(const QString &folder);

public slots:
    void exportCurrentTable(); // asks for the file
    void exportAllTables();    // asks for the folder

signals:
    // The current cell of a table changed: its line (reading index) and, for a line type's
    // table, the line type and field (-1 for the line number's column).
    void cellChosen(qint64 lineIndex, int lineType, int field);
    // Enter or a double click on a cell: the user wants to see the line as it stands.
    void lineViewRequested(qint64 lineIndex, int lineType, int field);

protected:
    void changeEvent(QEvent *event) override;

private:
    // The construction: a table per group, F8 and Shift+F8, the note, the total and the
    // causes over the tables, and the layout.
    void addTable(int group);
    void addErrorKeys();
    QLabel *makeNote();
    void fillTotal();
    void fillCauses();
    void layOut(QLabel *note);
    void setStatus(const QString &text);
    void describeCell(const QModelIndex &index);
    void applyErrorColors();

    std::shared_ptr<LineDecoder> m_decoder;
    QTabWidget *m_tabs;
    QLabel *m_status;
    QLabel *m_causes;
    QLabel *m_total;
    QList<QTableView *> m_tables;
    QList<ResultTableModel *> m_models;
};

} // namespace velkora::views
