#pragma once

#include "formats/LineSource.h"
#include "formats/TextEncoding.h"

#include <QFile>
#include <QString>
#include <vector>

namespace velkora::proposal {

// Reads a file line by line as the load-format test splits it (formats::LineSource): lines
// end with LF or CR LF, a last line without an end counts, a UTF-8 byte-order mark at the
// start and a final Ctrl-Z are passed over, and a line longer than formats::MaxLineBytes is
// read up to there. One block of the file and the places of its lines are held at a time.
class LineReader {
public:
    bool open(const QString &path, QString *error);
    // Reads records of `length` bytes instead of lines (the rule REGISTRO): each perhaps
    // followed by a line break, which is passed over; the last one may be shorter. 0: lines.
    void setRecordLength(int length) { m_record = length; }
    // The next line, without its end; false at the end of the file or on a read error (see
    // error()).
    bool next(const char *&p, qsizetype &n);
    qint64 lineNumber() const { return m_number; } // of the line last returned, from 1
    qint64 fileBytes() const { return m_source.fileBytes(); }
    qint64 bytesRead() const;
    // The offset of the first NUL byte read so far (from 0), or -1.
    qint64 firstNul() const { return m_source.firstNul(); }
    const QString &error() const { return m_error; }

private:
    bool fill();

    formats::LineSource m_source;
    qint64 m_number = 0;
    int m_record = 0;
    qint64 m_next = 0; // where the next block starts
    std::vector<formats::SourceLine> m_lines; // the block's lines
    size_t m_at = 0;                          // the next of them
    QString m_error;
};

// One line as characters, decoded as the test reads it (UTF-8 when the line is well-formed
// UTF-8, Windows-1252 otherwise); only the first `limit` characters are kept, `characters` is
// the line's whole length.
struct DecodedLine {
    std::vector<char32_t> chars;
    qsizetype characters = 0;
    formats::LineEncoding encoding = formats::LineEncoding::Ascii;

    void decode(const char *p, qsizetype n, qsizetype limit);
};

} // namespace velkora::proposal
