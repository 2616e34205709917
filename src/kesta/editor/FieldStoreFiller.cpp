#include "FieldStoreFiller.h"

#include "FieldStore.h"
#include "host/Connection.h"
#include "host/RuntimeError.h"

#include <array>

namespace kesta::editor {

namespace {

// A copied column's text; null cannot be turned into text.
QString copiedText(const host::RecordSet &record, const QString &column)
{
    const QVariant value = record.Field(column);
    if (value.isNull())
        throw host::RuntimeError(
            QStringLiteral("Layout_Detalle.%1 is null: the field definition cannot be shown.")
                .arg(column));
    return value.toString();
}

struct CopiedColumn {
    FieldStore::SubItem sub;
    const char *column;
};

// Sub-items 2 to 9, in the order in which they are written.
constexpr std::array<CopiedColumn, 8> copiedColumns{{
    {FieldStore::Descripcion, "Ld_Descripcion"},
    {FieldStore::Posicion, "Ld_Posicion"},
    {FieldStore::Longitud, "Ld_Longitud"},
    {FieldStore::Tipo, "Ld_Tipo"},
    {FieldStore::Valor, "Ld_Valor"},
    {FieldStore::Formato, "Ld_Formato"},
    {FieldStore::Trim, "Ld_Trim"},
    {FieldStore::LineaID, "Ly_ID"},
}};

} // namespace

QString sequenceText(qint64 sequence)
{
    return QStringLiteral("%1").arg(sequence, 4, 10, QLatin1Char('0'));
}

void fillFieldStore(FieldStore &store, host::RecordSet &details, qint64 &sequence)
{
    store.clear();
    while (!details.EndOfSet()) {
        // The key joins both numbers as text, as read (a null joins as the empty text).
        const QString line = details.Field(QStringLiteral("Ly_ID")).toString();
        const QString field = details.Field(QStringLiteral("Ld_ID")).toString();
        const QString key = FieldStore::keyFor(line, field);
        store.add(key, FieldStore::textFor(line, field));
        store.setSubItem(key, FieldStore::Id, sequenceText(sequence));
        for (const CopiedColumn &c : copiedColumns)
            store.setSubItem(key, c.sub, copiedText(details, QString::fromLatin1(c.column)));
        sequence += 10;
        details.MoveNext();
    }
    details.Close();
}

} // namespace kesta::editor
