#pragma once

#include <functional>

class QWidget;

namespace velkora::controls {
class TextBox;
}

namespace kesta::messages {
struct Message;
}

namespace kesta::commands {

// The toolbar's Deactivate ("Baja") and Reactivate ("Reactivación"): one UPDATE of every Layout
// row of the shown key and one action record entry, in one transaction. A failure is told to
// the user and leaves the screen as it was.
class StateCommands {
public:
    struct Parts {
        QWidget *owner = nullptr;                  // messages' owner, the services' screen
        velkora::controls::TextBox *key = nullptr; // txtClave
        std::function<void()> cancel;              // the toolbar's Cancel, after the change
        std::function<void(const messages::Message &)> note; // a note for the status bar
    };

    explicit StateCommands(Parts parts);

    void deactivate();
    void reactivate();

private:
    Parts m_parts;
};

} // namespace kesta::commands
