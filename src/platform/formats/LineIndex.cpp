#include "LineIndex.h"

#include "IndexRules.h"
#include "Limits.h"

#include <QFileInfo>
#include <algorithm>
#include <cstring>

namespace velkora::formats {

namespace {

// The bytes of a line that the test reads, from the first min(length, MaxLineBytes + 1) of
// them: without a CR before its LF (a record of fixed length keeps it), cut at MaxLineBytes
// without cutting a UTF-8 character.
qsizetype readSize(const char *p, qint64 length, qint64 available, bool record = false)
{
    qsizetype size = qsizetype(std::min<qint64>({length, qint64(MaxLineBytes) + 1, available}));
    if (!record && size == length && size > 0 && p[size - 1] == '\r')
        --size;
    if (size > MaxLineBytes) {
        size = MaxLineBytes;
        for (int back = 0; back < 3 && (static_cast<unsigned char>(p[size]) & 0xC0) == 0x80; ++back)
            --size;
    }
    return size;
}

// A window on a file: the bytes [at, at + size) read at once.
class Window {
public:
    explicit Window(QFile &file) : m_file(file) {}

    qint64 at() const { return m_at; }
    qint64 end() const { return m_at + qint64(m_bytes.size()); }
    bool holds(qint64 from, qint64 to) const { return m_at >= 0 && from >= m_at && to <= end(); }
    const char *ptr(qint64 offset) const { return m_bytes.data() + (offset - m_at); }
    void forget() { m_at = -1; }

    // Reads [from, to) of the file; false (and the reason) when the file cannot be read.
    bool load(qint64 from, qint64 to, QString *error)
    {
        m_bytes.resize(size_t(to - from));
        m_at = from;
        return readAt(m_file, from, m_bytes.data(), to - from, error);
    }

    static bool readAt(QFile &file, qint64 from, char *into, qint64 size, QString *error)
    {
        if (!file.seek(from)) {
            *error = file.errorString();
            return false;
        }
        qint64 got = 0;
        while (got < size) {
            const qint64 n = file.read(into + got, size - got);
            if (n <= 0) {
                *error = n < 0 ? file.errorString()
                               : QStringLiteral("el archivo se acortó mientras se leía");
                return false;
            }
            got += n;
        }
        return true;
    }

private:
    QFile &m_file;
    std::vector<char> m_bytes;
    qint64 m_at = -1;
};

} // namespace

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

    const QFileInfo info(path);
    if (path.isEmpty()) {
        index.m_error = QStringLiteral("No se indicó el archivo que se prueba.");
        return index;
    }
    if (!info.exists()) {
        index.m_error = QStringLiteral("El archivo '%1' no existe.").arg(path);
        return index;
    }
    if (info.isDir()) {
        index.m_error = QStringLiteral("'%1' es una carpeta, no un archivo.").arg(path);
        return index;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        index.m_error =
            QStringLiteral("El archivo '%1' no se puede leer: %2").arg(path, file.errorString());
        return index;
    }
    qint64 size = file.size();
    index.m_fileBytes = size;
    QString failure;
    char head[3] = {};
    if (size >= 3 && Window::readAt(file, 0, head, 3, &failure) &&
        std::memcmp(head, "\xEF\xBB\xBF", 3) == 0)
        index.m_dataStart = 3;
    // A final Ctrl-Z ends the file, as in the test.
    if (char last = 0; size > index.m_dataStart &&
                       Window::readAt(file, size - 1, &last, 1, &failure) && last == '\x1A')
        --size;
    const qint64 dataStart = index.m_dataStart;
    const qint64 block = std::max<qint64>(options.blockBytes, 16);

    LineAnalyzer analyzer(format);
    IndexRules rules(format);
    Window window(file);
    std::vector<char> longLine; // the first bytes of a line longer than a block
    const auto take = [&](qint64 begin, qint64 length, const char *p) {
        // The line type, the fields in error and the broken rules are all the index keeps.
        analyzer.analyze(p, readSize(p, length, length, recordLength > 0),
                         LineAnalyzer::Depth::Checks);
        index.add(begin, length, analyzer);
        if (rules.active()) {
            rules.line(&analyzer);
            if (rules.found())
                index.addRuleErrors(rules.take(), false);
        }
    };
    const auto takeLong = [&](qint64 begin, qint64 length) {
        const qint64 wanted = std::min<qint64>(length, qint64(MaxLineBytes) + 1);
        longLine.resize(size_t(std::max<qint64>(wanted, 1)));
        if (!Window::readAt(file, begin, longLine.data(), wanted, &failure))
            return false;
        take(begin, length, longLine.data());
        window.forget();
        return true;
    };
    // The first LF at or after `from` (the file's size when none), or -1 on a read failure.
    const auto lineFeedFrom = [&](qint64 from) {
        Window scan(file);
        for (qint64 at = from; at < size; at += block) {
            if (!scan.load(at, std::min(size, at + block), &failure))
                return qint64(-1);
            if (const void *nl = std::memchr(scan.ptr(at), '\n', size_t(scan.end() - at)))
                return at + (static_cast<const char *>(nl) - scan.ptr(at));
        }
        return size;
    };
    // Where the line that holds the byte before `to` starts, or -1 on a read failure.
    const auto lineStartBefore = [&](qint64 to) {
        Window scan(file);
        for (qint64 end = to; end > dataStart; end -= block) {
            const qint64 from = std::max(dataStart, end - block);
            if (!scan.load(from, end, &failure))
                return qint64(-1);
            if (const void *nl = memrchr(scan.ptr(from), '\n', size_t(end - from)))
                return from + (static_cast<const char *>(nl) - scan.ptr(from)) + 1;
        }
        return dataStart;
    };
    const auto report = [&](qint64 done) {
        if (options.progress)
            options.progress(done, size - dataStart, index.lineCount());
    };
    const auto stop = [&](qint64 done) {
        report(done);
        if (options.cancel && options.cancel->load(std::memory_order_relaxed)) {
            index.m_cancelled = index.m_partial = true;
            return true;
        }
        return false;
    };
    const auto full = [&] {
        if (options.maxLines >= 0 && index.lineCount() >= options.maxLines) {
            index.m_partial = true;
            return true;
        }
        return false;
    };

    if (recordLength > 0) {
        // REGISTRO n: records of n characters, each perhaps followed by CR LF or LF; a last
        // record may be shorter (an error of the rule).
        const qint64 span = qint64(recordLength) + 2;
        qint64 pos = dataStart;
        while (pos < size && failure.isEmpty() && !full()) {
            const qint64 wanted = std::min(size, pos + span);
            if (!window.holds(pos, wanted)) {
                if (stop(pos - dataStart) ||
                    !window.load(pos, std::min(size, pos + std::max(block, span)), &failure))
                    break;
            }
            const qint64 end = std::min(size, pos + recordLength);
            take(pos, end - pos, window.ptr(pos));
            if (end - pos < recordLength && rules.active()) {
                rules.shortRecord(qsizetype(end - pos));
                if (rules.found())
                    index.addRuleErrors(rules.take(), false);
            }
            pos = end;
            if (pos + 1 < size && *window.ptr(pos) == '\r' && *window.ptr(pos + 1) == '\n')
                pos += 2;
            else if (pos < size && *window.ptr(pos) == '\n')
                pos += 1;
        }
        if (failure.isEmpty() && !index.m_cancelled)
            report(std::min(pos, size) - dataStart);
    } else if (!options.reverse) {
        qint64 pos = dataStart;
        while (pos < size && failure.isEmpty() && !full()) {
            if (!window.holds(pos, pos + 1)) {
                if (stop(pos - dataStart) ||
                    !window.load(pos, std::min(size, pos + block), &failure))
                    break;
            }
            const char *p = window.ptr(pos);
            const qint64 n = window.end() - pos;
            if (const void *nl = std::memchr(p, '\n', size_t(n))) {
                const qint64 length = static_cast<const char *>(nl) - p;
                take(pos, length, p);
                pos += length + 1;
            } else if (window.end() >= size) {
                take(pos, n, p);
                pos = size;
            } else if (pos > window.at()) {
                window.forget(); // the line goes on past the window: read again from its start
            } else {
                const qint64 end = lineFeedFrom(window.end());
                if (end < 0 || !takeLong(pos, end - pos))
                    break;
                pos = end + 1;
            }
        }
        if (failure.isEmpty() && !index.m_cancelled)
            report(std::min(pos, size) - dataStart);
    } else {
        qint64 end = size;
        bool more = size > dataStart;
        if (more) {
            char last = 0;
            if (!Window::readAt(file, size - 1, &last, 1, &failure))
                more = false;
            else if (last == '\n')
                end = size - 1;
        }
        while (more && failure.isEmpty() && !full()) {
            if (end == dataStart) { // the file's first line is empty
                take(dataStart, 0, "");
                break;
            }
            if (!window.holds(end - 1, end)) {
                if (stop(size - end) ||
                    !window.load(std::max(dataStart, end - block), end, &failure))
                    break;
            }
            const char *base = window.ptr(window.at());
            if (const void *nl = memrchr(base, '\n', size_t(end - window.at()))) {
                const qint64 lineFeed = window.at() + (static_cast<const char *>(nl) - base);
                take(lineFeed + 1, end - lineFeed - 1, window.ptr(lineFeed + 1));
                end = lineFeed;
            } else if (window.at() <= dataStart) {
                take(dataStart, end - dataStart, window.ptr(dataStart));
                more = false;
            } else if (end < window.end()) {
                window.forget(); // the line starts before the window: read back from its end
            } else {
                const qint64 begin = lineStartBefore(window.at());
                if (begin < 0 || !takeLong(begin, end - begin))
                    break;
                more = begin > dataStart;
                end = begin - 1;
            }
        }
        if (failure.isEmpty() && !index.m_cancelled)
            report(more ? size - end : size - dataStart);
    }
    if (!failure.isEmpty()) {
        index.m_error = QStringLiteral("El archivo '%1' no se pudo leer: %2").arg(path, failure);
        return index;
    }
    index.m_ran = true;
    if (rules.active()) {
        rules.flush();
        index.addRuleErrors(rules.take(), false);
    }
    if (!index.m_partial) {
        index.m_fileLines = index.lineCount();
        index.dropEmptyLinesAtEnd();
        if (rules.active())
            index.addRuleErrors(rules.finish(), true);
    }
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
    return QByteArrayView(p, readSize(p, length, available, m_index.recordLength() > 0));
}

} // namespace velkora::formats
