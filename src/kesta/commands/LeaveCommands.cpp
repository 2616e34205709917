// What ends an edit of the load format without the toolbar's Cancel button: Escape, Salir and
// the window's close button. An edit with changes is never thrown away without a question
// (commands::UnsavedEdit); without changes they act at once.

#include "UnsavedEdit.h"
#include "editor/FieldStore.h"
#include "editor/LineEditor.h"
#include "editor/ScreenRules.h"
#include "store/RuleRows.h"
#include "screen/frmKESTA.h"

#include <controls/DataGrid.h>
#include <controls/SmallControls.h>
#include <controls/TextBox.h>

#include <QApplication>
#include <QCheckBox>

namespace kesta::screen {

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

QStringList frmKESTA::editedContent() const
{
    QStringList content{txtClave->text(),
                        txtDescripcion->text(),
                        txtArchivo->text(),
                        chInverso->isChecked() ? QStringLiteral("SI") : QStringLiteral("NO"),
                        txtUser1->text(),
                        txtUser2->text(),
                        txtUser3->text(),
                        txtUser4->text(),
                        dpUser5->date().toString(Qt::ISODate),
                        dpUser6->date().toString(Qt::ISODate)};
    addGridRows(content, *ssLinea);
    addGridRows(content, *ssDetalle);
    const editor::FieldStore &store = fieldStore();
    for (int i = 0; i < store.count(); ++i) {
        QStringList entry{store.key(i)};
        for (int sub = 0; sub < editor::FieldStore::ColumnCount; ++sub)
            entry << store.subItem(i, sub);
        content << entry.join(QLatin1Char('|'));
    }
    // The rules as the screen shows them.
    for (const editor::ScreenRule &rule :
         editor::rulesOnScreen(*m_shownRules, lineNumbering(), fieldNumbering()))
        content << QStringList{QStringLiteral("Regla"), rule.id, rule.line, rule.field,
                               rule.text, rule.description}
                       .join(QLatin1Char('|'));
    return content;
}

QStringList frmKESTA::lineEditContent() const
{
    QStringList content;
    const int line = ssLinea->currentRow();
    if (line >= 0 && line < ssLinea->Rows())
        content << rowText(*ssLinea, line);
    for (int row = 0; row < ssDetalle->Rows(); ++row) {
        if (!ssDetalle->rowIsBlank(row))
            content << rowText(*ssDetalle, row);
    }
    return content;
}

commands::UnsavedEdit &frmKESTA::unsavedEdit() const
{
    return *m_unsavedEdit;
}

// What a cell editor holds counts as typed into its cell, as when the user leaves the cell.
void frmKESTA::settleCellEditors()
{
    ssLinea->commitCellEdit();
    ssDetalle->commitCellEdit();
}

// Escape, the toolbar's Cancel key. A cell editor takes Escape itself and drops what it holds;
// what is left: during a line edit Escape cancels the line edit ("Cancelar" under the grids),
// asking first when its line or field rows hold typed changes; in a grid it does nothing more;
// anywhere else it runs the toolbar's Cancel, asking first when the edit has changes. Returns
// whether the toolbar's Cancel runs.
bool frmKESTA::Controles_CancelKey()
{
    if (m_lineEditor->LineEditActive()) {
        if (m_unsavedLine->mayDiscard())
            cmdControles_Click(editor::LineEditor::Cancelar);
        return false;
    }
    const QWidget *focus = QApplication::focusWidget();
    for (const QWidget *grid :
         {static_cast<QWidget *>(ssLinea), static_cast<QWidget *>(ssDetalle)}) {
        if (focus && (focus == grid || grid->isAncestorOf(focus)))
            return false;
    }
    return m_unsavedEdit->mayDiscard();
}

// The window that shows the screen is about to close (its close button, the desktop, or the
// owner unloaded by Salir): an edit with changes ends only when the user says so.
void frmKESTA::Form_QueryUnload(bool &cancel)
{
    // Should the question fail, the window stays open: nothing is lost without an answer.
    cancel = true;
    settleCellEditors();
    cancel = !m_unsavedEdit->mayDiscard();
}

} // namespace kesta::screen
