#include "LineEditor.h"

#include "FieldStore.h"
#include "GridCells.h"
#include "GridColumns.h"
#include "LineEditCheck.h"
#include "host/CoreServices.h"
#include "host/RuntimeError.h"
#include "messages/Messages.h"

#include <controls/DataGrid.h>
#include <controls/SmallControls.h>

#include <QAction>

namespace kesta::editor {

using velkora::controls::DataGrid;

QString typeCode(int listPosition)
{
    return QStringLiteral("%1").arg(listPosition + 1, 2, 10, QLatin1Char('0'));
}

LineEditor::LineEditor(Parts parts, QObject *parent) : QObject(parent), m_parts(std::move(parts))
{
    // The field grid's own commands for its rows, offered in its menu during a line edit.
    m_addField = new QAction(QStringLiteral("Agregar campo\tInsert"), m_parts.fields);
    m_addField->setObjectName(QStringLiteral("actAgregarCampo"));
    m_removeField = new QAction(QStringLiteral("Eliminar campo\tCtrl+Supr"), m_parts.fields);
    m_removeField->setObjectName(QStringLiteral("actEliminarCampo"));
    for (QAction *action : {m_addField, m_removeField}) {
        action->setVisible(false);
        m_parts.fields->addAction(action);
    }
    connect(m_addField, &QAction::triggered, this, [this] { addFieldRow(); });
    connect(m_removeField, &QAction::triggered, this, [this] { removeFieldRow(); });
    lockEditColumns(true);
}

void LineEditor::setActive(bool active)
{
    m_active = active;
    m_addField->setVisible(active);
    m_removeField->setVisible(active);
    // During a line edit the field grid shows where its fields are added: the new row "*" at
    // its end, and the keys in its tooltip and menu.
    m_parts.fields->setNewRowOffered(active);
    m_parts.fields->setToolTip(
        active ? QStringLiteral("Escriba en la fila * para agregar un campo; Insert agrega un "
                                "campo, Ctrl+Supr elimina el campo actual")
               : QString());
    emit lineEditActiveChanged(active);
}

void LineEditor::click(int index)
{
    switch (index) {
    case Nuevo:
        startNew();
        break;
    case Editar:
        startEdit();
        break;
    case Eliminar:
        deleteLine();
        break;
    case Aceptar:
        accept();
        break;
    case Cancelar:
        cancel();
        break;
    default:
        break;
    }
}

void LineEditor::startNew()
{
    DataGrid &lines = *m_parts.lines;
    if (lines.Rows() == 1) {
        lines.setCurrentRow(0);
        if (cellText(lines, 0, LineColumn::Id).isEmpty()) {
            messages::show(m_parts.owner, messages::firstLineNeedsId());
            return;
        }
    }
    // The new line's cells are all empty: the user types them, its number included.
    const int row = lines.AddNew();
    m_editedRow = lines.Rows() - 1;
    m_orderAtStart.clear();
    m_columnsAtStart.clear();
    lines.setCurrentCell(row, 0);
    lines.setFocus();
    m_parts.fields->RemoveAll();
    setActive(true);
    lockEditColumns(false);
    showEndGroup();
}

void LineEditor::startEdit()
{
    const int current = m_parts.lines->currentRow();
    m_columnsAtStart = fieldColumns(fieldInputs());
    setActive(true);
    m_editedRow = current;
    m_orderAtStart =
        m_editedRow >= 0 ? cellText(*m_parts.lines, m_editedRow, LineColumn::Order) : QString();
    lockEditColumns(false);
    showEndGroup();
}

void LineEditor::deleteLine()
{
    DataGrid &lines = *m_parts.lines;
    const int row = lines.currentRow();
    if (row < 0)
        return;
    if (messages::show(m_parts.owner, messages::confirmLineDelete()) != host::MessageAnswer::Yes)
        return;
    // The line type's field definitions go with it: left in the store they would be saved as
    // fields of a line type that no longer exists.
    m_parts.store->removeLine(cellText(lines, row, LineColumn::Order));
    const QString loaded = m_loadedOrders.take(cellText(lines, row, LineColumn::Order));
    lines.RemoveRow(row);
    if (!loaded.isEmpty() && m_parts.lineGone)
        m_parts.lineGone(loaded);
    refillCurrent();
}

void LineEditor::removeAllLines()
{
    if (m_active) {
        m_parts.lines->CancelUpdate();
        lockEditColumns(true);
        showStartGroup();
        setActive(false);
    }
    m_editedRow = -1;
    m_orderAtStart.clear();
    m_loadedOrders.clear();
    m_parts.store->clear();
    m_parts.lines->RemoveAll();
    m_parts.fields->RemoveAll();
}

LineRowInput LineEditor::lineInput(int row) const
{
    const DataGrid &lines = *m_parts.lines;
    if (row < 0 || row >= lines.Rows())
        return {};
    return LineRowInput{
        cellText(lines, row, LineColumn::Order), cellText(lines, row, LineColumn::Id),
        cellText(lines, row, LineColumn::Description), cellText(lines, row, LineColumn::Position),
        cellText(lines, row, LineColumn::Length)};
}

QList<FieldRowInput> LineEditor::fieldInputs() const
{
    const DataGrid &fields = *m_parts.fields;
    QList<FieldRowInput> inputs;
    inputs.reserve(fields.Rows());
    for (int row = 0; row < fields.Rows(); ++row) {
        FieldRowInput input;
        input.id = cellText(fields, row, FieldColumn::Id);
        input.descripcion = cellText(fields, row, FieldColumn::Description);
        input.posicion = cellText(fields, row, FieldColumn::Position);
        input.longitud = cellText(fields, row, FieldColumn::Length);
        input.tipo = fields.listIndex(row, columnOf(FieldColumn::Type));
        input.valor = cellText(fields, row, FieldColumn::Value);
        input.formato = cellText(fields, row, FieldColumn::Format);
        input.trim = fields.cell(row, columnOf(FieldColumn::Trim)).toBool();
        input.lineaId = cellText(fields, row, FieldColumn::LineOrder);
        inputs << input;
    }
    return inputs;
}

bool LineEditor::accept()
{
    if (!m_active)
        return false;
    DataGrid &lines = *m_parts.lines;
    DataGrid &fields = *m_parts.fields;
    // What the user typed last counts, also in a cell still being edited.
    lines.commitCellEdit();
    fields.commitCellEdit();
    dropBlankFieldRows();

    const int row = m_editedRow;
    QStringList otherOrders;
    for (int other = 0; other < lines.Rows(); ++other) {
        if (other != row)
            otherOrders << cellText(lines, other, LineColumn::Order);
    }
    const LineRowInput line = lineInput(row);
    const QList<FieldRowInput> fieldRows = fieldInputs();
    if (const auto refusal = checkLineEdit(line, lines.Rows(), otherOrders, fieldRows)) {
        messages::show(m_parts.owner, refusal->message);
        if (refusal->placesCursor)
            showFault(*refusal);
        if (refusal->cancelSave && m_parts.cancelSave)
            m_parts.cancelSave();
        return false;
    }
    commit(line, fieldRows);
    return true;
}

// A field row that holds nothing (added by Insert or Down, or a list opened on the new row and
// left empty) is no field: it is neither checked nor committed.
void LineEditor::dropBlankFieldRows()
{
    DataGrid &fields = *m_parts.fields;
    for (int row = fields.Rows() - 1; row >= 0; --row) {
        if (fields.rowIsBlank(row))
            fields.RemoveRow(row);
    }
}

// The user lands on the cell at fault: in the field grid, or in the line under edit.
void LineEditor::showFault(const Refusal &refusal)
{
    DataGrid &grid = refusal.focusFieldGrid ? *m_parts.fields : *m_parts.lines;
    const int row = refusal.focusFieldGrid ? refusal.fieldRow : m_editedRow;
    const int column = refusal.column;
    // A field grid without rows: its new row, where the first field is typed.
    const bool newRow = refusal.focusFieldGrid && grid.Rows() == 0 && grid.newRowOffered();
    if ((row >= 0 && row < grid.Rows()) || (newRow && row == 0))
        grid.setCurrentCell(row, column >= 0 ? column : qMax(grid.currentColumn(), 0));
    grid.setFocus();
}

void LineEditor::commit(const LineRowInput &line, const QList<FieldRowInput> &fieldRows)
{
    const QString order = line.orden;
    QList<FieldStore::Entry> entries;
    entries.reserve(fieldRows.size());
    QStringList kept;
    for (int row = 0; row < fieldRows.size(); ++row) {
        const FieldRowInput &field = fieldRows.at(row);
        const QString number = fieldNumber(field.id);
        // The field row's tag is the field as the rules know it, whatever number it has now.
        const QString origin = m_parts.fields->rowTag(row).toString();
        entries << FieldStore::Entry{
            FieldStore::keyFor(order, number), FieldStore::textFor(order, number),
            QStringList{number, field.descripcion, field.posicion, field.longitud,
                        typeCode(field.tipo), field.valor, field.formato,
                        field.trim ? QStringLiteral("SI") : QStringLiteral("NO"), order},
            origin};
        kept << origin;
    }
    const QStringList gone = originsGone(kept);
    try {
        m_parts.store->replaceLine(m_orderAtStart, entries);
    } catch (const host::RuntimeError &) {
        // Entries of a line type that is not in the line grid hold this line number.
        messages::show(m_parts.owner, messages::lineOrderTaken(order));
        return;
    }
    const QString loadedAtStart =
        m_orderAtStart.isEmpty() ? QString() : m_loadedOrders.value(m_orderAtStart);
    if (order != m_orderAtStart) {
        const QString loaded =
            m_orderAtStart.isEmpty() ? QString() : m_loadedOrders.take(m_orderAtStart);
        m_loadedOrders.remove(order);
        if (!loaded.isEmpty())
            m_loadedOrders.insert(order, loaded);
    }
    m_parts.lines->setCurrentRow(m_editedRow);
    m_parts.lines->Update();
    lockEditColumns(true);
    showStartGroup();
    setActive(false);
    refillCurrent();
    // Told once the edit is over: what belonged to the fields removed goes with them.
    if (!loadedAtStart.isEmpty() && !gone.isEmpty() && m_parts.fieldsGone)
        m_parts.fieldsGone(loadedAtStart, gone);
    // Fields that read the same columns are told, not refused: the line stays accepted. Only
    // what the edit brought is told, not what was there and still reads where it did.
    if (const QStringList overlaps = newOverlaps(line, fieldRows, m_columnsAtStart);
        !overlaps.isEmpty())
        messages::show(m_parts.owner, messages::fieldsOverlap(overlaps));
}

QStringList LineEditor::originsGone(const QStringList &kept) const
{
    QStringList gone;
    if (m_orderAtStart.isEmpty())
        return gone;
    const FieldStore &store = *m_parts.store;
    for (int i = 0; i < store.count(); ++i) {
        const QString origin = store.origin(i);
        if (store.subItem(i, FieldStore::LineaID) == m_orderAtStart && !origin.isEmpty() &&
            !kept.contains(origin))
            gone << origin;
    }
    return gone;
}

void LineEditor::cancel()
{
    setActive(false);
    m_parts.lines->CancelUpdate();
    showStartGroup();
    lockEditColumns(true);
    refillCurrent();
}

void LineEditor::reset()
{
    if (m_active) {
        m_parts.lines->CancelUpdate();
        lockEditColumns(true);
    }
    setActive(false);
    m_editedRow = -1;
    m_orderAtStart.clear();
}

void LineEditor::setLoadedOrders(const QStringList &orders)
{
    m_loadedOrders.clear();
    for (const QString &order : orders)
        m_loadedOrders.insert(order, order);
}

void LineEditor::refillCurrent()
{
    const int current = m_parts.lines->currentRow();
    if (current >= 0) {
        m_parts.refill(QString::number(current));
        return;
    }
    // No line left to show: no field either.
    m_parts.fields->RemoveAll();
}

void LineEditor::lockEditColumns(bool locked)
{
    for (DataGrid *grid : {m_parts.lines, m_parts.fields}) {
        for (int column = 0; column < grid->columnCount(); ++column) {
            if (grid == m_parts.fields && column == columnOf(FieldColumn::Type))
                continue;
            grid->setColumnLocked(column, locked);
        }
    }
}

void LineEditor::showStartGroup()
{
    for (int i = 0; i < 5; ++i)
        m_parts.buttons[static_cast<size_t>(i)]->setVisible(i < 3);
}

void LineEditor::showEndGroup()
{
    for (int i = 0; i < 5; ++i)
        m_parts.buttons[static_cast<size_t>(i)]->setVisible(i >= 3);
}

bool LineEditor::downAddsFieldRow() const
{
    const DataGrid &fields = *m_parts.fields;
    if (!m_active)
        return false;
    if (fields.Rows() == 0)
        return true;
    if (fields.onNewRow())
        return false;
    const int last = fields.Rows() - 1;
    return fields.currentRow() == last && !fields.rowIsBlank(last);
}

bool LineEditor::addFieldRow()
{
    if (!m_active)
        return false;
    DataGrid &fields = *m_parts.fields;
    const int row = fields.AddNew();
    fields.setCurrentCell(row, 0);
    fields.setFocus();
    return true;
}

bool LineEditor::removeFieldRow()
{
    DataGrid &fields = *m_parts.fields;
    if (!m_active || fields.currentRow() < 0)
        return false;
    fields.RemoveRow(fields.currentRow());
    return true;
}

} // namespace kesta::editor
