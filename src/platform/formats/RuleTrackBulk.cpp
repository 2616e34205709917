#include "RuleTrack.h"

#include "RuleTrackReads.h"
#include "RuleVerdicts.h"

#include <algorithm>

// A bulk of lines of one line type, checked rule by rule over the whole run: each rule's steps
// are read once for the run instead of once a line, and what the lines that keep them add
// (their place, counts, sequence numbers) is added once. The verdicts are the pass's
// (RuleTrackPass.cpp): the same questions, asked of each line in turn.

namespace velkora::formats {

using namespace passreads;

namespace {

// The first of the lines [0, k) for which `breaks` holds, or k: a rule that a line may break
// ends what the run keeps there, whatever the lines after it.
template <typename Breaks>
inline int firstBreaking(int k, Breaks breaks)
{
    for (int i = 0; i < k; ++i)
        if (breaks(i))
            return i;
    return k;
}

// VALORES by its table.
inline bool amongByTable(const RuleTrack::Pass::Values &values, const char *p, int size)
{
    const unsigned text = shortText(p, size);
    return (values.among[text / 64] >> (text % 64)) & 1;
}

// A SECUENCIA of whole numbers over lines [1, k) of a bulk whose line 0 follows the number
// before: the first line whose number is not the one after its previous line's, told by their
// digits' keys. Where the previous number's last digit is not 9, the next one's key is its key
// plus one.
int followingByKey(const RuleTrack::Pass::Sequence &sequence, const RuleTrack::BulkLine *lines,
                   int k)
{
    const RuleTrack::Pass::Number &number = sequence.number;
    const digits::Window &window = number.window;
    unsigned __int128 key = window.key(lines[0].bytes + number.end);
    for (int i = 1; i < k; ++i) {
        const unsigned __int128 next = window.key(lines[i].bytes + number.end);
        unsigned __int128 after = key + 1;
        if (quint8(key) == '9' && !window.keyAfter(key, &after))
            return i;
        if (next != after)
            return i;
        key = next;
    }
    return k;
}

} // namespace

bool RuleTrack::readsAllInPlace(const Pass &pass)
{
    if (!pass.taken)
        return false;
    const auto byKey = [](const auto &step) { return step.byKey; };
    return std::all_of(pass.values.begin(), pass.values.end(),
                       [](const Pass::Values &values) {
                           return !values.fromResult || values.masked;
                       }) &&
           std::all_of(pass.ranges.begin(), pass.ranges.end(), byKey) &&
           std::all_of(pass.sequences.begin(), pass.sequences.end(), byKey) &&
           std::all_of(pass.sums.begin(), pass.sums.end(),
                       [](const Pass::Sum &sum) { return sum.column >= 0; });
}

// The first line of a bulk, or one that cannot join the bulk in hand.
bool RuleTrack::startBulk(const LineAnalyzer &analyzer, qsizetype size, qint64 index,
                          const RulePart &part)
{
    if (m_bulkCount > 0)
        return false; // after a line type that its TRAS does not allow, or of another type
    if (m_bulkPause > 0) {
        --m_bulkPause;
        return false;
    }
    const int t = analyzer.lineType();
    const Pass &pass = m_passes[size_t(t)];
    // A first line whose check waits for the lines before the part goes one by one.
    if (pass.after && !allowedAfter(*pass.after, m_previous))
        return false;
    for (const Pass::Sequence &sequence : pass.sequences)
        if (part.running[size_t(sequence.rule)].previous == NoValue)
            return false;
    m_bulkType = t;
    m_bulkGrows = !pass.after || allowedAfter(*pass.after, t);
    m_bulk[0] = {analyzer.bytes(), size, analyzer.characters(), index};
    m_bulkCount = 1;
    return true;
}

std::span<const RuleTrack::BulkLine> RuleTrack::settleBulk(ScanResult &out)
{
    const int n = m_bulkCount;
    if (n == 0)
        return {};
    const Pass &pass = m_passes[size_t(m_bulkType)];
    const int k = keptAcross(pass, out.rules, keptOwn(pass, n));
    if (m_active && k > 0)
        takeBulk(pass, out.rules, k);
    if (k < n)
        m_bulkPause = PauseAfterBreak;
    return {m_bulk.data() + k, size_t(n - k)};
}

int RuleTrack::keptOwn(const Pass &pass, int k) const
{
    const BulkLine *lines = m_bulk.data();
    k = firstBreaking(k, [&](int i) {
        return !withinBounds(lines[i].characters, pass.minLength, pass.maxLength);
    });
    for (const Pass::Values &values : pass.values) {
        const int start = values.masked ? values.maskedStart : values.start;
        const int end = values.masked ? values.maskedEnd : values.end;
        const bool byTable = !values.among.empty();
        k = firstBreaking(k, [&](int i) {
            if (!values.masked && end > lines[i].characters)
                return true;
            const char *p = lines[i].bytes + start;
            return byTable ? !amongByTable(values, p, end - start)
                           : !amongValues(values, p, end - start);
        });
    }
    for (const Pass::Range &range : pass.ranges) {
        const Pass::Number &number = range.number;
        k = firstBreaking(k, [&](int i) {
            return !withinBounds(number.window.key(lines[i].bytes + number.end), range.lowKey,
                                 range.highKey);
        });
    }
    return k;
}

int RuleTrack::keptAcross(const Pass &pass, const RulePart &part, int k) const
{
    // The lines after the first follow one of their own type, which a bulk's TRAS allows
    // (joinBulk).
    if (k > 0 && pass.after && !allowedAfter(*pass.after, m_previous))
        return 0;
    const BulkLine *lines = m_bulk.data();
    const RunningPart *running = part.running.data();
    for (const Pass::Sequence &sequence : pass.sequences) {
        if (k == 0 || !followsInSequence(running[sequence.rule].previous, sequence.unit,
                                         numberOf<true>(sequence.number, nullptr, lines[0].bytes)))
            return 0;
        k = followingByKey(sequence, lines, k);
    }
    return k;
}

void RuleTrack::takeBulk(const Pass &pass, RulePart &part, int k)
{
    const BulkLine *lines = m_bulk.data();
    const int t = m_bulkType;
    note(t, lines[0].index, part);
    note(t, lines[k - 1].index, part);
    if (pass.counted)
        part.times[size_t(t)] += k;
    RunningPart *running = part.running.data();
    for (const Pass::Sequence &sequence : pass.sequences)
        running[sequence.rule].previous =
            numberOf<true>(sequence.number, nullptr, lines[k - 1].bytes);
    __int128 *sums = m_sums.data();
    for (const int tally : pass.counts)
        sums[tally] += k;
    if (pass.columns) // every sum of a bulk is kept in columns
        addToColumns(pass, k);
}

// The columns hold DigitColumns::Capacity lines before they are worked into their tallies.
void RuleTrack::addToColumns(const Pass &pass, int k)
{
    const BulkLine *lines = m_bulk.data();
    for (int from = 0; from < k;) {
        const int n = std::min(k - from, DigitColumns::Capacity - m_columnLines);
        for (const Pass::Sum &sum : pass.sums)
            m_columns[size_t(sum.column)].addEach(
                n, [&](int i) { return lines[from + i].bytes + sum.windowEnd; });
        m_columnLines += n;
        from += n;
        if (m_columnLines == DigitColumns::Capacity)
            foldColumns();
    }
}

} // namespace velkora::formats
