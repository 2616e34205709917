#include "SaveCommand.h"

#include "RulesCommand.h"
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
#include "store/FormatSave.h"
#include "store/RuleRows.h"
#include "store/SaveCheck.h"

#include <controls/Controles.h>
#include <controls/DataGrid.h>
#include <controls/SmallControls.h>
#include <controls/TextBox.h>

#include <QCheckBox>
#include <QTabWidget>

namespace kesta::commands {

using editor::cellText;
using editor::LineColumn;

SaveCommand::SaveCommand(Parts parts) : m_parts(std::move(parts)) {}

velkora::store::SaveRequest SaveCommand::request(bool isNew) const
{
    host::ToolServices &tools = Publico::ToolServices();
    const ScreenParts &screen = m_parts.screen;
    const editor::FormatForm form({screen.key, screen.description, screen.file, screen.reverse,
                                   screen.userData, screen.lines, screen.store},
                                  [&tools](const QDate &date) { return tools.FormatDate(date); });
    velkora::store::SaveRequest request = form.read(isNew);
    // A user datum read as NULL and left alone is written back as NULL.
    const quint8 keptNull = m_parts.userData->untouchedNulls();
    for (velkora::store::LayoutLineValues &line : request.lines)
        line.nullUserData = keptNull;
    // The shown format's rules go with their line types and fields to the numbers written now
    // (a copy takes them to its new key); the rules of a removed field or line type went with
    // it. A rule whose text still names one that is gone refuses the save: it is never left
    // pointing at another field. Without rules read, the save leaves the key none.
    if (!request.lines.isEmpty() && m_parts.rules->read) {
        velkora::store::LayoutRuleValues refused;
        request.rules = velkora::store::carryRules(request.key, *m_parts.rules,
                                                   m_parts.numbering->lineNumbering(),
                                                   m_parts.numbering->fieldNumbering(), &refused);
        if (!request.rules)
            request.ruleWithoutItsField = refused;
    }
    return request;
}

// Shows where a value that its column cannot hold was entered.
void SaveCommand::showProblem(const velkora::store::SaveProblem &problem)
{
    const ScreenParts &screen = m_parts.screen;
    messages::show(m_parts.screen.owner, messages::saveProblem(problem));
    using Place = velkora::store::SaveProblem::Place;
    if (problem.place == Place::Line) {
        screen.lines->setCurrentRow(problem.row);
        screen.lines->setFocus();
        return;
    }
    if (problem.place == Place::Field) {
        const QString order = screen.store->subItem(problem.row, editor::FieldStore::LineaID);
        for (int row = 0; row < screen.lines->Rows(); ++row) {
            if (cellText(*screen.lines, row, LineColumn::Order) == order)
                screen.lines->setCurrentRow(row);
        }
        screen.fields->setFocus();
        return;
    }
    const QHash<QString, QWidget *> boxes{{QStringLiteral("Ly_Cve_Layout"), screen.key},
                                          {QStringLiteral("Ly_Descripcion"), screen.description},
                                          {QStringLiteral("Ly_Archivo"), screen.file},
                                          {QStringLiteral("Ly_UserDef_1"), screen.userData.user1},
                                          {QStringLiteral("Ly_UserDef_2"), screen.userData.user2},
                                          {QStringLiteral("Ly_UserDef_3"), screen.userData.user3},
                                          {QStringLiteral("Ly_UserDef_4"), screen.userData.user4}};
    if (QWidget *box = boxes.value(problem.column)) {
        screen.tabs->setCurrentIndex(box->parentWidget() == screen.userFrame ? 1 : 0);
        if (box->isEnabled())
            box->setFocus();
    }
}

// A new load format's key is already stored: the user is told by whom, and may type another
// key when keys are typed.
void SaveCommand::refuseTakenKey(const QString &storedDescription)
{
    messages::show(m_parts.screen.owner,
                   messages::keyTaken(m_parts.screen.key->text(), storedDescription));
    if (m_parts.keyEditable()) {
        m_parts.screen.key->setEnabled(true);
        m_parts.screen.key->setFocus();
    }
    m_parts.screen.toolbar->CancelSave();
}

// A rule the save cannot carry, told in the numbers the user saw: its text as the rules
// dialog shows it, the field it lost under the number the load showed it by.
void SaveCommand::showRuleRefused(const velkora::store::LayoutRuleValues &refused)
{
    QString text = refused.text;
    for (const editor::ScreenRule &rule : m_parts.numbering->rulesOnScreen()) {
        if (rule.id == refused.id)
            text = rule.text;
    }
    const QString field = refused.fieldId.isEmpty()
                              ? QString()
                              : m_parts.rules->shownFieldId(refused.lineId, refused.fieldId);
    messages::show(m_parts.screen.owner,
                   messages::ruleWithoutItsField(refused.id, text, refused.lineId, field));
}

// What the save came to, told to the user: the one place that turns an outcome into what the
// screen shows.
void SaveCommand::showOutcome(const velkora::store::SaveOutcome &outcome)
{
    using Status = velkora::store::SaveOutcome::Status;
    switch (outcome.status) {
    case Status::Saved: {
        m_parts.screen.toolbar->ConfirmSave();
        const QString key = m_parts.screen.key->text();
        m_parts.cancel();
        m_parts.note(messages::formatSaved(key));
        return;
    }
    case Status::KeyTaken:
        refuseTakenKey(outcome.storedDescription);
        return;
    case Status::KeyRequired:
        messages::show(m_parts.screen.owner, messages::keyRequired());
        m_parts.screen.key->setFocus();
        break;
    case Status::DescriptionRequired:
        messages::show(m_parts.screen.owner, messages::descriptionRequired());
        m_parts.screen.description->setFocus();
        break;
    case Status::LineRequired:
        messages::show(m_parts.screen.owner, messages::lineRequired());
        break;
    case Status::ValueRefused:
        showProblem(*outcome.problem);
        break;
    case Status::RuleRefused:
        showRuleRefused(*outcome.rule);
        break;
    case Status::AdditionalFieldsNotSaved:
        messages::show(m_parts.screen.owner, messages::additionalFieldsNotSaved());
        break;
    case Status::Conflict:
        messages::show(m_parts.screen.owner,
                       messages::saveConflict(m_parts.screen.key->text(), outcome.error));
        break;
    case Status::Failed:
        messages::show(m_parts.screen.owner, messages::saveFailed(outcome.error));
        break;
    }
    m_parts.screen.toolbar->CancelSave();
}

void SaveCommand::save(bool isNew)
{
    if (m_parts.lineEditor->LineEditActive()) {
        messages::show(m_parts.screen.owner, messages::lineEditInProgress());
        m_parts.screen.toolbar->CancelSave();
        return;
    }
    host::ToolServices &tools = Publico::ToolServices();
    m_parts.screen.tabs->setCurrentIndex(0);

    // The key is saved as the key box shows a confirmed key, which is how the load finds it
    // again ("42" is the key "0042" under the format "0000").
    if (const QString formatted = m_parts.screen.key->formatted(m_parts.screen.key->text());
        formatted != m_parts.screen.key->text() &&
        formatted.size() <= m_parts.screen.key->maxLength())
        m_parts.screen.key->setText(formatted);

    // A new load format's key is looked up here, and again as the transaction writes: another
    // user may have stored one under it in between.
    if (isNew) {
        const QString taken = tools.LookupValue(
            QStringLiteral("Layout"), QStringLiteral("Ly_Cve_Layout"), m_parts.screen.key->text(),
            QStringLiteral("Ly_Descripcion"), 0, QString(), QString(), QString());
        if (!taken.isEmpty()) {
            refuseTakenKey(taken);
            return;
        }
    }

    velkora::store::FormatSave save(
        [] { return Publico::CoreServices().Connection(); }, Publico::Sql(),
        Publico::CoreServices().CurrentOperator(),
        [&tools] { return tools.FormatDateTime(tools.CurrentDateTime()); });
    showOutcome(save.save(request(isNew), [this](const QString &key) {
        return m_parts.screen.toolbar->SaveAdditionalFields(key);
    }));
}

} // namespace kesta::commands
