#pragma once

#include "ScreenParts.h"

#include <QString>
#include <functional>

namespace kesta::editor {
class LineEditor;
class UserDataAsRead;
} // namespace kesta::editor

namespace kesta::messages {
struct Message;
}

namespace velkora::store {
struct LayoutRuleValues;
struct SaveOutcome;
struct SaveProblem;
struct SaveRequest;
struct ShownRules;
} // namespace velkora::store

namespace kesta::commands {

class RulesCommand;

// The toolbar's Save: the rows read from the screen, saved by velkora::store::FormatSave (its
// checks, then one transaction), and the message for what the save came to.
class SaveCommand {
public:
    struct Parts {
        ScreenParts screen;
        editor::LineEditor *lineEditor = nullptr;
        velkora::store::ShownRules *rules = nullptr;         // the shown format's rules
        const RulesCommand *numbering = nullptr;             // the numbers the rules go between
        const editor::UserDataAsRead *userData = nullptr;    // the user data read as NULL
        std::function<bool()> keyEditable;                   // KeyEditable: keys are typed
        std::function<void()> cancel;                        // the toolbar's Cancel, after a save
        std::function<void(const messages::Message &)> note; // a note for the status bar
    };

    explicit SaveCommand(Parts parts);

    void save(bool isNew);
    // The rows a save writes.
    velkora::store::SaveRequest request(bool isNew) const;
    // The message for what a save (or the save's checks alone) came to.
    void showOutcome(const velkora::store::SaveOutcome &outcome);

private:
    void showProblem(const velkora::store::SaveProblem &problem);
    void refuseTakenKey(const QString &storedDescription);
    void showRuleRefused(const velkora::store::LayoutRuleValues &refused);

    Parts m_parts;
};

} // namespace kesta::commands
