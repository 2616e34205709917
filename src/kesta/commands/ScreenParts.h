#pragma once

#include "editor/UserDataBoxes.h"

class QCheckBox;
class QFrame;
class QTabWidget;
class QWidget;

namespace velkora::controls {
class Controles;
class DataGrid;
class TextBox;
} // namespace velkora::controls

namespace kesta::editor {
class FieldStore;
}

namespace kesta::commands {

// The screen's widgets that the toolbar's commands read and set, handed over by the screen.
// A command takes what it needs from here and nothing else of the screen.
struct ScreenParts {
    QWidget *owner = nullptr; // the screen: messages' owner, the services' screen
    velkora::controls::Controles *toolbar = nullptr;
    QTabWidget *tabs = nullptr; // ssTabZur
    velkora::controls::TextBox *key = nullptr;
    velkora::controls::TextBox *description = nullptr;
    velkora::controls::TextBox *file = nullptr;
    QCheckBox *reverse = nullptr;                  // chInverso
    editor::UserDataBoxes userData;                // txtUser1 .. dpUser6
    QFrame *userFrame = nullptr;                   // fr2, the user data's frame
    velkora::controls::DataGrid *lines = nullptr;  // ssLinea
    velkora::controls::DataGrid *fields = nullptr; // ssDetalle
    editor::FieldStore *store = nullptr;           // lvDetalle's store
};

} // namespace kesta::commands
