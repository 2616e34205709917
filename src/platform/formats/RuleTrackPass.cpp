#include "RuleTrack.h"

#include "CompiledFormat.h"
#include "LineAnalyzer.h"
#include "RuleVerdicts.h"

// The pass of a line that keeps every rule: most lines of a file keep them all, and on those the
// checks of LineRules and of RuleTrack::line come down to a few compares and additions. Each
// line type's are laid out once as plain steps; a line that might break one, or whose check
// must wait for the lines before its part, goes the usual way, where its errors are told.

namespace velkora::formats {

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
                pass.ranges.push_back({f, field.onDate, field.low, field.high});
        }
        if (own.afterRule >= 0)
            pass.after = &own.after;
        for (const int r : actions.checked) {
            // A plain SECUENCIA only: a total checked on the line is worked out the usual way.
            pass.taken = pass.taken && plan.plainSequence[size_t(r)];
            pass.sequences.push_back(
                {rules.running()[size_t(r)].field, r, plan.units[size_t(r)]});
        }
        for (const auto *tallies : {&actions.talliedFirst, &actions.tallied}) {
            for (const Actions::Added &added : *tallies) {
                if (added.field < 0)
                    pass.counts.push_back(added.tally);
                else
                    pass.sums.push_back(added);
            }
        }
    }
    return passes;
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

namespace {

// A number of a line without fields in error, as the rules read it (runningNumber): its
// mantissa with its sign, 0 when empty.
inline qint64 signedNumber(const LineAnalyzer::FieldResult &result)
{
    const qint64 mantissa = result.empty ? 0 : result.number.mantissa;
    return result.number.negative ? -mantissa : mantissa;
}

} // namespace

// Whether the line keeps its own rules for certain (false: it may not).
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
        while (values.trimmed && n > 0 && *p == ' ') {
            ++p;
            --n;
        }
        if (!values.rules->amongValues(p, withoutEndBlanks(p, n)))
            return false;
    }
    for (const Pass::Range &range : pass.ranges) {
        const LineAnalyzer::FieldResult &result = results[range.field];
        if (!result.ok || result.empty)
            continue; // a value that does not read is an error of its own
        if (!withinBounds(rangeValue(result, range.onDate), range.low, range.high))
            return false;
    }
    return true;
}

// Whether the line keeps its rules across lines for certain: false when one may be broken, or
// waits for the lines before the part (TRAS on the part's first line).
inline bool RuleTrack::keepsAcross(const LineAnalyzer &analyzer, const Pass &pass,
                                   const RulePart &part) const
{
    if (pass.after && !allowedAfter(*pass.after, m_previous))
        return false; // the part's first line waits for the line before it
    const RunningPart *running = part.running.data();
    const LineAnalyzer::FieldResult *results = &analyzer.field(0);
    for (const Pass::Sequence &sequence : pass.sequences)
        if (!followsInSequence(running[sequence.rule].previous, sequence.unit,
                               signedNumber(results[sequence.field])))
            return false;
    return true;
}

bool RuleTrack::keepsEvery(const LineAnalyzer &analyzer, qint64 index, ScanResult &out)
{
    const int t = analyzer.lineType();
    const Pass &pass = m_passes[size_t(t)];
    RulePart &part = out.rules;
    // A line with a field in error goes the usual way: there a value that does not read is
    // told apart; here every number reads.
    if (!pass.taken || analyzer.errorCount() != 0 || !keepsOwn(analyzer, pass) ||
        !keepsAcross(analyzer, pass, part))
        return false;
    if (!m_active)
        return true;
    note(t, index, part);
    if (pass.counted)
        ++part.times[size_t(t)];
    const LineAnalyzer::FieldResult *results = &analyzer.field(0);
    RunningPart *running = part.running.data();
    for (const Pass::Sequence &sequence : pass.sequences)
        running[sequence.rule].previous = signedNumber(results[sequence.field]);
    __int128 *sums = m_sums.data();
    for (const int tally : pass.counts)
        ++sums[tally];
    for (const Actions::Added &added : pass.sums)
        sums[added.tally] += signedNumber(results[added.field]);
    return true;
}

} // namespace velkora::formats
