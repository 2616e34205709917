#pragma once

#include "TextEncoding.h"
#include <QString>

#include <QStringList>
#include <optional>

namespace velkora::formats {

// The kinds of rule a load format can hold (docs/rules.md).
enum class RuleKind {
    Registro,       // REGISTRO n: records of n characters, with or without line breaks
    Longitud,       // LONGITUD n / n-m: the length of each line of the line type
    Veces,          // VECES n / n-m / n-*: how many lines of the line type the file holds
    Primera,        // PRIMERA: the file's first line is of the line type
    Ultima,         // ULTIMA: the file's last line is of the line type
    Tras,           // TRAS t1,t2: each line comes right after a line of a listed type
    Opcional,       // OPCIONAL: a blank field (zeros for NUMERO and Fecha) is an empty value
    Valores,        // VALORES a|b|c: the field's text is one of these
    Entre,          // ENTRE a b: the field's value lies between a and b
    Cuenta,         // CUENTA t1,t2 / CUENTA * [DESDE t0]: the number of lines before
    Suma,           // SUMA t.f [DESDE t0]: the sum of a field of the lines before
    Secuencia,      // SECUENCIA: one more than on the previous line that has the field
    SecuenciaLinea, // SECUENCIA LINEA: the line's own number in the file
    Codificacion,   // CODIFICACION e: every line of the file is written in encoding e
    Igual,          // IGUAL expr: the field equals fields, sums and counts added and subtracted
    Prevalece,      // PREVALECE SOBRE t1,t2: a line that matches these and this type is of this
};

// Where a rule of a kind goes: on the whole file (Ly_ID empty), on a line type (Ld_ID empty)
// or on a field.
enum class RuleScope { File, LineType, Field };

RuleScope ruleScope(RuleKind kind);
// "REGISTRO", "LONGITUD"... ("SECUENCIA LINEA" for SecuenciaLinea).
QString ruleKeyword(RuleKind kind);

// A choice of lines by the text of one of their fields: SI t.f = a|b (blanks at the end of
// the field's text never count).
struct ParsedCondition {
    QString type;
    QString field;
    QStringList values;
};

// A value that CUENTA, SUMA and IGUAL add up, as written.
struct ParsedTerm {
    enum class Kind { Count, Sum, Field };
    Kind kind = Kind::Count;
    int sign = 1;                            // -1: subtracted (IGUAL ... - term)
    QStringList types;                       // Count: the line types counted
    bool anyType = false;                    // Count: CUENTA *
    QList<QPair<QString, QString>> fields;   // Sum: the t.f summed; Field: the one t.f
    QList<ParsedCondition> when;             // SI ... Y ...: the lines that count
    std::optional<ParsedCondition> negative; // NEGATIVO SI ...: a value taken with its sign
                                             // turned when the condition holds
};

// A rule as written, its words read but its line types and fields not yet looked up.
struct ParsedRule {
    RuleKind kind = RuleKind::Registro;
    qint64 min = 0;          // REGISTRO n; LONGITUD and VECES: the least
    qint64 max = 0;          // LONGITUD and VECES: the most; -1 for no limit (VECES n-*)
    QStringList types;       // TRAS, CUENTA: the line types as written
    bool afterStart = false; // TRAS INICIO: the line may be the file's first
    bool anyType = false;    // CUENTA *
    QString sumType;         // SUMA t.f: t
    QString sumField;        // SUMA t.f: f
    QString since;           // DESDE t0 (CUENTA, SUMA); empty: from the file's start
    QStringList values;      // VALORES
    QString low;             // ENTRE a b: a, as written
    QString high;            // ENTRE a b: b, as written
    FileEncoding encoding = FileEncoding::Any; // CODIFICACION
    // CUENTA, SUMA, IGUAL: what the field equals, term by term (a CUENTA or SUMA is one term);
    // the field's own sign (IGUAL NEGATIVO SI ...); the span's ends counted (INCLUSIVE: the
    // DESDE line and the line itself); the total kept to its last digits (ULTIMOS n, 0: all).
    std::vector<ParsedTerm> terms;
    std::optional<ParsedCondition> ownNegative;
    bool inclusive = false;
    int lastDigits = 0;
};

// The most terms an IGUAL adds up.
inline constexpr int MaxTerms = 8;

// Reads the words after CUENTA, SUMA or IGUAL into `rule` (its kind set already): its terms,
// DESDE, INCLUSIVE and ULTIMOS; false with *error set when they do not read.
bool parseTerms(const QString &words, ParsedRule &rule, QString *error);

// Reads a rule: keywords in any case, words separated by blanks. Nothing with *error set to
// why, in plain Spanish, when it cannot be read.
std::optional<ParsedRule> parseRule(const QString &text, QString *error);

} // namespace velkora::formats
