#pragma once

#include <QStringList>
#include <functional>

class QWidget;

namespace kesta::commands {

// The edit of a load format (New, Copy, Edit) as it stood when it began, to tell whether ending
// it now throws changes away, and the question asked before that happens (message 7500045,
// default answer No).
//
// Ending the edit by the toolbar's Cancel button or a committed save asks nothing: the user
// chose it. Escape, Salir and the window's close button ask through mayDiscard().
class UnsavedEdit {
public:
    struct Parts {
        QWidget *owner = nullptr;             // the messages' owner (the screen)
        std::function<QStringList()> content; // the load format as the screen holds it now
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
