#include "LoadFormatTest.h"

#include "CompiledFormat.h"
#include "LayoutChecks.h"
#include "Messages.h"

#include <algorithm>

namespace velkora::formats {

bool TestReport::clean() const
{
    return ran && result.unmatched.count == 0 && result.ambiguous.count == 0 &&
           result.errorCount == 0 && fileErrors.isEmpty() && unusableRules == 0;
}

int TestReport::exitCode() const
{
    return !ran ? 2 : clean() ? 0 : 1;
}

QString TestReport::encodingName() const
{
    if (result.cp1252Lines > 0 && result.utf8Lines > 0)
        return QStringLiteral("UTF-8 y Windows-1252 (según la línea)");
    return result.cp1252Lines > 0 ? QStringLiteral("Windows-1252") : QStringLiteral("UTF-8");
}

ReportedError reportedError(const CompiledFormat &format, const FieldError &e)
{
    ReportedError out{e.line, e.from, e.to, {}, {}, {}, {}};
    if (e.lineType >= 0)
        out.lineType = format.lineType(e.lineType).order;
    if (e.lineType >= 0 && e.field >= 0)
        out.field = format.field(e.lineType, e.field).id;
    if (e.rule >= 0)
        out.rule = format.format().rules.at(e.rule).id;
    switch (e.kind) {
    case ErrorKind::Rule:
        out.message = format.rules().message(format, e);
        break;
    case ErrorKind::Control:
        out.message =
            e.ruleValue == 0x0D ? QStringLiteral("Hay un retorno de carro (CR) suelto "
                                                 "en la columna %1, dentro de la "
                                                 "línea.")
                                      .arg(e.column)
            : e.ruleValue == 0
                ? QStringLiteral("Hay un carácter nulo (NUL) en la columna %1.").arg(e.column)
                : QStringLiteral("Hay un carácter de control (código %1) en la "
                                 "columna %2.")
                      .arg(e.ruleValue)
                      .arg(e.column);
        break;
    case ErrorKind::Encoding: {
        const auto line = LineEncoding(e.ruleValue);
        const auto file = FileEncoding(int(e.expected));
        const QString shown = QString::fromUtf8(e.badChar);
        const QString where =
            e.to > e.from ? QStringLiteral("en la columna %1 (y hasta la %2)").arg(e.from).arg(e.to)
                          : QStringLiteral("en la columna %1").arg(e.from);
        out.message =
            file == FileEncoding::Utf8 || lineEncodingName(line) == fileEncodingName(file)
                ? QStringLiteral("El archivo está en %1 y la línea tiene un carácter que no es "
                                 "de %1 %2 ('%3' en %4).")
                      .arg(fileEncodingName(file), where, shown, lineEncodingName(line))
                : QStringLiteral("La línea está en %1 y el archivo en %2: '%3' %4.")
                      .arg(lineEncodingName(line), fileEncodingName(file), shown, where);
        break;
    }
    case ErrorKind::Field: {
        const FieldDef &def = format.field(e.lineType, e.field);
        const CompiledField &spec = format.lineTypes()[size_t(e.lineType)].fields[size_t(e.field)];
        QString text = QString::fromUtf8(e.text, e.textSize);
        if (e.textCut)
            text += QStringLiteral("…");
        out.message = problemMessage(def, text, e.problem, e.column, QString::fromUtf8(e.badChar),
                                     spec.definitionError);
        // A short line: where it ends, not only that the field is blank.
        if (spec.usable && e.lineEnd < e.to) {
            if (out.message.endsWith(QLatin1Char('.')))
                out.message.chop(1);
            out.message += QStringLiteral("; la línea termina en la columna %1.").arg(e.lineEnd);
        }
        break;
    }
    }
    return out;
}

namespace {

// What only the whole file tells: that it is empty, or that its records have no line breaks.
void checkWholeFile(const CompiledFormat &format, TestReport &report)
{
    const ScanResult &r = report.result;
    if (!r.anyText) {
        report.fileErrors << (r.lines == 0 ? QStringLiteral("El archivo está vacío.")
                                           : QStringLiteral("El archivo está vacío: solo tiene "
                                                            "%1 línea(s) vacía(s).")
                                                 .arg(r.lines));
        return;
    }
    if (format.rules().recordLength() > 0 || format.lineTypes().empty())
        return;
    // The record length of each line type: its LONGITUD, else where its last field ends.
    int widest = 0;
    int type = -1;
    int record = 0;
    for (size_t t = 0; t < format.lineTypes().size(); ++t) {
        const RuleSet::TypeRules &rules = format.rules().types()[t];
        const int length = rules.lengthRule >= 0 ? rules.maxLength : format.lineTypes()[t].end;
        widest = std::max(widest, length);
        if (length > 0 && r.longest % length == 0 && length > record) {
            record = length;
            type = int(t);
        }
    }
    const qint64 textLines = r.lines - r.emptyAtEnd.count;
    if (widest <= 0 || r.longest < 2 * widest || (type < 0 && textLines != 1))
        return;
    LikelyCause cause;
    cause.kind = LikelyCause::Kind::NoLineBreaks;
    cause.lineType = std::max(type, 0);
    cause.lineOrder = format.lineType(cause.lineType).order;
    cause.lines = 1;
    cause.of = r.lines;
    cause.message =
        type >= 0
            ? QStringLiteral("La línea %1 tiene %2 caracteres, %3 veces los %4 del tipo de línea "
                             "%5: ¿trae el archivo registros de %4 caracteres sin saltos de "
                             "línea? Si es así, la regla REGISTRO %4 del archivo los lee uno a "
                             "uno.")
                  .arg(r.longestLine)
                  .arg(r.longest)
                  .arg(r.longest / record)
                  .arg(record)
                  .arg(cause.lineOrder)
            : QStringLiteral("El archivo es una sola línea de %1 caracteres y sus tipos de línea "
                             "terminan a lo sumo en la columna %2: ¿trae registros sin saltos de "
                             "línea? Si es así, la regla REGISTRO n del archivo (n, la longitud "
                             "del registro) los lee uno a uno.")
                  .arg(r.longest)
                  .arg(widest);
    report.causes.prepend(cause);
    report.fileErrors << cause.message;
}

// The one encoding of a file whose lines mix encodings and whose format declares none: UTF-8
// when it begins with a byte order mark, else the encoding of most of its lines beyond ASCII
// (of the first such line, when as many are of each); Any when its lines do not mix.
FileEncoding settledEncoding(const ScanOutcome &outcome)
{
    const ScanResult &r = outcome.result;
    if (r.utf8Lines == 0 || r.cp1252Lines == 0)
        return FileEncoding::Any;
    if (outcome.byteOrderMark || r.utf8Lines > r.cp1252Lines)
        return FileEncoding::Utf8;
    if (r.cp1252Lines > r.utf8Lines)
        return FileEncoding::Cp1252;
    return r.firstWide == LineEncoding::Utf8 ? FileEncoding::Utf8 : FileEncoding::Cp1252;
}

} // namespace

TestReport testLoadFormat(const LoadFormat &format, const QString &filePath,
                          const TestOptions &options)
{
    TestReport report;
    report.format = format;
    report.filePath = filePath;
    const CompiledFormat compiled(format);

    ScanOptions scan;
    scan.reverse = format.reverse;
    scan.detailLines = options.detailLines;
    scan.listLimit = options.listLimit;
    scan.chunkBytes = options.chunkBytes;
    scan.threads = options.threads;
    scan.cancel = options.cancel;
    scan.progress = options.progress;
    scan.mapFile = options.mapFile;
    scan.afterMapping = options.afterMapping;
    ScanOutcome outcome = scanFile(compiled, filePath, scan);
    // A file that mixes encodings is read again in its one encoding, its other lines errors
    // (only such a file pays for a second reading).
    if (outcome.ran && !outcome.cancelled && compiled.rules().encoding() == FileEncoding::Any) {
        scan.fileEncoding = settledEncoding(outcome);
        if (scan.fileEncoding != FileEncoding::Any)
            outcome = scanFile(compiled, filePath, scan);
    }
    if (!outcome.ran) {
        report.error = outcome.error;
        return report;
    }
    report.ran = true;
    report.fileBytes = outcome.fileBytes;
    report.byteOrderMark = outcome.byteOrderMark;
    report.cancelled = outcome.cancelled;
    report.result = std::move(outcome.result);
    report.layout = compiled.findings() + fileFindings(compiled, report.result);
    report.causes = likelyCauses(compiled, report.result);
    for (const LayoutFinding &finding : compiled.rules().findings())
        if (finding.kind == LayoutFinding::Kind::Rule &&
            !finding.message.startsWith(QStringLiteral("Las reglas no están disponibles")))
            ++report.unusableRules;
    if (!report.cancelled)
        checkWholeFile(compiled, report);

    for (const FieldError &e : report.result.errors)
        report.errors << reportedError(compiled, e);
    return report;
}

} // namespace velkora::formats
