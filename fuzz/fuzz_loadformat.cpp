// Fuzzes the load-format test: a layout built from the first bytes (line types with IDs,
// positions and lengths, fields of any type, format and value, some of them nonsense) read over
// the remaining bytes as the file. Besides finding crashes, it checks that the result does not
// depend on how the file is cut into chunks or how many threads read it, and that the failures
// per field add up to the field errors and every likely cause shows on most lines of its line
// type.

#include "formats/CompiledFormat.h"
#include "formats/LineAnalyzer.h"
#include "formats/LoadFormatTest.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

using namespace velkora::formats;

namespace {

const char *const formatWords[] = {
    "",         "0",          "0V00",   "0.00",       "#,##0.00", "S0",    "0-", "DDMMYYYY",
    "YYYYMMDD", "DD/MM/YYYY", "YYMMDD", "YYYY-MM-DD", "AAAA",     "+0,00", "?",  "'?'"};
const char *const typeCodes[] = {"01", "02", "03", "04", "05", "00", "6", "", "x1"};

QString text(FuzzedDataProvider &data, size_t most)
{
    const std::string bytes = data.ConsumeRandomLengthString(most);
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

int number(FuzzedDataProvider &data, int low, int high)
{
    // Now and then a value far out of range.
    if (data.ConsumeIntegralInRange(0, 15) == 0)
        return data.PickValueInArray({-2147483647, -1, 0, 2147483647, 4096});
    return data.ConsumeIntegralInRange(low, high);
}

LoadFormat layout(FuzzedDataProvider &data)
{
    LoadFormat format;
    format.key = QStringLiteral("FZ");
    format.reverse = data.ConsumeBool();
    const int types = data.ConsumeIntegralInRange(1, 4);
    for (int t = 0; t < types; ++t) {
        LineType type;
        type.order = QString::number(t + 1).rightJustified(4, QLatin1Char('0'));
        type.lineId = text(data, 4);
        type.position = number(data, 0, 12);
        type.length = number(data, 0, 5);
        const int fields = data.ConsumeIntegralInRange(0, 6);
        for (int f = 0; f < fields; ++f) {
            FieldDef field;
            field.lineOrder = type.order;
            field.id = QString::number((f + 1) * 10).rightJustified(4, QLatin1Char('0'));
            field.position = number(data, 0, 120);
            field.length = number(data, 0, 60);
            field.typeCode = QString::fromLatin1(data.PickValueInArray(typeCodes));
            field.format = data.ConsumeBool()
                               ? QString::fromLatin1(data.PickValueInArray(formatWords))
                               : text(data, 12);
            field.value = text(data, 16);
            field.trim = data.ConsumeBool();
            type.fields << field;
        }
        format.lineTypes << type;
    }
    return format;
}

QString filePath()
{
    static QTemporaryDir folder;
    return folder.filePath(QStringLiteral("file.txt"));
}

void fail(const char *what, const TestReport &report)
{
    std::fprintf(stderr, "%s:\n%s\n", what,
                 qUtf8Printable(reportText(report, QStringLiteral("|"))));
    std::abort();
}

// The failures per line type and field (and of the line as a whole, and of lines without a
// line type) count every error once, and a likely cause is
// named only on most lines of its line type (never on a file without field errors).
void checkFailuresAndCauses(const TestReport &report)
{
    const ScanResult &r = report.result;
    qint64 fieldErrors = r.untypedErrors; // a control character on a line without a type
    for (const TypeStat &type : r.types) {
        fieldErrors += type.lineErrors; // one outside the fields
        if (type.errorLines > type.lines)
            fail("More lines in error than lines", report);
        for (const FieldStat &field : type.fields) {
            if (field.lines > type.errorLines)
                fail("A field in error on more lines than its line type", report);
            fieldErrors += field.lines;
        }
    }
    if (fieldErrors != r.errorCount)
        fail("The failures per field do not add up to the field errors", report);
    for (const LikelyCause &cause : report.causes) {
        if (cause.kind == LikelyCause::Kind::NoLineBreaks)
            continue; // a cause of the whole file, not of a line type's lines
        const TypeStat &type = r.types.at(size_t(cause.lineType));
        if (cause.of != type.lines || cause.lines > type.errorLines ||
            cause.lines * 100 < cause.of * MostLinesPercent)
            fail("A likely cause on too few lines", report);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    FuzzedDataProvider data(bytes, size);
    const LoadFormat format = layout(data);
    const std::vector<char> file = data.ConsumeRemainingBytes<char>();

    // Each line on its own.
    const CompiledFormat compiled(format);
    LineAnalyzer analyzer(compiled);
    qsizetype start = 0;
    for (qsizetype i = 0; i <= qsizetype(file.size()); ++i) {
        if (i == qsizetype(file.size()) || file[size_t(i)] == '\n') {
            if (i > start || i < qsizetype(file.size()))
                analyzer.analyze(file.data() + start, i - start);
            (void)analyzer.detail();
            start = i + 1;
        }
    }

    // The whole file, in big and in tiny chunks, on one and on two threads: the same result.
    QFile out(filePath());
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    out.write(file.data(), qint64(file.size()));
    out.close();
    TestOptions whole;
    whole.detailLines = 20;
    whole.listLimit = 20;
    whole.threads = 1;
    whole.chunkBytes = 1 << 16; // more than any input: one chunk
    TestOptions pieces = whole;
    pieces.chunkBytes = 61;
    pieces.threads = 2;
    const TestReport a = testLoadFormat(format, filePath(), whole);
    const TestReport b = testLoadFormat(format, filePath(), pieces);
    checkFailuresAndCauses(a);
    const QString textA = reportText(a, QStringLiteral("|"));
    if (textA != reportText(b, QStringLiteral("|")) || reportJson(a) != reportJson(b)) {
        std::fprintf(stderr, "The result depends on the chunks:\n%s\n", qUtf8Printable(textA));
        std::abort();
    }
    return 0;
}
