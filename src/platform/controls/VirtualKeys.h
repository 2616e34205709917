#pragma once

#include <Qt>

namespace velkora::controls {

// The Windows virtual-key code of a Qt key (F10 gives 121, Enter 13, A 65); 0 for a key that
// has no such code.
int virtualKeyCode(int qtKey);
// The shift state of a key event's modifiers: 1 Shift + 2 Ctrl + 4 Alt.
int shiftState(Qt::KeyboardModifiers modifiers);

} // namespace velkora::controls
