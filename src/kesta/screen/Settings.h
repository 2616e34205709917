#pragma once

#include "store/Settings.h"

#include <QString>
#include <QVariant>

namespace kesta::screen {

// The host settings and the module option that the screen reads, by name.
namespace Setting {
inline const QString KeyFormat = QString::fromLatin1(velkora::store::KeyFormatSetting);
inline const QString ForceUppercase = QStringLiteral("CAT_FORZAR_MAYUSCULAS");
inline const QString AutomaticKey = QStringLiteral("CAT_AUTOCLAVE");
} // namespace Setting
namespace ModuleOption {
inline const QString Module = QStringLiteral("KESTA");
inline const QString KeyEditable = QStringLiteral("CAT001");
inline const QString Unavailable = QStringLiteral("No disponible");
} // namespace ModuleOption

// Converts a setting's value to a Boolean the way the host's settings are written:
// - a Boolean is itself; a number is true when it is not 0;
// - a text is trimmed and then read as "True"/"False" or "SI"/"NO" (any case), or as a number
//   (decimal, or hexadecimal/octal with the prefixes &H/&O) that is true when not 0;
// - a null value (the setting does not exist) and an empty text are false: a setting that is
//   not configured switches nothing on;
// - anything else cannot be converted and raises host::RuntimeError ("Type mismatch ...")
//   naming the setting and the value.
bool settingToBoolean(const QString &settingName, const QVariant &value);

} // namespace kesta::screen
