#include "LayoutFinding.h"

namespace velkora::formats {

QString findingKindName(LayoutFinding::Kind kind)
{
    switch (kind) {
    case LayoutFinding::Kind::Definition:
        return QStringLiteral("definition");
    case LayoutFinding::Kind::Overlap:
        return QStringLiteral("overlap");
    case LayoutFinding::Kind::Shadow:
        return QStringLiteral("shadow");
    case LayoutFinding::Kind::Prefix:
        return QStringLiteral("prefix");
    case LayoutFinding::Kind::Gap:
        return QStringLiteral("gap");
    case LayoutFinding::Kind::Beyond:
        return QStringLiteral("beyond");
    case LayoutFinding::Kind::Rule:
        return QStringLiteral("rule");
    }
    return {};
}

} // namespace velkora::formats
