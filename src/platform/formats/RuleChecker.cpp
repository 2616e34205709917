#include "RuleChecker.h"

#include "CompiledFormat.h"
#include "LineRules.h"

#include <algorithm>
#include <array>

namespace velkora::formats {

namespace {

// 10^n for n from 0 to 38, from a table.
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

} // namespace

RuleChecker::RuleChecker(const CompiledFormat &format, int listLimit)
    : m_format(format), m_rules(format.rules()), m_listLimit(listLimit)
{
    m_times.assign(format.lineTypes().size(), 0);
    m_totals.resize(m_rules.running().size());
    m_actions.resize(format.lineTypes().size());
    for (size_t r = 0; r < m_totals.size(); ++r) {
        const RuleSet::Running &rule = m_rules.running()[r];
        m_totals[r].targetSlot = m_rules.recordedSlot(rule.lineType, rule.field);
        if (rule.kind == RuleKind::Suma)
            m_totals[r].sumSlot = m_rules.recordedSlot(rule.sumType, rule.sumField);
        m_actions[size_t(rule.lineType)].checked.push_back(int(r));
        for (size_t t = 0; t < m_actions.size(); ++t) {
            if (rule.kind == RuleKind::Cuenta && rule.counts[t])
                m_actions[t].counted.push_back(int(r));
            if (rule.kind == RuleKind::Suma && rule.sumType == int(t))
                m_actions[t].summed.push_back(int(r));
            if (rule.since == int(t))
                m_actions[t].restarted.push_back(int(r));
        }
    }
}

FieldError RuleChecker::error(qint64 line, int lineType, int field, int rule) const
{
    FieldError e;
    e.line = line;
    e.lineType = lineType;
    e.field = field;
    e.kind = ErrorKind::Rule;
    e.rule = rule;
    if (field >= 0) {
        const FieldDef &def = m_format.field(lineType, field);
        e.from = def.position;
        e.to = def.position + def.length - 1;
    } else if (lineType >= 0) {
        e.from = 1;
        e.to = std::max(1, m_format.lineTypes()[size_t(lineType)].end);
    }
    return e;
}

void RuleChecker::add(FieldError e, ScanResult &to, bool &inError, std::vector<FieldError> &found)
{
    // Counted here; listed once merged with the part's own errors, in line order.
    countError(m_format, e, to, inError, false, m_listLimit);
    if (int(found.size()) < m_listLimit)
        found.push_back(e);
}

void RuleChecker::check(ScanResult &part)
{
    const std::vector<RuleSet::TypeRules> &types = m_rules.types();
    const std::vector<RuleSet::Running> &running = m_rules.running();
    std::vector<FieldError> found;
    const qint64 base = m_line;
    const qint64 *nextValues = part.recordValues.data();
    for (size_t i = 0; i < part.records.size(); ++i) {
        LineRecord &record = part.records[i];
        const qint64 local = qint64(i);
        const qint64 number = base + local + 1; // the line's number in reading order
        const int t = record.lineType;
        const qint64 *values = nextValues;
        if (t >= 0)
            nextValues += m_rules.recorded()[size_t(t)].size();
        if (record.empty) {
            m_previous = -1;
            continue;
        }
        if (!m_seenText) {
            m_seenText = true;
            for (size_t x = 0; x < types.size(); ++x) {
                if (types[x].firstRule < 0 || int(x) == t)
                    continue;
                FieldError e = error(local, int(x), -1, types[x].firstRule);
                e.ruleValue = t;
                e.expected = int(x);
                add(e, part, record.inError, found);
            }
        }
        if (t >= 0) {
            const RuleSet::TypeRules &own = types[size_t(t)];
            const qint64 times = ++m_times[size_t(t)];
            if (own.timesRule >= 0 && own.maxTimes >= 0 && times > own.maxTimes) {
                FieldError e = error(local, t, -1, own.timesRule);
                e.ruleValue = times;
                add(e, part, record.inError, found);
            }
            if (own.afterRule >= 0 && !(m_previous >= 0 && own.after[size_t(m_previous)])) {
                FieldError e = error(local, t, -1, own.afterRule);
                e.ruleValue = m_previous;
                add(e, part, record.inError, found);
            }
        }
        if (t < 0) {
            m_previous = t;
            m_lastText = base + local;
            m_lastType = t;
            continue;
        }
        const Actions &actions = m_actions[size_t(t)];
        // The numbers checked on this line, with the totals of the lines before it.
        for (const int r : actions.checked) {
            const RuleSet::Running &rule = running[size_t(r)];
            Total &total = m_totals[size_t(r)];
            const qint64 stated = values[total.targetSlot];
            if (stated == NoValue)
                continue; // a number that does not read is already an error
            const __int128 unit = power10(rule.decimals);
            bool broken = false;
            __int128 expected = 0;
            switch (rule.kind) {
            case RuleKind::Cuenta:
                expected = total.count;
                broken = stated != expected * unit;
                break;
            case RuleKind::Suma: {
                expected = total.sum;
                const int both = std::max(rule.decimals, rule.sumDecimals);
                __int128 sum = total.sum * power10(both - rule.sumDecimals);
                const __int128 own = __int128(stated) * power10(both - rule.decimals);
                // A total too long for its field keeps its last digits, as control totals do.
                const int width = m_format.field(t, rule.field).length;
                if (rule.decimals >= rule.sumDecimals && stated >= 0 && width < 38 &&
                    sum >= power10(width))
                    sum %= power10(width);
                broken = own != sum;
                break;
            }
            case RuleKind::Secuencia:
                if (total.previous != NoValue) {
                    expected = __int128(total.previous) + unit;
                    broken = stated != expected;
                }
                total.previous = stated;
                break;
            case RuleKind::SecuenciaLinea:
                expected = __int128(number) * unit;
                broken = stated != expected;
                break;
            default:
                break;
            }
            if (broken) {
                FieldError e = error(local, t, rule.field, rule.rule);
                e.ruleValue = stated;
                e.expected = expected;
                add(e, part, record.inError, found);
            }
        }
        // This line in the totals of the lines after it.
        for (const int r : actions.counted)
            ++m_totals[size_t(r)].count;
        for (const int r : actions.summed) {
            Total &total = m_totals[size_t(r)];
            const qint64 value = values[total.sumSlot];
            if (value != NoValue)
                total.sum += value;
        }
        for (const int r : actions.restarted) {
            m_totals[size_t(r)].count = 0;
            m_totals[size_t(r)].sum = 0;
        }
        m_previous = t;
        m_lastText = base + local;
        m_lastType = t;
    }
    m_line += qint64(part.records.size());
    part.records.clear();
    part.records.shrink_to_fit();
    part.recordValues.clear();
    part.recordValues.shrink_to_fit();
    if (found.empty())
        return;
    // Into the part's list of errors, in line order (a line's own errors first).
    std::vector<FieldError> merged;
    merged.reserve(std::min<size_t>(size_t(m_listLimit), part.errors.size() + found.size()));
    std::merge(part.errors.begin(), part.errors.end(), found.begin(), found.end(),
               std::back_inserter(merged),
               [](const FieldError &a, const FieldError &b) { return a.line < b.line; });
    if (int(merged.size()) > m_listLimit)
        merged.resize(size_t(m_listLimit));
    part.errors = std::move(merged);
}

void RuleChecker::finish(ScanResult &whole)
{
    const std::vector<RuleSet::TypeRules> &types = m_rules.types();
    std::vector<FieldError> found;
    bool inError = true; // the last line's errors are counted already, or it has none
    for (size_t x = 0; x < types.size(); ++x) {
        const RuleSet::TypeRules &own = types[x];
        if (own.lastRule >= 0 && m_lastText >= 0 && m_lastType != int(x)) {
            FieldError e = error(m_lastText, int(x), -1, own.lastRule);
            e.ruleValue = m_lastType;
            e.expected = int(x);
            bool counted = false;
            add(e, whole, counted, found);
        }
        if (own.timesRule >= 0 && m_times[x] < own.minTimes) {
            FieldError e = error(std::max<qint64>(0, m_lastText), int(x), -1, own.timesRule);
            e.ruleValue = m_times[x];
            e.expected = int(x);
            bool counted = false;
            add(e, whole, counted, found);
        }
    }
    (void)inError;
    if (found.empty())
        return;
    std::vector<FieldError> merged;
    std::merge(whole.errors.begin(), whole.errors.end(), found.begin(), found.end(),
               std::back_inserter(merged),
               [](const FieldError &a, const FieldError &b) { return a.line < b.line; });
    if (int(merged.size()) > m_listLimit)
        merged.resize(size_t(m_listLimit));
    whole.errors = std::move(merged);
}

} // namespace velkora::formats
