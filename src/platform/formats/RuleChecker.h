#pragma once

#include "RuleSet.h"
#include "ScanResult.h"

#include <vector>

namespace velkora::formats {

class CompiledFormat;

// Checks the rules across lines (VECES, PRIMERA, ULTIMA, TRAS, CUENTA, SUMA, SECUENCIA and
// SECUENCIA LINEA) on the records of a file's parts, given in reading order: counts and sums
// are running totals, so no line is kept beyond its part. Lines are taken in the order in
// which they are read (from the last to the first for a reverse reading).
class RuleChecker {
public:
    explicit RuleChecker(const CompiledFormat &format, int listLimit);

    // Checks the lines of a part that comes right after those checked so far: its broken
    // rules are added to the part (its lists kept in line order), and its records emptied.
    void check(ScanResult &part);
    // What only the end of the file tells (ULTIMA, too few lines for VECES), added to the
    // whole result once every part has been checked and appended.
    void finish(ScanResult &whole);

private:
    struct Total {
        qint64 count = 0;
        __int128 sum = 0;
        qint64 previous = NoValue; // SECUENCIA
        int targetSlot = -1;
        int sumSlot = -1;
    };
    FieldError error(qint64 line, int lineType, int field, int rule) const;
    void add(FieldError e, ScanResult &to, bool &inError, std::vector<FieldError> &found);

    const CompiledFormat &m_format;
    const RuleSet &m_rules;
    int m_listLimit;
    qint64 m_line = 0;    // reading index of the next line
    int m_previous = -2;  // the previous line's type: -2 none yet, -1 no line type
    bool m_seenText = false;
    qint64 m_lastText = -1; // the last line with text, and its line type
    int m_lastType = -1;
    std::vector<qint64> m_times; // lines of each line type so far
    std::vector<Total> m_totals; // per running rule
    // Per line type, what its lines do to the running rules: the rules checked on them, the
    // counts they add to, the sums they add a value to, and the totals they start again.
    struct Actions {
        std::vector<int> checked;
        std::vector<int> counted;
        std::vector<int> summed;
        std::vector<int> restarted;
    };
    std::vector<Actions> m_actions;
};

} // namespace velkora::formats
