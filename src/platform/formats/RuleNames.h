#pragma once

#include "RuleParser.h"

#include <QPair>
#include <QStringList>

namespace velkora::formats {

// Every line type a rule's text names, as written: TRAS's and PREVALECE's lists, DESDE, and
// the line types of CUENTA's, SUMA's and IGUAL's terms and of their conditions. For the
// checks that a rule still names the line types it was written for.
QStringList namedLineTypes(const ParsedRule &rule);
// The fields (t.f) that SUMA and IGUAL read, as written.
QList<QPair<QString, QString>> readFields(const ParsedRule &rule);

} // namespace velkora::formats
