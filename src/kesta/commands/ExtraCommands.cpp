// The toolbar's three extra buttons once a load format is shown: Copy ("Copiar"), Test
// ("Probar") and Script ("Script").

#include "host/Publico.h"
#include "host/RuntimeError.h"
#include "messages/Messages.h"
#include "screen/frmKESTA.h"
#include "storage/Statements.h"

#include <controls/Controles.h>
#include <controls/DataGrid.h>
#include <controls/TextBox.h>

#include <QApplication>
#include <QScopeGuard>

namespace kesta::screen {

namespace {

// The viewer's arguments after the text, as the host's viewer takes them.
void showInViewer(host::TextViewer &viewer, const QString &text)
{
    viewer.ShowText(text, QString(), 0, 0, -1, -1, 7, -1);
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
    const QString result = tools.TestLoadFormat(0, txtClave->text(), QStringLiteral("|"));
    // The busy pointer is for the test; the user reads the result with the usual one.
    restore.dismiss();
    QApplication::restoreOverrideCursor();
    if (!result.isEmpty()) {
        showInViewer(*viewer, result);
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
        showInViewer(*viewer, script);
    } catch (const host::RuntimeError &error) {
        messages::show(this, messages::scriptFailed(error.description()));
    } catch (const std::exception &error) {
        messages::show(this, messages::scriptFailed(QString::fromLocal8Bit(error.what())));
    }
}

} // namespace kesta::screen
