#pragma once

#include "LineRules.h"
#include "RuleChecker.h"
#include "RuleTrack.h"
#include "ScanResult.h"

#include <utility>
#include <vector>

namespace velkora::formats {

class CompiledFormat;
class LineAnalyzer;

// The load format's rules on the lines of a file taken one after the other in reading order,
// on one thread, as an index of the file reads them: the same checks as the test's (LineRules,
// RuleTrack and RuleChecker), a part of lines at a time. Only the broken rules come out (take());
// nothing is kept of the lines that keep them. Does nothing for a format without rules.
class IndexRules {
public:
    explicit IndexRules(const CompiledFormat &format);

    bool active() const { return m_active; }
    // The next line read (null analyzer: an empty line).
    void line(const LineAnalyzer *analyzer);
    // A last record shorter than the REGISTRO length, at the line just read.
    void shortRecord(qsizetype characters);
    // Whether broken rules wait to be taken.
    bool found() const { return !m_found.empty(); }
    // The broken rules found and not yet taken, in line order (lines by reading index). Checks
    // that wait for the lines before their part are decided a part at a time, or by flush().
    std::vector<FieldError> take() { return std::exchange(m_found, {}); }
    // Decides every check that waits, after the last line read (then take()).
    void flush() { closePart(); }
    // What only the end of the file tells (ULTIMA, too few lines for VECES), once every line
    // has been given and flushed: its errors, apart, since a reading cut short never gets them.
    std::vector<FieldError> finish();

private:
    void closePart();
    void openPart();

    const CompiledFormat &m_format;
    bool m_active;
    bool m_acrossLines;
    bool m_lineRules;
    LineRules m_rules;
    RuleTrack m_track;
    RuleChecker m_checker;
    ScanResult m_part;
    qint64 m_partStart = 0; // reading index of the part's first line
    std::vector<FieldError> m_found;
};

} // namespace velkora::formats
