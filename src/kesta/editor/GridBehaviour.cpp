#include "GridBehaviour.h"

#include "LineEditor.h"
#include "host/Publico.h"
#include "messages/HandlerGuard.h"

#include <controls/DataGrid.h>

namespace kesta::editor {

using velkora::controls::DataGrid;

namespace {

constexpr int KeyEnter = 13;
constexpr int KeyBackspace = 8;
constexpr int KeyF10 = 121;
constexpr int KeyDown = 40;
constexpr int KeyInsert = 45;
constexpr int KeyDelete = 46;
constexpr int ShiftAlone = 1;
constexpr int CtrlAlone = 2;

QString handlerName(const DataGrid &grid, const char *notification)
{
    return grid.objectName() + QLatin1Char('_') + QLatin1String(notification) +
           QStringLiteral("()");
}

} // namespace

GridBehaviour::GridBehaviour(Parts parts, QObject *parent)
    : QObject(parent), m_parts(std::move(parts))
{
    connectGrid(m_parts.lines);
    connectGrid(m_parts.fields);
    DataGrid *lines = m_parts.lines;
    QWidget *owner = m_parts.owner;
    connect(lines, &DataGrid::RowColChange, this,
            [this, lines, owner](const QVariant &lastRow, int lastColumn) {
                messages::guardHandler(owner, handlerName(*lines, "RowColChange"),
                                       [&] { lineRowChanged(lastRow, lastColumn); });
            });
    connect(lines, &DataGrid::BeforeRowColChange, this, [this, lines, owner](bool &cancel) {
        messages::guardHandler(owner, handlerName(*lines, "BeforeRowColChange"),
                               [&] { beforeLineMove(cancel); });
    });
    connect(lines, &DataGrid::LeftByTab, this, [this, lines, owner](bool forward) {
        messages::guardHandler(owner, handlerName(*lines, "LeftByTab"),
                               [&] { lineGridLeft(forward); });
    });
    // While a line is held, TAB (and Enter, which types a TAB) leave its row's last cell for
    // the next control rather than for the next row, which the hold refuses.
    connect(m_parts.editor, &LineEditor::lineEditActiveChanged, lines, &DataGrid::setTabLeavesRow);
}

void GridBehaviour::connectGrid(DataGrid *grid)
{
    QWidget *owner = m_parts.owner;
    connect(grid, &DataGrid::KeyPress, this, [this, grid, owner](int &keyAscii) {
        if (!messages::guardHandler(owner, handlerName(*grid, "KeyPress"),
                                    [&] { keyPress(*grid, keyAscii); }))
            keyAscii = 0;
    });
    connect(grid, &DataGrid::KeyDown, this, [this, grid, owner](int keyCode, int shift) {
        messages::guardHandler(owner, handlerName(*grid, "KeyDown"),
                               [&] { keyDown(*grid, keyCode, shift); });
    });
    connect(grid, &DataGrid::BeforeEdit, this, [this, grid, owner](bool &cancel) {
        if (!messages::guardHandler(owner, handlerName(*grid, "BeforeEdit"),
                                    [&] { beforeEdit(cancel); }))
            cancel = true;
    });
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid, &QWidget::customContextMenuRequested, this, [grid, owner] {
        messages::guardHandler(owner, handlerName(*grid, "ContextMenu"),
                               [&] { Publico::ToolServices().GridCommandShiftF10(grid); });
    });
}

bool GridBehaviour::isFilteredColumn(const QString &name)
{
    const QString upper = name.toUpper();
    return upper == QLatin1String("POSICION") || upper == QLatin1String("LONGITUD");
}

void GridBehaviour::keyPress(DataGrid &grid, int &keyAscii)
{
    if (grid.currentColumn() < 0)
        return;
    if (keyAscii == KeyEnter) {
        keyAscii = 0;
        Publico::ToolServices().SimulateKeys(QStringLiteral("\t"), 0);
    }
    if (!m_parts.editMode()) {
        keyAscii = 0;
        return;
    }
    if (!isFilteredColumn(grid.currentColumnName()))
        return;
    const bool digit = keyAscii >= '0' && keyAscii <= '9';
    if (!digit && keyAscii != KeyBackspace)
        keyAscii = 0;
}

void GridBehaviour::keyDown(DataGrid &grid, int keyCode, int shift)
{
    if (keyCode == KeyF10) {
        if (shift == ShiftAlone)
            Publico::ToolServices().GridCommandShiftF10(&grid);
        else
            Publico::ToolServices().GridCommandF10(&grid);
        return;
    }
    if (&grid != m_parts.fields || !m_parts.editor->LineEditActive())
        return;
    if ((keyCode == KeyDown && shift == 0 && m_parts.editor->downAddsFieldRow()) ||
        (keyCode == KeyInsert && shift == 0))
        m_parts.editor->addFieldRow();
    else if (keyCode == KeyDelete && shift == CtrlAlone)
        m_parts.editor->removeFieldRow();
}

void GridBehaviour::lineRowChanged(const QVariant &lastRow, int lastColumn)
{
    Q_UNUSED(lastColumn);
    if (m_parts.editor->LineEditActive() || lastRow.isNull())
        return;
    const int current = m_parts.lines->currentRow();
    if (lastRow.toInt() != current)
        m_parts.refill(QString::number(current));
}

void GridBehaviour::beforeLineMove(bool &cancel)
{
    if (!m_parts.editor->LineEditActive())
        return;
    // The line under edit is held: moves among its cells pass, a move to another row does
    // not (the edit's checks and commit belong to that row).
    const int edited = m_parts.editor->EditedLineRow();
    if (m_parts.lines->currentRow() != edited || m_parts.lines->targetRow() != edited)
        cancel = true;
}

void GridBehaviour::lineGridLeft(bool forward)
{
    // From the line under edit on to its fields: the field grid starts at its first cell.
    DataGrid &fields = *m_parts.fields;
    if (!forward || !m_parts.editor->LineEditActive() || !fields.hasFocus())
        return;
    // An empty field grid starts on its new row.
    fields.setCurrentCell(0, 0);
}

void GridBehaviour::beforeEdit(bool &cancel)
{
    // The grids take input only during a line edit: what the user changes there is checked
    // and committed into the field store by "Aceptar", or dropped by "Cancelar". A cell changed
    // outside one (the field grid's Tipo, whose column is never locked) would show a value that
    // the store does not hold and the save does not write.
    if (!m_parts.editMode() || !m_parts.editor->LineEditActive())
        cancel = true;
}

} // namespace kesta::editor
