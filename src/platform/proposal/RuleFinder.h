#pragma once

#include "Proposal.h"

namespace velkora::proposal::detail {

enum class RulesOutcome { Found, Cancelled, Failed };

// Reads the file once more with the proposed line types and fields, as the test reads it, and
// proposes the rules its lines keep (docs/proposal.md, "The rules"): the lengths of each line
// type, a header and a trailer, the one type that sub-records follow, and the counts and sums
// that the numbers of trailers hold. Adds them to proposal.rules after the whole file's rules
// already there (REGISTRO). Nothing but running totals is kept.
RulesOutcome findRules(Proposal &proposal, const QString &path, const ProposalOptions &options,
                       QString *error);

// A rule's confidence from the k lines that confirmed it: k / (k + 1), to three decimals.
double ruleConfidence(qint64 k);

// A line type's or field's number as a rule writes it: "0001" for index 0.
QString ruleNumber(int index);

} // namespace velkora::proposal::detail
