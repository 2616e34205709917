#pragma once

#include "ProposalInternal.h"

#include <vector>

namespace velkora::proposal::detail {

// Sorts lines into line types by the IDs chosen (IdScheme): a line's value at the first place
// names its line type or, for a value told apart by a second place, its value there does; in
// a file of labels and data records, a line without a label's code there is named by its
// value at the data records' place.
// Line types are numbered in order of first appearance, at most MaxLineTypes; a line whose ID
// is missing, blank, or new once there are that many fits none.
class LineTyper {
public:
    explicit LineTyper(IdScheme scheme) : m_scheme(std::move(scheme)) {}

    struct Type {
        IdPlace place;       // where its ID stands; start -1: every line (one kind of line)
        quint64 key = 0;     // its ID
        quint64 record = 0;  // for an ID at a second place, the value at the first place
        IdPlace recordPlace; // and that place
        int split = -1;      // index in IdScheme::splits, -1 at the first place, DataRecord
    };
    // The `split` of a line type whose ID stands at IdScheme::dataPlace.
    static constexpr int DataRecord = -2;

    // The line type of a line, or -1.
    int typeOf(const char *p, qsizetype n);
    const std::vector<Type> &types() const { return m_types; }
    const IdScheme &scheme() const { return m_scheme; }

private:
    int find(int split, quint64 key, quint64 record, IdPlace place);

    IdScheme m_scheme;
    std::vector<Type> m_types;
    int m_lastHit = -1;
    DecodedLine m_scratch;
};

} // namespace velkora::proposal::detail
