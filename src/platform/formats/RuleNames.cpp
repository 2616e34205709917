#include "RuleNames.h"

namespace velkora::formats {

QStringList namedLineTypes(const ParsedRule &rule)
{
    QStringList named;
    if (rule.kind == RuleKind::Tras || rule.kind == RuleKind::Prevalece)
        named << rule.types;
    auto condition = [&named](const ParsedCondition &c) { named << c.type; };
    for (const ParsedTerm &term : rule.terms) {
        named << term.types;
        for (const auto &field : term.fields)
            named << field.first;
        for (const ParsedCondition &c : term.when)
            condition(c);
        if (term.negative)
            condition(*term.negative);
    }
    if (rule.ownNegative)
        condition(*rule.ownNegative);
    if (!rule.since.isEmpty())
        named << rule.since;
    return named;
}

QList<QPair<QString, QString>> readFields(const ParsedRule &rule)
{
    QList<QPair<QString, QString>> fields;
    for (const ParsedTerm &term : rule.terms)
        fields << term.fields;
    return fields;
}

} // namespace velkora::formats
