#pragma once

#include <QString>
#include <QtGlobal>

namespace velkora::formats {

// Why a field's text could not be read in its type and format. `at` is the offset of the
// offending character within the text given to the reader (-1 when the whole text is at
// fault); a and b carry the numbers a message needs (the month read, the length expected...).
struct Problem {
    enum Code : quint8 {
        None,
        Blank,           // the text is blank
        BadCharacter,    // a character that the format does not allow, at `at`
        MisplacedSign,   // a sign where the format puts none, at `at`
        NoDigits,        // a sign or a separator but no digit
        TooManyDigits,   // more than 18 significant digits
        TooManyDecimals, // a decimals where the format allows b
        WrongLength,     // a characters where the date format has b
        BadLiteral,      // a character other than the format's separator, at `at`
        BadMonth,        // month a does not exist
        BadDay,          // day a does not exist in month b of year c
        BadYear,         // year 0
        BadFormat,       // the field's format itself is not valid
    };
    Code code = None;
    int at = -1;
    int a = 0;
    int b = 0;
    int c = 0;
};

// A number read by a NumberFormat: mantissa / 10^decimals, with its sign.
struct NumberValue {
    qint64 mantissa = 0; // never negative
    bool negative = false;
};

// A calendar date read by a DateFormat.
struct DateValue {
    int year = 0;
    int month = 0;
    int day = 0;
};

// The text of a number with `decimals` decimals: "-12.34", "0.50", "1234" (a point always).
QString numberText(const NumberValue &value, int decimals);
// The date as YYYY-MM-DD.
QString dateText(const DateValue &value);

} // namespace velkora::formats

namespace velkora::formats {

// An SQL field's expression as the test shows it: every ? outside the expression's quoted
// literals becomes the field's text as an SQL literal ('O''Brien'); an expression without
// a ? is shown with that literal after it in parentheses. The expression is never run.
QString sqlWithText(const QString &expression, const QString &text);

} // namespace velkora::formats
