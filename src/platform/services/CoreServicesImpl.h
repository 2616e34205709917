#pragma once

#include "host/CoreServices.h"

#include <QString>

namespace velkora::services {

// The host's CoreServices over a named Qt SQL connection.
// - Connection(): a new SqlConnection on the named connection for every call; nothing is held.
// - ShowMessage(): a modal MessageBox owned by the owner's window.
// - GetSetting / GetModuleOption: the tables Velkora_Configuracion and Velkora_Opcion_Modulo of
//   that database (see Settings.h); the extra arguments of both are accepted and not used.
// - SetForceUppercase: the controls' upper-case forcing.
class CoreServicesImpl : public kesta::host::CoreServices {
public:
    CoreServicesImpl(QString connectionName, QString operatorCode);

    kesta::host::ConnectionPtr Connection() override;
    QString CurrentOperator() override;
    int ShowMessage(const QString &text, int style, const QString &title, QWidget *owner,
                    const QString &module, const QString &messageId) override;
    QVariant GetSetting(const QString &name, long mode, const QString &extra1,
                        const QString &extra2) override;
    int GetModuleOption(const QString &module, const QString &code,
                        const QString &fallbackText) override;
    void SetForceUppercase(bool force) override;
    bool ForceUppercase() const override;

    QString connectionName() const { return m_connectionName; }

private:
    QString m_connectionName;
    QString m_operator;
};

} // namespace velkora::services
