#include "ModeTable.h"

#include <QWidget>

namespace kesta::commands {

QString modeName(Mode mode)
{
    switch (mode) {
    case Mode::Idle:
        return QStringLiteral("Idle");
    case Mode::ViewingActive:
        return QStringLiteral("Viewing active");
    case Mode::ViewingDeactivated:
        return QStringLiteral("Viewing deactivated");
    case Mode::EditingNew:
        return QStringLiteral("Editing new");
    case Mode::EditingExisting:
        return QStringLiteral("Editing existing");
    }
    return {};
}

ModeStates modeStates(Mode mode)
{
    switch (mode) {
    case Mode::Idle:
    case Mode::ViewingActive:
    case Mode::ViewingDeactivated:
        return ModeStates{true, false, false, false, false};
    case Mode::EditingNew:
        return ModeStates{true, true, true, true, true, false};
    case Mode::EditingExisting:
        return ModeStates{false, true, true, true, false, false};
    }
    return {};
}

void applyMode(Mode mode, const ModeControls &controls, const QList<QWidget *> &editButtons)
{
    const ModeStates states = modeStates(mode);
    controls.keyBox->setEnabled(states.keyBox);
    controls.keyBox->setFocusPolicy(states.keyBoxByTab ? Qt::StrongFocus : Qt::ClickFocus);
    controls.descriptionBox->setEnabled(states.descriptionBox);
    for (QWidget *input : controls.dataInputs)
        input->setEnabled(states.dataInputs);
    for (QWidget *grid : controls.grids)
        grid->setEnabled(true);
    for (QWidget *button : editButtons)
        button->setEnabled(states.editButtons);
}

} // namespace kesta::commands
