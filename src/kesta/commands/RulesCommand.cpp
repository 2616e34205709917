#include "RulesCommand.h"

#include "editor/FieldStore.h"
#include "editor/GridCells.h"
#include "editor/GridColumns.h"
#include "editor/LineEditor.h"
#include "editor/RulesDialog.h"
#include "editor/ScreenRules.h"
#include "messages/Messages.h"
#include "store/RuleRows.h"

#include <controls/DataGrid.h>
#include <controls/SmallControls.h>
#include <controls/TextBox.h>

namespace kesta::commands {

namespace {

QString orderAt(const velkora::controls::DataGrid &lines, int row)
{
    return editor::cellText(lines, row, editor::LineColumn::Order);
}

} // namespace

RulesCommand::RulesCommand(Parts parts) : m_parts(parts) {}

QList<velkora::store::LineNumbering> RulesCommand::lineNumbering() const
{
    QList<velkora::store::LineNumbering> lines;
    for (int row = 0; row < m_parts.lines->Rows(); ++row) {
        const QString order = orderAt(*m_parts.lines, row);
        lines << velkora::store::LineNumbering{order, m_parts.lineEditor->loadedOrderOf(order)};
    }
    return lines;
}

QList<velkora::store::FieldNumbering> RulesCommand::fieldNumbering() const
{
    using Store = editor::FieldStore;
    const Store &store = *m_parts.store;
    QList<velkora::store::FieldNumbering> fields;
    fields.reserve(store.count());
    for (int i = 0; i < store.count(); ++i) {
        const QString line = store.subItem(i, Store::LineaID);
        const QString id = store.subItem(i, Store::Id);
        const QString loadedOrder = m_parts.lineEditor->loadedOrderOf(line);
        // A field is known to the rules by its origin, which stays with it through line edits
        // whatever number it and the others take; one entered since has none.
        fields << velkora::store::FieldNumbering{
            line, loadedOrder.isEmpty() ? QString() : store.origin(i), id};
    }
    return fields;
}

QList<editor::ScreenRule> RulesCommand::rulesOnScreen() const
{
    return editor::rulesOnScreen(*m_parts.rules, lineNumbering(), fieldNumbering());
}

void RulesCommand::dropRulesOf(const QString &loadedOrder, const QStringList &fields)
{
    const QList<velkora::store::LayoutRuleValues> gone =
        m_parts.rules->takeRulesOf(loadedOrder, fields);
    if (gone.isEmpty())
        return;
    QStringList named;
    for (const velkora::store::LayoutRuleValues &rule : gone)
        named << QStringLiteral("%1 (%2)").arg(rule.id, rule.text);
    messages::show(m_parts.owner, fields.isEmpty() ? messages::rulesGoneWithLineType(named)
                                                   : messages::rulesGoneWithFields(named));
}

void RulesCommand::offer(Mode mode)
{
    const bool shown = mode != Mode::Idle;
    const bool available = m_parts.rules->available;
    // During a line edit the grids hold what is not accepted yet: the rules wait for it.
    m_parts.button->setEnabled(shown && available && !m_parts.lineEditor->LineEditActive());
    m_parts.button->setToolTip(
        shown && !available
            ? QStringLiteral("Las reglas no están disponibles: la base de datos no tiene la tabla "
                             "Layout_Regla (velkora --upgrade la añade).")
            : QStringLiteral("Reglas del formato de carga: longitud de los registros, orden de "
                             "las líneas, cuentas y totales (Alt+R)"));
}

void RulesCommand::run(Mode mode)
{
    if (!m_parts.button->isEnabled())
        return;
    editor::ScreenOutline outline;
    for (int row = 0; row < m_parts.lines->Rows(); ++row)
        outline.lines << editor::ScreenOutline::Line{orderAt(*m_parts.lines, row), {}, {}, {}};
    const editor::FieldStore &store = *m_parts.store;
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

    const bool editable = isEditing(mode);
    editor::RulesDialog dialog(editor::RulesDialog::Parts{m_parts.owner, m_parts.key->text(),
                                                          outline, rulesOnScreen(), editable},
                               m_parts.owner);
    if (dialog.exec() != QDialog::Accepted || !editable)
        return;
    // The rules now speak in the screen's numbers: those become the ones the save carries
    // them from, also through later line edits.
    m_parts.lineEditor->setLoadedOrders(
        editor::takeScreenRules(*m_parts.rules, dialog.rules(), outline));
    m_parts.store->takeIdsAsOrigins();
}

} // namespace kesta::commands
