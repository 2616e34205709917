#pragma once

namespace velkora::formats {

// The longest line the test reads: a longer line is read up to here (and reported), so that
// no line, however long, makes memory grow. Field and ID columns beyond it cannot be read.
inline constexpr int MaxLineBytes = 1 << 20;

} // namespace velkora::formats
