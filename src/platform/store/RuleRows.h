#pragma once

#include "host/Connection.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace velkora::store {

// One Layout_Regla row: a rule of a load format (docs/rules.md). lineId and fieldId empty for a
// rule of the whole file or of the line type; they are written as NULL then.
struct LayoutRuleValues {
    QString key;         // Ly_Cve_Layout
    QString id;          // Lr_ID, four-digit form
    QString lineId;      // Ly_ID, four-digit form, or empty
    QString fieldId;     // Ld_ID, four-digit form, or empty
    QString text;        // Lr_Regla, at most 255 characters
    QString description; // Lr_Descripcion, at most 100 characters
};

// The statements of the rules' table.
QString deleteRuleRows(kesta::host::Engine engine, const QString &key);
QString ruleInsert(kesta::host::Engine engine, const LayoutRuleValues &values);
// ruleInsert with a placeholder for each value, and its values (NULL for an empty line type or
// field), for the connections that bind values.
QString ruleInsertTemplate();
QVariantList ruleParameters(const LayoutRuleValues &values);

// A field of the saved format: its line type, the number the rules know it by (its origin in
// the field store: the number it was stored under, or the one it showed when the rules were
// taken from the screen) and the number the save writes (the store's Id). A field entered since
// has no stored number.
struct FieldNumbering {
    QString lineId;
    QString storedId;
    QString newId;
};

// The rules as the save writes them: each rule follows its field to the number that the save
// writes, and its line type as it stands. A rule whose line type or field is no longer in the
// format is refused: *refused then names the first (message 7500060), and nothing is returned.
// Numbers are compared as numbers ("10" is "0010").
std::optional<QList<LayoutRuleValues>> renumberRules(const QList<LayoutRuleValues> &rules,
                                                     const QStringList &lineIds,
                                                     const QList<FieldNumbering> &fields,
                                                     LayoutRuleValues *refused);

// A line type of the saved format: its order number as it stands, and the one it was loaded
// under (empty for a line type entered since the load, or one whose identity was lost).
struct LineNumbering {
    QString order;
    QString loadedOrder;
};

// The rules of the shown load format as its load read them, and what the save needs to carry
// them to the numbers it writes.
struct ShownRules {
    // Whether the rules were read: the format's database has the table of rules. When not,
    // the save leaves the table alone.
    bool read = false;
    // Whether the format's database keeps rules at all: the screen offers them only then.
    bool available = false;
    QList<LayoutRuleValues> rules; // as stored, in Lr_ID order
    // Per line type as loaded (its order, by number): the number the load showed a field
    // under (by number) -> the number it is stored under.
    QHash<QString, QHash<QString, QString>> storedFieldIds;

    void clear() { *this = ShownRules(); }
    // Records a field as the load shows it.
    void addLoadedField(const QString &loadedOrder, const QString &shownId,
                        const QString &storedId);
    // The number the load showed the field stored as `storedId` under (what the user last saw
    // of it), in four digits; the stored number when the load did not show it.
    QString shownFieldId(const QString &loadedOrder, const QString &storedId) const;
    // A rule goes with what it belongs to: removes the rules of the fields known as `fields`
    // (their numbers in `rules`) in the line type loaded as `loadedOrder` (with no field given,
    // every rule of that line type, its fields' included) and returns them, in their order.
    QList<LayoutRuleValues> takeRulesOf(const QString &loadedOrder, const QStringList &fields = {});
};

// The shown format's rules as the save writes them under `key`: each rule goes with its line
// type to the order that line type has now and with its field to the number the save writes
// (`fields` hold their stored numbers, see FieldNumbering); a field that SUMA names in the
// rule's text is carried the same way. A rule whose line type or field is no longer in the
// format (or that cannot be told apart from another) is refused: *refused names the first, with
// the numbers it is stored under, and nothing is returned.
std::optional<QList<LayoutRuleValues>> carryRules(const QString &key, const ShownRules &shown,
                                                  const QList<LineNumbering> &lines,
                                                  const QList<FieldNumbering> &fields,
                                                  LayoutRuleValues *refused);

} // namespace velkora::store
