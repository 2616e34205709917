#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class QMenu;
class QWidget;

namespace velkora::services {

// The grid commands of F10 and Shift+F10, in pieces that tests can drive.

// What a grid shows, as texts: the captions of its visible columns and, for every row, the
// cells of those columns as shown (after the column's display format).
struct GridTable {
    QStringList captions;
    QList<QStringList> rows;
};
// A controls::DataGrid through its own API, any other QAbstractItemView through its model.
// Anything else raises kesta::host::RuntimeError.
GridTable gridTable(QWidget *grid);

// A caption line and one line per row, cells separated by TAB, lines by "\n" (the form
// spreadsheets paste). TABs and line breaks inside a cell become blanks.
QString tabSeparatedText(const GridTable &table);
// Comma-separated values: a caption line and one line per row, lines ended by CR LF; a cell
// holding a comma, a quote, a CR or an LF, or starting or ending with blanks, is written
// between double quotes with its quotes doubled.
QString csvText(const GridTable &table);

// The grid's context menu (Shift+F10), owned by parent. Its actions:
// "actCopiarFilas" "Copiar todas las filas" (copyAllRows), "actExportarCsv"
// "Exportar a archivo CSV..." (exportCsv), "actAjustarColumnas" "Ajustar columnas al
// contenido" (fitColumns).
QMenu *createGridMenu(QWidget *grid, QWidget *parent);

// Puts tabSeparatedText of the grid on the clipboard.
void copyAllRows(QWidget *grid);
// Asks for a file name (the chooser) and writes csvText of the grid into it in UTF-8 (with a
// byte-order mark, so that spreadsheets read the accents right); ".csv" is added to a name
// without an extension. Returns false when the user cancelled. A file that cannot be written
// raises kesta::host::RuntimeError.
bool exportCsv(QWidget *grid);
void writeCsvFile(QWidget *grid, const QString &fileName);
// F10: every visible column of the grid takes the width of its contents and caption.
void fitColumns(QWidget *grid);

// Chooses the file of an export: gets the grid and a suggested file name, returns the chosen
// path or an empty text for a cancel. The default is the platform's save dialog; tests
// replace it. An empty function restores the default.
using ExportFileChooser = std::function<QString(QWidget *grid, const QString &suggestedName)>;
void setExportFileChooser(ExportFileChooser chooser);

} // namespace velkora::services
