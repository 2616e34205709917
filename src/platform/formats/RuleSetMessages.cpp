// The messages of broken rules: what a rule wanted and what the line held, in the field's own
// terms (dates as dates, numbers with their decimals and width).

#include "RuleSet.h"

#include "CompiledFormat.h"
#include "DateFormat.h"

#include <QStringList>
#include <algorithm>

namespace velkora::formats {

namespace {

// The scale of a number: 10^decimals.
__int128 scale(int decimals)
{
    __int128 s = 1;
    for (int i = 0; i < decimals; ++i)
        s *= 10;
    return s;
}

QString dateShown(qint64 yyyymmdd)
{
    return QStringLiteral("%1-%2-%3")
        .arg(yyyymmdd / 10000, 4, 10, QLatin1Char('0'))
        .arg(yyyymmdd / 100 % 100, 2, 10, QLatin1Char('0'))
        .arg(yyyymmdd % 100, 2, 10, QLatin1Char('0'));
}

QString int128Text(__int128 value)
{
    if (value == 0)
        return QStringLiteral("0");
    const bool negative = value < 0;
    using Wide = unsigned __int128;
    Wide v = negative ? static_cast<Wide>(-(value + 1)) + 1 : static_cast<Wide>(value);
    QString digits;
    while (v > 0) {
        digits.prepend(QChar(char16_t(u'0' + int(v % 10))));
        v /= 10;
    }
    return negative ? QLatin1Char('-') + digits : digits;
}

// A mantissa as a number with its decimals: "12.34", "-0.50", "1500".
QString decimalShown(__int128 mantissa, int decimals)
{
    if (decimals <= 0)
        return int128Text(mantissa);
    const bool negative = mantissa < 0;
    QString digits = int128Text(negative ? -mantissa : mantissa);
    if (digits.size() <= decimals)
        digits = QString(decimals + 1 - digits.size(), QLatin1Char('0')) + digits;
    digits.insert(digits.size() - decimals, QLatin1Char('.'));
    return negative ? QLatin1Char('-') + digits : digits;
}

QString conditionText(const ParsedCondition &condition)
{
    return QStringLiteral("%1.%2 = %3")
        .arg(condition.type, condition.field, condition.values.join(QLatin1Char('|')));
}

// A term as the message names it: "0011.0070", "la suma de 0022.0070 (si 0022.0060 = 1)",
// "el número de líneas 0022, 0023".
QString termText(const ParsedTerm &term)
{
    QStringList sources;
    for (const auto &[type, field] : term.fields)
        sources << QStringLiteral("%1.%2").arg(type, field);
    QString text =
        term.kind == ParsedTerm::Kind::Field ? sources.join(QString())
        : term.kind == ParsedTerm::Kind::Sum
            ? QStringLiteral("la suma de %1").arg(sources.join(QStringLiteral(", ")))
        : term.anyType
            ? QStringLiteral("el número de líneas de cualquier tipo")
            : QStringLiteral("el número de líneas %1").arg(term.types.join(QStringLiteral(", ")));
    QStringList when;
    for (const ParsedCondition &condition : term.when)
        when << conditionText(condition);
    if (!when.isEmpty())
        text += QStringLiteral(" (si %1)").arg(when.join(QStringLiteral(" y ")));
    if (term.negative)
        text += QStringLiteral(" (en negativo si %1)").arg(conditionText(*term.negative));
    return text;
}

// CUENTA, SUMA and IGUAL: what the field holds, what its terms add up to, and over which span.
QString totalMessage(const CompiledFormat &format, const ParsedRule &rule,
                     const RuleSet::Running &running, const FieldError &error, int width)
{
    const LoadFormat &def = format.format();
    const QString span =
        running.since >= 0
            ? QStringLiteral("desde la última %1").arg(def.lineTypes.at(running.since).order)
            : QStringLiteral("desde el principio del archivo");
    // The total at the field's decimals when it has no more; else with its point.
    const int extra = running.compared - running.decimals;
    const QString expected = extra == 0 ? paddedNumber(error.expected, width)
                                        : decimalShown(error.expected, running.compared);
    const RuleSet::Term &first = running.terms.front();
    const bool plain = running.terms.size() == 1 && first.when.empty() &&
                       first.negative.lineType < 0 && !running.inclusive &&
                       running.lastDigits == 0 && rule.kind != RuleKind::Igual;
    if (plain && rule.kind == RuleKind::Cuenta) {
        QStringList counted;
        bool all = true;
        for (size_t t = 0; t < first.fieldOf.size(); ++t) {
            if (first.fieldOf[t] >= 0)
                counted << def.lineTypes.at(int(t)).order;
            else
                all = false;
        }
        return QStringLiteral("La cuenta %1 no coincide con el número de líneas %2 %3: %4.")
            .arg(paddedNumber(error.ruleValue, width),
                 all ? QStringLiteral("de cualquier tipo") : counted.join(QStringLiteral(", ")),
                 span, expected);
    }
    if (plain && rule.terms.front().fields.size() == 1) {
        const auto at =
            std::find_if(first.fieldOf.begin(), first.fieldOf.end(), [](int f) { return f >= 0; });
        const int type = int(at - first.fieldOf.begin());
        const FieldDef &summed = format.field(type, *at);
        // The sum is compared exactly; shown at the total's decimals.
        const __int128 shown = error.expected / scale(extra);
        return QStringLiteral("El total %1 no coincide con la suma de %2 %3 de las líneas %4 "
                              "%5: %6")
            .arg(paddedNumber(error.ruleValue, width), summed.id, summed.description,
                 def.lineTypes.at(type).order, span, paddedNumber(shown, width));
    }
    QString terms;
    for (const ParsedTerm &term : rule.terms)
        terms +=
            (terms.isEmpty() ? (term.sign < 0 ? QStringLiteral("- ") : QString())
                             : (term.sign < 0 ? QStringLiteral(" - ") : QStringLiteral(" + "))) +
            termText(term);
    QString where;
    if (running.accumulates())
        where = QLatin1Char(' ') + span +
                (running.inclusive ? QStringLiteral(", ambas incluidas") : QString());
    if (running.lastDigits > 0)
        where += QStringLiteral(" (sus últimos %1 dígitos)").arg(running.lastDigits);
    return QStringLiteral("El valor %1 no coincide con %2%3: %4.")
        .arg(paddedNumber(error.ruleValue, width), terms, where, expected);
}

} // namespace

QString paddedNumber(__int128 mantissa, int width)
{
    const bool negative = mantissa < 0;
    QString digits = int128Text(negative ? -mantissa : mantissa);
    const int room = width - (negative ? 1 : 0);
    if (digits.size() < room)
        digits = QString(room - digits.size(), QLatin1Char('0')) + digits;
    return negative ? QLatin1Char('-') + digits : digits;
}

namespace {

// The words of a broken rule's message about line types: a line type by its order and
// description, the line before, the line's own type.
class LineTypeWords {
public:
    explicit LineTypeWords(const LoadFormat &def) : m_def(def) {}

    QString name(int t) const
    {
        return t >= 0 ? QStringLiteral("%1 %2")
                            .arg(m_def.lineTypes.at(t).order, m_def.lineTypes.at(t).description)
                            .trimmed()
                      : QString();
    }
    QString order(int t) const { return m_def.lineTypes.at(t).order; }
    QString before(qint64 t) const
    {
        return t == -2 ? QStringLiteral("es la primera del archivo")
               : t < 0 ? QStringLiteral("va después de una línea sin tipo de línea")
                       : QStringLiteral("va después de una del tipo %1").arg(order(int(t)));
    }
    QString own(qint64 t) const
    {
        return t < 0 ? QStringLiteral("no tiene tipo de línea")
                     : QStringLiteral("es del tipo %1").arg(name(int(t)));
    }

private:
    const LoadFormat &m_def;
};

QString lengthMessage(const LineTypeWords &words, const RuleSet::TypeRules &own,
                      const FieldError &error)
{
    if (own.minLength == own.maxLength)
        return QStringLiteral("La línea tiene %1 caracteres y las del tipo %2 tienen %3.")
            .arg(error.ruleValue)
            .arg(words.name(error.lineType))
            .arg(own.minLength);
    return QStringLiteral("La línea tiene %1 caracteres y las del tipo %2 tienen de %3 a %4.")
        .arg(error.ruleValue)
        .arg(words.name(error.lineType))
        .arg(own.minLength)
        .arg(own.maxLength);
}

QString timesMessage(const LineTypeWords &words, const RuleSet::TypeRules &own,
                     const ParsedRule &rule, const FieldError &error)
{
    if (own.maxTimes >= 0 && error.ruleValue > own.maxTimes)
        return QStringLiteral("Es la línea número %1 del tipo %2, y el archivo tiene %3 a lo "
                              "sumo.")
            .arg(error.ruleValue)
            .arg(words.name(error.lineType))
            .arg(own.maxTimes);
    return QStringLiteral("El archivo tiene %1 línea(s) del tipo %2 y debe tener al menos %3.")
        .arg(error.ruleValue)
        .arg(words.name(int(error.expected)))
        .arg(rule.min);
}

QString afterMessage(const LineTypeWords &words, const RuleSet::TypeRules &own,
                     const FieldError &error)
{
    QStringList allowed;
    for (size_t t = 0; t < own.after.size(); ++t)
        if (own.after[t])
            allowed << words.order(int(t));
    if (own.afterStart)
        return QStringLiteral("Una línea del tipo %1 es la primera del archivo o va justo "
                              "después de una del tipo %2, y esta %3.")
            .arg(words.name(error.lineType), allowed.join(QStringLiteral(" o ")),
                 words.before(error.ruleValue));
    return QStringLiteral("Una línea del tipo %1 va justo después de una del tipo %2, y esta %3.")
        .arg(words.name(error.lineType), allowed.join(QStringLiteral(" o ")),
             words.before(error.ruleValue));
}

QString rangeMessage(const CompiledFormat &format, const RuleSet::FieldRules &rules,
                     const FieldError &error)
{
    const CompiledField &spec =
        format.lineTypes()[size_t(error.lineType)].fields[size_t(error.field)];
    if (spec.type == FieldType::Fecha)
        return QStringLiteral("La fecha %1 no está entre %2 y %3.")
            .arg(dateShown(error.ruleValue), dateShown(rules.low), dateShown(rules.high));
    const int decimals = spec.number.decimals();
    return QStringLiteral("El valor %1 no está entre %2 y %3.")
        .arg(decimalShown(error.ruleValue, decimals), decimalShown(rules.low, decimals),
             decimalShown(rules.high, decimals));
}

} // namespace

QString RuleSet::message(const CompiledFormat &format, const FieldError &error) const
{
    if (error.rule < 0 || size_t(error.rule) >= m_parsed.size() || !m_parsed[size_t(error.rule)])
        return {};
    const ParsedRule &rule = *m_parsed[size_t(error.rule)];
    const LineTypeWords words(format.format());
    const TypeRules *own = error.lineType >= 0 ? &m_types[size_t(error.lineType)] : nullptr;
    const int width = error.lineType >= 0 && error.field >= 0
                          ? format.field(error.lineType, error.field).length
                          : 0;
    switch (rule.kind) {
    case RuleKind::Registro:
        return QStringLiteral("El último registro tiene %1 caracteres y los registros del "
                              "archivo tienen %2.")
            .arg(error.ruleValue)
            .arg(rule.min);
    case RuleKind::Longitud:
        return lengthMessage(words, *own, error);
    case RuleKind::Veces:
        return timesMessage(words, *own, rule, error);
    case RuleKind::Primera:
        return QStringLiteral("La primera línea del archivo debe ser del tipo %1, y %2.")
            .arg(words.name(int(error.expected)), words.own(error.ruleValue));
    case RuleKind::Ultima:
        return QStringLiteral("La última línea del archivo debe ser del tipo %1, y %2.")
            .arg(words.name(int(error.expected)), words.own(error.ruleValue));
    case RuleKind::Tras:
        return afterMessage(words, *own, error);
    case RuleKind::Opcional:
    case RuleKind::Prevalece:    // says which line type a line is, never an error
    case RuleKind::Codificacion: // a line in another encoding is an error of its own kind
        return {};
    case RuleKind::Valores:
        return QStringLiteral("'%1' no es uno de los valores %2.")
            .arg(QString::fromUtf8(error.text, error.textSize), rule.values.join(QLatin1Char('|')));
    case RuleKind::Entre:
        return rangeMessage(format, own->fields[size_t(error.field)], error);
    case RuleKind::Cuenta:
    case RuleKind::Suma:
    case RuleKind::Igual:
        for (const Running &running : m_running)
            if (running.rule == error.rule)
                return totalMessage(format, rule, running, error, width);
        return {};
    case RuleKind::Secuencia:
        return QStringLiteral("El número %1 no sigue al de la línea anterior del tipo %2: "
                              "debería ser %3.")
            .arg(paddedNumber(error.ruleValue, width), words.order(error.lineType),
                 paddedNumber(error.expected, width));
    case RuleKind::SecuenciaLinea:
        return QStringLiteral("El número %1 no es el de la línea en el archivo: %2.")
            .arg(paddedNumber(error.ruleValue, width), paddedNumber(error.expected, width));
    }
    return {};
}

} // namespace velkora::formats
