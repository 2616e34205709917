#include "CsvExport.h"

#include "ResultTableModel.h"


namespace velkora::views {

bool writeCsv(const ResultTableModel &table, const QString &fileName, QString *error)
{
    // A reader of its own: walking a big table does not push the shown lines out of the views'
    // reader.
    const ResultTableModel rows(std::make_shared<LineDecoder>(table.decoder()->sharedFile(), 16),
                                table.group());
    formats::CsvFile file(fileName);
    if (file.open(rows.columnTitles())) {
        for (int row = 0, count = rows.rowCount(); row < count; ++row)
            file.write(rows.rowTexts(row));
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

QString csvFileName(const ResultTableModel &table)
{
    const formats::LoadFormat &format = table.decoder()->file().format->format();
    return formats::csvFileName(format.key, table.isOtherLines()
                                                ? QStringLiteral("otras")
                                                : format.lineTypes.at(table.lineType()).order);
}

} // namespace velkora::views
