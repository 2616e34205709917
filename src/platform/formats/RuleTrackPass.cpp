#include "RuleTrack.h"

#include "CompiledFormat.h"
#include "Digits.h"
#include "LineAnalyzer.h"
#include "RuleTrackReads.h"
#include "RuleVerdicts.h"

#include <algorithm>

// The pass of a line that keeps every rule: most lines of a file keep them all, and on those the
// checks of LineRules and of RuleTrack::line come down to a few compares and additions. Each
// line type's are laid out once as plain steps; a line that might break one, or whose check
// must wait for the lines before its part, goes the usual way, where its errors are told.

namespace velkora::formats {

using namespace passreads;

namespace {

RuleTrack::Pass::Values valuesOf(const CompiledField &spec, int f,
                                 const RuleSet::FieldRules &rules)
{
    RuleTrack::Pass::Values values;
    values.field = f;
    values.rules = &rules;
    values.fromResult = rules.readOnEveryLine;
    if (spec.readsText && spec.usable && !values.fromResult) {
        // A field that cannot be read has no text (start = end).
        values.start = spec.start;
        values.end = spec.start + spec.length;
        values.trimmed = spec.trim;
    }
    return values;
}

// The key of an ENTRE bound for a field of `size` digits read in place: a bound below every
// value of the field gives the least key, one above them all the greatest.
unsigned __int128 boundKey(qint64 bound, int size)
{
    if (bound < 0)
        return 0;
    char text[16];
    std::fill(text, text + 16, '0');
    for (int i = 15; bound > 0; --i, bound /= 10) {
        if (i < 16 - size)
            return ~static_cast<unsigned __int128>(0);
        text[i] = char('0' + bound % 10);
    }
    return digits::Window(size).key(text + 16);
}

// VALORES on a text of one or two characters at a known place, for a bulk: whether each text
// those characters could be is among the values, as the pass asks it (empty: a longer text, or
// one read from the field's result). Only a value with blanks around it can be such a text, so
// those are the texts asked; every other is not among the values.
std::vector<quint64> amongTable(const RuleTrack::Pass::Values &values)
{
    const int size = values.masked ? values.maskedEnd - values.maskedStart
                     : values.fromResult ? 0
                                         : values.end - values.start;
    if (size < 1 || size > 2)
        return {};
    std::vector<quint64> among(size_t(size == 1 ? 4 : 1024), 0);
    for (const QByteArray &value : values.rules->values) {
        for (qsizetype lead = 0; lead + value.size() <= size; ++lead) {
            char text[2] = {' ', ' '};
            std::copy(value.begin(), value.end(), text + lead);
            const unsigned key = shortText(text, size);
            if (amongValues(values, text, size))
                among[key / 64] |= quint64(1) << (key % 64);
        }
    }
    return among;
}

} // namespace

std::vector<RuleTrack::Pass> RuleTrack::passesOf(const CompiledFormat &format, const Plan &plan)
{
    const RuleSet &rules = format.rules();
    const size_t lineTypes = format.lineTypes().size();
    std::vector<Pass> passes(lineTypes);
    for (size_t t = 0; t < lineTypes && t < rules.types().size(); ++t) {
        const RuleSet::TypeRules &own = rules.types()[t];
        const Actions &actions = plan.actions[t];
        Pass &pass = passes[t];
        pass.counted = actions.counted;
        // VECES with a most waits for the lines before on every line; DESDE, SI and NEGATIVO SI
        // need the rules' own totals.
        pass.taken = !(own.timesRule >= 0 && own.maxTimes >= 0) &&
                     actions.restartedFirst.empty() && actions.restarted.empty() &&
                     actions.fedFirst.empty() && actions.fed.empty();
        if (own.lengthRule >= 0) {
            pass.minLength = own.minLength;
            pass.maxLength = own.maxLength;
        }
        for (const int f : own.ruledFields) {
            const RuleSet::FieldRules &field = own.fields[size_t(f)];
            if (field.valuesRule >= 0)
                pass.values.push_back(valuesOf(format.lineTypes()[t].fields[size_t(f)], f, field));
            if (field.rangeRule >= 0)
                pass.ranges.push_back({{f}, field.onDate, field.low, field.high});
        }
        if (own.afterRule >= 0)
            pass.after = &own.after;
        for (const int r : actions.checked) {
            // A plain SECUENCIA only: a total checked on the line is worked out the usual way.
            pass.taken = pass.taken && plan.plainSequence[size_t(r)];
            pass.sequences.push_back(
                {{rules.running()[size_t(r)].field}, r, plan.units[size_t(r)]});
        }
        for (const auto *tallies : {&actions.talliedFirst, &actions.tallied}) {
            for (const Actions::Added &added : *tallies) {
                if (added.field < 0)
                    pass.counts.push_back(added.tally);
                else
                    pass.sums.push_back({added.tally, {added.field}});
            }
        }
    }
    return passes;
}

void RuleTrack::readInPlace(const LineAnalyzer &analyzer)
{
    m_columns.clear();
    m_columnTally.clear();
    for (size_t t = 0; t < m_passes.size(); ++t) {
        Pass &pass = m_passes[t];
        auto bind = [&](Pass::Number &number) {
            LineAnalyzer::ValueSpot spot;
            number.inPlace = analyzer.valueSpot(int(t), number.field, &spot);
            number.end = spot.end;
            number.size = spot.size;
            number.words = spot.words;
            if (spot.words) // 1 to 16 digits
                number.window = digits::Window(spot.size);
        };
        for (Pass::Range &range : pass.ranges) {
            bind(range.number);
            range.byKey = range.number.inPlace && range.number.words &&
                          range.number.size <= 16 && !range.onDate;
            if (range.byKey) {
                range.lowKey = boundKey(range.low, range.number.size);
                range.highKey = boundKey(range.high, range.number.size);
            }
        }
        for (Pass::Sequence &sequence : pass.sequences) {
            bind(sequence.number);
            sequence.byKey = sequence.number.inPlace && sequence.number.words &&
                             sequence.unit == 1;
        }
        for (Pass::Values &values : pass.values) {
            values.masked = values.fromResult && analyzer.maskedSpan(int(t), values.field,
                                                                     &values.maskedStart,
                                                                     &values.maskedEnd);
            values.among = amongTable(values);
        }
        pass.columns = false;
        for (Pass::Sum &sum : pass.sums) {
            bind(sum.number);
            sum.column = -1;
            // A line whose digits are read in place holds its type's digit mask, at least 16
            // bytes.
            if (sum.number.inPlace && sum.number.size <= 16) {
                sum.column = int(m_columns.size());
                sum.windowEnd = std::max(16, sum.number.end);
                m_columns.emplace_back(sum.number.size, sum.windowEnd - sum.number.end);
                m_columnTally.push_back(sum.tally);
                pass.columns = true;
            }
        }
        pass.bulk = readsAllInPlace(pass);
    }
    m_inPlaceOf = &analyzer;
}

void RuleTrack::foldColumns()
{
    for (size_t c = 0; c < m_columns.size(); ++c)
        m_sums[size_t(m_columnTally[c])] += m_columns[c].take();
    m_columnLines = 0;
}

void RuleTrack::emptyColumns()
{
    for (DigitColumns &columns : m_columns)
        columns.take();
    m_columnLines = 0;
}

void RuleTrack::note(int lineType, qint64 index, RulePart &part)
{
    if (part.firstText < 0) {
        part.firstText = index;
        part.firstType = lineType;
    }
    part.lastText = index;
    part.lastType = part.lastLine = lineType;
    m_previous = lineType;
}

// Whether the line keeps its own rules for certain (false: it may not).
template <bool InPlace>
inline bool RuleTrack::keepsOwn(const LineAnalyzer &analyzer, const Pass &pass) const
{
    const qsizetype length = analyzer.characters();
    if (!withinBounds(length, pass.minLength, pass.maxLength))
        return false;
    const LineAnalyzer::FieldResult *results = &analyzer.field(0);
    const char *bytes = analyzer.bytes();
    const bool oneByte = analyzer.encoding() != LineEncoding::Utf8;
    for (const Pass::Values &values : pass.values) {
        const char *p = bytes + values.start;
        int n = values.end - values.start;
        if (values.fromResult) {
            const LineAnalyzer::FieldResult &result = results[values.field];
            p = bytes + result.begin;
            n = result.end - result.begin;
        } else if (!oneByte || values.end > length) {
            return false; // told the usual way
        }
        if (!amongValues(values, p, n))
            return false;
    }
    for (const Pass::Range &range : pass.ranges) {
        if (InPlace && range.byKey) {
            const Pass::Number &number = range.number;
            if (!withinBounds(number.window.key(bytes + number.end), range.lowKey, range.highKey))
                return false;
            continue;
        }
        if (InPlace && range.number.inPlace) {
            if (!withinBounds(numberOf<true>(range.number, results, bytes), range.low, range.high))
                return false;
            continue;
        }
        const LineAnalyzer::FieldResult &result = results[range.number.field];
        if (!result.ok || result.empty)
            continue; // a value that does not read is an error of its own
        if (!withinBounds(rangeValue(result, range.onDate), range.low, range.high))
            return false;
    }
    return true;
}

// Whether the line keeps its rules across lines for certain: false when one may be broken, or
// waits for the lines before the part (TRAS on the part's first line). The sequences' numbers
// are left in m_stated.
template <bool InPlace>
inline bool RuleTrack::keepsAcross(const LineAnalyzer &analyzer, const Pass &pass,
                                   const RulePart &part)
{
    if (pass.after && !allowedAfter(*pass.after, m_previous))
        return false; // the part's first line waits for the line before it
    const RunningPart *running = part.running.data();
    const LineAnalyzer::FieldResult *results = &analyzer.field(0);
    qint64 *stated = m_stated.data();
    for (const Pass::Sequence &sequence : pass.sequences) {
        *stated = numberOf<InPlace>(sequence.number, results, analyzer.bytes());
        if (!followsInSequence(running[sequence.rule].previous, sequence.unit, *stated++))
            return false;
    }
    return true;
}

// A line that keeps every rule in the part's figures: its place, its count, its sequence
// numbers and what it adds to the tallies.
template <bool InPlace>
Q_ALWAYS_INLINE void RuleTrack::take(const LineAnalyzer &analyzer, const Pass &pass, qint64 index,
                            RulePart &part)
{
    const int t = analyzer.lineType();
    note(t, index, part);
    if (pass.counted)
        ++part.times[size_t(t)];
    RunningPart *running = part.running.data();
    const qint64 *stated = m_stated.data();
    for (const Pass::Sequence &sequence : pass.sequences)
        running[sequence.rule].previous = *stated++;
    __int128 *sums = m_sums.data();
    for (const int tally : pass.counts)
        ++sums[tally];
    const LineAnalyzer::FieldResult *results = &analyzer.field(0);
    const char *bytes = analyzer.bytes();
    for (const Pass::Sum &sum : pass.sums) {
        if (InPlace && sum.column >= 0)
            m_columns[size_t(sum.column)].add(bytes + sum.windowEnd);
        else
            sums[sum.tally] += numberOf<InPlace>(sum.number, results, bytes);
    }
    if (InPlace && pass.columns && ++m_columnLines == DigitColumns::Capacity)
        foldColumns();
}

template <bool InPlace>
inline bool RuleTrack::keepsWith(const LineAnalyzer &analyzer, const Pass &pass, qint64 index,
                                 RulePart &part)
{
    if (!keepsOwn<InPlace>(analyzer, pass) || !keepsAcross<InPlace>(analyzer, pass, part))
        return false;
    if (m_active)
        take<InPlace>(analyzer, pass, index, part);
    return true;
}

bool RuleTrack::keepsEvery(const LineAnalyzer &analyzer, qint64 index, ScanResult &out)
{
    const Pass &pass = m_passes[size_t(analyzer.lineType())];
    // A line with a field in error goes the usual way: there a value that does not read is
    // told apart; here every number reads.
    if (!pass.taken || analyzer.errorCount() != 0)
        return false;
    if (!analyzer.valuesDeferred())
        return keepsWith<false>(analyzer, pass, index, out.rules);
    // Numbers read in place only from the lines of the analyzer whose places the pass knows.
    return &analyzer == m_inPlaceOf && keepsWith<true>(analyzer, pass, index, out.rules);
}

} // namespace velkora::formats
