#include "InstallLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace velkora::app::InstallLayout {

namespace {

QString besideExecutable(const QString &relative)
{
    return QDir::cleanPath(QDir(QCoreApplication::applicationDirPath()).filePath(relative));
}

} // namespace

QStringList pluginFolders()
{
    QStringList folders;
    const QStringList relative =
        QStringLiteral(VELKORA_PLUGIN_DIRS_FROM_BINDIR).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString &path : relative)
        folders << besideExecutable(path);
    return folders;
}

QString dataFolder()
{
    const QString folder = besideExecutable(QStringLiteral(VELKORA_DATA_DIR_FROM_BINDIR));
    return QFileInfo(folder).isDir() ? folder : QString();
}

QString schemaScript(const QString &engine)
{
    const QString name = QStringLiteral("db/%1.sql").arg(engine);
    const QString installed = dataFolder();
    return installed.isEmpty() ? name : QDir(installed).filePath(name);
}

} // namespace velkora::app::InstallLayout
