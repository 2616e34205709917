// The toolbar's Save: the screen's checks, then the load format's rows written in one
// transaction by storage::LoadFormatWriter.

#include "editor/FieldStore.h"
#include "editor/LineEditor.h"
#include "host/Publico.h"
#include "host/RuntimeError.h"
#include "messages/Messages.h"
#include "screen/frmKESTA.h"
#include "storage/LoadFormatWriter.h"
#include "storage/RuleRows.h"
#include "storage/SaveCheck.h"

#include <controls/Controles.h>
#include <controls/DataGrid.h>
#include <controls/SmallControls.h>
#include <controls/TextBox.h>

#include <QCheckBox>
#include <QTabWidget>

namespace kesta::screen {

namespace {

QString cellText(const velkora::controls::DataGrid &grid, int row, const char *column)
{
    const QVariant value = grid.cell(row, QString::fromUtf8(column));
    return value.isNull() ? QString() : value.toString();
}

QString descriptionOf(const std::exception &error)
{
    if (const auto *runtime = dynamic_cast<const host::RuntimeError *>(&error))
        return runtime->description();
    return QString::fromLocal8Bit(error.what());
}

} // namespace

QList<storage::LayoutLineValues> frmKESTA::lineRowsToSave(const QString &stamp) const
{
    // One Layout row per line-grid row; the header controls are read anew for every row.
    host::ToolServices &tools = Publico::ToolServices();
    host::CoreServices &core = Publico::CoreServices();
    QList<storage::LayoutLineValues> rows;
    for (int row = 0; row < ssLinea->Rows(); ++row) {
        storage::LayoutLineValues v;
        v.key = txtClave->text();
        v.description = txtDescripcion->text();
        v.file = txtArchivo->text();
        v.order = cellText(*ssLinea, row, "Orden");
        v.lineDescription = cellText(*ssLinea, row, "Descripción");
        v.lineId = cellText(*ssLinea, row, "ID");
        v.position = cellText(*ssLinea, row, "Posicion");
        v.length = cellText(*ssLinea, row, "Longitud");
        v.reverse = chInverso->isChecked();
        v.user1 = txtUser1->text();
        v.user2 = txtUser2->text();
        v.user3 = txtUser3->text();
        v.user4 = txtUser4->text();
        v.date5 = tools.FormatDate(dpUser5->date());
        v.date6 = tools.FormatDate(dpUser6->date());
        v.stamp = stamp;
        v.operatorAlta = core.CurrentOperator();
        v.operatorModif = core.CurrentOperator();
        rows << v;
    }
    return rows;
}

QList<storage::LayoutFieldValues> frmKESTA::fieldRowsToSave() const
{
    // One Layout_Detalle row per field store row, in the store's order.
    using Store = editor::FieldStore;
    const Store &store = fieldStore();
    QList<storage::LayoutFieldValues> rows;
    rows.reserve(store.count());
    for (int i = 0; i < store.count(); ++i) {
        storage::LayoutFieldValues v;
        v.key = txtClave->text();
        v.lineId = store.subItem(i, Store::LineaID);
        v.id = store.subItem(i, Store::Id);
        v.description = store.subItem(i, Store::Descripcion);
        v.position = store.subItem(i, Store::Posicion);
        v.length = store.subItem(i, Store::Longitud);
        v.trim = store.subItem(i, Store::Trim);
        v.valor = store.subItem(i, Store::Valor);
        v.formato = store.subItem(i, Store::Formato);
        v.tipo = store.subItem(i, Store::Tipo);
        rows << v;
    }
    return rows;
}

// Shows where a value that its column cannot hold was entered.
void frmKESTA::showSaveProblem(const storage::SaveProblem &problem)
{
    messages::show(this, problem.message);
    using Place = storage::SaveProblem::Place;
    if (problem.place == Place::Line) {
        ssLinea->setCurrentRow(problem.row);
        ssLinea->setFocus();
        return;
    }
    if (problem.place == Place::Field) {
        const QString order = fieldStore().subItem(problem.row, editor::FieldStore::LineaID);
        for (int row = 0; row < ssLinea->Rows(); ++row) {
            if (cellText(*ssLinea, row, "Orden") == order)
                ssLinea->setCurrentRow(row);
        }
        ssDetalle->setFocus();
        return;
    }
    const QHash<QString, QWidget *> boxes{{QStringLiteral("Ly_Cve_Layout"), txtClave},
                                          {QStringLiteral("Ly_Descripcion"), txtDescripcion},
                                          {QStringLiteral("Ly_Archivo"), txtArchivo},
                                          {QStringLiteral("Ly_UserDef_1"), txtUser1},
                                          {QStringLiteral("Ly_UserDef_2"), txtUser2},
                                          {QStringLiteral("Ly_UserDef_3"), txtUser3},
                                          {QStringLiteral("Ly_UserDef_4"), txtUser4}};
    if (QWidget *box = boxes.value(problem.column)) {
        ssTabZur->setCurrentIndex(box->parentWidget() == fr2 ? 1 : 0);
        if (box->isEnabled())
            box->setFocus();
    }
}

// A new load format's key is already stored: the user is told by whom, and may type another
// key when keys are typed.
void frmKESTA::refuseTakenKey(const QString &storedDescription)
{
    messages::show(this, messages::keyTaken(txtClave->text(), storedDescription));
    if (KeyEditable) {
        txtClave->setEnabled(true);
        txtClave->setFocus();
    }
    Controles->CancelSave();
}

void frmKESTA::Controles_Save(bool isNew)
{
    if (m_lineEditor->LineEditActive()) {
        messages::show(this, messages::lineEditInProgress());
        Controles->CancelSave();
        return;
    }
    host::ToolServices &tools = Publico::ToolServices();
    const QString stamp = tools.FormatDateTime(tools.CurrentDateTime());
    ssTabZur->setCurrentIndex(0);

    // The key is saved as the key box shows a confirmed key, which is how the load finds it
    // again ("42" is the key "0042" under the format "0000").
    if (const QString formatted = txtClave->formatted(txtClave->text());
        formatted != txtClave->text() && formatted.size() <= txtClave->maxLength())
        txtClave->setText(formatted);

    if (isNew) {
        const QString taken = tools.LookupValue(
            QStringLiteral("Layout"), QStringLiteral("Ly_Cve_Layout"), txtClave->text(),
            QStringLiteral("Ly_Descripcion"), 0, QString(), QString(), QString());
        if (!taken.isEmpty()) {
            refuseTakenKey(taken);
            return;
        }
    }
    if (txtClave->text().trimmed().isEmpty()) {
        messages::show(this, messages::keyRequired());
        txtClave->setFocus();
        Controles->CancelSave();
        return;
    }
    if (txtDescripcion->text().trimmed().isEmpty()) {
        messages::show(this, messages::descriptionRequired());
        txtDescripcion->setFocus();
        Controles->CancelSave();
        return;
    }
    if (ssLinea->Rows() < 1) {
        messages::show(this, messages::lineRequired());
        Controles->CancelSave();
        return;
    }

    // Everything is read and checked before anything is written: a value its column cannot
    // hold is refused here, never cut and never left to the database.
    const QList<storage::LayoutLineValues> lines = lineRowsToSave(stamp);
    const QList<storage::LayoutFieldValues> fields = fieldRowsToSave();
    const host::Engine engine = Publico::CoreServices().Connection()->engine();
    if (const auto problem = storage::checkSaveRows(engine, lines, fields)) {
        showSaveProblem(*problem);
        Controles->CancelSave();
        return;
    }

    // The shown format's rules go with their line types and fields to the numbers written now
    // (a copy takes them to its new key). A rule whose field or line type was removed is
    // refused before anything is written: it is never left pointing at another field.
    std::optional<QList<storage::LayoutRuleValues>> rules;
    if (m_shownRules->read) {
        storage::LayoutRuleValues refused;
        rules = storage::carryRules(txtClave->text(), *m_shownRules, lineNumbering(), fieldNumbering(),
                                    &refused);
        if (!rules) {
            messages::show(this, messages::ruleWithoutItsField(refused.id, refused.text,
                                                               refused.lineId, refused.fieldId));
            Controles->CancelSave();
            return;
        }
    }

    // A new load format's key is looked up again as the transaction writes: another user may
    // have stored one under it since the check above.
    using Writer = storage::LoadFormatWriter;
    Writer writer([] { return Publico::CoreServices().Connection(); }, Publico::Sql());
    try {
        const auto result =
            writer.write(isNew ? Writer::Format::New : Writer::Format::Stored, txtClave->text(),
                         lines, fields, rules ? &*rules : nullptr, [this](const QString &key) {
                             return Controles->SaveAdditionalFields(key);
                         });
        if (result == Writer::Result::KeyTaken) {
            refuseTakenKey(writer.storedDescription());
            return;
        }
        if (result == Writer::Result::AdditionalFieldsNotSaved) {
            messages::show(this, messages::additionalFieldsNotSaved());
            Controles->CancelSave();
            return;
        }
    } catch (const host::ConflictError &error) {
        messages::show(this, messages::saveConflict(txtClave->text(), error.description()));
        Controles->CancelSave();
        return;
    } catch (const std::exception &error) {
        messages::show(this, messages::saveFailed(descriptionOf(error)));
        Controles->CancelSave();
        return;
    }
    Controles->ConfirmSave();
    const QString key = txtClave->text();
    Controles_Cancel();
    showNote(messages::formatSaved(key));
}

} // namespace kesta::screen
