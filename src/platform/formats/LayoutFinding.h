#pragma once

#include <QList>
#include <QString>

namespace velkora::formats {

// One observation on a load format's layout, reported before the lines of a test.
struct LayoutFinding {
    enum class Kind {
        Definition, // a line type or field that cannot be read as defined
        Overlap,    // two fields of one line type take the same columns
        Shadow,     // a line type's ID also marks the lines of another (equal IDs)
        Prefix,     // an ID begins a longer one at the same column: the longer one wins
        Gap,        // columns that no field reads hold text in the file
        Beyond,     // a field ends past the longest line of its line type
        Rule,       // a rule that cannot be read or names what does not exist; no rules
    };
    Kind kind = Kind::Definition;
    QString lineType; // Ly_ID, empty for the whole format
    QString field;    // Ld_ID, empty for the whole line type
    QString message;
};

// "definition", "overlap", "shadow", "prefix", "gap", "beyond", "rule" (the JSON result's kinds).
QString findingKindName(LayoutFinding::Kind kind);

} // namespace velkora::formats
