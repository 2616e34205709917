#include "FieldStoreFiller.h"

#include "FieldStore.h"
#include "host/Connection.h"
#include "host/RuntimeError.h"

#include <QSet>

#include <algorithm>
#include <array>
#include <numeric>
#include <tuple>
#include <vector>

namespace kesta::editor {

namespace {

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

// One Layout_Detalle row as read: both numbers as text (a null joins as the empty text) and
// the copied columns' values, nulls kept.
struct ReadRow {
    QString line;
    QString field;
    std::array<QVariant, FieldStore::ColumnCount - 1> copied;
};

// A text's length as the engines count it: in characters, a surrogate pair one.
qsizetype characterCount(const QString &text)
{
    qsizetype count = text.size();
    for (const QChar c : text)
        count -= c.isLowSurrogate() ? 1 : 0;
    return count;
}

// The rows, read in the primary key's order (Ly_ID, then Ld_ID, as the engine compares texts),
// put in the order of the numbers' lengths first: Ly_ID's length, Ly_ID, Ld_ID's length, Ld_ID
// ("0010" before "10000", whatever the texts hold). The rows of one Ly_ID come together, in the
// engine's order of their Ld_ID; a stable sort keeps that order among the same lengths.
QList<qsizetype> byLength(const QList<ReadRow> &rows)
{
    struct Place {
        qsizetype lineLength, group, fieldLength;
    };
    std::vector<Place> places;
    places.reserve(size_t(rows.size()));
    qsizetype group = -1;
    qsizetype lineLength = 0;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (i == 0 || rows.at(i).line != rows.at(i - 1).line) {
            ++group;
            lineLength = characterCount(rows.at(i).line);
        }
        places.push_back({lineLength, group, characterCount(rows.at(i).field)});
    }
    QList<qsizetype> order(rows.size());
    std::iota(order.begin(), order.end(), qsizetype(0));
    std::stable_sort(order.begin(), order.end(), [&places](qsizetype a, qsizetype b) {
        const Place &x = places[size_t(a)], &y = places[size_t(b)];
        return std::tie(x.lineLength, x.group, x.fieldLength) <
               std::tie(y.lineLength, y.group, y.fieldLength);
    });
    return order;
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

void fillFieldStore(FieldStore &store, host::RecordSet &details, qint64 &sequence,
                    RowOrder order)
{
    store.clear();
    // Every row is read first; then the rows are added at once, in their order. A row that
    // cannot be shown (a null) stops the fill with the rows before it in the store; a repeated
    // key is refused by the store itself, with the rows before it kept.
    const QString lineColumn = QStringLiteral("Ly_ID");
    const QString fieldColumn = QStringLiteral("Ld_ID");
    QList<ReadRow> rows;
    while (!details.EndOfSet()) {
        ReadRow row{details.Field(lineColumn).toString(), details.Field(fieldColumn).toString(),
                    {}};
        for (size_t c = 1; c < copiedColumns().size(); ++c)
            row.copied[c] = details.Field(copiedColumns()[c]);
        rows.append(std::move(row));
        details.MoveNext();
    }
    details.Close();

    QList<qsizetype> sequenceOrder;
    if (order == RowOrder::ByPrimaryKey)
        sequenceOrder = byLength(rows);

    QList<FieldStore::Entry> entries;
    entries.reserve(rows.size());
    QSet<QString> keys;
    keys.reserve(rows.size());
    try {
        for (qsizetype i = 0; i < rows.size(); ++i) {
            const ReadRow &row = rows.at(sequenceOrder.isEmpty() ? i : sequenceOrder.at(i));
            // The rules know the field by the number it is stored under.
            FieldStore::Entry entry{FieldStore::keyFor(row.line, row.field),
                                    FieldStore::textFor(row.line, row.field), QStringList(),
                                    row.field};
            if (keys.contains(entry.key)) {
                entries.append(std::move(entry));
                break;
            }
            keys.insert(entry.key);
            entry.subItems.reserve(FieldStore::ColumnCount - 1);
            entry.subItems.append(sequenceText(sequence));
            for (size_t c = 1; c < copiedColumns().size(); ++c) {
                const QVariant &value = row.copied[c];
                if (value.isNull())
                    throw host::RuntimeError(QStringLiteral("Layout_Detalle.%1 is null: the field "
                                                            "definition cannot be shown.")
                                                 .arg(copiedColumns()[c]));
                entry.subItems.append(value.toString());
            }
            entries.append(std::move(entry));
            sequence += 10;
        }
    } catch (...) {
        store.append(entries);
        throw;
    }
    store.append(entries);
}

} // namespace kesta::editor
