#include "LineEditCheck.h"

#include "GridColumns.h"
#include "store/Literals.h"

#include <formats/CompiledFormat.h>
#include <formats/LayoutChecks.h>

namespace kesta::editor {

namespace {

// A position or length is a whole number from 0 to what its column stores. A 0 is a format
// the tables hold (a CONSTANTE reads no text, a sole line type without an ID has no ID place):
// the test's review, not the editor, says when a field would read text there.
bool inPositionRange(const QString &value)
{
    const QString t = value.trimmed();
    if (t.isEmpty() || t.size() > 10)
        return false;
    for (const QChar c : t) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    const qint64 number = t.toLongLong();
    return number >= 0 && number <= messages::MaxPositionAccepted;
}

Refusal lineRefusal(const messages::Message &message, LineColumn column)
{
    return Refusal{message, false, false, -1, columnOf(column)};
}

Refusal fieldRefusal(const messages::Message &message, int row, FieldColumn column,
                     bool cancelSave = false)
{
    return Refusal{message, true, cancelSave, row, columnOf(column)};
}

// A refusal that leaves the focus and the current cell where they are: the line's checks 1
// and 2 name the line as a whole.
Refusal lineRefusalInPlace(const messages::Message &message)
{
    Refusal refusal{message, false, false, -1, -1};
    refusal.placesCursor = false;
    return refusal;
}

std::optional<Refusal> checkLine(const LineRowInput &line, int lineRowCount,
                                 const QStringList &otherOrders)
{
    if (line.orden.isEmpty() || line.descripcion.isEmpty() || line.posicion.isEmpty() ||
        line.longitud.isEmpty())
        return lineRefusalInPlace(messages::lineDataIncomplete());
    if (lineRowCount > 1 && line.id.isEmpty())
        return lineRefusalInPlace(messages::lineIdRequired());
    const QString order = velkora::store::fourDigits(line.orden);
    for (const QString &other : otherOrders) {
        if (velkora::store::fourDigits(other) == order)
            return lineRefusal(messages::lineOrderTaken(order), LineColumn::Order);
    }
    if (!inPositionRange(line.posicion))
        return lineRefusal(
            messages::lineNumberOutOfRange(QStringLiteral("posición"), line.posicion),
            LineColumn::Position);
    if (!inPositionRange(line.longitud))
        return lineRefusal(
            messages::lineNumberOutOfRange(QStringLiteral("longitud"), line.longitud),
            LineColumn::Length);
    return std::nullopt;
}

std::optional<Refusal> checkFieldRow(const QList<FieldRowInput> &fields, int row)
{
    const FieldRowInput &field = fields.at(row);
    if (field.id.isEmpty())
        return fieldRefusal(messages::fieldIdRequired(), row, FieldColumn::Id);
    if (field.posicion.isEmpty())
        return fieldRefusal(messages::fieldPositionRequired(), row, FieldColumn::Position);
    if (field.longitud.isEmpty())
        return fieldRefusal(messages::fieldLengthRequired(), row, FieldColumn::Length);
    if (field.tipo < 0)
        return fieldRefusal(messages::fieldTypeRequired(), row, FieldColumn::Type);
    if (!inPositionRange(field.posicion))
        return fieldRefusal(messages::fieldNumberOutOfRange(
                                fieldNumber(field.id), QStringLiteral("posición"), field.posicion),
                            row, FieldColumn::Position);
    if (!inPositionRange(field.longitud))
        return fieldRefusal(messages::fieldNumberOutOfRange(
                                fieldNumber(field.id), QStringLiteral("longitud"), field.longitud),
                            row, FieldColumn::Length);
    for (int later = row + 1; later < fields.size(); ++later) {
        if (fields.at(later).id == field.id)
            return fieldRefusal(messages::fieldIdDuplicated(field.id), row, FieldColumn::Id, true);
    }
    const QString number = fieldNumber(field.id);
    for (int later = row + 1; later < fields.size(); ++later) {
        if (fieldNumber(fields.at(later).id) == number)
            return fieldRefusal(
                messages::fieldNumberCollides(field.id, fields.at(later).id, number), row,
                FieldColumn::Id, true);
    }
    return std::nullopt;
}

} // namespace

QStringList overlappingFields(const LineRowInput &line, const QList<FieldRowInput> &fields)
{
    velkora::formats::LineType type;
    type.order = velkora::store::fourDigits(line.orden);
    type.lineId = line.id;
    type.description = line.descripcion;
    type.position = line.posicion.trimmed().toInt();
    type.length = line.longitud.trimmed().toInt();
    for (const FieldRowInput &row : fields) {
        velkora::formats::FieldDef field;
        field.lineOrder = type.order;
        field.id = fieldNumber(row.id);
        field.description = row.descripcion;
        field.position = row.posicion.trimmed().toInt();
        field.length = row.longitud.trimmed().toInt();
        field.typeCode = QStringLiteral("%1").arg(row.tipo + 1, 2, 10, QLatin1Char('0'));
        type.fields << field;
    }
    velkora::formats::LoadFormat format;
    format.lineTypes << type;
    QStringList overlaps;
    for (const auto &finding : velkora::formats::overlappingFields(
             velkora::formats::CompiledFormat(std::move(format))))
        overlaps << finding.message;
    return overlaps;
}

QStringList fieldColumns(const QList<FieldRowInput> &fields)
{
    QStringList columns;
    for (const FieldRowInput &field : fields)
        columns << QStringLiteral("%1|%2|%3")
                       .arg(field.posicion.trimmed(), field.longitud.trimmed())
                       .arg(field.tipo);
    return columns;
}

QStringList newOverlaps(const LineRowInput &line, const QList<FieldRowInput> &fields,
                        QStringList columnsAtStart)
{
    const QStringList columns = fieldColumns(fields);
    QList<FieldRowInput> asBefore;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (columnsAtStart.removeOne(columns.at(i)))
            asBefore << fields.at(i);
    }
    const QStringList before = overlappingFields(line, asBefore);
    QStringList overlaps = overlappingFields(line, fields);
    overlaps.removeIf([&before](const QString &one) { return before.contains(one); });
    return overlaps;
}

QString fieldNumber(const QString &id)
{
    return velkora::store::fourDigits(id);
}

std::optional<Refusal> checkLineEdit(const LineRowInput &line, int lineRowCount,
                                     const QStringList &otherOrders,
                                     const QList<FieldRowInput> &fields)
{
    if (auto refusal = checkLine(line, lineRowCount, otherOrders))
        return refusal;
    if (fields.isEmpty())
        return fieldRefusal(messages::fieldIdRequired(), 0, FieldColumn::Id);
    for (int row = 0; row < fields.size(); ++row) {
        if (auto refusal = checkFieldRow(fields, row))
            return refusal;
    }
    return std::nullopt;
}

} // namespace kesta::editor
