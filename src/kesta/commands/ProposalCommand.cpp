#include "ProposalCommand.h"

#include "editor/FieldStore.h"
#include "editor/GridColumns.h"
#include "editor/LineEditor.h"
#include "host/Publico.h"
#include "messages/Messages.h"
#include "store/RuleRows.h"

#include <controls/DataGrid.h>
#include <controls/FileDialogs.h>
#include <controls/TextBox.h>
#include <formats/RuleParser.h>
#include <proposal/Proposal.h>
#include <views/ProposalDialog.h>
#include <views/ProposalGuessMarks.h>
#include <views/ProposalProgressDialog.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QScopeGuard>

namespace kesta::commands {

using velkora::formats::FieldDef;
using velkora::formats::FieldType;
using velkora::formats::LineType;
using velkora::formats::LoadFormat;

namespace {

const QString Title = QStringLiteral("Proponer desde archivo");

int typeListPosition(const FieldDef &field)
{
    switch (field.type()) {
    case FieldType::Numero:
        return 0;
    case FieldType::Texto:
        return 1;
    case FieldType::Fecha:
        return 2;
    case FieldType::Constante:
        return 3;
    case FieldType::Sql:
        return 4;
    case FieldType::Unknown:
        break;
    }
    return -1; // no type chosen: the editor asks for one
}

editor::LineRowInput lineRow(const LineType &type)
{
    editor::LineRowInput line;
    line.orden = type.order;
    line.id = type.lineId;
    line.descripcion = type.description;
    // A single line type without an ID takes every line, wherever an ID would stand; the
    // editor still wants a position and a length, which the user would give as 1 and 1.
    const bool anyLine = type.lineId.isEmpty();
    line.posicion = QString::number(anyLine && type.position < 1 ? 1 : type.position);
    line.longitud = QString::number(anyLine && type.length < 1 ? 1 : type.length);
    return line;
}

editor::FieldRowInput fieldRow(const FieldDef &def)
{
    editor::FieldRowInput field;
    field.id = def.id;
    field.descripcion = def.description;
    field.posicion = QString::number(def.position);
    field.longitud = QString::number(def.length);
    field.tipo = typeListPosition(def);
    field.valor = def.value;
    field.formato = def.format;
    field.trim = def.trim;
    return field;
}

} // namespace

QList<editor::LineTypeInput> lineTypeInputs(const LoadFormat &format)
{
    QList<editor::LineTypeInput> inputs;
    inputs.reserve(format.lineTypes.size());
    for (const LineType &type : format.lineTypes) {
        editor::LineTypeInput input;
        input.line = lineRow(type);
        for (const FieldDef &def : type.fields)
            input.fields << fieldRow(def);
        inputs << input;
    }
    return inputs;
}

ProposalCommand::ProposalCommand(Parts parts, QObject *parent) : QObject(parent), m_parts(parts)
{
    m_action = new QAction(QStringLiteral("Proponer desde archivo..."), m_parts.lines);
    m_action->setObjectName(QStringLiteral("actProponerArchivo"));
    m_action->setVisible(false);
    m_parts.lines->addAction(m_action);
    using editor::columnOf;
    using editor::FieldColumn;
    m_marks = new velkora::views::ProposalGuessMarks(
        m_parts.fields,
        {columnOf(FieldColumn::LineOrder), columnOf(FieldColumn::Id),
         columnOf(FieldColumn::Position), columnOf(FieldColumn::Length),
         columnOf(FieldColumn::Value), columnOf(FieldColumn::Format)},
        this);
}

void ProposalCommand::setOffered(bool offered)
{
    // Offered only while a new format is edited (and no line is being edited): once it is
    // saved (or given up), what the proposal guessed is the user's.
    if (!offered && !m_parts.editor->LineEditActive())
        m_marks->clear();
    m_action->setVisible(offered);
}

bool ProposalCommand::offered() const
{
    return m_action->isVisible();
}

bool ProposalCommand::mayReplaceLines(int proposed, const QString &file) const
{
    const int held = m_parts.lines->Rows();
    return held == 0 ||
           messages::show(m_parts.owner, messages::replaceLineTypes(held, proposed, file)) ==
               host::MessageAnswer::Yes;
}

QString ProposalCommand::chooseFile() const
{
    // The chooser starts on the header's file (its folder and extension), when it names one,
    // unless the user chose a file elsewhere last time.
    return Publico::ToolServices().ChooseOpenFile(m_parts.owner, Title,
                                                  m_parts.fileBox->text().trimmed(),
                                                  velkora::controls::readingFilters());
}

void ProposalCommand::run()
{
    if (!offered() || m_parts.editor->LineEditActive())
        return;
    const QString path = chooseFile();
    if (path.isEmpty())
        return;
    const QString shownPath = QDir::toNativeSeparators(path);

    // A big sample shows its progress and can be cancelled; a cancelled proposal changes
    // nothing and says nothing (the user asked for it).
    velkora::views::ProposalJob::Outcome outcome;
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        outcome = velkora::views::runProposal(path, m_parts.owner, m_runOptions);
    }
    if (!outcome.proposed) {
        using velkora::proposal::ProposalFailure;
        switch (outcome.error.failure) {
        case ProposalFailure::Cancelled:
            return;
        case ProposalFailure::NotText:
            messages::show(m_parts.owner, messages::proposalNotText(shownPath, outcome.error.text));
            return;
        default:
            messages::show(m_parts.owner,
                           messages::proposalFileUnreadable(shownPath, outcome.error.text));
            return;
        }
    }
    const velkora::proposal::Proposal &proposal = outcome.proposal;
    if (proposal.lineTypes.isEmpty()) {
        messages::show(m_parts.owner, messages::proposalWithoutLineTypes(shownPath));
        return;
    }
    velkora::views::ProposalDialog dialog(proposal, m_parts.owner);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // What the grid holds is replaced only now that the user has seen what replaces it.
    if (!mayReplaceLines(int(proposal.lineTypes.size()), shownPath))
        return;
    m_marks->clear();
    if (enterProposal(velkora::proposal::toLoadFormat(proposal, QString()), path))
        m_marks->take(proposal);
}

bool ProposalCommand::enterProposal(const LoadFormat &format, const QString &file)
{
    m_parts.editor->removeAllLines();
    const QList<editor::LineTypeInput> inputs = lineTypeInputs(format);
    editor::LineTypeEntry entry({m_parts.lines, m_parts.fields, m_parts.editor});
    const int accepted = entry.enter(inputs);
    if (accepted < inputs.size()) {
        messages::show(m_parts.owner, messages::proposalStopped(accepted, int(inputs.size())));
        return false;
    }
    // The header names the sample as the format's file, unless it names one already (or the
    // path is longer than the box takes: it is never cut).
    velkora::controls::TextBox &box = *m_parts.fileBox;
    if (box.text().isEmpty() && file.size() <= box.maxLength())
        box.setText(file);
    showRules(format);
    m_parts.lines->setCurrentRow(0);
    return true;
}

void ProposalCommand::showRules(const LoadFormat &format)
{
    if (!m_parts.rules || !Publico::CoreServices().Connection()->hasRulesTable())
        return;
    // The proposal's rules as a load would show them: each line type and field under the
    // number it was entered with, so that the save carries a rule with its line type and field
    // (and refuses one whose line type or field is removed meanwhile, 7500060).
    velkora::store::ShownRules shown;
    shown.read = true;
    shown.available = true; // the table is there: the rules can be seen and changed
    const bool reverse = m_parts.reverse && m_parts.reverse->isChecked();
    for (const velkora::formats::RuleDef &rule : format.rules) {
        const auto kind = velkora::formats::parseRule(rule.text, nullptr);
        if (!kind)
            continue;
        using velkora::formats::RuleKind;
        const bool ordered = kind->kind != RuleKind::Registro && kind->kind != RuleKind::Longitud &&
                             kind->kind != RuleKind::Veces;
        if (reverse && ordered)
            continue;
        // Numbered again, in order, as the rules kept.
        shown.rules << velkora::store::LayoutRuleValues{
            QString(),
            QStringLiteral("%1").arg(shown.rules.size() + 1, 4, 10, QLatin1Char('0')),
            rule.lineOrder,
            rule.fieldId,
            rule.text,
            rule.description};
    }
    QStringList orders;
    for (const LineType &type : format.lineTypes) {
        orders << type.order;
        for (const FieldDef &field : type.fields)
            shown.addLoadedField(type.order, field.id, field.id);
    }
    m_parts.editor->setLoadedOrders(orders);
    if (m_parts.store)
        m_parts.store->takeIdsAsOrigins();
    *m_parts.rules = std::move(shown);
}

} // namespace kesta::commands
