// The screen's side of the line editor: the edit buttons' click handler, the commit and the
// column locks, the grids' behaviour, the field grid's refill and the line grid's proposal
// from a file, all forwarded to the classes that do the work.

#include "frmKESTA.h"

#include "commands/ProposalCommand.h"
#include "commands/RulesCommand.h"
#include "commands/UnsavedEdit.h"
#include "editor/DetailRefill.h"
#include "editor/FieldStore.h"
#include "editor/GridBehaviour.h"
#include "editor/LineEditor.h"
#include "messages/HandlerGuard.h"

#include <controls/Controles.h>
#include <controls/DataGrid.h>
#include <controls/SmallControls.h>

#include <QAction>

namespace kesta::screen {

using messages::connectGuarded;

void frmKESTA::buildEditor()
{
    editor::LineEditor::Parts parts;
    parts.lines = ssLinea;
    parts.fields = ssDetalle;
    parts.store = &fieldStore();
    for (int i = 0; i < 5; ++i)
        parts.buttons[static_cast<size_t>(i)] = cmdControles[i];
    parts.owner = this;
    parts.cancelSave = [this] { Controles->CancelSave(); };
    parts.refill = [this](const QString &line) { RellenaDetalle(line); };
    parts.fieldsGone = [this](const QString &loadedOrder, const QStringList &fields) {
        m_rulesCommand->dropRulesOf(loadedOrder, fields);
    };
    parts.lineGone = [this](const QString &loadedOrder) {
        m_rulesCommand->dropRulesOf(loadedOrder, {});
    };
    m_lineEditor = new editor::LineEditor(std::move(parts), this);
    m_lineEditor->setObjectName(QStringLiteral("lineEditor"));

    editor::GridBehaviour::Parts gridParts;
    gridParts.lines = ssLinea;
    gridParts.fields = ssDetalle;
    gridParts.editor = m_lineEditor;
    gridParts.owner = this;
    gridParts.editMode = [this] { return Controles->EditMode(); };
    gridParts.refill = [this](const QString &line) { RellenaDetalle(line); };
    m_gridBehaviour = new editor::GridBehaviour(std::move(gridParts), this);

    commands::ProposalCommand::Parts proposalParts;
    proposalParts.lines = ssLinea;
    proposalParts.fields = ssDetalle;
    proposalParts.editor = m_lineEditor;
    proposalParts.store = &fieldStore();
    proposalParts.fileBox = txtArchivo;
    proposalParts.owner = this;
    proposalParts.rules = m_shownRules.get();
    proposalParts.reverse = chInverso;
    m_proposalCommand = new commands::ProposalCommand(proposalParts, this);
    connectGuarded(m_proposalCommand->action(), &QAction::triggered, this,
                   QStringLiteral("mnuProponer_Click()"), [this] { mnuProponer_Click(); });
    connect(m_lineEditor, &editor::LineEditor::lineEditActiveChanged, this, [this](bool active) {
        // What the line edit holds as it begins, for Escape to tell typed changes.
        if (active)
            m_unsavedLine->begin();
        else
            m_unsavedLine->end();
        offerProposal();
        offerRules();
    });
    connectGuarded(cmdReglas, &QAbstractButton::clicked, this, QStringLiteral("cmdReglas_Click()"),
                   [this] { cmdReglas_Click(); });

    for (int i = 0; i < 5; ++i) {
        connectGuarded(cmdControles[i], &QAbstractButton::clicked, this,
                       QStringLiteral("cmdControles_Click()"),
                       [this, i] { cmdControles_Click(i); });
    }
}

void frmKESTA::RellenaDetalle(const QString &line)
{
    editor::refillFields(this, fieldStore(), *ssLinea, *ssDetalle, line);
}

void frmKESTA::cmdControles_Click(int index)
{
    m_lineEditor->click(index);
}

void frmKESTA::mnuProponer_Click()
{
    m_proposalCommand->run();
    offerRules(); // a proposal taken brings its rules
}

void frmKESTA::offerProposal()
{
    m_proposalCommand->setOffered(commands::modeStates(m_mode).proposeFromFile &&
                                  !m_lineEditor->LineEditActive());
}

void frmKESTA::AcceptLineEdit()
{
    m_lineEditor->accept();
}

void frmKESTA::LockEditColumns(bool locked)
{
    m_lineEditor->lockEditColumns(locked);
}

editor::LineEditor &frmKESTA::lineEditor() const
{
    return *m_lineEditor;
}

bool frmKESTA::LineEditActive() const
{
    return m_lineEditor->LineEditActive();
}

int frmKESTA::EditedLineRow() const
{
    return m_lineEditor->EditedLineRow();
}

} // namespace kesta::screen
