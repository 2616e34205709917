// "Reglas...": the shown format's rules in their dialog. In the edit modes what the dialog
// accepts becomes the format's rules on the screen; nothing is stored until the save.

#include "editor/FieldStore.h"
#include "editor/GridCells.h"
#include "editor/GridColumns.h"
#include "editor/LineEditor.h"
#include "editor/RulesDialog.h"
#include "editor/ScreenRules.h"
#include "messages/Messages.h"
#include "screen/frmKESTA.h"
#include "store/RuleRows.h"

#include <controls/DataGrid.h>
#include <controls/SmallControls.h>
#include <controls/TextBox.h>

namespace kesta::screen {

namespace {

QString orderAt(const velkora::controls::DataGrid &lines, int row)
{
    return editor::cellText(lines, row, editor::LineColumn::Order);
}

bool editing(commands::Mode mode)
{
    return mode == commands::Mode::EditingNew || mode == commands::Mode::EditingExisting;
}

} // namespace

QList<storage::LineNumbering> frmKESTA::lineNumbering() const
{
    QList<storage::LineNumbering> lines;
    for (int row = 0; row < ssLinea->Rows(); ++row) {
        const QString order = orderAt(*ssLinea, row);
        lines << storage::LineNumbering{order, m_lineEditor->loadedOrderOf(order)};
    }
    return lines;
}

QList<storage::FieldNumbering> frmKESTA::fieldNumbering() const
{
    using Store = editor::FieldStore;
    const Store &store = fieldStore();
    QList<storage::FieldNumbering> fields;
    fields.reserve(store.count());
    for (int i = 0; i < store.count(); ++i) {
        const QString line = store.subItem(i, Store::LineaID);
        const QString id = store.subItem(i, Store::Id);
        const QString loadedOrder = m_lineEditor->loadedOrderOf(line);
        // A field is known to the rules by its origin, which stays with it through line edits
        // whatever number it and the others take; one entered since has none.
        fields << storage::FieldNumbering{line, loadedOrder.isEmpty() ? QString() : store.origin(i),
                                          id};
    }
    return fields;
}

void frmKESTA::dropRulesOf(const QString &loadedOrder, const QStringList &fields)
{
    const QList<storage::LayoutRuleValues> gone = m_shownRules->takeRulesOf(loadedOrder, fields);
    if (gone.isEmpty())
        return;
    QStringList named;
    for (const storage::LayoutRuleValues &rule : gone)
        named << QStringLiteral("%1 (%2)").arg(rule.id, rule.text);
    messages::show(this, fields.isEmpty() ? messages::rulesGoneWithLineType(named)
                                          : messages::rulesGoneWithFields(named));
}

void frmKESTA::offerRules()
{
    if (!cmdReglas || !m_lineEditor || !m_shownRules)
        return;
    const bool shown = m_mode != commands::Mode::Idle;
    const bool available = m_shownRules->available;
    // During a line edit the grids hold what is not accepted yet: the rules wait for it.
    cmdReglas->setEnabled(shown && available && !m_lineEditor->LineEditActive());
    cmdReglas->setToolTip(
        shown && !available
            ? QStringLiteral("Las reglas no están disponibles: la base de datos no tiene la tabla "
                             "Layout_Regla (velkora --upgrade la añade).")
            : QStringLiteral("Reglas del formato de carga: longitud de los registros, orden de "
                             "las líneas, cuentas y totales (Alt+R)"));
}

void frmKESTA::cmdReglas_Click()
{
    if (!cmdReglas->isEnabled())
        return;
    editor::ScreenOutline outline;
    for (int row = 0; row < ssLinea->Rows(); ++row)
        outline.lines << editor::ScreenOutline::Line{orderAt(*ssLinea, row), {}, {}, {}};
    const editor::FieldStore &store = fieldStore();
    for (int i = 0; i < store.count(); ++i) {
        const QString line = store.subItem(i, editor::FieldStore::LineaID);
        for (editor::ScreenOutline::Line &entry : outline.lines) {
            if (entry.order == line) {
                entry.fields << store.subItem(i, editor::FieldStore::Id);
                entry.types << store.subItem(i, editor::FieldStore::Tipo);
                entry.formats << store.subItem(i, editor::FieldStore::Formato);
            }
        }
    }

    const bool editable = editing(m_mode);
    editor::RulesDialog dialog(
        editor::RulesDialog::Parts{
            this, txtClave->text(), outline,
            editor::rulesOnScreen(*m_shownRules, lineNumbering(), fieldNumbering()), editable},
        this);
    if (dialog.exec() != QDialog::Accepted || !editable)
        return;
    // The rules now speak in the screen's numbers: those become the ones the save carries
    // them from, also through later line edits.
    m_lineEditor->setLoadedOrders(editor::takeScreenRules(*m_shownRules, dialog.rules(), outline));
    fieldStore().takeIdsAsOrigins();
}

} // namespace kesta::screen
