#pragma once

#include <controls/FileDialogs.h>

namespace velkora::services {

// The file dialogs' memory of one operator, in the operator's own settings (Settings.h):
// ULTIMA_CARPETA (the folder) and ULTIMO_FILTRO (the filter). Remembering is a convenience: a
// database that cannot be read or written leaves the dialogs starting as they would without it.
class UserFileMemory : public controls::FileDialogMemory {
public:
    UserFileMemory(QString connectionName, QString operatorCode);

    QString folder() override;
    QString filter() override;
    void remember(const QString &folder, const QString &filter) override;

    static inline const QString FolderSetting = QStringLiteral("ULTIMA_CARPETA");
    static inline const QString FilterSetting = QStringLiteral("ULTIMO_FILTRO");

private:
    QString read(const QString &name) const;

    QString m_connectionName;
    QString m_operator;
};

} // namespace velkora::services
