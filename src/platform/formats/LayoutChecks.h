#pragma once

#include "LayoutFinding.h"

namespace velkora::formats {

class CompiledFormat;
struct ScanResult;

// Fields of one line type that take the same columns: each field that overlaps an earlier one
// (in column order) is reported once, with the earlier field that reaches furthest.
QList<LayoutFinding> overlappingFields(const CompiledFormat &format);

// Line types whose IDs shadow each other at the same position: equal IDs, or an ID that is a
// prefix of a longer one (every line of the longer one then also carries the shorter one).
QList<LayoutFinding> shadowingIds(const CompiledFormat &format);

// What the file shows of the layout: columns between or after the fields that hold text, and
// fields that end past the longest line of their line type (of the file, for a line type
// without lines). Line numbers are the file's own (the result's, already numbered).
QList<LayoutFinding> fileFindings(const CompiledFormat &format, const ScanResult &result);

} // namespace velkora::formats
