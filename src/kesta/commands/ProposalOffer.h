#pragma once

#include <QObject>
#include <functional>

class QWidget;

namespace velkora::controls {
class Controles;
}

namespace kesta::commands {

// The proposal from a sample file (ProposalCommand), found beside the toolbar's commands too:
// - its action, "Proponer desde archivo...", is also a button on the toolbar, offered where the
//   line grid's menu offers it (a new format edited, no line type under edit);
// - "Nuevo a partir de un archivo..." beside "Nuevo" (its button's menu, a Shift+click on it,
//   Ctrl+Shift+N): New, then the proposal from the file the user picks.
// The proposal's action is taken when it is added to the line grid (it is made after the
// toolbar).
class ProposalOffer : public QObject {
    Q_OBJECT
public:
    struct Parts {
        velkora::controls::Controles *toolbar = nullptr;
        QWidget *lineGrid = nullptr;   // ssLinea, whose menu holds the proposal's action
        std::function<void()> propose; // runs the proposal as its action does
    };

    explicit ProposalOffer(Parts parts, QObject *parent = nullptr);

    static QString newFromFileName() { return QStringLiteral("NuevoArchivo"); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void newFromFile();

    Parts m_parts;
};

} // namespace kesta::commands
