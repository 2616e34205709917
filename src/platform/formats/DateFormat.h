#pragma once

#include "Conversion.h"
#include "Digits.h"

#include <QString>
#include <array>
#include <vector>

namespace velkora::formats {

// The format of a Fecha field, compiled once from its format text (see docs/formats.md).
// Case does not matter. DD day, MM month, YYYY (or AAAA) year, YY (or AA) a two-digit year
// (00-49 are 2000-2049, 50-99 are 1950-1999); every other character stands for itself:
// "DDMMYYYY", "YYYYMMDD", "DD/MM/YYYY", "YYMMDD", "YYYY-MM-DD". Empty means YYYYMMDD.
// DDD is the day of the year (001 to 365, 366 in a leap year), with a year and no DD or MM:
// the Julian dates "YYDDD", "YYYYDDD", " YYDDD".
// The text must be exactly as long as the format and hold a real calendar date.
class DateFormat {
public:
    static DateFormat compile(const QString &text, QString *error);

    bool read(const char *p, int n, DateValue &value, Problem &problem) const
    {
        return readDigits(p, n, value) || readPieces(p, n, value, problem);
    }

    int length() const { return m_length; }
    bool valid() const { return m_valid; }

private:
    // A real date of digits alone in a format without separators, read at once; false for
    // anything else, which readPieces() then reads and tells what is wrong with.
    bool readDigits(const char *p, int n, DateValue &value) const
    {
        if (!m_digitsOnly || n != m_length || !digits::allDigits(p, n))
            return false;
        const int d = digits::two(p + m_dayAt);
        const int m = digits::two(p + m_monthAt);
        int y = digits::two(p + m_yearAt);
        if (m_fourDigitYear)
            y = y * 100 + digits::two(p + m_yearAt + 2);
        else
            y += y < 50 ? 2000 : 1900;
        // Days of each month, February with its 29th checked apart.
        static constexpr quint8 Days[13] = {0, 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        if (y < 1 || unsigned(m - 1) > 11u || d < 1 || d > Days[m])
            return false;
        if (m == 2 && d == 29 && !(y % 4 == 0 && (y % 100 != 0 || y % 400 == 0)))
            return false;
        value = {y, m, d};
        return true;
    }
    bool readPieces(const char *p, int n, DateValue &value, Problem &problem) const;
    bool readEachPiece(const char *p, int &y, int &m, int &d, Problem &problem) const;
    // Day d of year y as a calendar date; false, with the problem, when the year has no such day.
    static bool dayOfYear(int y, int d, DateValue &value, Problem &problem);

    enum class Part : quint8 { Literal, Day, Month, Year4, Year2, DayOfYear };
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
    bool m_dayOfYear = false; // DDD instead of DD and MM
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
