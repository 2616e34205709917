#pragma once

// What the message files share: the styles, the titles and texts used by many messages, and
// the one way a message is made.

#include "Messages.h"

#include "host/CoreServices.h"

namespace kesta::messages::parts {

using host::MessageStyle::Critical;
using host::MessageStyle::Information;
using host::MessageStyle::Question;
using host::MessageStyle::SecondButtonDefault;
using host::MessageStyle::Warning;

inline const QString Atencion = QStringLiteral("Atención");
inline const QString ValidarDetalle = QStringLiteral("Validar detalle");
inline const QString Velkora = QStringLiteral("Velkora");
inline const QString Error = QStringLiteral("ERROR");
inline const QString NewLine = QStringLiteral("\r\n");
inline const QString Proponer = QStringLiteral("Proponer desde archivo");
// The largest position or length, as a clerk reads it.
inline const QString MaxPositionText = QStringLiteral("2.147.483.647");
// Notes have no box: style 0, and where they are shown for a title.
inline constexpr int Note = 0;
inline const QString StatusBar = QStringLiteral("Barra de estado");
inline const QString BesideTheKey = QStringLiteral("Junto a la clave");

inline Message make(const QString &id, const QString &text, int style, const QString &title)
{
    return Message{id, text, style, title};
}

} // namespace kesta::messages::parts
