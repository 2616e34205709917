#pragma once

#include "host/Connection.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace velkora::store {

// One stored load format as the list of formats shows it: its key, the header's description,
// whether it is deactivated, and its last change (the latest of its audit stamps: created,
// changed, deactivated).
struct StoredKey {
    QString key;
    QString description;
    bool deactivated = false;
    QDateTime lastChange; // invalid when no stamp was recorded
};

// The statement that lists the stored keys, one row per key (its Layout rows carry the same
// header), in the order of the keys.
QString keyListSelect(kesta::host::Engine engine);

// The stored keys, read on the connection. A failing statement raises kesta::host::RuntimeError.
QList<StoredKey> readKeyList(kesta::host::Connection &connection);

// A stamp as a column gives it: a date and time value, or its text ("2026-12-06 10:30:15",
// "2026-12-06T10:30:15", "20261206"); invalid for NULL or a text that reads as none.
QDateTime stampOf(const QVariant &value);

} // namespace velkora::store
