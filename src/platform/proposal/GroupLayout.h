#pragma once

#include "IdSample.h"

#include <vector>

namespace velkora::proposal::detail {

// What a group of sampled lines holds column by column: how many of its lines hold a digit,
// a letter, a blank (or nothing) or a sign there.
struct GroupLayout {
    qint64 lines = 0;
    std::vector<int> counts; // width x 4, by ClassIndex

    // The class that every line of the group holds in the column, but for tolerated(lines)
    // of them; -1 when none does.
    int pure(int column) const;
};

// The layouts of the groups of lines: labels[i] is the group of the sample's line lines[i]
// (from 0; -1 for none).
std::vector<GroupLayout> groupLayouts(const IdSample &sample, const std::vector<int> &lines,
                                      const std::vector<int> &labels, int groups);

// The bits that describe the group's lines in a two-part code: for each column, whether its
// lines hold a digit there (the entropy times the lines, half a log of the lines for a column
// that holds both, and a bit for the column). Digits against the rest is what tells record
// layouts apart; letters against blanks tells one name from another.
double layoutBits(const GroupLayout &group);

// Whether two groups have the same layout: they differ in fewer than one in ten of the columns
// where either holds text (and in fewer than two). A column differs when each group holds one
// class there on all its lines (but for tolerated ones), the classes differ and one of them is
// digits or signs: letters against blanks is where one text ends and another goes on (a fixed
// text per code is not another layout), and an optional part that some records fill (a reason
// code where others hold zeros) is not either.
bool sameLayout(const GroupLayout &a, const GroupLayout &b);

} // namespace velkora::proposal::detail
