#include "ColumnStats.h"

#include <algorithm>
#include <bit>

namespace velkora::proposal::detail {

namespace {

// Dates are looked for from the first few sampled lines of a line type (so that one bad line
// at its start hides none).
constexpr int SeedLines = 3;

// Whether the characters read as a date in the format, and a likely one: a year from 1950
// to 2079 and never 2000 (so that the zeros of an amount are not taken for a year).
bool readsAsDate(const char32_t *chars, const DateSpec &spec, formats::DateValue &value)
{
    char text[16];
    for (int i = 0; i < spec.length; ++i) {
        if (chars[i] > 0x7E || chars[i] <= 0x20)
            return false;
        text[i] = char(chars[i]);
    }
    formats::Problem problem;
    return spec.format.read(text, spec.length, value, problem) && value.year != 2000 &&
           value.year >= FirstYear && value.year <= LastYear;
}

// Whether the characters hold zeros where the format has digits, and nothing else but its
// separators: a date not given ("000000", "00/00/0000").
bool noDate(const char32_t *chars, const DateSpec &spec)
{
    bool zero = false;
    for (int i = 0; i < spec.length; ++i) {
        if (chars[i] == U'0')
            zero = true;
        else if ((chars[i] >= U'1' && chars[i] <= U'9') || classOf(chars[i]) != Other)
            return false;
    }
    return zero;
}

} // namespace

const std::vector<DateSpec> &dateSpecs()
{
    static const std::vector<DateSpec> specs = [] {
        std::vector<DateSpec> list;
        for (const char *text : {"YYYYMMDD", "DDMMYYYY", "YYYY-MM-DD", "DD/MM/YYYY", "DD-MM-YYYY",
                                 "DD.MM.YYYY", "YYYY/MM/DD", "YYMMDD", "DDMMYY", "DD/MM/YY",
                                 "YY-MM-DD", "MMDDYYYY", "MM/DD/YYYY", "MM/DD/YY"}) {
            const QString name = QString::fromLatin1(text);
            const formats::DateFormat format = formats::DateFormat::compile(name, nullptr);
            list.push_back(
                {name, format, format.length(),
                 name.startsWith(QLatin1String("YY")) && !name.startsWith(QLatin1String("YYYY"))});
        }
        return list;
    }();
    return specs;
}

void DateCandidate::note(const formats::DateValue &v)
{
    const qint32 value = v.year * 10000 + v.month * 100 + v.day;
    if (firstValue < 0)
        firstValue = value;
    else if (value != firstValue)
        varies = true;
    years.set(size_t(v.year - FirstYear));
    months |= 1u << v.month;
    days |= 1u << v.day;
}

bool DateCandidate::likely() const
{
    const int y = int(years.count());
    return y <= 1 || y <= std::max(std::popcount(months), std::popcount(days));
}

void TypeStats::sample(const DecodedLine &line)
{
    const int have = int(line.chars.size());
    if (have > width) {
        counts.resize(size_t(have), {0, 0, 0, 0});
        present.resize(size_t(have), 0);
        first.resize(size_t(have), 0);
        varies.resize(size_t(have), 0);
        digits.resize(size_t(have), {});
        width = have;
    }
    const char32_t *c = line.chars.data();
    for (int j = 0; j < have; ++j) {
        ++counts[size_t(j)][classIndex(c[j])];
        if (c[j] >= U'0' && c[j] <= U'9')
            ++digits[size_t(j)][size_t(c[j] - U'0')];
        if (present[size_t(j)]++ == 0)
            first[size_t(j)] = c[j];
        else if (first[size_t(j)] != c[j])
            varies[size_t(j)] = 1;
    }
    checkDates(c, have);
    if (sampled < SeedLines)
        seedDates(c, have);
    ++sampled;
}

void TypeStats::checkDates(const char32_t *chars, int have)
{
    const std::vector<DateSpec> &specs = dateSpecs();
    std::erase_if(dates, [&](DateCandidate &d) {
        const DateSpec &spec = specs[size_t(d.spec)];
        formats::DateValue value;
        if (d.start + spec.length <= have && readsAsDate(chars + d.start, spec, value))
            d.note(value);
        else if (d.start + spec.length <= have && noDate(chars + d.start, spec))
            ++d.zeros;
        else
            ++d.fails;
        return d.fails > maxFails;
    });
}

void TypeStats::seedDates(const char32_t *chars, int have)
{
    const std::vector<DateSpec> &specs = dateSpecs();
    const size_t known = dates.size();
    for (int j = 0; j < have; ++j) {
        if (chars[j] < U'0' || chars[j] > U'9')
            continue;
        for (int s = 0; s < int(specs.size()); ++s) {
            formats::DateValue value;
            if (j + specs[size_t(s)].length > have ||
                !readsAsDate(chars + j, specs[size_t(s)], value))
                continue;
            const bool had =
                std::any_of(dates.begin(), dates.begin() + qsizetype(known),
                            [&](const DateCandidate &d) { return d.start == j && d.spec == s; });
            if (had)
                continue;
            DateCandidate d;
            d.start = j;
            d.spec = s;
            d.fails = sampled; // the lines before this one did not read so
            d.note(value);
            if (d.fails <= maxFails)
                dates.push_back(d);
        }
    }
}

} // namespace velkora::proposal::detail
