#pragma once

#include <QString>
#include <QVariant>

namespace velkora::formats {

// The digit formats shared by the text box and the data grid.
//
// A digit format is made of '0' and '#' only: every '0' is a digit place that is zero-padded,
// every '#' a digit place that is not padded. So "0000" turns "12" into "0012" and "##00" turns
// "7" into "07". A whole number (optional leading '-', digits, blanks around it ignored) is
// written with its leading zeros dropped and then padded to the number of '0' places; a number
// with more digits than places keeps them all (a format pads, it never cuts). A text that is
// not a whole number is returned unchanged, and so is every text when the format is empty or
// holds any other character.
bool isDigitFormat(const QString &format);
QString applyDigitFormat(const QString &text, const QString &format);

// A cell or box value as text: null gives the empty text, a whole double gives its integer
// digits ("7" for 7.0), everything else its QVariant text.
QString valueText(const QVariant &value);

} // namespace velkora::formats
