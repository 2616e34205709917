#include "RuleFinder.h"

#include "LineReader.h"
#include "LineTypeRules.h"
#include "TotalFinder.h"
#include "formats/CompiledFormat.h"
#include "formats/LineAnalyzer.h"

#include <cmath>

namespace velkora::proposal::detail {

double ruleConfidence(qint64 k)
{
    return std::round(double(k) / (double(k) + 1.0) * 1000.0) / 1000.0;
}

QString ruleNumber(int index)
{
    return QStringLiteral("%1").arg(index + 1, 4, 10, QLatin1Char('0'));
}

RulesOutcome findRules(Proposal &proposal, const QString &path, const ProposalOptions &options,
                       QString *error)
{
    if (proposal.lineTypes.isEmpty())
        return RulesOutcome::Found;
    // Only the numbers are read: dates and constants are read as texts (their columns kept,
    // so the line types and lengths are the test's), which converts nothing.
    formats::LoadFormat format = toLoadFormat(proposal, QStringLiteral("PROP"));
    for (formats::LineType &type : format.lineTypes)
        for (formats::FieldDef &field : type.fields)
            if (field.type() != formats::FieldType::Numero) {
                field.typeCode = QStringLiteral("02");
                field.format.clear();
                field.value.clear();
            }
    const formats::CompiledFormat compiled(std::move(format));
    LineTypeRules lineTypes(proposal);
    TotalFinder totals(proposal, compiled);
    formats::LineAnalyzer analyzer(compiled);
    LineReader reader;
    if (!reader.open(path, error))
        return RulesOutcome::Failed;
    reader.setRecordLength(proposal.recordLength);
    const char *p = nullptr;
    qsizetype n = 0;
    qint64 reported = 0;
    while (reader.next(p, n)) {
        if (reader.bytesRead() != reported) {
            if (options.cancel && options.cancel->load(std::memory_order_relaxed))
                return RulesOutcome::Cancelled;
            reported = reader.bytesRead();
            if (options.progress)
                options.progress({ProposalProgress::Step::Rules, 1, reported, reader.fileBytes()});
        }
        if (n == 0) {
            lineTypes.emptyLine();
            continue;
        }
        analyzer.analyze(p, n, formats::LineAnalyzer::Depth::Checks);
        const bool typed = analyzer.match() == formats::LineAnalyzer::Match::One;
        lineTypes.line(typed ? analyzer.lineType() : -1, analyzer.characters());
        if (typed)
            totals.line(analyzer, analyzer.lineType());
    }
    if (!reader.error().isEmpty()) {
        *error = reader.error();
        return RulesOutcome::Failed;
    }
    // The rules of each line type, then of its numbers (named as the fields are once the
    // numbers side by side are cut apart).
    totals.cutRuns(proposal);
    for (int t = 0; t < proposal.lineTypes.size(); ++t) {
        if (lineTypes.lines(t) == 0)
            continue;
        for (const ProposedRule &rule : lineTypes.rules(t) + totals.rules(t))
            (rule.suggested ? proposal.suggestions : proposal.rules) << rule;
    }
    return RulesOutcome::Found;
}

} // namespace velkora::proposal::detail
