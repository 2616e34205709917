#include "LeaveCommands.h"

#include "UnsavedEdit.h"
#include "editor/FieldStore.h"
#include "editor/LineEditor.h"
#include "editor/ScreenRules.h"

#include <controls/DataGrid.h>
#include <controls/SmallControls.h>
#include <controls/TextBox.h>

#include <QApplication>
#include <QCheckBox>
#include <QMetaObject>

namespace kesta::commands {

namespace {

QString rowText(const velkora::controls::DataGrid &grid, int row)
{
    QStringList cells;
    for (int column = 0; column < grid.columnCount(); ++column)
        cells << grid.cell(row, column).toString();
    return grid.objectName() + QLatin1Char(':') + cells.join(QLatin1Char('|'));
}

void addGridRows(QStringList &content, const velkora::controls::DataGrid &grid)
{
    for (int row = 0; row < grid.Rows(); ++row)
        content << rowText(grid, row);
}

} // namespace

QStringList editedContent(const ScreenParts &screen, const QList<editor::ScreenRule> &rules)
{
    const editor::UserDataBoxes &user = screen.userData;
    QStringList content{screen.key->text(),
                        screen.description->text(),
                        screen.file->text(),
                        screen.reverse->isChecked() ? QStringLiteral("SI") : QStringLiteral("NO"),
                        user.user1->text(),
                        user.user2->text(),
                        user.user3->text(),
                        user.user4->text(),
                        user.date5->date().toString(Qt::ISODate),
                        user.date6->date().toString(Qt::ISODate)};
    addGridRows(content, *screen.lines);
    addGridRows(content, *screen.fields);
    const editor::FieldStore &store = *screen.store;
    for (int i = 0; i < store.count(); ++i) {
        QStringList entry{store.key(i)};
        for (int sub = 0; sub < editor::FieldStore::ColumnCount; ++sub)
            entry << store.subItem(i, sub);
        content << entry.join(QLatin1Char('|'));
    }
    for (const editor::ScreenRule &rule : rules)
        content << QStringList{QStringLiteral("Regla"), rule.id, rule.line, rule.field, rule.text,
                               rule.description}
                       .join(QLatin1Char('|'));
    return content;
}

QStringList lineEditContent(const velkora::controls::DataGrid &lines,
                            const velkora::controls::DataGrid &fields)
{
    QStringList content;
    const int line = lines.currentRow();
    if (line >= 0 && line < lines.Rows())
        content << rowText(lines, line);
    for (int row = 0; row < fields.Rows(); ++row) {
        if (!fields.rowIsBlank(row))
            content << rowText(fields, row);
    }
    return content;
}

LeaveCommands::LeaveCommands(Parts parts) : m_parts(parts) {}

void LeaveCommands::settleCellEditors()
{
    m_parts.lines->commitCellEdit();
    m_parts.fields->commitCellEdit();
}

// A cell editor takes Escape itself and drops what it holds; what is left: during a line edit
// Escape cancels the line edit ("Cancelar" under the grids), asking first when its line or
// field rows hold typed changes; in a grid it does nothing more; anywhere else it runs the
// toolbar's Cancel, asking first when the edit has changes.
bool LeaveCommands::cancelKeyRuns()
{
    if (m_parts.lineEditor->LineEditActive()) {
        if (m_parts.lineEdit->mayDiscard())
            m_parts.lineEditor->click(editor::LineEditor::Cancelar);
        return false;
    }
    const QWidget *focus = QApplication::focusWidget();
    for (const QWidget *grid :
         {static_cast<QWidget *>(m_parts.lines), static_cast<QWidget *>(m_parts.fields)}) {
        if (focus && (focus == grid || grid->isAncestorOf(focus)))
            return false;
    }
    return m_parts.edit->mayDiscard();
}

// Its close button, the desktop, or the owner unloaded by Salir: an edit with changes ends only
// when the user says so.
bool LeaveCommands::keepOpen()
{
    settleCellEditors();
    return !m_parts.edit->mayDiscard();
}

// Ending the screen is the owner's business. The request is queued so that the toolbar's
// command returns before the owner (and with it the screen and the toolbar) goes away. An
// owner that offers Unload() unloads itself; any other owner object is deleted. An edit of the
// load format that has changes ends only when the user says so (7500045): No keeps the screen
// as it is.
void LeaveCommands::exit(QObject *owner)
{
    settleCellEditors();
    if (!m_parts.edit->mayDiscard())
        return;
    if (owner->metaObject()->indexOfMethod("Unload()") >= 0)
        QMetaObject::invokeMethod(owner, "Unload", Qt::QueuedConnection);
    else
        owner->deleteLater();
}

} // namespace kesta::commands
