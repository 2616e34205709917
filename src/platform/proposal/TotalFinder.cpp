#include "TotalFinder.h"

#include "RuleFinder.h"
#include "formats/CompiledFormat.h"
#include "formats/LineAnalyzer.h"
#include "formats/RuleTrack.h"

#include <algorithm>

namespace velkora::proposal::detail {

namespace {

// At most this many line types whose lines start a count again (DESDE), line types whose
// numbers may be counts or sums, numbers of each such line type, and fields summed.
constexpr int MaxSpanTypes = 8;
constexpr int MaxHolderTypes = 8;
constexpr int MaxHolderFields = 16;
constexpr int MaxSummed = 256;
constexpr int MaxDetailTypes = 40;

bool isNumber(const formats::CompiledField &field)
{
    return field.type == formats::FieldType::Numero && field.usable && field.readsText;
}

} // namespace

TotalFinder::TotalFinder(const Proposal &proposal, const formats::CompiledFormat &compiled)
    : m_proposal(proposal)
{
    const auto types = int(proposal.lineTypes.size());
    std::vector<int> order(static_cast<size_t>(types));
    for (int t = 0; t < types; ++t)
        order[size_t(t)] = t;
    // Fewest lines first (the longest spans, the likeliest trailers), then by appearance.
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return proposal.lineTypes.at(a).lines < proposal.lineTypes.at(b).lines;
    });
    std::vector<char> special(size_t(types), 0);
    chooseSpanTypes(order, &special);
    chooseHolders(order, compiled, &special);
    chooseSummed(compiled);
    for (int t = 0; t < types; ++t)
        if (!special[size_t(t)])
            m_detail.push_back(t);
    chooseMeasures();
    addCandidates();
    const size_t spans = m_spanTypes.size() + 1;
    m_counts.assign(spans, std::vector<qint64>(size_t(types), 0));
    m_sums.assign(spans, std::vector<__int128>(m_summed.size(), 0));
}

qint64 TotalFinder::typedLines() const
{
    qint64 typed = 0;
    for (const ProposedLineType &t : m_proposal.lineTypes)
        typed += t.lines;
    return typed;
}

// The group headers: line types of two lines or more and no more than a quarter of the lines.
void TotalFinder::chooseSpanTypes(const std::vector<int> &order, std::vector<char> *special)
{
    const qint64 typed = typedLines();
    for (const int t : order) {
        const qint64 lines = m_proposal.lineTypes.at(t).lines;
        if (lines >= 2 && lines * 4 <= typed && int(m_spanTypes.size()) < MaxSpanTypes) {
            m_spanTypes.push_back(t);
            (*special)[size_t(t)] = 1;
        }
    }
    m_spanOf.assign(size_t(m_proposal.lineTypes.size()), -1);
    for (size_t s = 0; s < m_spanTypes.size(); ++s)
        m_spanOf[size_t(m_spanTypes[s])] = int(s) + 1;
}

// The numbers looked at: the NUMERO fields of the trailer-like line types (a single line, or
// no more than a third of the lines).
void TotalFinder::chooseHolders(const std::vector<int> &order,
                                const formats::CompiledFormat &compiled,
                                std::vector<char> *special)
{
    const qint64 typed = typedLines();
    const auto types = int(m_proposal.lineTypes.size());
    int holderTypes = 0;
    for (const int t : order) {
        const qint64 lines = m_proposal.lineTypes.at(t).lines;
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
            (*special)[size_t(t)] = 1;
        }
    }
}

void TotalFinder::chooseSummed(const formats::CompiledFormat &compiled)
{
    const auto types = int(m_proposal.lineTypes.size());
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
}

void TotalFinder::chooseMeasures()
{
    const auto types = int(m_proposal.lineTypes.size());
    for (int t = 0; t < types; ++t)
        m_measures.push_back({Measure::Count, t});
    // (At most MaxDetailTypes of them, so that the rule's text fits its 255 characters.)
    if (m_detail.size() >= 2 && int(m_detail.size()) < types &&
        int(m_detail.size()) <= MaxDetailTypes)
        m_measures.push_back({Measure::CountDetail, 0});
    m_measures.push_back({Measure::CountAny, 0});
    for (size_t i = 0; i < m_summed.size(); ++i)
        m_measures.push_back({Measure::Sum, int(i)});
}

// Candidates in the order they are preferred: from the file's start, then since the line
// types of fewest lines; counts before sums.
void TotalFinder::addCandidates()
{
    const auto types = size_t(m_proposal.lineTypes.size());
    m_holdersOf.resize(types);
    m_choicesOf.resize(types);
    m_runsOf.resize(types);
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
}

void TotalFinder::line(const formats::LineAnalyzer &analyzer, int t)
{
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

void TotalFinder::check(const formats::LineAnalyzer &analyzer, int h)
{
    const NumberField &holder = m_holders[size_t(h)];
    const qint64 stated = formats::runningNumber(analyzer, holder.field);
    if (stated == formats::NoValue)
        return; // a number that does not read is already an error, not a check
    for (const int c : m_checkOf[size_t(h)]) {
        Candidate &candidate = m_candidates[size_t(c)];
        const SideBySide::Total total = totalOf(candidate.span, candidate.measure);
        const bool holds =
            total.sum ? keepsLastDigits(holder.width, total) &&
                            formats::totalMatches(stated, holder.decimals, holder.width,
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

SideBySide::Total TotalFinder::totalOf(int span, int measure) const
{
    const std::vector<qint64> &counts = m_counts[size_t(span)];
    const Measure &m = m_measures[size_t(measure)];
    if (m.kind == Measure::Sum) {
        const NumberField &summed = m_summed[size_t(m.index)];
        const __int128 sum = m_sums[size_t(span)][size_t(m.index)];
        // A sum of a few zeros and ones ("1") tells little: a total of two digits or more.
        return {sum, summed.decimals, true,
                (sum > 9 || sum < -9) && counts[size_t(summed.type)] >= 2};
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

TotalFinder::Choices TotalFinder::choicesFor(int own,
                                             const std::vector<std::vector<char>> &skip) const
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

// The runs of digits of the line types with numbers. Their parts are not compared with the sums
// of the fields of such runs, which may be cut themselves (a file control's numbers side by
// side are the sums of the batch controls' numbers side by side, wherever their fields were
// cut).
void TotalFinder::addRuns()
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

std::optional<ProposedRule> TotalFinder::runningRule(int type, int field, int span,
                                                     int measureIndex, qint64 confirmed) const
{
    const Measure &measure = m_measures[size_t(measureIndex)];
    ProposedRule rule;
    rule.lineType = type;
    rule.field = field;
    rule.confidence = ruleConfidence(confirmed);
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
    // A total seen on one trailer only may be a number that happened to equal it.
    if (confirmed < 2) {
        rule.suggested = true;
        rule.guess = QStringLiteral("Se cumple en una sola línea de la muestra (un solo grupo): "
                                    "se sugiere y no se guarda con el formato");
    } else if (span == 0 && measure.kind != Measure::Sum) {
        // A count from the file's start on every group's trailer is the group's number in
        // the file: another file may number its groups from 200.
        rule.suggested = true;
        rule.guess = QStringLiteral("Cuenta desde el principio del archivo en cada grupo: es su "
                                    "número de orden, que otro archivo puede no empezar en 1; se "
                                    "sugiere y no se guarda con el formato");
    }
    return rule;
}

void TotalFinder::cutRuns(Proposal &proposal)
{
    const auto types = size_t(proposal.lineTypes.size());
    m_indexOf.assign(types, {});
    m_partRules.assign(types, {});
    for (size_t t = 0; t < types; ++t) {
        std::vector<RunSplit> splits;
        for (const int r : m_runsOf[t]) {
            const TrailerRun &trailer = m_runs[size_t(r)];
            std::vector<SideBySide::Part> parts = trailer.numbers.parts();
            // A group's number in the file (a count from the file's start on every group's
            // trailer) is no total: it cuts nothing.
            std::erase_if(parts, [&](const SideBySide::Part &p) {
                const auto &[span, measure] = m_runChoicesOf[t][size_t(p.total)];
                return p.confirmed >= 2 && span == 0 &&
                       m_measures[size_t(measure)].kind != Measure::Sum;
            });
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
                m_partRules[t].push_back(
                    {partFields[i][p], splits[i].parts[p].total, splits[i].parts[p].confirmed});
    }
}

// Whether no field beside the field holds digits right against it: a number cut out of a
// longer run of digits (a count whose last digit the cut left out) is no total.
bool TotalFinder::wholeRun(int type, int field) const
{
    const QList<ProposedField> &fields = m_proposal.lineTypes.at(type).fields;
    const auto digitsOnly = [](const ProposedField &f) {
        if (f.typeCode == QLatin1String("01"))
            return f.format.isEmpty();
        if (f.typeCode == QLatin1String("03"))
            return std::all_of(f.format.begin(), f.format.end(),
                               [](QChar c) { return c.isLetter(); });
        return f.typeCode == QLatin1String("04") &&
               std::all_of(f.value.begin(), f.value.end(), [](QChar c) { return c.isDigit(); });
    };
    const ProposedField &self = fields.at(field);
    const bool before =
        field > 0 && digitsOnly(fields.at(field - 1)) &&
        fields.at(field - 1).position + fields.at(field - 1).length == self.position;
    const bool after = field + 1 < fields.size() && digitsOnly(fields.at(field + 1)) &&
                       self.position + self.length == fields.at(field + 1).position;
    return !before && !after;
}

QList<ProposedRule> TotalFinder::rules(int t) const
{
    QList<ProposedRule> rules;
    // Each number of the line type that always equals a count or a sum: the first such
    // count or sum in the order of preference; and each number found side by side with
    // others, by its field.
    std::vector<std::pair<int, ProposedRule>> numbers;
    for (const int h : m_holdersOf[size_t(t)]) {
        const int field = fieldAfterCut(t, m_holders[size_t(h)].field);
        for (const int c : m_checkOf[size_t(h)]) {
            const Candidate &candidate = m_candidates[size_t(c)];
            if (field < 0 || !candidate.alive || !candidate.telling || candidate.confirmed == 0 ||
                !wholeRun(t, field))
                continue;
            if (const auto rule =
                    runningRule(t, field, candidate.span, candidate.measure, candidate.confirmed)) {
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
    return rules;
}

} // namespace velkora::proposal::detail
