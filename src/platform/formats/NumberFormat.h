#pragma once

#include "Conversion.h"

#include <QString>

namespace velkora::formats {

// The format of a NUMERO field, compiled once from its format text (see docs/formats.md).
// Case and blanks do not matter:
//   ""  or "0"    digits only: "000123" reads 123
//   "0V00"        two implied decimals: "1234" reads 12.34
//   "0.00" "0,00" an explicit decimal point or comma, at most two decimals: "12.5" reads 12.50
//   "#,##0.00"    the same with a grouping separator allowed in the integer part
//   "S0V00" or "-0V00" / "0V00S" or "0V00-"   a leading / trailing sign: "+", "-" or a blank
// Digits are written 0, 9 or #; their number does not matter (the field's length does).
class NumberFormat {
public:
    enum class Sign : quint8 { None, Leading, Trailing };
    enum class Decimal : quint8 { None, Point, Comma, Implied };

    // The compiled format; on an invalid text, *error says why and the result reads nothing.
    static NumberFormat compile(const QString &text, QString *error);

    // Reads the text [p, p + n) (no line end, already trimmed when the field asks for it).
    bool read(const char *p, int n, NumberValue &value, Problem &problem) const;

    int decimals() const { return m_decimals; }
    Sign sign() const { return m_sign; }
    Decimal decimal() const { return m_decimal; }
    bool valid() const { return m_valid; }
    // Whether the format reads digits and nothing else (no sign, no decimal mark, no grouping):
    // a text of at most 18 digits then reads as its own value.
    bool digitsOnly() const
    {
        return m_valid && m_sign == Sign::None && m_point == 0 && m_group == 0;
    }

private:
    // A number as read so far: its digits, how many are significant, how many are decimals.
    struct Reading {
        qint64 mantissa = 0;
        int significant = 0;
        int decimals = 0;
    };
    QString takeSign(QString &t);
    QString takeMarks(const QString &t);
    bool readSign(const char *p, int n, int *i, int *end) const;
    bool readMarked(const char *p, int i, int end, Reading &r, Problem &problem) const;
    bool toDecimals(Reading &r, Problem &problem) const;

    bool m_valid = true;
    Sign m_sign = Sign::None;
    Decimal m_decimal = Decimal::None;
    char m_point = 0; // the explicit decimal character, or 0
    char m_group = 0; // the grouping character, or 0
    int m_decimals = 0;
};

} // namespace velkora::formats
