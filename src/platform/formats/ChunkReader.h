#pragma once

#include "CompiledFormat.h"
#include "FileScanner.h"
#include "LineAnalyzer.h"
#include "LineRules.h"
#include "LineSource.h"
#include "RuleTrack.h"
#include "ScanResult.h"

#include <atomic>

namespace velkora::formats {

// A part of the file: its data's bytes [start, end).
struct Chunk {
    qint64 start = 0;
    qint64 end = 0;
};

// What the lists of the merged result still want: once a merged list is full, later chunks
// need not keep entries for it. Only merges in reading order clear a flag, so what is kept
// does not depend on which thread finishes first.
struct Wanted {
    std::atomic<bool> unmatched{true};
    std::atomic<bool> ambiguous{true};
    std::atomic<bool> longLines{true};
    std::atomic<bool> errors{true};
    std::atomic<bool> controlLines{true};
    std::atomic<bool> details{true};
};

// Reads chunks of a file and analyses their lines into a part of the result, numbered from
// the chunk's first line. One per reading thread.
class ChunkReader {
public:
    ChunkReader(const CompiledFormat &format, const ScanOptions &options, const Wanted &wanted);

    bool open(const QString &path, QString *error);

    // The lines that start in the chunk, in reading order.
    bool read(const Chunk &chunk, ScanResult &out, QString *error);
    // REGISTRO n: the records that start in the chunk, each of `length` characters and
    // perhaps a line break after it; *next is where the record after them starts. The last
    // record of the file may be shorter (an error of the rule).
    bool readRecords(const Chunk &chunk, int length, ScanResult &out, qint64 *next, QString *error);

private:
    void begin(ScanResult &out);
    void line(const SourceLine &source, ScanResult &out);
    void list(ListedLines &to, const std::atomic<bool> &wanted, qint64 index) const;
    bool detailWanted(const ScanResult &out) const;
    void emptyLine(qint64 index, ScanResult &out);
    void noteShape(qint64 index, bool tooLong, ScanResult &out);
    void controlCharacter(const SourceLine &source, qint64 index, int lineType, ScanResult &out,
                          bool &inError);
    // The line's figures in its type's (lines, longest, gaps with text).
    TypeStat &typeFigures(qint64 index, ScanResult &out);
    // keepsRules: the line keeps every rule, taken in already (RuleTrack::keepsEvery).
    void typedLine(const SourceLine &source, qint64 index, ScanResult &out, bool &inError,
                   bool keepsRules);
    void shortRecord(qint64 index, qsizetype size, ScanResult &out);
    // A line of characters that the file's one encoding cannot hold: an error at their columns.
    void foreignEncoding(const char *p, qsizetype size, qint64 index, int lineType, ScanResult &out,
                         bool &inError);
    // Lines whose rules are checked in bulk (RuleTrack::joinBulk): the line joins it, or the
    // lines in it are settled.
    bool joinsBulk(const SourceLine &source, qint64 index, ScanResult &out);
    void settleBulk(ScanResult &out)
    {
        if (m_track.bulkType() >= 0)
            settleLines(out);
    }
    void settleLines(ScanResult &out);
    bool settleLast(ScanResult &out, bool read, QString *error);

    const CompiledFormat &m_format;
    LineSource m_source;
    const ScanOptions &m_options;
    const Wanted &m_wanted;
    LineAnalyzer m_analyzer;
    LineAnalyzer m_replay; // the lines of a bulk that go one by one, read again
    LineRules m_rules;
    RuleTrack m_track;
    bool m_checksRules;
    FileEncoding m_fileEncoding; // the file's one encoding; Any: none
};

} // namespace velkora::formats
