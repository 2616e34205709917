#include "FieldBuilder.h"

#include <QStringList>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>

namespace velkora::proposal::detail {

namespace {

QString fourDigits(int n)
{
    return QStringLiteral("%1").arg(n, 4, 10, QLatin1Char('0'));
}

bool storable(const QString &text)
{
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || c.isSurrogate() || c.isNonCharacter())
            return false;
    return true;
}

// A date with a two-digit year more years than this from the file's dates is no date.
constexpr int FarYears = 5;

// A number this long may be an amount whose decimals the file does not mark.
constexpr int ImpliedDecimalsDigits = 10;

// Whether a value the same on every sampled line is a code of the layout, which every file of
// the layout holds: a filler of one character ("9999", "----"; zeros only past the longest
// number, else they are an amount that is zero in this file), signs, a short code ("01",
// "237"), a single word ("RETORNO", "COBRANCA"). Anything else (a tax ID, an account, an
// agency, a name of several words, an identifier of letters and digits) is data that happened
// to be the same in this file: another sender's file holds another value.
bool layoutCode(const QString &value)
{
    if (value.size() <= 3)
        return true;
    if (value.count(value.front()) == value.size())
        return value.front() != u'0' || value.size() > MaxNumberDigits;
    const bool signs =
        std::none_of(value.begin(), value.end(), [](QChar c) { return c.isLetterOrNumber(); });
    const bool word = std::all_of(value.begin(), value.end(), [](QChar c) { return c.isLetter(); });
    return signs || (word && value.size() <= 8);
}

QString sameValueGuess(qint64 lines, const QString &value)
{
    return QStringLiteral("Igual en las %1 líneas de la muestra ('%2'): se propone como dato y "
                          "no como constante, porque otro archivo puede traer otro valor")
        .arg(lines)
        .arg(value.trimmed());
}

} // namespace

FieldBuilder::FieldBuilder(const TypeStats &stats, IdPlace id, IdPlace record, DateYears years)
    : t(stats), m_id(id.start < 0 ? IdPlace{0, 0} : id),
      m_record(record.start < 0 ? IdPlace{0, 0} : record), m_tolerated(tolerated(stats.sampled)),
      m_evidence(stats.sampled / (stats.sampled + 1.0)), m_fileYears(years)
{}

int FieldBuilder::pure(int j) const
{
    const qint64 need = t.sampled - m_tolerated;
    for (int k = 0; k < 4; ++k)
        if (t.count(j, k) >= need)
            return k;
    return -1;
}

int FieldBuilder::major(int j) const
{
    for (int k = 0; k < 4; ++k)
        if (10 * qint64(t.count(j, k)) >= 9 * qint64(t.sampled))
            return k;
    return -1;
}

// A date that reads on all sampled lines but the tolerated ones, in a likely year, and that
// changes from line to line when the line type has 20 lines or more (a run of digits that is
// the same on every line is a code, not a date). With a single sampled line nothing is
// constant, and any run of digits that reads as a likely date is one.
bool FieldBuilder::usableDate(const DateCandidate &d) const
{
    if (!readsAsDates(d))
        return false;
    // Of the formats the same columns read in, the one whose years lie nearest the file's.
    const std::vector<DateSpec> &specs = dateSpecs();
    for (const DateCandidate &o : t.dates)
        if (o.start == d.start && o.spec != d.spec &&
            specs[size_t(o.spec)].length == specs[size_t(d.spec)].length && readsAsDates(o) &&
            yearDistance(o) < yearDistance(d))
            return false;
    // A two-digit year far from the file's years is other digits (a statement number, a
    // code) that happen to read as a date.
    if (!specs[size_t(d.spec)].name.contains(QLatin1String("YYYY")) && yearDistance(d) > FarYears)
        return false;
    return amongFileYears(d);
}

bool FieldBuilder::readsAsDates(const DateCandidate &d) const
{
    if (d.fails > m_tolerated || !d.likely() || (t.sampled >= 20 && !d.varies))
        return false;
    // Lines of zeros (a date not given) are no date: some of the lines must hold one, and on
    // many lines, one in ten.
    const qint64 read = t.sampled - d.fails - d.zeros;
    if (read <= 0 || (t.sampled >= 20 && 10 * read < t.sampled))
        return false;
    // A two-digit year right after a "19" or "20" that never changes is the end of a
    // four-digit year (one out of range, or the date would be read whole).
    if (dateSpecs()[size_t(d.spec)].yearFirst2 && d.start >= 2 && constant(d.start - 2) &&
        constant(d.start - 1)) {
        const char32_t c = t.first[size_t(d.start - 2)], y = t.first[size_t(d.start - 1)];
        if ((c == U'1' && y == U'9') || (c == U'2' && y == U'0'))
            return false;
    }
    return true;
}

// On a line type of one line, a date's years must be among those of the file's other dates
// (a year before or after them too): "200526" is 2026-05-20 beside detail dates of 2026, not
// 2020-05-26.
bool FieldBuilder::amongFileYears(const DateCandidate &d) const
{
    return t.sampled > 1 || yearDistance(d) <= 1;
}

// The most years between one of the date's years and the nearest of the file's (0 without
// dates of the file to compare with).
int FieldBuilder::yearDistance(const DateCandidate &d) const
{
    if (m_fileYears.none())
        return 0;
    int farthest = 0;
    const int span = int(d.years.size());
    for (int y = 0; y < span; ++y) {
        if (!d.years.test(size_t(y)))
            continue;
        int nearest = span;
        for (int f = 0; f < span; ++f)
            if (m_fileYears.test(size_t(f)))
                nearest = std::min(nearest, std::abs(f - y));
        farthest = std::max(farthest, nearest);
    }
    return farthest;
}

// The other formats the same columns read in on every line, "" when none: the format proposed
// is the first of them in the order of preference.
QString FieldBuilder::otherReadings(const DateCandidate &d) const
{
    const std::vector<DateSpec> &specs = dateSpecs();
    QStringList others;
    for (const DateCandidate &o : t.dates)
        if (o.start == d.start && o.spec != d.spec &&
            specs[size_t(o.spec)].length == specs[size_t(d.spec)].length && readsAsDates(o) &&
            yearDistance(o) == yearDistance(d))
            others << specs[size_t(o.spec)].name;
    if (others.isEmpty())
        return {};
    return QStringLiteral("Fecha leída como %1; también se lee como %2")
        .arg(specs[size_t(d.spec)].name, others.join(QStringLiteral(", ")));
}

// Columns that end fields: the ID's, those blank on every line, and runs blank on all lines
// but the tolerated ones that stand between columns that nine lines in ten fill with one
// class (a blank beside a column that is often blank is the end of a text or of a number of
// varying length, which a few longer ones fill).
std::vector<char> FieldBuilder::separators(int end)
{
    std::vector<char> separator(size_t(end), 0);
    std::vector<char> &space = m_space;
    space.assign(size_t(end), 0);
    for (int j = 0; j < end; ++j)
        separator[size_t(j)] = inId(j) || !content(j);
    // A single blank column between two columns that hold letters on every line is a space
    // between words: a name of several words ("EMPRESA DE EJEMPLO SL") is one field, not one a
    // word (on a line type of one line, between any two letters).
    for (int j = 1; j + 1 < end; ++j) {
        if (inId(j) || content(j) || separator[size_t(j - 1)] || separator[size_t(j + 1)])
            continue;
        const bool letters = t.sampled == 1
                                 ? t.count(j - 1, LetterAt) > 0 && t.count(j + 1, LetterAt) > 0
                                 : pure(j - 1) == LetterAt && pure(j + 1) == LetterAt;
        if (letters)
            separator[size_t(j)] = 0;
        space[size_t(j)] = letters;
    }
    auto filled = [&](int j) {
        if (j < 0 || j >= end || separator[size_t(j)])
            return true;
        const int c = major(j);
        return c >= 0 && c != BlankAt;
    };
    for (int j = 0; j < end;) {
        if (separator[size_t(j)] || space[size_t(j)] || pure(j) != BlankAt) {
            ++j;
            continue;
        }
        int k = j;
        while (k < end && !separator[size_t(k)] && !space[size_t(k)] && pure(k) == BlankAt)
            ++k;
        if (filled(j - 1) && filled(k))
            std::fill(separator.begin() + j, separator.begin() + k, 1);
        j = k;
    }
    return separator;
}

QList<ProposedField> FieldBuilder::build(double *consistency)
{
    int end = 0; // trailing blanks are not fields
    for (int j = 0; j < t.width; ++j)
        if (content(j) && !inId(j))
            end = j + 1;
    const std::vector<char> separator = separators(end);
    int columns = 0, pureColumns = 0;
    for (int j = 0; j < end; ++j) {
        if (separator[size_t(j)])
            continue;
        ++columns;
        pureColumns += solid(j) || (constant(j) && content(j));
    }
    *consistency = columns == 0 ? 1.0 : double(pureColumns) / columns;
    for (int j = 0; j < end;) {
        if (separator[size_t(j)]) {
            ++j;
            continue;
        }
        int k = j;
        while (k < end && !separator[size_t(k)])
            ++k;
        segment(j, k);
        j = k;
    }
    for (int i = 0; i < m_fields.size(); ++i)
        m_fields[i].description = QStringLiteral("Campo %1").arg(fourDigits(i + 1));
    return m_fields;
}

// A run of columns between separators: the dates first (as many of its columns as dates can
// cover, the preferred format first), then the pieces between them.
void FieldBuilder::segment(int a, int b)
{
    const std::vector<DateSpec> &specs = dateSpecs();
    const int n = b - a;
    std::vector<int> best(size_t(n + 1), 0);
    std::vector<int> from(size_t(n + 1), -1); // the date that ends there on the best path
    for (int i = 0; i < n; ++i) {
        if (best[size_t(i)] > best[size_t(i + 1)]) {
            best[size_t(i + 1)] = best[size_t(i)];
            from[size_t(i + 1)] = -1;
        }
        for (int d = 0; d < int(t.dates.size()); ++d) {
            const DateCandidate &date = t.dates[size_t(d)];
            const int length = specs[size_t(date.spec)].length;
            if (date.start != a + i || i + length > n || !usableDate(date))
                continue;
            if (best[size_t(i)] + length > best[size_t(i + length)]) {
                best[size_t(i + length)] = best[size_t(i)] + length;
                from[size_t(i + length)] = d;
            }
        }
    }
    // Back from the end: the dates on the best path.
    std::vector<const DateCandidate *> chosen;
    for (int i = n; i > 0;) {
        if (from[size_t(i)] < 0) {
            --i;
            continue;
        }
        const DateCandidate &date = t.dates[size_t(from[size_t(i)])];
        chosen.push_back(&date);
        i -= specs[size_t(date.spec)].length;
    }
    std::reverse(chosen.begin(), chosen.end());
    const qsizetype first = m_fields.size();
    int at = a;
    for (const DateCandidate *date : chosen) {
        const DateSpec &spec = specs[size_t(date->spec)];
        if (date->start > at)
            piece(at, date->start);
        add(date->start, date->start + spec.length, QStringLiteral("03"), spec.name, {}, false,
            m_evidence);
        m_fields.last().optional = date->zeros > 0;
        m_fields.last().guess = otherReadings(*date);
        if (m_fields.last().guess.isEmpty() && std::popcount(date->days) >= 2)
            m_dateYears |= date->years;
        at = date->start + spec.length;
    }
    if (at < b)
        piece(at, b);
    decimals(first);
}

// Digits, a point or comma that never changes, and one to three digits: one NUMERO with that
// many decimals ("0.00").
void FieldBuilder::decimals(qsizetype from)
{
    for (qsizetype i = from; i + 2 < m_fields.size(); ++i) {
        const ProposedField &whole = m_fields[i], &mark = m_fields[i + 1], &part = m_fields[i + 2];
        const bool isMark = mark.typeCode == QLatin1String("04") && mark.length == 1 &&
                            (mark.value == QLatin1String(".") || mark.value == QLatin1String(","));
        if (whole.typeCode != QLatin1String("01") || !isMark ||
            part.typeCode != QLatin1String("01") || part.length > 3 ||
            whole.position + whole.length != mark.position || mark.position + 1 != part.position ||
            whole.length + part.length > MaxNumberDigits)
            continue;
        ProposedField merged = whole;
        merged.length = whole.length + 1 + part.length;
        merged.format = QStringLiteral("0") + mark.value + QString(part.length, QLatin1Char('0'));
        merged.confidence = std::min(whole.confidence, part.confidence);
        m_fields[i] = merged;
        m_fields.remove(i + 1, 2);
    }
}

// Whether a field ends between two columns: where a column of one class meets one of another
// (nine lines in ten), and where a column of digits meets one that holds letters or signs on
// more lines than that (digits beside digits or blanks may be a number of varying length,
// which is a text).
bool FieldBuilder::cutBetween(int left, int right) const
{
    if (m_space[size_t(left)] || m_space[size_t(right)])
        return false; // a space between words
    const int a = major(left), b = major(right);
    if (a >= 0 && b >= 0)
        return a != b;
    auto wordy = [&](int j) {
        return 10 * qint64(t.count(j, LetterAt) + t.count(j, OtherAt)) > qint64(t.sampled);
    };
    return (a == DigitAt && wordy(right)) || (b == DigitAt && wordy(left));
}

// Columns with no date: cut where a field ends (cutBetween), then each part is a CONSTANTE,
// a NUMERO or a TEXTO.
void FieldBuilder::piece(int a, int b)
{
    int start = a;
    bool lastOther = false; // whether the last constant was of signs alone
    for (int j = a + 1; j <= b; ++j) {
        if (j < b && !cutBetween(j - 1, j))
            continue;
        bool allConstant = true, allDigits = true, allOther = true;
        QString value;
        for (int k = start; k < j; ++k) {
            allConstant = allConstant && constant(k);
            allDigits = allDigits && major(k) == DigitAt;
            allOther = allOther && major(k) == OtherAt;
            if (allConstant)
                value += QString::fromUcs4(&t.first[size_t(k)], 1);
        }
        if (allConstant && !layoutCode(value)) {
            addData(start, j, value);
        } else if (allConstant && value.size() <= 255 && storable(value)) {
            // A constant of signs beside another constant ("EMP" and "-") is one with it.
            ProposedField *last = m_fields.isEmpty() ? nullptr : &m_fields.last();
            if (last && last->typeCode == QLatin1String("04") && (allOther || lastOther) &&
                last->position - 1 + last->length == start && last->position - 1 >= a &&
                last->value.size() + value.size() <= 255) {
                last->length += j - start;
                last->value += value;
            } else {
                add(start, j, QStringLiteral("04"), {}, value, false, m_evidence);
            }
            lastOther = allOther;
        } else if (allDigits) {
            digits(start, j);
        } else {
            add(start, j, QStringLiteral("02"), {}, {}, true, 0.8 * m_evidence);
        }
        start = j;
    }
}

// A value the same on every sampled line that is no code of the layout: a NUMERO when it is
// digits, else a TEXTO, saying that it was the same.
void FieldBuilder::addData(int a, int b, const QString &value)
{
    const bool allDigits =
        std::all_of(value.begin(), value.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (allDigits && b - a <= MaxNumberDigits)
        add(a, b, QStringLiteral("01"), {}, {}, false, 0.5 * m_evidence);
    else
        add(a, b, QStringLiteral("02"), {}, {}, true, 0.5 * m_evidence);
    m_fields.last().guess = sameValueGuess(t.sampled, value);
}

// A column of zeros and ones alone, both seen, before the zeros that pad a number: the sign of
// an amount (a credit or a debit), a field of its own.
bool FieldBuilder::signColumn(int j) const
{
    const std::array<int, 10> &d = t.digits[size_t(j)];
    return d[0] > 0 && d[1] > 0 && d[0] + d[1] == t.sampled && t.present[size_t(j)] == t.sampled;
}

// Digits (on nine lines in ten): one NUMERO, or, past 18 digits, several: each cut where a
// column that changes is followed by one that holds one digit on nine lines in ten (where a
// zero-padded number seems to start), the last such place within 18 digits, or after 18.
void FieldBuilder::digits(int a, int b)
{
    if (b - a >= 3 && signColumn(a) && steady(a + 1)) {
        add(a, a + 1, QStringLiteral("01"), {}, {}, false, 0.8 * m_evidence);
        m_fields.last().guess = QStringLiteral(
            "Columna de ceros y unos delante de un número: se propone como su signo, aparte");
        ++a;
    }
    bool cut = false;
    while (b - a > MaxNumberDigits) {
        int at = a + MaxNumberDigits;
        for (int k = a + MaxNumberDigits; k > a; --k) {
            if (!steady(k - 1) && steady(k)) {
                at = k;
                break;
            }
        }
        number(a, at, 0.6);
        a = at;
        cut = true;
    }
    number(a, b, cut ? 0.6 : 1.0);
}

// A part of a run of digits: a CONSTANTE when it never changes, a NUMERO otherwise.
void FieldBuilder::number(int a, int b, double sureness)
{
    QString value;
    for (int k = a; k < b && constant(k); ++k)
        value += QChar(char16_t(t.first[size_t(k)]));
    if (value.size() == b - a && layoutCode(value))
        add(a, b, QStringLiteral("04"), {}, value, false, m_evidence);
    else if (value.size() == b - a)
        addData(a, b, value);
    else
        add(a, b, QStringLiteral("01"), {}, {}, false, sureness * m_evidence);
    if (m_fields.last().typeCode == QLatin1String("01") && b - a >= ImpliedDecimalsDigits &&
        m_fields.last().guess.isEmpty())
        m_fields.last().guess =
            QStringLiteral("Número de %1 cifras sin decimales: si es un importe con decimales "
                           "implícitos, indíquelos en su formato (0.00)")
                .arg(b - a);
}

void FieldBuilder::add(int a, int b, const QString &type, const QString &format,
                       const QString &value, bool trim, double confidence)
{
    ProposedField f;
    f.position = a + 1;
    f.length = b - a;
    f.typeCode = type;
    f.format = format;
    f.value = value;
    f.trim = trim;
    f.confidence = std::round(confidence * 1000.0) / 1000.0;
    m_fields << f;
}

} // namespace velkora::proposal::detail
