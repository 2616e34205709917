#pragma once

#include "DigitColumns.h"
#include "LineAnalyzer.h"
#include "RuleSet.h"
#include "ScanResult.h"

#include <limits>
#include <span>
#include <vector>

namespace velkora::formats {

class CompiledFormat;

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
    // Ends the part: its totals as the merge reads them (once its last line is in).
    void end(ScanResult &out);
    // The line `index` of the part (null analyzer: an empty line), after its other checks;
    // `inError` says whether an error is counted on it already, and turns true with the first.
    void line(const LineAnalyzer *analyzer, qint64 index, ScanResult &out, bool &inError, bool keep,
              int listLimit);
    // A line of a single line type (not empty) that keeps every rule of its own (LONGITUD,
    // VALORES, ENTRE) and across lines, taken in at once in one pass over its line type's steps:
    // true, and the line needs neither LineRules::check nor line(). False, with nothing
    // changed, when a rule may be broken, a check must wait for the lines before the part, or
    // the line type has rules that this pass does not take (DESDE, SI, NEGATIVO SI, a total
    // checked on it, VECES with a most); LineRules::check and line() then decide as always.
    bool keepsEvery(const LineAnalyzer &analyzer, qint64 index, ScanResult &out);
    // Lets the pass read the numbers of digits-only fields from the lines of `analyzer` while
    // it leaves their values unworked (LineAnalyzer::setValuesDeferred).
    void readInPlace(const LineAnalyzer &analyzer);

    // A run of lines of one line type whose pass reads all it asks from the lines themselves,
    // kept (where they lie) until a line of another kind comes and then checked rule by rule
    // over the whole run (settleBulk), as the pass checks one line: on most files every line of
    // a run keeps every rule. The lines' bytes must stay where they are until it is settled.
    struct BulkLine {
        const char *bytes = nullptr; // as the analyzer read them
        qsizetype size = 0;          // the bytes given to the analyzer
        qsizetype characters = 0;
        qint64 index = 0;
    };
    static constexpr int BulkLines = 128;
    // Whether lines of the analyzer's line type (the line of a single type, read by the
    // analyzer that readInPlace names, with no field in error and its values left unworked)
    // can join a bulk.
    bool takesInBulk(const LineAnalyzer &analyzer) const
    {
        return &analyzer == m_inPlaceOf && analyzer.errorCount() == 0 &&
               analyzer.valuesDeferred() && analyzer.encoding() != LineEncoding::Utf8 &&
               m_passes[size_t(analyzer.lineType())].bulk;
    }
    // The bulk's line type (-1: no line in it).
    int bulkType() const { return m_bulkCount == 0 ? -1 : m_bulkType; }
    bool bulkFull() const { return m_bulkCount == BulkLines; }
    // The line joins the bulk (of its line type, or empty): false when it is sure to go one by
    // one, as a part's first line whose TRAS waits for the lines before it.
    bool joinBulk(const LineAnalyzer &analyzer, qsizetype size, qint64 index,
                  const RulePart &part)
    {
        if (m_bulkCount == 0 || !m_bulkGrows || analyzer.lineType() != m_bulkType)
            return startBulk(analyzer, size, index, part);
        m_bulk[size_t(m_bulkCount++)] = {analyzer.bytes(), size, analyzer.characters(), index};
        return true;
    }
    // Takes in the bulk's lines that keep every rule, in order up to the first that may not,
    // and gives the lines from that one on: each must then go one by one, as any line
    // (keepsEvery, or LineRules::check and line()). They stay until emptyBulk().
    std::span<const BulkLine> settleBulk(ScanResult &out);
    void emptyBulk() { m_bulkCount = 0; }

    // What a line of a type adds to a term of a running rule that chooses its lines (SI), may
    // turn their sign (NEGATIVO SI) or keeps the field of the last line of a type: one (a
    // count), its field's number at the term's decimals (a sum, or the field's value).
    struct Feed {
        int rule = 0;
        int term = 0;
        const RuleSet::Term *source = nullptr;
        int field = -1;        // the field read; -1 for a count
        __int128 scale = 1;    // 10^(the decimals the field lacks to the term's)
        bool chosen = false;   // SI conditions choose the lines that count
        bool negative = false; // NEGATIVO SI may turn the value's sign on lines of the type
    };
    // A count of the lines of a type, or a sum of one of their fields, over the part: shared by
    // every term that adds up every line of the type alike (no SI, no NEGATIVO SI), so that a
    // line adds its number once whatever the number of rules that add it up. Such a term's
    // value is worked out when it is wanted (at a check, at the part's end): its tallies since
    // the rule last started again, each at the term's decimals.
    struct Tally {
        int lineType = 0;
        int field = -1;     // -1: a count
        bool first = false; // added before the checks of the line (INCLUSIVE)
    };
    struct TallyTerm {
        int term = 0;
        int tally = 0;
        __int128 scale = 1; // 10^(the decimals the field lacks to the term's)
    };
    // What the lines of a line type do to the running rules, in this order: the inclusive
    // rules they start again (INCLUSIVE: the DESDE line counts), the terms they feed before the
    // checks (the field of the last line of a type, which is the line itself on its own type;
    // the terms of inclusive rules), the rules checked on them, the terms they feed after the
    // checks, and the rules they start again.
    struct Actions {
        // A tally that the line adds to: its index, and the field read (-1: one more line).
        struct Added {
            int tally = 0;
            int field = -1;
        };
        std::vector<int> restartedFirst;
        std::vector<Added> talliedFirst; // the tallies the line adds to, before the checks
        std::vector<Feed> fedFirst;      // and after them
        std::vector<int> checked;
        std::vector<Added> tallied;
        std::vector<Feed> fed;
        std::vector<int> restarted;
        bool counted = false; // VECES or TRAS on the line type
        bool any = false;     // any of the above (known once the plan is made)
    };
    // Every line type's actions, the tallies, and per running rule the tallies of its terms.
    struct Plan {
        std::vector<Actions> actions;
        std::vector<Tally> tallies;
        std::vector<std::vector<TallyTerm>> tallyTerms;
        std::vector<__int128> units; // per running rule: one at its field's decimals
        // Per running rule: a SECUENCIA without NEGATIVO SI, whose next number is taken at
        // once.
        std::vector<char> plainSequence;
    };
    static Plan planOf(const RuleSet &rules, size_t lineTypes);

    // A line type's pass (keepsEvery), in plain arrays: the checks that a line keeps its rules
    // (LONGITUD, VALORES, ENTRE, TRAS, a plain SECUENCIA), then what a line that keeps them adds.
    // `taken`: whether the line type's rules are all of the kinds the pass takes.
    struct Pass {
        // A number the pass reads: its field's result's or, on a line whose analyzer left the
        // values of its digits-only fields unworked, the field's own digits (`inPlace`: where
        // they lie, as LineAnalyzer::valueSpot tells).
        struct Number {
            Number(int f = 0) : field(f) {}
            int field = 0;
            bool inPlace = false;
            bool words = false; // read from its window (the words that end with it)
            int end = 0;
            int size = 0;
            digits::Window window;
        };
        // VALORES: a NUMERO or Fecha field's text is its result's; another's lies at
        // characters [start, end) of a line of one byte per character that holds it whole
        // (blanks at its start dropped when the field is trimmed). A result's text of a field
        // of digits alone lies at [maskedStart, maskedEnd) on a line whose mask passed.
        struct Values {
            int field = 0;
            bool fromResult = false;
            bool trimmed = false;
            int start = 0;
            int end = 0;
            bool masked = false;
            int maskedStart = 0;
            int maskedEnd = 0;
            const RuleSet::FieldRules *rules = nullptr;
            // A text of one or two characters at a place known for a bulk: per text those
            // characters could be (their bytes as a number), whether it is among the values.
            std::vector<quint64> among;
        };
        struct Range {
            Number number;
            bool onDate = false; // a Fecha: YYYYMMDD
            qint64 low = 0;
            qint64 high = 0;
            // In place: the digits compared by their keys (digits::Window::key) with the bounds'.
            bool byKey = false;
            unsigned __int128 lowKey = 0;
            unsigned __int128 highKey = 0;
        };
        struct Sequence {
            Number number;
            int rule = 0;
            __int128 unit = 1; // one at the field's decimals
            // In place, of whole numbers: a bulk compares the digits' keys of lines that follow
            // one another (digits::Window::key).
            bool byKey = false;
        };
        struct Sum {
            int tally = 0;
            Number number;
            int column = -1; // in place: the digit columns that keep its sum (m_columns),
            int windowEnd = 0; // and where the sixteen bytes they read end
        };
        bool taken = false;
        bool counted = false; // VECES or TRAS: the line counts in the part's times
        qsizetype minLength = 0; // LONGITUD (none: 0 to the largest)
        qsizetype maxLength = std::numeric_limits<qsizetype>::max();
        const std::vector<char> *after = nullptr; // TRAS: the line types allowed before
        std::vector<Values> values;
        std::vector<Range> ranges;
        std::vector<Sequence> sequences;
        std::vector<int> counts; // the tallies the line adds one to
        std::vector<Sum> sums;   // and those it adds a field to
        bool columns = false;    // a sum kept in digit columns
        // Lines of the type are taken in bulk: every step reads the line itself, every ENTRE and
        // SECUENCIA by keys, every sum in digit columns.
        bool bulk = false;
    };
    static std::vector<Pass> passesOf(const CompiledFormat &format, const Plan &plan);

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
    void tally(const LineAnalyzer &analyzer, const std::vector<Actions::Added> &tallies);
    // Whether a plain SECUENCIA's number on the line is the next one (taken, then), the
    // common case checked without the rest of checkRunning.
    bool nextInSequence(const LineAnalyzer &analyzer, int r, RulePart &part);
    void checkRunning(const LineAt &at, int r);
    void brokenOrder(const LineAt &at, int previous);
    void restartAll(const std::vector<int> &rules, RulePart &part);
    // The line's place in the part: its first and last lines with text and the previous type.
    void note(int lineType, qint64 index, RulePart &part);
    template <bool InPlace>
    bool keepsOwn(const LineAnalyzer &analyzer, const Pass &pass) const;
    template <bool InPlace>
    bool keepsAcross(const LineAnalyzer &analyzer, const Pass &pass, const RulePart &part);
    template <bool InPlace>
    void take(const LineAnalyzer &analyzer, const Pass &pass, qint64 index, RulePart &part);
    template <bool InPlace>
    bool keepsWith(const LineAnalyzer &analyzer, const Pass &pass, qint64 index, RulePart &part);
    static bool readsAllInPlace(const Pass &pass);
    bool startBulk(const LineAnalyzer &analyzer, qsizetype size, qint64 index,
                   const RulePart &part);
    // How many of the bulk's first k lines keep the line's own rules, and those across lines;
    // what the first k add.
    int keptOwn(const Pass &pass, int k) const;
    int keptAcross(const Pass &pass, const RulePart &part, int k) const;
    void takeBulk(const Pass &pass, RulePart &part, int k);
    void addToColumns(const Pass &pass, int k);
    // The values of a rule's tallied terms in its totals, from the tallies since it started.
    void settle(int r, TermValues &values) const;
    // The digit columns worked into their tallies (before the tallies are read), or emptied.
    void foldColumns();
    void emptyColumns();

    const CompiledFormat &m_format;
    const RuleSet &m_rules;
    bool m_active;
    Plan m_plan;
    std::vector<Pass> m_passes; // per line type
    const LineAnalyzer *m_inPlaceOf = nullptr; // whose lines the passes read in place
    std::vector<qint64> m_stated;              // per sequence of a pass: the line's number
    // Sums of fields read in place, kept in digit columns until the tallies are read: per
    // column, its tally; and the lines added to them since they were last worked out.
    std::vector<DigitColumns> m_columns;
    std::vector<int> m_columnTally;
    int m_columnLines = 0;
    std::vector<__int128> m_sums;               // per tally, over the part
    std::vector<std::vector<__int128>> m_bases; // per rule and tallied term: the sums at its start
    int m_previous = -3; // the previous line's type in the part: -3 none yet, -1 no type
    std::vector<BulkLine> m_bulk; // BulkLines, the first m_bulkCount in the bulk
    int m_bulkCount = 0;
    int m_bulkType = -1;
    bool m_bulkGrows = false; // lines of its type may join it (TRAS allows them after it)
    // After a bulk with a line that went one by one (read twice, then), the lines that go one
    // by one before another bulk starts: a file with many lines in error reads few twice.
    static constexpr int PauseAfterBreak = 2 * BulkLines;
    int m_bulkPause = 0;
};

// 10^n for n from 0 to 38.
__int128 power10(int n);
// A field's number as the running rules read it: its value (0 when empty), or NoValue when it
// does not read.
inline qint64 runningNumber(const LineAnalyzer &analyzer, int field)
{
    const LineAnalyzer::FieldResult &result = analyzer.field(field);
    return !result.ok               ? NoValue
           : result.empty           ? 0
           : result.number.negative ? -result.number.mantissa
                                    : result.number.mantissa;
}
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
