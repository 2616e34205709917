#include "FormatRows.h"

namespace kesta::storage {

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

} // namespace kesta::storage
