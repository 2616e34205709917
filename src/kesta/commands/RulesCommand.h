#pragma once

#include "ModeTable.h"

#include <QList>
#include <QStringList>

class QWidget;

namespace velkora::controls {
class DataGrid;
class FlatButton;
class TextBox;
} // namespace velkora::controls

namespace kesta::editor {
class FieldStore;
class LineEditor;
struct ScreenRule;
} // namespace kesta::editor

namespace velkora::store {
struct ShownRules;
struct LineNumbering;
struct FieldNumbering;
} // namespace velkora::store

namespace kesta::commands {

// "Reglas...": the shown format's rules in their dialog. In the edit modes what the dialog
// accepts becomes the format's rules on the screen; nothing is stored until the save. It also
// keeps the numbers the rules are carried between: each line type's order now and at the
// load, each field's number now and as stored.
class RulesCommand {
public:
    struct Parts {
        QWidget *owner = nullptr;                        // messages' and the dialog's owner
        velkora::controls::DataGrid *lines = nullptr;    // ssLinea
        editor::FieldStore *store = nullptr;             // lvDetalle's store
        velkora::controls::TextBox *key = nullptr;       // txtClave
        velkora::controls::FlatButton *button = nullptr; // cmdReglas
        editor::LineEditor *lineEditor = nullptr;
        velkora::store::ShownRules *rules = nullptr; // the shown format's rules, as loaded
    };

    explicit RulesCommand(Parts parts);

    // Whether "Reglas..." is offered in the mode (and why not, in its tooltip).
    void offer(Mode mode);
    // The dialog; in the edit modes what it accepts becomes the shown rules.
    void run(Mode mode);

    QList<velkora::store::LineNumbering> lineNumbering() const;
    QList<velkora::store::FieldNumbering> fieldNumbering() const;
    // The shown rules in the numbers the screen shows.
    QList<editor::ScreenRule> rulesOnScreen() const;
    // The rules of fields removed in a line edit (`fields` given) or of a deleted line type
    // (none given) go with them, and the user is told which.
    void dropRulesOf(const QString &loadedOrder, const QStringList &fields);

private:
    Parts m_parts;
};

} // namespace kesta::commands
