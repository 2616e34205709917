#include "RuleSet.h"

#include "CompiledFormat.h"
#include "DateFormat.h"
#include "RuleBounds.h"

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

namespace velkora::formats {

namespace {

// How the rules name line types and fields, and how a rule is left out.
struct Lookup {
    std::function<int(const QString &)> type;       // -1: none
    std::function<int(int, const QString &)> field; // -1: none
    std::function<void(const QString &)> leaveOut;
};

// A SI or NEGATIVO SI on a line type of `allowed` (by index; empty: any); false when it
// names what does not exist or another line type.
bool compileCondition(const Lookup &lookup, const ParsedCondition &parsed,
                      const std::vector<int> &allowed, RuleSet::Condition *out)
{
    out->lineType = lookup.type(parsed.type);
    out->field = out->lineType >= 0 ? lookup.field(out->lineType, parsed.field) : -1;
    if (out->field < 0) {
        lookup.leaveOut(QStringLiteral("el campo %1 del tipo de línea %2 no existe")
                            .arg(parsed.field, parsed.type));
        return false;
    }
    if (!allowed.empty() &&
        (out->lineType >= int(allowed.size()) || allowed[size_t(out->lineType)] < 0)) {
        lookup.leaveOut(QStringLiteral("SI %1.%2 elige líneas del tipo %1, que no se suman ni se "
                                       "cuentan ahí")
                            .arg(parsed.type, parsed.field));
        return false;
    }
    for (const QString &value : parsed.values)
        out->values.push_back(value.toUtf8());
    return true;
}

// A term's line types and fields: the lines it counts, the fields it sums or reads.
bool compileSources(const CompiledFormat &format, const Lookup &lookup, const ParsedTerm &parsed,
                    RuleSet::Term *term)
{
    const size_t typeCount = format.lineTypes().size();
    term->fieldOf.assign(typeCount, -1);
    term->scaleOf.assign(typeCount, 0);
    if (parsed.kind == ParsedTerm::Kind::Count) {
        if (parsed.anyType)
            term->fieldOf.assign(typeCount, 0);
        for (const QString &name : parsed.types) {
            const int t = lookup.type(name);
            if (t < 0) {
                lookup.leaveOut(QStringLiteral("el tipo de línea %1 no existe").arg(name));
                return false;
            }
            term->fieldOf[size_t(t)] = 0;
        }
        return true;
    }
    std::vector<int> decimals(typeCount, 0);
    for (const auto &[typeName, fieldName] : parsed.fields) {
        const int t = lookup.type(typeName);
        if (t < 0) {
            lookup.leaveOut(QStringLiteral("el tipo de línea %1 no existe").arg(typeName));
            return false;
        }
        const int f = lookup.field(t, fieldName);
        if (f < 0) {
            lookup.leaveOut(QStringLiteral("el campo %1 del tipo de línea %2 no existe")
                                .arg(fieldName, typeName));
            return false;
        }
        const CompiledField &read = format.lineTypes()[size_t(t)].fields[size_t(f)];
        if (read.type != FieldType::Numero || !read.usable) {
            lookup.leaveOut(parsed.kind == ParsedTerm::Kind::Sum
                                ? QStringLiteral("SUMA suma un campo NUMERO que se pueda leer")
                                : QStringLiteral("IGUAL compara con un campo NUMERO que se pueda "
                                                 "leer"));
            return false;
        }
        if (term->fieldOf[size_t(t)] >= 0) {
            lookup.leaveOut(QStringLiteral("el tipo de línea %1 se suma dos veces").arg(typeName));
            return false;
        }
        term->fieldOf[size_t(t)] = f;
        decimals[size_t(t)] = read.number.decimals();
        term->decimals = std::max(term->decimals, decimals[size_t(t)]);
    }
    for (size_t t = 0; t < typeCount; ++t)
        if (term->fieldOf[t] >= 0)
            term->scaleOf[t] = term->decimals - decimals[t];
    return true;
}

// The terms of CUENTA, SUMA or IGUAL, with their choices of lines, and the rule's own sign.
bool compileTerms(const CompiledFormat &format, const Lookup &lookup, const ParsedRule &parsed,
                  RuleSet::Running &running)
{
    for (const ParsedTerm &one : parsed.terms) {
        RuleSet::Term term;
        term.kind = one.kind;
        term.sign = one.sign;
        if (!compileSources(format, lookup, one, &term))
            return false;
        for (const ParsedCondition &condition : one.when) {
            RuleSet::Condition compiled;
            if (!compileCondition(lookup, condition, term.fieldOf, &compiled))
                return false;
            term.when.push_back(std::move(compiled));
        }
        if (one.negative && !compileCondition(lookup, *one.negative, term.fieldOf, &term.negative))
            return false;
        running.terms.push_back(std::move(term));
    }
    if (parsed.ownNegative) {
        std::vector<int> own(format.lineTypes().size(), -1);
        own[size_t(running.lineType)] = 0;
        if (!compileCondition(lookup, *parsed.ownNegative, own, &running.ownNegative))
            return false;
    }
    running.inclusive = parsed.inclusive;
    running.lastDigits = parsed.lastDigits;
    return true;
}

} // namespace

int RuleSet::recordedSlot(int lineType, int field) const
{
    if (lineType < 0 || size_t(lineType) >= m_recorded.size())
        return -1;
    const std::vector<int> &fields = m_recorded[size_t(lineType)];
    const auto at = std::find(fields.begin(), fields.end(), field);
    return at == fields.end() ? -1 : int(at - fields.begin());
}

RuleSet RuleSet::compile(const CompiledFormat &format)
{
    RuleSet set;
    const LoadFormat &def = format.format();
    const auto typeCount = format.lineTypes().size();
    set.m_types.resize(typeCount);
    for (size_t t = 0; t < typeCount; ++t)
        set.m_types[t].fields.resize(format.lineTypes()[t].fields.size());
    set.m_recorded.resize(typeCount);
    set.m_parsed.resize(size_t(def.rules.size()));

    auto typeIndex = [&](const QString &order) {
        const qint64 n = orderNumber(order);
        for (int t = 0; t < def.lineTypes.size(); ++t) {
            const QString &own = def.lineTypes.at(t).order;
            if (n >= 0 ? orderNumber(own) == n : own.trimmed() == order.trimmed())
                return t;
        }
        return -1;
    };
    auto fieldIndex = [&](int type, const QString &id) {
        const qint64 n = orderNumber(id);
        const QList<FieldDef> &fields = def.lineTypes.at(type).fields;
        for (int f = 0; f < fields.size(); ++f)
            if (n >= 0 ? orderNumber(fields.at(f).id) == n
                       : fields.at(f).id.trimmed() == id.trimmed())
                return f;
        return -1;
    };

    if (!def.rulesAvailable)
        set.m_findings << LayoutFinding{LayoutFinding::Kind::Rule,
                                        {},
                                        {},
                                        QStringLiteral("Las reglas no están disponibles: la base "
                                                       "de datos no tiene la tabla Layout_Regla "
                                                       "(velkora --upgrade la añade).")};

    for (int r = 0; r < def.rules.size(); ++r) {
        const RuleDef &rule = def.rules.at(r);
        const QString shown = QStringLiteral("La regla %1 (%2)").arg(rule.id, rule.text.trimmed());
        auto leaveOut = [&](const QString &why) {
            set.m_findings << LayoutFinding{LayoutFinding::Kind::Rule, rule.lineOrder, rule.fieldId,
                                            QStringLiteral("%1 no se aplica: %2.").arg(shown, why)};
        };
        QString error;
        const std::optional<ParsedRule> parsed = parseRule(rule.text, &error);
        if (!parsed) {
            leaveOut(error);
            continue;
        }
        const RuleScope wanted = ruleScope(parsed->kind);
        const RuleScope given = rule.lineOrder.trimmed().isEmpty() ? RuleScope::File
                                : rule.fieldId.trimmed().isEmpty() ? RuleScope::LineType
                                                                   : RuleScope::Field;
        if (wanted != given) {
            const auto where = [](RuleScope scope) {
                return scope == RuleScope::File ? QStringLiteral("el archivo (sin tipo de línea)")
                       : scope == RuleScope::LineType
                           ? QStringLiteral("un tipo de línea (sin campo)")
                           : QStringLiteral("un campo");
            };
            leaveOut(QStringLiteral("%1 va en %2 y está en %3")
                         .arg(ruleKeyword(parsed->kind), where(wanted), where(given)));
            continue;
        }
        int type = -1;
        int field = -1;
        if (given != RuleScope::File) {
            type = typeIndex(rule.lineOrder);
            if (type < 0) {
                leaveOut(QStringLiteral("el tipo de línea %1 no existe").arg(rule.lineOrder));
                continue;
            }
        }
        if (given == RuleScope::Field) {
            field = fieldIndex(type, rule.fieldId);
            if (field < 0) {
                leaveOut(QStringLiteral("el campo %1 del tipo de línea %2 no existe")
                             .arg(rule.fieldId, rule.lineOrder));
                continue;
            }
        }
        const CompiledField *spec =
            field >= 0 ? &format.lineTypes()[size_t(type)].fields[size_t(field)] : nullptr;
        auto mustBeNumber = [&]() {
            if (spec->type == FieldType::Numero && spec->usable)
                return true;
            leaveOut(QStringLiteral("%1 va en un campo NUMERO que se pueda leer")
                         .arg(ruleKeyword(parsed->kind)));
            return false;
        };
        auto types = [&](const QStringList &names, std::vector<char> *mask) {
            mask->assign(typeCount, 0);
            for (const QString &name : names) {
                const int t = typeIndex(name);
                if (t < 0) {
                    leaveOut(QStringLiteral("el tipo de línea %1 no existe").arg(name));
                    return false;
                }
                (*mask)[size_t(t)] = 1;
            }
            return true;
        };
        auto since = [&](int *out) {
            *out = -1;
            if (parsed->since.isEmpty())
                return true;
            *out = typeIndex(parsed->since);
            if (*out >= 0)
                return true;
            leaveOut(QStringLiteral("el tipo de línea %1 no existe").arg(parsed->since));
            return false;
        };
        auto once = [&](int *slot) {
            if (*slot >= 0) {
                leaveOut(QStringLiteral("ya hay una regla %1 en el mismo lugar (la %2)")
                             .arg(ruleKeyword(parsed->kind), def.rules.at(*slot).id));
                return false;
            }
            *slot = r;
            return true;
        };
        TypeRules *own = type >= 0 ? &set.m_types[size_t(type)] : nullptr;
        FieldRules *fieldRules = field >= 0 ? &own->fields[size_t(field)] : nullptr;
        Running running;
        running.kind = parsed->kind;
        running.rule = r;
        running.lineType = type;
        running.field = field;
        switch (parsed->kind) {
        case RuleKind::Registro:
            if (!once(&set.m_recordRule))
                continue;
            set.m_recordLength = int(parsed->min);
            break;
        case RuleKind::Codificacion:
            if (!once(&set.m_encodingRule))
                continue;
            set.m_encoding = parsed->encoding;
            break;
        case RuleKind::Longitud:
            if (!once(&own->lengthRule))
                continue;
            own->minLength = int(parsed->min);
            own->maxLength = int(parsed->max);
            break;
        case RuleKind::Veces:
            if (!once(&own->timesRule))
                continue;
            own->minTimes = parsed->min;
            own->maxTimes = parsed->max;
            break;
        case RuleKind::Primera:
            if (!once(&own->firstRule))
                continue;
            break;
        case RuleKind::Ultima:
            if (!once(&own->lastRule))
                continue;
            break;
        case RuleKind::Tras: {
            std::vector<char> mask;
            if (!types(parsed->types, &mask))
                continue;
            if (!once(&own->afterRule))
                continue;
            own->after = std::move(mask);
            own->afterStart = parsed->afterStart;
            break;
        }
        case RuleKind::Prevalece: {
            std::vector<char> mask;
            if (!types(parsed->types, &mask) || !once(&own->prevailsRule))
                continue;
            own->prevails = std::move(mask);
            set.m_precedence = true;
            break;
        }
        case RuleKind::Opcional:
            fieldRules->optional = true;
            break;
        case RuleKind::Valores:
            if (!once(&fieldRules->valuesRule))
                continue;
            fieldRules->allShort = true;
            for (const QString &value : parsed->values) {
                const QByteArray bytes = value.toUtf8();
                fieldRules->values.push_back(bytes);
                if (bytes.size() <= 8) {
                    fieldRules->shortValues.emplace_back(wordOf(bytes.constData(), bytes.size()),
                                                         int(bytes.size()));
                } else {
                    fieldRules->allShort = false;
                }
            }
            break;
        case RuleKind::Entre: {
            const bool onNumber = spec->type == FieldType::Numero && spec->usable;
            const bool onDate = spec->type == FieldType::Fecha && spec->usable;
            if (!onNumber && !onDate) {
                leaveOut(QStringLiteral("ENTRE va en un campo NUMERO o Fecha que se pueda leer"));
                continue;
            }
            QString why;
            const std::optional<RangeBounds> bounds =
                rangeBounds(*parsed, onDate, onNumber ? spec->number.decimals() : 0, &why);
            if (!bounds) {
                leaveOut(why);
                continue;
            }
            if (!once(&fieldRules->rangeRule))
                continue;
            fieldRules->low = bounds->low;
            fieldRules->high = bounds->high;
            break;
        }
        case RuleKind::Cuenta:
        case RuleKind::Suma:
        case RuleKind::Igual:
            if (!mustBeNumber() || !since(&running.since) ||
                !compileTerms(format, {typeIndex, fieldIndex, leaveOut}, *parsed, running))
                continue;
            break;
        case RuleKind::Secuencia:
        case RuleKind::SecuenciaLinea:
            if (!mustBeNumber())
                continue;
            break;
        }
        set.m_parsed[size_t(r)] = *parsed;
        ++set.m_rules;
        if (own && field >= 0 && (fieldRules->any()))
            own->anyFieldRule = true;
        const RuleKind kind = parsed->kind;
        if (kind == RuleKind::Cuenta || kind == RuleKind::Suma || kind == RuleKind::Igual ||
            kind == RuleKind::Secuencia || kind == RuleKind::SecuenciaLinea) {
            running.decimals = spec->number.decimals();
            running.compared = running.decimals;
            for (const Term &term : running.terms)
                running.compared = std::max(running.compared, term.decimals);
            auto keep = [&](int t, int f) {
                std::vector<int> &fields = set.m_recorded[size_t(t)];
                if (std::find(fields.begin(), fields.end(), f) == fields.end()) {
                    fields.push_back(f);
                    std::sort(fields.begin(), fields.end());
                }
            };
            keep(type, field);
            for (const Term &term : running.terms)
                for (size_t t = 0; t < term.fieldOf.size(); ++t)
                    if (term.fieldOf[t] >= 0 && term.kind != ParsedTerm::Kind::Count)
                        keep(int(t), term.fieldOf[t]);
            set.m_running.push_back(std::move(running));
        }
        if (kind != RuleKind::Registro && kind != RuleKind::Codificacion &&
            kind != RuleKind::Prevalece && kind != RuleKind::Longitud &&
            kind != RuleKind::Opcional && kind != RuleKind::Valores && kind != RuleKind::Entre)
            set.m_acrossLines = true;
    }
    for (TypeRules &type : set.m_types)
        for (size_t f = 0; f < type.fields.size(); ++f)
            if (type.fields[f].any())
                type.ruledFields.push_back(int(f));
    return set;
}

} // namespace velkora::formats
