#include "RuleTrack.h"

#include "CompiledFormat.h"
#include "LineAnalyzer.h"
#include "LineRules.h"

#include <algorithm>
#include <array>

namespace velkora::formats {

__int128 power10(int n)
{
    static const std::array<__int128, 39> powers = [] {
        std::array<__int128, 39> p{};
        p[0] = 1;
        for (size_t i = 1; i < p.size(); ++i)
            p[i] = p[i - 1] * 10;
        return p;
    }();
    return powers[size_t(std::clamp(n, 0, 38))];
}

qint64 runningNumber(const LineAnalyzer &analyzer, int field)
{
    const LineAnalyzer::FieldResult &result = analyzer.field(field);
    return !result.ok               ? NoValue
           : result.empty           ? 0
           : result.number.negative ? -result.number.mantissa
                                    : result.number.mantissa;
}

bool totalMatches(qint64 stated, int decimals, int width, __int128 sum, int sumDecimals)
{
    const int both = std::max(decimals, sumDecimals);
    __int128 total = sum * power10(both - sumDecimals);
    const __int128 own = __int128(stated) * power10(both - decimals);
    // A total too long for its field keeps its last digits, as control totals do.
    if (decimals >= sumDecimals && stated >= 0 && width < 38 && total >= power10(width))
        total %= power10(width);
    return own == total;
}

bool breaksRunning(const CompiledFormat &format, const RuleSet::Running &rule, qint64 stated,
                   qint64 count, __int128 sum, qint64 previous, qint64 number, __int128 *expected)
{
    const __int128 unit = power10(rule.decimals);
    switch (rule.kind) {
    case RuleKind::Cuenta:
        *expected = count;
        return stated != count * unit;
    case RuleKind::Suma:
        *expected = sum;
        return !totalMatches(stated, rule.decimals,
                             format.field(rule.lineType, rule.field).length, sum,
                             rule.sumDecimals);
    case RuleKind::Secuencia:
        if (previous == NoValue)
            return false;
        *expected = __int128(previous) + unit;
        return stated != *expected;
    case RuleKind::SecuenciaLinea:
        *expected = __int128(number) * unit;
        return stated != *expected;
    default:
        return false;
    }
}

std::vector<RuleTrack::Actions> RuleTrack::actionsOf(const RuleSet &rules, size_t lineTypes)
{
    std::vector<Actions> actions(lineTypes);
    for (size_t r = 0; r < rules.running().size(); ++r) {
        const RuleSet::Running &rule = rules.running()[r];
        actions[size_t(rule.lineType)].checked.push_back(int(r));
        for (size_t t = 0; t < lineTypes; ++t) {
            if (rule.kind == RuleKind::Cuenta && rule.counts[t])
                actions[t].counted.push_back(int(r));
            if (rule.kind == RuleKind::Suma && rule.sumType == int(t))
                actions[t].summed.push_back(int(r));
            if (rule.since == int(t))
                actions[t].restarted.push_back(int(r));
        }
    }
    return actions;
}

RuleTrack::RuleTrack(const CompiledFormat &format)
    : m_format(format), m_rules(format.rules()), m_active(format.rules().acrossLines()),
      m_actions(actionsOf(format.rules(), format.lineTypes().size()))
{}

void RuleTrack::begin(ScanResult &out)
{
    m_previous = -3;
    out.rules = RulePart{};
    if (!m_active)
        return;
    out.rules.running.resize(m_rules.running().size());
    out.rules.times.assign(m_format.lineTypes().size(), 0);
}

void RuleTrack::line(const LineAnalyzer *analyzer, qint64 index, ScanResult &out, bool &inError,
                     bool keep, int listLimit)
{
    RulePart &part = out.rules;
    if (!analyzer) {
        part.lastLine = m_previous = -1;
        return;
    }
    const int t = analyzer->match() == LineAnalyzer::Match::One ? analyzer->lineType() : -1;
    if (part.firstText < 0) {
        part.firstText = index;
        part.firstType = t;
    }
    part.lastText = index;
    part.lastType = part.lastLine = t;
    const int previous = m_previous;
    m_previous = t;
    if (t < 0)
        return;
    const size_t pendingBefore = part.pending.size();
    auto error = [&](int field, int rule) {
        return ruleError(m_format, index, t, field, rule, analyzer->characters());
    };
    const RuleSet::TypeRules &own = m_rules.types()[size_t(t)];
    const qint64 times = ++part.times[size_t(t)];
    if (own.timesRule >= 0 && own.maxTimes >= 0) {
        PendingCheck check;
        check.kind = PendingCheck::Veces;
        check.index = t;
        check.line = index;
        check.stated = times;
        part.pending.push_back(check);
    }
    if (own.afterRule >= 0) {
        if (previous == -3) {
            PendingCheck check;
            check.kind = PendingCheck::Tras;
            check.index = t;
            check.line = index;
            part.pending.push_back(check);
        } else if (!(previous >= 0 && own.after[size_t(previous)])) {
            FieldError e = error(-1, own.afterRule);
            e.ruleValue = previous;
            countError(m_format, e, out, inError, keep, listLimit);
        }
    }
    const Actions &actions = m_actions[size_t(t)];
    const std::vector<RuleSet::Running> &running = m_rules.running();
    for (const int r : actions.checked) {
        const RuleSet::Running &rule = running[size_t(r)];
        RunningPart &totals = part.running[size_t(r)];
        const qint64 stated = runningNumber(*analyzer, rule.field);
        if (stated == NoValue)
            continue; // a number that does not read is already an error
        // Decided by the part's own lines: a total after a DESDE line of the part, a number
        // after another of the part.
        const bool own =
            ((rule.kind == RuleKind::Cuenta || rule.kind == RuleKind::Suma) && totals.restarted) ||
            (rule.kind == RuleKind::Secuencia && totals.previous != NoValue);
        if (own) {
            __int128 expected = 0;
            if (breaksRunning(m_format, rule, stated, totals.count, totals.sum, totals.previous, 0,
                              &expected)) {
                FieldError e = error(rule.field, rule.rule);
                e.ruleValue = stated;
                e.expected = expected;
                countError(m_format, e, out, inError, keep, listLimit);
            }
        } else {
            PendingCheck check;
            check.index = r;
            check.line = index;
            check.stated = stated;
            check.count = totals.count;
            check.sum = totals.sum;
            part.pending.push_back(check);
        }
        if (rule.kind == RuleKind::Secuencia)
            totals.previous = stated;
    }
    for (const int r : actions.counted)
        ++part.running[size_t(r)].count;
    for (const int r : actions.summed) {
        const qint64 value = runningNumber(*analyzer, running[size_t(r)].sumField);
        if (value != NoValue)
            part.running[size_t(r)].sum += value;
    }
    for (const int r : actions.restarted) {
        RunningPart &totals = part.running[size_t(r)];
        totals.count = 0;
        totals.sum = 0;
        totals.restarted = true;
    }
    for (size_t i = pendingBefore; i < part.pending.size(); ++i)
        part.pending[i].inError = inError;
}

} // namespace velkora::formats
