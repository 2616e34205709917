#pragma once

#include "host/Connection.h"

#include <QString>
#include <QVariant>

namespace velkora::store {

// The literal forms in which values enter the statements of the load format tables.
//
// Every quoted form doubles its own quote character, so the stored text equals the text
// given, whatever characters it holds. A bare number is checked: only a plain number in
// C-locale form may stand unquoted in a statement.

enum class LiteralForm {
    QuotedText,       // 'text'
    Number,           // 12, -3.5 (checked, unquoted)
    FourDigitText,    // '0012'
    DateText,         // the services' date text, quoted
    StampText,        // the services' stamp text, quoted
    OperatorText,     // the operator code, quoted
    DoubleQuotedText, // Ld_Valor's form: the quoted text (N'text' on SQL Server)
    DecimalNumber,    // Ly_UserDef_3/4: a checked number, bare ('text' on SQLite)
};

// The value in the given form for the engine. `what` names the value in the error raised
// by a Number that is not a plain number (for example "Ly_Posicion").
QString literal(kesta::host::Engine engine, LiteralForm form, const QString &value,
                const QString &what = {});

// 'value' with its apostrophes doubled (PostgreSQL: E'...' when it holds a backslash; SQL
// Server: the Unicode literal N'...').
QString quotedText(kesta::host::Engine engine, const QString &value);
// Ld_Valor's form: the same as quotedText on every engine (see Dialect.h).
QString doubleQuotedText(kesta::host::Engine engine, const QString &value);
// A decimal number for a column with `integerDigits` whole digits and `decimals` decimals:
// checked as numberText, then refused (kesta::host::RuntimeError naming `what`) when it has more
// whole digits or more significant decimals than the column holds; bare, or quoted on SQLite.
QString decimalText(kesta::host::Engine engine, const QString &value, const QString &what,
                    int integerDigits, int decimals);
// The first character of a text that cannot be stored as it is on every engine: a control
// character (NUL, TAB, line breaks, ESC, DEL...), a Unicode noncharacter (U+FFFF...) or half of a
// surrogate pair. Its index, or -1 when every character can be stored.
qsizetype firstUnstorableCharacter(const QString &text);

// decimalText's checked number, unquoted: the value to bind.
QString decimalNumber(const QString &value, const QString &what, int integerDigits, int decimals);
// numberText's number as a value to bind: a whole number that fits 64 bits as one, any other
// plain number as its text.
QVariant boundNumber(const QString &value, const QString &what);
// A text as a value to bind: never a null text, which the drivers would store as NULL.
QVariant boundText(const QString &value);

// Whether the value is a plain number with no more whole digits and significant decimals than
// given.
bool fitsDecimal(const QString &value, int integerDigits, int decimals);
// The value as a bare number: surrounding blanks dropped, a single decimal comma turned into
// a point. Anything but an optional sign, digits and at most one decimal point raises
// kesta::host::RuntimeError naming `what` and the value.
QString numberText(const QString &value, const QString &what);
// Whether numberText accepts the value.
bool isPlainNumber(const QString &value);
// The "0000" pattern: a whole number written with at least four digits, zero-padded on the
// left ("1" -> "0001", "12345" stays "12345", "-7" -> "-0007"); any other text unchanged.
QString fourDigits(const QString &value);
// fourDigits between apostrophes.
QString fourDigitText(kesta::host::Engine engine, const QString &value);
// The services' texts, quoted.
QString dateText(kesta::host::Engine engine, const QString &formattedDate);
QString stampText(kesta::host::Engine engine, const QString &formattedStamp);
QString operatorText(kesta::host::Engine engine, const QString &operatorCode);

} // namespace velkora::store
