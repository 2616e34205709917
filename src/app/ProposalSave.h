#pragma once

#include "proposal/Proposal.h"

#include <QString>

namespace velkora::app {

// Stores a proposal as a new load format (velkora propose FILE --key KEY --save) with the
// screen's own save (store::FormatSave): the same checks, statements, columns and
// literal forms as the screen's save of a new format, in one transaction. The rows are those
// the screen would write for the proposal entered on it: line orders and field numbers "0001"...,
// "SI"/"NO", state "AC", the header's description and file, today's date in the two user dates,
// "0.0000" in the two user numbers, the stamp and the operator.
struct SaveOutcome {
    enum Status {
        Saved,
        InvalidKey, // empty, too long or with a character that cannot be stored
        KeyTaken,   // a load format has the key already: nothing is written
        Refused,    // the screen's save would refuse it (a value its column cannot hold...)
        Failed,     // the database failed; nothing is kept
    };
    Status status = Failed;
    QString key;     // the key as stored (upper case, under the key format: "42" is "0042")
    QString message; // why it was not saved, or what was saved
};

SaveOutcome saveProposal(const QString &connectionName, const QString &typedKey,
                         const proposal::Proposal &proposal, const QString &operatorCode);

// The key as the screen's key box gives it: blanks around dropped, upper case, and a whole
// number under the key format (the setting FTO_LAYOUT, "0000" when it is not set).
QString storedKey(const QString &connectionName, const QString &typedKey);

} // namespace velkora::app
