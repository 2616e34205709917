// The data grid's keys: KeyDown and KeyPress raised for the keys typed on the grid or in a cell
// editor (before they take effect), and TAB leaving the grid (see DataGrid.cpp).

#include "DataGrid.h"

#include "GridModel.h"
#include "VirtualKeys.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
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

} // namespace

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
    if (opensList(event)) {
        event->accept();
        openList();
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
    if (listEditorLeftByKey(editor, event))
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

bool DataGrid::tabLeavesGrid(bool forward, Qt::KeyboardModifiers modifiers) const
{
    if (modifiers.testFlag(Qt::ControlModifier))
        return true;
    const int row = currentRow();
    const int column = currentColumn();
    if (row < 0 || column < 0)
        return true;
    // From the last row: the new row, while one is offered (TAB on the last row of data goes on
    // to it, where the next row is typed).
    if (forward)
        return (m_tabLeavesRow || row >= m_model->rowCount() - 1) && column == columnCount() - 1;
    return (m_tabLeavesRow || row == 0) && column == 0;
}

void DataGrid::leaveByTab(bool forward)
{
    QWidget::focusNextPrevChild(forward);
    emit LeftByTab(forward);
}

} // namespace velkora::controls
