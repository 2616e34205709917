#pragma once

#include "LoadFormat.h"
#include "RuleParser.h"

#include <QString>
#include <optional>

namespace velkora::formats {

// The kind of field a rule of a kind reads: any, a NUMERO, or a NUMERO or a Fecha.
enum class FieldWanted { Any, Number, NumberOrDate };

// Where a rule of a kind may stand: on the file, a line type or a field (and which fields), and
// whether only one rule of the kind applies in one place.
struct RulePlacement {
    RuleScope scope = RuleScope::Field;
    FieldWanted field = FieldWanted::Any;
    bool oncePerPlace = false;
};

RulePlacement rulePlacement(RuleKind kind);

// Where a rule stands, as its line type and field columns say: both empty is the file, a line
// type alone the line type, both a field.
RuleScope givenScope(const QString &lineType, const QString &field);

// A rule where its kind does not go: where it goes and where it is, as the messages name them
// ("un tipo de línea (sin campo)", "un campo NUMERO"); `wrongScope` when the line type or field
// column is to be corrected rather than the field chosen.
struct Misplacement {
    QString wanted;
    QString given;
    bool wrongScope = false;
};

// Whether a rule of `kind` may stand at `given`; a field's rule is then checked on its field.
std::optional<Misplacement> misplacedScope(RuleKind kind, RuleScope given);
// Whether a field's rule of `kind` may stand on a field of `type` (that reads as defined when
// `readable`).
std::optional<Misplacement> misplacedField(RuleKind kind, FieldType type, bool readable);

} // namespace velkora::formats
