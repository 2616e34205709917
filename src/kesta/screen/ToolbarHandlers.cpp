// The toolbar's handlers, the modes and "Reglas...": thin entry points into the commands
// (commands/), which get the widgets they act on and the little of the screen they call back.

#include "frmKESTA.h"

#include "Settings.h"
#include "commands/LeaveCommands.h"
#include "commands/ModeCommands.h"
#include "commands/ProposalCommand.h"
#include "commands/RulesCommand.h"
#include "commands/SaveCommand.h"
#include "commands/StateCommands.h"
#include "commands/UnsavedEdit.h"
#include "editor/FieldStore.h"
#include "editor/LineEditor.h"
#include "editor/ScreenRules.h"
#include "host/Publico.h"
#include "host/RuntimeError.h"
#include "messages/Messages.h"
#include "store/RuleRows.h"

#include <controls/Controles.h>
#include <controls/DataGrid.h>
#include <controls/SmallControls.h>
#include <controls/TextBox.h>

#include <QCheckBox>
#include <QLabel>

namespace kesta::screen {

commands::ScreenParts frmKESTA::screenParts()
{
    commands::ScreenParts parts;
    parts.owner = this;
    parts.toolbar = Controles;
    parts.tabs = ssTabZur;
    parts.key = txtClave;
    parts.description = txtDescripcion;
    parts.file = txtArchivo;
    parts.reverse = chInverso;
    parts.userData = {txtUser1, txtUser2, txtUser3, txtUser4, dpUser5, dpUser6};
    parts.userFrame = fr2;
    parts.lines = ssLinea;
    parts.fields = ssDetalle;
    parts.store = &fieldStore();
    return parts;
}

void frmKESTA::buildCommands()
{
    m_screenParts = screenParts();
    const commands::ScreenParts &screen = m_screenParts;
    const auto keyEditable = [this] { return KeyEditable != 0; };
    const auto note = [this](const messages::Message &message) { showNote(message); };
    const auto cancel = [this] { Controles_Cancel(); };
    m_leaveCommands = std::make_unique<commands::LeaveCommands>(commands::LeaveCommands::Parts{
        ssLinea, ssDetalle, m_lineEditor, m_unsavedEdit.get(), m_unsavedLine.get()});
    m_rulesCommand = std::make_unique<commands::RulesCommand>(commands::RulesCommand::Parts{
        this, ssLinea, &fieldStore(), txtClave, cmdReglas, m_lineEditor, m_shownRules.get()});
    m_modeCommands = std::make_unique<commands::ModeCommands>(commands::ModeCommands::Parts{
        screen, m_lineEditor, m_shownRules.get(), m_unsavedEdit.get(),
        [this](commands::Mode mode) { setMode(mode); }, [this] { forgetShownFormat(); },
        [this] { return Copying; }, keyEditable,
        [] {
            return settingToBoolean(
                Setting::AutomaticKey,
                Publico::CoreServices().GetSetting(Setting::AutomaticKey, 0, QString(), QString()));
        }});
    m_saveCommand = std::make_unique<commands::SaveCommand>(
        commands::SaveCommand::Parts{screen, m_lineEditor, m_shownRules.get(), m_rulesCommand.get(),
                                     m_userDataAsRead.get(), keyEditable, cancel, note});
    m_stateCommands = std::make_unique<commands::StateCommands>(
        commands::StateCommands::Parts{this, txtClave, cancel, note});
}

commands::Mode frmKESTA::mode() const
{
    return m_mode;
}

commands::ModeControls frmKESTA::modeControls() const
{
    commands::ModeControls controls;
    controls.keyBox = txtClave;
    controls.descriptionBox = txtDescripcion;
    controls.dataInputs = {txtArchivo, cmdArchivo, chInverso, txtUser1, txtUser2,
                           txtUser3,   txtUser4,   dpUser5,   dpUser6};
    controls.grids = {ssLinea, ssDetalle};
    return controls;
}

void frmKESTA::setMode(commands::Mode mode)
{
    m_mode = mode;
    if (mode != commands::Mode::ViewingDeactivated)
        lblEstado->clear();
    if (mode != commands::Mode::EditingNew && mode != commands::Mode::EditingExisting)
        m_unsavedEdit->end();
    QList<QWidget *> buttons;
    for (auto *button : cmdControles)
        buttons << button;
    commands::applyMode(mode, modeControls(), buttons);
    offerProposal();
    offerRules();
}

void frmKESTA::Controles_New()
{
    m_modeCommands->newFormat();
}

void frmKESTA::Controles_Edit()
{
    m_modeCommands->edit();
}

void frmKESTA::Controles_Cancel()
{
    m_modeCommands->cancel();
}

void frmKESTA::Controles_Record()
{
    m_modeCommands->record();
}

void frmKESTA::Controles_Save(bool isNew)
{
    m_saveCommand->save(isNew);
}

void frmKESTA::Controles_Deactivate()
{
    m_stateCommands->deactivate();
}

void frmKESTA::Controles_Reactivate()
{
    m_stateCommands->reactivate();
}

void frmKESTA::offerRules()
{
    if (m_rulesCommand)
        m_rulesCommand->offer(m_mode);
}

void frmKESTA::cmdReglas_Click()
{
    m_rulesCommand->run(m_mode);
}

// Salir asks for the owner held in Padre to be unloaded.
void frmKESTA::Controles_Exit()
{
    QObject *owner = Padre();
    if (!owner)
        throw host::RuntimeError(
            QStringLiteral("The screen has no owner to unload (Padre is empty)."));
    m_leaveCommands->exit(owner);
}

bool frmKESTA::Controles_CancelKey()
{
    return m_leaveCommands->cancelKeyRuns();
}

void frmKESTA::Form_QueryUnload(bool &cancel)
{
    // Should the question fail, the window stays open: nothing is lost without an answer.
    cancel = true;
    cancel = m_leaveCommands->keepOpen();
}

void frmKESTA::settleCellEditors()
{
    m_leaveCommands->settleCellEditors();
}

QStringList frmKESTA::editedContent() const
{
    return commands::editedContent(m_screenParts, m_rulesCommand->rulesOnScreen());
}

QStringList frmKESTA::lineEditContent() const
{
    return commands::lineEditContent(*ssLinea, *ssDetalle);
}

commands::UnsavedEdit &frmKESTA::unsavedEdit() const
{
    return *m_unsavedEdit;
}

} // namespace kesta::screen
