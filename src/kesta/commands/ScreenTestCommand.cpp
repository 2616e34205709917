#include "ScreenTestCommand.h"

#include "editor/GridCells.h"
#include "editor/GridColumns.h"
#include "host/Publico.h"
#include "host/RuntimeError.h"
#include "messages/HandlerGuard.h"
#include "messages/Messages.h"
#include "store/FormatRows.h"
#include "store/FormatSave.h"

#include <controls/Controles.h>
#include <controls/DataGrid.h>
#include <controls/TextBox.h>

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QScopeGuard>

namespace kesta::commands {

using velkora::formats::LoadFormat;
using velkora::formats::orderNumber;

ScreenTestCommand::ScreenTestCommand(Parts parts, QObject *parent)
    : QObject(parent), m_parts(std::move(parts))
{
    m_action = new QAction(QStringLiteral("Probar sin guardar"), this);
    m_action->setObjectName(QStringLiteral("ProbarSinGuardar"));
    m_action->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    m_parts.toolbar->addScreenCommand(m_action);
    connect(m_action, &QAction::triggered, this, [this] {
        messages::guardHandler(m_parts.owner, QStringLiteral("ProbarSinGuardar_Click()"), [this] { run(); });
    });
    // The toolbar offers "Guardar" exactly in its editing state.
    connect(m_parts.toolbar->action(QStringLiteral("Save")), &QAction::changed, this,
            &ScreenTestCommand::offer);
    offer();
}

void ScreenTestCommand::offer()
{
    const bool offered = m_parts.toolbar->isOffered(QStringLiteral("Save"));
    m_action->setVisible(offered);
    m_action->setEnabled(offered);
}

QString ScreenTestCommand::chooseFile() const
{
    const QString named = m_parts.fileBox->text().trimmed();
    const QString start = named.isEmpty() ? QString() : QFileInfo(named).absolutePath();
    return Publico::ToolServices().ChooseOpenFile(
        m_parts.owner, QStringLiteral("Probar sin guardar"), start,
        QStringLiteral("Archivos de texto (*.txt *.dat *.prn *.csv);;Todos los archivos (*)"));
}

void ScreenTestCommand::run()
{
    if (!m_action->isEnabled())
        return;
    if (m_parts.lineEditActive()) {
        messages::show(m_parts.owner, messages::lineEditInProgress());
        return;
    }
    velkora::store::SaveRequest request = m_parts.rows();
    host::ToolServices &tools = Publico::ToolServices();
    const velkora::store::FormatSave save(
        [] { return Publico::CoreServices().Connection(); }, Publico::Sql(),
        Publico::CoreServices().CurrentOperator(),
        [&tools] { return tools.FormatDateTime(tools.CurrentDateTime()); });
    if (const auto refused = save.check(request)) {
        m_parts.showRefusal(*refused);
        return;
    }
    const QString file = chooseFile();
    if (file.isEmpty())
        return;
    test(velkora::store::formatOfRequest(request,
                                         Publico::CoreServices().Connection()->hasRulesTable()),
         file);
}

void ScreenTestCommand::test(const LoadFormat &format, const QString &file)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    host::ToolServices &tools = Publico::ToolServices();
    const std::unique_ptr<host::TextViewer> viewer = tools.CreateTextViewer();
    highlightCurrentField(*viewer, format);
    const QString result = tools.TestLoadFormatValue(0, format, QStringLiteral("|"), file);
    restore.dismiss();
    QApplication::restoreOverrideCursor();
    if (!result.isEmpty()) {
        viewer->ShowText(result,
                         QStringLiteral("Prueba del formato %1 sin guardar con %2")
                             .arg(format.key, QFileInfo(file).fileName()),
                         0, 0, -1, -1, 7, -1);
        return;
    }
    if (!tools.LastError().isEmpty())
        messages::show(m_parts.owner, messages::testFailed(tools.LastError()));
}

// The field current in the field grid is the one whose columns the result shows first, by its
// places in the format tested (line types and fields in the order of their numbers).
void ScreenTestCommand::highlightCurrentField(host::TextViewer &viewer,
                                              const LoadFormat &format) const
{
    const int lineRow = m_parts.lines->currentRow();
    const int fieldRow = m_parts.fields->currentRow();
    if (lineRow < 0 || fieldRow < 0 || fieldRow >= m_parts.fields->Rows())
        return;
    const qint64 order =
        orderNumber(editor::cellText(*m_parts.lines, lineRow, editor::LineColumn::Order));
    const qint64 field =
        orderNumber(editor::cellText(*m_parts.fields, fieldRow, editor::FieldColumn::Id));
    for (int type = 0; type < format.lineTypes.size(); ++type) {
        if (orderNumber(format.lineTypes.at(type).order) != order)
            continue;
        const auto &fields = format.lineTypes.at(type).fields;
        for (int place = 0; place < fields.size(); ++place) {
            if (orderNumber(fields.at(place).id) == field)
                viewer.HighlightField(type, place);
        }
    }
}

} // namespace kesta::commands
