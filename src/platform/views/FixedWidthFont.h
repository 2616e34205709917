#pragma once

#include <QFont>
#include <QStringList>

namespace velkora::views {

// The font of every fixed-width text on the screens (the lines of a file, the text viewer, the
// key box): one whose characters all take the same width as drawn, whatever fonts the machine
// has. The first of the preferred families that is installed and really of one width; else the
// system's fixed-width font, when it really is; else DejaVu Sans Mono (the install script
// installs it) or any other installed family that is. A machine with none of them gets the
// system's fixed-width font all the same. pointSize 0 keeps the system fixed font's size.
// Kerning is off, so that a run of characters is as wide as the sum of their advances.
QFont fixedWidthFont(const QStringList &preferredFamilies = {}, qreal pointSize = 0);

// Whether a font, as the machine resolves it, draws letters, digits, blanks, punctuation and
// Spanish accented letters with one and the same advance.
bool hasEqualAdvances(const QFont &font);

} // namespace velkora::views
