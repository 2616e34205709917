#pragma once

#include <QString>
#include <QStringList>

namespace velkora::app {

// Where the running executable's plugins and data are, found from the executable's own folder:
// an installed tree (bin/, lib/<multiarch>/velkora/plugins/, share/velkora/) works from any
// prefix, and the build tree keeps its own layout (bin/, plugins/velkora/). Needs a
// QCoreApplication.
namespace InstallLayout {

// The plugin folders beside the executable, installed layout first; absolute, cleaned.
QStringList pluginFolders();

// The installed data folder (share/velkora), or empty when the executable is not installed.
QString dataFolder();

// The schema script of an engine ("sqlite", "postgresql", "sqlserver") as an administrator
// finds it: the installed copy, or db/<engine>.sql of the source tree when not installed.
QString schemaScript(const QString &engine);

} // namespace InstallLayout

} // namespace velkora::app
