#pragma once

#include <QString>

namespace velkora::formats {

// The first character of a text that is not plain text: a control character (NUL, TAB, line
// breaks, ESC, DEL...), a Unicode noncharacter (U+FFFF...) or half of a surrogate pair. Its
// index, or -1 when there is none. Boxes and grid cells refuse pastes that hold one.
qsizetype firstNonTextCharacter(const QString &text);

} // namespace velkora::formats
