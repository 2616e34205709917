#include "LoadNumbers.h"

#include "RuleRenumber.h"

#include <QHash>
#include <QSet>
#include <algorithm>

namespace velkora::formats {

namespace {

// The order of the load's statement: a number's length first, then its text.
bool loadOrderLess(const QString &a, const QString &b)
{
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

// A line type's and a field's stored numbers, as a key of the renumbering: as stored, and by
// their values (a rule may write "2.1" for the field stored as 0002, 0001).
QString placeKey(const QString &lineOrder, const QString &fieldId)
{
    return lineOrder + QChar(0x1f) + fieldId;
}
QString valueKey(const QString &lineOrder, const QString &fieldId)
{
    return QString::number(orderNumber(lineOrder)) + QLatin1Char('.') +
           QString::number(orderNumber(fieldId));
}

struct Numbers {
    QHash<QString, QString> byPlace; // placeKey -> the load's number
    QHash<QString, QString> byValue; // valueKey -> the load's number, when only one field has it

    QString of(const QString &lineOrder, const QString &fieldId) const
    {
        if (const auto it = byPlace.constFind(placeKey(lineOrder, fieldId)); it != byPlace.cend())
            return *it;
        return byValue.value(valueKey(lineOrder, fieldId));
    }
};

QString loadNumber(int sequence)
{
    return QStringLiteral("%1").arg(sequence, 4, 10, QLatin1Char('0'));
}

// Every field of the format, with the number the load gives it.
Numbers numbersOfTheLoad(const LoadFormat &stored)
{
    QList<const FieldDef *> fields;
    for (const LineType &type : stored.lineTypes) {
        for (const FieldDef &field : type.fields)
            fields << &field;
    }
    for (const FieldDef &field : stored.orphanFields)
        fields << &field;
    std::stable_sort(fields.begin(), fields.end(), [](const FieldDef *a, const FieldDef *b) {
        if (a->lineOrder != b->lineOrder)
            return loadOrderLess(a->lineOrder, b->lineOrder);
        return loadOrderLess(a->id, b->id);
    });
    Numbers numbers;
    QSet<QString> repeated;
    int sequence = 0;
    for (const FieldDef *field : fields) {
        const QString number = loadNumber(sequence);
        numbers.byPlace.insert(placeKey(field->lineOrder, field->id), number);
        const QString value = valueKey(field->lineOrder, field->id);
        if (numbers.byValue.contains(value))
            repeated.insert(value);
        numbers.byValue.insert(value, number);
        sequence += 10;
    }
    for (const QString &value : repeated)
        numbers.byValue.remove(value);
    return numbers;
}

RuleDef renumbered(const RuleDef &rule, const Numbers &numbers)
{
    RuleDef out = rule;
    if (!rule.fieldId.trimmed().isEmpty()) {
        if (const QString number = numbers.of(rule.lineOrder, rule.fieldId); !number.isEmpty())
            out.fieldId = number;
    }
    // The fields its text reads take their new numbers; one that is not in the format keeps
    // its number, and the test says the rule cannot be used.
    renumberRuleText(out.text,
                     {[](const QString &line) { return line; },
                      [&numbers](const QString &line, const QString &field) {
                          const QString number = numbers.of(line, field);
                          return number.isEmpty() ? field : number;
                      }});
    return out;
}

} // namespace

LoadFormat withLoadNumbers(const LoadFormat &stored)
{
    const Numbers numbers = numbersOfTheLoad(stored);
    LoadFormat shown = stored;
    const auto renumber = [&numbers](FieldDef &field) {
        field.id = numbers.byPlace.value(placeKey(field.lineOrder, field.id));
    };
    for (LineType &type : shown.lineTypes)
        std::for_each(type.fields.begin(), type.fields.end(), renumber);
    std::for_each(shown.orphanFields.begin(), shown.orphanFields.end(), renumber);
    for (RuleDef &rule : shown.rules)
        rule = renumbered(rule, numbers);
    return shown;
}

} // namespace velkora::formats
