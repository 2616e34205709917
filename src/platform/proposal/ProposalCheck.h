#pragma once

#include "Proposal.h"

namespace velkora::proposal::detail {

enum class CheckOutcome { Clean, Ambiguous, Cancelled, Failed };

// Tests the proposal on the whole file as a stored format would be tested. A NUMERO or Fecha
// field that more than 1 % of its line type's lines do not read becomes TEXTO (trimmed), and
// the test runs again, until every field keeps its type and no rule is broken (a broken rule,
// or one on or summing a field made TEXTO, is left out); the lines that still do not read
// are the proposal's findings (Proposal::unreadCount...). Ambiguous: some line has more than
// one line type (an ID at a second place that lines beyond the sample also hold).
CheckOutcome checkProposal(Proposal &proposal, const QString &path, const ProposalOptions &options,
                           QString *error);

} // namespace velkora::proposal::detail
