#pragma once

#include "TestedFile.h"

#include "formats/LineAnalyzer.h"

#include <QList>
#include <QString>
#include <list>
#include <memory>
#include <unordered_map>

namespace velkora::views {

// One line of a tested file as the views show it.
struct DecodedLine {
    qint64 index = -1; // in reading order
    qint64 number = 0; // the file's line number
    formats::LineAnalyzer::Match match = formats::LineAnalyzer::Match::None;
    int lineType = -1;     // when match is One
    QList<int> candidates; // when match is Many
    QString text;          // the line's characters, as read
    qsizetype characters = 0;
    // One per field of its line type; a field that breaks a rule is in error, with the
    // rule's message.
    QList<formats::LineDetail::Value> values;
    // The broken rules of the line as a whole (and those of another line type's field, as
    // PRIMERA names the first line), "Regla 0003: ...".
    QStringList lineErrors;
    int errorCount = 0; // fields in error and broken rules
};

// Reads and analyses lines of a tested file on demand, keeping the last ones read (a view's
// screenful and a little more), so that memory does not grow with the file. For the thread
// that created it.
class LineDecoder {
public:
    explicit LineDecoder(std::shared_ptr<const TestedFile> file, int keptLines = 1024);
    ~LineDecoder();
    LineDecoder(const LineDecoder &) = delete;
    LineDecoder &operator=(const LineDecoder &) = delete;

    const TestedFile &file() const { return *m_file; }
    const std::shared_ptr<const TestedFile> &sharedFile() const { return m_file; }
    std::shared_ptr<const DecodedLine> line(qint64 index);
    // Lines read from the file so far (a line kept is not read again).
    qint64 linesRead() const { return m_read; }

private:
    void addRuleErrors(DecodedLine &line) const;

    std::shared_ptr<const TestedFile> m_file;
    // Held apart, so that users of this class do not depend on the analyzer's layout.
    std::unique_ptr<formats::IndexedLines> m_lines;
    std::unique_ptr<formats::LineAnalyzer> m_analyzer;
    int m_kept;
    qint64 m_read = 0;
    std::list<qint64> m_order; // most recent first
    std::unordered_map<qint64,
                       std::pair<std::shared_ptr<const DecodedLine>, std::list<qint64>::iterator>>
        m_cache;
};

} // namespace velkora::views
