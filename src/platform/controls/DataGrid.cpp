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
//   toggle with a click or the space bar. Escape in an editor drops what it holds.
// - setRedraw(false) suspends painting (and scrolling to the current cell) until
//   setRedraw(true), which repaints the grid and scrolls to the current cell.

#include "DataGrid.h"

#include "GridDelegate.h"
#include "GridModel.h"
#include "GridSelectionModel.h"
#include "formats/TextRules.h"
#include "VirtualKeys.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScopeGuard>

namespace velkora::controls {

namespace {

// The character code of a key event, as KeyPress carries it; 0 for keys that are no character.
int characterCode(const QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        return 13;
    if (event->key() == Qt::Key_Backspace)
        return 8;
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if ((modifiers & (Qt::ControlModifier | Qt::MetaModifier)) && !(modifiers & Qt::AltModifier))
        return 0;
    const QString text = event->text();
    if (text.isEmpty() || !text.at(0).isPrint())
        return 0;
    return text.at(0).unicode();
}

// A key event carrying another character, as a handler of KeyPress asked.
std::unique_ptr<QKeyEvent> eventForCharacter(int code, const QKeyEvent *original)
{
    int key = Qt::Key_unknown;
    QString text;
    if (code == 13) {
        key = Qt::Key_Return;
        text = QStringLiteral("\r");
    } else if (code == 8) {
        key = Qt::Key_Backspace;
        text = QStringLiteral("\b");
    } else {
        const QChar character(static_cast<char16_t>(code));
        text = QString(character);
        const QChar upper = character.toUpper();
        if (upper.unicode() >= 0x20 && upper.unicode() < 0x7f)
            key = upper.unicode();
    }
    return std::make_unique<QKeyEvent>(QEvent::KeyPress, key, original->modifiers(), text,
                                       original->isAutoRepeat(), original->count());
}

// The column captions, below a band at the top that the grid's caption bar covers.
class GridHeader : public QHeaderView {
public:
    explicit GridHeader(QWidget *parent) : QHeaderView(Qt::Horizontal, parent) {}
    void setTopBand(int height)
    {
        m_band = height;
        updateGeometry();
    }
    int topBand() const { return m_band; }
    QSize sizeHint() const override
    {
        QSize size = QHeaderView::sizeHint();
        size.rheight() += m_band;
        return size;
    }

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override
    {
        QHeaderView::paintSection(painter, rect.adjusted(0, m_band, 0, 0), logicalIndex);
    }

private:
    int m_band = 0;
};

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
    if (this->column(index).kind == GridColumn::Kind::Check) {
        if (row < 0 || row >= Rows())
            return {};
        return cell(row, index).toBool() ? QStringLiteral("SI") : QStringLiteral("NO");
    }
    return m_model->displayText(row, index);
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
    const QStringList &entries = this->column(index).valueList;
    setCell(row, index,
            position >= 0 && position < entries.size() ? QVariant(entries.at(position))
                                                       : QVariant());
}

int DataGrid::listIndex(int row, const QString &column) const
{
    const int index = columnIndex(column);
    if (index < 0)
        return -1;
    const QVariant value = cell(row, index);
    if (value.isNull())
        return -1;
    return static_cast<int>(this->column(index).valueList.indexOf(value.toString()));
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

int DataGrid::AddNew()
{
    commitOpenEditor();
    m_rowBeforeAddNew = currentRow();
    m_columnBeforeAddNew = currentColumn();
    const int row = m_model->appendRow();
    moveQuietly(row, qMax(currentColumn(), 0));
    return row;
}

void DataGrid::AddRows(const QList<QVariantList> &rows)
{
    commitOpenEditor();
    if (rows.isEmpty())
        return;
    // Where the last AddNew of a row at a time would have started from.
    const int column = qMax(currentColumn(), 0);
    m_rowBeforeAddNew = rows.size() > 1 ? Rows() + int(rows.size()) - 2 : currentRow();
    m_columnBeforeAddNew = rows.size() > 1 ? column : currentColumn();
    const int first = m_model->appendRows(rows);
    moveQuietly(first + int(rows.size()) - 1, column);
}

void DataGrid::Update()
{
    commitOpenEditor();
    m_model->acceptPending();
}

void DataGrid::CancelUpdate()
{
    closeOpenEditor(false);
    const bool dropsNewRow = m_model->pendingRow() >= 0 && m_model->pendingIsNew();
    ++m_quiet;
    m_model->cancelPending();
    --m_quiet;
    if (dropsNewRow && m_rowBeforeAddNew >= 0 && m_rowBeforeAddNew < Rows())
        moveQuietly(m_rowBeforeAddNew, qMax(m_columnBeforeAddNew, 0));
}

void DataGrid::commitCellEdit()
{
    commitOpenEditor();
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
    for (int c = 0; c < columnCount(); ++c) {
        if (isColumnHidden(c))
            continue;
        const int wanted = qMax(horizontalHeader()->sectionSizeHint(c), sizeHintForColumn(c));
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

bool DataGrid::hasPendingEdit() const
{
    return m_model->pendingRow() >= 0;
}

void DataGrid::RemoveRow(int row)
{
    if (row < 0 || row >= Rows())
        return;
    if (row == currentRow())
        closeOpenEditor(false);
    ++m_quiet;
    m_model->removeRow(row);
    --m_quiet;
    // The last row removed: the current cell stays on the rows of data, not on the new row.
    if (onNewRow() && Rows() > 0)
        moveQuietly(Rows() - 1, qMax(currentColumn(), 0));
}

void DataGrid::RemoveAll()
{
    closeOpenEditor(false);
    ++m_quiet;
    m_model->removeAll();
    --m_quiet;
    m_rowBeforeAddNew = -1;
}

void DataGrid::clearValue()
{
    RemoveAll();
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

void DataGrid::keyPressEvent(QKeyEvent *event)
{
    const bool propagated = event == m_propagatedKey;
    m_propagatedKey = nullptr;
    if (m_forwarding || propagated) {
        QTableView::keyPressEvent(event);
        return;
    }
    if (raiseKeyDown(event)) {
        event->accept();
        return;
    }

    if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) {
        const bool forward =
            event->key() == Qt::Key_Tab && !event->modifiers().testFlag(Qt::ShiftModifier);
        if (tabLeavesGrid(forward, event->modifiers())) {
            event->accept();
            leaveByTab(forward);
            return;
        }
    }

    std::unique_ptr<QKeyEvent> replacement;
    if (!raiseKeyPress(event, replacement)) {
        event->accept();
        return;
    }
    QKeyEvent *effective = replacement ? replacement.get() : event;
    // The view may open an editor and hand it this key; the editor must not notify it again.
    m_forwarding = true;
    const auto done = qScopeGuard([this] { m_forwarding = false; });
    QTableView::keyPressEvent(effective);
    if (replacement)
        event->setAccepted(replacement->isAccepted());
}

bool DataGrid::raiseKeyDown(const QKeyEvent *event)
{
    const int code = virtualKeyCode(event->key());
    if (code == 0)
        return false;
    const int rows = Rows();
    const QPersistentModelIndex before = currentIndex();
    const int row = currentRow();
    const int column = currentColumn();
    emit KeyDown(code, shiftState(event->modifiers()));
    return Rows() != rows || before != currentIndex() || currentRow() != row ||
           currentColumn() != column;
}

bool DataGrid::raiseKeyPress(QKeyEvent *event, std::unique_ptr<QKeyEvent> &replacement)
{
    const int code = characterCode(event);
    if (code == 0)
        return true;
    int keyAscii = code;
    emit KeyPress(keyAscii);
    if (keyAscii == 0)
        return false;
    if (keyAscii != code)
        replacement = eventForCharacter(keyAscii, event);
    return true;
}

bool DataGrid::editorKeyPress(QWidget *editor, QKeyEvent *event)
{
    if (m_forwarding)
        return false;
    if ((event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) &&
        event->modifiers().testFlag(Qt::ControlModifier)) {
        // Ctrl+TAB in an editor: the cell keeps its text and the focus leaves the grid.
        const bool forward =
            event->key() == Qt::Key_Tab && !event->modifiers().testFlag(Qt::ShiftModifier);
        commitOpenEditor();
        setFocus(Qt::OtherFocusReason);
        leaveByTab(forward);
        return true;
    }
    if (event->matches(QKeySequence::Paste)) {
        if (const QClipboard *clipboard = QGuiApplication::clipboard())
            pasteIntoEditor(editor, clipboard->text());
        return true;
    }
    if (raiseKeyDown(event))
        return true;

    QPointer<QWidget> guard(editor);
    std::unique_ptr<QKeyEvent> replacement;
    if (!raiseKeyPress(event, replacement))
        return true;
    const QKeyEvent *effective = replacement ? replacement.get() : event;
    if (effective->key() == Qt::Key_Return || effective->key() == Qt::Key_Enter) {
        // Enter accepts the cell at once (the delegate would only queue it).
        if (guard && guard == m_editor) {
            commitData(guard);
            closeEditor(guard, QAbstractItemDelegate::SubmitModelCache);
            m_editor = nullptr;
        }
        return true;
    }
    if (!replacement)
        return false;
    if (guard) {
        m_forwarding = true;
        const auto done = qScopeGuard([this] { m_forwarding = false; });
        QCoreApplication::sendEvent(guard.data(), replacement.get());
    }
    return true;
}

void DataGrid::editorOpened(QWidget *editor)
{
    m_editor = editor;
}

void DataGrid::pasteIntoEditor(QWidget *editor, const QString &pasted)
{
    auto *line = qobject_cast<QLineEdit *>(editor);
    if (!line)
        return;
    QString text = pasted;
    if (text.endsWith(QLatin1String("\r\n")))
        text.chop(2);
    else if (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    if (firstNonTextCharacter(text) >= 0) {
        emit PasteRefused(text, line->maxLength());
        return;
    }
    QPointer<QLineEdit> guard(line);
    QString accepted;
    for (const QChar c : text) {
        int code = c.unicode();
        emit KeyPress(code);
        if (code != 0)
            accepted += QChar(static_cast<char16_t>(code));
    }
    if (!guard || accepted.isEmpty())
        return;
    // A paste that the cell cannot hold whole is refused, never cut.
    const qsizetype after = guard->text().size() - guard->selectedText().size() + accepted.size();
    if (after > guard->maxLength()) {
        emit PasteRefused(accepted, guard->maxLength());
        return;
    }
    guard->insert(accepted);
}

void DataGrid::commitOpenEditor()
{
    if (m_editor && m_editor->isVisible()) {
        QWidget *editor = m_editor;
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
    m_editor = nullptr;
}

void DataGrid::closeOpenEditor(bool keepText)
{
    if (keepText) {
        commitOpenEditor();
        return;
    }
    if (m_editor && m_editor->isVisible())
        closeEditor(m_editor, QAbstractItemDelegate::RevertModelCache);
    m_editor = nullptr;
}

void DataGrid::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint)
{
    if (editor == m_editor)
        m_editor = nullptr;
    if (hint != QAbstractItemDelegate::EditNextItem &&
        hint != QAbstractItemDelegate::EditPreviousItem) {
        QTableView::closeEditor(editor, hint);
        return;
    }
    // TAB or Shift+TAB in an editor: the editor closes, the current cell moves on as TAB moves
    // it on the grid (BeforeRowColChange may refuse), and the new cell is edited when it can be.
    QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    if (tabLeavesGrid(hint == QAbstractItemDelegate::EditNextItem, Qt::NoModifier)) {
        setFocus(Qt::OtherFocusReason);
        leaveByTab(hint == QAbstractItemDelegate::EditNextItem);
        return;
    }
    const QModelIndex next = moveCursor(
        hint == QAbstractItemDelegate::EditNextItem ? MoveNext : MovePrevious, Qt::NoModifier);
    if (!next.isValid())
        return;
    selectionModel()->setCurrentIndex(next, QItemSelectionModel::ClearAndSelect);
    if (currentIndex() == next && (next.flags() & Qt::ItemIsEditable))
        edit(next, AllEditTriggers, nullptr);
}

bool DataGrid::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    // Only the current cell is edited: an editor never opens beside a refused move.
    if (index.isValid() && index != currentIndex())
        return false;
    // The owner may refuse any edit (an editor opening, a check cell toggling).
    if (index.isValid() && (index.flags() & (Qt::ItemIsEditable | Qt::ItemIsUserCheckable)) &&
        !m_editor) {
        bool cancel = false;
        emit BeforeEdit(cancel);
        if (cancel)
            return false;
        // Typing (F2, a double click) on the new row starts a row there.
        const bool opensEditor = trigger == AllEditTriggers || (editTriggers() & trigger);
        if (opensEditor && index.row() == m_model->newRow() &&
            (index.flags() & Qt::ItemIsEditable)) {
            m_rowBeforeAddNew = Rows() > 0 ? Rows() - 1 : -1;
            m_columnBeforeAddNew = index.column();
            ++m_quiet;
            m_model->startNewRow();
            --m_quiet;
        }
    }
    return QTableView::edit(index, trigger, event);
}

void DataGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    // The view first commits and closes the editor of the cell left, so its text belongs to
    // the row left; then a move to another row accepts that row's pending edit.
    // While repainting is suspended the view's own handling is skipped: it lays out every row
    // again to repaint the cell, which makes filling thousands of rows slow. Resuming repaints.
    if (m_redraw)
        QTableView::currentChanged(current, previous);
    else
        commitOpenEditor();
    const int pending = m_model->pendingRow();
    if (pending >= 0 && (!current.isValid() || current.row() != pending))
        m_model->acceptPending();
}

void DataGrid::mousePressEvent(QMouseEvent *event)
{
    m_mouseRefused = false;
    const QModelIndex target = indexAt(event->position().toPoint());
    if (target.isValid() && target != currentIndex()) {
        selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
        if (currentIndex() != target) {
            m_mouseRefused = true;
            event->accept();
            return;
        }
    }
    QTableView::mousePressEvent(event);
}

void DataGrid::mouseMoveEvent(QMouseEvent *event)
{
    // No drag selection: the current cell moves by clicks only.
    if (event->buttons() != Qt::NoButton) {
        event->accept();
        return;
    }
    QTableView::mouseMoveEvent(event);
}

void DataGrid::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_mouseRefused) {
        m_mouseRefused = false;
        event->accept();
        return;
    }
    QTableView::mouseReleaseEvent(event);
}

void DataGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    const QModelIndex target = indexAt(event->position().toPoint());
    if (target.isValid() && target != currentIndex()) {
        // A double click that is also a move: handled as a click (it may be refused).
        mousePressEvent(event);
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
}

bool DataGrid::approveMove(const QModelIndex &from, const QModelIndex &to)
{
    if (m_quiet > 0 || !to.isValid() || to == from)
        return true;
    bool cancel = false;
    m_targetRow = to.row();
    m_targetColumn = to.column();
    emit BeforeRowColChange(cancel);
    m_targetRow = -1;
    m_targetColumn = -1;
    return !cancel;
}

void DataGrid::afterMove(const QModelIndex &from, const QModelIndex &to)
{
    if (m_quiet > 0 || !to.isValid() || to == from)
        return;
    emit RowColChange(from.isValid() ? QVariant(from.row()) : QVariant(),
                      from.isValid() ? from.column() : -1);
}

void DataGrid::moveQuietly(int row, int column)
{
    const QModelIndex target = indexOf(row, column);
    ++m_quiet;
    selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
    --m_quiet;
}

bool DataGrid::tabLeavesGrid(bool forward, Qt::KeyboardModifiers modifiers) const
{
    if (modifiers.testFlag(Qt::ControlModifier))
        return true;
    const int row = currentRow();
    const int column = currentColumn();
    if (row < 0 || column < 0)
        return true;
    if (forward) // from the last row of data, or from the new row below it
        return (m_tabLeavesRow || row >= Rows() - 1) && column == columnCount() - 1;
    return (m_tabLeavesRow || row == 0) && column == 0;
}

void DataGrid::leaveByTab(bool forward)
{
    QWidget::focusNextPrevChild(forward);
    emit LeftByTab(forward);
}

QModelIndex DataGrid::indexOf(int row, int column) const
{
    if (row < 0 || row >= m_model->rowCount() || column < 0 || column >= columnCount())
        return {};
    return m_model->index(row, column);
}

} // namespace velkora::controls
