#include "ComponentLoader.h"

#include "InstallLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonObject>
#include <QLibrary>
#include <QPluginLoader>

namespace velkora::app {

QStringList ComponentLoader::searchPaths()
{
    QStringList paths;
    const QString fromEnv = qEnvironmentVariable("VELKORA_PLUGIN_PATH");
    if (!fromEnv.isEmpty())
        paths << fromEnv.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (QCoreApplication::instance())
        paths << InstallLayout::pluginFolders();
    return paths;
}

QString ComponentLoader::findComponent(const QString &component, const QString &className,
                                       const QStringList &paths)
{
    for (const QString &path : paths) {
        const QDir dir(path);
        if (!dir.exists())
            continue;
        const QStringList files = dir.entryList(QDir::Files, QDir::Name);
        for (const QString &file : files) {
            const QString full = dir.absoluteFilePath(file);
            if (!QLibrary::isLibrary(full))
                continue;
            const QJsonObject meta =
                QPluginLoader(full).metaData().value(QStringLiteral("MetaData")).toObject();
            if (meta.value(QStringLiteral("Component"))
                        .toString()
                        .compare(component, Qt::CaseInsensitive) == 0 &&
                meta.value(QStringLiteral("Class")).toString() == className)
                return full;
        }
    }
    return {};
}

QObject *ComponentLoader::create(const QString &component, const QString &className, QString *error,
                                 const QStringList &paths)
{
    const QString file = findComponent(component, className, paths);
    if (file.isEmpty()) {
        if (error)
            *error = QStringLiteral("The component %1.%2 is not installed (searched: %3).")
                         .arg(component, className, paths.join(QStringLiteral(", ")));
        return nullptr;
    }
    QPluginLoader loader(file);
    QObject *root = loader.instance();
    if (!root) {
        if (error)
            *error = QStringLiteral("The component %1.%2 could not be loaded: %3")
                         .arg(component, className, loader.errorString());
        return nullptr;
    }
    return root;
}

} // namespace velkora::app
