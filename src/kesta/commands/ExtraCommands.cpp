// The toolbar's three extra buttons once a load format is shown: Copy ("Copiar"), Test
// ("Probar") and Script ("Script").

#include "host/Publico.h"
#include "host/RuntimeError.h"
#include "messages/Messages.h"
#include "screen/frmKESTA.h"
#include "store/Statements.h"

#include <controls/Controles.h>
#include <controls/DataGrid.h>
#include <controls/FileDialogs.h>
#include <controls/TextBox.h>

#include <QApplication>
#include <QFileInfo>
#include <QScopeGuard>

namespace kesta::screen {

namespace {

// The viewer's arguments after the text, as the host's viewer takes them; the window is
// titled with what it shows.
void showInViewer(host::TextViewer &viewer, const QString &text, const QString &title)
{
    viewer.ShowText(text, title, 0, 0, -1, -1, 7, -1);
}

} // namespace

// Copy: the shown load format becomes the content of a new one (New without clearing).
void frmKESTA::Controles_B1Click()
{
    Copying = true;
    const auto done = qScopeGuard([this] { Copying = false; });
    Controles->DoNew(false);
}

// Test: the services test the load format stored under the key on its file.
void frmKESTA::Controles_B2Click()
{
    testStoredFormat(QString());
}

// Test on another file: the user picks it (starting on the stored one's folder and extension,
// or where the user last chose a file); the stored
// format, its file included, stays as it is.
void frmKESTA::Controles_B2FileClick()
{
    const QString file = Publico::ToolServices().ChooseOpenFile(
        this, QStringLiteral("Probar con otro archivo"), txtArchivo->text().trimmed(),
        velkora::controls::readingFilters());
    if (!file.isEmpty())
        testStoredFormat(file);
}

void frmKESTA::testStoredFormat(const QString &file)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    host::ToolServices &tools = Publico::ToolServices();
    const std::unique_ptr<host::TextViewer> viewer = tools.CreateTextViewer();
    // The field current in the field grid is the one whose columns the result shows first. The
    // grids hold the stored format in the order of its numbers, as the test reads it.
    const int lineRow = ssLinea->currentRow();
    const int fieldRow = ssDetalle->currentRow();
    if (lineRow >= 0 && fieldRow >= 0)
        viewer->HighlightField(lineRow, fieldRow);
    const QString key = txtClave->text();
    const QString result = file.isEmpty()
                               ? tools.TestLoadFormat(0, key, QStringLiteral("|"))
                               : tools.TestLoadFormatFile(0, key, QStringLiteral("|"), file);
    // The busy pointer is for the test; the user reads the result with the usual one.
    restore.dismiss();
    QApplication::restoreOverrideCursor();
    if (!result.isEmpty()) {
        showInViewer(*viewer, result,
                     file.isEmpty() ? QStringLiteral("Prueba del formato %1").arg(key)
                                    : QStringLiteral("Prueba del formato %1 con %2")
                                          .arg(key, QFileInfo(file).fileName()));
        return;
    }
    if (!tools.LastError().isEmpty())
        messages::show(this, messages::testFailed(tools.LastError()));
}

// Script: the stored rows of the key as a script, the Layout part first.
void frmKESTA::Controles_B3Click()
{
    try {
        host::ToolServices &tools = Publico::ToolServices();
        const host::Engine engine = Publico::CoreServices().Connection()->engine();
        QString script;
        Publico::Sql() = storage::scriptLayoutSelect(engine, txtClave->text());
        script +=
            tools.ScriptRows(Publico::Sql(), QStringLiteral("Layout")) + QStringLiteral("\r\n");
        Publico::Sql() = storage::scriptDetailSelect(engine, txtClave->text());
        script += tools.ScriptRows(Publico::Sql(), QStringLiteral("LAYOUT_DETALLE")) +
                  QStringLiteral("\r\n");
        // The rules, on a database that has their table.
        if (Publico::CoreServices().Connection()->hasRulesTable()) {
            Publico::Sql() = storage::scriptRuleSelect(engine, txtClave->text());
            script += tools.ScriptRows(Publico::Sql(), QStringLiteral("LAYOUT_REGLA")) +
                      QStringLiteral("\r\n");
        }
        const std::unique_ptr<host::TextViewer> viewer = tools.CreateTextViewer();
        showInViewer(*viewer, script,
                     QStringLiteral("Script del formato %1").arg(txtClave->text()));
    } catch (const host::RuntimeError &error) {
        messages::show(this, messages::scriptFailed(error.description()));
    } catch (const std::exception &error) {
        messages::show(this, messages::scriptFailed(QString::fromLocal8Bit(error.what())));
    }
}

} // namespace kesta::screen
