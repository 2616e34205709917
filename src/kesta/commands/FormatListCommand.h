#pragma once

#include <QObject>
#include <functional>

class QAction;
class QKeyEvent;
class QWidget;

namespace velkora::controls {
class Controles;
class TextBox;
} // namespace velkora::controls

namespace kesta::messages {
struct Message;
}

namespace kesta::commands {

// The list of the stored load formats, to load one of them (views::FormatListDialog over the
// keys velkora::store::readKeyList reads): from the key box with F2, F3, F4, Ctrl+F or Alt+Down,
// and from the toolbar's "Formatos..." button. It is offered while the toolbar is outside its
// editing state (while it offers "Nuevo"), when the key box takes a key to load; while a new
// format is edited the key box's keys say in the status bar why the list does not open. The
// key chosen is loaded as if typed into the key box and confirmed with Enter: the key box's
// own path, with whatever that path asks.
class FormatListCommand : public QObject {
    Q_OBJECT
public:
    struct Parts {
        velkora::controls::Controles *toolbar = nullptr;
        velkora::controls::TextBox *keyBox = nullptr;        // txtClave
        QWidget *owner = nullptr;                            // the list's and the messages' owner
        std::function<void(const messages::Message &)> note; // the status bar's
    };

    explicit FormatListCommand(Parts parts, QObject *parent = nullptr);

    QAction *action() const { return m_action; }
    // The list, and the load of the key chosen in it.
    void run();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void offer();
    void load(const QString &key);
    static bool opensList(const QKeyEvent &event);

    Parts m_parts;
    QAction *m_action = nullptr;
};

} // namespace kesta::commands
