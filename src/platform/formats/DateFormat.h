#pragma once

#include "Conversion.h"

#include <QString>
#include <array>
#include <vector>

namespace velkora::formats {

// The format of a Fecha field, compiled once from its format text (see docs/formats.md).
// Case does not matter. DD day, MM month, YYYY (or AAAA) year, YY (or AA) a two-digit year
// (00-49 are 2000-2049, 50-99 are 1950-1999); every other character stands for itself:
// "DDMMYYYY", "YYYYMMDD", "DD/MM/YYYY", "YYMMDD", "YYYY-MM-DD". Empty means YYYYMMDD.
// The text must be exactly as long as the format and hold a real calendar date.
class DateFormat {
public:
    static DateFormat compile(const QString &text, QString *error);

    bool read(const char *p, int n, DateValue &value, Problem &problem) const;

    int length() const { return m_length; }
    bool valid() const { return m_valid; }

private:
    enum class Part : quint8 { Literal, Day, Month, Year4, Year2 };
    struct Piece {
        Part part = Part::Literal;
        quint8 offset = 0;
        char literal = 0;
    };
    bool m_valid = true;
    int m_length = 0;
    int m_pieces = 0;
    // Where the parts stand, and whether the format is digits only (no separator), so that a
    // text of digits alone is read without a step per piece.
    bool m_digitsOnly = false;
    quint8 m_dayAt = 0;
    quint8 m_monthAt = 0;
    quint8 m_yearAt = 0;
    bool m_fourDigitYear = true;
    std::array<Piece, 32> m_piece{};
};

// A date format as its text and compiled.
struct NamedDateFormat {
    QString text; // "DDMMYYYY"
    DateFormat format;
};

// The date formats that files commonly use (digits alone and with "/", "-" or "."
// separators; day-month-year first, then year-month-day, then month-day-year), in that order.
// The test tries them on a date field in error to tell whether its values are in another
// format (see LikelyCauses.h). At most 32.
const std::vector<NamedDateFormat> &commonDateFormats();
// A date format's text as it reads: upper case, AAAA and AA as YYYY and YY, empty as YYYYMMDD.
QString canonicalDateFormat(const QString &text);

// Whether day d exists in month m of year y (Gregorian calendar, y >= 1).
bool isCalendarDate(int y, int m, int d);
int daysInMonth(int y, int m);

} // namespace velkora::formats
