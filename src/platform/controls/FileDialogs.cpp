#include "FileDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace velkora::controls {

namespace {

std::shared_ptr<FileDialogMemory> &memorySlot()
{
    static std::shared_ptr<FileDialogMemory> memory;
    return memory;
}

FileDialogRunner &runnerSlot()
{
    static FileDialogRunner runner;
    return runner;
}

// "Archivos .ret (*.ret *.RET)": both cases, since a file written on another system may carry
// its extension in either. Empty for a name without a plain extension.
QString extensionFilter(const QString &file)
{
    const QFileInfo info(file.trimmed());
    const QString suffix = info.suffix();
    if (info.isDir() || suffix.isEmpty() || suffix.contains(QLatin1Char(' ')) ||
        suffix.contains(QLatin1Char('*')) || suffix.contains(QLatin1Char('?')) ||
        suffix.contains(QLatin1Char('[')))
        return {};
    QStringList patterns{QStringLiteral("*.") + suffix};
    for (const QString &other : {suffix.toLower(), suffix.toUpper()}) {
        if (!patterns.contains(QStringLiteral("*.") + other))
            patterns << QStringLiteral("*.") + other;
    }
    return QStringLiteral("Archivos .%1 (%2)").arg(suffix.toLower(), patterns.join(QLatin1Char(' ')));
}

QString runRealDialog(QWidget *owner, const FileDialogShown &shown, QString *chosenFilter)
{
    switch (shown.kind) {
    case FileDialogRequest::Kind::Folder:
        return QFileDialog::getExistingDirectory(owner, shown.title, shown.start);
    case FileDialogRequest::Kind::Save:
        return QFileDialog::getSaveFileName(owner, shown.title, shown.start,
                                            shown.filters.join(QStringLiteral(";;")),
                                            chosenFilter);
    case FileDialogRequest::Kind::Open:
        break;
    }
    return QFileDialog::getOpenFileName(owner, shown.title, shown.start,
                                        shown.filters.join(QStringLiteral(";;")), chosenFilter);
}

} // namespace

QString readingFilters()
{
    return AllFilesFilter + QStringLiteral(";;") + TextFilesFilter;
}

QStringList offeredFilters(const FileDialogRequest &request)
{
    QStringList filters;
    if (request.kind == FileDialogRequest::Kind::Folder)
        return filters;
    if (request.kind == FileDialogRequest::Kind::Open) {
        const QString own = extensionFilter(request.start);
        if (!own.isEmpty())
            filters << own;
    }
    filters << AllFilesFilter << request.filters;
    filters.removeDuplicates();
    return filters;
}

QString startFilter(const QStringList &offered, const QString &remembered)
{
    if (offered.contains(remembered))
        return remembered;
    return offered.value(0);
}

QString startPath(const FileDialogRequest &request, const QString &rememberedFolder)
{
    const bool remembered = !rememberedFolder.isEmpty() && QFileInfo(rememberedFolder).isDir();
    switch (request.kind) {
    case FileDialogRequest::Kind::Folder:
        return remembered ? rememberedFolder : request.start;
    case FileDialogRequest::Kind::Save:
        return remembered ? QDir(rememberedFolder).filePath(QFileInfo(request.start).fileName())
                          : request.start;
    case FileDialogRequest::Kind::Open:
        break;
    }
    if (remembered)
        return rememberedFolder;
    const QString file = request.start.trimmed();
    if (file.isEmpty())
        return {};
    const QFileInfo info(file);
    return info.isDir() ? info.absoluteFilePath() : info.absolutePath();
}

QString chooseFile(QWidget *owner, const FileDialogRequest &request)
{
    const std::shared_ptr<FileDialogMemory> memory = memorySlot();
    FileDialogShown shown;
    shown.kind = request.kind;
    shown.title = request.title;
    shown.filters = offeredFilters(request);
    shown.filter = startFilter(shown.filters, memory ? memory->filter() : QString());
    shown.start = startPath(request, memory ? memory->folder() : QString());
    QString chosenFilter = shown.filter;
    const QString chosen = runnerSlot() ? runnerSlot()(owner, shown, &chosenFilter)
                                        : runRealDialog(owner, shown, &chosenFilter);
    if (chosen.isEmpty() || !memory)
        return chosen;
    if (request.kind == FileDialogRequest::Kind::Folder) {
        // A folder's dialog has no filter: the one remembered stays.
        memory->remember(QDir::cleanPath(chosen), memory->filter());
        return chosen;
    }
    memory->remember(QDir::cleanPath(QFileInfo(chosen).absolutePath()),
                     shown.filters.contains(chosenFilter) ? chosenFilter : shown.filter);
    return chosen;
}

void setFileDialogMemory(std::shared_ptr<FileDialogMemory> memory)
{
    memorySlot() = std::move(memory);
}

std::shared_ptr<FileDialogMemory> fileDialogMemory()
{
    return memorySlot();
}

void setFileDialogRunner(FileDialogRunner runner)
{
    runnerSlot() = std::move(runner);
}

} // namespace velkora::controls
