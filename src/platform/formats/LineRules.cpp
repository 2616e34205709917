#include "LineRules.h"

#include "CompiledFormat.h"
#include "LineAnalyzer.h"

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
    auto error = [&](int field, int rule) {
        return ruleError(m_format, index, t, field, rule, analyzer.characters());
    };
    if (rules.lengthRule >= 0) {
        const qsizetype length = analyzer.characters();
        if (length < rules.minLength || length > rules.maxLength) {
            FieldError e = error(-1, rules.lengthRule);
            e.ruleValue = length;
            countError(m_format, e, out, inError, keep, listLimit);
        }
    }
    if (!rules.anyFieldRule)
        return;
    for (const int ruled : rules.ruledFields) {
        const auto f = size_t(ruled);
        const RuleSet::FieldRules &field = rules.fields[f];
        if (field.valuesRule >= 0) {
            auto [p, n] = analyzer.fieldBytes(int(f));
            while (n > 0 && p[n - 1] == ' ')
                --n; // blanks at the end of a field do not count
            bool found = false;
            if (field.allShort) {
                if (n <= 8) {
                    const quint64 word = RuleSet::wordOf(p, n);
                    for (const auto &[value, size] : field.shortValues)
                        found = found || (size == n && value == word);
                }
            } else {
                for (const QByteArray &value : field.values)
                    found = found || (value.size() == n && std::equal(p, p + n, value.constData()));
            }
            if (!found) {
                FieldError e = error(int(f), field.valuesRule);
                qsizetype consumed = 0;
                e.textSize = quint8(
                    appendUtf8(p, n, analyzer.encoding(), e.text, int(sizeof e.text), &consumed));
                e.textCut = consumed < n;
                countError(m_format, e, out, inError, keep, listLimit);
            }
        }
        if (field.rangeRule >= 0) {
            const LineAnalyzer::FieldResult &result = analyzer.field(int(f));
            if (!result.ok || result.empty)
                continue; // a value that does not read is already an error
            const CompiledField &spec = m_format.lineTypes()[size_t(t)].fields[f];
            const qint64 value =
                spec.type == FieldType::Fecha
                    ? qint64(result.date.year) * 10000 + result.date.month * 100 + result.date.day
                    : (result.number.negative ? -result.number.mantissa : result.number.mantissa);
            if (value < field.low || value > field.high) {
                FieldError e = error(int(f), field.rangeRule);
                e.ruleValue = value;
                countError(m_format, e, out, inError, keep, listLimit);
            }
        }
    }
}

} // namespace velkora::formats
