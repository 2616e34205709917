#pragma once

#include "messages/Messages.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace velkora::store {
struct ShownRules;
struct LineNumbering;
struct FieldNumbering;
} // namespace velkora::store

namespace kesta::editor {

// A rule as the screen shows it: its line type by the order the line grid shows ("No."), its
// field by the number the field grid shows, and SUMA's field in its text the same way.
struct ScreenRule {
    QString id;          // "0001", "0002"...
    QString line;        // empty for a rule of the whole file
    QString field;       // empty for a rule of the line type
    QString text;        // at most 255 characters
    QString description; // at most 100 characters
    // Its numbers could not all be carried to what the screen shows now (a line type or field
    // it names was removed since the load): shown with the numbers it had, and refused until
    // changed.
    bool stale = false;

    bool operator==(const ScreenRule &) const = default;
};

// The load format as the screen holds it: each line type's order with its fields' numbers.
struct ScreenOutline {
    struct Line {
        QString order;
        QStringList fields;
        QStringList types;   // each field's type code ("01" NUMERO .. "05" SQL)
        QStringList formats; // each field's "Formato" (a NUMERO's decimals, a Fecha's order)
    };
    QList<Line> lines;
};

// The columns of a rule that a refusal points at.
enum class RuleColumn { Id, Line, Field, Text, Description };

struct RuleRefusal {
    int row = 0;
    RuleColumn column = RuleColumn::Text;
    messages::Message message;
};

// The shown format's rules in the screen's numbers: each carried to its line type's order and
// its field's number as they stand now (`lines`, `fields` as the save takes them).
QList<ScreenRule> rulesOnScreen(const velkora::store::ShownRules &shown,
                                const QList<velkora::store::LineNumbering> &lines,
                                const QList<velkora::store::FieldNumbering> &fields);

// The checks of rules entered on the screen, row by row: the rule reads, stands where its kind
// goes (CUENTA, SUMA and SECUENCIA on a NUMERO field, ENTRE on a NUMERO or Fecha), its line type
// and field exist, the line types and the field its text names exist, SUMA totals a NUMERO,
// ENTRE's bounds read as the field's numbers or dates with the first not above the second, and
// no earlier rule of the same kind stands in the same place when only one is applied. The first
// fault is returned.
std::optional<RuleRefusal> checkScreenRules(const QList<ScreenRule> &rules,
                                            const ScreenOutline &outline);

// Rules that passed checkScreenRules become the shown format's rules: numbered 0001, 0002... in
// order, written with the line grid's orders and the field grid's numbers, and those numbers
// become the ones the save carries them from. Returns the orders of the line types (what the
// line editor must now count as loaded).
QStringList takeScreenRules(velkora::store::ShownRules &shown, const QList<ScreenRule> &rules,
                            const ScreenOutline &outline);

} // namespace kesta::editor
