#pragma once

#include "Proposal.h"

#include <vector>

namespace velkora::proposal::detail {

// The rules of the line types themselves that the lines of a file keep: a header and a trailer
// (PRIMERA, ULTIMA, VECES 1), the one length of a line type's lines (LONGITUD) and the one line
// type its lines follow (TRAS). Fed every line in the file's order; keeps no line.
class LineTypeRules {
public:
    explicit LineTypeRules(const Proposal &proposal);

    void emptyLine() { m_previous = -1; }
    // A line with text: its line type (-1: none) and its length in characters.
    void line(int type, qsizetype characters);

    qint64 lines(int type) const { return m_types[size_t(type)].lines; }
    // The rules of the line type, in the order they are numbered.
    QList<ProposedRule> rules(int type) const;

private:
    struct TypeSeen {
        qint64 lines = 0;
        qsizetype shortest = -1;
        qsizetype longest = 0;
        int after = -2; // the one line type its lines follow; -2 none yet, -1 not one
    };

    const Proposal &m_proposal;
    std::vector<TypeSeen> m_types;
    qint64 m_lines = 0;  // typed lines
    int m_previous = -3; // the previous line's type: -3 none yet, -1 none
    int m_first = -2;    // the first line with text's type: -2 none yet
    int m_last = -1;
};

} // namespace velkora::proposal::detail
