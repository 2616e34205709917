// The toolbar's Save: the rows read from the screen, saved by storage::FormatSave (its checks,
// then one transaction), and the message for what the save came to.

#include "editor/FieldStore.h"
#include "editor/FormatForm.h"
#include "editor/GridCells.h"
#include "editor/GridColumns.h"
#include "editor/LineEditor.h"
#include "editor/ScreenRules.h"
#include "editor/UserDataAsRead.h"
#include "host/Publico.h"
#include "host/RuntimeError.h"
#include "messages/Messages.h"
#include "screen/frmKESTA.h"
#include "store/FormatSave.h"
#include "store/RuleRows.h"
#include "store/SaveCheck.h"

#include <controls/Controles.h>
#include <controls/DataGrid.h>
#include <controls/SmallControls.h>
#include <controls/TextBox.h>

#include <QCheckBox>
#include <QTabWidget>

namespace kesta::screen {

using editor::cellText;
using editor::LineColumn;

storage::SaveRequest frmKESTA::saveRequest(bool isNew) const
{
    host::ToolServices &tools = Publico::ToolServices();
    const editor::FormatForm form({txtClave, txtDescripcion, txtArchivo, chInverso, txtUser1,
                                   txtUser2, txtUser3, txtUser4, dpUser5, dpUser6, ssLinea,
                                   &fieldStore()},
                                  [&tools](const QDate &date) { return tools.FormatDate(date); });
    storage::SaveRequest request = form.read(isNew);
    // A user datum read as NULL and left alone is written back as NULL.
    const quint8 keptNull = m_userDataAsRead->untouchedNulls();
    for (storage::LayoutLineValues &line : request.lines)
        line.nullUserData = keptNull;
    // The shown format's rules go with their line types and fields to the numbers written now
    // (a copy takes them to its new key); the rules of a removed field or line type went with
    // it. A rule whose text still names one that is gone refuses the save: it is never left
    // pointing at another field. Without rules read, the save leaves the key none.
    if (!request.lines.isEmpty() && m_shownRules->read) {
        storage::LayoutRuleValues refused;
        request.rules = storage::carryRules(request.key, *m_shownRules, lineNumbering(),
                                            fieldNumbering(), &refused);
        if (!request.rules)
            request.ruleWithoutItsField = refused;
    }
    return request;
}

// Shows where a value that its column cannot hold was entered.
void frmKESTA::showSaveProblem(const storage::SaveProblem &problem)
{
    messages::show(this, messages::saveProblem(problem));
    using Place = storage::SaveProblem::Place;
    if (problem.place == Place::Line) {
        ssLinea->setCurrentRow(problem.row);
        ssLinea->setFocus();
        return;
    }
    if (problem.place == Place::Field) {
        const QString order = fieldStore().subItem(problem.row, editor::FieldStore::LineaID);
        for (int row = 0; row < ssLinea->Rows(); ++row) {
            if (cellText(*ssLinea, row, LineColumn::Order) == order)
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

// A rule the save cannot carry, told in the numbers the user saw: its text as the rules
// dialog shows it, the field it lost under the number the load showed it by.
void frmKESTA::showRuleRefused(const storage::LayoutRuleValues &refused)
{
    QString text = refused.text;
    for (const editor::ScreenRule &rule :
         editor::rulesOnScreen(*m_shownRules, lineNumbering(), fieldNumbering())) {
        if (rule.id == refused.id)
            text = rule.text;
    }
    const QString field = refused.fieldId.isEmpty()
                              ? QString()
                              : m_shownRules->shownFieldId(refused.lineId, refused.fieldId);
    messages::show(this, messages::ruleWithoutItsField(refused.id, text, refused.lineId, field));
}

// What the save came to, told to the user: the one place that turns an outcome into what the
// screen shows.
void frmKESTA::showSaveOutcome(const storage::SaveOutcome &outcome)
{
    using Status = storage::SaveOutcome::Status;
    switch (outcome.status) {
    case Status::Saved: {
        Controles->ConfirmSave();
        const QString key = txtClave->text();
        Controles_Cancel();
        showNote(messages::formatSaved(key));
        return;
    }
    case Status::KeyTaken:
        refuseTakenKey(outcome.storedDescription);
        return;
    case Status::KeyRequired:
        messages::show(this, messages::keyRequired());
        txtClave->setFocus();
        break;
    case Status::DescriptionRequired:
        messages::show(this, messages::descriptionRequired());
        txtDescripcion->setFocus();
        break;
    case Status::LineRequired:
        messages::show(this, messages::lineRequired());
        break;
    case Status::ValueRefused:
        showSaveProblem(*outcome.problem);
        break;
    case Status::RuleRefused:
        showRuleRefused(*outcome.rule);
        break;
    case Status::AdditionalFieldsNotSaved:
        messages::show(this, messages::additionalFieldsNotSaved());
        break;
    case Status::Conflict:
        messages::show(this, messages::saveConflict(txtClave->text(), outcome.error));
        break;
    case Status::Failed:
        messages::show(this, messages::saveFailed(outcome.error));
        break;
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
    ssTabZur->setCurrentIndex(0);

    // The key is saved as the key box shows a confirmed key, which is how the load finds it
    // again ("42" is the key "0042" under the format "0000").
    if (const QString formatted = txtClave->formatted(txtClave->text());
        formatted != txtClave->text() && formatted.size() <= txtClave->maxLength())
        txtClave->setText(formatted);

    // A new load format's key is looked up here, and again as the transaction writes: another
    // user may have stored one under it in between.
    if (isNew) {
        const QString taken = tools.LookupValue(
            QStringLiteral("Layout"), QStringLiteral("Ly_Cve_Layout"), txtClave->text(),
            QStringLiteral("Ly_Descripcion"), 0, QString(), QString(), QString());
        if (!taken.isEmpty()) {
            refuseTakenKey(taken);
            return;
        }
    }

    storage::FormatSave save([] { return Publico::CoreServices().Connection(); }, Publico::Sql(),
                             Publico::CoreServices().CurrentOperator(),
                             [&tools] { return tools.FormatDateTime(tools.CurrentDateTime()); });
    showSaveOutcome(save.save(saveRequest(isNew), [this](const QString &key) {
        return Controles->SaveAdditionalFields(key);
    }));
}

} // namespace kesta::screen
