// The data grid used for the line and field grids.
//
// Behaviour beyond what DataGrid.h states:
// - Current cell: every change of the current cell, by mouse, keyboard (arrows, TAB, pages) or
//   program (setCurrentCell, setCurrentIndex), raises BeforeRowColChange first; a cancelled
//   change leaves the current cell where it was (a refused click neither moves, selects, edits
//   nor toggles anything). A change to another row accepts the pending edit of the row left.
//   Structural changes move the current cell silently, without notifications: AddNew makes the
//   new row current (keeping the current column, 0 when there was none), RemoveRow/RemoveAll and
//   a CancelUpdate that drops a new row put it on a remaining row (after a dropped new row: the
//   cell that was current before AddNew).
// - Characters: KeyPress is raised for printable characters, Enter (13) and backspace (8), typed
//   on the grid or in a cell editor; TAB, Escape and Ctrl combinations are keys, not characters.
//   A character let through on a cell that is not being edited opens the cell's editor with that
//   character (replacing the cell's text); a locked cell ignores it.
// - Keys: KeyDown is raised for every key with a Windows key code, on the grid or in an editor,
//   before the key takes effect.
// - Editors open by typing, F2 or a double click, and only on the current cell; Check cells
//   toggle with a click or the space bar. Escape in an editor drops what it holds. TAB or Enter
//   in an editor opens the next cell's editor, except in a List cell (whose list opens with a
//   letter, F2, F4, Alt+Down or a click) and on the new row (where only typing starts a row).
// - The new row: a row started there by typing whose editor closes with nothing in it is the new
//   row again.
// - setRedraw(false) suspends painting (and scrolling to the current cell) until
//   setRedraw(true), which repaints the grid and scrolls to the current cell.
// The keys (DataGridKeys.cpp), the cell editors (DataGridEditors.cpp), the rows and the moves of
// the current cell (DataGridRows.cpp) and the mouse (DataGridMouse.cpp) have files of their own.

#include "DataGrid.h"

#include "ColumnWidths.h"
#include "GridDelegate.h"
#include "GridHeader.h"
#include "GridModel.h"
#include "GridSelectionModel.h"

#include <QContextMenuEvent>
#include <QLabel>
#include <QScopeGuard>

namespace velkora::controls {

namespace {

const GridColumn &noColumn()
{
    static const GridColumn none;
    return none;
}

} // namespace

DataGrid::DataGrid(QWidget *parent) : QTableView(parent), m_model(new GridModel(this))
{
    setModel(m_model);
    QItemSelectionModel *standard = selectionModel();
    setSelectionModel(new GridSelectionModel(m_model, this));
    delete standard;
    setItemDelegate(new GridDelegate(this));
    auto *header = new GridHeader(this);
    header->setObjectName(QStringLiteral("columnHeader"));
    setHorizontalHeader(header);
    // The row captions as the view's own would be, measured once as the column captions are.
    auto *rowHeader = new GridHeader(this, Qt::Vertical);
    rowHeader->setSectionsClickable(true);
    rowHeader->setHighlightSections(true);
    setVerticalHeader(rowHeader);

    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setTabKeyNavigation(true);
    setAlternatingRowColors(true);
    setWordWrap(false);
    setDragEnabled(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    horizontalHeader()->setHighlightSections(true);
    horizontalHeader()->setStretchLastSection(false);
}

DataGrid::~DataGrid() = default;

GridModel *DataGrid::gridModel() const
{
    return m_model;
}

void DataGrid::keyboardSearch(const QString &search)
{
    Q_UNUSED(search);
}

void DataGrid::setColumns(const QList<GridColumn> &columns)
{
    closeOpenEditor(false);
    ++m_quiet;
    m_model->setColumns(columns);
    --m_quiet;
    for (int i = 0; i < columns.size(); ++i) {
        if (columns.at(i).width > 0)
            setColumnWidth(i, columns.at(i).width);
    }
}

int DataGrid::columnCount() const
{
    return m_model->columnCount();
}

int DataGrid::columnIndex(const QString &nameOrCaption) const
{
    return m_model->columnIndex(nameOrCaption);
}

const GridColumn &DataGrid::column(int index) const
{
    if (index < 0 || index >= m_model->columns().size())
        return noColumn();
    return m_model->columns().at(index);
}

QString DataGrid::columnName(int index) const
{
    return column(index).name;
}

void DataGrid::setColumnLocked(int index, bool locked)
{
    if (locked && m_editor && currentColumn() == index)
        closeOpenEditor(true);
    m_model->setColumnLocked(index, locked);
}

bool DataGrid::isColumnLocked(int index) const
{
    return column(index).locked;
}

void DataGrid::setValueList(int index, const QStringList &entries)
{
    m_model->setValueList(index, entries);
}

int DataGrid::Rows() const
{
    return m_model->dataRows();
}

void DataGrid::setNewRowOffered(bool on)
{
    if (!on && onNewRow())
        closeOpenEditor(false);
    ++m_quiet;
    m_model->setNewRowOffered(on);
    --m_quiet;
}

bool DataGrid::newRowOffered() const
{
    return m_model->newRowOffered();
}

bool DataGrid::onNewRow() const
{
    return m_model->newRowOffered() && currentIndex().isValid() &&
           currentIndex().row() == m_model->newRow();
}

bool DataGrid::rowIsBlank(int row) const
{
    for (int column = 0; column < columnCount(); ++column) {
        const QVariant value = cell(row, column);
        if (value.typeId() == QMetaType::Bool ? value.toBool() : !value.toString().isEmpty())
            return false;
    }
    return true;
}

QVariant DataGrid::cell(int row, const QString &column) const
{
    const int index = columnIndex(column);
    if (index < 0) {
        qWarning("DataGrid %s: no column \"%s\"", qPrintable(objectName()), qPrintable(column));
        return {};
    }
    return cell(row, index);
}

QVariant DataGrid::cell(int row, int column) const
{
    return m_model->value(row, column);
}

QString DataGrid::cellText(int row, const QString &column) const
{
    const int index = columnIndex(column);
    if (index < 0) {
        qWarning("DataGrid %s: no column \"%s\"", qPrintable(objectName()), qPrintable(column));
        return {};
    }
    return cellText(row, index);
}

QString DataGrid::cellText(int row, int column) const
{
    if (this->column(column).kind == GridColumn::Kind::Check) {
        if (row < 0 || row >= Rows())
            return {};
        return cell(row, column).toBool() ? QStringLiteral("SI") : QStringLiteral("NO");
    }
    return m_model->displayText(row, column);
}

void DataGrid::setCell(int row, const QString &column, const QVariant &value)
{
    const int index = columnIndex(column);
    if (index < 0) {
        qWarning("DataGrid %s: no column \"%s\"", qPrintable(objectName()), qPrintable(column));
        return;
    }
    setCell(row, index, value);
}

void DataGrid::setCell(int row, int column, const QVariant &value)
{
    if (!m_model->setValue(row, column, value))
        qWarning("DataGrid %s: no cell (%d, %d)", qPrintable(objectName()), row, column);
}

void DataGrid::setListIndex(int row, const QString &column, int position)
{
    const int index = columnIndex(column);
    if (index < 0 || this->column(index).kind != GridColumn::Kind::List) {
        qWarning("DataGrid %s: no list column \"%s\"", qPrintable(objectName()),
                 qPrintable(column));
        return;
    }
    setListIndex(row, index, position);
}

void DataGrid::setListIndex(int row, int column, int position)
{
    if (this->column(column).kind != GridColumn::Kind::List) {
        qWarning("DataGrid %s: no list column %d", qPrintable(objectName()), column);
        return;
    }
    const QStringList &entries = this->column(column).valueList;
    setCell(row, column,
            position >= 0 && position < entries.size() ? QVariant(entries.at(position))
                                                       : QVariant());
}

int DataGrid::listIndex(int row, const QString &column) const
{
    return listIndex(row, columnIndex(column));
}

int DataGrid::listIndex(int row, int column) const
{
    if (column < 0 || column >= columnCount())
        return -1;
    const QVariant value = cell(row, column);
    if (value.isNull())
        return -1;
    return static_cast<int>(this->column(column).valueList.indexOf(value.toString()));
}

int DataGrid::currentRow() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

int DataGrid::currentColumn() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.column() : -1;
}

QString DataGrid::currentColumnName() const
{
    return columnName(currentColumn());
}

bool DataGrid::setCurrentCell(int row, int column)
{
    const QModelIndex target = indexOf(row, column);
    if (!target.isValid())
        return false;
    selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
    return currentIndex() == target;
}

bool DataGrid::setCurrentRow(int row)
{
    return setCurrentCell(row, qMax(currentColumn(), 0));
}

void DataGrid::setCaption(const QString &caption)
{
    if (!m_captionBar) {
        m_captionBar = new QLabel(this);
        m_captionBar->setObjectName(QStringLiteral("captionBar"));
        m_captionBar->setAlignment(Qt::AlignCenter);
        m_captionBar->setAutoFillBackground(true);
        m_captionBar->setBackgroundRole(QPalette::Highlight);
        m_captionBar->setForegroundRole(QPalette::HighlightedText);
        QFont bold = font();
        bold.setBold(true);
        m_captionBar->setFont(bold);
    }
    m_captionBar->setText(caption);
    m_captionBar->setVisible(!caption.isEmpty());
    const int band = caption.isEmpty() ? 0 : m_captionBar->fontMetrics().height() + 6;
    static_cast<GridHeader *>(horizontalHeader())->setTopBand(band);
    updateGeometries();
}

void DataGrid::widenColumnsToFit()
{
    ensurePolished();
    // Every row counts, not only those that sizeHintForColumn() samples.
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    ColumnWidths contents(*this, option);
    for (int c = 0; c < columnCount(); ++c) {
        if (isColumnHidden(c))
            continue;
        const int wanted = qMax(horizontalHeader()->sectionSizeHint(c), contents.contentWidth(c));
        if (wanted > columnWidth(c))
            setColumnWidth(c, wanted);
    }
}

QString DataGrid::caption() const
{
    return m_captionBar ? m_captionBar->text() : QString();
}

void DataGrid::updateGeometries()
{
    QTableView::updateGeometries();
    if (!m_captionBar || m_captionBar->isHidden())
        return;
    const int band = static_cast<GridHeader *>(horizontalHeader())->topBand();
    const int frame = frameWidth();
    m_captionBar->setGeometry(frame, frame, width() - 2 * frame, band);
    m_captionBar->raise();
}

void DataGrid::setRedraw(bool on)
{
    if (on == m_redraw)
        return;
    m_redraw = on;
    if (!on) {
        m_savedAutoScroll = hasAutoScroll();
        setAutoScroll(false);
        setUpdatesEnabled(false);
        return;
    }
    setAutoScroll(m_savedAutoScroll);
    setUpdatesEnabled(true);
    if (currentIndex().isValid())
        scrollTo(currentIndex());
    viewport()->update();
    horizontalHeader()->viewport()->update();
    verticalHeader()->viewport()->update();
}

bool DataGrid::redraw() const
{
    return m_redraw;
}

bool DataGrid::viewportEvent(QEvent *event)
{
    // The viewport never has the focus itself: a key reaching it comes from a cell editor that
    // left it unhandled, on its way up to the grid. It has been notified already.
    if (event->type() == QEvent::KeyPress)
        m_propagatedKey = event;
    if (event->type() == QEvent::ContextMenu) {
        const auto *menu = static_cast<QContextMenuEvent *>(event);
        if (menu->reason() == QContextMenuEvent::Mouse)
            m_mouseMenuPoint = menu->globalPos();
        const auto done = qScopeGuard([this] { m_mouseMenuPoint.reset(); });
        return QTableView::viewportEvent(event);
    }
    return QTableView::viewportEvent(event);
}

QModelIndex DataGrid::indexOf(int row, int column) const
{
    if (row < 0 || row >= m_model->rowCount() || column < 0 || column >= columnCount())
        return {};
    return m_model->index(row, column);
}

} // namespace velkora::controls
