#include "LoadFormatTest.h"

#include "CompiledFormat.h"
#include "LayoutChecks.h"
#include "Messages.h"

namespace velkora::formats {

bool TestReport::clean() const
{
    return ran && result.unmatched.count == 0 && result.ambiguous.count == 0 &&
           result.errorCount == 0;
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
    ScanOutcome outcome = scanFile(compiled, filePath, scan);
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

    for (const FieldError &e : report.result.errors) {
        const FieldDef &def = compiled.field(e.lineType, e.field);
        const CompiledField &spec =
            compiled.lineTypes()[size_t(e.lineType)].fields[size_t(e.field)];
        QString text = QString::fromUtf8(e.text, e.textSize);
        if (e.textCut)
            text += QStringLiteral("…");
        report.errors << ReportedError{e.line,
                                       e.from,
                                       e.to,
                                       compiled.lineType(e.lineType).order,
                                       def.id,
                                       problemMessage(def, text, e.problem, e.column,
                                                      QString::fromUtf8(e.badChar),
                                                      spec.definitionError)};
    }
    return report;
}

} // namespace velkora::formats
