#include "LineRules.h"

#include "CompiledFormat.h"
#include "LineAnalyzer.h"
#include "RuleVerdicts.h"

#include <algorithm>
#include <cstring>

namespace velkora::formats {

void countError(const CompiledFormat &format, const FieldError &error, ScanResult &out,
                bool &inError, bool keep, int listLimit)
{
    ++out.errorCount;
    if (error.lineType >= 0) {
        TypeStat &stat = out.types[size_t(error.lineType)];
        if (!inError)
            ++stat.errorLines;
        stat.noteError(error.field, format.lineTypes()[size_t(error.lineType)].fields.size(),
                       error.line);
    } else {
        ++out.untypedErrors;
    }
    inError = true;
    if (keep && int(out.errors.size()) < listLimit)
        out.errors.push_back(error);
}

LineRules::LineRules(const CompiledFormat &format) : m_format(format) {}

FieldError ruleError(const CompiledFormat &format, qint64 line, int lineType, int field, int rule,
                     qsizetype characters)
{
    FieldError e;
    e.line = line;
    e.lineType = lineType;
    e.field = field;
    e.kind = ErrorKind::Rule;
    e.rule = rule;
    if (field >= 0) {
        const FieldDef &def = format.field(lineType, field);
        e.from = def.position;
        e.to = def.position + def.length - 1;
    } else {
        e.from = 1;
        e.to = int(std::max<qsizetype>(1, characters));
    }
    return e;
}

void LineRules::check(const LineAnalyzer &analyzer, qint64 index, ScanResult &out, bool &inError,
                      bool keep, int listLimit) const
{
    const int t = analyzer.lineType();
    const RuleSet::TypeRules &rules = m_format.rules().types()[size_t(t)];
    const Broken broken{analyzer, index, out, inError, keep, listLimit};
    if (rules.lengthRule >= 0) {
        const qsizetype length = analyzer.characters();
        if (!withinBounds(length, rules.minLength, rules.maxLength)) {
            FieldError e = error(broken, -1, rules.lengthRule);
            e.ruleValue = length;
            countError(m_format, e, out, inError, keep, listLimit);
        }
    }
    if (!rules.anyFieldRule)
        return;
    for (const int ruled : rules.ruledFields) {
        const RuleSet::FieldRules &field = rules.fields[size_t(ruled)];
        if (field.valuesRule >= 0) {
            const LineAnalyzer::FieldResult &result = analyzer.field(ruled);
            auto [p, n] = field.readOnEveryLine
                              ? std::pair(analyzer.bytes() + result.begin, result.end - result.begin)
                              : analyzer.fieldBytes(ruled);
            n = withoutEndBlanks(p, n);
            if (!field.amongValues(p, n))
                notAmongValues(broken, ruled, field.valuesRule, p, n);
        }
        if (field.rangeRule >= 0)
            checkRange(broken, ruled, field);
    }
}

FieldError LineRules::error(const Broken &at, int field, int rule) const
{
    return ruleError(m_format, at.index, at.analyzer.lineType(), field, rule,
                     at.analyzer.characters());
}

void LineRules::notAmongValues(const Broken &at, int field, int rule, const char *p, int n) const
{
    FieldError e = error(at, field, rule);
    qsizetype consumed = 0;
    e.textSize =
        quint8(appendUtf8(p, n, at.analyzer.encoding(), e.text, int(sizeof e.text), &consumed));
    e.textCut = consumed < n;
    countError(m_format, e, at.out, at.inError, at.keep, at.listLimit);
}

void LineRules::checkRange(const Broken &at, int f, const RuleSet::FieldRules &field) const
{
    const LineAnalyzer::FieldResult &result = at.analyzer.field(f);
    if (!result.ok || result.empty)
        return; // a value that does not read is already an error
    const qint64 value = rangeValue(result, field.onDate);
    if (!withinBounds(value, field.low, field.high)) {
        FieldError e = error(at, f, field.rangeRule);
        e.ruleValue = value;
        countError(m_format, e, at.out, at.inError, at.keep, at.listLimit);
    }
}

} // namespace velkora::formats
