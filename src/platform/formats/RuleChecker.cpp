#include "RuleChecker.h"

#include "CompiledFormat.h"
#include "LineRules.h"
#include "RuleTrack.h"

#include <algorithm>

namespace velkora::formats {

RuleChecker::RuleChecker(const CompiledFormat &format, int listLimit)
    : m_format(format), m_rules(format.rules()), m_listLimit(listLimit)
{
    m_times.assign(format.lineTypes().size(), 0);
    m_totals.resize(m_rules.running().size());
}

namespace {

// The values of a rule's terms over `before` and then `after`: counts and sums added (or
// those of `after` alone when it started again), fields from the last line that gave them.
TermValues join(const RuleSet::Running &rule, const TermValues &before, const TermValues &after,
                bool restarted)
{
    TermValues out = before;
    for (size_t i = 0; i < rule.terms.size(); ++i) {
        const auto bit = quint8(1u << i);
        if (rule.terms[i].kind != ParsedTerm::Kind::Field) {
            out.values[i] = restarted ? after.values[i] : before.values[i] + after.values[i];
        } else if (after.seen & bit) {
            out.values[i] = after.values[i];
            out.seen |= bit;
            out.broken = quint8((out.broken & ~bit) | (after.broken & bit));
        }
    }
    return out;
}

} // namespace

TermValues RuleChecker::valuesAt(const RuleSet::Running &rule, const PendingCheck &check) const
{
    return join(rule, m_totals[size_t(check.index)].terms, check.terms, check.restarted);
}

FieldError RuleChecker::error(qint64 line, int lineType, int field, int rule) const
{
    // Over the line type's columns when the rule is of the line as a whole.
    return ruleError(m_format, line, lineType, field, rule,
                     m_format.lineTypes()[size_t(lineType)].end);
}

void RuleChecker::countOnLine(const FieldError &error, int lineType, ScanResult &out,
                              bool &inError) const
{
    // The error names the rule's line type; the line that breaks it is of another type (or
    // of none), and is counted with the lines of its own.
    FieldError counted = error;
    counted.lineType = lineType;
    counted.field = -1;
    countError(m_format, counted, out, inError, false, m_listLimit);
}

void RuleChecker::mergeErrors(ScanResult &to, std::vector<FieldError> &found) const
{
    if (found.empty())
        return;
    std::stable_sort(found.begin(), found.end(),
                     [](const FieldError &a, const FieldError &b) { return a.line < b.line; });
    // Into the list of errors in line order (a line's own errors first).
    std::vector<FieldError> merged;
    merged.reserve(std::min<size_t>(size_t(m_listLimit), to.errors.size() + found.size()));
    std::merge(to.errors.begin(), to.errors.end(), found.begin(), found.end(),
               std::back_inserter(merged),
               [](const FieldError &a, const FieldError &b) { return a.line < b.line; });
    if (int(merged.size()) > m_listLimit)
        merged.resize(size_t(m_listLimit));
    to.errors = std::move(merged);
}

// PRIMERA, on the file's first line with text (in the first part that has one).
void RuleChecker::checkFirstLine(ScanResult &part, std::vector<FieldError> &found)
{
    const RulePart &rules = part.rules;
    if (m_seenText || rules.firstText < 0)
        return;
    m_seenText = true;
    const std::vector<RuleSet::TypeRules> &types = m_rules.types();
    for (size_t x = 0; x < types.size(); ++x) {
        if (types[x].firstRule < 0 || int(x) == rules.firstType)
            continue;
        FieldError e = error(rules.firstText, int(x), -1, types[x].firstRule);
        e.ruleValue = rules.firstType;
        e.expected = int(x);
        bool inError = false;
        countOnLine(e, rules.firstType, part, inError);
        if (int(found.size()) < m_listLimit)
            found.push_back(e);
    }
}

// A check that waited for the lines before its part, decided now: the rule it breaks, if any.
std::optional<FieldError> RuleChecker::decide(const PendingCheck &check) const
{
    switch (check.kind) {
    case PendingCheck::Veces: {
        const RuleSet::TypeRules &own = m_rules.types()[size_t(check.index)];
        const qint64 times = m_times[size_t(check.index)] + check.stated;
        if (times <= own.maxTimes)
            return std::nullopt;
        FieldError e = error(check.line, check.index, -1, own.timesRule);
        e.ruleValue = times;
        return e;
    }
    case PendingCheck::Tras: {
        const RuleSet::TypeRules &own = m_rules.types()[size_t(check.index)];
        const bool first = m_previous == -2 && own.afterStart;
        if (first || (m_previous >= 0 && own.after[size_t(m_previous)]))
            return std::nullopt;
        FieldError e = error(check.line, check.index, -1, own.afterRule);
        e.ruleValue = m_previous;
        return e;
    }
    case PendingCheck::Running:
        break;
    }
    const RuleSet::Running &rule = m_rules.running()[size_t(check.index)];
    const Total &total = m_totals[size_t(check.index)];
    __int128 expected = 0;
    if (!breaksRunning(m_format, rule, check.stated, valuesAt(rule, check), total.previous,
                       m_line + check.line + 1, &expected))
        return std::nullopt;
    FieldError e = error(check.line, rule.lineType, rule.field, rule.rule);
    e.ruleValue = check.stated;
    e.expected = expected;
    return e;
}

// The part in the totals, counts and last lines of the parts after it.
void RuleChecker::absorb(const ScanResult &part)
{
    const RulePart &rules = part.rules;
    const std::vector<RuleSet::Running> &running = m_rules.running();
    for (size_t r = 0; r < m_totals.size() && r < rules.running.size(); ++r) {
        const RunningPart &own = rules.running[r];
        Total &total = m_totals[r];
        total.terms = join(running[r], total.terms, own.terms, own.restarted);
        if (own.previous != NoValue)
            total.previous = own.previous;
    }
    for (size_t t = 0; t < m_times.size() && t < rules.times.size(); ++t)
        m_times[t] += rules.times[t];
    if (rules.lastLine != -2)
        m_previous = rules.lastLine;
    if (rules.lastText >= 0) {
        m_lastText = m_line + rules.lastText;
        m_lastType = rules.lastType;
    }
    m_line += part.lines;
}

void RuleChecker::check(ScanResult &part)
{
    std::vector<FieldError> found;
    checkFirstLine(part, found);
    qint64 lastErrorLine = -1;
    for (const PendingCheck &check : part.rules.pending) {
        const std::optional<FieldError> broken = decide(check);
        if (!broken)
            continue;
        const bool inError = check.inError || check.line == lastErrorLine;
        bool counted = inError;
        countError(m_format, *broken, part, counted, false, m_listLimit);
        if (int(found.size()) < m_listLimit)
            found.push_back(*broken);
        lastErrorLine = check.line;
    }
    absorb(part);
    part.rules = RulePart{};
    mergeErrors(part, found);
}

void RuleChecker::finish(ScanResult &whole)
{
    const std::vector<RuleSet::TypeRules> &types = m_rules.types();
    std::vector<FieldError> found;
    for (size_t x = 0; x < types.size(); ++x) {
        const RuleSet::TypeRules &own = types[x];
        bool counted = false;
        if (own.lastRule >= 0 && m_lastText >= 0 && m_lastType != int(x)) {
            FieldError e = error(m_lastText, int(x), -1, own.lastRule);
            e.ruleValue = m_lastType;
            e.expected = int(x);
            countOnLine(e, m_lastType, whole, counted);
            found.push_back(e);
        }
        if (own.timesRule >= 0 && m_times[x] < own.minTimes) {
            FieldError e = error(std::max<qint64>(0, m_lastText), int(x), -1, own.timesRule);
            e.ruleValue = m_times[x];
            e.expected = int(x);
            countOnLine(e, m_lastText >= 0 ? m_lastType : -1, whole, counted);
            found.push_back(e);
        }
    }
    mergeErrors(whole, found);
}

} // namespace velkora::formats
