#pragma once

#include <QString>
#include <functional>

namespace velkora::formats {

// What a rule's text names by number, and what each is now.
struct RuleNumbersNow {
    // A line type's number now, given as the text writes it; empty when it is gone.
    std::function<QString(const QString &line)> line;
    // A field's number now, given its line type and its number as the text writes them;
    // empty when it is gone.
    std::function<QString(const QString &line, const QString &field)> field;
};

// Carries the line types and fields that a rule's text names by number (TRAS's and PREVALECE's
// lists, CUENTA's line types, the t.f of SUMA, IGUAL and their SI and NEGATIVO SI conditions,
// DESDE) to their numbers now. Values (what a condition's field equals, ULTIMOS's digits) and
// everything else stay as written, blanks and case included. Returns false when something
// named is gone; its number then stays as written. A text that does not read as a rule is left
// alone (the rule's check says what is wrong with it) and counts as carried.
bool renumberRuleText(QString &text, const RuleNumbersNow &now);

} // namespace velkora::formats
