#include "SideBySide.h"

#include "formats/RuleTrack.h"

#include <algorithm>

namespace velkora::proposal::detail {

namespace {

// The most digits a number read by the test holds.
constexpr int MaxDigits = 18;
// Significant digits that make a part plain on their own (over the lines where its value
// changed, or on one line), and with zeros before them.
constexpr int PlainDigits = 6;
constexpr int PaddedDigits = 3;

int significantDigits(qint64 value)
{
    int n = 0;
    for (; value > 0; value /= 10)
        ++n;
    return n;
}

} // namespace

struct SideBySide::Pick {
    int left = 0; // the widest part
    int core = 0; // where its significant digits start
    int right = 0;
    const Candidate *candidate = nullptr;
};

SideBySide::SideBySide(int width, int totals)
    : m_width(width), m_totals(totals), m_asked(size_t(totals)), m_askedOn(size_t(totals), 0)
{}

bool keepsLastDigits(int width, const SideBySide::Total &total)
{
    return width >= MinTruncatedWidth || !total.sum ||
           (total.value >= 0 && total.value < formats::power10(width + total.decimals));
}

int SideBySide::matchFrom(const qint64 *values, int from, int right, const Total &total)
{
    for (int l = from; l < right; ++l) {
        const bool equal =
            total.sum ? keepsLastDigits(right - l, total) &&
                            formats::totalMatches(values[l], 0, right - l, total.value,
                                                  total.decimals)
                      : __int128(values[l]) == total.value;
        if (equal)
            return l;
    }
    return right;
}

void SideBySide::follow(Candidate &c, const qint64 *values, const Total &total)
{
    const qint64 value = values[c.left];
    const int significant = significantDigits(value);
    // A part narrower than on the lines before: what they showed counts up to its width.
    const int width = c.right - c.left;
    c.significant = std::min(std::max(c.significant, significant), width);
    c.evidence = std::min(c.evidence, c.changes * width);
    if (value != c.last) {
        c.evidence += significant;
        ++c.changes;
    }
    c.last = value;
    c.zeroAfter = c.zeroAfter || c.right == m_width || m_line[c.right] == '0';
    ++c.confirmed;
    c.telling = c.telling || total.telling;
}

void SideBySide::line(const char *digits, const TotalOf &totalOf)
{
    std::vector<qint64> &values = m_values;
    values.assign(size_t(m_width), 0);
    m_line = digits;
    ++m_lines;
    // Each part ending at `right`: its value, for every left end within the test's digits.
    auto partsEndingAt = [&](int right) {
        qint64 value = 0;
        qint64 unit = 1;
        for (int l = right - 1; l >= std::max(0, right - MaxDigits); --l) {
            value += qint64(digits[l] - '0') * unit;
            unit *= 10;
            values[size_t(l)] = value;
        }
        return std::max(0, right - MaxDigits);
    };
    if (!m_started) {
        m_started = true;
        std::vector<Total> totals;
        for (int t = 0; t < m_totals; ++t)
            totals.push_back(totalOf(t));
        for (int right = 1; right <= m_width; ++right) {
            const int from = partsEndingAt(right);
            for (int t = 0; t < m_totals; ++t) {
                const int left = matchFrom(values.data(), from, right, totals[size_t(t)]);
                if (left == right)
                    continue;
                Candidate c;
                c.right = right;
                c.total = t;
                c.left = left;
                follow(c, values.data(), totals[size_t(t)]);
                m_candidates.push_back(c);
            }
        }
        return;
    }
    // The totals asked for on this line, each once.
    auto total = [&](int t) -> const Total & {
        if (m_askedOn[size_t(t)] != m_lines) {
            m_askedOn[size_t(t)] = m_lines;
            m_asked[size_t(t)] = totalOf(t);
        }
        return m_asked[size_t(t)];
    };
    int computed = 0; // the right end whose parts `values` holds
    for (Candidate &c : m_candidates) {
        if (c.right != computed) {
            partsEndingAt(c.right);
            computed = c.right;
        }
        const Total &t = total(c.total);
        c.left = matchFrom(values.data(), c.left, c.right, t);
        if (c.left < c.right)
            follow(c, values.data(), t);
    }
    std::erase_if(m_candidates, [](const Candidate &c) { return c.left == c.right; });
}

bool SideBySide::acceptable(const Candidate &c, bool anchored) const
{
    if (!c.telling)
        return false;
    const int padding = c.right - c.left - c.significant;
    if (anchored)
        return c.evidence >= 1 && padding >= 2;
    return c.evidence >= PlainDigits || (c.evidence >= PaddedDigits && padding >= 1);
}

// Whether the part ends where another's zeros stop (or the run ends), or runs from where
// another ends (or the run starts) through zeros and is followed by a zero on some line: a
// part followed by digits that are never zero cuts a number short (the first digits of a
// sequence number "0031").
bool SideBySide::anchoredAt(const Candidate &c, const std::vector<Pick> &picked) const
{
    if (c.right == m_width ||
        std::any_of(picked.begin(), picked.end(), [&](const Pick &p) { return p.left == c.right; }))
        return true;
    int boundary = 0;
    for (const Pick &p : picked)
        if (p.right <= c.right - c.significant)
            boundary = std::max(boundary, p.right);
    return c.left <= boundary && c.zeroAfter;
}

std::vector<SideBySide::Part> SideBySide::parts() const
{
    std::vector<Pick> picked;
    // Where a part's significant digits start.
    auto coreOf = [](const Candidate &c) { return std::max(c.left, c.right - c.significant); };
    auto overlaps = [&](const Candidate &c) {
        const int core = coreOf(c);
        return std::any_of(picked.begin(), picked.end(),
                           [&](const Pick &p) { return core < p.right && p.core < c.right; });
    };
    auto pick = [&](const Candidate &c) { picked.push_back({c.left, coreOf(c), c.right, &c}); };
    // The first total in order of preference that each right end shows plainly.
    auto firstAt = [&](bool anchored) {
        std::vector<const Candidate *> first;
        for (const Candidate &c : m_candidates)
            if ((first.empty() || first.back()->right != c.right) && acceptable(c, anchored))
                first.push_back(&c);
        return first;
    };
    std::vector<const Candidate *> plain = firstAt(false);
    std::stable_sort(plain.begin(), plain.end(), [](const Candidate *a, const Candidate *b) {
        return a->evidence > b->evidence;
    });
    for (const Candidate *c : plain)
        if (!overlaps(*c))
            pick(*c);
    // Then those whose zeros reach a boundary, one at a time: each new part is a boundary.
    const std::vector<const Candidate *> padded = firstAt(true);
    for (bool more = true; more;) {
        more = false;
        for (const Candidate *c : padded) {
            if (!overlaps(*c) && anchoredAt(*c, picked)) {
                pick(*c);
                more = true;
                break;
            }
        }
    }
    std::sort(picked.begin(), picked.end(),
              [](const Pick &a, const Pick &b) { return a.right < b.right; });
    std::vector<Part> parts;
    int end = 0;
    for (const Pick &p : picked) {
        parts.push_back(
            {std::max(p.left, end), p.right, p.candidate->total, p.candidate->confirmed});
        end = p.right;
    }
    return parts;
}

} // namespace velkora::proposal::detail
