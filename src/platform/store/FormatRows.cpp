#include "FormatRows.h"

#include "Literals.h"

#include <algorithm>

namespace velkora::store {

SaveRequest saveRequestOf(const velkora::formats::LoadFormat &format, const HeaderData &header,
                          LoadFormatWriter::Format writeAs, bool withRules)
{
    SaveRequest request;
    request.format = writeAs;
    request.key = format.key;
    request.description = format.description;
    for (const velkora::formats::LineType &type : format.lineTypes) {
        LayoutLineValues line;
        line.key = format.key;
        line.description = format.description;
        line.file = format.file;
        line.order = type.order;
        line.lineDescription = type.description;
        line.lineId = type.lineId;
        line.position = QString::number(type.lineId.isEmpty() ? 1 : type.position);
        line.length = QString::number(type.lineId.isEmpty() ? 1 : type.length);
        line.reverse = format.reverse;
        line.user1 = header.user1;
        line.user2 = header.user2;
        line.user3 = header.user3;
        line.user4 = header.user4;
        line.date5 = header.date5;
        line.date6 = header.date6;
        request.lines << line;
        for (const velkora::formats::FieldDef &f : type.fields) {
            LayoutFieldValues field;
            field.key = format.key;
            field.lineId = type.order;
            field.id = f.id;
            field.description = f.description;
            field.position = QString::number(f.position);
            field.length = QString::number(f.length);
            field.trim = f.trim ? QStringLiteral("SI") : QStringLiteral("NO");
            field.valor = f.value;
            field.formato = f.format;
            field.tipo = f.typeCode;
            request.fields << field;
        }
    }
    if (withRules) {
        QList<LayoutRuleValues> rules;
        for (const velkora::formats::RuleDef &r : format.rules)
            rules << LayoutRuleValues{format.key, r.id,   r.lineOrder,
                                      r.fieldId,  r.text, r.description};
        request.rules = rules;
    }
    return request;
}

namespace {

using velkora::formats::orderNumber;

// A bare number of the rows as the reader takes it.
int numberOf(const QString &text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok && value >= -1e9 && value <= 1e9 ? static_cast<int>(value) : 0;
}

// Numbers first, by their value, then the texts that are none (as the reader's order has them).
bool numberedBefore(const QString &a, const QString &b)
{
    const qint64 x = orderNumber(a);
    const qint64 y = orderNumber(b);
    if ((x < 0) != (y < 0))
        return x >= 0;
    return x != y ? x < y : a < b;
}

velkora::formats::FieldDef fieldOf(const LayoutFieldValues &row)
{
    velkora::formats::FieldDef field;
    field.lineOrder = fourDigits(row.lineId);
    field.id = fourDigits(row.id);
    field.description = row.description;
    field.position = numberOf(row.position);
    field.length = numberOf(row.length);
    field.typeCode = row.tipo;
    field.value = row.valor;
    field.format = row.formato;
    field.trim = row.trim == QLatin1String("SI");
    return field;
}

} // namespace

velkora::formats::LoadFormat formatOfRequest(const SaveRequest &request, bool rulesAvailable)
{
    velkora::formats::LoadFormat format;
    format.key = request.key;
    format.description = request.description;
    format.state = QStringLiteral("AC");
    format.rulesAvailable = rulesAvailable;
    if (!request.lines.isEmpty()) {
        format.file = request.lines.first().file;
        format.reverse = request.lines.first().reverse;
    }
    for (const LayoutLineValues &row : request.lines) {
        velkora::formats::LineType type;
        type.order = fourDigits(row.order);
        type.lineId = row.lineId;
        type.description = row.lineDescription;
        type.position = numberOf(row.position);
        type.length = numberOf(row.length);
        format.lineTypes << type;
    }
    std::stable_sort(format.lineTypes.begin(), format.lineTypes.end(),
                     [](const auto &a, const auto &b) { return numberedBefore(a.order, b.order); });
    for (const LayoutFieldValues &row : request.fields) {
        const velkora::formats::FieldDef field = fieldOf(row);
        const auto line = std::find_if(
            format.lineTypes.begin(), format.lineTypes.end(), [&field](const auto &type) {
                return orderNumber(type.order) >= 0
                           ? orderNumber(type.order) == orderNumber(field.lineOrder)
                           : type.order == field.lineOrder;
            });
        (line == format.lineTypes.end() ? format.orphanFields : line->fields) << field;
    }
    for (velkora::formats::LineType &type : format.lineTypes)
        std::stable_sort(type.fields.begin(), type.fields.end(),
                         [](const auto &a, const auto &b) { return numberedBefore(a.id, b.id); });
    if (rulesAvailable && request.rules) {
        for (const LayoutRuleValues &rule : *request.rules)
            format.rules << velkora::formats::RuleDef{rule.id, rule.lineId, rule.fieldId, rule.text,
                                                      rule.description};
    }
    return format;
}

} // namespace velkora::store
