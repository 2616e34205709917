// The words of CUENTA, SUMA and IGUAL: the values a field equals (counts of lines, sums of
// fields, fields of other lines), added and subtracted, and the span they run over.

#include "RuleParser.h"

#include <QRegularExpression>

namespace velkora::formats {

namespace {

enum class Word {
    Value,
    Si,
    Y,
    Negativo,
    Desde,
    Inclusive,
    Ultimos,
    Suma,
    Cuenta,
    A,
    Plus,
    Minus,
    Equals,
    End
};

Word wordOf(const QString &token)
{
    static const QList<QPair<QString, Word>> words{{QStringLiteral("SI"), Word::Si},
                                                   {QStringLiteral("Y"), Word::Y},
                                                   {QStringLiteral("NEGATIVO"), Word::Negativo},
                                                   {QStringLiteral("DESDE"), Word::Desde},
                                                   {QStringLiteral("INCLUSIVE"), Word::Inclusive},
                                                   {QStringLiteral("ULTIMOS"), Word::Ultimos},
                                                   {QStringLiteral("ÚLTIMOS"), Word::Ultimos},
                                                   {QStringLiteral("SUMA"), Word::Suma},
                                                   {QStringLiteral("CUENTA"), Word::Cuenta},
                                                   {QStringLiteral("A"), Word::A},
                                                   {QStringLiteral("+"), Word::Plus},
                                                   {QStringLiteral("-"), Word::Minus},
                                                   {QStringLiteral("="), Word::Equals}};
    const QString upper = token.toUpper();
    for (const auto &[text, word] : words)
        if (upper == text)
            return word;
    return Word::Value;
}

// The words, with "=" and "+" apart even when written together, and the parts of a list
// written with blanks ("0006, 0007", "1 | 2", "0006 . 0005") joined again.
QStringList tokensOf(QString text)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    text.replace(QLatin1Char('='), QStringLiteral(" = "))
        .replace(QLatin1Char('+'), QStringLiteral(" + "));
    QStringList tokens;
    static const QString joiners = QStringLiteral(",|.");
    for (const QString &word : text.split(blanks, Qt::SkipEmptyParts)) {
        if (!tokens.isEmpty() &&
            (joiners.contains(tokens.last().back()) || joiners.contains(word.front())))
            tokens.last() += word;
        else
            tokens << word;
    }
    return tokens;
}

// "t.f": false when it is not a line type and a field.
bool fieldRef(const QString &text, QPair<QString, QString> *ref)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 2 || parts.at(0).isEmpty() || parts.at(1).isEmpty())
        return false;
    *ref = {parts.at(0), parts.at(1)};
    return true;
}

// Reads the tokens one by one; every read returns false at the first that does not fit.
class TermReader {
public:
    explicit TermReader(const QStringList &tokens) : m_tokens(tokens) {}

    Word next() const { return m_at < m_tokens.size() ? wordOf(m_tokens.at(m_at)) : Word::End; }
    bool take(Word word)
    {
        if (next() != word)
            return false;
        ++m_at;
        return true;
    }
    // A token that is not a word of the rules.
    bool value(QString *out)
    {
        if (next() != Word::Value)
            return false;
        *out = m_tokens.at(m_at++);
        return true;
    }
    // SI t.f = a|b: the token after "=" is a value whatever it says ("= -", "= A").
    bool condition(ParsedCondition *out)
    {
        QString ref;
        QPair<QString, QString> field;
        if (!value(&ref) || !fieldRef(ref, &field) || !take(Word::Equals) ||
            m_at >= m_tokens.size())
            return false;
        out->type = field.first;
        out->field = field.second;
        for (const QString &v : m_tokens.at(m_at++).split(QLatin1Char('|')))
            out->values << v.trimmed();
        return true;
    }
    // [SI cond [Y cond]...] [NEGATIVO SI cond]
    bool choices(ParsedTerm *term)
    {
        if (take(Word::Si)) {
            do {
                ParsedCondition condition;
                if (!this->condition(&condition))
                    return false;
                term->when << condition;
            } while (take(Word::Y));
        }
        return negative(&term->negative);
    }
    bool negative(std::optional<ParsedCondition> *out)
    {
        if (!take(Word::Negativo))
            return true;
        ParsedCondition condition;
        if (!take(Word::Si) || !this->condition(&condition))
            return false;
        *out = condition;
        return true;
    }
    // t.f,t.f... [choices]
    bool sum(ParsedTerm *term)
    {
        term->kind = ParsedTerm::Kind::Sum;
        QString list;
        if (!value(&list))
            return false;
        for (const QString &item : list.split(QLatin1Char(','))) {
            QPair<QString, QString> ref;
            if (!fieldRef(item, &ref))
                return false;
            term->fields << ref;
        }
        return choices(term);
    }
    // t,t... | * [choices]
    bool count(ParsedTerm *term)
    {
        term->kind = ParsedTerm::Kind::Count;
        QString list;
        if (!value(&list))
            return false;
        if (list == QLatin1String("*")) {
            term->anyType = true;
        } else {
            term->types = list.split(QLatin1Char(','));
            for (const QString &type : term->types)
                if (type.isEmpty())
                    return false;
        }
        return choices(term);
    }
    // SUMA ... | CUENTA ... | t.f [NEGATIVO SI cond]
    bool term(ParsedTerm *term)
    {
        if (take(Word::Suma))
            return sum(term);
        if (take(Word::Cuenta))
            return count(term);
        term->kind = ParsedTerm::Kind::Field;
        QString ref;
        QPair<QString, QString> field;
        if (!value(&ref) || !fieldRef(ref, &field))
            return false;
        term->fields << field;
        return negative(&term->negative);
    }
    // [NEGATIVO SI cond] [A] [-] term (+|- term)...
    bool expression(ParsedRule &rule)
    {
        if (!negative(&rule.ownNegative))
            return false;
        take(Word::A);
        int sign = take(Word::Minus) ? -1 : 1;
        for (;;) {
            ParsedTerm one;
            one.sign = sign;
            if (!term(&one) || rule.terms.size() >= size_t(MaxTerms))
                return false;
            rule.terms.push_back(one);
            if (take(Word::Plus))
                sign = 1;
            else if (take(Word::Minus))
                sign = -1;
            else
                return true;
        }
    }
    // [DESDE t0] [INCLUSIVE] [ULTIMOS n], in any order, each once; then nothing more.
    bool tail(ParsedRule &rule)
    {
        while (next() != Word::End) {
            QString text;
            if (take(Word::Desde)) {
                if (!rule.since.isEmpty() || !value(&rule.since))
                    return false;
            } else if (take(Word::Inclusive)) {
                if (rule.inclusive)
                    return false;
                rule.inclusive = true;
            } else if (take(Word::Ultimos)) {
                bool ok = false;
                if (rule.lastDigits > 0 || !value(&text))
                    return false;
                rule.lastDigits = text.toInt(&ok);
                if (!ok || rule.lastDigits < 1 || rule.lastDigits > 38)
                    return false;
            } else {
                return false;
            }
        }
        return true;
    }

private:
    const QStringList &m_tokens;
    qsizetype m_at = 0;
};

QString usage(RuleKind kind)
{
    switch (kind) {
    case RuleKind::Cuenta:
        return QStringLiteral("CUENTA lleva los tipos de línea separados por comas, o un "
                              "asterisco, y puede seguir SI t.f = valores, DESDE y un tipo de "
                              "línea, e INCLUSIVE: CUENTA 0006,0007 DESDE 0005, CUENTA *, "
                              "CUENTA 0022 SI 0022.0060 = 1 DESDE 0011, CUENTA * DESDE 0001 "
                              "INCLUSIVE");
    case RuleKind::Suma:
        return QStringLiteral("SUMA lleva un tipo de línea y uno de sus campos separados por un "
                              "punto (o varios, separados por comas), y puede seguir SI t.f = "
                              "valores, NEGATIVO SI t.f = valores, DESDE y un tipo de línea, y "
                              "ULTIMOS n: SUMA 0006.0005 DESDE 0005, SUMA 0022.0070 SI 0022.0060 "
                              "= 1");
    default:
        return QStringLiteral("IGUAL lleva campos t.f, SUMA o CUENTA separados por + o -, y puede "
                              "seguir DESDE y un tipo de línea: IGUAL A 0005.0007, IGUAL A "
                              "0011.0070 + 0033.0070 - 0033.0050");
    }
}

} // namespace

bool parseTerms(const QString &words, ParsedRule &rule, QString *error)
{
    const QStringList tokens = tokensOf(words);
    TermReader reader(tokens);
    ParsedTerm term;
    bool read = false;
    if (rule.kind == RuleKind::Igual)
        read = reader.expression(rule);
    else if (rule.kind == RuleKind::Suma)
        read = reader.sum(&term);
    else
        read = reader.count(&term);
    if (read && rule.kind != RuleKind::Igual)
        rule.terms.push_back(term);
    if (!read || !reader.tail(rule)) {
        *error = usage(rule.kind);
        return false;
    }
    // The words the first terms of CUENTA and SUMA always had, as the screen reads them.
    const ParsedTerm &first = rule.terms.front();
    rule.types = first.types;
    rule.anyType = first.anyType;
    if (!first.fields.isEmpty()) {
        rule.sumType = first.fields.first().first;
        rule.sumField = first.fields.first().second;
    }
    return true;
}

} // namespace velkora::formats
