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

    LineAnalyzer analyzer(format);
    const LineRules rules(format);
    RuleTrack track(format);
    RuleChecker checker(format, 1 << 30);
    const int record = format.rules().recordLength();
    qint64 number = 0;
    qint64 pendingEmpty = 0; // empty lines not yet known to stand between lines
    auto handle = [&](QByteArrayView bytes) {
        ++number;
        if (bytes.isEmpty()) {
            ++pendingEmpty;
            return;
        }
        for (; pendingEmpty > 0; --pendingEmpty) {
            Line empty;
            empty.number = number - pendingEmpty;
            if (track.active()) {
                ScanResult part;
                part.types.resize(format.lineTypes().size());
                part.lines = 1;
                track.begin(part);
                bool inError = false;
                track.line(nullptr, 0, part, inError, true, 1 << 30);
                checker.check(part);
            }
            visit(empty);
        }
        ScanResult part;
        part.types.resize(format.lineTypes().size());
        part.lines = 1;
        track.begin(part);
        analyzer.analyze(bytes.constData(), bytes.size(), LineAnalyzer::Depth::Full);
        Line line;
        line.number = number;
        line.analyzer = &analyzer;
        bool inError = false;
        const int type = analyzer.match() == LineAnalyzer::Match::One ? analyzer.lineType() : -1;
        if (type >= 0) {
            for (const int f : analyzer.fieldsInError()) {
                FieldError e;
                analyzer.fillError(f, e);
                part.errors.push_back(e);
            }
            inError = !part.errors.empty();
        } else {
            line.text = analyzer.detail().text;
        }
        if (analyzer.controlColumn() > 0) {
            FieldError e;
            e.lineType = type;
            e.field = type >= 0 ? analyzer.controlField() : -1;
            e.kind = ErrorKind::Control;
            e.from = e.to = e.column = analyzer.controlColumn();
            for (const char c : bytes)
                if (static_cast<unsigned char>(c) < 0x20 && c != '\t') {
                    e.ruleValue = static_cast<unsigned char>(c);
                    break;
                }
            countError(format, e, part, inError, true, 1 << 30);
        }
        if (type >= 0 && !format.rules().empty())
            rules.check(analyzer, 0, part, inError, true, 1 << 30);
        if (track.active()) {
            track.line(&analyzer, 0, part, inError, true, 1 << 30);
            checker.check(part);
        }
        for (const FieldError &e : part.errors)
            line.errors << reportedError(format, e);
        for (ReportedError &e : line.errors)
            e.line = number;
        visit(line);
    };
    const auto take = [&](const SourceLine &line) {
        handle(QByteArrayView(line.bytes, line.size));
        return true;
    };
    constexpr qint64 BlockBytes = 1 << 20;
    const qint64 end = source.dataEnd();
    QString failure;
    bool read = true;
    if (record > 0) {
        for (qint64 pos = source.dataStart(); read && pos < end;)
            read = source.records(pos, std::min(end, pos + BlockBytes), record, take, &pos,
                                  &failure);
    } else {
        for (qint64 from = source.dataStart(); read && from < end; from += BlockBytes)
            read = source.lines(from, std::min(end, from + BlockBytes), false, take, &failure);
    }
    if (!read) {
        *error = QStringLiteral("El archivo '%1' no se pudo leer: %2").arg(path, failure);
        return false;
    }
    *count = number - pendingEmpty;
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
            const QString part =
                type < 0 ? QStringLiteral("otras") : compiled.lineType(type).order;
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
