#include "DateFormat.h"

#include "Digits.h"

namespace velkora::formats {

namespace {

inline int monthDays(int y, int m)
{
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m < 1 || m > 12)
        return 0;
    if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0))
        return 29;
    return days[m - 1];
}

} // namespace

int daysInMonth(int y, int m)
{
    return monthDays(y, m);
}

bool isCalendarDate(int y, int m, int d)
{
    return y >= 1 && d >= 1 && d <= daysInMonth(y, m);
}

DateFormat DateFormat::compile(const QString &text, QString *error)
{
    DateFormat f;
    const QString t = text.isEmpty() ? QStringLiteral("YYYYMMDD") : text.toUpper();
    auto fail = [&](const QString &why) {
        f.m_valid = false;
        if (error)
            *error = why;
        return f;
    };
    if (t.size() > int(f.m_piece.size()))
        return fail(QStringLiteral("es demasiado largo"));
    int days = 0, months = 0, years = 0, daysOfYear = 0;
    for (qsizetype i = 0; i < t.size();) {
        const QChar c = t.at(i);
        qsizetype run = 1;
        while (i + run < t.size() && t.at(i + run) == c)
            ++run;
        Piece piece;
        piece.offset = static_cast<quint8>(i);
        if (c == QLatin1Char('D') && run == 3) {
            piece.part = Part::DayOfYear;
            f.m_dayOfYear = true;
            ++daysOfYear;
        } else if (c == QLatin1Char('D') && run == 2) {
            piece.part = Part::Day;
            f.m_dayAt = piece.offset;
            ++days;
        } else if (c == QLatin1Char('M') && run == 2) {
            piece.part = Part::Month;
            f.m_monthAt = piece.offset;
            ++months;
        } else if ((c == QLatin1Char('Y') || c == QLatin1Char('A')) && (run == 4 || run == 2)) {
            piece.part = run == 4 ? Part::Year4 : Part::Year2;
            f.m_yearAt = piece.offset;
            f.m_fourDigitYear = run == 4;
            ++years;
        } else if (c.isLetter()) {
            return fail(QStringLiteral("'%1' no es parte del formato de una fecha (se usan DD, "
                                       "MM, YYYY o AAAA, YY o AA y separadores)")
                            .arg(QString(run, c)));
        } else if (c.unicode() > 0x7E || c.unicode() < 0x20) {
            return fail(QStringLiteral("el separador '%1' no es un carácter ASCII").arg(c));
        } else {
            run = 1;
            piece.literal = static_cast<char>(c.unicode());
        }
        f.m_piece[f.m_pieces++] = piece;
        i += run;
    }
    const bool calendar = days == 1 && months == 1 && daysOfYear == 0;
    const bool julian = days == 0 && months == 0 && daysOfYear == 1;
    if (years != 1 || (!calendar && !julian))
        return fail(QStringLiteral("lleva el día (DD), el mes (MM) y el año (YYYY o YY) una "
                                   "vez cada uno, o el año y el día del año (DDD)"));
    f.m_length = static_cast<int>(t.size());
    f.m_digitsOnly = f.m_pieces == 3;
    return f;
}

// Each piece of a date that is not digits alone, in the format's order: its separators where
// they go, its numbers read digit by digit.
bool DateFormat::readEachPiece(const char *p, int &y, int &m, int &d, Problem &problem) const
{
    for (int k = 0; k < m_pieces; ++k) {
        const Piece &piece = m_piece[k];
        const int at = piece.offset;
        if (piece.part == Part::Literal) {
            if (p[at] != piece.literal) {
                problem = {Problem::BadLiteral, at, piece.literal, 0};
                return false;
            }
            continue;
        }
        const int digits = piece.part == Part::Year4 ? 4 : piece.part == Part::DayOfYear ? 3 : 2;
        int number = 0;
        for (int j = at; j < at + digits; ++j) {
            const unsigned digit = static_cast<unsigned char>(p[j]) - unsigned('0');
            if (digit >= 10) {
                problem = {Problem::BadCharacter, j, 0, 0};
                return false;
            }
            number = number * 10 + int(digit);
        }
        switch (piece.part) {
        case Part::Day:
        case Part::DayOfYear:
            d = number;
            break;
        case Part::Month:
            m = number;
            break;
        case Part::Year4:
            y = number;
            break;
        case Part::Year2:
            y = number < 50 ? 2000 + number : 1900 + number;
            break;
        case Part::Literal:
            break;
        }
    }
    return true;
}

bool DateFormat::readPieces(const char *p, int n, DateValue &value, Problem &problem) const
{
    if (!m_valid) {
        problem = {Problem::BadFormat, -1, 0, 0};
        return false;
    }
    int blank = 0;
    while (blank < n && p[blank] == ' ')
        ++blank;
    if (blank == n) {
        problem = {Problem::Blank, -1, 0, 0};
        return false;
    }
    if (n != m_length) {
        problem = {Problem::WrongLength, -1, n, m_length};
        return false;
    }
    int y = 0, m = 0, d = 0;
    if (m_digitsOnly && digits::allDigits(p, n)) {
        d = digits::two(p + m_dayAt);
        m = digits::two(p + m_monthAt);
        if (m_fourDigitYear) {
            y = digits::two(p + m_yearAt) * 100 + digits::two(p + m_yearAt + 2);
        } else {
            y = digits::two(p + m_yearAt);
            y = y < 50 ? 2000 + y : 1900 + y;
        }
    } else if (!readEachPiece(p, y, m, d, problem)) {
        return false;
    }
    if (y < 1) {
        problem = {Problem::BadYear, -1, y, 0};
        return false;
    }
    if (m_dayOfYear)
        return dayOfYear(y, d, value, problem);
    if (m < 1 || m > 12) {
        problem = {Problem::BadMonth, -1, m, 0};
        return false;
    }
    if (d < 1 || d > monthDays(y, m)) {
        problem = {Problem::BadDay, -1, d, m, y};
        return false;
    }
    value = {y, m, d};
    return true;
}

bool DateFormat::dayOfYear(int y, int d, DateValue &value, Problem &problem)
{
    int m = 1;
    int left = d;
    while (m <= 12 && left > monthDays(y, m))
        left -= monthDays(y, m++);
    if (d < 1 || m > 12) {
        problem = {Problem::BadDay, -1, d, 0, y}; // month 0: a day of the year
        return false;
    }
    value = {y, m, left};
    return true;
}

const std::vector<NamedDateFormat> &commonDateFormats()
{
    static const std::vector<NamedDateFormat> formats = [] {
        std::vector<NamedDateFormat> list;
        for (const char *text :
             {"DDMMYYYY",   "DDMMYY",     "DD/MM/YYYY", "DD-MM-YYYY", "DD.MM.YYYY",
              "DD/MM/YY",   "DD-MM-YY",   "DD.MM.YY",   "YYYYMMDD",   "YYMMDD",
              "YYYY-MM-DD", "YYYY/MM/DD", "YY-MM-DD",   "YY/MM/DD",   "YYYYDDMM",
              "MMDDYYYY",   "MMDDYY",     "MM/DD/YYYY", "MM-DD-YYYY", "MM/DD/YY"}) {
            const QString name = QString::fromLatin1(text);
            list.push_back({name, DateFormat::compile(name, nullptr)});
        }
        return list;
    }();
    return formats;
}

QString canonicalDateFormat(const QString &text)
{
    if (text.isEmpty())
        return QStringLiteral("YYYYMMDD");
    QString upper = text.toUpper();
    upper.replace(QLatin1Char('A'), QLatin1Char('Y'));
    return upper;
}

} // namespace velkora::formats
