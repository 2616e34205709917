#include "LoadFormatTest.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace velkora::formats {

namespace {

QJsonArray lineArray(const std::vector<qint64> &lines)
{
    QJsonArray out;
    for (const qint64 line : lines)
        out.append(line);
    return out;
}

QJsonObject listed(const ListedLines &lines)
{
    QJsonArray first;
    for (const qint64 line : lines.first)
        first.append(line);
    return {{QStringLiteral("count"), lines.count}, {QStringLiteral("first"), first}};
}

QJsonObject byLineType(const TestReport &report)
{
    const ScanResult &r = report.result;
    QJsonObject byType;
    for (int t = 0; t < report.format.lineTypes.size(); ++t) {
        const LineType &type = report.format.lineTypes.at(t);
        byType.insert(type.order,
                      QJsonObject{{QStringLiteral("id"), type.lineId},
                                  {QStringLiteral("description"), type.description},
                                  {QStringLiteral("lines"),
                                   size_t(t) < r.types.size() ? r.types[size_t(t)].lines : 0}});
    }
    return byType;
}

QJsonObject errors(const TestReport &report)
{
    QJsonArray first;
    for (const ReportedError &e : report.errors)
        first.append(QJsonObject{{QStringLiteral("line"), e.line},
                                 {QStringLiteral("from"), e.from},
                                 {QStringLiteral("to"), e.to},
                                 {QStringLiteral("line_type"), e.lineType},
                                 {QStringLiteral("field"), e.field},
                                 {QStringLiteral("rule"), e.rule},
                                 {QStringLiteral("message"), e.message}});
    return QJsonObject{{QStringLiteral("count"), report.result.errorCount},
                       {QStringLiteral("first"), first}};
}

// The lines in error of each line type, for the line as a whole and per field.
QJsonArray failures(const TestReport &report)
{
    const ScanResult &r = report.result;
    QJsonArray failures;
    for (int t = 0; t < report.format.lineTypes.size() && size_t(t) < r.types.size(); ++t) {
        const TypeStat &stat = r.types[size_t(t)];
        if (stat.errorLines == 0)
            continue;
        const LineType &type = report.format.lineTypes.at(t);
        QJsonArray fields;
        if (stat.lineErrors > 0)
            fields.append(QJsonObject{{QStringLiteral("field"), QString()},
                                      {QStringLiteral("description"), QStringLiteral("(la línea)")},
                                      {QStringLiteral("lines"), stat.lineErrors},
                                      {QStringLiteral("first"), lineArray(stat.lineErrorFirst)}});
        for (int f = 0; f < type.fields.size() && size_t(f) < stat.fields.size(); ++f)
            if (stat.fields[size_t(f)].lines > 0)
                fields.append(QJsonObject{
                    {QStringLiteral("field"), type.fields.at(f).id},
                    {QStringLiteral("description"), type.fields.at(f).description},
                    {QStringLiteral("lines"), stat.fields[size_t(f)].lines},
                    {QStringLiteral("first"), lineArray(stat.fields[size_t(f)].first)}});
        failures.append(QJsonObject{{QStringLiteral("line_type"), type.order},
                                    {QStringLiteral("lines"), stat.errorLines},
                                    {QStringLiteral("of"), stat.lines},
                                    {QStringLiteral("fields"), fields}});
    }
    return failures;
}

QJsonArray causes(const TestReport &report)
{
    QJsonArray causes;
    for (const LikelyCause &cause : report.causes) {
        QJsonObject item{{QStringLiteral("line_type"), cause.lineOrder},
                         {QStringLiteral("field"), cause.fieldId},
                         {QStringLiteral("kind"), causeKindName(cause.kind)},
                         {QStringLiteral("lines"), cause.lines},
                         {QStringLiteral("of"), cause.of},
                         {QStringLiteral("message"), cause.message}};
        if (cause.kind == LikelyCause::Kind::Shifted) {
            item.insert(QStringLiteral("shift"), cause.shift);
            item.insert(QStringLiteral("column"), cause.column);
        } else if (cause.kind == LikelyCause::Kind::OtherDateFormat) {
            item.insert(QStringLiteral("date_format"), cause.dateFormat);
        }
        causes.append(item);
    }
    return causes;
}

QJsonArray layout(const TestReport &report)
{
    QJsonArray layout;
    for (const LayoutFinding &finding : report.layout)
        layout.append(QJsonObject{{QStringLiteral("kind"), findingKindName(finding.kind)},
                                  {QStringLiteral("line_type"), finding.lineType},
                                  {QStringLiteral("field"), finding.field},
                                  {QStringLiteral("message"), finding.message}});
    return layout;
}

} // namespace

QByteArray reportJson(const TestReport &report)
{
    QJsonObject json;
    json.insert(QStringLiteral("key"), report.format.key);
    json.insert(QStringLiteral("file"), report.filePath);
    if (!report.ran) {
        json.insert(QStringLiteral("error"), report.error);
        return QJsonDocument(json).toJson(QJsonDocument::Indented);
    }
    const ScanResult &r = report.result;
    json.insert(QStringLiteral("bytes"), report.fileBytes);
    json.insert(QStringLiteral("encoding"), r.cp1252Lines == 0 ? QStringLiteral("UTF-8")
                                            : r.utf8Lines == 0 ? QStringLiteral("Windows-1252")
                                                               : QStringLiteral("mixed"));
    json.insert(QStringLiteral("reverse"), report.format.reverse);
    json.insert(QStringLiteral("cancelled"), report.cancelled);
    json.insert(QStringLiteral("lines"), r.lines);
    json.insert(QStringLiteral("by_line_type"), byLineType(report));
    json.insert(QStringLiteral("unmatched"), listed(r.unmatched));
    json.insert(QStringLiteral("ambiguous"), listed(r.ambiguous));
    if (r.longLines.count > 0)
        json.insert(QStringLiteral("long_lines"), listed(r.longLines));
    json.insert(QStringLiteral("control_lines"), listed(r.controlLines));
    json.insert(QStringLiteral("empty_at_end"),
                QJsonObject{{QStringLiteral("count"), r.anyText ? r.emptyAtEnd.count : 0},
                            {QStringLiteral("first"),
                             lineArray(r.anyText ? r.emptyAtEnd.first : std::vector<qint64>{})}});
    json.insert(QStringLiteral("file_errors"), QJsonArray::fromStringList(report.fileErrors));
    json.insert(QStringLiteral("errors"), errors(report));
    json.insert(QStringLiteral("failures"), failures(report));
    json.insert(QStringLiteral("causes"), causes(report));
    json.insert(QStringLiteral("layout"), layout(report));
    return QJsonDocument(json).toJson(QJsonDocument::Indented);
}

} // namespace velkora::formats
