#include "ModeCommands.h"

#include "UnsavedEdit.h"
#include "editor/LineEditor.h"
#include "host/Publico.h"
#include "messages/Messages.h"
#include "store/RuleRows.h"

#include <controls/Controles.h>
#include <controls/TextBox.h>

#include <QScopeGuard>
#include <QTabWidget>

namespace kesta::commands {

ModeCommands::ModeCommands(Parts parts) : m_parts(std::move(parts)) {}

void ModeCommands::newFormat()
{
    // The new load format's edit starts from what New leaves (an automatic key, or under Copy
    // the copied content), however New ends.
    const auto started = qScopeGuard([this] { m_parts.edit->begin(); });
    startNewFormat();
    offerAutomaticKey();
}

void ModeCommands::startNewFormat()
{
    const ScreenParts &screen = m_parts.screen;
    host::ToolServices &tools = Publico::ToolServices();
    if (!m_parts.copying()) {
        tools.ClearScreen(screen.owner, 1);
        m_parts.forgetShownFormat();
        // Whether the new format can have rules. A database that cannot tell now offers none:
        // New itself does not depend on the database, and the save reports a lost connection.
        try {
            m_parts.rules->available = Publico::CoreServices().Connection()->hasRulesTable();
        } catch (const std::exception &) {
            m_parts.rules->available = false;
        }
    }
    tools.EnableScreen(screen.owner, 1);
    m_parts.lineEditor->showStartGroup();
    m_parts.lineEditor->reset();
    screen.tabs->setCurrentIndex(0);
    screen.key->setText(QString());
    // Nothing of a shown record is offered for the new one.
    screen.toolbar->setReactivateAllowed(false);
    screen.toolbar->setEditAllowed(false);
    screen.toolbar->setDeactivateAllowed(false);
    screen.toolbar->setRecordLoaded(false);
    screen.key->setNewKey(true);
    screen.key->setEnabled(true);
    screen.description->setEnabled(true);
    m_parts.setMode(Mode::EditingNew);
    screen.key->setFocus();
    screen.toolbar->setB1Caption(QString());
    screen.toolbar->setB2Caption(QString());
}

void ModeCommands::offerAutomaticKey()
{
    velkora::controls::TextBox *key = m_parts.screen.key;
    if (!m_parts.automaticKey())
        return;
    const qlonglong next =
        Publico::ToolServices().NextKey(QStringLiteral("Layout"), QStringLiteral("Ly_Cve_Layout"));
    const QString shown = key->formatted(QString::number(next));
    if (shown.size() > key->maxLength()) {
        // No automatic key is left that the key box can hold: the user types one.
        messages::show(m_parts.screen.owner, messages::noAutomaticKeyLeft(shown, key->maxLength()));
        key->setText(QString());
        key->setEnabled(true);
        key->setFocus();
        return;
    }
    key->setValue(next);
    key->setEnabled(m_parts.keyEditable());
}

void ModeCommands::edit()
{
    const ScreenParts &screen = m_parts.screen;
    screen.tabs->setCurrentIndex(0);
    Publico::ToolServices().EnableScreen(screen.owner, 1);
    m_parts.lineEditor->reset();
    m_parts.lineEditor->showStartGroup();
    m_parts.setMode(Mode::EditingExisting);
    screen.key->setEnabled(false);
    screen.description->setEnabled(true);
    screen.description->setFocus();
    screen.toolbar->setB1Caption(QString());
    screen.toolbar->setB2Caption(QString());
    m_parts.edit->begin();
}

void ModeCommands::cancel()
{
    const ScreenParts &screen = m_parts.screen;
    screen.tabs->setCurrentIndex(0);
    Publico::ToolServices().ClearScreen(screen.owner, 1);
    m_parts.forgetShownFormat();
    screen.key->setText(QString());
    screen.key->setNewKey(false);
    screen.key->setEnabled(true);
    screen.description->setEnabled(false);
    m_parts.lineEditor->reset();
    m_parts.lineEditor->showStartGroup();
    m_parts.setMode(Mode::Idle);
    screen.key->setFocus();
}

void ModeCommands::record()
{
    const std::unique_ptr<host::RecordTool> tool = Publico::ToolServices().CreateRecordTool();
    tool->OpenRecord(QStringLiteral("Layout"), QStringLiteral("Ly_Cve_Layout"),
                     m_parts.screen.key->text(), QString(), QString(), QString(), QString());
}

} // namespace kesta::commands
