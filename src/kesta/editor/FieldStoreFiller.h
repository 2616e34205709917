#pragma once

#include <QString>

namespace kesta::editor {

// The load's sequence number as the store's Id column shows it: at least four digits with
// leading zeros ("0000", "0010", ...); never cut ("10000").
QString sequenceText(qint64 sequence);

} // namespace kesta::editor
