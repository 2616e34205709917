#include "RuleFinder.h"

#include "DigitRun.h"
#include "LineReader.h"
#include "formats/CompiledFormat.h"
#include "formats/LineAnalyzer.h"
#include "formats/RuleTrack.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace velkora::proposal::detail {

namespace {

// At most this many line types whose lines start a count again (DESDE), line types whose
// numbers may be counts or sums, numbers of each such line type, and fields summed.
constexpr int MaxSpanTypes = 8;
constexpr int MaxHolderTypes = 8;
constexpr int MaxHolderFields = 16;
constexpr int MaxSummed = 256;
constexpr int MaxDetailTypes = 40;

double evidence(qint64 k)
{
    return std::round(double(k) / (double(k) + 1.0) * 1000.0) / 1000.0;
}

bool isNumber(const formats::CompiledField &field)
{
    return field.type == formats::FieldType::Numero && field.usable && field.readsText;
}

// A NUMERO field of a line type, its decimals and width.
struct NumberField {
    int type = 0;
    int field = 0;
    int decimals = 0;
    int width = 0;
};

// What a trailer's number may equal: the lines of one type, of the detail types (neither
// trailers nor starts of a count), of any type, or the sum of a field.
struct Measure {
    enum Kind { Count, CountDetail, CountAny, Sum };
    Kind kind = Count;
    int index = 0; // Count: the line type; Sum: the field summed (in `summed`)
};

struct Candidate {
    int holder = 0;  // the number checked (in `holders`)
    int span = 0;    // 0: from the file's start; s: since the last line of spanTypes[s - 1]
    int measure = 0; // in `measures`
    bool alive = true;
    bool telling = false; // a count of 2 or more, or a sum of 2 lines or more that is not 0
    qint64 confirmed = 0;
};

// A trailer's run of digits and the numbers it may hold side by side.
struct TrailerRun {
    int type = 0;
    DigitRun run;
    SideBySide numbers;
};

struct TypeSeen {
    qint64 lines = 0;
    qsizetype shortest = -1;
    qsizetype longest = 0;
    int after = -2; // the one line type its lines follow; -2 none yet, -1 not one
};

class Finder {
public:
    Finder(const Proposal &proposal, const formats::CompiledFormat &compiled)
        : m_proposal(proposal), m_types(size_t(proposal.lineTypes.size()))
    {
        const auto types = int(proposal.lineTypes.size());
        qint64 typed = 0;
        for (const ProposedLineType &t : proposal.lineTypes)
            typed += t.lines;
        std::vector<int> order(static_cast<size_t>(types));
        for (int t = 0; t < types; ++t)
            order[size_t(t)] = t;
        // Fewest lines first (the longest spans, the likeliest trailers), then by appearance.
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            return proposal.lineTypes.at(a).lines < proposal.lineTypes.at(b).lines;
        });
        std::vector<char> special(size_t(types), 0);
        for (const int t : order) {
            const qint64 lines = proposal.lineTypes.at(t).lines;
            if (lines >= 2 && lines * 4 <= typed && int(m_spanTypes.size()) < MaxSpanTypes) {
                m_spanTypes.push_back(t);
                special[size_t(t)] = 1;
            }
        }
        m_spanOf.assign(size_t(types), -1);
        for (size_t s = 0; s < m_spanTypes.size(); ++s)
            m_spanOf[size_t(m_spanTypes[s])] = int(s) + 1;
        int holderTypes = 0;
        for (const int t : order) {
            const qint64 lines = proposal.lineTypes.at(t).lines;
            if (types < 2 || holderTypes >= MaxHolderTypes || (lines != 1 && lines * 3 > typed))
                continue;
            const formats::CompiledLineType &type = compiled.lineTypes()[size_t(t)];
            int added = 0;
            for (size_t f = 0; f < type.fields.size() && added < MaxHolderFields; ++f) {
                if (!isNumber(type.fields[f]))
                    continue;
                m_holders.push_back(
                    {t, int(f), type.fields[f].number.decimals(), type.fields[f].length});
                ++added;
            }
            if (added > 0) {
                ++holderTypes;
                special[size_t(t)] = 1;
            }
        }
        m_summedOf.resize(size_t(types));
        for (int t = 0; t < types; ++t) {
            const formats::CompiledLineType &type = compiled.lineTypes()[size_t(t)];
            for (size_t f = 0; f < type.fields.size() && int(m_summed.size()) < MaxSummed; ++f) {
                if (!isNumber(type.fields[f]))
                    continue;
                m_summedOf[size_t(t)].push_back(int(m_summed.size()));
                m_summed.push_back(
                    {t, int(f), type.fields[f].number.decimals(), type.fields[f].length});
            }
        }
        for (int t = 0; t < types; ++t)
            if (!special[size_t(t)])
                m_detail.push_back(t);
        for (int t = 0; t < types; ++t)
            m_measures.push_back({Measure::Count, t});
        // (At most MaxDetailTypes of them, so that the rule's text fits its 255 characters.)
        if (m_detail.size() >= 2 && int(m_detail.size()) < types &&
            int(m_detail.size()) <= MaxDetailTypes)
            m_measures.push_back({Measure::CountDetail, 0});
        m_measures.push_back({Measure::CountAny, 0});
        for (size_t i = 0; i < m_summed.size(); ++i)
            m_measures.push_back({Measure::Sum, int(i)});
        // Candidates in the order they are preferred: from the file's start, then since the
        // line types of fewest lines; counts before sums.
        m_holdersOf.resize(size_t(types));
        m_choicesOf.resize(size_t(types));
        m_runsOf.resize(size_t(types));
        for (size_t h = 0; h < m_holders.size(); ++h) {
            const int own = m_holders[h].type;
            if (m_holdersOf[size_t(own)].empty())
                m_choicesOf[size_t(own)] = choicesFor(own);
            m_holdersOf[size_t(own)].push_back(int(h));
            for (const auto &[span, measure] : m_choicesOf[size_t(own)])
                m_candidates.push_back({int(h), span, measure});
        }
        addRuns();
        m_checkOf.resize(m_holders.size());
        for (size_t c = 0; c < m_candidates.size(); ++c)
            m_checkOf[size_t(m_candidates[c].holder)].push_back(int(c));
        const size_t spans = m_spanTypes.size() + 1;
        m_counts.assign(spans, std::vector<qint64>(size_t(types), 0));
        m_sums.assign(spans, std::vector<__int128>(m_summed.size(), 0));
    }

    void emptyLine() { m_previous = -1; }

    void line(const formats::LineAnalyzer &analyzer)
    {
        const int t =
            analyzer.match() == formats::LineAnalyzer::Match::One ? analyzer.lineType() : -1;
        if (m_first == -2)
            m_first = t;
        m_last = t;
        const int previous = std::exchange(m_previous, t);
        if (t < 0)
            return;
        TypeSeen &seen = m_types[size_t(t)];
        ++seen.lines;
        const qsizetype length = analyzer.characters();
        seen.shortest = seen.shortest < 0 ? length : std::min(seen.shortest, length);
        seen.longest = std::max(seen.longest, length);
        if (seen.after != -1)
            seen.after = previous < 0                                 ? -1
                         : seen.after == -2 || seen.after == previous ? previous
                                                                      : -1;
        for (const int h : m_holdersOf[size_t(t)])
            check(analyzer, h);
        for (const int r : m_runsOf[size_t(t)])
            if (runDigits(analyzer, m_runs[size_t(r)].run, m_digits))
                m_runs[size_t(r)].numbers.line(m_digits.data(), [&](int choice) {
                    const auto &[span, measure] = m_runChoicesOf[size_t(t)][size_t(choice)];
                    return totalOf(span, measure);
                });
        for (size_t s = 0; s < m_counts.size(); ++s)
            ++m_counts[s][size_t(t)];
        if (!m_holders.empty()) {
            for (const int i : m_summedOf[size_t(t)]) {
                const qint64 value = formats::runningNumber(analyzer, m_summed[size_t(i)].field);
                if (value == formats::NoValue)
                    continue;
                for (std::vector<__int128> &sums : m_sums)
                    sums[size_t(i)] += value;
            }
        }
        if (const int s = m_spanOf[size_t(t)]; s > 0) {
            std::fill(m_counts[size_t(s)].begin(), m_counts[size_t(s)].end(), 0);
            std::fill(m_sums[size_t(s)].begin(), m_sums[size_t(s)].end(), 0);
        }
    }

    // Cuts the trailers' runs of digits at the numbers found side by side in them (the
    // proposal's fields change); rules() then names the fields as they are after the cut.
    void cutRuns(Proposal &proposal);
    QList<ProposedRule> rules() const;

private:
    void check(const formats::LineAnalyzer &analyzer, int h)
    {
        const NumberField &holder = m_holders[size_t(h)];
        const qint64 stated = formats::runningNumber(analyzer, holder.field);
        if (stated == formats::NoValue)
            return; // a number that does not read is already an error, not a check
        for (const int c : m_checkOf[size_t(h)]) {
            Candidate &candidate = m_candidates[size_t(c)];
            const SideBySide::Total total = totalOf(candidate.span, candidate.measure);
            const bool holds =
                total.sum ? formats::totalMatches(stated, holder.decimals, holder.width,
                                                  total.value, total.decimals)
                          : __int128(stated) == total.value * formats::power10(holder.decimals);
            if (!holds) {
                candidate.alive = false;
                continue;
            }
            ++candidate.confirmed;
            candidate.telling = candidate.telling || total.telling;
        }
        // Those broken once are never checked again (the order of the rest is kept).
        std::vector<int> &checks = m_checkOf[size_t(h)];
        checks.erase(std::remove_if(checks.begin(), checks.end(),
                                    [this](int c) { return !m_candidates[size_t(c)].alive; }),
                     checks.end());
    }

    // What a number is compared with: the measure's total since the span's start.
    SideBySide::Total totalOf(int span, int measure) const
    {
        const std::vector<qint64> &counts = m_counts[size_t(span)];
        const Measure &m = m_measures[size_t(measure)];
        if (m.kind == Measure::Sum) {
            const NumberField &summed = m_summed[size_t(m.index)];
            const __int128 sum = m_sums[size_t(span)][size_t(m.index)];
            return {sum, summed.decimals, true, sum != 0 && counts[size_t(summed.type)] >= 2};
        }
        qint64 count = 0;
        if (m.kind == Measure::Count)
            count = counts[size_t(m.index)];
        else if (m.kind == Measure::CountDetail)
            for (const int d : m_detail)
                count += counts[size_t(d)];
        else
            for (const qint64 n : counts)
                count += n;
        return {count, 0, false, count >= 2};
    }
    // What the numbers of a line type may equal, in the order they are preferred: from the
    // file's start, then since the line types of fewest lines; counts before sums. Never its
    // own lines nor its own fields.
    // `skip`: line types' fields whose sums are not compared (empty: none).
    std::vector<std::pair<int, int>> choicesFor(int own,
                                                const std::vector<std::vector<char>> &skip = {}) const
    {
        std::vector<std::pair<int, int>> choices;
        for (int s = 0; s <= int(m_spanTypes.size()); ++s) {
            for (size_t m = 0; m < m_measures.size(); ++m) {
                const Measure &measure = m_measures[m];
                if ((measure.kind == Measure::Count && measure.index == own) ||
                    (measure.kind == Measure::Sum && m_summed[size_t(measure.index)].type == own))
                    continue;
                if (measure.kind == Measure::Sum && !skip.empty()) {
                    const NumberField &summed = m_summed[size_t(measure.index)];
                    if (skip[size_t(summed.type)][size_t(summed.field)])
                        continue;
                }
                choices.emplace_back(s, int(m));
            }
        }
        return choices;
    }
    // The runs of digits of the line types with numbers. Their parts are not compared with
    // the sums of the fields of such runs, which may be cut themselves (a file control's
    // numbers side by side are the sums of the batch controls' numbers side by side, wherever
    // their fields were cut).
    void addRuns()
    {
        const auto types = size_t(m_proposal.lineTypes.size());
        std::vector<std::vector<char>> inRun(types);
        for (size_t t = 0; t < types; ++t) {
            inRun[t].assign(size_t(m_proposal.lineTypes.at(qsizetype(t)).fields.size()), 0);
            if (m_holdersOf[t].empty())
                continue;
            for (const DigitRun &run : digitRuns(m_proposal.lineTypes.at(qsizetype(t)))) {
                std::fill_n(inRun[t].begin() + run.first, run.count, 1);
                m_runsOf[t].push_back(int(m_runs.size()));
                m_runs.push_back({int(t), run, SideBySide(run.width, 0)});
            }
        }
        m_runChoicesOf.resize(types);
        for (TrailerRun &trailer : m_runs) {
            std::vector<std::pair<int, int>> &choices = m_runChoicesOf[size_t(trailer.type)];
            if (choices.empty())
                choices = choicesFor(trailer.type, inRun);
            trailer.numbers = SideBySide(trailer.run.width, int(choices.size()));
        }
    }

    QString typeName(int t) const { return m_proposal.lineTypes.at(t).description; }
    QString fieldName(int t, int f) const
    {
        return m_proposal.lineTypes.at(t).fields.at(f).description;
    }
    // A count or sum on the field `field` (as numbered after the cut) of the line type `type`;
    // none when the field it sums is no longer one.
    std::optional<ProposedRule> runningRule(int type, int field, int span, int measure,
                                            qint64 confirmed) const;
    // A field's index after the runs were cut (-1: no longer a field of its own).
    int fieldAfterCut(int type, int field) const
    {
        const std::vector<int> &index = m_indexOf[size_t(type)];
        return index.empty() ? field : index[size_t(field)];
    }
    // A number found in a run: its field after the cut, what it equals, and on how many lines.
    struct PartRule {
        int field = 0;
        int choice = 0;
        qint64 confirmed = 0;
    };

    const Proposal &m_proposal;
    std::vector<TypeSeen> m_types;
    std::vector<int> m_spanTypes;
    std::vector<int> m_spanOf; // per line type: its span, or -1
    std::vector<NumberField> m_holders;
    std::vector<std::vector<int>> m_holdersOf; // per line type
    // Per line type with numbers, what they may equal: (span, measure) in order of preference.
    std::vector<std::vector<std::pair<int, int>>> m_choicesOf;
    // Per line type with runs of digits, what their parts may equal (as m_choicesOf).
    std::vector<std::vector<std::pair<int, int>>> m_runChoicesOf;
    std::vector<TrailerRun> m_runs;
    std::vector<std::vector<int>> m_runsOf; // per line type
    std::string m_digits;                   // a run's digits on the line read
    std::vector<std::vector<int>> m_indexOf;       // per line type: its fields after the cut
    std::vector<std::vector<PartRule>> m_partRules; // per line type
    std::vector<NumberField> m_summed;
    std::vector<std::vector<int>> m_summedOf; // per line type
    std::vector<int> m_detail;
    std::vector<Measure> m_measures;
    std::vector<Candidate> m_candidates;
    // Per holder, its candidates not broken yet, in the order they are preferred.
    std::vector<std::vector<int>> m_checkOf;
    std::vector<std::vector<qint64>> m_counts; // per span, per line type
    std::vector<std::vector<__int128>> m_sums; // per span, per field summed
    int m_previous = -3;                       // the previous line's type: -3 none yet, -1 none
    int m_first = -2;                          // the first line with text's type: -2 none yet
    int m_last = -1;
};

std::optional<ProposedRule> Finder::runningRule(int type, int field, int span, int measureIndex,
                                               qint64 confirmed) const
{
    const Measure &measure = m_measures[size_t(measureIndex)];
    ProposedRule rule;
    rule.lineType = type;
    rule.field = field;
    rule.confidence = evidence(confirmed);
    QString since;
    QString sinceText;
    if (span > 0) {
        const int from = m_spanTypes[size_t(span - 1)];
        since = QStringLiteral(" DESDE ") + ruleNumber(from);
        sinceText = QStringLiteral(" desde la última %1").arg(typeName(from));
    }
    switch (measure.kind) {
    case Measure::Count:
        rule.text = QStringLiteral("CUENTA ") + ruleNumber(measure.index);
        rule.description = QStringLiteral("Cuenta de las líneas %1").arg(typeName(measure.index));
        break;
    case Measure::CountDetail: {
        QStringList numbers;
        for (const int d : m_detail)
            numbers << ruleNumber(d);
        rule.text = QStringLiteral("CUENTA ") + numbers.join(QLatin1Char(','));
        rule.description = QStringLiteral("Cuenta de las líneas de detalle");
        break;
    }
    case Measure::CountAny:
        rule.text = QStringLiteral("CUENTA *");
        rule.description = QStringLiteral("Cuenta de las líneas");
        break;
    case Measure::Sum: {
        const NumberField &summed = m_summed[size_t(measure.index)];
        const int summedField = fieldAfterCut(summed.type, summed.field);
        if (summedField < 0)
            return std::nullopt;
        rule.text =
            QStringLiteral("SUMA %1.%2").arg(ruleNumber(summed.type), ruleNumber(summedField));
        rule.description = QStringLiteral("Suma de %1 de las líneas %2")
                               .arg(fieldName(summed.type, summedField), typeName(summed.type));
        rule.sumLineType = summed.type;
        rule.sumField = summedField;
        break;
    }
    }
    rule.text += since;
    rule.description = (rule.description + sinceText).left(100);
    return rule;
}

void Finder::cutRuns(Proposal &proposal)
{
    m_indexOf.assign(m_types.size(), {});
    m_partRules.assign(m_types.size(), {});
    for (size_t t = 0; t < m_types.size(); ++t) {
        std::vector<RunSplit> splits;
        for (const int r : m_runsOf[t]) {
            const TrailerRun &trailer = m_runs[size_t(r)];
            std::vector<SideBySide::Part> parts = trailer.numbers.parts();
            // Numbers that are the run's fields already change nothing.
            const bool asBefore = std::all_of(parts.begin(), parts.end(), [&](const auto &p) {
                const QList<ProposedField> &fields = proposal.lineTypes.at(qsizetype(t)).fields;
                return std::any_of(fields.begin() + trailer.run.first,
                                   fields.begin() + trailer.run.first + trailer.run.count,
                                   [&](const ProposedField &f) {
                                       return f.position - 1 == trailer.run.start + p.left &&
                                              f.length == p.right - p.left;
                                   });
            });
            if (!asBefore)
                splits.push_back({trailer.run, std::move(parts)});
        }
        if (splits.empty())
            continue;
        std::vector<std::vector<int>> partFields;
        m_indexOf[t] = splitRuns(proposal.lineTypes[qsizetype(t)], splits, &partFields);
        for (size_t i = 0; i < splits.size(); ++i)
            for (size_t p = 0; p < splits[i].parts.size(); ++p)
                m_partRules[t].push_back({partFields[i][p], splits[i].parts[p].total,
                                          splits[i].parts[p].confirmed});
    }
}

QList<ProposedRule> Finder::rules() const
{
    QList<ProposedRule> rules;
    const auto types = int(m_types.size());
    qint64 lines = 0;
    for (const TypeSeen &seen : m_types)
        lines += seen.lines;
    for (int t = 0; t < types; ++t) {
        const TypeSeen &seen = m_types[size_t(t)];
        if (seen.lines == 0)
            continue;
        auto add = [&](const QString &text, const QString &description, double confidence) {
            ProposedRule rule;
            rule.lineType = t;
            rule.text = text;
            rule.description = description.left(100);
            rule.confidence = confidence;
            rules << rule;
        };
        // A header and a trailer: a line type of one line that stands first (last).
        const bool single = types >= 2 && seen.lines == 1;
        if (single && m_first == t)
            add(QStringLiteral("PRIMERA"), QStringLiteral("Primera línea del archivo"),
                evidence(lines));
        if (single && m_last == t)
            add(QStringLiteral("ULTIMA"), QStringLiteral("Última línea del archivo"),
                evidence(lines));
        if (single && (m_first == t || m_last == t))
            add(QStringLiteral("VECES 1"), QStringLiteral("Una sola línea en el archivo"),
                evidence(lines));
        if (m_proposal.recordLength == 0 && seen.shortest == seen.longest)
            add(QStringLiteral("LONGITUD %1").arg(seen.longest),
                QStringLiteral("Las líneas %1 tienen %2 caracteres")
                    .arg(typeName(t))
                    .arg(seen.longest),
                evidence(seen.lines));
        if (seen.after >= 0 && seen.lines >= 2)
            add(QStringLiteral("TRAS %1").arg(ruleNumber(seen.after)),
                QStringLiteral("Viene tras una línea %1").arg(typeName(seen.after)),
                evidence(seen.lines));
        // Each number of the line type that always equals a count or a sum: the first such
        // count or sum in the order of preference; and each number found side by side with
        // others, by its field.
        std::vector<std::pair<int, ProposedRule>> numbers;
        for (const int h : m_holdersOf[size_t(t)]) {
            const int field = fieldAfterCut(t, m_holders[size_t(h)].field);
            for (const int c : m_checkOf[size_t(h)]) {
                const Candidate &candidate = m_candidates[size_t(c)];
                if (field < 0 || !candidate.alive || !candidate.telling || candidate.confirmed == 0)
                    continue;
                if (const auto rule = runningRule(t, field, candidate.span, candidate.measure,
                                                  candidate.confirmed)) {
                    numbers.emplace_back(field, *rule);
                    break;
                }
            }
        }
        for (const PartRule &part : m_partRules[size_t(t)]) {
            const auto &[span, measure] = m_runChoicesOf[size_t(t)][size_t(part.choice)];
            if (const auto rule = runningRule(t, part.field, span, measure, part.confirmed))
                numbers.emplace_back(part.field, *rule);
        }
        std::stable_sort(numbers.begin(), numbers.end(),
                         [](const auto &a, const auto &b) { return a.first < b.first; });
        for (const auto &number : numbers)
            rules << number.second;
    }
    return rules;
}

} // namespace

QString ruleNumber(int index)
{
    return QStringLiteral("%1").arg(index + 1, 4, 10, QLatin1Char('0'));
}

RulesOutcome findRules(Proposal &proposal, const QString &path, const ProposalOptions &options,
                       QString *error)
{
    if (proposal.lineTypes.isEmpty())
        return RulesOutcome::Found;
    // Only the numbers are read: dates and constants are read as texts (their columns kept,
    // so the line types and lengths are the test's), which converts nothing.
    formats::LoadFormat format = toLoadFormat(proposal, QStringLiteral("PROP"));
    for (formats::LineType &type : format.lineTypes)
        for (formats::FieldDef &field : type.fields)
            if (field.type() != formats::FieldType::Numero) {
                field.typeCode = QStringLiteral("02");
                field.format.clear();
                field.value.clear();
            }
    const formats::CompiledFormat compiled(std::move(format));
    Finder finder(proposal, compiled);
    formats::LineAnalyzer analyzer(compiled);
    LineReader reader;
    if (!reader.open(path, error))
        return RulesOutcome::Failed;
    reader.setRecordLength(proposal.recordLength);
    const char *p = nullptr;
    qsizetype n = 0;
    qint64 reported = 0;
    while (reader.next(p, n)) {
        if (reader.bytesRead() != reported) {
            if (options.cancel && options.cancel->load(std::memory_order_relaxed))
                return RulesOutcome::Cancelled;
            reported = reader.bytesRead();
            if (options.progress)
                options.progress({ProposalProgress::Step::Rules, 1, reported, reader.fileBytes()});
        }
        if (n == 0) {
            finder.emptyLine();
            continue;
        }
        analyzer.analyze(p, n, formats::LineAnalyzer::Depth::Checks);
        finder.line(analyzer);
    }
    if (!reader.error().isEmpty()) {
        *error = reader.error();
        return RulesOutcome::Failed;
    }
    finder.cutRuns(proposal);
    proposal.rules << finder.rules();
    return RulesOutcome::Found;
}

} // namespace velkora::proposal::detail
