#pragma once

#include "DigitRun.h"
#include "Proposal.h"
#include "SideBySide.h"
#include "formats/CompiledFormat.h"
#include "formats/LineAnalyzer.h"

#include <optional>
#include <string>
#include <vector>

namespace velkora::proposal::detail {

// The counts and sums that trailers' numbers hold (CUENTA, SUMA, perhaps with DESDE): each
// NUMERO of a trailer-like line type, and each part of its runs of digits (SideBySide), is
// compared on every line of its type with the running counts of lines and sums of fields from
// the file's start and since each group header; those that held on every line, and told
// something, are its rules. Fed every line in the file's order; keeps only running totals and
// the comparisons still standing, never a line.
class TotalFinder {
public:
    // `compiled`: the proposal as the rules' reading compiled it (its NUMERO fields read).
    TotalFinder(const Proposal &proposal, const formats::CompiledFormat &compiled);

    // A line of a single line type `type`, after its checks.
    void line(const formats::LineAnalyzer &analyzer, int type);

    // Cuts the trailers' runs of digits at the numbers found side by side in them (the
    // proposal's fields change); rules() then names the fields as they are after the cut.
    void cutRuns(Proposal &proposal);
    // The rules of the line type's numbers, by field.
    QList<ProposedRule> rules(int type) const;

private:
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
    // A number found in a run: its field after the cut, what it equals, and on how many lines.
    struct PartRule {
        int field = 0;
        int choice = 0;
        qint64 confirmed = 0;
    };
    using Choices = std::vector<std::pair<int, int>>; // (span, measure)

    // The steps of the constructor.
    qint64 typedLines() const;
    void chooseSpanTypes(const std::vector<int> &order, std::vector<char> *special);
    void chooseHolders(const std::vector<int> &order, const formats::CompiledFormat &compiled,
                       std::vector<char> *special);
    void chooseSummed(const formats::CompiledFormat &compiled);
    void chooseMeasures();
    void addCandidates();

    void check(const formats::LineAnalyzer &analyzer, int h);
    // What a number is compared with: the measure's total since the span's start.
    SideBySide::Total totalOf(int span, int measure) const;
    // What the numbers of a line type may equal, in the order they are preferred: from the
    // file's start, then since the line types of fewest lines; counts before sums. Never its
    // own lines nor its own fields; `skip`: line types' fields whose sums are not compared
    // (empty: none).
    Choices choicesFor(int own, const std::vector<std::vector<char>> &skip = {}) const;
    void addRuns();
    QString typeName(int t) const { return m_proposal.lineTypes.at(t).description; }
    bool wholeRun(int type, int field) const;
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

    const Proposal &m_proposal;
    std::vector<int> m_spanTypes;
    std::vector<int> m_spanOf; // per line type: its span, or -1
    std::vector<NumberField> m_holders;
    std::vector<std::vector<int>> m_holdersOf; // per line type
    // Per line type with numbers, what they may equal, in order of preference.
    std::vector<Choices> m_choicesOf;
    // Per line type with runs of digits, what their parts may equal (as m_choicesOf).
    std::vector<Choices> m_runChoicesOf;
    std::vector<TrailerRun> m_runs;
    std::vector<std::vector<int>> m_runsOf;         // per line type
    std::string m_digits;                           // a run's digits on the line read
    std::vector<std::vector<int>> m_indexOf;        // per line type: its fields after the cut
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
};

} // namespace velkora::proposal::detail
