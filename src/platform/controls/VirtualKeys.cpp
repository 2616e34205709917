#include "VirtualKeys.h"

#include <QHash>

namespace velkora::controls {

int virtualKeyCode(int qtKey)
{
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return 112 + (qtKey - Qt::Key_F1);
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return qtKey; // the same codes as ASCII upper-case letters and digits
    static const QHash<int, int> keys = {
        {Qt::Key_Backspace, 8},  {Qt::Key_Tab, 9},          {Qt::Key_Backtab, 9},
        {Qt::Key_Return, 13},    {Qt::Key_Enter, 13},       {Qt::Key_Shift, 16},
        {Qt::Key_Control, 17},   {Qt::Key_Alt, 18},         {Qt::Key_Pause, 19},
        {Qt::Key_CapsLock, 20},  {Qt::Key_Escape, 27},      {Qt::Key_Space, 32},
        {Qt::Key_PageUp, 33},    {Qt::Key_PageDown, 34},    {Qt::Key_End, 35},
        {Qt::Key_Home, 36},      {Qt::Key_Left, 37},        {Qt::Key_Up, 38},
        {Qt::Key_Right, 39},     {Qt::Key_Down, 40},        {Qt::Key_Print, 44},
        {Qt::Key_Insert, 45},    {Qt::Key_Delete, 46},      {Qt::Key_Menu, 93},
        {Qt::Key_Asterisk, 106}, {Qt::Key_Plus, 187},       {Qt::Key_Minus, 189},
        {Qt::Key_Period, 190},   {Qt::Key_Comma, 188},      {Qt::Key_Slash, 191},
        {Qt::Key_NumLock, 144},  {Qt::Key_ScrollLock, 145},
    };
    return keys.value(qtKey, 0);
}

int shiftState(Qt::KeyboardModifiers modifiers)
{
    int state = 0;
    if (modifiers & Qt::ShiftModifier)
        state += 1;
    if (modifiers & Qt::ControlModifier)
        state += 2;
    if (modifiers & Qt::AltModifier)
        state += 4;
    return state;
}

} // namespace velkora::controls
