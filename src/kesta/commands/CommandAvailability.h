#pragma once

#include "ModeTable.h"
#include "messages/Messages.h"

#include <QObject>
#include <array>
#include <functional>

class QLineEdit;

namespace velkora::controls {
class Controles;
class DataGrid;
class FlatButton;
} // namespace velkora::controls

namespace kesta::commands {

// What the screen is doing, as far as whether a command can act depends on it.
struct CommandState {
    Mode mode = Mode::Idle;
    bool keyEmpty = true;     // the key box holds no key
    int lineRows = 0;         // rows of the line grid
    bool lineEditActive = false;
};

// The edit buttons under the grids, by the names whyUnavailable() takes.
inline const std::array<QString, 5> EditButtonCommands = {
    QStringLiteral("LineNew"), QStringLiteral("LineEdit"), QStringLiteral("LineDelete"),
    QStringLiteral("LineAccept"), QStringLiteral("LineCancel")};

// Why the command cannot act in the state, as the note 7500080 ends; empty when it can (or
// when its key says nothing: Escape, which many things take). The toolbar's commands by their
// names (New, Edit, Save, Deactivate, Reactivate, Record, B1, B2, B2Archivo, B3), the edit
// buttons by EditButtonCommands, "Reglas..." by "Rules".
QString whyUnavailable(const QString &command, const CommandState &state);
// The caption the note names the command by ("Editar", "Probar"...).
QString commandCaption(const QString &command);

// Keeps the commands that cannot act from looking as if they could, and makes their keys say
// why:
// - "Editar" and "Eliminar" under the grids are disabled while the line grid has no rows;
// - the toolbar's "Script" is disabled while the key box is empty;
// - a key of a command that cannot act now (a toolbar command not offered, an edit button that
//   is hidden or disabled, "Reglas..." disabled), pressed anywhere in the screen's window, shows the note 7500080
//   with the reason instead of doing nothing.
class CommandAvailability : public QObject {
    Q_OBJECT
public:
    struct Parts {
        QWidget *screen = nullptr;
        velkora::controls::Controles *toolbar = nullptr;
        std::array<velkora::controls::FlatButton *, 5> editButtons{};
        velkora::controls::DataGrid *lines = nullptr;
        QLineEdit *keyBox = nullptr;
        std::function<Mode()> mode;
        std::function<bool()> lineEditActive;
        std::function<void(const messages::Message &)> note;
        velkora::controls::FlatButton *rulesButton = nullptr; // "Reglas..."
    };

    explicit CommandAvailability(Parts parts, QObject *parent = nullptr);
    ~CommandAvailability() override;

    CommandState state() const;
    // Enables or disables "Editar", "Eliminar" and "Script" as the state asks.
    void refresh();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The command whose key this is and that cannot act now; empty when none.
    QString unavailableCommandOfKey(QKeyCombination key) const;
    bool inScreenWindow(QObject *watched) const;

    Parts m_parts;
    bool m_refreshing = false;
};

} // namespace kesta::commands
