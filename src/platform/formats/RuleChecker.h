#pragma once

#include "RuleSet.h"
#include "ScanResult.h"

#include <optional>
#include <vector>

namespace velkora::formats {

class CompiledFormat;

// Finishes the rules across lines on the parts of a file, given in reading order: the checks
// that each part left waiting for the lines before it (RuleTrack.h) are decided with the
// running totals of the parts before, PRIMERA on the first line with text, and at the end
// ULTIMA and too few lines for VECES. Lines are taken in the order in which they are read (from
// the last to the first for a reverse reading).
class RuleChecker {
public:
    explicit RuleChecker(const CompiledFormat &format, int listLimit);

    // Finishes a part that comes right after those checked so far: its broken rules are added
    // to it (its lists kept in line order).
    void check(ScanResult &part);
    // What only the end of the file tells, added to the whole result once every part has been
    // checked and appended.
    void finish(ScanResult &whole);

private:
    struct Total {
        TermValues terms;
        qint64 previous = NoValue; // SECUENCIA
    };
    // The values of a rule's terms at a check that waited: the parts' before it, and the
    // part's own up to the check.
    TermValues valuesAt(const RuleSet::Running &rule, const PendingCheck &check) const;
    FieldError error(qint64 line, int lineType, int field, int rule) const;
    void checkFirstLine(ScanResult &part, std::vector<FieldError> &found);
    std::optional<FieldError> decide(const PendingCheck &check) const;
    void absorb(const ScanResult &part);
    void mergeErrors(ScanResult &to, std::vector<FieldError> &found) const;
    // Counts a broken rule of the file's first or last line (PRIMERA, ULTIMA, too few lines
    // for VECES) on the line's own type, `lineType` (-1: a line of no type).
    void countOnLine(const FieldError &error, int lineType, ScanResult &out, bool &inError) const;

    const CompiledFormat &m_format;
    const RuleSet &m_rules;
    int m_listLimit;
    qint64 m_line = 0;   // reading index of the next line
    int m_previous = -2; // the previous line's type: -2 none yet, -1 no line type
    bool m_seenText = false;
    qint64 m_lastText = -1; // the last line with text, and its line type
    int m_lastType = -1;
    std::vector<qint64> m_times; // lines of each line type so far
    std::vector<Total> m_totals; // per running rule
};

} // namespace velkora::formats
