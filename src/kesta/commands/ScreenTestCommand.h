#pragma once

#include "store/FormatSave.h"

#include <QObject>
#include <functional>

class QAction;
class QWidget;

namespace velkora::controls {
class Controles;
class DataGrid;
class TextBox;
} // namespace velkora::controls

namespace velkora::formats {
struct LoadFormat;
}

namespace kesta::host {
class TextViewer;
}

namespace kesta::commands {

// "Probar sin guardar" (Ctrl+Shift+P): the load format as the screen holds it while it is
// edited (header, line types, the field store's fields, the rules as the rules dialog left
// them) tested on a file the user picks, in the window of "Probar". The screen is read by the
// save's own reading (the rows a save would write) and checked by the save's own checks: a
// screen the save would refuse is refused with the save's message, and the test reads exactly
// what a save would store. Nothing is read from or written to the stored format.
//
// Offered while the toolbar is in its editing state (while it offers "Guardar").
class ScreenTestCommand : public QObject {
    Q_OBJECT
public:
    struct Parts {
        velkora::controls::Controles *toolbar = nullptr;
        velkora::controls::TextBox *fileBox = nullptr;       // txtArchivo: where the chooser starts
        const velkora::controls::DataGrid *lines = nullptr;  // ssLinea
        const velkora::controls::DataGrid *fields = nullptr; // ssDetalle
        QWidget *owner = nullptr;
        std::function<velkora::store::SaveRequest()> rows; // the save's reading of the screen
        std::function<bool()> lineEditActive;
        // Shows a refusal of the save's checks as the save shows it.
        std::function<void(const velkora::store::SaveOutcome &)> showRefusal;
    };

    explicit ScreenTestCommand(Parts parts, QObject *parent = nullptr);

    QAction *action() const { return m_action; }
    void run();

private:
    void offer();
    QString chooseFile() const;
    void test(const velkora::formats::LoadFormat &format, const QString &file);
    void highlightCurrentField(host::TextViewer &viewer,
                               const velkora::formats::LoadFormat &format) const;

    Parts m_parts;
    QAction *m_action = nullptr;
};

} // namespace kesta::commands
