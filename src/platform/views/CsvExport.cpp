#include "CsvExport.h"

#include "ResultTableModel.h"

#include <QRegularExpression>
#include <QSaveFile>

namespace velkora::views {

bool writeCsv(const ResultTableModel &table, const QString &fileName, QString *error)
{
    // A reader of its own: walking a big table does not push the shown lines out of the views'
    // reader.
    const ResultTableModel rows(std::make_shared<LineDecoder>(table.decoder()->sharedFile(), 16),
                                table.group());
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    QByteArray buffer("\xEF\xBB\xBF");
    const auto flush = [&] {
        if (file.write(buffer) != buffer.size())
            return false;
        buffer.clear();
        return true;
    };
    bool written = true;
    buffer += csvRecord(rows.columnTitles()).toUtf8();
    for (int row = 0, count = rows.rowCount(); row < count && written; ++row) {
        buffer += csvRecord(rows.rowTexts(row)).toUtf8();
        if (buffer.size() >= (1 << 20))
            written = flush();
    }
    if (!written || !flush()) {
        *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

QString csvFileName(const ResultTableModel &table)
{
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._-]"));
    const formats::LoadFormat &format = table.decoder()->file().format->format();
    QString key = format.key.trimmed();
    QString part = table.isOtherLines() ? QStringLiteral("otras")
                                        : format.lineTypes.at(table.lineType()).order.trimmed();
    key.replace(unsafe, QStringLiteral("_"));
    part.replace(unsafe, QStringLiteral("_"));
    return (key.isEmpty() ? QStringLiteral("formato") : key) + QLatin1Char('_') + part +
           QStringLiteral(".csv");
}

} // namespace velkora::views
