#include "RuleSet.h"

#include "CompiledFormat.h"
#include "DateFormat.h"
#include "RuleBounds.h"
#include "RulePlacement.h"

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

// Whether a rule of the kind is checked across lines (RuleChecker): all but those of the file's
// reading, of one line on its own, and of the choice of a line's type.
bool acrossLines(RuleKind kind)
{
    switch (kind) {
    case RuleKind::Registro:
    case RuleKind::Codificacion:
    case RuleKind::Prevalece:
    case RuleKind::Longitud:
    case RuleKind::Opcional:
    case RuleKind::Valores:
    case RuleKind::Entre:
        return false;
    default:
        return true;
    }
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

// Reads a load format's rules one after the other into a RuleSet: each rule parsed, placed,
// tied to its line types and fields, and kept, or left out with why.
class RuleCompiler {
public:
    RuleCompiler(const CompiledFormat &format, RuleSet &set)
        : m_format(format), m_def(format.format()), m_set(set)
    {}

    void compileAll();

private:
    int typeIndex(const QString &order) const;
    int fieldIndex(int type, const QString &id) const;
    void leaveOut(const QString &why) const;
    void prepare();
    void compileRule();
    bool place(const ParsedRule &parsed);
    bool once(int *slot) const;
    bool lineTypes(const QStringList &names, std::vector<char> *mask) const;
    bool since(const QString &name, int *out) const;
    bool compileKind(const ParsedRule &parsed, RuleSet::Running &running);
    bool compileTypeRule(const ParsedRule &parsed, RuleSet::TypeRules &own);
    bool compileValues(const ParsedRule &parsed, RuleSet::FieldRules &rules) const;
    bool compileRange(const ParsedRule &parsed, RuleSet::FieldRules &rules) const;
    void keepRunning(RuleSet::Running running);
    void keepRecorded(int lineType, int field);
    void listRuledFields();

    const CompiledFormat &m_format;
    const LoadFormat &m_def;
    RuleSet &m_set;
    // The rule being read, and where it stands.
    int m_rule = 0;
    RuleKind m_kind = RuleKind::Registro;
    int m_type = -1;
    int m_field = -1;
};

int RuleCompiler::typeIndex(const QString &order) const
{
    const qint64 n = orderNumber(order);
    for (int t = 0; t < m_def.lineTypes.size(); ++t) {
        const QString &own = m_def.lineTypes.at(t).order;
        if (n >= 0 ? orderNumber(own) == n : own.trimmed() == order.trimmed())
            return t;
    }
    return -1;
}

int RuleCompiler::fieldIndex(int type, const QString &id) const
{
    const qint64 n = orderNumber(id);
    const QList<FieldDef> &fields = m_def.lineTypes.at(type).fields;
    for (int f = 0; f < fields.size(); ++f)
        if (n >= 0 ? orderNumber(fields.at(f).id) == n : fields.at(f).id.trimmed() == id.trimmed())
            return f;
    return -1;
}

void RuleCompiler::leaveOut(const QString &why) const
{
    const RuleDef &rule = m_def.rules.at(m_rule);
    const QString shown = QStringLiteral("La regla %1 (%2)").arg(rule.id, rule.text.trimmed());
    m_set.m_findings << LayoutFinding{LayoutFinding::Kind::Rule, rule.lineOrder, rule.fieldId,
                                      QStringLiteral("%1 no se aplica: %2.").arg(shown, why)};
}

void RuleCompiler::prepare()
{
    const auto typeCount = m_format.lineTypes().size();
    m_set.m_types.resize(typeCount);
    for (size_t t = 0; t < typeCount; ++t)
        m_set.m_types[t].fields.resize(m_format.lineTypes()[t].fields.size());
    m_set.m_recorded.resize(typeCount);
    m_set.m_parsed.resize(size_t(m_def.rules.size()));
    if (!m_def.rulesAvailable)
        m_set.m_findings << LayoutFinding{LayoutFinding::Kind::Rule,
                                          {},
                                          {},
                                          QStringLiteral("Las reglas no están disponibles: la "
                                                         "base de datos no tiene la tabla "
                                                         "Layout_Regla (velkora --upgrade la "
                                                         "añade).")};
}

void RuleCompiler::compileAll()
{
    prepare();
    for (m_rule = 0; m_rule < m_def.rules.size(); ++m_rule)
        compileRule();
    listRuledFields();
}

// Where the rule stands: its line type and field exist, and its kind goes there.
bool RuleCompiler::place(const ParsedRule &parsed)
{
    const RuleDef &rule = m_def.rules.at(m_rule);
    const RuleScope given = givenScope(rule.lineOrder, rule.fieldId);
    const QString keyword = ruleKeyword(parsed.kind);
    if (const auto misplaced = misplacedScope(parsed.kind, given)) {
        leaveOut(QStringLiteral("%1 va en %2 y está en %3")
                     .arg(keyword, misplaced->wanted, misplaced->given));
        return false;
    }
    m_type = m_field = -1;
    if (given == RuleScope::File)
        return true;
    m_type = typeIndex(rule.lineOrder);
    if (m_type < 0) {
        leaveOut(QStringLiteral("el tipo de línea %1 no existe").arg(rule.lineOrder));
        return false;
    }
    if (given == RuleScope::LineType)
        return true;
    m_field = fieldIndex(m_type, rule.fieldId);
    if (m_field < 0) {
        leaveOut(QStringLiteral("el campo %1 del tipo de línea %2 no existe")
                     .arg(rule.fieldId, rule.lineOrder));
        return false;
    }
    const CompiledField &spec = m_format.lineTypes()[size_t(m_type)].fields[size_t(m_field)];
    if (const auto misplaced = misplacedField(parsed.kind, spec.type, spec.usable)) {
        leaveOut(QStringLiteral("%1 va en %2 y está en %3")
                     .arg(keyword, misplaced->wanted, misplaced->given));
        return false;
    }
    return true;
}

// Of a kind applied once in a place: the rule takes the place, unless an earlier one holds it.
bool RuleCompiler::once(int *slot) const
{
    if (*slot >= 0) {
        leaveOut(QStringLiteral("ya hay una regla %1 en el mismo lugar (la %2)")
                     .arg(ruleKeyword(m_kind), m_def.rules.at(*slot).id));
        return false;
    }
    *slot = m_rule;
    return true;
}

bool RuleCompiler::lineTypes(const QStringList &names, std::vector<char> *mask) const
{
    mask->assign(m_format.lineTypes().size(), 0);
    for (const QString &name : names) {
        const int t = typeIndex(name);
        if (t < 0) {
            leaveOut(QStringLiteral("el tipo de línea %1 no existe").arg(name));
            return false;
        }
        (*mask)[size_t(t)] = 1;
    }
    return true;
}

bool RuleCompiler::since(const QString &name, int *out) const
{
    *out = name.isEmpty() ? -1 : typeIndex(name);
    if (name.isEmpty() || *out >= 0)
        return true;
    leaveOut(QStringLiteral("el tipo de línea %1 no existe").arg(name));
    return false;
}

bool RuleCompiler::compileTypeRule(const ParsedRule &parsed, RuleSet::TypeRules &own)
{
    std::vector<char> mask;
    switch (parsed.kind) {
    case RuleKind::Longitud:
        if (!once(&own.lengthRule))
            return false;
        own.minLength = int(parsed.min);
        own.maxLength = int(parsed.max);
        return true;
    case RuleKind::Veces:
        if (!once(&own.timesRule))
            return false;
        own.minTimes = parsed.min;
        own.maxTimes = parsed.max;
        return true;
    case RuleKind::Primera:
        return once(&own.firstRule);
    case RuleKind::Ultima:
        return once(&own.lastRule);
    case RuleKind::Tras:
        if (!lineTypes(parsed.types, &mask) || !once(&own.afterRule))
            return false;
        own.after = std::move(mask);
        own.afterStart = parsed.afterStart;
        return true;
    case RuleKind::Prevalece:
        if (!lineTypes(parsed.types, &mask) || !once(&own.prevailsRule))
            return false;
        own.prevails = std::move(mask);
        m_set.m_precedence = true;
        return true;
    default:
        return false;
    }
}

bool RuleCompiler::compileValues(const ParsedRule &parsed, RuleSet::FieldRules &rules) const
{
    if (!once(&rules.valuesRule))
        return false;
    rules.allShort = true;
    for (const QString &value : parsed.values) {
        const QByteArray bytes = value.toUtf8();
        rules.values.push_back(bytes);
        if (bytes.size() <= 8)
            rules.shortValues.emplace_back(RuleSet::wordOf(bytes.constData(), bytes.size()),
                                           int(bytes.size()));
        else
            rules.allShort = false;
    }
    return true;
}

bool RuleCompiler::compileRange(const ParsedRule &parsed, RuleSet::FieldRules &rules) const
{
    const CompiledField &spec = m_format.lineTypes()[size_t(m_type)].fields[size_t(m_field)];
    const bool onDate = spec.type == FieldType::Fecha;
    QString why;
    const std::optional<RangeBounds> bounds =
        rangeBounds(parsed, onDate, onDate ? 0 : spec.number.decimals(), &why);
    if (!bounds) {
        leaveOut(why);
        return false;
    }
    if (!once(&rules.rangeRule))
        return false;
    rules.low = bounds->low;
    rules.high = bounds->high;
    return true;
}

// The rule's own part, by its kind; false when it is left out.
bool RuleCompiler::compileKind(const ParsedRule &parsed, RuleSet::Running &running)
{
    RuleSet::TypeRules *own = m_type >= 0 ? &m_set.m_types[size_t(m_type)] : nullptr;
    RuleSet::FieldRules *field = m_field >= 0 ? &own->fields[size_t(m_field)] : nullptr;
    switch (parsed.kind) {
    case RuleKind::Registro:
        if (!once(&m_set.m_recordRule))
            return false;
        m_set.m_recordLength = int(parsed.min);
        return true;
    case RuleKind::Codificacion:
        if (!once(&m_set.m_encodingRule))
            return false;
        m_set.m_encoding = parsed.encoding;
        return true;
    case RuleKind::Opcional:
        field->optional = true;
        return true;
    case RuleKind::Valores:
        return compileValues(parsed, *field);
    case RuleKind::Entre:
        return compileRange(parsed, *field);
    case RuleKind::Cuenta:
    case RuleKind::Suma:
    case RuleKind::Igual:
        return since(parsed.since, &running.since) &&
               compileTerms(m_format,
                            {[this](const QString &order) { return typeIndex(order); },
                             [this](int type, const QString &id) { return fieldIndex(type, id); },
                             [this](const QString &why) { leaveOut(why); }},
                            parsed, running);
    case RuleKind::Secuencia:
    case RuleKind::SecuenciaLinea:
        return true;
    default:
        return compileTypeRule(parsed, *own);
    }
}

void RuleCompiler::keepRecorded(int lineType, int field)
{
    std::vector<int> &fields = m_set.m_recorded[size_t(lineType)];
    if (std::find(fields.begin(), fields.end(), field) == fields.end()) {
        fields.push_back(field);
        std::sort(fields.begin(), fields.end());
    }
}

// A rule across lines, checked on each line of its type: the decimals it compares at, and the
// fields its lines record.
void RuleCompiler::keepRunning(RuleSet::Running running)
{
    running.decimals =
        m_format.lineTypes()[size_t(m_type)].fields[size_t(m_field)].number.decimals();
    running.compared = running.decimals;
    for (const RuleSet::Term &term : running.terms)
        running.compared = std::max(running.compared, term.decimals);
    keepRecorded(m_type, m_field);
    for (const RuleSet::Term &term : running.terms)
        for (size_t t = 0; t < term.fieldOf.size(); ++t)
            if (term.fieldOf[t] >= 0 && term.kind != ParsedTerm::Kind::Count)
                keepRecorded(int(t), term.fieldOf[t]);
    m_set.m_running.push_back(std::move(running));
}

void RuleCompiler::compileRule()
{
    QString error;
    const std::optional<ParsedRule> parsed = parseRule(m_def.rules.at(m_rule).text, &error);
    if (!parsed) {
        leaveOut(error);
        return;
    }
    m_kind = parsed->kind;
    if (!place(*parsed))
        return;
    RuleSet::Running running;
    running.kind = parsed->kind;
    running.rule = m_rule;
    running.lineType = m_type;
    running.field = m_field;
    if (!compileKind(*parsed, running))
        return;
    m_set.m_parsed[size_t(m_rule)] = *parsed;
    ++m_set.m_rules;
    if (m_field >= 0 && m_set.m_types[size_t(m_type)].fields[size_t(m_field)].any())
        m_set.m_types[size_t(m_type)].anyFieldRule = true;
    if (rulePlacement(parsed->kind).field == FieldWanted::Number)
        keepRunning(std::move(running));
    if (acrossLines(parsed->kind))
        m_set.m_acrossLines = true;
}

void RuleCompiler::listRuledFields()
{
    for (size_t t = 0; t < m_set.m_types.size(); ++t) {
        RuleSet::TypeRules &type = m_set.m_types[t];
        for (size_t f = 0; f < type.fields.size(); ++f) {
            RuleSet::FieldRules &field = type.fields[f];
            if (!field.any())
                continue;
            type.ruledFields.push_back(int(f));
            const CompiledField &spec = m_format.lineTypes()[t].fields[f];
            field.onDate = spec.type == FieldType::Fecha;
            field.readOnEveryLine = spec.readsText && spec.usable &&
                                    (spec.type == FieldType::Numero || field.onDate);
        }
    }
}

RuleSet RuleSet::compile(const CompiledFormat &format)
{
    RuleSet set;
    RuleCompiler(format, set).compileAll();
    return set;
}

} // namespace velkora::formats
