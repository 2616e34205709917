#include "RuleParser.h"

#include <QRegularExpression>

namespace velkora::formats {

namespace {

// A whole number of at most 9 digits, or -1.
qint64 count(const QString &text)
{
    if (text.isEmpty() || text.size() > 9)
        return -1;
    qint64 n = 0;
    for (const QChar c : text) {
        if (!c.isDigit() || c.unicode() > '9')
            return -1;
        n = n * 10 + (c.unicode() - '0');
    }
    return n;
}

// "n" or "n-m" (and, when open, "n-*"): false when it does not read.
bool range(const QString &text, bool open, qint64 *min, qint64 *max)
{
    const qsizetype dash = text.indexOf(QLatin1Char('-'));
    if (dash < 0) {
        *min = *max = count(text);
        return *min >= 0;
    }
    *min = count(text.left(dash));
    const QString upper = text.mid(dash + 1);
    *max = open && upper == QLatin1String("*") ? -1 : count(upper);
    return *min >= 0 && (*max == -1 ? open && upper == QLatin1String("*") : *max >= *min);
}

// "0006,0007": the line types, none empty.
bool typeList(const QString &text, QStringList *types)
{
    *types = text.split(QLatin1Char(','));
    for (const QString &type : *types)
        if (type.isEmpty())
            return false;
    return !types->isEmpty();
}

// The encoding a CODIFICACION names (with or without its hyphen, in any case); Any when none.
FileEncoding encodingNamed(const QString &text)
{
    const QString name = text.toUpper().remove(QLatin1Char('-'));
    if (name == QLatin1String("ASCII"))
        return FileEncoding::Ascii;
    if (name == QLatin1String("LATIN1") || name == QLatin1String("ISO88591"))
        return FileEncoding::Latin1;
    if (name == QLatin1String("WINDOWS1252") || name == QLatin1String("CP1252"))
        return FileEncoding::Cp1252;
    if (name == QLatin1String("UTF8"))
        return FileEncoding::Utf8;
    return FileEncoding::Any;
}

} // namespace

RuleScope ruleScope(RuleKind kind)
{
    switch (kind) {
    case RuleKind::Registro:
    case RuleKind::Codificacion:
        return RuleScope::File;
    case RuleKind::Longitud:
    case RuleKind::Veces:
    case RuleKind::Primera:
    case RuleKind::Ultima:
    case RuleKind::Tras:
    case RuleKind::Prevalece:
        return RuleScope::LineType;
    default:
        return RuleScope::Field;
    }
}

QString ruleKeyword(RuleKind kind)
{
    switch (kind) {
    case RuleKind::Registro:
        return QStringLiteral("REGISTRO");
    case RuleKind::Longitud:
        return QStringLiteral("LONGITUD");
    case RuleKind::Veces:
        return QStringLiteral("VECES");
    case RuleKind::Primera:
        return QStringLiteral("PRIMERA");
    case RuleKind::Ultima:
        return QStringLiteral("ULTIMA");
    case RuleKind::Tras:
        return QStringLiteral("TRAS");
    case RuleKind::Opcional:
        return QStringLiteral("OPCIONAL");
    case RuleKind::Valores:
        return QStringLiteral("VALORES");
    case RuleKind::Entre:
        return QStringLiteral("ENTRE");
    case RuleKind::Cuenta:
        return QStringLiteral("CUENTA");
    case RuleKind::Suma:
        return QStringLiteral("SUMA");
    case RuleKind::Secuencia:
        return QStringLiteral("SECUENCIA");
    case RuleKind::SecuenciaLinea:
        return QStringLiteral("SECUENCIA LINEA");
    case RuleKind::Codificacion:
        return QStringLiteral("CODIFICACION");
    case RuleKind::Igual:
        return QStringLiteral("IGUAL");
    case RuleKind::Prevalece:
        return QStringLiteral("PREVALECE");
    }
    return {};
}

namespace {

// A rule's text in words: the keyword (upper case), the words after it, those joined without
// blanks ("1 - 5" is "1-5"), and the whole text trimmed.
struct RuleWords {
    QString keyword;
    QStringList words;
    QString rest;
    QString trimmed;
};

const QRegularExpression &blanks()
{
    static const QRegularExpression pattern(QStringLiteral("\\s+"));
    return pattern;
}

// Each reader below takes the keywords it knows: false for another keyword; *why is set when
// the words after it do not read.

// REGISTRO, LONGITUD, VECES: a number, or two.
bool readSizes(const RuleWords &w, ParsedRule &rule, QString *why)
{
    if (w.keyword == QLatin1String("REGISTRO")) {
        rule.kind = RuleKind::Registro;
        rule.min = count(w.rest);
        if (rule.min < 1)
            *why = QStringLiteral("REGISTRO lleva la longitud del registro, un número mayor que "
                                  "cero: REGISTRO 750");
    } else if (w.keyword == QLatin1String("LONGITUD")) {
        rule.kind = RuleKind::Longitud;
        if (!range(w.rest, false, &rule.min, &rule.max) || rule.max < 1)
            *why = QStringLiteral("LONGITUD lleva un número de caracteres, o dos con un guion "
                                  "entre ellos: LONGITUD 80, LONGITUD 80-82");
    } else if (w.keyword == QLatin1String("VECES")) {
        rule.kind = RuleKind::Veces;
        if (!range(w.rest, true, &rule.min, &rule.max))
            *why = QStringLiteral("VECES lleva un número de líneas, o dos con un guion entre "
                                  "ellos, o un número y un asterisco: VECES 1, VECES 1-3, VECES "
                                  "1-*");
    } else {
        return false;
    }
    return true;
}

// PRIMERA, ULTIMA, OPCIONAL: nothing more; TRAS, PREVALECE: line types.
bool readPlaces(RuleWords &w, ParsedRule &rule, QString *why)
{
    if (w.keyword == QLatin1String("PRIMERA") || w.keyword == QLatin1String("ULTIMA") ||
        w.keyword == QLatin1String("ÚLTIMA") || w.keyword == QLatin1String("OPCIONAL")) {
        rule.kind = w.keyword == QLatin1String("PRIMERA")    ? RuleKind::Primera
                    : w.keyword == QLatin1String("OPCIONAL") ? RuleKind::Opcional
                                                             : RuleKind::Ultima;
        if (!w.words.isEmpty())
            *why = QStringLiteral("%1 no lleva nada más").arg(ruleKeyword(rule.kind));
    } else if (w.keyword == QLatin1String("TRAS")) {
        rule.kind = RuleKind::Tras;
        const bool listed = typeList(w.rest, &rule.types);
        // INICIO among them: the line may also be the file's first.
        rule.afterStart = rule.types.removeIf([](const QString &type) {
            return type.compare(QLatin1String("INICIO"), Qt::CaseInsensitive) == 0;
        }) > 0;
        if (!listed || (rule.types.isEmpty() && !rule.afterStart))
            *why = QStringLiteral("TRAS lleva los tipos de línea separados por comas, y INICIO "
                                  "si la línea puede ser la primera: TRAS 0006,0007, TRAS "
                                  "INICIO,0009");
    } else if (w.keyword == QLatin1String("PREVALECE")) {
        rule.kind = RuleKind::Prevalece;
        if (!w.words.isEmpty() &&
            w.words.first().compare(QLatin1String("SOBRE"), Qt::CaseInsensitive) == 0)
            w.words.removeFirst();
        if (!typeList(w.words.join(QString()), &rule.types))
            *why = QStringLiteral("PREVALECE lleva SOBRE y los tipos de línea separados por "
                                  "comas: PREVALECE SOBRE 0099");
    } else {
        return false;
    }
    return true;
}

// VALORES: texts between bars; ENTRE: two bounds; CODIFICACION: an encoding.
bool readValues(const RuleWords &w, ParsedRule &rule, QString *why)
{
    if (w.keyword == QLatin1String("VALORES")) {
        rule.kind = RuleKind::Valores;
        const QString list = w.trimmed.mid(w.trimmed.indexOf(blanks()) + 1).trimmed();
        if (w.words.isEmpty() || list.isEmpty())
            *why = QStringLiteral("VALORES lleva los valores separados por barras: VALORES C|D");
        else
            for (const QString &value : list.split(QLatin1Char('|')))
                rule.values << value.trimmed();
    } else if (w.keyword == QLatin1String("ENTRE")) {
        rule.kind = RuleKind::Entre;
        if (w.words.size() != 2)
            *why = QStringLiteral("ENTRE lleva dos valores separados por un blanco: ENTRE 1 "
                                  "999, ENTRE 20260101 20261231");
        else
            std::tie(rule.low, rule.high) = std::pair(w.words.at(0), w.words.at(1));
    } else if (w.keyword == QLatin1String("CODIFICACION") ||
               w.keyword == QStringLiteral("CODIFICACIÓN")) {
        rule.kind = RuleKind::Codificacion;
        rule.encoding = encodingNamed(w.rest);
        if (rule.encoding == FileEncoding::Any)
            *why = QStringLiteral("CODIFICACION lleva ASCII, LATIN1, WINDOWS1252 o UTF8: "
                                  "CODIFICACION LATIN1");
    } else {
        return false;
    }
    return true;
}

// CUENTA, SUMA, IGUAL: their terms; SECUENCIA: alone or with LINEA.
bool readRunning(const RuleWords &w, ParsedRule &rule, QString *why)
{
    if (w.keyword == QLatin1String("CUENTA") || w.keyword == QLatin1String("SUMA") ||
        w.keyword == QLatin1String("IGUAL")) {
        rule.kind = w.keyword == QLatin1String("CUENTA") ? RuleKind::Cuenta
                    : w.keyword == QLatin1String("SUMA") ? RuleKind::Suma
                                                         : RuleKind::Igual;
        parseTerms(w.words.join(QLatin1Char(' ')), rule, why);
    } else if (w.keyword == QLatin1String("SECUENCIA")) {
        rule.kind = RuleKind::Secuencia;
        if (w.words.size() == 1 &&
            (w.words.at(0).compare(QLatin1String("LINEA"), Qt::CaseInsensitive) == 0 ||
             w.words.at(0).compare(QStringLiteral("LÍNEA"), Qt::CaseInsensitive) == 0))
            rule.kind = RuleKind::SecuenciaLinea;
        else if (!w.words.isEmpty())
            *why = QStringLiteral("SECUENCIA va sola, o seguida de LINEA");
    } else {
        return false;
    }
    return true;
}

} // namespace

std::optional<ParsedRule> parseRule(const QString &text, QString *error)
{
    RuleWords w;
    w.trimmed = text.trimmed();
    w.words = w.trimmed.split(blanks(), Qt::SkipEmptyParts);
    QString why;
    ParsedRule rule;
    if (w.words.isEmpty()) {
        why = QStringLiteral("la regla está vacía");
    } else {
        w.keyword = w.words.takeFirst().toUpper();
        w.rest = w.words.join(QString());
        const bool known = readSizes(w, rule, &why) || readPlaces(w, rule, &why) ||
                           readValues(w, rule, &why) || readRunning(w, rule, &why);
        if (!known)
            why = QStringLiteral("'%1' no es una regla: las reglas son REGISTRO, CODIFICACION, "
                                 "LONGITUD, VECES, PRIMERA, ULTIMA, TRAS, PREVALECE, OPCIONAL, "
                                 "VALORES, ENTRE, CUENTA, SUMA, IGUAL y SECUENCIA")
                      .arg(w.keyword);
    }
    if (why.isEmpty())
        return rule;
    if (error)
        *error = why;
    return std::nullopt;
}

} // namespace velkora::formats
