#pragma once

#include <QString>
#include <QVariant>

namespace velkora::services {

// Settings and module options live in the host's database, so everyone working on one
// database shares them: table Velkora_Configuracion (Cf_Nombre, Cf_Valor) and table
// Velkora_Opcion_Modulo (Om_Modulo, Om_Codigo, Om_Valor). Every failure raises
// kesta::host::RuntimeError.

// The setting's text; a null QVariant when the setting does not exist or holds NULL.
QVariant readSetting(const QString &connectionName, const QString &name);
// Creates or replaces a setting (a null value stores NULL).
void writeSetting(const QString &connectionName, const QString &name, const QVariant &value);

// The module option's integer; 0 when the option does not exist.
int readModuleOption(const QString &connectionName, const QString &module, const QString &code);
void writeModuleOption(const QString &connectionName, const QString &module, const QString &code,
                       int value);

} // namespace velkora::services
