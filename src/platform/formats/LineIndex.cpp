#include "LineIndex.h"

#include "IndexRules.h"
#include "Limits.h"
#include "LineSource.h"

#include <algorithm>

namespace velkora::formats {

qint64 LineIndex::lineNumber(qint64 index) const
{
    return m_reverse && m_fileLines >= 0 ? m_fileLines - index : index + 1;
}

void LineIndex::add(qint64 begin, qint64 length, const LineAnalyzer &analyzer)
{
    const qint64 index = lineCount();
    m_begin.push_back(begin);
    m_length.push_back(quint32(std::min<qint64>(length, qint64(MaxLineBytes) + 2)));
    m_longest = std::max(m_longest, int(analyzer.characters()));
    // Runs of empty lines: those that end the file are no lines without a type (as in the test).
    if (analyzer.characters() == 0) {
        ++m_emptyRun;
        if (!m_anyText)
            ++m_leadingEmpty;
    } else {
        m_emptyRun = 0;
        m_anyText = true;
    }
    // A control character inside the line is an error of the line, as in the test.
    const int control = analyzer.controlColumn() > 0 ? 1 : 0;
    if (analyzer.match() != LineAnalyzer::Match::One || analyzer.characters() == 0) {
        const bool many =
            analyzer.match() == LineAnalyzer::Match::Many && analyzer.characters() > 0;
        ++(many ? m_ambiguous : m_unmatched);
        m_rows.back().push_back(index);
        m_ambiguousRow.push_back(char(many));
        m_fieldErrors += control;
        return;
    }
    const auto group = size_t(analyzer.lineType());
    const int errors = analyzer.errorCount() + control;
    if (errors > 0) {
        m_errorRows[group].push_back(qint64(m_rows[group].size()));
        m_errorCounts[group].push_back(errors);
        m_ruleCounts[group].push_back(0);
        m_fieldErrors += errors;
    }
    m_rows[group].push_back(index);
}

bool LineIndex::locate(qint64 index, int *group, qint64 *row) const
{
    for (size_t g = 0; g < m_rows.size(); ++g) {
        const std::vector<qint64> &rows = m_rows[g];
        const auto found = std::lower_bound(rows.begin(), rows.end(), index);
        if (found != rows.end() && *found == index) {
            *group = int(g);
            *row = qint64(found - rows.begin());
            return true;
        }
    }
    return false;
}

void LineIndex::markRuleError(int group, qint64 row, int delta)
{
    std::vector<qint64> &rows = m_errorRows[size_t(group)];
    // Broken rules come mostly in line order: the row is near the end.
    const auto at = std::lower_bound(rows.begin(), rows.end(), row);
    const auto place = at - rows.begin();
    std::vector<int> &rules = m_ruleCounts[size_t(group)];
    std::vector<int> &fields = m_errorCounts[size_t(group)];
    if (at == rows.end() || *at != row) {
        if (delta <= 0)
            return;
        rows.insert(at, row);
        fields.insert(fields.begin() + place, 0);
        rules.insert(rules.begin() + place, 0);
    }
    rules[size_t(place)] += delta;
    if (rules[size_t(place)] <= 0 && fields[size_t(place)] == 0) {
        rows.erase(rows.begin() + place);
        fields.erase(fields.begin() + place);
        rules.erase(rules.begin() + place);
    }
}

void LineIndex::addRuleErrors(std::vector<FieldError> &&errors, bool atEnd)
{
    const auto byLine = [](const FieldError &a, const FieldError &b) { return a.line < b.line; };
    for (const FieldError &e : errors) {
        int group = -1;
        qint64 row = -1;
        ++m_ruleErrors;
        if (locate(e.line, &group, &row))
            markRuleError(group, row, 1);
        std::vector<FieldError> &list = atEnd ? m_endRules : m_ruleList;
        if (atEnd || m_ruleList.size() < size_t(MaxRuleErrorsKept))
            list.insert(std::upper_bound(list.begin(), list.end(), e, byLine), e);
    }
}

std::vector<FieldError> LineIndex::ruleErrors(qint64 index, int *count) const
{
    std::vector<FieldError> found;
    const auto byLine = [](const FieldError &e, qint64 line) { return e.line < line; };
    for (const std::vector<FieldError> *list : {&m_ruleList, &m_endRules})
        for (auto it = std::lower_bound(list->begin(), list->end(), index, byLine);
             it != list->end() && it->line == index; ++it)
            found.push_back(*it);
    if (count) {
        *count = int(found.size());
        int group = -1;
        qint64 row = -1;
        if (locate(index, &group, &row)) {
            const std::vector<qint64> &rows = m_errorRows[size_t(group)];
            const auto at = std::lower_bound(rows.begin(), rows.end(), row);
            if (at != rows.end() && *at == row)
                *count = std::max(*count, m_ruleCounts[size_t(group)][size_t(at - rows.begin())]);
        }
    }
    return found;
}

qint64 LineIndex::errorLineCount(int group) const
{
    return group == otherGroup() ? qint64(m_rows[size_t(group)].size())
                                 : qint64(m_errorRows[size_t(group)].size());
}

void LineIndex::dropEmptyLinesAtEnd()
{
    // The empty lines that end the file: the last ones read, or the first of a reverse reading
    // (all of them in a file of empty lines only). They stay lines of the file, in no group.
    const qint64 count = !m_anyText ? lineCount() : m_reverse ? m_leadingEmpty : m_emptyRun;
    std::vector<qint64> &other = m_rows.back();
    const auto drop = size_t(std::min<qint64>(count, qint64(other.size())));
    if (m_reverse || !m_anyText) {
        other.erase(other.begin(), other.begin() + qsizetype(drop));
        m_ambiguousRow.erase(m_ambiguousRow.begin(), m_ambiguousRow.begin() + qsizetype(drop));
        // The other group's rows in error (broken rules) move up with it; an empty line that
        // ends the file breaks none.
        for (qint64 &row : m_errorRows.back())
            row -= qint64(drop);
    } else {
        other.resize(other.size() - drop);
        m_ambiguousRow.resize(m_ambiguousRow.size() - drop);
    }
    m_unmatched -= qint64(drop);
}

void LineIndex::truncate(qint64 lines)
{
    m_partial = true;
    m_fileLines = -1;
    // What only the end of the file tells: a reading cut short does not know it.
    for (const FieldError &e : m_endRules) {
        int group = -1;
        qint64 row = -1;
        --m_ruleErrors;
        if (locate(e.line, &group, &row))
            markRuleError(group, row, -1);
    }
    m_endRules.clear();
    if (lines >= lineCount())
        return;
    m_ruleList.erase(
        std::lower_bound(m_ruleList.begin(), m_ruleList.end(), lines,
                         [](const FieldError &e, qint64 line) { return e.line < line; }),
        m_ruleList.end());
    m_begin.resize(size_t(lines));
    m_length.resize(size_t(lines));
    for (size_t g = 0; g < m_rows.size(); ++g) {
        std::vector<qint64> &rows = m_rows[g];
        const auto kept = qint64(std::lower_bound(rows.begin(), rows.end(), lines) - rows.begin());
        rows.resize(size_t(kept));
        std::vector<qint64> &errorRows = m_errorRows[g];
        const auto keptErrors =
            size_t(std::lower_bound(errorRows.begin(), errorRows.end(), kept) - errorRows.begin());
        for (size_t e = keptErrors; e < errorRows.size(); ++e) {
            m_fieldErrors -= m_errorCounts[g][e];
            m_ruleErrors -= m_ruleCounts[g][e];
        }
        errorRows.resize(keptErrors);
        m_errorCounts[g].resize(keptErrors);
        m_ruleCounts[g].resize(keptErrors);
    }
    m_ambiguousRow.resize(m_rows.back().size());
    m_ambiguous = qint64(std::count(m_ambiguousRow.begin(), m_ambiguousRow.end(), char(1)));
    m_unmatched = qint64(m_ambiguousRow.size()) - m_ambiguous;
}

// Reads a file into a LineIndex, a block at a time, with the format's rules on its lines.
class IndexBuilder {
public:
    IndexBuilder(const CompiledFormat &format, const LineIndexOptions &options, LineIndex &index,
                 LineSource &source)
        : m_options(options), m_index(index), m_source(source), m_analyzer(format), m_rules(format),
          m_recordLength(format.rules().recordLength()), m_dataStart(source.dataStart()),
          m_size(source.dataEnd()), m_block(std::max<qint64>(options.blockBytes, 16))
    {}

    // Reads every block (or up to the most lines wanted); false with *failure set when the
    // file could not be read.
    bool readAll(QString *failure);
    // The rules' last errors, once every line is in.
    void finish();

private:
    bool full() const;
    bool take(const SourceLine &line);
    bool stop(qint64 done);

    const LineIndexOptions &m_options;
    LineIndex &m_index;
    LineSource &m_source;
    LineAnalyzer m_analyzer;
    IndexRules m_rules;
    int m_recordLength;
    qint64 m_dataStart;
    qint64 m_size;
    qint64 m_block;
};

bool IndexBuilder::full() const
{
    if (m_options.maxLines >= 0 && m_index.lineCount() >= m_options.maxLines) {
        m_index.m_partial = true;
        return true;
    }
    return false;
}

bool IndexBuilder::take(const SourceLine &line)
{
    // The line type, the fields in error and the broken rules are all the index keeps.
    m_analyzer.analyze(line.bytes, line.size, LineAnalyzer::Depth::Checks);
    m_index.add(line.begin, line.length, m_analyzer);
    if (m_rules.active()) {
        m_rules.line(&m_analyzer);
        if (m_rules.found())
            m_index.addRuleErrors(m_rules.take(), false);
        if (m_recordLength > 0 && line.length < m_recordLength) {
            m_rules.shortRecord(qsizetype(line.length));
            if (m_rules.found())
                m_index.addRuleErrors(m_rules.take(), false);
        }
    }
    return !full();
}

bool IndexBuilder::stop(qint64 done)
{
    if (m_options.progress)
        m_options.progress(done, m_size - m_dataStart, m_index.lineCount());
    if (m_options.cancel && m_options.cancel->load(std::memory_order_relaxed)) {
        m_index.m_cancelled = m_index.m_partial = true;
        return true;
    }
    return false;
}

bool IndexBuilder::readAll(QString *failure)
{
    const auto take = [this](const SourceLine &line) { return this->take(line); };
    qint64 done = 0; // bytes of the data read
    bool read = true;
    if (m_recordLength > 0) {
        // REGISTRO n: records of n characters, each perhaps followed by CR LF or LF; a last
        // record may be shorter (an error of the rule).
        qint64 pos = m_dataStart;
        while (read && pos < m_size && !full() && !stop(pos - m_dataStart))
            read = m_source.records(pos, std::min(m_size, pos + m_block), m_recordLength, take,
                                    &pos, failure);
        done = std::min(pos, m_size) - m_dataStart;
    } else if (!m_options.reverse) {
        for (qint64 from = m_dataStart; read && from < m_size && !full() && !stop(done);
             from += m_block) {
            const qint64 to = std::min(m_size, from + m_block);
            read = m_source.lines(from, to, false, take, failure);
            done = to - m_dataStart;
        }
    } else {
        for (qint64 to = m_size; read && to > m_dataStart && !full() && !stop(done);
             to -= m_block) {
            const qint64 from = std::max(m_dataStart, to - m_block);
            read = m_source.lines(from, to, true, take, failure);
            done = m_size - from;
        }
    }
    if (read && !m_index.m_cancelled && m_options.progress)
        m_options.progress(done, m_size - m_dataStart, m_index.lineCount());
    return failure->isEmpty();
}

void IndexBuilder::finish()
{
    if (m_rules.active()) {
        m_rules.flush();
        m_index.addRuleErrors(m_rules.take(), false);
    }
    if (!m_index.m_partial) {
        m_index.m_fileLines = m_index.lineCount();
        m_index.dropEmptyLinesAtEnd();
        if (m_rules.active())
            m_index.addRuleErrors(m_rules.finish(), true);
    }
}

LineIndex buildLineIndex(const CompiledFormat &format, const QString &path,
                         const LineIndexOptions &options)
{
    LineIndex index;
    index.m_reverse = options.reverse;
    const size_t groups = format.lineTypes().size() + 1;
    index.m_rows.resize(groups);
    index.m_errorRows.resize(groups);
    index.m_errorCounts.resize(groups);
    index.m_ruleCounts.resize(groups);
    const int recordLength = format.rules().recordLength();
    index.m_recordLength = std::max(0, recordLength);
    // Records of a fixed length are read from the first, whatever the reading's order.
    if (recordLength > 0)
        index.m_reverse = false;
    index.m_error = LineSource::pathProblem(path);
    if (!index.m_error.isEmpty())
        return index;
    LineSource source;
    QString failure;
    if (!source.open(path, &failure)) {
        index.m_error = QStringLiteral("El archivo '%1' no se puede leer: %2").arg(path, failure);
        return index;
    }
    index.m_fileBytes = source.fileBytes();
    index.m_dataStart = source.dataStart();
    IndexBuilder builder(format, options, index, source);
    if (!builder.readAll(&failure)) {
        index.m_error = QStringLiteral("El archivo '%1' no se pudo leer: %2").arg(path, failure);
        return index;
    }
    index.m_ran = true;
    builder.finish();
    return index;
}

IndexedLines::IndexedLines(const LineIndex &index, const QString &path)
    : m_index(index), m_file(path)
{
    m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

QByteArrayView IndexedLines::line(qint64 index)
{
    constexpr qint64 WindowBytes = 64 << 10;
    const qint64 begin = m_index.lineBegin(index);
    const qint64 length = m_index.lineLength(index);
    const qint64 wanted = std::min<qint64>(length, qint64(MaxLineBytes) + 1);
    const qint64 windowEnd = m_windowAt + m_window.size();
    if (m_windowAt < 0 || begin < m_windowAt || begin + wanted > windowEnd) {
        // Lines are mostly read one after another, forwards or backwards: the window reaches
        // towards the next ones.
        const qint64 bytes = std::max(WindowBytes, wanted);
        qint64 from = begin;
        if (m_windowAt >= 0 && begin < m_windowAt)
            from = std::max<qint64>(0, begin + wanted - bytes);
        m_window.clear();
        m_windowAt = -1;
        if (!m_file.isOpen() || !m_file.seek(from))
            return {};
        m_window = m_file.read(std::min(bytes, std::max<qint64>(0, m_file.size() - from)));
        m_windowAt = from;
    }
    const qint64 available = m_windowAt + m_window.size() - begin;
    if (available <= 0 || begin < m_windowAt)
        return {};
    const char *p = m_window.constData() + (begin - m_windowAt);
    bool cut = false;
    return QByteArrayView(p, readableSize(p, length, available, m_index.recordLength() > 0, &cut));
}

} // namespace velkora::formats
