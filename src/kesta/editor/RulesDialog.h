#pragma once

#include "ScreenRules.h"

#include <QDialog>

class QDialogButtonBox;
class QPushButton;

namespace velkora::controls {
class DataGrid;
} // namespace velkora::controls

namespace kesta::editor {

// "Reglas del formato <key>": the shown format's rules in a grid, one rule a row (its number,
// line type, field, text and description, with the numbers the screen shows). In the edit
// modes rows are added ("Agregar", Insert), changed and removed ("Quitar", Ctrl+Supr);
// "Aceptar" checks every rule against the format as the screen holds it and refuses the first
// fault with its message, the cursor on the cell at fault. "Cancelar" (or Escape) drops what
// was done in the dialog. Outside the edit modes the rules are only shown.
class RulesDialog : public QDialog {
    Q_OBJECT
public:
    struct Parts {
        QWidget *owner = nullptr; // the messages' owner (the screen)
        QString key;
        ScreenOutline outline;
        QList<ScreenRule> rules;
        bool editable = false;
    };

    explicit RulesDialog(Parts parts, QWidget *parent = nullptr);

    // The rules as accepted, numbered 0001, 0002... in the grid's order (rows left empty go).
    QList<ScreenRule> rules() const { return m_accepted; }

    velkora::controls::DataGrid *grid() const { return m_grid; }

    void addRule();
    void removeRule();
    // A rule word's example ("Usar ejemplo"): into the current rule when its text is empty,
    // else into a new rule, so that nothing typed is replaced.
    void useExample(const QString &example);
    // "Aceptar": the checks; false when a rule was refused.
    bool acceptRules();

private:
    // The construction: the grid with the rules, the buttons, the grid's keys (edit modes only)
    // and the paste refusals' messages.
    void buildGrid();
    QDialogButtonBox *buildButtons();
    void addGridKeys();
    void connectPasteRefusal();
    QList<ScreenRule> gridRules() const;
    QWidget *ruleWords();
    void renumber();

    Parts m_parts;
    velkora::controls::DataGrid *m_grid = nullptr;
    QList<ScreenRule> m_accepted;
};

} // namespace kesta::editor
