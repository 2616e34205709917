#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QWidget;

namespace velkora::controls {

// What the file dialogs remember for their user between uses: the folder and the filter last
// chosen. The services keep it in the user's own settings; without one nothing is remembered.
class FileDialogMemory {
public:
    virtual ~FileDialogMemory() = default;
    virtual QString folder() = 0;
    virtual QString filter() = 0;
    virtual void remember(const QString &folder, const QString &filter) = 0;
};

// One file dialog of the screen and its views.
struct FileDialogRequest {
    enum class Kind { Open, Save, Folder };
    Kind kind = Kind::Open;
    QString title;
    // Open: the file the dialog starts from (the format's own file), whose folder it opens on
    // when none is remembered and whose extension gives the first filter. Save: the name offered
    // (a bare name, or a path whose folder is used when none is remembered). Folder: the folder.
    QString start;
    // Qt's name filters besides "Todos los archivos (*)" and the start file's extension.
    QStringList filters;
};

inline const QString AllFilesFilter = QStringLiteral("Todos los archivos (*)");
inline const QString TextFilesFilter =
    QStringLiteral("Archivos de texto (*.txt *.dat *.prn *.csv)");

// The filters of a file to read, as ToolServices::ChooseOpenFile takes them: every file, then
// the usual text files ("Todos los archivos (*);;Archivos de texto (...)").
QString readingFilters();
// The filters a dialog offers: the start file's extension first when it has one ("Archivos .ret
// (*.ret *.RET)"), then "Todos los archivos (*)", then the request's own; none twice.
QStringList offeredFilters(const FileDialogRequest &request);
// The filter the dialog starts on: the one remembered when it is offered, else the first.
QString startFilter(const QStringList &offered, const QString &remembered);
// Where the dialog starts: the remembered folder when it still exists (with the offered name
// for a save), else the request's start.
QString startPath(const FileDialogRequest &request, const QString &rememberedFolder);

// Shows the dialog owned by owner and returns the chosen path (empty when cancelled). A choice
// is remembered: the chosen file's folder (or the chosen folder) and the filter shown.
QString chooseFile(QWidget *owner, const FileDialogRequest &request);

// The user's memory for every dialog; nullptr forgets it.
void setFileDialogMemory(std::shared_ptr<FileDialogMemory> memory);
std::shared_ptr<FileDialogMemory> fileDialogMemory();

// Tests replace the platform's dialog: the runner gets the kind, the title, the start path,
// the offered filters and the one started on, and returns the chosen path, setting the filter
// chosen. An empty function restores the real dialog.
struct FileDialogShown {
    FileDialogRequest::Kind kind = FileDialogRequest::Kind::Open;
    QString title;
    QString start;
    QStringList filters;
    QString filter;
};
using FileDialogRunner =
    std::function<QString(QWidget *owner, const FileDialogShown &shown, QString *chosenFilter)>;
void setFileDialogRunner(FileDialogRunner runner);

} // namespace velkora::controls
