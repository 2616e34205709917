#include "ChunkReader.h"

#include "LikelyCauses.h"

#include <algorithm>

namespace velkora::formats {

ChunkReader::ChunkReader(const CompiledFormat &format, const ScanOptions &options,
                         const Wanted &wanted)
    : m_format(format), m_options(options), m_wanted(wanted), m_analyzer(format), m_replay(format),
      m_rules(format), m_track(format), m_checksRules(!format.rules().empty()),
      m_fileEncoding(options.fileEncoding != FileEncoding::Any ? options.fileEncoding
                                                               : format.rules().encoding())
{
    // Only the rules look at the values that the checks read, and only at some fields'.
    m_analyzer.setValuesWanted(format.rules());
    m_replay.setValuesWanted(format.rules());
    // The pass of a line that keeps every rule reads those values from the line itself; the
    // others have them worked out when they need them.
    m_track.readInPlace(m_analyzer);
    m_analyzer.setValuesDeferred(true);
}

bool ChunkReader::open(const QString &path, QString *error)
{
    m_source.setMapping(m_options.mapFile);
    m_source.setAfterMapping(m_options.afterMapping);
    return m_source.open(path, error);
}

void ChunkReader::begin(ScanResult &out)
{
    out = ScanResult{};
    out.types.resize(m_format.lineTypes().size());
    for (size_t t = 0; t < out.types.size(); ++t)
        out.types[t].gaps.resize(m_format.lineTypes()[t].gaps.size());
    m_track.begin(out);
}

bool ChunkReader::read(const Chunk &chunk, ScanResult &out, QString *error)
{
    begin(out);
    out.bytes = chunk.end - chunk.start;
    const bool read = m_source.lines(
        chunk.start, chunk.end, m_options.reverse,
        [&](const SourceLine &source) {
            line(source, out);
            return true;
        },
        error);
    const bool settled = settleLast(out, read, error);
    m_track.end(out);
    return settled;
}

bool ChunkReader::readRecords(const Chunk &chunk, int length, ScanResult &out, qint64 *next,
                              QString *error)
{
    begin(out);
    const bool ruled = m_format.rules().recordRule() >= 0;
    const bool read = m_source.records(
        chunk.start, chunk.end, length,
        [&](const SourceLine &source) {
            const qint64 index = out.lines;
            line(source, out);
            if (source.length < length && ruled) {
                settleBulk(out); // the record's errors in the order of their checks
                shortRecord(index, qsizetype(source.length), out);
            }
            return true;
        },
        next, error);
    const bool settled = settleLast(out, read, error);
    m_track.end(out);
    out.bytes = *next - chunk.start;
    return settled;
}

void ChunkReader::shortRecord(qint64 index, qsizetype size, ScanResult &out)
{
    FieldError e;
    e.line = index;
    e.lineType = -1;
    e.field = -1;
    e.kind = ErrorKind::Rule;
    e.rule = m_format.rules().recordRule();
    e.ruleValue = size;
    e.from = 1;
    e.to = int(size);
    bool inError = false;
    countError(m_format, e, out, inError, m_wanted.errors.load(std::memory_order_relaxed),
               m_options.listLimit);
}

void ChunkReader::foreignEncoding(const char *p, qsizetype size, qint64 index, int lineType,
                                  ScanResult &out, bool &inError)
{
    const LineEncoding encoding = m_analyzer.encoding();
    qsizetype first = 0;
    qsizetype last = 0;
    if (!breaksFileEncoding(p, size, encoding, m_fileEncoding, &first, &last))
        return;
    // Columns count characters: a UTF-8 line's are its characters, another's its bytes.
    const auto column = [&](qsizetype offset) {
        return int(encoding == LineEncoding::Utf8 ? utf8Length(p, offset) : offset) + 1;
    };
    FieldError e;
    e.line = index;
    e.lineType = lineType;
    e.field = -1;
    e.kind = ErrorKind::Encoding;
    e.rule = m_format.rules().encoding() == m_fileEncoding ? m_format.rules().encodingRule() : -1;
    e.ruleValue = qint64(encoding);
    e.expected = int(m_fileEncoding);
    e.from = e.column = column(first);
    e.to = column(last);
    // The first of those characters, in UTF-8 (a UTF-8 one with its continuation bytes).
    qsizetype take = 1;
    if (encoding == LineEncoding::Utf8)
        while (take < 4 && first + take < size &&
               (static_cast<unsigned char>(p[first + take]) & 0xC0) == 0x80)
            ++take;
    appendUtf8(p + first, take, encoding, e.badChar, 4);
    countError(m_format, e, out, inError, m_wanted.errors.load(std::memory_order_relaxed),
               m_options.listLimit);
}

void ChunkReader::list(ListedLines &to, const std::atomic<bool> &wanted, qint64 index) const
{
    ++to.count;
    if (int(to.first.size()) < m_options.listLimit && wanted.load(std::memory_order_relaxed))
        to.first.push_back(index);
}

bool ChunkReader::detailWanted(const ScanResult &out) const
{
    return int(out.details.size()) < m_options.detailLines &&
           m_wanted.details.load(std::memory_order_relaxed);
}

// An empty line: one that ends the file is named, one between lines has no type.
void ChunkReader::emptyLine(qint64 index, ScanResult &out)
{
    settleBulk(out);
    out.noteEmpty(index, m_options.listLimit);
    if (m_track.active()) {
        bool inError = false;
        m_track.line(nullptr, index, out, inError, false, m_options.listLimit);
    }
    if (detailWanted(out)) {
        LineDetail detail;
        detail.line = index;
        out.details.push_back(std::move(detail));
    }
}

// The line's length and encoding in the part's figures.
void ChunkReader::noteShape(qint64 index, bool tooLong, ScanResult &out)
{
    const int characters = int(m_analyzer.characters());
    if (characters > out.longest || out.longestLine < 0) {
        out.longest = std::max(out.longest, characters);
        out.longestLine = index;
    }
    if (tooLong)
        list(out.longLines, m_wanted.longLines, index);
    const LineEncoding encoding = m_analyzer.encoding();
    if (encoding == LineEncoding::Ascii)
        return;
    if (encoding == LineEncoding::Utf8)
        ++out.utf8Lines;
    else
        ++out.cp1252Lines;
    if (out.firstWide == LineEncoding::Ascii)
        out.firstWide = encoding;
}

// A control character on the line: the line is listed, and the character is an error unless
// the field that holds it is in error already (most often because of this very byte: the line
// is one of its lines in error once, not twice).
void ChunkReader::controlCharacter(const SourceLine &source, qint64 index, int lineType,
                                   ScanResult &out, bool &inError)
{
    if (m_analyzer.controlColumn() == 0)
        return;
    list(out.controlLines, m_wanted.controlLines, index);
    FieldError error;
    error.line = index;
    error.lineType = lineType;
    error.field = lineType >= 0 ? m_analyzer.controlField() : -1;
    const std::vector<int> &inErrorFields = m_analyzer.fieldsInError();
    if (error.field >= 0 && m_analyzer.errorCount() > 0 &&
        std::find(inErrorFields.begin(), inErrorFields.end(), error.field) != inErrorFields.end())
        return;
    error.kind = ErrorKind::Control;
    error.from = error.to = m_analyzer.controlColumn();
    error.column = m_analyzer.controlColumn();
    // The byte itself (the column counts characters; find it again by its offset).
    const char *end = source.bytes + source.size;
    error.ruleValue = static_cast<unsigned char>(*std::find_if(source.bytes, end, [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b < 0x20 && b != 0x09;
    }));
    countError(m_format, error, out, inError, m_wanted.errors.load(std::memory_order_relaxed),
               m_options.listLimit);
}

// A line of one line type: its type's figures, its fields in error, then its own rules.
Q_ALWAYS_INLINE TypeStat &ChunkReader::typeFigures(qint64 index, ScanResult &out)
{
    TypeStat &stat = out.types[size_t(m_analyzer.lineType())];
    ++stat.lines;
    stat.longest = std::max(stat.longest, int(m_analyzer.characters()));
    for (size_t g = 0; g < stat.gaps.size(); ++g) {
        if (m_analyzer.gapHasText(int(g))) {
            GapStat &gap = stat.gaps[g];
            if (gap.first < 0)
                gap.first = index;
            ++gap.lines;
        }
    }
    return stat;
}

void ChunkReader::typedLine(const SourceLine &source, qint64 index, ScanResult &out, bool &inError,
                            bool keepsRules)
{
    const int t = m_analyzer.lineType();
    const int limit = m_options.listLimit;
    TypeStat &stat = typeFigures(index, out);
    const bool keepErrors = m_wanted.errors.load(std::memory_order_relaxed);
    if (const int errors = m_analyzer.errorCount(); errors > 0) {
        // What the likely causes need is gathered here, on the lines in error alone.
        noteLineInError(m_analyzer, m_format.lineTypes()[size_t(t)], stat);
        inError = true;
        for (const int f : m_analyzer.fieldsInError())
            TypeStat::keepFirst(stat.fields[size_t(f)].first, index);
        out.errorCount += errors;
        for (const int f : m_analyzer.fieldsInError()) {
            if (int(out.errors.size()) >= limit || !keepErrors)
                break;
            FieldError &error = out.errors.emplace_back();
            m_analyzer.fillError(f, error);
            error.line = index;
        }
    }
    controlCharacter(source, index, t, out, inError);
    if (m_checksRules && !keepsRules)
        m_rules.check(m_analyzer, index, out, inError, keepErrors, limit);
}

// A line that nothing but its rules could find in error (of a single type, no field in error,
// no control character, in ASCII) joins the bulk of its line type, where its rules are checked
// when the bulk is settled; nothing else is noted of it after its figures.
Q_ALWAYS_INLINE bool ChunkReader::joinsBulk(const SourceLine &source, qint64 index,
                                            ScanResult &out)
{
    if (m_analyzer.match() != LineAnalyzer::Match::One ||
        m_analyzer.encoding() != LineEncoding::Ascii || m_analyzer.controlColumn() != 0 ||
        !m_track.takesInBulk(m_analyzer))
        return false;
    if (m_track.bulkType() != m_analyzer.lineType())
        settleBulk(out);
    if (!m_track.joinBulk(m_analyzer, source.size, index, out.rules))
        return false;
    if (m_track.bulkFull())
        settleBulk(out);
    return true;
}

void ChunkReader::line(const SourceLine &source, ScanResult &out)
{
    const qint64 index = out.lines++;
    if (source.size == 0) {
        emptyLine(index, out);
        return;
    }
    out.noteText(m_options.listLimit);
    // Converted values are worked out only for the lines kept in full.
    const bool keepDetail = detailWanted(out);
    m_analyzer.analyze(source.bytes, source.size,
                       keepDetail ? LineAnalyzer::Depth::Full : LineAnalyzer::Depth::Checks);
    noteShape(index, source.cut, out);
    if (m_checksRules) {
        if (!keepDetail && joinsBulk(source, index, out)) {
            typeFigures(index, out);
            return;
        }
        settleBulk(out);
    }
    bool inError = false;
    // Most lines keep every rule: taken in one pass, without the checks that tell the errors.
    const bool keepsRules = m_checksRules && m_analyzer.match() == LineAnalyzer::Match::One &&
                            m_track.keepsEvery(m_analyzer, index, out);
    if (!keepsRules)
        m_analyzer.readDeferredValues();
    switch (m_analyzer.match()) {
    case LineAnalyzer::Match::None:
        list(out.unmatched, m_wanted.unmatched, index);
        controlCharacter(source, index, -1, out, inError);
        break;
    case LineAnalyzer::Match::Many:
        list(out.ambiguous, m_wanted.ambiguous, index);
        controlCharacter(source, index, -1, out, inError);
        break;
    case LineAnalyzer::Match::One:
        typedLine(source, index, out, inError, keepsRules);
        break;
    }
    if (m_fileEncoding != FileEncoding::Any && m_analyzer.encoding() != LineEncoding::Ascii)
        foreignEncoding(source.bytes, source.size, index,
                        m_analyzer.match() == LineAnalyzer::Match::One ? m_analyzer.lineType() : -1,
                        out, inError);
    if (m_track.active() && !keepsRules)
        m_track.line(&m_analyzer, index, out, inError,
                     m_wanted.errors.load(std::memory_order_relaxed), m_options.listLimit);
    if (keepDetail) {
        LineDetail detail = m_analyzer.detail();
        detail.line = index;
        out.details.push_back(std::move(detail));
    }
}

// The bulk in hand when a block's reading ends: its lines are read again after the reading
// found the file unchanged, so the file must be found so once more.
bool ChunkReader::settleLast(ScanResult &out, bool read, QString *error)
{
    if (m_track.bulkType() < 0)
        return read;
    settleLines(out);
    return read && m_source.unchanged(error);
}

// The bulk's lines that keep every rule are taken in; the others, from the first that may not
// on, go one by one, read again, as any line goes (before the next line's errors are noted, so
// that errors keep the order of their lines).
void ChunkReader::settleLines(ScanResult &out)
{
    const bool keep = m_wanted.errors.load(std::memory_order_relaxed);
    for (const RuleTrack::BulkLine &line : m_track.settleBulk(out)) {
        m_replay.analyze(line.bytes, line.size, LineAnalyzer::Depth::Checks);
        if (m_track.keepsEvery(m_replay, line.index, out))
            continue;
        bool inError = false;
        m_rules.check(m_replay, line.index, out, inError, keep, m_options.listLimit);
        if (m_track.active())
            m_track.line(&m_replay, line.index, out, inError, keep, m_options.listLimit);
    }
    m_track.emptyBulk();
}

} // namespace velkora::formats
