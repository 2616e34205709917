#include "CoreServicesImpl.h"

#include "MessageBox.h"
#include "controls/SmallControls.h"
#include "host/RuntimeError.h"
#include "store/Settings.h"
#include "store/SqlConnection.h"

#include <QApplication>

using kesta::host::RuntimeError;

namespace velkora::services {

CoreServicesImpl::CoreServicesImpl(QString connectionName, QString operatorCode)
    : m_connectionName(std::move(connectionName)), m_operator(std::move(operatorCode))
{}

kesta::host::ConnectionPtr CoreServicesImpl::Connection()
{
    return std::make_shared<store::SqlConnection>(m_connectionName);
}

QString CoreServicesImpl::CurrentOperator()
{
    return m_operator;
}

int CoreServicesImpl::ShowMessage(const QString &text, int style, const QString &title,
                                  QWidget *owner, const QString &module, const QString &messageId)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        throw RuntimeError(QStringLiteral("A message cannot be shown without the application's "
                                          "windows: %1")
                               .arg(text));
    MessageBox box(text, style, title, owner ? owner->window() : nullptr, module, messageId);
    return box.run();
}

QVariant CoreServicesImpl::GetSetting(const QString &name, long, const QString &, const QString &)
{
    return store::readSetting(m_connectionName, name);
}

int CoreServicesImpl::GetModuleOption(const QString &module, const QString &code, const QString &)
{
    return store::readModuleOption(m_connectionName, module, code);
}

void CoreServicesImpl::SetForceUppercase(bool force)
{
    controls::setForceUppercase(force);
}

bool CoreServicesImpl::ForceUppercase() const
{
    return controls::forceUppercase();
}

} // namespace velkora::services
