#pragma once

#include <QStringList>

namespace velkora::formats {

// One line of help per rule word, as the rules dialog offers it ("SUMA t.f: ..."), in the
// order of docs/rules.md.
QStringList ruleWordHelp();

} // namespace velkora::formats
