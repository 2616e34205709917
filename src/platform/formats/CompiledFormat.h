#pragma once

#include "DateFormat.h"
#include "LayoutFinding.h"
#include "LineIdTable.h"
#include "LoadFormat.h"
#include "NumberFormat.h"
#include "RuleSet.h"

#include <vector>

namespace velkora::formats {

// One field definition made ready for reading: its type, its columns (counted from 0) and its
// format compiled once.
struct CompiledField {
    FieldType type = FieldType::Texto; // an unknown type code reads as TEXTO
    int start = 0;                     // first character, from 0
    int length = 0;
    bool trim = false;
    bool readsText = true; // false for CONSTANTE, which takes Ld_Valor instead
    bool usable = true;    // false when the position or length cannot be read
    bool optional = false; // OPCIONAL: blank (zeros for NUMERO and Fecha) is an empty value
    NumberFormat number;
    DateFormat date;
    // The commonDateFormats() other than its own (bit k for the k-th), tried on a Fecha
    // field in error to tell whether its values are in another format.
    quint32 otherDates = 0;
    QString definitionError; // why the field cannot be read (bad format, position...)
};

// One place where line IDs stand: its characters and the IDs found there.
struct IdProbe {
    int start = 0; // from 0
    int length = 0;
    LineIdTable ids;
};

struct CompiledLineType {
    int probe = -1;  // the IdProbe of its ID; -1 when it can recognise no line
    QByteArray id;   // its ID as matched: UTF-8, blank-padded to the ID's length
    int idStart = 0; // the ID's characters, from 0
    int idLength = 0;
    std::vector<CompiledField> fields;
    // Where its last field read from the file ends (columns from 0, end excluded; 0 without
    // such a field): a line shorter than that misses some of its fields.
    int end = 0;
    // Columns that no field (nor the ID) reads: [from, to) from 0; to -1 means to the end of
    // the line.
    std::vector<std::pair<int, int>> gaps;
};

// A load format compiled for reading files: line-ID tables, fields with their formats,
// gaps, and what is wrong with the definition itself.
class CompiledFormat {
public:
    explicit CompiledFormat(LoadFormat format);

    const LoadFormat &format() const { return m_format; }
    const LineType &lineType(int type) const { return m_format.lineTypes.at(type); }
    const FieldDef &field(int type, int field) const
    {
        return m_format.lineTypes.at(type).fields.at(field);
    }
    const std::vector<CompiledLineType> &lineTypes() const { return m_types; }
    const std::vector<IdProbe> &probes() const { return m_probes; }
    // A format with a single line type whose ID is empty takes every line.
    bool takesEveryLine() const { return m_takesEveryLine; }
    int maxFields() const { return m_maxFields; }
    int maxGaps() const { return m_maxGaps; }
    // Definition problems, overlapping fields, shadowing IDs and rules that cannot be used:
    // what can be said without reading the file.
    const QList<LayoutFinding> &findings() const { return m_findings; }
    const RuleSet &rules() const { return m_rules; }
    // Of two line types whose IDs both match a line, the one whose longer ID at the same
    // column begins with the other's wins: whether `type` loses so to `other`.
    bool losesTo(int type, int other) const
    {
        const CompiledLineType &a = m_types[size_t(type)];
        const CompiledLineType &b = m_types[size_t(other)];
        return a.probe >= 0 && b.probe >= 0 && a.idStart == b.idStart && a.idLength < b.idLength &&
               b.id.startsWith(a.id);
    }
    // Whether some ID begins a longer one at the same column.
    bool hasPrefixIds() const { return m_hasPrefixIds; }

private:
    void compileLineType(int index);
    void compileId(int index);
    CompiledField compileField(const QString &order, const FieldDef &f);
    void compileGaps(CompiledLineType &type) const;

    LoadFormat m_format;
    std::vector<CompiledLineType> m_types;
    std::vector<IdProbe> m_probes;
    bool m_takesEveryLine = false;
    bool m_hasPrefixIds = false;
    RuleSet m_rules;
    int m_maxFields = 0;
    int m_maxGaps = 0;
    QList<LayoutFinding> m_findings;
};

} // namespace velkora::formats
