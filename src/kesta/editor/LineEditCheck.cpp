#include "LineEditCheck.h"

#include "store/Literals.h"

namespace kesta::editor {

namespace {

// A position or length is a whole number from 1 to what its column stores.
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
    return number >= 1 && number <= messages::MaxPositionAccepted;
}

Refusal lineRefusal(const messages::Message &message, const char *column)
{
    return Refusal{message, false, false, -1, QString::fromUtf8(column)};
}

Refusal fieldRefusal(const messages::Message &message, int row, const char *column,
                     bool cancelSave = false)
{
    return Refusal{message, true, cancelSave, row, QString::fromUtf8(column)};
}

// The first of the line's required cells that is empty.
const char *emptyLineCell(const LineRowInput &line)
{
    if (line.orden.isEmpty())
        return "Orden";
    if (line.descripcion.isEmpty())
        return "Descripción";
    if (line.posicion.isEmpty())
        return "Posicion";
    return "Longitud";
}

std::optional<Refusal> checkLine(const LineRowInput &line, int lineRowCount,
                                 const QStringList &otherOrders)
{
    if (line.orden.isEmpty() || line.descripcion.isEmpty() || line.posicion.isEmpty() ||
        line.longitud.isEmpty())
        return lineRefusal(messages::lineDataIncomplete(), emptyLineCell(line));
    if (lineRowCount > 1 && line.id.isEmpty())
        return lineRefusal(messages::lineIdRequired(), "ID");
    const QString order = storage::fourDigits(line.orden);
    for (const QString &other : otherOrders) {
        if (storage::fourDigits(other) == order)
            return lineRefusal(messages::lineOrderTaken(order), "Orden");
    }
    if (!inPositionRange(line.posicion))
        return lineRefusal(
            messages::lineNumberOutOfRange(QStringLiteral("posición"), line.posicion), "Posicion");
    if (!inPositionRange(line.longitud))
        return lineRefusal(
            messages::lineNumberOutOfRange(QStringLiteral("longitud"), line.longitud), "Longitud");
    return std::nullopt;
}

std::optional<Refusal> checkFieldRow(const QList<FieldRowInput> &fields, int row)
{
    const FieldRowInput &field = fields.at(row);
    if (field.id.isEmpty())
        return fieldRefusal(messages::fieldIdRequired(), row, "ID");
    if (field.posicion.isEmpty())
        return fieldRefusal(messages::fieldPositionRequired(), row, "Posicion");
    if (field.longitud.isEmpty())
        return fieldRefusal(messages::fieldLengthRequired(), row, "Longitud");
    if (field.tipo < 0)
        return fieldRefusal(messages::fieldTypeRequired(), row, "Tipo");
    if (!inPositionRange(field.posicion))
        return fieldRefusal(messages::fieldNumberOutOfRange(
                                fieldNumber(field.id), QStringLiteral("posición"), field.posicion),
                            row, "Posicion");
    if (!inPositionRange(field.longitud))
        return fieldRefusal(messages::fieldNumberOutOfRange(
                                fieldNumber(field.id), QStringLiteral("longitud"), field.longitud),
                            row, "Longitud");
    for (int later = row + 1; later < fields.size(); ++later) {
        if (fields.at(later).id == field.id)
            return fieldRefusal(messages::fieldIdDuplicated(field.id), row, "ID", true);
    }
    const QString number = fieldNumber(field.id);
    for (int later = row + 1; later < fields.size(); ++later) {
        if (fieldNumber(fields.at(later).id) == number)
            return fieldRefusal(
                messages::fieldNumberCollides(field.id, fields.at(later).id, number), row, "ID",
                true);
    }
    return std::nullopt;
}

} // namespace

QString fieldNumber(const QString &id)
{
    return storage::fourDigits(id);
}

std::optional<Refusal> checkLineEdit(const LineRowInput &line, int lineRowCount,
                                     const QStringList &otherOrders,
                                     const QList<FieldRowInput> &fields)
{
    if (auto refusal = checkLine(line, lineRowCount, otherOrders))
        return refusal;
    if (fields.isEmpty())
        return fieldRefusal(messages::fieldIdRequired(), 0, "ID");
    for (int row = 0; row < fields.size(); ++row) {
        if (auto refusal = checkFieldRow(fields, row))
            return refusal;
    }
    return std::nullopt;
}

} // namespace kesta::editor
