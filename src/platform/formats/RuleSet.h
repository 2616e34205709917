#pragma once

#include "LayoutFinding.h"
#include "RuleParser.h"
#include "ScanResult.h"

#include <QByteArray>
#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace velkora::formats {

class CompiledFormat;

// A load format's rules (LoadFormat::rules) read and tied to its line types and fields: what
// each line is checked against on its own (LineRules.h) and across lines (RuleChecker.h). A
// rule that cannot be read, or that names a line type or field that does not exist, is left
// out and reported once (findings()).
class RuleSet {
public:
    RuleSet() = default;
    // Reads the rules of the compiled format (its line types and fields compiled already).
    static RuleSet compile(const CompiledFormat &format);

    // A field's rules that each line checks on its own.
    struct FieldRules {
        bool optional = false; // OPCIONAL
        int valuesRule = -1;   // VALORES: the rule, and its values (UTF-8)
        std::vector<QByteArray> values;
        // The values of at most eight bytes as machine words (bytes in order, the rest zero),
        // with their lengths: a field's text is found among them by a comparison each.
        std::vector<std::pair<quint64, int>> shortValues;
        bool allShort = false;
        int rangeRule = -1; // ENTRE: the rule, and its bounds (a NUMERO's mantissas at the
        qint64 low = 0;     // field's decimals, a Fecha's YYYYMMDD)
        qint64 high = 0;
        bool onDate = false; // a Fecha field: ENTRE compares YYYYMMDD
        // A usable NUMERO or Fecha field: its text's bounds are read on every line, so VALORES
        // takes them from the field's result.
        bool readOnEveryLine = false;
        bool any() const { return valuesRule >= 0 || rangeRule >= 0; }
        // VALORES: whether a field's text (without its blanks at the end) is one of the values.
        bool amongValues(const char *p, int n) const;
    };
    // A line type's rules.
    struct TypeRules {
        int lengthRule = -1; // LONGITUD
        int minLength = 0;
        int maxLength = 0;
        int timesRule = -1; // VECES
        qint64 minTimes = 0;
        qint64 maxTimes = -1; // -1: no limit
        int firstRule = -1;   // PRIMERA
        int lastRule = -1;    // ULTIMA
        int afterRule = -1;   // TRAS, and the line types it allows before (by index)
        std::vector<char> after;
        bool afterStart = false; // TRAS INICIO: or the file's first line
        int prevailsRule = -1;   // PREVALECE: the line types this one prevails over (by index)
        std::vector<char> prevails;
        std::vector<FieldRules> fields;
        bool anyFieldRule = false;
        std::vector<int> ruledFields; // the fields with VALORES or ENTRE, in order
    };
    // A choice of lines by a field's text (SI, NEGATIVO SI), on the lines of its line type.
    struct Condition {
        int lineType = -1; // -1: none
        int field = -1;
        std::vector<QByteArray> values; // UTF-8
    };
    // A value that CUENTA, SUMA and IGUAL add up: a count of lines, a sum of a field of lines,
    // or a field of the last line of a type (of the line itself for the rule's own type).
    struct Term {
        ParsedTerm::Kind kind = ParsedTerm::Kind::Count;
        int sign = 1;
        std::vector<int> fieldOf; // per line type: the field read (Count: 0), -1 for none
        std::vector<int> scaleOf; // per line type: the decimals its value lacks to the term's
        int decimals = 0;
        std::vector<Condition> when; // all hold on a line of their line type for it to count
        Condition negative;          // NEGATIVO SI: the value's sign turned when it holds
    };
    // A rule across lines, checked on each line of its line type: CUENTA, SUMA, IGUAL,
    // SECUENCIA and SECUENCIA LINEA.
    struct Running {
        RuleKind kind = RuleKind::Cuenta;
        int rule = 0;
        int lineType = 0; // the line type and field that hold the number checked
        int field = 0;
        int decimals = 0;        // that field's decimals
        std::vector<Term> terms; // CUENTA, SUMA, IGUAL: what the number equals, added up
        Condition ownNegative;   // IGUAL NEGATIVO SI: the number's own sign
        int since = -1;          // DESDE: the line type that starts the count again; -1 the file
        bool inclusive = false;  // INCLUSIVE: the DESDE line and the line itself count
        int lastDigits = 0;      // ULTIMOS n: the total kept to its last n digits; 0 all
        int compared = 0;        // the decimals the number and its terms are compared at
        // Whether a term sums or counts (and so starts again at DESDE).
        bool accumulates() const
        {
            for (const Term &term : terms)
                if (term.kind != ParsedTerm::Kind::Field)
                    return true;
            return false;
        }
    };

    bool empty() const { return m_rules == 0; }
    // REGISTRO n: the record length (0: lines end with line breaks), and its rule.
    int recordLength() const { return m_recordLength; }
    int recordRule() const { return m_recordRule; }
    // CODIFICACION: the file's one encoding (Any: none declared), and its rule.
    FileEncoding encoding() const { return m_encoding; }
    int encodingRule() const { return m_encodingRule; }
    // Whether a line type prevails over others (PREVALECE): lines that match several are
    // looked at again.
    bool anyPrecedence() const { return m_precedence; }
    const std::vector<TypeRules> &types() const { return m_types; }
    const std::vector<Running> &running() const { return m_running; }
    // Whether lines are recorded for the rules across lines (RuleChecker), and per line type
    // the fields whose values they read (by index, in order).
    bool acrossLines() const { return m_acrossLines; }
    const std::vector<std::vector<int>> &recorded() const { return m_recorded; }
    // Where a field's value stands among its line type's recorded values; -1 when not kept.
    int recordedSlot(int lineType, int field) const;
    // Whether a rule reads the value of a field (a number across lines, ENTRE's bounds).
    bool readsValue(int lineType, int field) const
    {
        return recordedSlot(lineType, field) >= 0 ||
               (lineType >= 0 && size_t(lineType) < m_types.size() && field >= 0 &&
                size_t(field) < m_types[size_t(lineType)].fields.size() &&
                m_types[size_t(lineType)].fields[size_t(field)].rangeRule >= 0);
    }
    // Rules left out: unreadable, or naming what does not exist.
    const QList<LayoutFinding> &findings() const { return m_findings; }
    // The readable rules.
    int count() const { return m_rules; }

    // A text of at most eight bytes as one machine word (for a given length, different texts
    // give different words), read in one or two loads, never byte by byte.
    static quint64 wordOf(const char *p, qsizetype n)
    {
        if (n == 8) {
            quint64 word;
            std::memcpy(&word, p, 8);
            return word;
        }
        if (n >= 4) {
            quint32 a, b;
            std::memcpy(&a, p, 4);
            std::memcpy(&b, p + n - 4, 4);
            return a | quint64(b) << 32;
        }
        if (n >= 2) {
            quint16 a, b;
            std::memcpy(&a, p, 2);
            std::memcpy(&b, p + n - 2, 2);
            return a | quint64(b) << 16;
        }
        return n == 1 ? static_cast<unsigned char>(p[0]) : 0;
    }

    // The message of an error of kind Rule, in plain Spanish.
    QString message(const CompiledFormat &format, const FieldError &error) const;
    // The kind of a readable rule (by its index in the load format's rules).
    std::optional<RuleKind> kindOf(int rule) const
    {
        if (rule < 0 || size_t(rule) >= m_parsed.size() || !m_parsed[size_t(rule)])
            return std::nullopt;
        return m_parsed[size_t(rule)]->kind;
    }

private:
    friend class RuleCompiler;

    int m_rules = 0;
    int m_recordLength = 0;
    int m_recordRule = -1;
    FileEncoding m_encoding = FileEncoding::Any;
    int m_encodingRule = -1;
    bool m_precedence = false;
    std::vector<TypeRules> m_types;
    std::vector<Running> m_running;
    bool m_acrossLines = false;
    std::vector<std::vector<int>> m_recorded;
    QList<LayoutFinding> m_findings;
    std::vector<std::optional<ParsedRule>> m_parsed; // by rule index; none when left out
};

inline bool RuleSet::FieldRules::amongValues(const char *p, int n) const
{
    if (allShort) {
        if (n > 8)
            return false;
        const quint64 word = RuleSet::wordOf(p, n);
        for (const auto &[value, size] : shortValues)
            if (size == n && value == word)
                return true;
        return false;
    }
    for (const QByteArray &value : values)
        if (value.size() == n && std::equal(p, p + n, value.constData()))
            return true;
    return false;
}

// The text of a mantissa read at `decimals` decimals, as a field of `width` characters
// writes it: zero-padded digits, the sign first ("0000012345", "-000012345").
QString paddedNumber(__int128 mantissa, int width);

} // namespace velkora::formats
