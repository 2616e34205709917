// What the user is told when a box or a grid cell refuses a paste: too long to be held whole,
// or holding control characters. Nothing of such a paste is inserted.

#include "frmKESTA.h"
#include "messages/HandlerGuard.h"
#include "messages/Messages.h"
#include "store/Literals.h"

#include <controls/DataGrid.h>
#include <controls/TextBox.h>

namespace kesta::screen {

using messages::guardHandler;

namespace {

messages::Message refusal(const QString &what, const QString &text, int maxLength)
{
    if (const qsizetype at = velkora::store::firstUnstorableCharacter(text); at >= 0)
        return messages::unstorableCharacter(what, text.at(at).unicode());
    return messages::pasteTooLong(what, text.size(), maxLength);
}

} // namespace

void frmKESTA::connectPasteMessages()
{
    using velkora::controls::DataGrid;
    using velkora::controls::TextBox;
    const QList<std::pair<TextBox *, QString>> boxes{
        {txtClave, QStringLiteral("Clave")},     {txtDescripcion, QStringLiteral("Descripción")},
        {txtArchivo, QStringLiteral("Archivo")}, {txtUser1, QStringLiteral("Dato 1")},
        {txtUser2, QStringLiteral("Dato 2")},    {txtUser3, QStringLiteral("Dato 3")},
        {txtUser4, QStringLiteral("Dato 4")}};
    for (const auto &[box, what] : boxes) {
        connect(box, &TextBox::PasteRefused, this,
                [this, what = what](const QString &text, int maxLength) {
                    guardHandler(this, QStringLiteral("PasteRefused()"),
                                 [&] { messages::show(this, refusal(what, text, maxLength)); });
                });
    }
    for (const auto &[grid, what] : {std::pair{ssLinea, QStringLiteral("Línea")},
                                     std::pair{ssDetalle, QStringLiteral("Detalle")}}) {
        connect(grid, &DataGrid::PasteRefused, this,
                [this, grid = grid, what = what](const QString &text, int maxLength) {
                    guardHandler(this, QStringLiteral("PasteRefused()"), [&] {
                        const QString column = grid->column(grid->currentColumn()).caption;
                        messages::show(
                            this, refusal(what + QStringLiteral(", ") + column, text, maxLength));
                    });
                });
    }
}

} // namespace kesta::screen
