#pragma once

#include <QList>
#include <QString>

class QWidget;

namespace kesta::commands {

// The screen's modes.
enum class Mode { Idle, ViewingActive, ViewingDeactivated, EditingNew, EditingExisting };

QString modeName(Mode mode);

// Editing new or editing existing: a load format is being edited.
inline bool isEditing(Mode mode)
{
    return mode == Mode::EditingNew || mode == Mode::EditingExisting;
}

// Which of the screen's controls each mode enables:
//
//   control                    Idle     Viewing (active, deactivated)   Editing (new, existing)
//   key box                    enabled  enabled                         new: enabled (after an
//                                                                       automatic key: as the
//                                                                       key-editing option);
//                                                                       existing: disabled
//   description box            disabled disabled                        enabled
//   other data inputs          disabled disabled                        enabled
//   (file box and browse button, reverse-reading check box, user data)
//   key box by TAB or Enter    yes      yes                             no (only a click or
//                                                                       New puts the focus
//                                                                       there)
//   line and field grids       enabled (browsable in every mode)
//   edit buttons               disabled, start group shown              enabled, start group
//                                                                       shown when the mode
//                                                                       begins
//   line grid's "Proponer      not offered                              new: offered (hidden
//   desde archivo..."                                                   while a line type is
//                                                                       under edit); existing:
//                                                                       not offered
//
//   list of formats            offered  offered                         not offered (its keys
//   ("Formatos...", F2 in the                                           in the key box say why)
//   key box: FormatListCommand)
//   "Probar sin guardar"       not offered                              offered
//   (ScreenTestCommand)
//
// The toolbar's commands follow the toolbar's own flags (set by the load, New, Edit and the
// key change) and its editing state.
struct ModeControls {
    QWidget *keyBox = nullptr;
    QWidget *descriptionBox = nullptr;
    QList<QWidget *> dataInputs; // every other data input
    QList<QWidget *> grids;
};

struct ModeStates {
    bool keyBox = false;
    bool descriptionBox = false;
    bool dataInputs = false;
    bool editButtons = false;
    bool proposeFromFile = false; // the line grid offers a proposal from a sample file
    // TAB, Shift+TAB and Enter (which moves on as TAB) reach the key box. While a load format
    // is edited they pass it by: landing there with its text selected, the next key typed
    // would replace the key. A click, or the command that starts the edit, still puts the
    // focus there.
    bool keyBoxByTab = true;
};

ModeStates modeStates(Mode mode);
// Makes the table hold for the mode (the edit buttons' groups are the line editor's).
void applyMode(Mode mode, const ModeControls &controls, const QList<QWidget *> &editButtons);

} // namespace kesta::commands
