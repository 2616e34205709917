#pragma once

#include "IdSample.h"

#include <vector>

namespace velkora::proposal::detail {

// Lines enough for what a group's columns hold on every line to tell its layout, not chance.
inline constexpr qint64 ReliableLines = 20;
// Fewer lines than this (a header, a trailer) are too few to say that a group has another's
// layout.
inline constexpr qint64 FewLines = 5;

// What a group of sampled lines holds column by column: how many of its lines hold each digit,
// a letter, a blank (or nothing) or a sign there (by ShapeSymbol).
struct GroupLayout {
    qint64 lines = 0;
    std::vector<int> counts; // width x ShapeSymbols

    int count(int column, int symbol) const
    {
        return counts[size_t(column) * ShapeSymbols + size_t(symbol)];
    }
    int digits(int column) const;
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

// Whether two groups have the same layout: they differ in fewer than one in five of the
// columns where either holds text (and in fewer than two). Columns are told apart by digits,
// words (letters and blanks: where one text ends and another goes on is no layout) and signs,
// and, in a group of 20 lines or more, by a digit that stands there on all its lines but 1 %
// (a code, the zeros that pad a number); where a group holds one of these on all its lines but
// 1 %, the column differs by the share of the other group's lines that hold something else.
// Another layout puts other fields in other places; a field whose content follows a code (a
// reason where others hold zeros, an employee's name where others hold a customer's number) is
// no other layout.
bool sameLayout(const GroupLayout &a, const GroupLayout &b);

} // namespace velkora::proposal::detail
