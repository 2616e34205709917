#include "RuleTrack.h"

#include "CompiledFormat.h"
#include "LineAnalyzer.h"
#include "LineRules.h"
#include "RuleVerdicts.h"

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

bool conditionHolds(const LineAnalyzer &analyzer, int lineType, const RuleSet::Condition &condition)
{
    if (condition.lineType != lineType)
        return true;
    auto [p, n] = analyzer.fieldBytes(condition.field);
    while (n > 0 && p[n - 1] == ' ')
        --n; // blanks at the end of a field do not count
    for (const QByteArray &value : condition.values)
        if (value.size() == n && std::equal(p, p + n, value.constData()))
            return true;
    return false;
}

bool fieldsKnown(const RuleSet::Running &rule, const TermValues &values)
{
    for (size_t i = 0; i < rule.terms.size(); ++i)
        if (rule.terms[i].kind == ParsedTerm::Kind::Field && !(values.seen & (1u << i)))
            return false;
    return true;
}

namespace {

// What CUENTA, SUMA and IGUAL want: their terms added up at the decimals they are compared
// at, kept to their last digits (ULTIMOS n; a sum too long for its field keeps the field's).
__int128 expectedTotal(const CompiledFormat &format, const RuleSet::Running &rule, qint64 stated,
                       const TermValues &values)
{
    __int128 total = 0;
    for (size_t i = 0; i < rule.terms.size(); ++i) {
        const RuleSet::Term &term = rule.terms[i];
        total += term.sign * values.values[i] * power10(rule.compared - term.decimals);
    }
    const int width = format.field(rule.lineType, rule.field).length;
    const int extra = rule.compared - rule.decimals; // decimals past the field's own
    if (rule.lastDigits > 0)
        total %= power10(rule.lastDigits + extra);
    else if (extra == 0 && stated >= 0 && width < 38 && total >= power10(width))
        total %= power10(width);
    return total;
}

} // namespace

bool breaksRunning(const CompiledFormat &format, const RuleSet::Running &rule, qint64 stated,
                   const TermValues &values, qint64 previous, qint64 number, __int128 *expected)
{
    const __int128 unit = power10(rule.decimals);
    switch (rule.kind) {
    case RuleKind::Cuenta:
    case RuleKind::Suma:
    case RuleKind::Igual:
        // A field not yet given, or one that does not read, leaves nothing to compare with.
        if (!fieldsKnown(rule, values) || values.broken)
            return false;
        *expected = expectedTotal(format, rule, stated, values);
        return __int128(stated) * power10(rule.compared - rule.decimals) != *expected;
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

namespace {

// Whether the SI conditions of a term hold on a line of type `lineType` (those on other line
// types always do).
bool chosenBy(const LineAnalyzer &analyzer, int lineType, const RuleSet::Term &term)
{
    for (const RuleSet::Condition &condition : term.when)
        if (!conditionHolds(analyzer, lineType, condition))
            return false;
    return true;
}

RuleTrack::Feed feedOf(int rule, int index, const RuleSet::Term &term, size_t lineType)
{
    RuleTrack::Feed feed;
    feed.rule = rule;
    feed.term = index;
    feed.source = &term;
    feed.field = term.kind == ParsedTerm::Kind::Count ? -1 : term.fieldOf[lineType];
    feed.scale = power10(term.scaleOf[lineType]);
    for (const RuleSet::Condition &condition : term.when)
        feed.chosen = feed.chosen || condition.lineType == int(lineType);
    feed.negative = term.negative.lineType == int(lineType);
    return feed;
}

// Whether every line that feeds a term adds to it alike, so that the term can be worked out from
// tallies: a count or a sum without SI or NEGATIVO SI on any line type that it adds up.
bool tallied(const RuleSet::Term &term, size_t lineTypes)
{
    if (term.kind == ParsedTerm::Kind::Field)
        return false;
    for (size_t t = 0; t < lineTypes; ++t) {
        if (term.fieldOf[t] < 0)
            continue;
        const RuleTrack::Feed feed = feedOf(0, 0, term, t);
        if (feed.chosen || feed.negative)
            return false;
    }
    return true;
}

// The tally of a line type's count (field -1) or field, added before or after the checks of
// its lines: found, or made.
int tallyOf(RuleTrack::Plan &plan, int lineType, int field, bool first)
{
    for (size_t k = 0; k < plan.tallies.size(); ++k) {
        const RuleTrack::Tally &tally = plan.tallies[k];
        if (tally.lineType == lineType && tally.field == field && tally.first == first)
            return int(k);
    }
    plan.tallies.push_back({lineType, field, first});
    const int k = int(plan.tallies.size()) - 1;
    RuleTrack::Actions &actions = plan.actions[size_t(lineType)];
    (first ? actions.talliedFirst : actions.tallied).push_back({k, field});
    return k;
}

} // namespace

RuleTrack::Plan RuleTrack::planOf(const RuleSet &rules, size_t lineTypes)
{
    Plan plan;
    plan.actions.resize(lineTypes);
    plan.tallyTerms.resize(rules.running().size());
    for (const RuleSet::Running &rule : rules.running()) {
        plan.units.push_back(power10(rule.decimals));
        plan.plainSequence.push_back(rule.kind == RuleKind::Secuencia &&
                                     rule.ownNegative.lineType < 0);
    }
    for (size_t t = 0; t < lineTypes && t < rules.types().size(); ++t) {
        const RuleSet::TypeRules &own = rules.types()[t];
        plan.actions[t].counted = own.timesRule >= 0 || own.afterRule >= 0;
    }
    for (size_t r = 0; r < rules.running().size(); ++r) {
        const RuleSet::Running &rule = rules.running()[r];
        plan.actions[size_t(rule.lineType)].checked.push_back(int(r));
        if (rule.since >= 0)
            (rule.inclusive ? plan.actions[size_t(rule.since)].restartedFirst
                            : plan.actions[size_t(rule.since)].restarted)
                .push_back(int(r));
        for (size_t i = 0; i < rule.terms.size(); ++i) {
            const RuleSet::Term &term = rule.terms[i];
            const bool first = rule.inclusive || term.kind == ParsedTerm::Kind::Field;
            const bool alike = tallied(term, lineTypes);
            for (size_t t = 0; t < lineTypes; ++t) {
                if (term.fieldOf[t] < 0)
                    continue;
                Actions &actions = plan.actions[t];
                if (!alike) {
                    (first ? actions.fedFirst : actions.fed)
                        .push_back(feedOf(int(r), int(i), term, t));
                    continue;
                }
                const int field = term.kind == ParsedTerm::Kind::Count ? -1 : term.fieldOf[t];
                plan.tallyTerms[r].push_back(
                    {int(i), tallyOf(plan, int(t), field, first), power10(term.scaleOf[t])});
            }
        }
    }
    for (Actions &actions : plan.actions)
        actions.any = actions.counted || !actions.restartedFirst.empty() ||
                      !actions.talliedFirst.empty() || !actions.fedFirst.empty() ||
                      !actions.checked.empty() || !actions.tallied.empty() ||
                      !actions.fed.empty() || !actions.restarted.empty();
    return plan;
}

void RuleTrack::restart(const RuleSet::Running &rule, RunningPart &totals)
{
    totals.restarted = true;
    for (size_t i = 0; i < rule.terms.size(); ++i)
        if (rule.terms[i].kind != ParsedTerm::Kind::Field)
            totals.terms.values[i] = 0;
}

void RuleTrack::restartAll(const std::vector<int> &rules, RulePart &part)
{
    for (const int r : rules) {
        restart(m_rules.running()[size_t(r)], part.running[size_t(r)]);
        // Its tallied terms count from here.
        const std::vector<TallyTerm> &terms = m_plan.tallyTerms[size_t(r)];
        std::vector<__int128> &bases = m_bases[size_t(r)];
        for (size_t k = 0; k < terms.size(); ++k)
            bases[k] = m_sums[size_t(terms[k].tally)];
    }
}

void RuleTrack::settle(int r, TermValues &values) const
{
    const std::vector<TallyTerm> &terms = m_plan.tallyTerms[size_t(r)];
    const std::vector<__int128> &bases = m_bases[size_t(r)];
    for (const TallyTerm &one : terms)
        values.values[size_t(one.term)] = 0;
    for (size_t k = 0; k < terms.size(); ++k)
        values.values[size_t(terms[k].term)] +=
            terms[k].scale * (m_sums[size_t(terms[k].tally)] - bases[k]);
}

RuleTrack::RuleTrack(const CompiledFormat &format)
    : m_format(format), m_rules(format.rules()), m_active(format.rules().acrossLines()),
      m_plan(planOf(format.rules(), format.lineTypes().size())),
      m_passes(passesOf(format, m_plan))
{
    m_sums.resize(m_plan.tallies.size());
    for (const Pass &pass : m_passes)
        m_stated.resize(std::max(m_stated.size(), pass.sequences.size()));
    m_bulk.resize(BulkLines);
    m_bases.resize(m_plan.tallyTerms.size());
    for (size_t r = 0; r < m_bases.size(); ++r)
        m_bases[r].resize(m_plan.tallyTerms[r].size());
}

void RuleTrack::begin(ScanResult &out)
{
    m_previous = -3;
    m_bulkCount = 0;
    m_bulkPause = 0;
    out.rules = RulePart{};
    if (!m_active)
        return;
    out.rules.running.resize(m_rules.running().size());
    out.rules.times.assign(m_format.lineTypes().size(), 0);
    std::fill(m_sums.begin(), m_sums.end(), 0);
    emptyColumns();
    for (std::vector<__int128> &bases : m_bases)
        std::fill(bases.begin(), bases.end(), 0);
}

void RuleTrack::end(ScanResult &out)
{
    if (!m_active)
        return;
    foldColumns();
    for (size_t r = 0; r < m_plan.tallyTerms.size(); ++r)
        if (!m_plan.tallyTerms[r].empty())
            settle(int(r), out.rules.running[r].terms);
}

// VECES: the line's count in the part, checked against the most when the merge knows the lines
// before; TRAS: the line after one of its allowed types (the part's first waits for the merge).
void RuleTrack::countAndFollow(const LineAt &at, int previous)
{
    RulePart &part = at.out.rules;
    const int t = at.lineType;
    const RuleSet::TypeRules &own = m_rules.types()[size_t(t)];
    const qint64 times = ++part.times[size_t(t)];
    if (own.timesRule >= 0 && own.maxTimes >= 0) {
        PendingCheck check;
        check.kind = PendingCheck::Veces;
        check.index = t;
        check.line = at.index;
        check.stated = times;
        part.pending.push_back(check);
    }
    if (own.afterRule < 0)
        return;
    if (previous == -3) {
        PendingCheck check;
        check.kind = PendingCheck::Tras;
        check.index = t;
        check.line = at.index;
        part.pending.push_back(check);
    } else if (!allowedAfter(own.after, previous)) {
        brokenOrder(at, previous);
    }
}

// TRAS broken: the line after a line type that it does not allow before it.
void RuleTrack::brokenOrder(const LineAt &at, int previous)
{
    const RuleSet::TypeRules &own = m_rules.types()[size_t(at.lineType)];
    FieldError e =
        ruleError(m_format, at.index, at.lineType, -1, own.afterRule, at.analyzer.characters());
    e.ruleValue = previous;
    countError(m_format, e, at.out, at.inError, at.keep, at.listLimit);
}

void RuleTrack::feed(const LineAt &at, const std::vector<Feed> &feeds)
{
    std::vector<RunningPart> &running = at.out.rules.running;
    for (const Feed &one : feeds) {
        TermValues &values = running[size_t(one.rule)].terms;
        const RuleSet::Term &term = *one.source;
        if (one.chosen && !chosenBy(at.analyzer, at.lineType, term))
            continue;
        const auto bit = quint8(1u << one.term);
        const bool isField = term.kind == ParsedTerm::Kind::Field;
        __int128 value = 1;
        if (one.field >= 0) {
            const qint64 read = runningNumber(at.analyzer, one.field);
            if (read == NoValue) {
                // A value that does not read is an error of its own line already.
                if (isField) {
                    values.seen |= bit;
                    values.broken |= bit;
                }
                continue;
            }
            value = one.scale == 1 ? __int128(read) : __int128(read) * one.scale;
        }
        if (one.negative && conditionHolds(at.analyzer, at.lineType, term.negative))
            value = -value;
        if (isField) {
            values.values[size_t(one.term)] = value;
            values.seen |= bit;
            values.broken &= quint8(~bit);
        } else {
            values.values[size_t(one.term)] += value;
        }
    }
}

void RuleTrack::tally(const LineAnalyzer &analyzer, const std::vector<Actions::Added> &tallies)
{
    __int128 *sums = m_sums.data();
    for (const Actions::Added &added : tallies)
        addToTally(sums[added.tally], added.field < 0 ? 0 : runningNumber(analyzer, added.field),
                   added.field < 0);
}

bool RuleTrack::nextInSequence(const LineAnalyzer &analyzer, int r, RulePart &part)
{
    if (!m_plan.plainSequence[size_t(r)])
        return false;
    RunningPart &totals = part.running[size_t(r)];
    const qint64 stated = runningNumber(analyzer, m_rules.running()[size_t(r)].field);
    if (!followsInSequence(totals.previous, m_plan.units[size_t(r)], stated))
        return false;
    totals.previous = stated;
    return true;
}

// A running rule on a line of its type: decided at once when the part's own lines tell what it
// wants, else left waiting for the merge with the part's values so far.
void RuleTrack::checkRunning(const LineAt &at, int r)
{
    const RuleSet::Running &rule = m_rules.running()[size_t(r)];
    RulePart &part = at.out.rules;
    RunningPart &totals = part.running[size_t(r)];
    qint64 stated = runningNumber(at.analyzer, rule.field);
    if (stated == NoValue)
        return; // a number that does not read is already an error
    if (!m_plan.tallyTerms[size_t(r)].empty())
        settle(r, totals.terms);
    if (rule.ownNegative.lineType >= 0 &&
        conditionHolds(at.analyzer, at.lineType, rule.ownNegative))
        stated = -stated;
    // Decided by the part's own lines: a total after a DESDE line of the part (and fields of
    // lines of the part), a number after another of the part.
    const bool own = rule.kind == RuleKind::Secuencia
                         ? totals.previous != NoValue
                         : rule.kind != RuleKind::SecuenciaLinea &&
                               (totals.restarted || !rule.accumulates()) &&
                               fieldsKnown(rule, totals.terms);
    if (own) {
        __int128 expected = 0;
        if (breaksRunning(m_format, rule, stated, totals.terms, totals.previous, 0, &expected)) {
            FieldError e = ruleError(m_format, at.index, at.lineType, rule.field, rule.rule,
                                     at.analyzer.characters());
            e.ruleValue = stated;
            e.expected = expected;
            countError(m_format, e, at.out, at.inError, at.keep, at.listLimit);
        }
    } else {
        PendingCheck check;
        check.index = r;
        check.line = at.index;
        check.stated = stated;
        check.restarted = totals.restarted;
        check.terms = totals.terms;
        part.pending.push_back(check);
    }
    if (rule.kind == RuleKind::Secuencia)
        totals.previous = stated;
}

void RuleTrack::line(const LineAnalyzer *analyzer, qint64 index, ScanResult &out, bool &inError,
                     bool keep, int listLimit)
{
    RulePart &part = out.rules;
    if (m_columnLines != 0)
        foldColumns(); // the tallies are read as they stand
    if (!analyzer) {
        part.lastLine = m_previous = -1;
        return;
    }
    const int t = analyzer->match() == LineAnalyzer::Match::One ? analyzer->lineType() : -1;
    const int previous = m_previous;
    note(t, index, part);
    if (t < 0 || !m_plan.actions[size_t(t)].any)
        return;
    const size_t pendingBefore = part.pending.size();
    const LineAt at{*analyzer, t, index, out, inError, keep, listLimit};
    const Actions &actions = m_plan.actions[size_t(t)];
    if (actions.counted)
        countAndFollow(at, previous);
    // Each step only when the line type has it: most lines have one or two.
    if (!actions.restartedFirst.empty())
        restartAll(actions.restartedFirst, part);
    if (!actions.talliedFirst.empty())
        tally(*analyzer, actions.talliedFirst);
    if (!actions.fedFirst.empty())
        feed(at, actions.fedFirst);
    for (const int r : actions.checked)
        if (!nextInSequence(*analyzer, r, part))
            checkRunning(at, r);
    if (!actions.tallied.empty())
        tally(*analyzer, actions.tallied);
    if (!actions.fed.empty())
        feed(at, actions.fed);
    if (!actions.restarted.empty())
        restartAll(actions.restarted, part);
    for (size_t i = pendingBefore; i < part.pending.size(); ++i)
        part.pending[i].inError = inError;
}

} // namespace velkora::formats
