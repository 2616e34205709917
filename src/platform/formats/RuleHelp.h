#pragma once

#include <QList>
#include <QStringList>

namespace velkora::formats {

// One rule word as the rules dialog teaches it: the word, one line of help (what it takes and
// where it goes) and an example of a whole rule, which the dialog puts into the rule's text.
struct RuleWord {
    QString word;
    QString help;
    QString example;
};

// Every rule word, in the order of docs/rules.md. Each example reads as a rule.
QList<RuleWord> ruleWords();
// One line of help per rule word, as the rules dialog offers it ("SUMA t.f: ..."), in the
// order of docs/rules.md.
QStringList ruleWordHelp();

} // namespace velkora::formats
