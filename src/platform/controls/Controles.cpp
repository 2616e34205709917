// The maker's toolbar.
//
// Commands, in the toolbar's order (objectName, text, shortcut):
//   New "Nuevo" Ctrl+N, Edit "Editar" Ctrl+E, Record "Registro" Ctrl+I,
//   Reactivate "Reactivar" Ctrl+R, Deactivate "Baja" Ctrl+D, Save "Guardar" Ctrl+S,
//   Cancel "Cancelar" Esc, Exit "Salir" Ctrl+Q, B1/B2/B3 (their captions) Ctrl+1..Ctrl+3.
//
// Which commands are offered (an offered command is visible and enabled; a command that is not
// offered is hidden and disabled, so its shortcut does nothing):
//   New         outside the editing state (hidden while editing: a second New would drop the
//               edit without a word)
//   Edit        RecordLoaded && EditAllowed, outside the editing state
//   Deactivate  RecordLoaded && DeactivateAllowed, outside the editing state
//   Reactivate  RecordLoaded && ReactivateAllowed, outside the editing state
//   Save/Cancel only in the editing state
//   Record      while RecordLoaded, except while a new record is being edited (it is not
//               stored yet, so there is nothing to show)
//   Exit        always, unless the design property showexitbutton is "NO"
//   B1/B2/B3    while their caption is not empty (in every state; the screen withdraws them)
//
// The editing state: New, Edit and DoNew enter it; EditMode is already true when New and Edit
// raise their signal. Save raises Save(isNew), isNew true when the edit began with New or
// DoNew; EditMode stays true during Save and after it until the screen calls ConfirmSave (the
// save was committed: the editing state ends, no signal) or CancelSave (nothing changes).
// Cancel leaves the editing state before it raises its signal, so EditMode is already false in
// the Cancel handler.
//
// DoNew(ask) performs New from the program whatever is offered (the screen's Copy runs it):
// it enters the editing state as a new record and raises New before it returns; `ask` is
// accepted for the callers' sake and not used, since the toolbar asks nothing.
//
// Additional fields: none are configured for any table unless the host installs how they are
// stored (setAdditionalFields); without that SaveAdditionalFields returns true at once and
// LoadAdditionalFields does nothing.
//
// Keys: the owner may install a check that a command's shortcut key must pass (setKeyCheck);
// the screen uses it to keep Escape from throwing an edit away. Clicks are never checked.
//
// Choices (addChoice): a second way of running a command, offered with it, from the menu of
// the command's button, a Shift+click on the button or its own key (checked like the commands').
// Screen commands (addScreenCommand): the screen's own buttons on the bar, offered by the screen.
//
// ToolbarReady and the design properties other than showexitbutton (opc_table, opc_key,
// showwindowslist, showmenupopup, easyaccessenabled, tabwidth) are kept and readable but change
// nothing in this toolbar: it has no window list, pop-up menu or easy-access bar.

#include "Controles.h"

#include <QAction>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QToolBar>
#include <QToolButton>

namespace velkora::controls {

namespace {

struct CommandSpec {
    const char *name;
    const char *text;
    QKeySequence shortcut;
};

QList<CommandSpec> commandSpecs()
{
    return {
        {"New", "Nuevo", QKeySequence(Qt::CTRL | Qt::Key_N)},
        {"Edit", "Editar", QKeySequence(Qt::CTRL | Qt::Key_E)},
        {"Record", "Registro", QKeySequence(Qt::CTRL | Qt::Key_I)},
        {"Reactivate", "Reactivar", QKeySequence(Qt::CTRL | Qt::Key_R)},
        {"Deactivate", "Baja", QKeySequence(Qt::CTRL | Qt::Key_D)},
        {"Save", "Guardar", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {"Cancel", "Cancelar", QKeySequence(Qt::Key_Escape)},
        {"Exit", "Salir", QKeySequence(Qt::CTRL | Qt::Key_Q)},
        {"B1", "", QKeySequence(Qt::CTRL | Qt::Key_1)},
        {"B2", "", QKeySequence(Qt::CTRL | Qt::Key_2)},
        {"B3", "", QKeySequence(Qt::CTRL | Qt::Key_3)},
    };
}

} // namespace

Controles::Controles(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Controles"));

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);

    m_bar = new QToolBar(this);
    m_bar->setObjectName(QStringLiteral("toolbar"));
    m_bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_bar->setMovable(false);
    m_bar->setFloatable(false);
    layout->addWidget(m_bar, 1);

    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("caption"));
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    m_title->setFont(titleFont);
    m_title->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(m_title);

    for (const CommandSpec &spec : commandSpecs()) {
        const QString name = QString::fromLatin1(spec.name);
        auto *action = new QAction(QString::fromUtf8(spec.text), this);
        action->setObjectName(name);
        action->setShortcut(spec.shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
        // The toolbar's buttons may fold into its extension menu when space runs short; the
        // action is also attached to this widget so its shortcut works whenever the toolbar
        // itself is shown.
        addAction(action);
        m_bar->addAction(action);
        action->installEventFilter(this); // its shortcut key passes the key check
        m_actions.insert(name, action);
        connect(action, &QAction::triggered, this, [this, name] { trigger(name); });
        showKeysInToolTip(action);
    }
    // The buttons that do not fit go to the extension's menu, each command without its
    // button's menu: its choices are put beside it there each time the menu opens.
    if (auto *more = m_bar->findChild<QToolButton *>(QStringLiteral("qt_toolbar_ext_button"));
        more && more->menu())
        connect(more->menu(), &QMenu::aboutToShow, this,
                [this, folded = more->menu()] { foldChoices(folded); });
    m_design.insert(QStringLiteral("showexitbutton"), QStringLiteral("SI"));
    updateOffered();
}

void Controles::foldChoices(QMenu *folded) const
{
    for (auto it = m_choices.cbegin(); it != m_choices.cend(); ++it)
        folded->removeAction(m_actions.value(it.key()));
    for (auto it = m_choices.cbegin(); it != m_choices.cend(); ++it) {
        const QList<QAction *> entries = folded->actions();
        const qsizetype at = entries.indexOf(m_actions.value(it.value()));
        if (at >= 0)
            folded->insertAction(entries.value(at + 1), m_actions.value(it.key()));
    }
}

Controles::~Controles() = default;

QString Controles::caption() const
{
    return m_title->text();
}

void Controles::setCaption(const QString &caption)
{
    m_title->setText(caption);
}

void Controles::setDesignProperty(const QString &name, const QString &value)
{
    m_design.insert(name.toLower(), value);
    updateOffered();
}

QString Controles::designProperty(const QString &name) const
{
    return m_design.value(name.toLower());
}

bool Controles::EditMode() const
{
    return m_editMode;
}

bool Controles::RecordLoaded() const
{
    return m_recordLoaded;
}

void Controles::setRecordLoaded(bool on)
{
    m_recordLoaded = on;
    updateOffered();
}

bool Controles::EditAllowed() const
{
    return m_editAllowed;
}

void Controles::setEditAllowed(bool on)
{
    m_editAllowed = on;
    updateOffered();
}

bool Controles::DeactivateAllowed() const
{
    return m_deactivateAllowed;
}

void Controles::setDeactivateAllowed(bool on)
{
    m_deactivateAllowed = on;
    updateOffered();
}

bool Controles::ReactivateAllowed() const
{
    return m_reactivateAllowed;
}

void Controles::setReactivateAllowed(bool on)
{
    m_reactivateAllowed = on;
    updateOffered();
}

bool Controles::ToolbarReady() const
{
    return m_ready;
}

void Controles::setToolbarReady(bool on)
{
    m_ready = on;
}

QString Controles::B1Caption() const
{
    return m_b1;
}

void Controles::setB1Caption(const QString &caption)
{
    m_b1 = caption;
    updateOffered();
}

QString Controles::B2Caption() const
{
    return m_b2;
}

void Controles::setB2Caption(const QString &caption)
{
    m_b2 = caption;
    updateOffered();
}

QString Controles::B3Caption() const
{
    return m_b3;
}

void Controles::setB3Caption(const QString &caption)
{
    m_b3 = caption;
    updateOffered();
}

void Controles::DoNew(bool ask)
{
    Q_UNUSED(ask);
    m_editMode = true;
    m_editingNew = true;
    updateOffered();
    emit New();
}

bool Controles::SaveAdditionalFields(const QString &key)
{
    return m_saveAdditional ? m_saveAdditional(key) : true;
}

void Controles::LoadAdditionalFields(const QString &key)
{
    if (m_loadAdditional)
        m_loadAdditional(key);
}

void Controles::setAdditionalFields(std::function<bool(const QString &)> save,
                                    std::function<void(const QString &)> load)
{
    m_saveAdditional = std::move(save);
    m_loadAdditional = std::move(load);
}

void Controles::CancelSave()
{
    // The save did not take place: the editing state and the offered commands stay as they are.
}

void Controles::ConfirmSave()
{
    m_editMode = false;
    m_editingNew = false;
    updateOffered();
}

void Controles::setKeyCheck(std::function<bool(const QString &)> check)
{
    m_keyCheck = std::move(check);
}

bool Controles::eventFilter(QObject *watched, QEvent *event)
{
    // A Shift+click on a command's button runs its choice instead.
    if ((event->type() == QEvent::MouseButtonPress ||
         event->type() == QEvent::MouseButtonRelease) &&
        m_shiftClicks.contains(watched)) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const auto *button = static_cast<QWidget *>(watched);
        if (mouse->button() == Qt::LeftButton && (mouse->modifiers() & Qt::ShiftModifier)) {
            if (event->type() == QEvent::MouseButtonRelease &&
                button->rect().contains(mouse->position().toPoint()))
                trigger(m_shiftClicks.value(watched));
            return true;
        }
    }
    // A shortcut reaches its action as a Shortcut event; a click triggers the action directly.
    if (event->type() == QEvent::Shortcut && m_keyCheck) {
        const QString name = watched->objectName();
        if (m_actions.value(name) == watched && isOffered(name) && !m_keyCheck(name))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

QAction *Controles::addChoice(const QString &command, const QString &name, const QString &text,
                              const QKeySequence &shortcut)
{
    QAction *own = action(command);
    auto *button = qobject_cast<QToolButton *>(m_bar->widgetForAction(own));
    if (!own || !button || m_actions.contains(name))
        return nullptr;
    auto *choice = new QAction(text, this);
    choice->setObjectName(name);
    choice->setShortcut(shortcut);
    choice->setShortcutContext(Qt::WindowShortcut);
    addAction(choice);
    choice->installEventFilter(this);
    m_actions.insert(name, choice);
    m_choices.insert(name, command);
    connect(choice, &QAction::triggered, this, [this, name] { trigger(name); });
    showKeysInToolTip(choice);

    auto *menu = button->menu();
    if (!menu) {
        menu = new QMenu(button);
        menu->setObjectName(command + QStringLiteral("Menu"));
        menu->addAction(own);
        button->setMenu(menu);
        button->setPopupMode(QToolButton::MenuButtonPopup);
    }
    menu->addAction(choice);
    m_shiftClicks.insert(button, name);
    button->installEventFilter(this);
    updateOffered();
    return choice;
}

void Controles::addScreenCommand(QAction *command)
{
    if (!command || m_actions.contains(command->objectName()))
        return;
    command->setShortcutContext(Qt::WindowShortcut);
    m_bar->insertAction(m_actions.value(QStringLiteral("Exit")), command);
    m_actions.insert(command->objectName(), command);
    if (!command->shortcut().isEmpty())
        showKeysInToolTip(command);
}

void Controles::setCommandBlocked(const QString &name, bool blocked)
{
    if (m_blocked.contains(name) == blocked)
        return;
    if (blocked)
        m_blocked.insert(name);
    else
        m_blocked.remove(name);
    updateOffered();
}

QAction *Controles::action(const QString &name) const
{
    return m_actions.value(name, nullptr);
}

bool Controles::isOffered(const QString &name) const
{
    const QAction *command = action(name);
    return command && command->isVisible() && command->isEnabled();
}

bool Controles::offersShortcut(QKeyCombination key) const
{
    const QKeySequence pressed(key);
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        if (it.value()->shortcut() == pressed && isOffered(it.key()))
            return true;
    }
    return false;
}

void Controles::updateOffered()
{
    const bool browsing = !m_editMode;
    const auto offer = [this](const QString &name, bool on) {
        QAction *command = m_actions.value(name);
        // Hidden and disabled together: a hidden action's shortcut must not fire. A blocked one
        // is shown disabled.
        command->setVisible(on);
        command->setEnabled(on && !m_blocked.contains(name));
    };
    offer(QStringLiteral("New"), browsing);
    offer(QStringLiteral("Edit"), browsing && m_recordLoaded && m_editAllowed);
    offer(QStringLiteral("Record"), m_recordLoaded && !(m_editMode && m_editingNew));
    offer(QStringLiteral("Reactivate"), browsing && m_recordLoaded && m_reactivateAllowed);
    offer(QStringLiteral("Deactivate"), browsing && m_recordLoaded && m_deactivateAllowed);
    offer(QStringLiteral("Save"), m_editMode);
    offer(QStringLiteral("Cancel"), m_editMode);
    offer(QStringLiteral("Exit"),
          designProperty(QStringLiteral("showexitbutton")).trimmed().toUpper() !=
              QLatin1String("NO"));

    const QString captions[3] = {m_b1, m_b2, m_b3};
    for (int i = 0; i < 3; ++i) {
        const QString name = QStringLiteral("B%1").arg(i + 1);
        QAction *button = m_actions.value(name);
        if (button->text() != captions[i]) {
            button->setText(captions[i]);
            showKeysInToolTip(button);
        }
        offer(name, !captions[i].isEmpty());
    }
    for (auto choice = m_choices.cbegin(); choice != m_choices.cend(); ++choice)
        offer(choice.key(), isOffered(choice.value()));
}

// A command's tooltip: its text and its keys. Written when the text is (every load and mode
// change offers the commands again, and naming the keys costs more than all the rest).
void Controles::showKeysInToolTip(QAction *command)
{
    const QString keys = command->shortcut().toString(QKeySequence::NativeText);
    command->setToolTip(QStringLiteral("%1 (%2)").arg(command->text(), keys));
}

void Controles::trigger(const QString &name)
{
    // Only an offered command acts, however it was triggered.
    if (!isOffered(name))
        return;
    if (name == QLatin1String("New")) {
        DoNew(false);
    } else if (name == QLatin1String("Edit")) {
        m_editMode = true;
        m_editingNew = false;
        updateOffered();
        emit Edit();
    } else if (name == QLatin1String("Record")) {
        emit Record();
    } else if (name == QLatin1String("Reactivate")) {
        emit Reactivate();
    } else if (name == QLatin1String("Deactivate")) {
        emit Deactivate();
    } else if (name == QLatin1String("Save")) {
        emit Save(m_editingNew);
    } else if (name == QLatin1String("Cancel")) {
        m_editMode = false;
        m_editingNew = false;
        updateOffered();
        emit Cancel();
    } else if (name == QLatin1String("Exit")) {
        emit Exit();
    } else if (name == QLatin1String("B1")) {
        emit B1Click();
    } else if (name == QLatin1String("B2")) {
        emit B2Click();
    } else if (name == QLatin1String("B3")) {
        emit B3Click();
    } else if (m_choices.contains(name)) {
        emit ChoiceClick(name);
    }
}

} // namespace velkora::controls
