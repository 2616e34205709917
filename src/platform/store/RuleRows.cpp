#include "RuleRows.h"

#include "formats/RuleRenumber.h"

#include "Dialect.h"
#include "Literals.h"

#include <QSet>

#include <algorithm>

namespace velkora::store {

namespace {

// "0010" and "10" are the same number; a text that is not one stands for itself.
QString numberKey(const QString &text)
{
    // Digits only (the usual case): the zeros before the first significant one left out.
    if (!text.isEmpty() && text.size() <= 19 &&
        std::all_of(text.cbegin(), text.cend(),
                    [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); })) {
        qsizetype zeros = 0;
        while (zeros < text.size() - 1 && text.at(zeros) == QLatin1Char('0'))
            ++zeros;
        return zeros == 0 ? text : text.mid(zeros);
    }
    bool ok = false;
    const qulonglong n = text.trimmed().toULongLong(&ok);
    return ok ? QString::number(n) : text.trimmed();
}

QString nullableFourDigits(kesta::host::Engine engine, const QString &value)
{
    return value.trimmed().isEmpty() ? QStringLiteral("NULL") : fourDigitText(engine, value);
}

} // namespace

QString deleteRuleRows(kesta::host::Engine engine, const QString &key)
{
    return dialectFor(engine).deleteVerb() + QStringLiteral("Layout_Regla WHERE Ly_Cve_Layout = ") +
           quotedText(engine, key);
}

QString ruleInsert(kesta::host::Engine engine, const LayoutRuleValues &v)
{
    return QStringLiteral("INSERT INTO Layout_Regla (Ly_Cve_Layout, Lr_ID, Ly_ID, Ld_ID, "
                          "Lr_Regla, Lr_Descripcion) VALUES (") +
           quotedText(engine, v.key) + QStringLiteral(", ") + fourDigitText(engine, v.id) +
           QStringLiteral(", ") + nullableFourDigits(engine, v.lineId) + QStringLiteral(", ") +
           nullableFourDigits(engine, v.fieldId) + QStringLiteral(", ") +
           quotedText(engine, v.text) + QStringLiteral(", ") + quotedText(engine, v.description) +
           QLatin1Char(')');
}

QString ruleInsertTemplate()
{
    return QStringLiteral("INSERT INTO Layout_Regla (Ly_Cve_Layout, Lr_ID, Ly_ID, Ld_ID, "
                          "Lr_Regla, Lr_Descripcion) VALUES (?, ?, ?, ?, ?, ?)");
}

QVariantList ruleParameters(const LayoutRuleValues &v)
{
    const auto nullable = [](const QString &value) {
        return value.trimmed().isEmpty() ? QVariant() : boundText(fourDigits(value));
    };
    return {boundText(v.key),      boundText(fourDigits(v.id)), nullable(v.lineId),
            nullable(v.fieldId),   boundText(v.text),           boundText(v.description)};
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

QString ShownRules::shownFieldId(const QString &loadedOrder, const QString &storedId) const
{
    const QHash<QString, QString> fields = storedFieldIds.value(numberKey(loadedOrder));
    for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
        if (numberKey(it.value()) == numberKey(storedId)) {
            bool ok = false;
            const int n = it.key().toInt(&ok);
            return ok ? fourDigits(QString::number(n)) : it.key();
        }
    }
    return storedId;
}

void ShownRules::addLoadedField(const QString &loadedOrder, const QString &shownId,
                                const QString &storedId)
{
    storedFieldIds[numberKey(loadedOrder)].insert(numberKey(shownId), storedId);
}

QList<LayoutRuleValues> ShownRules::takeRulesOf(const QString &loadedOrder,
                                                const QStringList &fields)
{
    QSet<QString> gone;
    for (const QString &field : fields)
        gone.insert(numberKey(field));
    const QString line = numberKey(loadedOrder);
    const auto belongs = [&](const LayoutRuleValues &rule) {
        if (rule.lineId.trimmed().isEmpty() || numberKey(rule.lineId) != line)
            return false;
        return gone.isEmpty() ||
               (!rule.fieldId.trimmed().isEmpty() && gone.contains(numberKey(rule.fieldId)));
    };
    QList<LayoutRuleValues> taken;
    for (const LayoutRuleValues &rule : std::as_const(rules)) {
        if (belongs(rule))
            taken << rule;
    }
    rules.removeIf(belongs);
    return taken;
}

namespace {

bool sameNumber(const QString &a, const QString &b)
{
    return numberKey(a) == numberKey(b);
}

// The line type that stands at `order` now, when it is the one loaded under that order.
bool unmoved(const QList<LineNumbering> &lines, const QString &order)
{
    for (const LineNumbering &line : lines) {
        if (sameNumber(line.order, order))
            return !line.loadedOrder.isEmpty() && sameNumber(line.loadedOrder, order);
    }
    return false;
}

// The field stored as `stored` in the line type `line`: the number the save writes it under;
// empty when it is no longer in the format.
QString fieldNow(const QList<FieldNumbering> &fields, const QString &line, const QString &stored)
{
    QString newId;
    for (const FieldNumbering &field : fields) {
        if (sameNumber(field.lineId, line) && !field.storedId.isEmpty() &&
            sameNumber(field.storedId, stored))
            newId = field.newId;
    }
    return newId;
}

} // namespace

std::optional<QList<LayoutRuleValues>> carryRules(const QString &key, const ShownRules &shown,
                                                  const QList<LineNumbering> &lines,
                                                  const QList<FieldNumbering> &fields,
                                                  LayoutRuleValues *refused)
{
    const auto refuse = [refused](const LayoutRuleValues &rule, const QString &lineId,
                                  const QString &fieldId) {
        if (refused) {
            *refused = rule;
            refused->lineId = lineId;
            refused->fieldId = fieldId;
        }
        return std::nullopt;
    };
    QStringList orders;
    for (const LineNumbering &line : lines)
        orders << line.order;

    QList<LayoutRuleValues> moved;
    for (const LayoutRuleValues &rule : shown.rules) {
        LayoutRuleValues row = rule;
        row.key = key;
        // The rule's own line type goes to the order it has now.
        if (!rule.lineId.trimmed().isEmpty()) {
            row.lineId.clear();
            for (const LineNumbering &line : lines) {
                if (!line.loadedOrder.isEmpty() && sameNumber(line.loadedOrder, rule.lineId))
                    row.lineId = line.order;
            }
            if (row.lineId.isEmpty())
                return refuse(rule, rule.lineId, rule.fieldId);
        }
        // The line types its text names keep their numbers: each must still be the line type
        // loaded under it, or the rule would speak of another one. The fields it reads
        // follow them to the numbers the save writes.
        QString goneLine;
        QString goneField;
        const auto lineNow = [&](const QString &named) {
            if (unmoved(lines, named))
                return named;
            if (goneLine.isEmpty())
                goneLine = named, goneField.clear();
            return QString();
        };
        const auto fieldOf = [&](const QString &line, const QString &stored) {
            const QString now = fieldNow(fields, line, stored);
            if (now.isEmpty() && goneLine.isEmpty())
                goneLine = line, goneField = stored;
            return now;
        };
        if (!velkora::formats::renumberRuleText(row.text, {lineNow, fieldOf}))
            return refuse(rule, goneLine, goneField);
        moved << row;
    }

    LayoutRuleValues refusedRow;
    const auto carried = renumberRules(moved, orders, fields, &refusedRow);
    if (!carried) {
        for (const LayoutRuleValues &rule : shown.rules) {
            if (rule.id == refusedRow.id)
                return refuse(rule, rule.lineId, rule.fieldId);
        }
        return refuse(refusedRow, refusedRow.lineId, refusedRow.fieldId);
    }
    return carried;
}

} // namespace velkora::store
