// The toolbar's commands that move the screen between its modes (New, Edit, Cancel) and the
// record command.

#include "ModeTable.h"
#include "UnsavedEdit.h"
#include "editor/LineEditor.h"
#include "host/Publico.h"
#include "messages/Messages.h"
#include "screen/Settings.h"
#include "screen/frmKESTA.h"
#include "store/RuleRows.h"

#include <controls/Controles.h>
#include <controls/DataGrid.h>
#include <controls/SmallControls.h>
#include <controls/TextBox.h>

#include <QCheckBox>
#include <QLabel>
#include <QScopeGuard>
#include <QTabWidget>

namespace kesta::screen {

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
    // The new load format's edit starts from what New leaves (an automatic key, or under Copy
    // the copied content), however New ends.
    const auto started = qScopeGuard([this] { m_unsavedEdit->begin(); });
    host::ToolServices &tools = Publico::ToolServices();
    if (!Copying) {
        tools.ClearScreen(this, 1);
        forgetShownFormat();
        // Whether the new format can have rules. A database that cannot tell now offers none:
        // New itself does not depend on the database, and the save reports a lost connection.
        try {
            m_shownRules->available = Publico::CoreServices().Connection()->hasRulesTable();
        } catch (const std::exception &) {
            m_shownRules->available = false;
        }
    }
    tools.EnableScreen(this, 1);
    m_lineEditor->showStartGroup();
    m_lineEditor->reset();
    ssTabZur->setCurrentIndex(0);
    txtClave->setText(QString());
    // Nothing of a shown record is offered for the new one.
    Controles->setReactivateAllowed(false);
    Controles->setEditAllowed(false);
    Controles->setDeactivateAllowed(false);
    Controles->setRecordLoaded(false);
    txtClave->setNewKey(true);
    txtClave->setEnabled(true);
    txtDescripcion->setEnabled(true);
    setMode(commands::Mode::EditingNew);
    txtClave->setFocus();
    Controles->setB1Caption(QString());
    Controles->setB2Caption(QString());

    const QVariant automatic =
        Publico::CoreServices().GetSetting(Setting::AutomaticKey, 0, QString(), QString());
    if (!settingToBoolean(Setting::AutomaticKey, automatic))
        return;
    const qlonglong next = tools.NextKey(QStringLiteral("Layout"), QStringLiteral("Ly_Cve_Layout"));
    const QString shown = txtClave->formatted(QString::number(next));
    if (shown.size() > txtClave->maxLength()) {
        // No automatic key is left that the key box can hold: the user types one.
        messages::show(this, messages::noAutomaticKeyLeft(shown, txtClave->maxLength()));
        txtClave->setText(QString());
        txtClave->setEnabled(true);
        txtClave->setFocus();
        return;
    }
    txtClave->setValue(next);
    txtClave->setEnabled(KeyEditable != 0);
}

void frmKESTA::Controles_Edit()
{
    ssTabZur->setCurrentIndex(0);
    Publico::ToolServices().EnableScreen(this, 1);
    m_lineEditor->reset();
    m_lineEditor->showStartGroup();
    setMode(commands::Mode::EditingExisting);
    txtClave->setEnabled(false);
    txtDescripcion->setEnabled(true);
    txtDescripcion->setFocus();
    Controles->setB1Caption(QString());
    Controles->setB2Caption(QString());
    m_unsavedEdit->begin();
}

void frmKESTA::Controles_Cancel()
{
    ssTabZur->setCurrentIndex(0);
    Publico::ToolServices().ClearScreen(this, 1);
    forgetShownFormat();
    txtClave->setText(QString());
    txtClave->setNewKey(false);
    txtClave->setEnabled(true);
    txtDescripcion->setEnabled(false);
    m_lineEditor->reset();
    m_lineEditor->showStartGroup();
    setMode(commands::Mode::Idle);
    txtClave->setFocus();
}

void frmKESTA::Controles_Record()
{
    const std::unique_ptr<host::RecordTool> tool = Publico::ToolServices().CreateRecordTool();
    tool->OpenRecord(QStringLiteral("Layout"), QStringLiteral("Ly_Cve_Layout"), txtClave->text(),
                     QString(), QString(), QString(), QString());
}

} // namespace kesta::screen
