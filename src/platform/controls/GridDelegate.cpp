#include "GridDelegate.h"

#include "DataGrid.h"
#include "GridModel.h"
#include "formats/DigitFormat.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

namespace velkora::controls {

namespace {

// A list's shown entries keep Escape for themselves: it closes them (and the list), and is no
// shortcut of the window around the grid.
class ShownEntriesKeepEscape : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::ShortcutOverride &&
            static_cast<QKeyEvent *>(event)->matches(QKeySequence::Cancel)) {
            event->accept();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

GridDelegate::GridDelegate(DataGrid *grid) : QStyledItemDelegate(grid), m_grid(grid)
{
    setObjectName(QStringLiteral("gridDelegate"));
}

QWidget *GridDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                    const QModelIndex &index) const
{
    Q_UNUSED(option);
    const GridColumn &column = m_grid->column(index.column());
    QWidget *editor = nullptr;
    if (column.kind == GridColumn::Kind::List) {
        auto *combo = new QComboBox(parent);
        combo->setObjectName(QStringLiteral("listEditor"));
        combo->addItems(column.valueList);
        combo->view()->installEventFilter(new ShownEntriesKeepEscape(combo));
        editor = combo;
    } else {
        auto *line = new QLineEdit(parent);
        line->setObjectName(QStringLiteral("cellEditor"));
        line->setFrame(false);
        // Text reaches a cell only through the grid's KeyPress: no menu paste, no drop.
        line->setContextMenuPolicy(Qt::NoContextMenu);
        line->setAcceptDrops(false);
        if (column.maxLength > 0)
            line->setMaxLength(column.maxLength);
        editor = line;
    }
    m_grid->editorOpened(editor);
    return editor;
}

void GridDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    const QString text = formats::valueText(index.data(Qt::EditRole));
    if (auto *combo = qobject_cast<QComboBox *>(editor)) {
        combo->setCurrentIndex(combo->findText(text, Qt::MatchExactly));
    } else if (auto *line = qobject_cast<QLineEdit *>(editor)) {
        line->setText(text);
    }
}

void GridDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                const QModelIndex &index) const
{
    const QString before = formats::valueText(index.data(Qt::EditRole));
    QString after;
    if (auto *combo = qobject_cast<QComboBox *>(editor)) {
        if (combo->currentIndex() < 0)
            return;
        after = combo->currentText();
    } else if (auto *line = qobject_cast<QLineEdit *>(editor)) {
        after = line->text();
    } else {
        return;
    }
    // An editor closed without a change leaves the cell, and the row's pending edit, alone.
    if (after != before)
        model->setData(index, after, Qt::EditRole);
}

bool GridDelegate::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::MiddleButton) {
        // The selection paste of the middle button goes through KeyPress like any paste.
        if (auto *line = qobject_cast<QLineEdit *>(watched)) {
            if (const QClipboard *clipboard = QGuiApplication::clipboard())
                m_grid->pasteIntoEditor(line, clipboard->text(QClipboard::Selection));
        }
        return true;
    }
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent *>(event)->button() == Qt::MiddleButton)
        return true;
    if (event->type() == QEvent::KeyPress) {
        auto *editor = qobject_cast<QWidget *>(watched);
        if (editor && m_grid->editorKeyPress(editor, static_cast<QKeyEvent *>(event)))
            return true;
    }
    return QStyledItemDelegate::eventFilter(watched, event);
}

} // namespace velkora::controls
