#include "GridTools.h"

#include "MessageBox.h"
#include "controls/DataGrid.h"
#include "controls/FileDialogs.h"
#include "host/RuntimeError.h"

#include <QAbstractItemView>
#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QPointer>
#include <QSaveFile>
#include <QTableView>

using kesta::host::RuntimeError;

namespace velkora::services {

namespace {

ExportFileChooser &chooser()
{
    static ExportFileChooser theChooser;
    return theChooser;
}

QString defaultChooser(QWidget *grid, const QString &suggestedName)
{
    controls::FileDialogRequest request;
    request.kind = controls::FileDialogRequest::Kind::Save;
    request.title = QStringLiteral("Exportar a archivo CSV");
    request.start = QDir::home().filePath(suggestedName);
    request.filters = QStringList{QStringLiteral("Archivos CSV (*.csv)")};
    return controls::chooseFile(grid, request);
}

QString flatCell(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    for (const QChar c : {QLatin1Char('\t'), QLatin1Char('\r'), QLatin1Char('\n')})
        text.replace(c, QLatin1Char(' '));
    return text;
}

QString csvCell(const QString &text)
{
    const bool quote = text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) ||
                       text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n')) ||
                       (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace()));
    if (!quote)
        return text;
    QString escaped = text;
    escaped.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

void reportExportFailure(QWidget *grid, const QString &text)
{
    MessageBox box(text, 48, QStringLiteral("Exportar a archivo CSV"),
                   grid ? grid->window() : nullptr, QString(), QString());
    box.run();
}

} // namespace

GridTable gridTable(QWidget *grid)
{
    GridTable table;
    if (auto *dataGrid = qobject_cast<controls::DataGrid *>(grid)) {
        QStringList names;
        for (int c = 0; c < dataGrid->columnCount(); ++c) {
            if (dataGrid->isColumnHidden(c))
                continue;
            const controls::GridColumn &column = dataGrid->column(c);
            table.captions << (column.caption.isEmpty() ? column.name : column.caption);
            names << column.name;
        }
        for (int r = 0; r < dataGrid->Rows(); ++r) {
            QStringList cells;
            for (const QString &name : names)
                cells << dataGrid->cellText(r, name);
            table.rows << cells;
        }
        return table;
    }
    if (auto *view = qobject_cast<QAbstractItemView *>(grid)) {
        const QAbstractItemModel *model = view->model();
        if (!model)
            return table;
        auto *tableView = qobject_cast<QTableView *>(view);
        QList<int> columns;
        for (int c = 0; c < model->columnCount(view->rootIndex()); ++c) {
            if (tableView && tableView->isColumnHidden(c))
                continue;
            columns << c;
            table.captions << model->headerData(c, Qt::Horizontal).toString();
        }
        for (int r = 0; r < model->rowCount(view->rootIndex()); ++r) {
            QStringList cells;
            for (int c : columns)
                cells << model->index(r, c, view->rootIndex()).data().toString();
            table.rows << cells;
        }
        return table;
    }
    throw RuntimeError(QStringLiteral("The grid command needs a grid; got %1.")
                           .arg(grid ? QString::fromLatin1(grid->metaObject()->className())
                                     : QStringLiteral("nothing")));
}

QString tabSeparatedText(const GridTable &table)
{
    QStringList lines;
    QStringList captions;
    for (const QString &caption : table.captions)
        captions << flatCell(caption);
    lines << captions.join(QLatin1Char('\t'));
    for (const QStringList &row : table.rows) {
        QStringList cells;
        for (const QString &cell : row)
            cells << flatCell(cell);
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString csvText(const GridTable &table)
{
    QString text;
    auto line = [&text](const QStringList &cells) {
        QStringList quoted;
        for (const QString &cell : cells)
            quoted << csvCell(cell);
        text += quoted.join(QLatin1Char(',')) + QLatin1String("\r\n");
    };
    line(table.captions);
    for (const QStringList &row : table.rows)
        line(row);
    return text;
}

QMenu *createGridMenu(QWidget *grid, QWidget *parent)
{
    auto *menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("mnuGrid"));
    QPointer<QWidget> target(grid);

    // The grid's own commands that are offered now come first (for example the field rows of
    // a line under edit).
    bool ownCommands = false;
    for (QAction *command : grid->actions()) {
        if (command->isVisible()) {
            menu->addAction(command);
            ownCommands = true;
        }
    }
    if (ownCommands)
        menu->addSeparator();

    QAction *copy = menu->addAction(QStringLiteral("Copiar todas las filas"));
    copy->setObjectName(QStringLiteral("actCopiarFilas"));
    QObject::connect(copy, &QAction::triggered, menu, [target] {
        if (target)
            copyAllRows(target);
    });

    QAction *exportAction = menu->addAction(QStringLiteral("Exportar a archivo CSV..."));
    exportAction->setObjectName(QStringLiteral("actExportarCsv"));
    QObject::connect(exportAction, &QAction::triggered, menu, [target] {
        if (!target)
            return;
        try {
            exportCsv(target);
        } catch (const RuntimeError &error) {
            reportExportFailure(target, error.description());
        }
    });

    menu->addSeparator();
    QAction *fit = menu->addAction(QStringLiteral("Ajustar columnas al contenido"));
    fit->setObjectName(QStringLiteral("actAjustarColumnas"));
    QObject::connect(fit, &QAction::triggered, menu, [target] {
        if (target)
            fitColumns(target);
    });
    return menu;
}

void copyAllRows(QWidget *grid)
{
    const QString text = tabSeparatedText(gridTable(grid));
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        clipboard->setText(text);
}

void writeCsvFile(QWidget *grid, const QString &fileName)
{
    const QByteArray bytes = QByteArray("\xEF\xBB\xBF") + csvText(gridTable(grid)).toUtf8();
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw RuntimeError(QStringLiteral("No se pudo escribir el archivo '%1': %2")
                               .arg(QDir::toNativeSeparators(fileName), file.errorString()));
}

bool exportCsv(QWidget *grid)
{
    gridTable(grid); // refuse a non-grid before asking for a file
    const QString base =
        grid && !grid->objectName().isEmpty() ? grid->objectName() : QStringLiteral("filas");
    const QString suggested = base + QStringLiteral(".csv");
    QString fileName = chooser() ? chooser()(grid, suggested) : defaultChooser(grid, suggested);
    if (fileName.isEmpty())
        return false;
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".csv");
    writeCsvFile(grid, fileName);
    return true;
}

void fitColumns(QWidget *grid)
{
    auto *view = qobject_cast<QTableView *>(grid);
    if (!view)
        throw RuntimeError(QStringLiteral("Only a table grid can fit its columns."));
    view->resizeColumnsToContents();
}

void setExportFileChooser(ExportFileChooser newChooser)
{
    chooser() = std::move(newChooser);
}

} // namespace velkora::services
