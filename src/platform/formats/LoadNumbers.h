#pragma once

#include "LoadFormat.h"

namespace velkora::formats {

// The stored format with its fields under the numbers the screen's load shows them by: 0000,
// 0010, 0020... in the order the load reads the rows (by line type, then by field, each
// number by its length and then its digits), running on from one line type to the next, fields
// of no line type included. The rules follow: a field's rule, and the field that SUMA t.f
// names in a rule's text, take the field's new number. Nothing else changes.
//
// The screen's test names fields this way, so that an error points at the row the field grid
// shows; the shell's test keeps the stored numbers.
LoadFormat withLoadNumbers(const LoadFormat &stored);

} // namespace velkora::formats
