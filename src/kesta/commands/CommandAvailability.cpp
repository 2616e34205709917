#include "CommandAvailability.h"

#include <controls/Controles.h>
#include <controls/DataGrid.h>
#include <controls/SmallControls.h>

#include <QAbstractItemModel>
#include <QHash>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include <algorithm>

namespace kesta::commands {

namespace {

const QString NothingShown =
    QStringLiteral("no hay ningún formato a la vista: escriba su clave y pulse Enter");
const QString NotEditing = QStringLiteral("no se está editando ningún formato");
const QString SaveOrCancel =
    QStringLiteral("se está editando el formato: guárdelo (Ctrl+S) o cancele (Esc) antes");

// The toolbar's commands. In the editing modes the toolbar offers only Save and Cancel (and
// Record for a stored format); outside them, what the shown format allows.
QString whyToolbarUnavailable(const QString &command, const CommandState &state)
{
    const bool edits = isEditing(state.mode);
    const bool shown = state.mode == Mode::ViewingActive || state.mode == Mode::ViewingDeactivated;
    if (command == QLatin1String("Save"))
        return edits ? QString() : NotEditing;
    if (command == QLatin1String("B3"))
        return state.keyEmpty ? QStringLiteral("no hay ninguna clave: escriba la clave de un "
                                               "formato guardado")
                              : QString();
    if (command == QLatin1String("New"))
        return edits ? SaveOrCancel : QString();
    if (command == QLatin1String("Record") && state.mode == Mode::EditingNew)
        return QStringLiteral("el formato nuevo aún no está guardado");
    if (edits) {
        if (command == QLatin1String("Edit"))
            return QStringLiteral("el formato ya se está editando");
        if (command == QLatin1String("B2") || command == QLatin1String("B2Archivo"))
            return QStringLiteral("se prueba el formato guardado: guarde los cambios (Ctrl+S) o "
                                  "cancele (Esc) antes");
        return command == QLatin1String("Record") ? QString() : SaveOrCancel;
    }
    if (!shown)
        return NothingShown;
    const bool deactivated = state.mode == Mode::ViewingDeactivated;
    if (command == QLatin1String("Edit") && deactivated)
        return QStringLiteral("el formato está dado de baja: reactívelo antes (Ctrl+R)");
    if (command == QLatin1String("Deactivate") && deactivated)
        return QStringLiteral("el formato ya está dado de baja");
    if (command == QLatin1String("Reactivate") && !deactivated)
        return QStringLiteral("el formato no está dado de baja");
    return {};
}

QString whyEditButtonUnavailable(int button, const CommandState &state)
{
    const bool startGroup = button <= 2; // Nuevo, Editar, Eliminar; the others edit a line
    if (!isEditing(state.mode))
        return QStringLiteral("el formato no se está editando: pulse Editar (Ctrl+E) o Nuevo "
                              "(Ctrl+N)");
    if (!startGroup)
        return state.lineEditActive ? QString()
                                    : QStringLiteral("no se está editando ninguna línea");
    if (state.lineEditActive)
        return QStringLiteral("hay una línea en edición: acéptela (Alt+A) o cancélela (Alt+C) "
                              "antes");
    if (button > 0 && state.lineRows == 0)
        return QStringLiteral("el formato no tiene líneas: agregue una con Nuevo (Alt+N)");
    return {};
}

} // namespace

QString whyUnavailable(const QString &command, const CommandState &state)
{
    for (int button = 0; button < int(EditButtonCommands.size()); ++button) {
        if (command == EditButtonCommands.at(std::size_t(button)))
            return whyEditButtonUnavailable(button, state);
    }
    if (command == QLatin1String("Cancel") || command == QLatin1String("Exit"))
        return {};
    if (command == QLatin1String("Rules")) {
        // "Reglas..." waits for a format shown and for the line under edit; otherwise the
        // database has no table of rules.
        if (state.mode == Mode::Idle)
            return NothingShown;
        return state.lineEditActive
                   ? QStringLiteral("hay una línea en edición: acéptela (Alt+A) o cancélela "
                                    "(Alt+C) antes")
                   : QStringLiteral("la base de datos no tiene la tabla Layout_Regla (velkora "
                                    "--upgrade la añade)");
    }
    return whyToolbarUnavailable(command, state);
}

QString commandCaption(const QString &command)
{
    static const QHash<QString, QString> captions{
        {QStringLiteral("New"), QStringLiteral("Nuevo")},
        {QStringLiteral("Edit"), QStringLiteral("Editar")},
        {QStringLiteral("Save"), QStringLiteral("Guardar")},
        {QStringLiteral("Deactivate"), QStringLiteral("Baja")},
        {QStringLiteral("Reactivate"), QStringLiteral("Reactivar")},
        {QStringLiteral("Record"), QStringLiteral("Registro")},
        {QStringLiteral("B1"), QStringLiteral("Copiar")},
        {QStringLiteral("B2"), QStringLiteral("Probar")},
        {QStringLiteral("B2Archivo"), QStringLiteral("Probar con otro archivo...")},
        {QStringLiteral("B3"), QStringLiteral("Script")},
        {QStringLiteral("LineNew"), QStringLiteral("Nuevo")},
        {QStringLiteral("LineEdit"), QStringLiteral("Editar")},
        {QStringLiteral("LineDelete"), QStringLiteral("Eliminar")},
        {QStringLiteral("LineAccept"), QStringLiteral("Aceptar")},
        {QStringLiteral("LineCancel"), QStringLiteral("Cancelar")},
        {QStringLiteral("Rules"), QStringLiteral("Reglas...")},
    };
    return captions.value(command, command);
}

CommandAvailability::CommandAvailability(Parts parts, QObject *parent)
    : QObject(parent), m_parts(std::move(parts))
{
    const auto refreshNow = [this] { refresh(); };
    QAbstractItemModel *rows = m_parts.lines->model();
    connect(rows, &QAbstractItemModel::rowsInserted, this, refreshNow);
    connect(rows, &QAbstractItemModel::rowsRemoved, this, refreshNow);
    connect(rows, &QAbstractItemModel::modelReset, this, refreshNow);
    connect(m_parts.keyBox, &QLineEdit::textChanged, this, refreshNow);
    // Keys anywhere in the window, and the mode table enabling the edit buttons as a group
    // (the rows decide again after it).
    qApp->installEventFilter(this);
    refresh();
}

CommandAvailability::~CommandAvailability()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

CommandState CommandAvailability::state() const
{
    CommandState state;
    state.mode = m_parts.mode();
    state.keyEmpty = m_parts.keyBox->text().trimmed().isEmpty();
    state.lineRows = m_parts.lines->Rows();
    state.lineEditActive = m_parts.lineEditActive();
    return state;
}

void CommandAvailability::refresh()
{
    if (m_refreshing)
        return;
    m_refreshing = true;
    const CommandState now = state();
    const bool buttonsOn = modeStates(now.mode).editButtons;
    for (int button = 1; button <= 2; ++button) // Editar, Eliminar
        m_parts.editButtons.at(std::size_t(button))->setEnabled(buttonsOn && now.lineRows > 0);
    m_parts.toolbar->setCommandBlocked(QStringLiteral("B3"), now.keyEmpty);
    m_refreshing = false;
}

bool CommandAvailability::inScreenWindow(QObject *watched) const
{
    const auto *widget = qobject_cast<QWidget *>(watched);
    return widget && m_parts.screen->isVisible() && widget->window() == m_parts.screen->window();
}

QString CommandAvailability::unavailableCommandOfKey(QKeyCombination key) const
{
    const QKeySequence pressed(key);
    for (const QString &name :
         {QStringLiteral("New"), QStringLiteral("Edit"), QStringLiteral("Save"),
          QStringLiteral("Deactivate"), QStringLiteral("Reactivate"), QStringLiteral("Record"),
          QStringLiteral("B1"), QStringLiteral("B2"), QStringLiteral("B2Archivo"),
          QStringLiteral("B3")}) {
        const QAction *action = m_parts.toolbar->action(name);
        if (action && action->shortcut() == pressed)
            return m_parts.toolbar->isOffered(name) ? QString() : name;
    }
    if (key.keyboardModifiers() != Qt::AltModifier)
        return {};
    const velkora::controls::FlatButton *rules = m_parts.rulesButton;
    if (rules && !rules->isEnabled() && QKeySequence::mnemonic(rules->text()) == pressed)
        return QStringLiteral("Rules");
    for (std::size_t button = 0; button < m_parts.editButtons.size(); ++button) {
        const velkora::controls::FlatButton *flat = m_parts.editButtons.at(button);
        if (flat->mnemonic().isNull() || QKeySequence(QStringLiteral("Alt+") + flat->mnemonic()) !=
                                             pressed)
            continue;
        // Of the two buttons at one place, the one shown answers.
        if (flat->isVisible() && flat->isEnabled())
            return {};
        if (!whyUnavailable(EditButtonCommands.at(button), state()).isEmpty())
            return EditButtonCommands.at(button);
    }
    return {};
}

bool CommandAvailability::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::EnabledChange) {
        const auto &buttons = m_parts.editButtons;
        if (!m_refreshing && std::find(buttons.begin(), buttons.end(), watched) != buttons.end())
            refresh();
        return false;
    }
    if (event->type() != QEvent::KeyPress || !inScreenWindow(watched))
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->isAutoRepeat())
        return false;
    const QString command = unavailableCommandOfKey(key->keyCombination());
    const QString why = command.isEmpty() ? QString() : whyUnavailable(command, state());
    if (why.isEmpty())
        return false;
    m_parts.note(messages::commandUnavailable(commandCaption(command), why));
    return true;
}

} // namespace kesta::commands
