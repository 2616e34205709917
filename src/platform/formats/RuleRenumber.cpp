#include "RuleRenumber.h"

#include "RuleParser.h"

#include <QList>
#include <QRegularExpression>
#include <algorithm>

namespace velkora::formats {

namespace {

// The kinds whose text names line types or fields by number.
bool namesNumbers(RuleKind kind)
{
    return kind == RuleKind::Tras || kind == RuleKind::Prevalece || kind == RuleKind::Cuenta ||
           kind == RuleKind::Suma || kind == RuleKind::Igual;
}

// A token of the text after the keyword: a number or t.f, a word, or "=".
struct Token {
    qsizetype start = 0;
    qsizetype end = 0;
    QString line;  // a number, or t of t.f
    QString field; // f of t.f
    qsizetype lineStart = 0, lineEnd = 0, fieldStart = 0, fieldEnd = 0;
    QString word; // a word or "=" (upper case); empty for a number
};

QList<Token> tokensOf(const QString &text, qsizetype from)
{
    static const QRegularExpression pattern(
        QStringLiteral("(\\d+)(?:(\\s*\\.\\s*)(\\d+))?|=|[^\\s=,|.+\\-\\d]+|[+\\-]"));
    QList<Token> tokens;
    for (auto it = pattern.globalMatch(text, from); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        Token token;
        token.start = m.capturedStart();
        token.end = m.capturedEnd();
        if (m.capturedLength(1) > 0) {
            token.line = m.captured(1);
            token.lineStart = m.capturedStart(1);
            token.lineEnd = m.capturedEnd(1);
            if (m.capturedLength(3) > 0) {
                token.field = m.captured(3);
                token.fieldStart = m.capturedStart(3);
                token.fieldEnd = m.capturedEnd(3);
            }
        } else {
            token.word = m.captured().toUpper();
        }
        tokens << token;
    }
    return tokens;
}

// Whether `later` is joined to `earlier` by a list's "|" (the values of a condition).
bool joinedByBar(const QString &text, const Token &earlier, const Token &later)
{
    return text.mid(earlier.end, later.start - earlier.end).contains(QLatin1Char('|'));
}

struct Replacement {
    qsizetype start;
    qsizetype length;
    QString text;
};

} // namespace

bool renumberRuleText(QString &text, const RuleNumbersNow &now)
{
    const std::optional<ParsedRule> rule = parseRule(text, nullptr);
    if (!rule || !namesNumbers(rule->kind))
        return true;
    static const QRegularExpression keyword(QStringLiteral("^\\s*\\S+"));
    const QList<Token> tokens = tokensOf(text, keyword.match(text).capturedEnd());

    QList<Replacement> replacements;
    bool all = true;
    const auto replace = [&](qsizetype start, qsizetype end, const QString &number) {
        if (number.isEmpty())
            all = false;
        else if (number != text.mid(start, end - start))
            replacements << Replacement{start, end - start, number};
    };
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const Token &token = tokens.at(i);
        if (token.word == QLatin1String("=")) {
            // The value after "=" whatever it says, and the values "|" joins to it.
            qsizetype last = ++i;
            while (i + 1 < tokens.size() && joinedByBar(text, tokens.at(last), tokens.at(i + 1)))
                last = ++i;
            continue;
        }
        if (token.word == QLatin1String("ULTIMOS") || token.word == QStringLiteral("ÚLTIMOS")) {
            ++i; // its count of digits
            continue;
        }
        if (!token.word.isEmpty())
            continue;
        if (token.field.isEmpty()) {
            replace(token.lineStart, token.lineEnd, now.line(token.line));
            continue;
        }
        // The line type first: when it is gone, that is what the caller hears of first.
        replace(token.lineStart, token.lineEnd, now.line(token.line));
        replace(token.fieldStart, token.fieldEnd, now.field(token.line, token.field));
    }
    std::sort(replacements.begin(), replacements.end(),
              [](const Replacement &a, const Replacement &b) { return a.start < b.start; });
    for (qsizetype i = replacements.size() - 1; i >= 0; --i) {
        const Replacement &r = replacements.at(i);
        text.replace(r.start, r.length, r.text);
    }
    return all;
}

} // namespace velkora::formats
