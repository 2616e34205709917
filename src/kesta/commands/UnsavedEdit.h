#pragma once

#include "messages/Messages.h"

#include <QStringList>
#include <functional>

class QWidget;

namespace kesta::commands {

// An edit as it stood when it began, to tell whether ending it now throws changes away, and the
// question asked before that happens (default answer No). Two edits are watched so: the load
// format's (New, Copy, Edit; message 7500045) and a line type's (from "Nuevo" or "Editar" under
// the grids; message 7500071).
//
// Ending an edit by a "Cancelar" button or by a commit asks nothing: the user chose it. Escape,
// Salir and the window's close button ask through mayDiscard().
class UnsavedEdit {
public:
    struct Parts {
        QWidget *owner = nullptr;             // the messages' owner (the screen)
        std::function<QStringList()> content; // what the edit holds now
        messages::Message question = messages::discardChanges();
    };

    explicit UnsavedEdit(Parts parts);

    // An edit begins: what the screen holds now is its start.
    void begin();
    // No edit is in progress (cancelled, saved, or the screen left the editing modes).
    void end();
    bool editing() const { return m_editing; }
    // Whether the screen holds something else than when the edit began.
    bool hasChanges() const;
    // Whether the edit may be thrown away now: at once outside an edit or without changes,
    // otherwise when the user answers Yes. After a Yes what the screen holds counts as the
    // start, so that what follows (Salir closes the window) does not ask again.
    bool mayDiscard();

private:
    Parts m_parts;
    bool m_editing = false;
    QStringList m_start;
};

} // namespace kesta::commands
