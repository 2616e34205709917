#pragma once

#include "IdSample.h"

#include <vector>

namespace velkora::proposal::detail {

// Where the data records of a file whose labels carry a code at the start, and whose data
// records carry none there (they start with a sort code), are told apart: `isData` marks those
// records among the sample's lines. The place must give every data record a value (at most
// MaxIdValues of them), none of which any other line holds there, and its values must not vary
// within one shape (two values of one layout whose lines follow each other both ways). Of
// such places, the first that tells two record types apart (a transaction code "99" beside
// its contra "17"), widened over the columns beside it that change too (the whole code, not
// its last digit); else the first that gives them one value. False when no place does.
bool findDataRecordPlace(const IdSample &sample, const std::vector<char> &isData, IdPlace *place);

} // namespace velkora::proposal::detail
