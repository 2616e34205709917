#include "ProposalCheck.h"

#include "ProposalInternal.h"
#include "formats/LoadFormatTest.h"

#include <algorithm>
#include <cmath>

namespace velkora::proposal::detail {

namespace {

// The findings of the last test: the lines in error, in order, and the fields that fail.
void noteUnread(Proposal &proposal, const formats::TestReport &report)
{
    proposal.unreadCount = 0;
    proposal.unreadLines.clear();
    proposal.unreadFields.clear();
    const formats::ScanResult &result = report.result;
    for (size_t t = 0; t < result.types.size(); ++t) {
        const formats::TypeStat &type = result.types[t];
        proposal.unreadCount += type.errorLines;
        for (size_t f = 0; f < type.fields.size(); ++f) {
            if (type.fields[f].lines == 0)
                continue;
            proposal.unreadFields << UnreadField{int(t), int(f), type.fields[f].lines};
            // A field some lines do not read is as sure as the share of lines that do.
            ProposedField &field = proposal.lineTypes[qsizetype(t)].fields[qsizetype(f)];
            const double share =
                1.0 - double(type.fields[f].lines) / double(std::max<qint64>(1, type.lines));
            field.confidence = std::round(field.confidence * share * 1000.0) / 1000.0;
        }
    }
    for (const formats::ReportedError &e : report.errors) {
        if (proposal.unreadLines.size() >= 1000)
            break;
        if (proposal.unreadLines.isEmpty() || proposal.unreadLines.last() != e.line)
            proposal.unreadLines << e.line;
    }
}

} // namespace

CheckOutcome checkProposal(Proposal &proposal, const QString &path, const ProposalOptions &options,
                           QString *error)
{
    formats::TestOptions test;
    test.detailLines = 0;
    test.listLimit = 5000; // errors listed: enough for the first 1,000 lines in error
    test.threads = options.threads;
    test.cancel = options.cancel;
    for (int round = 1; round <= 1000; ++round) {
        if (options.progress) {
            test.progress = [&options, round](qint64 done, qint64 total) {
                options.progress({ProposalProgress::Step::Testing, round, done, total});
            };
        }
        const formats::TestReport report =
            formats::testLoadFormat(toLoadFormat(proposal, QStringLiteral("PROP")), path, test);
        if (report.cancelled)
            return CheckOutcome::Cancelled;
        if (!report.ran) {
            *error = report.error;
            return CheckOutcome::Failed;
        }
        if (report.result.ambiguous.count > 0)
            return CheckOutcome::Ambiguous;
        // A rule the test finds broken is left out (and REGISTRO, which the reading of the
        // whole file rests on, never is: its records all have their length).
        QList<int> broken;
        for (const formats::ReportedError &e : report.errors) {
            const qint64 rule = e.rule.isEmpty() ? -1 : formats::orderNumber(e.rule) - 1;
            if (rule >= 0 && rule < proposal.rules.size() && !broken.contains(int(rule)) &&
                !proposal.rules.at(rule).text.startsWith(QLatin1String("REGISTRO")))
                broken << int(rule);
        }
        std::sort(broken.begin(), broken.end());
        for (qsizetype i = broken.size() - 1; i >= 0; --i)
            proposal.rules.removeAt(broken.at(i));
        if (!broken.isEmpty())
            continue; // its errors count in its fields: they are looked at once it is out
        bool changed = false;
        const formats::ScanResult &result = report.result;
        for (size_t t = 0; t < result.types.size() && t < size_t(proposal.lineTypes.size()); ++t) {
            const formats::TypeStat &type = result.types[t];
            QList<ProposedField> &fields = proposal.lineTypes[qsizetype(t)].fields;
            for (size_t f = 0; f < type.fields.size() && f < size_t(fields.size()); ++f) {
                ProposedField &field = fields[qsizetype(f)];
                if (type.fields[f].lines <= tolerated(type.lines) ||
                    field.typeCode == QLatin1String("02"))
                    continue;
                field.typeCode = QStringLiteral("02");
                field.format.clear();
                field.value.clear();
                field.trim = true;
                field.confidence = std::round(field.confidence * 500.0) / 1000.0;
                changed = true;
                // A count or sum no longer reads in a TEXTO: its rules go with its type.
                proposal.rules.removeIf([&](const ProposedRule &rule) {
                    return (rule.lineType == int(t) && rule.field == int(f)) ||
                           (rule.sumLineType == int(t) && rule.sumField == int(f));
                });
            }
        }
        if (!changed) {
            noteUnread(proposal, report);
            return CheckOutcome::Clean;
        }
    }
    *error = QStringLiteral("La propuesta no se pudo probar sin errores en '%1'.").arg(path);
    return CheckOutcome::Failed;
}

} // namespace velkora::proposal::detail
