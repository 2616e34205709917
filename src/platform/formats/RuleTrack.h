#pragma once

#include "RuleSet.h"
#include "ScanResult.h"

#include <vector>

namespace velkora::formats {

class CompiledFormat;
class LineAnalyzer;

// The rules across lines (VECES, TRAS, CUENTA, SUMA, SECUENCIA and SECUENCIA LINEA) on one part
// of a file, by the thread that reads it: what the part's own lines decide is checked at once
// (a sequence number after another of the part, a total after a DESDE line of the part); what
// needs the lines before the part waits in it (RulePart) with the part's totals, for the
// RuleChecker to finish in reading order. No line is kept. One per reading thread.
class RuleTrack {
public:
    explicit RuleTrack(const CompiledFormat &format);

    bool active() const { return m_active; }
    // Starts a part (its result just emptied).
    void begin(ScanResult &out);
    // The line `index` of the part (null analyzer: an empty line), after its other checks;
    // `inError` says whether an error is counted on it already, and turns true with the first.
    void line(const LineAnalyzer *analyzer, qint64 index, ScanResult &out, bool &inError, bool keep,
              int listLimit);

    // What a line of a type adds to a term of a running rule: one (a count), its field's number
    // at the term's decimals (a sum, or the field of the last line of the type).
    struct Feed {
        int rule = 0;
        int term = 0;
        const RuleSet::Term *source = nullptr;
        int field = -1;        // the field read; -1 for a count
        __int128 scale = 1;    // 10^(the decimals the field lacks to the term's)
        bool chosen = false;   // SI conditions choose the lines that count
        bool negative = false; // NEGATIVO SI may turn the value's sign on lines of the type
        bool plain = false;    // a count of every line of the type: one more, nothing to read
    };
    // What the lines of a line type do to the running rules, in this order: the inclusive
    // rules they start again (INCLUSIVE: the DESDE line counts), the terms they feed before the
    // checks (the field of the last line of a type, which is the line itself on its own type;
    // the terms of inclusive rules), the rules checked on them, the terms they feed after the
    // checks, and the rules they start again.
    struct Actions {
        std::vector<int> restartedFirst;
        std::vector<Feed> fedFirst;
        std::vector<int> checked;
        std::vector<Feed> fed;
        std::vector<int> restarted;
        bool counted = false; // VECES or TRAS on the line type
        bool any() const
        {
            return counted || !restartedFirst.empty() || !fedFirst.empty() || !checked.empty() ||
                   !fed.empty() || !restarted.empty();
        }
    };
    static std::vector<Actions> actionsOf(const RuleSet &rules, size_t lineTypes);

private:
    // DESDE: the rule's counts and sums start again (the fields of other lines stay).
    static void restart(const RuleSet::Running &rule, RunningPart &totals);
    // One line's part in the rules across lines, step by step.
    struct LineAt {
        const LineAnalyzer &analyzer;
        int lineType;
        qint64 index;
        ScanResult &out;
        bool &inError;
        bool keep;
        int listLimit;
    };
    void countAndFollow(const LineAt &at, int previous);
    void feed(const LineAt &at, const std::vector<Feed> &feeds);
    void checkRunning(const LineAt &at, int r);
    void restartAll(const std::vector<int> &rules, RulePart &part) const;

    const CompiledFormat &m_format;
    const RuleSet &m_rules;
    bool m_active;
    std::vector<Actions> m_actions;
    int m_previous = -3; // the previous line's type in the part: -3 none yet, -1 no type
};

// 10^n for n from 0 to 38.
__int128 power10(int n);
// A field's number as the running rules read it: its value (0 when empty), or NoValue when it
// does not read.
qint64 runningNumber(const LineAnalyzer &analyzer, int field);
// Whether a total `stated` (of `decimals` decimals, in a field `width` digits wide) equals a
// sum of values of `sumDecimals` decimals. A sum too long for the field keeps its last digits,
// as control totals do.
bool totalMatches(qint64 stated, int decimals, int width, __int128 sum, int sumDecimals);
// Whether a condition (SI, NEGATIVO SI) holds on a line of type `lineType`; one on another
// line type always does.
bool conditionHolds(const LineAnalyzer &analyzer, int lineType,
                    const RuleSet::Condition &condition);
// Whether the fields of other lines that a rule compares with are all known.
bool fieldsKnown(const RuleSet::Running &rule, const TermValues &values);

// Whether a number that a running rule checks breaks it, given the values of its terms over
// the lines before its line (CUENTA, SUMA, IGUAL), the previous number (SECUENCIA; NoValue:
// none) and the line's number; *expected is what the rule wants there (at rule.compared
// decimals for CUENTA, SUMA and IGUAL).
bool breaksRunning(const CompiledFormat &format, const RuleSet::Running &rule, qint64 stated,
                   const TermValues &values, qint64 previous, qint64 number, __int128 *expected);

} // namespace velkora::formats
