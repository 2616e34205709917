#include "RuleRows.h"

#include "Dialect.h"
#include "Literals.h"

namespace kesta::storage {

namespace {

// "0010" and "10" are the same number; a text that is not one stands for itself.
QString numberKey(const QString &text)
{
    bool ok = false;
    const qulonglong n = text.trimmed().toULongLong(&ok);
    return ok ? QString::number(n) : text.trimmed();
}

QString nullableFourDigits(host::Engine engine, const QString &value)
{
    return value.trimmed().isEmpty() ? QStringLiteral("NULL") : fourDigitText(engine, value);
}

} // namespace

QString deleteRuleRows(host::Engine engine, const QString &key)
{
    return dialectFor(engine).deleteVerb() + QStringLiteral("Layout_Regla WHERE Ly_Cve_Layout = ") +
           quotedText(engine, key);
}

QString ruleInsert(host::Engine engine, const LayoutRuleValues &v)
{
    return QStringLiteral("INSERT INTO Layout_Regla (Ly_Cve_Layout, Lr_ID, Ly_ID, Ld_ID, "
                          "Lr_Regla, Lr_Descripcion) VALUES (") +
           quotedText(engine, v.key) + QStringLiteral(", ") + fourDigitText(engine, v.id) +
           QStringLiteral(", ") + nullableFourDigits(engine, v.lineId) + QStringLiteral(", ") +
           nullableFourDigits(engine, v.fieldId) + QStringLiteral(", ") +
           quotedText(engine, v.text) + QStringLiteral(", ") + quotedText(engine, v.description) +
           QLatin1Char(')');
}

std::optional<QList<LayoutRuleValues>> renumberRules(const QList<LayoutRuleValues> &rules,
                                                     const QStringList &lineIds,
                                                     const QList<FieldNumbering> &fields,
                                                     LayoutRuleValues *refused)
{
    QList<LayoutRuleValues> out;
    for (const LayoutRuleValues &rule : rules) {
        LayoutRuleValues row = rule;
        const QString line = numberKey(rule.lineId);
        if (!rule.lineId.trimmed().isEmpty()) {
            bool found = false;
            for (const QString &id : lineIds)
                found = found || numberKey(id) == line;
            if (!found) {
                if (refused)
                    *refused = rule;
                return std::nullopt;
            }
        }
        if (!rule.fieldId.trimmed().isEmpty()) {
            const QString stored = numberKey(rule.fieldId);
            bool found = false;
            for (const FieldNumbering &field : fields) {
                if (numberKey(field.lineId) == line && !field.storedId.isEmpty() &&
                    numberKey(field.storedId) == stored) {
                    row.fieldId = field.newId;
                    found = true;
                    break;
                }
            }
            if (!found) {
                if (refused)
                    *refused = rule;
                return std::nullopt;
            }
        }
        out << row;
    }
    return out;
}

} // namespace kesta::storage
