#pragma once

#include "editor/LineTypeEntry.h"

#include <views/ProposalProgressDialog.h>

#include <QList>
#include <QObject>

class QAction;
class QCheckBox;
class QWidget;

namespace velkora::controls {
class DataGrid;
class TextBox;
} // namespace velkora::controls

namespace velkora::formats {
struct LoadFormat;
}

namespace velkora::views {
class ProposalGuessMarks;
}

namespace kesta::editor {
class FieldStore;
class LineEditor;
}

namespace velkora::store {
struct ShownRules;
}

namespace kesta::commands {

// The line grid's "Proponer desde archivo...": the user picks a sample file, a load format is
// proposed from it (with a window of progress that can cancel it, when it takes a while:
// views::runProposal) and shown (views::ProposalDialog), and an accepted proposal is entered
// line type by line type through the line editor (editor::LineTypeEntry), replacing the line
// types the grid held once the user agreed to it, and its rules replacing the shown ones; the
// field rows whose fields carry a guess show it until changed (views::ProposalGuessMarks).
// Nothing is saved: the save stays the user's.
//
// The entry is an action of the line grid, shown in its menu only while offered (see
// ModeStates::proposeFromFile).
class ProposalCommand : public QObject {
    Q_OBJECT
public:
    struct Parts {
        velkora::controls::DataGrid *lines = nullptr;  // ssLinea
        velkora::controls::DataGrid *fields = nullptr; // ssDetalle
        editor::LineEditor *editor = nullptr;
        editor::FieldStore *store = nullptr;           // lvDetalle's store
        velkora::controls::TextBox *fileBox = nullptr; // txtArchivo
        QWidget *owner = nullptr;                      // messages' and dialogs' owner
        // The shown format's rules: an accepted proposal's rules replace them, on a database
        // that has the table of rules (those of the replaced line types go with them).
        velkora::store::ShownRules *rules = nullptr;
        // chInverso: a format read from its last line to its first keeps only the rules that
        // do not depend on the lines' order (the proposal's were found in reading order).
        QCheckBox *reverse = nullptr;
    };

    explicit ProposalCommand(Parts parts, QObject *parent = nullptr);

    QAction *action() const { return m_action; }
    void setOffered(bool offered);
    bool offered() const;

    // The whole command, from the choice of the file to the last line type entered.
    void run();
    // How the proposal runs (how soon its progress shows; tests slow it down).
    void setRunOptions(const velkora::views::ProposalRunOptions &options)
    {
        m_runOptions = options;
    }

private:
    bool mayReplaceLines(int proposed, const QString &file) const;
    QString chooseFile() const;
    // False when the entry stopped short (the user was told).
    bool enterProposal(const velkora::formats::LoadFormat &format, const QString &file);
    void showRules(const velkora::formats::LoadFormat &format);

    Parts m_parts;
    QAction *m_action = nullptr;
    velkora::views::ProposalGuessMarks *m_marks = nullptr;
    velkora::views::ProposalRunOptions m_runOptions;
};

// The proposal's line types as the user would type them into the grids: line orders, IDs,
// positions and lengths as numbers, field numbers "0001"... and the type list's position of
// each field's type.
QList<editor::LineTypeInput> lineTypeInputs(const velkora::formats::LoadFormat &format);

} // namespace kesta::commands
