#include "FormatListCommand.h"

#include "host/Publico.h"
#include "host/RuntimeError.h"
#include "messages/HandlerGuard.h"
#include "messages/Messages.h"
#include "store/KeyList.h"

#include <controls/Controles.h>
#include <controls/TextBox.h>
#include <views/FormatListDialog.h>

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>

namespace kesta::commands {

namespace {

QList<velkora::views::FormatListEntry> entriesOf(const QList<velkora::store::StoredKey> &keys)
{
    QList<velkora::views::FormatListEntry> entries;
    entries.reserve(keys.size());
    for (const velkora::store::StoredKey &stored : keys)
        entries << velkora::views::FormatListEntry{
            stored.key, stored.description,
            stored.deactivated ? QStringLiteral("De baja") : QStringLiteral("Activo"),
            stored.lastChange.isValid()
                ? stored.lastChange.toString(QStringLiteral("dd/MM/yyyy HH:mm"))
                : QString()};
    return entries;
}

} // namespace

FormatListCommand::FormatListCommand(Parts parts, QObject *parent)
    : QObject(parent), m_parts(std::move(parts))
{
    m_action = new QAction(QStringLiteral("Formatos..."), this);
    m_action->setObjectName(QStringLiteral("Formatos"));
    m_action->setToolTip(
        QStringLiteral("Los formatos de carga guardados, para cargar uno (F2 en la clave)"));
    m_parts.toolbar->addScreenCommand(m_action);
    connect(m_action, &QAction::triggered, this, [this] {
        messages::guardHandler(m_parts.owner, QStringLiteral("Formatos_Click()"), [this] { run(); });
    });
    // The toolbar offers "Nuevo" exactly outside its editing state.
    connect(m_parts.toolbar->action(QStringLiteral("New")), &QAction::changed, this,
            &FormatListCommand::offer);
    m_parts.keyBox->installEventFilter(this);
    offer();
}

void FormatListCommand::offer()
{
    const bool offered = m_parts.toolbar->isOffered(QStringLiteral("New"));
    m_action->setVisible(offered);
    m_action->setEnabled(offered);
}

bool FormatListCommand::opensList(const QKeyEvent &event)
{
    const Qt::KeyboardModifiers modifiers =
        event.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    switch (event.key()) {
    case Qt::Key_F2:
    case Qt::Key_F3:
    case Qt::Key_F4:
        return modifiers == Qt::NoModifier;
    case Qt::Key_F:
        return modifiers == Qt::ControlModifier;
    case Qt::Key_Down:
        return modifiers == Qt::AltModifier;
    default:
        return false;
    }
}

bool FormatListCommand::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_parts.keyBox || event->type() != QEvent::KeyPress ||
        !opensList(*static_cast<QKeyEvent *>(event)))
        return QObject::eventFilter(watched, event);
    if (m_action->isEnabled())
        run();
    else if (m_parts.note)
        m_parts.note(messages::formatListWhileEditing());
    return true;
}

void FormatListCommand::run()
{
    if (!m_action->isEnabled())
        return;
    QList<velkora::store::StoredKey> keys;
    try {
        keys = velkora::store::readKeyList(*Publico::CoreServices().Connection());
    } catch (const std::exception &error) {
        messages::show(m_parts.owner, messages::formatListFailed(host::descriptionOf(error)));
        return;
    }
    velkora::views::FormatListDialog list(entriesOf(keys), m_parts.owner);
    if (list.exec() == QDialog::Accepted && !list.chosenKey().isEmpty())
        load(list.chosenKey());
}

void FormatListCommand::load(const QString &key)
{
    // As the user does it: the key typed into the key box (its change resets the screen), then
    // Enter.
    velkora::controls::TextBox &box = *m_parts.keyBox;
    box.setFocus();
    box.setText(key);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(&box, &enter);
}

} // namespace kesta::commands
