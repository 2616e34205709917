#pragma once

#include "Proposal.h"
#include "SideBySide.h"
#include "formats/LineAnalyzer.h"

#include <string>
#include <vector>

namespace velkora::proposal::detail {

// Fields of a line type side by side that hold digits alone (NUMERO fields without decimals,
// constants of digits, dates without separators), at least MinWidth digits with a NUMERO among
// them: where a trailer may hold several numbers with nothing between them.
struct DigitRun {
    static constexpr int MinWidth = 8;
    static constexpr int MaxWidth = 128;

    int first = 0; // its first field
    int count = 0; // its fields
    int start = 0; // its first column, from 0
    int width = 0;
};

std::vector<DigitRun> digitRuns(const ProposedLineType &type);

// A run's digits on an analysed line of its line type (its fields read as NUMERO or TEXTO):
// false when one of its fields does not hold its width of digits there.
bool runDigits(const formats::LineAnalyzer &analyzer, const DigitRun &run, std::string &digits);

// A run and the numbers found in it.
struct RunSplit {
    DigitRun run;
    std::vector<SideBySide::Part> parts;
};

// A line type's fields with its runs cut at their numbers: each number a NUMERO of its own;
// the columns between two of them one NUMERO (of at most 18 digits); the others the pieces of
// the fields that held them. Returns, per field before the cut, its index after it (-1 when
// it is no longer a field of its own, or is now one of the numbers); *partFields gets,
// per run and number, its field's index. Fields are described again by their numbers.
std::vector<int> splitRuns(ProposedLineType &type, const std::vector<RunSplit> &splits,
                           std::vector<std::vector<int>> *partFields);

} // namespace velkora::proposal::detail
