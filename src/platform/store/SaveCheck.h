#pragma once

#include "Statements.h"
#include "host/Connection.h"

#include <QList>
#include <optional>

namespace velkora::store {

// What a save would write that its column cannot hold, found before anything is written.
// The screen and the command line each turn it into their own message.
struct SaveProblem {
    enum class Place { Header, Line, Field };
    enum class Code {
        TextTooLong,         // length, maxLength
        UnstorableCharacter, // character
        NotANumber,          // value
        NumberDoesNotFit,    // value (16 whole digits and 4 decimals at most)
        KeysCollide,         // value and otherValue are one key on SQL Server
    };
    Place place = Place::Header;
    QString column; // the column's name, e.g. "Ly_Archivo"
    int row = -1;   // the line grid's row or the field store's row
    Code code = Code::TextTooLong;
    QString what;       // how the user knows the value: "Descripción", "Línea 0002, Id"
    QString value;      // the value as entered (the first of the two keys that collide)
    QString otherValue; // the second of the two keys that collide
    qsizetype length = 0;
    int maxLength = 0;
    int character = 0; // the UTF-16 code of the character that cannot be stored
};

// Checks every value of the rows a save would write against its column: texts no longer than
// the column (never cut, never left to a driver error), numbers that are plain numbers and fit
// their columns. The first problem found, in the order of the rows and their columns.
//
// On SQL Server, whose keys do not tell upper from lower case nor count blanks at the end,
// two line numbers (Ly_ID) that differ only so, or two field IDs (Ld_ID) of one line that do,
// would be one key: the second of them is refused.
std::optional<SaveProblem> checkSaveRows(kesta::host::Engine engine,
                                         const QList<LayoutLineValues> &lines,
                                         const QList<LayoutFieldValues> &fields);

} // namespace velkora::store
