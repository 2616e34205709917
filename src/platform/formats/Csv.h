#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>
#include <QStringList>

namespace velkora::formats {

// A field of a CSV record (RFC 4180): in double quotes, with its quotes doubled, when it holds
// a comma, a double quote, a CR or an LF; as it stands otherwise.
QString csvField(const QString &text);
// A CSV record: the fields joined by commas, ended by CR LF.
QString csvRecord(const QStringList &fields);

// The name of a line type's CSV file: "<key>_<part>.csv" (the part: the line type's Ly_ID, or
// "otras" for the other lines), characters that do not belong in a file name made '_', and
// "formato" for an empty key.
QString csvFileName(const QString &key, const QString &part);

// A CSV file for a spreadsheet, written a buffer at a time: UTF-8 with a byte-order mark (so
// that spreadsheets take it as UTF-8), the column titles, then the records. The file is
// replaced only once it is written whole (commit).
class CsvFile {
public:
    explicit CsvFile(const QString &fileName) : m_file(fileName) {}

    QString fileName() const { return m_file.fileName(); }
    // Opens the file and writes the titles; false (errorString()) when it cannot be written.
    bool open(const QStringList &titles);
    void write(const QStringList &fields);
    // Writes what is left and replaces the file; false when any write failed.
    bool commit();
    QString errorString() const { return m_file.errorString(); }

private:
    bool flush();

    QSaveFile m_file;
    QByteArray m_buffer;
    bool m_ok = true;
};

} // namespace velkora::formats
