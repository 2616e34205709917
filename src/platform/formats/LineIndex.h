#pragma once

#include "CompiledFormat.h"
#include "LineAnalyzer.h"
#include "ScanResult.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <atomic>
#include <functional>
#include <vector>

namespace velkora::formats {

struct LineIndexOptions {
    bool reverse = false;        // index from the last line to the first, as a reverse reading does
    qint64 maxLines = -1;        // stop after this many lines (-1: every line)
    qint64 blockBytes = 1 << 20; // bytes read at a time
    const std::atomic<bool> *cancel = nullptr; // stops the indexing soon after it turns true
    // Bytes of the file's data read so far of the total, and the lines indexed; called from
    // the indexing thread after every block.
    std::function<void(qint64 done, qint64 total, qint64 lines)> progress;
};

// Where every line of a file starts and which group it falls in, so that a view can show any
// line of a big file at once without keeping the lines: a group per line type, in the load
// format's order, and one last group for the lines with no line type or more than one.
// Lines are kept in reading order (from the last line when the reading is reverse); "row"
// below is a line's place in its group. The lines are split, trimmed of their ends and cut as
// the load-format test reads them (LF or CR LF, a last line without an end, a UTF-8 byte-order
// mark skipped, lines cut at MaxLineBytes), and typed by the same LineAnalyzer, so the groups'
// sizes are the test's counts. About 20 bytes per line. The load format's rules are checked on
// the lines as the test checks them (REGISTRO records included), and the lines that break one
// are lines in error; the first MaxRuleErrorsKept broken rules are kept whole, for their
// messages.
class LineIndex {
public:
    bool ran() const { return m_ran; } // false: the file could not be read (error() says why)
    const QString &error() const { return m_error; }
    bool cancelled() const { return m_cancelled; }
    // The indexing stopped before the end of the file (cancelled, maxLines or truncate()).
    bool partial() const { return m_partial; }
    bool reverse() const { return m_reverse; }
    qint64 fileBytes() const { return m_fileBytes; }
    bool byteOrderMark() const { return m_dataStart > 0; }

    qint64 lineCount() const { return qint64(m_begin.size()); }
    // The file's number of the line read at `index` (from 1). A reverse reading that did not
    // reach the first line numbers its lines from the end of the file (1 is the last line), as
    // the test does, unless the file's number of lines is known (setFileLineCount).
    qint64 lineNumber(qint64 index) const;
    // The number of lines of the file, when another reading counted them all (a test that
    // read the whole file while this index was cut short).
    void setFileLineCount(qint64 lines) { m_fileLines = lines; }
    // The byte where the line read at `index` starts, and its length up to its LF (a CR
    // included; lengths beyond MaxLineBytes + 1 are kept as MaxLineBytes + 2).
    qint64 lineBegin(qint64 index) const { return m_begin[size_t(index)]; }
    qint64 lineLength(qint64 index) const { return m_length[size_t(index)]; }
    // The longest line indexed, in characters.
    int longest() const { return m_longest; }

    int groupCount() const { return int(m_rows.size()); }
    int otherGroup() const { return groupCount() - 1; } // no line type, or more than one
    // The lines (reading indexes, ascending) of a group.
    const std::vector<qint64> &rows(int group) const { return m_rows[size_t(group)]; }
    // The rows of a group (places in rows(group), ascending) whose line has a field in error
    // or breaks a rule; every row of the other group is a line in error, listed here or not.
    const std::vector<qint64> &errorRows(int group) const { return m_errorRows[size_t(group)]; }
    // Lines in error of a group: its error rows, or every row of the other group.
    qint64 errorLineCount(int group) const;
    qint64 unmatchedCount() const { return m_unmatched; }
    qint64 ambiguousCount() const { return m_ambiguous; }
    // Fields in error and control characters, all lines.
    qint64 fieldErrorCount() const { return m_fieldErrors; }
    // Broken rules, all lines; with the above, the test's error count.
    qint64 ruleErrorCount() const { return m_ruleErrors; }
    qint64 errorCount() const { return m_fieldErrors + m_ruleErrors; }
    // The broken rules of the line read at `index` that were kept whole (lines by reading
    // index), and in *count how many it breaks, kept or not.
    static constexpr int MaxRuleErrorsKept = 100000;
    std::vector<FieldError> ruleErrors(qint64 index, int *count = nullptr) const;
    // REGISTRO n: the records' length (0: lines end with line breaks).
    int recordLength() const { return m_recordLength; }

    // Keeps the first `lines` lines read, as a test cut short read them: the counts follow,
    // the index is partial and numbered as such a test numbers its lines.
    void truncate(qint64 lines);

    friend class IndexBuilder;
    friend LineIndex buildLineIndex(const CompiledFormat &format, const QString &path,
                                    const LineIndexOptions &options);

private:
    void add(qint64 begin, qint64 length, const LineAnalyzer &analyzer);
    // The group and row of the line read at `index`; false when in none (an empty line that
    // ends the file).
    bool locate(qint64 index, int *group, qint64 *row) const;
    void addRuleErrors(std::vector<FieldError> &&errors, bool atEnd);
    void markRuleError(int group, qint64 row, int delta);

    bool m_ran = false;
    QString m_error;
    bool m_cancelled = false;
    bool m_partial = false;
    bool m_reverse = false;
    qint64 m_fileBytes = 0;
    qint64 m_dataStart = 0;
    qint64 m_fileLines = -1; // -1: not known
    int m_longest = 0;
    std::vector<qint64> m_begin;
    std::vector<quint32> m_length;
    std::vector<std::vector<qint64>> m_rows;
    std::vector<std::vector<qint64>> m_errorRows;
    std::vector<std::vector<int>> m_errorCounts; // fields in error of each error row
    std::vector<std::vector<int>> m_ruleCounts;  // broken rules of each error row
    std::vector<FieldError> m_ruleList;          // the broken rules kept, in line order
    std::vector<FieldError> m_endRules;          // those that only the file's end tells
    qint64 m_ruleErrors = 0;
    int m_recordLength = 0;
    std::vector<char> m_ambiguousRow; // per row of the other group: more than one type
    qint64 m_unmatched = 0;
    qint64 m_ambiguous = 0;
    qint64 m_fieldErrors = 0;
    // Empty lines: the run that ends what was read, those before the first line with text.
    qint64 m_emptyRun = 0;
    qint64 m_leadingEmpty = 0;
    bool m_anyText = false;
    void dropEmptyLinesAtEnd();
};

// Indexes a file with a compiled load format (see LineIndex). Reads the file once, a block at
// a time, on the calling thread; memory beyond the index is a block and one line. A file that
// cannot be read gives an index that did not run, with the same texts as the test.
LineIndex buildLineIndex(const CompiledFormat &format, const QString &path,
                         const LineIndexOptions &options = {});

// Reads the lines of an indexed file by their reading index, as the test reads them: without
// their line end, cut at MaxLineBytes. Keeps a window of the file, so that neighbouring lines
// (a view scrolling, an export) cost one read. A file that changed or went away since it was
// indexed gives shorter or empty lines, never a failure.
class IndexedLines {
public:
    IndexedLines(const LineIndex &index, const QString &path);

    // The bytes of the line read at `index` (valid until the next call).
    QByteArrayView line(qint64 index);

private:
    const LineIndex &m_index;
    QFile m_file;
    QByteArray m_window;
    qint64 m_windowAt = -1;
};

} // namespace velkora::formats
