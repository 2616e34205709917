#pragma once

namespace kesta::screen {

// The design size of the screen's inner area, in twips: the controls are placed in it and
// follow the window's size from it.
inline constexpr float DesignWidth = 15360;
inline constexpr float DesignHeight = 8715;

} // namespace kesta::screen
