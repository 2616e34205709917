#include "StoredFormatCommands.h"

#include "host/Publico.h"
#include "host/RuntimeError.h"
#include "messages/Messages.h"
#include "store/StoredFormat.h"

#include <controls/FileDialogs.h>

#include <QApplication>
#include <QFileInfo>
#include <QScopeGuard>

namespace kesta::commands {

namespace {

// The viewer's arguments after the text, as the host's viewer takes them; the window is
// titled with what it shows.
void showInViewer(const QString &text, const QString &title)
{
    const std::unique_ptr<host::TextViewer> viewer = Publico::ToolServices().CreateTextViewer();
    viewer->ShowText(text, title, 0, 0, -1, -1, 7, -1);
}

} // namespace

void testStoredFormat(QWidget *owner, const QString &key, int lineRow, int fieldRow,
                      const QString &file)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    host::ToolServices &tools = Publico::ToolServices();
    const std::unique_ptr<host::TextViewer> viewer = tools.CreateTextViewer();
    // The field current in the field grid is the one whose columns the result shows first. The
    // grids hold the stored format in the order of its numbers, as the test reads it.
    if (lineRow >= 0 && fieldRow >= 0)
        viewer->HighlightField(lineRow, fieldRow);
    const QString result = file.isEmpty()
                               ? tools.TestLoadFormat(0, key, QStringLiteral("|"))
                               : tools.TestLoadFormatFile(0, key, QStringLiteral("|"), file);
    // The busy pointer is for the test; the user reads the result with the usual one.
    restore.dismiss();
    QApplication::restoreOverrideCursor();
    if (!result.isEmpty()) {
        viewer->ShowText(result,
                         file.isEmpty() ? QStringLiteral("Prueba del formato %1").arg(key)
                                        : QStringLiteral("Prueba del formato %1 con %2")
                                              .arg(key, QFileInfo(file).fileName()),
                         0, 0, -1, -1, 7, -1);
        return;
    }
    if (!tools.LastError().isEmpty())
        messages::show(owner, messages::testFailed(tools.LastError()));
}

QString chooseTestFile(QWidget *owner, const QString &storedFile)
{
    // Starts on the stored file's folder and extension, or where the user last chose a file.
    return Publico::ToolServices().ChooseOpenFile(owner, QStringLiteral("Probar con otro archivo"),
                                                  storedFile.trimmed(),
                                                  velkora::controls::readingFilters());
}

void showStoredFormatScript(QWidget *owner, const QString &key)
{
    try {
        host::ToolServices &tools = Publico::ToolServices();
        const QString script = velkora::store::storedFormatScript(
            [] { return Publico::CoreServices().Connection(); }, key,
            [&tools](const QString &select, const QString &table) {
                // Each statement in the shared statement text, as it runs.
                Publico::Sql() = select;
                return tools.ScriptRows(Publico::Sql(), table);
            });
        showInViewer(script, QStringLiteral("Script del formato %1").arg(key));
    } catch (const std::exception &error) {
        messages::show(owner, messages::scriptFailed(host::descriptionOf(error)));
    }
}

} // namespace kesta::commands
