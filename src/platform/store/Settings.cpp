#include "Settings.h"

#include "SqlSupport.h"
#include "host/RuntimeError.h"

#include <QCryptographicHash>
#include <QSqlQuery>
#include <QUrl>

using kesta::host::RuntimeError;

namespace velkora::store {

QVariant readSetting(const QString &connectionName, const QString &name)
{
    QSqlQuery query(openedDatabase(connectionName));
    query.setForwardOnly(true);
    prepare(query,
            QStringLiteral("SELECT Cf_Valor FROM Velkora_Configuracion WHERE Cf_Nombre = ?"));
    query.addBindValue(name);
    execute(query, QStringLiteral("Reading the setting %1").arg(name));
    if (!query.next())
        return {};
    const QVariant value = query.value(0);
    if (value.isNull())
        return {};
    return value.toString();
}

void writeSetting(const QString &connectionName, const QString &name, const QVariant &value)
{
    QSqlDatabase db = openedDatabase(connectionName);
    const QVariant text =
        value.isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(value.toString());
    QSqlQuery update(db);
    prepare(update,
            QStringLiteral("UPDATE Velkora_Configuracion SET Cf_Valor = ? WHERE Cf_Nombre = ?"));
    update.addBindValue(text);
    update.addBindValue(name);
    execute(update, QStringLiteral("Writing the setting %1").arg(name));
    if (update.numRowsAffected() > 0)
        return;
    QSqlQuery insert(db);
    prepare(insert, QStringLiteral(
                        "INSERT INTO Velkora_Configuracion (Cf_Nombre, Cf_Valor) VALUES (?, ?)"));
    insert.addBindValue(name);
    insert.addBindValue(text);
    execute(insert, QStringLiteral("Writing the setting %1").arg(name));
}

namespace {

// Characters kept as they are in a stored user value: a folder stays readable in the table.
const QByteArray KeptAsTyped = QByteArrayLiteral("/\\:. _-~()");

QString encoded(const QString &text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text, KeptAsTyped));
}

} // namespace

QString userSettingName(const QString &name, const QString &operatorCode)
{
    const QString full = name + QLatin1Char(':') + encoded(operatorCode);
    if (full.size() <= SettingNameLength)
        return full;
    const QString digest = QString::fromLatin1(
        QCryptographicHash::hash(operatorCode.toUtf8(), QCryptographicHash::Sha1).toHex().left(8));
    return full.left(SettingNameLength - digest.size() - 1) + QLatin1Char('~') + digest;
}

QString readUserSetting(const QString &connectionName, const QString &operatorCode,
                        const QString &name)
{
    const QVariant stored = readSetting(connectionName, userSettingName(name, operatorCode));
    return stored.isNull() ? QString() : QUrl::fromPercentEncoding(stored.toString().toUtf8());
}

bool writeUserSetting(const QString &connectionName, const QString &operatorCode,
                      const QString &name, const QString &value)
{
    const QString stored = encoded(value);
    if (stored.size() > SettingValueLength)
        return false;
    writeSetting(connectionName, userSettingName(name, operatorCode), stored);
    return true;
}

int readModuleOption(const QString &connectionName, const QString &module, const QString &code)
{
    QSqlQuery query(openedDatabase(connectionName));
    query.setForwardOnly(true);
    prepare(query, QStringLiteral("SELECT Om_Valor FROM Velkora_Opcion_Modulo WHERE Om_Modulo = ? "
                                  "AND Om_Codigo = ?"));
    query.addBindValue(module);
    query.addBindValue(code);
    const QString what = QStringLiteral("Reading the option %1 of module %2").arg(code, module);
    execute(query, what);
    if (!query.next() || query.value(0).isNull())
        return 0;
    bool ok = false;
    const int value = query.value(0).toInt(&ok);
    if (!ok)
        throw RuntimeError(QStringLiteral("%1: the stored value '%2' is not a whole number.")
                               .arg(what, query.value(0).toString()));
    return value;
}

void writeModuleOption(const QString &connectionName, const QString &module, const QString &code,
                       int value)
{
    QSqlDatabase db = openedDatabase(connectionName);
    const QString what = QStringLiteral("Writing the option %1 of module %2").arg(code, module);
    QSqlQuery update(db);
    prepare(update,
            QStringLiteral("UPDATE Velkora_Opcion_Modulo SET Om_Valor = ? WHERE Om_Modulo = ? "
                           "AND Om_Codigo = ?"));
    update.addBindValue(value);
    update.addBindValue(module);
    update.addBindValue(code);
    execute(update, what);
    if (update.numRowsAffected() > 0)
        return;
    QSqlQuery insert(db);
    prepare(insert,
            QStringLiteral("INSERT INTO Velkora_Opcion_Modulo (Om_Modulo, Om_Codigo, Om_Valor) "
                           "VALUES (?, ?, ?)"));
    insert.addBindValue(module);
    insert.addBindValue(code);
    insert.addBindValue(value);
    execute(insert, what);
}

} // namespace velkora::store
