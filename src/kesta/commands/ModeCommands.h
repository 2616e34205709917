#pragma once

#include "ModeTable.h"
#include "ScreenParts.h"

#include <functional>

namespace kesta::editor {
class LineEditor;
}

namespace velkora::store {
struct ShownRules;
}

namespace kesta::commands {

class UnsavedEdit;

// The toolbar's commands that move the screen between its modes (New, Edit, Cancel) and the
// record command.
class ModeCommands {
public:
    struct Parts {
        ScreenParts screen;
        editor::LineEditor *lineEditor = nullptr;
        velkora::store::ShownRules *rules = nullptr; // the shown format's rules
        UnsavedEdit *edit = nullptr;          // the load format's edit
        std::function<void(Mode)> setMode;    // the screen enters a mode
        std::function<void()> forgetShownFormat;
        std::function<bool()> copying;      // Copying: New continues a Copy
        std::function<bool()> keyEditable;  // KeyEditable: keys are typed
        std::function<bool()> automaticKey; // the setting: New takes the next key
    };

    explicit ModeCommands(Parts parts);

    // New: an empty load format (or, under Copy, the copied content) under an automatic key
    // when the setting says so.
    void newFormat();
    void edit();
    void cancel();
    void record();

private:
    void startNewFormat();
    void offerAutomaticKey();

    Parts m_parts;
};

} // namespace kesta::commands
