#pragma once

#include "host/Connection.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace kesta::storage {

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
QString deleteRuleRows(host::Engine engine, const QString &key);
QString ruleInsert(host::Engine engine, const LayoutRuleValues &values);

// A field of the saved format: its line type, the number it was stored under (the field
// store's key keeps it) and the number the save writes (the store's Id). A field entered since
// the load has no stored number.
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

} // namespace kesta::storage
