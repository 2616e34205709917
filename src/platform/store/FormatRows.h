#pragma once

#include "FormatSave.h"
#include "formats/LoadFormat.h"

#include <QString>

namespace velkora::store {

// The header's values that a load format value does not hold: the user's data, Ly_UserDef_1 to
// Ly_UserDef_6, as the save writes them.
struct HeaderData {
    QString user1;
    QString user2;
    QString user3 = QStringLiteral("0.0000");
    QString user4 = QStringLiteral("0.0000");
    QString date5; // the engine's date text
    QString date6;
};

// The rows that store a load format value under its key, as the screen's save writes them: one
// Layout row per line type with the header's values, one Layout_Detalle row per field and, when
// withRules, one Layout_Regla row per rule (without, the table of rules is left alone). A line
// type without an ID (a file of one kind of line) is stored at position 1, length 1, as the
// screen's line edit enters it; the test takes every line either way.
SaveRequest saveRequestOf(const velkora::formats::LoadFormat &format, const HeaderData &header,
                          LoadFormatWriter::Format writeAs, bool withRules);

// The load format that a save of the request stores, as the reader gives it back: line types in
// the order of their numbers and each one's fields in the order of theirs, numbers in their
// four-digit form, positions and lengths as numbers (0 for a text that is none), the rules
// when the request carries them. rulesAvailable: the database keeps rules (a save then leaves
// the key the request's rules, or none). Nothing is read from the database: a test of the
// screen's format before it is saved reads exactly what the save would write.
velkora::formats::LoadFormat formatOfRequest(const SaveRequest &request, bool rulesAvailable);

} // namespace velkora::store
