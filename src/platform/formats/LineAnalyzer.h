#pragma once

#include "CompiledFormat.h"
#include "DigitMask.h"
#include "ScanResult.h"
#include "TextEncoding.h"

#include <vector>

namespace velkora::formats {

// Reads one line of a file with a compiled load format: its encoding, its line type, every
// field's text and conversion, and which gaps hold text. One analyzer per thread; it keeps its
// buffers from line to line, so analysing a line allocates nothing. A later view of a file can
// use it on any line it shows (describe() gives the converted values as texts).
class LineAnalyzer {
public:
    enum class Match { None, One, Many };

    struct FieldResult {
        int begin = 0; // the field's text: bytes [begin, end) of the line (after trimming)
        int end = 0;
        int pad = 0;    // blanks past the end of a short line that belong to the text
        int column = 0; // the column (from 1) of the text's first character
        bool ok = true;
        bool empty = false; // an OPCIONAL field with an empty value (read as no value)
        Problem problem;
        NumberValue number;
        DateValue date;
    };

    // How much analyze() works out. Full: everything that field() and detail() show. Checks:
    // what the test's counts and lists need (the encoding, the line type, every field's ok,
    // problem and value, the gaps) but not the text of TEXTO and SQL fields, which are never in
    // error; after it, detail() and field() of those fields are not to be used.
    enum class Depth { Full, Checks };

    explicit LineAnalyzer(const CompiledFormat &format);

    // Whether the checks work out the value of a NUMERO field of digits alone (they always
    // check it): by default of every such field; of none for a reader that never looks at
    // values (the test of a format without rules), of those the rules read for the test of a
    // format with rules.
    void setValuesWanted(bool wanted);
    void setValuesWanted(const RuleSet &rules);
    // A reader that reads the values wanted of a line's digits-only fields from the line itself
    // (valueSpot) can have them left unworked: after a line whose mask passed, they are worked
    // out only by readDeferredValues(), which the reader calls before it looks at field().
    void setValuesDeferred(bool deferred) { m_deferValues = deferred; }
    bool valuesDeferred() const { return m_valuesPending; }
    void readDeferredValues()
    {
        if (m_valuesPending) {
            m_valuesPending = false;
            readValues(m_types[size_t(m_resultType)]);
        }
    }
    // Where the digits of a field whose value is deferred lie on a line of its type: where they
    // end, how many, and whether the words that end with them can be read (8 bytes; 16 for more
    // than eight digits). False for a field whose value is never deferred.
    struct ValueSpot {
        int end = 0;
        int size = 0;
        bool words = false;
    };
    bool valueSpot(int lineType, int field, ValueSpot *spot) const;
    // Where a field of digits alone lies on a line of its type whose mask passed (whose values
    // were left unworked): its characters [*start, *end), its result's text. False for a field
    // outside the mask.
    bool maskedSpan(int lineType, int field, int *start, int *end) const;

    // Analyses one line: its bytes without the line end.
    void analyze(const char *p, qsizetype n) { analyze(p, n, Depth::Full); }
    void analyze(const char *p, qsizetype n, Depth depth);

    Match match() const { return m_match; }
    int lineType() const { return m_lineType; }                         // when match() is One
    const std::vector<int> &candidates() const { return m_candidates; } // every match
    qsizetype characters() const { return m_chars; }
    LineEncoding encoding() const { return m_encoding; }
    int errorCount() const { return m_errors; } // fields in error
    const FieldResult &field(int index) const
    {
        return m_types[size_t(m_resultType)].fields[size_t(index)];
    }
    bool gapHasText(int gap) const { return m_gapHit[size_t(gap)] != 0; }
    // The fields in error of the analysed line, in the line type's order.
    const std::vector<int> &fieldsInError() const { return m_inError; }
    // The first control character of the analysed line (a byte below 0x20 but TAB): its
    // column (from 1), or 0 when there is none; and the field of the line type that holds it
    // (-1: none, or no single line type).
    int controlColumn() const { return m_controlColumn; }
    int controlField() const;
    // A field's text as the line holds it (trimmed when the field asks for it; a short line's
    // missing blanks are not added): its bytes, for the rules that read any field's text.
    std::pair<const char *, int> fieldBytes(int field) const;
    // The line's bytes and its encoding, as analysed.
    const char *bytes() const { return m_p; }

    // What a field of the analysed line (of a single line type) would read, for telling why it
    // is in error: whether its text `shift` columns away (to the right when positive) reads
    // in its type and format, and whether its text reads as a date in `format`. Only a usable
    // NUMERO or Fecha field can read (true); nothing that field() gives changes.
    bool readsShifted(int field, int shift);
    bool readsAsDate(int field, const DateFormat &format);

    // The fixed-size record of a field in error of the analysed line.
    void fillError(int field, FieldError &error) const;
    // The analysed line in full: converted values (and messages) or, without a single line
    // type, its text.
    LineDetail detail() const;

private:
    // Bytes of the characters [from, to) of the line (to <= characters()).
    int byteAt(qsizetype character) const
    {
        return m_encoding == LineEncoding::Utf8 ? m_offsets[size_t(character)] : int(character);
    }
    void matchLineType();
    void settleCandidates();
    void readEncoding();
    Q_NEVER_INLINE void readAnyEncoding();
    void readEveryField(const CompiledLineType &type);
    void readChecks(const CompiledLineType &type);
    struct Check;
    // Reads one field that can be in error, as the checks read it.
    void readCheck(const CompiledField &spec, const Check &check, FieldResult &result);
    // Whether a field's text is converted (and may be in error): NUMERO and Fecha.
    static bool converts(const CompiledField &spec)
    {
        return spec.type == FieldType::Numero || spec.type == FieldType::Fecha;
    }
    // Reads any field: its result reset, then read (a field that cannot be read is in error).
    void readAnyField(const CompiledField &spec, FieldResult &result);
    // A field's text as the line holds it from character `from`: bytes [begin, end), blanks
    // past the end of a short line, and the column of its first character (after trimming).
    struct Span {
        int begin = 0;
        int end = 0;
        int pad = 0;
        int column = 0;
    };
    Span span(const CompiledField &spec, qsizetype from) const;
    // The text of a span, padded with its blanks (in m_scratch when it has any).
    std::pair<const char *, int> paddedText(const Span &span);
    // Reads a usable field that reads the file: its text's bounds and, for a NUMERO or Fecha
    // field, its value.
    void readField(const CompiledField &spec, FieldResult &result);
    void checkGaps(const CompiledLineType &type);
    // An OPCIONAL field in error whose text is blank (or zeros, for NUMERO and Fecha) is an
    // empty value: no error.
    static bool emptyValue(const CompiledField &spec, const char *p, int n);
    static void makeEmpty(FieldResult &result)
    {
        result.ok = true;
        result.empty = true;
        result.problem = Problem{};
        result.number = NumberValue{};
        result.date = DateValue{};
    }
    int columnOf(const FieldResult &result, int at) const;
    QString fieldText(const FieldResult &result) const;

    const CompiledFormat &m_format;
    const char *m_p = nullptr;
    qsizetype m_n = 0;
    qsizetype m_chars = 0;
    LineEncoding m_encoding = LineEncoding::Ascii;
    Match m_match = Match::None;
    int m_lineType = -1;
    int m_errors = 0;
    int m_controlColumn = 0;
    bool m_deferValues = false;
    bool m_valuesPending = false; // the values wanted of the line's masked fields not worked out
    std::vector<int> m_offsets; // byte offset of every character of a UTF-8 line, and n
    std::vector<int> m_candidates;
    std::vector<int> m_allCandidates; // before the most specific ID wins
    // A field that can be in error (NUMERO, Fecha, or not readable as defined), as the checks
    // read it.
    struct Check {
        enum Kind : quint8 { Digits, Number, Date, Unusable };
        Kind kind = Number;
        bool inPlace = false; // readable in place on a line of one byte per character
        bool value = true;    // Digits: its value worked out (see setValuesWanted)
        int field = 0;        // in the line type
        int start = 0;        // its characters [start, end)
        int end = 0;
    };
    // What one line type keeps from line to line: its fields' results and its checks. The
    // checks of digits alone that lie in place are tested at once by a mask; while the mask
    // passes, their results keep the state of a field read without fault ("clean": ok, not
    // empty, no problem, its bounds), written again only after a line that left them otherwise.
    struct TypeState {
        std::vector<FieldResult> fields;
        std::vector<Check> checks; // in the line type's order
        DigitMask mask;            // over the checks of `masked`, when it has any word
        std::vector<int> masked;   // indices in `checks`
        // Of `masked`, those whose value is wanted: its field, where its digits end, how many,
        // and whether the line's words that end with them can be read (8 bytes, 16 for more
        // than eight digits) or the value is read from its first digit.
        struct Valued {
            int field = 0;
            int end = 0;
            int size = 0;
            bool words = false;
        };
        std::vector<Valued> valued;
        std::vector<int> unmasked; // the other checks, in order
        bool clean = false;        // the results of `masked` hold the clean state
    };
    static void prepareChecks(TypeState &state, const CompiledLineType &type);
    static void listValued(TypeState &state);
    // A result read without fault so far: ok, not empty, no problem, no blanks added.
    static void setWithoutFault(FieldResult &result)
    {
        result.ok = true;
        result.empty = false;
        result.problem.code = Problem::None;
        result.problem.at = -1;
        result.pad = 0;
    }
    // A field read in place without fault: its bounds, no problem (its value aside).
    static void setReadInPlace(const Check &check, FieldResult &result);
    // The clean state of the masked checks' results.
    Q_NEVER_INLINE static void setClean(TypeState &state);
    // After the mask passed: the values wanted of its fields, and the checks it leaves out.
    Q_NEVER_INLINE void readUnmasked(TypeState &state, const CompiledLineType &type);
    // After the mask passed: the values wanted of its fields (out of the way of a line type
    // whose values no rule reads).
    Q_NEVER_INLINE void readValues(TypeState &state) const;
    // Every check read on its own.
    Q_NEVER_INLINE void readEveryCheck(TypeState &state, const CompiledLineType &type);
    // Whether the line type's ID, once found, decides the line's type: no ID of another place
    // can match a line that holds it.
    bool idDecides(int type) const;
    std::vector<TypeState> m_types;
    int m_resultType = 0;                 // whose results field() gives: the last line's type
    int m_inErrorType = 0;                // the line type of m_inError
    std::vector<char> m_decides;          // per line type: idDecides()
    const IdProbe *m_onlyProbe = nullptr; // the one place of every line ID, if there is one
    std::vector<int> m_inError;           // the fields of the line in error
    std::vector<char> m_gapHit;
    std::vector<char> m_scratch; // a field's text padded with blanks
    char m_key[256];             // a Windows-1252 ID re-coded as UTF-8
};

} // namespace velkora::formats
