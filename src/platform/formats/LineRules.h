#pragma once

#include "RuleSet.h"
#include "ScanResult.h"

namespace velkora::formats {

class CompiledFormat;
class LineAnalyzer;

// Checks the rules that a line keeps on its own (LONGITUD, VALORES, ENTRE) on the line that an
// analyzer has just read with a single line type (the rules across lines: RuleTrack.h). One per
// reading thread; it allocates nothing per line.
class LineRules {
public:
    explicit LineRules(const CompiledFormat &format);

    // Adds the line's broken rules to `out` (line `index` of it in reading order); `inError`
    // says whether an error is already counted on the line, and turns true with the first.
    // `keep`: whether the result's list of errors still wants entries.
    void check(const LineAnalyzer &analyzer, qint64 index, ScanResult &out, bool &inError,
               bool keep, int listLimit) const;

private:
    // A line being checked, and where its broken rules go.
    struct Broken {
        const LineAnalyzer &analyzer;
        qint64 index;
        ScanResult &out;
        bool &inError;
        bool keep;
        int listLimit;
    };
    FieldError error(const Broken &at, int field, int rule) const;
    void notAmongValues(const Broken &at, int field, int rule, const char *p, int n) const;
    // ENTRE on a field's value.
    void checkRange(const Broken &at, int field, const RuleSet::FieldRules &rules) const;

    const CompiledFormat &m_format;
};

// A broken rule on line `line` of type `lineType`: at the field's columns, or over the whole
// line (`characters` long) when `field` is -1.
FieldError ruleError(const CompiledFormat &format, qint64 line, int lineType, int field, int rule,
                     qsizetype characters);

// Counts an error of a line and keeps it while the list has room: the error count, the line
// type's lines in error (once per line, `inError`) and its field's (or the whole line's).
void countError(const CompiledFormat &format, const FieldError &error, ScanResult &out,
                bool &inError, bool keep, int listLimit);

} // namespace velkora::formats
