#pragma once

#include <QString>
#include <QVariant>

namespace velkora::store {

// Settings and module options live in the host's database, so everyone working on one
// database shares them: table Velkora_Configuracion (Cf_Nombre, Cf_Valor) and table
// Velkora_Opcion_Modulo (Om_Modulo, Om_Codigo, Om_Valor). Every failure raises
// kesta::host::RuntimeError.

// The setting that holds the format of a load format's key: each "0" a digit place ("0000" shows
// the key 12 as "0012"), an empty value leaves keys as typed. Read by the screen's key box and
// by the shell's save of a proposal.
inline constexpr const char *KeyFormatSetting = "FTO_LAYOUT";

// The setting's text; a null QVariant when the setting does not exist or holds NULL.
QVariant readSetting(const QString &connectionName, const QString &name);
// Creates or replaces a setting (a null value stores NULL).
void writeSetting(const QString &connectionName, const QString &name, const QVariant &value);

// A user's own settings live beside the shared ones, in Velkora_Configuracion, under the
// setting's name followed by ":" and the operator code (see userSettingName). Their values are
// kept percent-encoded (UTF-8), so that every engine, SQL Server's VARCHAR included, gives back
// exactly the text written; a value whose stored form does not fit the column (255 characters)
// is not written, and the call returns false.
inline constexpr int SettingNameLength = 50;
inline constexpr int SettingValueLength = 255;
// "ULTIMA_CARPETA:juan": the name under which the operator's own value of a setting is kept.
// The operator code is percent-encoded; one too long for the name column keeps its start and
// a digest of the whole code, so that two operators never share a name.
QString userSettingName(const QString &name, const QString &operatorCode);
// The operator's own value of the setting; an empty text when none was written.
QString readUserSetting(const QString &connectionName, const QString &operatorCode,
                        const QString &name);
bool writeUserSetting(const QString &connectionName, const QString &operatorCode,
                      const QString &name, const QString &value);

// The module option's integer; 0 when the option does not exist.
int readModuleOption(const QString &connectionName, const QString &module, const QString &code);
void writeModuleOption(const QString &connectionName, const QString &module, const QString &code,
                       int value);

} // namespace velkora::store
