#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

namespace velkora::app {

// Finds an in-process component among the plugins by its registered component and class
// names (the "Component" and "Class" entries of the plugin's metadata) and creates it.
class ComponentLoader {
public:
    // Folders searched, in order: VELKORA_PLUGIN_PATH (colon-separated), then the plugin
    // folders of the executable's installed or build tree (InstallLayout::pluginFolders).
    static QStringList searchPaths();

    // The plugin file registered under component/className; empty when none.
    static QString findComponent(const QString &component, const QString &className,
                                 const QStringList &paths = searchPaths());

    // Loads the component and returns its root object (owned by the plugin loader).
    // On failure returns nullptr and sets error.
    static QObject *create(const QString &component, const QString &className, QString *error,
                           const QStringList &paths = searchPaths());
};

} // namespace velkora::app
