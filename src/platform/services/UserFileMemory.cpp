#include "UserFileMemory.h"

#include "host/RuntimeError.h"
#include "store/Settings.h"

#include <QtGlobal>

namespace velkora::services {

UserFileMemory::UserFileMemory(QString connectionName, QString operatorCode)
    : m_connectionName(std::move(connectionName)), m_operator(std::move(operatorCode))
{}

QString UserFileMemory::read(const QString &name) const
{
    try {
        return store::readUserSetting(m_connectionName, m_operator, name);
    } catch (const kesta::host::RuntimeError &error) {
        qWarning("The file dialogs start without the user's last choice: %s",
                 qPrintable(error.description()));
        return {};
    }
}

QString UserFileMemory::folder()
{
    return read(FolderSetting);
}

QString UserFileMemory::filter()
{
    return read(FilterSetting);
}

void UserFileMemory::remember(const QString &folder, const QString &filter)
{
    try {
        // A folder too long for the column is not kept: the dialog then starts where it would
        // have without it, never in a folder cut short.
        if (!store::writeUserSetting(m_connectionName, m_operator, FolderSetting, folder))
            store::writeUserSetting(m_connectionName, m_operator, FolderSetting, QString());
        store::writeUserSetting(m_connectionName, m_operator, FilterSetting, filter);
    } catch (const kesta::host::RuntimeError &error) {
        qWarning("The user's last choice of file is not kept: %s",
                 qPrintable(error.description()));
    }
}

} // namespace velkora::services
