#include "FieldStoreFiller.h"

#include "FieldStore.h"
#include "host/Connection.h"
#include "host/RuntimeError.h"

#include <QSet>

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

// The store's sub-items Id to LineaID in order, and the column copied into each (none for Id,
// the load's sequence number).
const std::array<QString, FieldStore::ColumnCount - 1> &copiedColumns()
{
    static const std::array<QString, FieldStore::ColumnCount - 1> columns{
        QString(),
        QStringLiteral("Ld_Descripcion"),
        QStringLiteral("Ld_Posicion"),
        QStringLiteral("Ld_Longitud"),
        QStringLiteral("Ld_Tipo"),
        QStringLiteral("Ld_Valor"),
        QStringLiteral("Ld_Formato"),
        QStringLiteral("Ld_Trim"),
        QStringLiteral("Ly_ID"),
    };
    return columns;
}

} // namespace

QString sequenceText(qint64 sequence)
{
    if (sequence < 0)
        return QStringLiteral("%1").arg(sequence, 4, 10, QLatin1Char('0'));
    // The load numbers every field: the digits, zeros before them up to four.
    QString text = QString::number(sequence);
    if (text.size() < 4)
        text.prepend(QString(4 - text.size(), u'0'));
    return text;
}

void fillFieldStore(FieldStore &store, host::RecordSet &details, qint64 &sequence)
{
    store.clear();
    // The rows are read first and added at once. A row that cannot be read (a null) stops the
    // fill with the rows before it in the store; a repeated key is refused by the store itself,
    // with the rows before it kept.
    const QString lineColumn = QStringLiteral("Ly_ID");
    const QString fieldColumn = QStringLiteral("Ld_ID");
    QList<FieldStore::Entry> entries;
    QSet<QString> keys;
    try {
        while (!details.EndOfSet()) {
            // The key joins both numbers as text, as read (a null joins as the empty text).
            const QString line = details.Field(lineColumn).toString();
            const QString field = details.Field(fieldColumn).toString();
            FieldStore::Entry entry{FieldStore::keyFor(line, field),
                                    FieldStore::textFor(line, field), QStringList()};
            if (keys.contains(entry.key)) {
                entries.append(std::move(entry));
                break;
            }
            keys.insert(entry.key);
            entry.subItems.reserve(FieldStore::ColumnCount - 1);
            entry.subItems.append(sequenceText(sequence));
            for (size_t c = 1; c < copiedColumns().size(); ++c)
                entry.subItems.append(copiedText(details, copiedColumns()[c]));
            entries.append(std::move(entry));
            sequence += 10;
            details.MoveNext();
        }
    } catch (...) {
        store.append(entries);
        throw;
    }
    store.append(entries);
    details.Close();
}

} // namespace kesta::editor
