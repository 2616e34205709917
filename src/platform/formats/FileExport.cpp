#include "FileExport.h"

#include "CompiledFormat.h"
#include "Csv.h"
#include "LineAnalyzer.h"
#include "LineRules.h"
#include "LineSource.h"
#include "LoadFormatTest.h"
#include "RuleChecker.h"
#include "RuleTrack.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <functional>
#include <map>
#include <memory>

namespace velkora::formats {

namespace {

// A line as the export shows it.
struct Line {
    qint64 number = 0;
    const LineAnalyzer *analyzer = nullptr; // null for an empty line
    QString text;                           // its text, without a single line type
    QList<ReportedError> errors;
};

constexpr int NoLimit = 1 << 30;

// The file's lines one after the other, each analysed and checked with every rule, handed to a
// visitor; an empty line only once a line with text follows it (those at the end never are).
class LineWalk {
public:
    LineWalk(const CompiledFormat &format, const std::function<void(const Line &)> &visit)
        : m_format(format), m_visit(visit), m_analyzer(format), m_rules(format), m_track(format),
          m_checker(format, NoLimit)
    {}

    void handle(QByteArrayView bytes);
    // The lines handed on, without the empty ones at the end.
    qint64 count() const { return m_number - m_pendingEmpty; }

private:
    ScanResult onePart();
    void emptyLines();
    void controlCharacter(QByteArrayView bytes, int type, ScanResult &part, bool &inError) const;

    const CompiledFormat &m_format;
    const std::function<void(const Line &)> &m_visit;
    LineAnalyzer m_analyzer;
    const LineRules m_rules;
    RuleTrack m_track;
    RuleChecker m_checker;
    qint64 m_number = 0;
    qint64 m_pendingEmpty = 0; // empty lines not yet known to stand between lines
};

// A part of one line, for the rules across lines.
ScanResult LineWalk::onePart()
{
    ScanResult part;
    part.types.resize(m_format.lineTypes().size());
    part.lines = 1;
    m_track.begin(part);
    return part;
}

void LineWalk::emptyLines()
{
    for (; m_pendingEmpty > 0; --m_pendingEmpty) {
        Line empty;
        empty.number = m_number - m_pendingEmpty;
        if (m_track.active()) {
            ScanResult part = onePart();
            bool inError = false;
            m_track.line(nullptr, 0, part, inError, true, NoLimit);
            m_track.end(part);
            m_checker.check(part);
        }
        m_visit(empty);
    }
}

void LineWalk::controlCharacter(QByteArrayView bytes, int type, ScanResult &part,
                                bool &inError) const
{
    if (m_analyzer.controlColumn() <= 0)
        return;
    FieldError e;
    e.lineType = type;
    e.field = type >= 0 ? m_analyzer.controlField() : -1;
    e.kind = ErrorKind::Control;
    e.from = e.to = e.column = m_analyzer.controlColumn();
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t') {
            e.ruleValue = static_cast<unsigned char>(c);
            break;
        }
    countError(m_format, e, part, inError, true, NoLimit);
}

void LineWalk::handle(QByteArrayView bytes)
{
    ++m_number;
    if (bytes.isEmpty()) {
        ++m_pendingEmpty;
        return;
    }
    emptyLines();
    ScanResult part = onePart();
    m_analyzer.analyze(bytes.constData(), bytes.size(), LineAnalyzer::Depth::Full);
    Line line;
    line.number = m_number;
    line.analyzer = &m_analyzer;
    bool inError = false;
    const int type = m_analyzer.match() == LineAnalyzer::Match::One ? m_analyzer.lineType() : -1;
    if (type >= 0) {
        for (const int f : m_analyzer.fieldsInError()) {
            FieldError e;
            m_analyzer.fillError(f, e);
            part.errors.push_back(e);
        }
        inError = !part.errors.empty();
    } else {
        line.text = m_analyzer.detail().text;
    }
    controlCharacter(bytes, type, part, inError);
    if (type >= 0 && !m_format.rules().empty())
        m_rules.check(m_analyzer, 0, part, inError, true, NoLimit);
    if (m_track.active()) {
        m_track.line(&m_analyzer, 0, part, inError, true, NoLimit);
        m_track.end(part);
        m_checker.check(part);
    }
    for (const FieldError &e : part.errors)
        line.errors << reportedError(m_format, e);
    for (ReportedError &e : line.errors)
        e.line = m_number;
    m_visit(line);
}

// Reads the file's lines one after the other and hands each, analysed and checked, to visit.
bool walk(const CompiledFormat &format, const QString &path, QString *error,
          const std::function<void(const Line &)> &visit, qint64 *count)
{
    LineSource source;
    if (QString why; !QFileInfo(path).isFile() || !source.open(path, &why)) {
        *error = QFileInfo(path).exists()
                     ? QStringLiteral("El archivo '%1' no se puede leer.").arg(path)
                     : QStringLiteral("El archivo '%1' no existe.").arg(path);
        return false;
    }
    LineWalk lines(format, visit);
    const auto take = [&](const SourceLine &line) {
        lines.handle(QByteArrayView(line.bytes, line.size));
        return true;
    };
    constexpr qint64 BlockBytes = 1 << 20;
    const int record = format.rules().recordLength();
    const qint64 end = source.dataEnd();
    QString failure;
    bool read = true;
    if (record > 0) {
        for (qint64 pos = source.dataStart(); read && pos < end;)
            read =
                source.records(pos, std::min(end, pos + BlockBytes), record, take, &pos, &failure);
    } else {
        for (qint64 from = source.dataStart(); read && from < end; from += BlockBytes)
            read = source.lines(from, std::min(end, from + BlockBytes), false, take, &failure);
    }
    if (!read) {
        *error = QStringLiteral("El archivo '%1' no se pudo leer: %2").arg(path, failure);
        return false;
    }
    *count = lines.count();
    return true;
}

QString situation(const CompiledFormat &format, const LineAnalyzer *analyzer)
{
    if (!analyzer || analyzer->candidates().empty())
        return QStringLiteral("sin tipo de línea");
    QStringList orders;
    for (const int t : analyzer->candidates())
        orders << format.lineType(t).order;
    return QStringLiteral("varios tipos (%1)").arg(orders.join(QStringLiteral(", ")));
}

} // namespace

ExportOutcome exportJsonLines(const LoadFormat &format, const QString &path, QIODevice &out)
{
    ExportOutcome outcome;
    const CompiledFormat compiled(format);
    bool written = true;
    outcome.ok = walk(
        compiled, path, &outcome.error,
        [&](const Line &line) {
            QJsonObject object{{QStringLiteral("line"), line.number}};
            const bool typed = line.analyzer && line.analyzer->match() == LineAnalyzer::Match::One;
            object.insert(QStringLiteral("line_type"),
                          typed ? compiled.lineType(line.analyzer->lineType()).order : QString());
            if (typed) {
                const LineDetail detail = line.analyzer->detail();
                QJsonObject values;
                const LineType &type = compiled.lineType(detail.lineType);
                for (int f = 0; f < type.fields.size() && f < detail.values.size(); ++f)
                    values.insert(type.fields.at(f).id, detail.values.at(f).text);
                object.insert(QStringLiteral("values"), values);
            } else {
                object.insert(QStringLiteral("text"), line.text);
            }
            QJsonArray errors;
            if (!line.analyzer)
                errors.append(
                    QJsonObject{{QStringLiteral("message"),
                                 QStringLiteral("Línea vacía: no tiene tipo de línea.")}});
            for (const ReportedError &e : line.errors)
                errors.append(QJsonObject{{QStringLiteral("from"), e.from},
                                          {QStringLiteral("to"), e.to},
                                          {QStringLiteral("field"), e.field},
                                          {QStringLiteral("rule"), e.rule},
                                          {QStringLiteral("message"), e.message}});
            object.insert(QStringLiteral("errors"), errors);
            const QByteArray bytes = QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
            written = written && out.write(bytes) == bytes.size();
        },
        &outcome.lines);
    if (outcome.ok && !written) {
        outcome.ok = false;
        outcome.error = out.errorString();
    }
    return outcome;
}

ExportOutcome exportCsv(const LoadFormat &format, const QString &path, const QString &folder)
{
    ExportOutcome outcome;
    const QDir dir(folder);
    if (!QDir().mkpath(folder)) {
        outcome.error = QStringLiteral("La carpeta '%1' no se puede crear.").arg(folder);
        return outcome;
    }
    const CompiledFormat compiled(format);
    // One file per line type (-1: the other lines), opened at its first line.
    std::map<int, std::unique_ptr<CsvFile>> files;
    auto fileFor = [&](int type) -> CsvFile & {
        auto &slot = files[type];
        if (!slot) {
            const QString part = type < 0 ? QStringLiteral("otras") : compiled.lineType(type).order;
            slot = std::make_unique<CsvFile>(dir.filePath(csvFileName(format.key, part)));
            QStringList titles{QStringLiteral("Línea")};
            if (type < 0) {
                titles << QStringLiteral("Situación") << QStringLiteral("Texto");
            } else {
                for (const FieldDef &field : compiled.lineType(type).fields)
                    titles << QStringLiteral("%1 %2").arg(field.id, field.description);
            }
            slot->open(titles);
        }
        return *slot;
    };
    outcome.ok = walk(
        compiled, path, &outcome.error,
        [&](const Line &line) {
            const bool typed = line.analyzer && line.analyzer->match() == LineAnalyzer::Match::One;
            QStringList cells{QString::number(line.number)};
            if (typed) {
                for (const LineDetail::Value &value : line.analyzer->detail().values)
                    cells << value.text;
            } else {
                cells << situation(compiled, line.analyzer) << line.text;
            }
            fileFor(typed ? line.analyzer->lineType() : -1).write(cells);
        },
        &outcome.lines);
    if (!outcome.ok)
        return outcome;
    for (auto &[type, file] : files) {
        if (!file->commit()) {
            outcome.ok = false;
            outcome.error = QStringLiteral("El archivo '%1' no se pudo escribir: %2")
                                .arg(file->fileName(), file->errorString());
            return outcome;
        }
        outcome.files << file->fileName();
    }
    return outcome;
}

} // namespace velkora::formats
