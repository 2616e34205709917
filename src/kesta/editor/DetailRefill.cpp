// The field grid's refill from the field store (RellenaDetalle).

#include "FieldStore.h"
#include "host/Publico.h"
#include "host/RuntimeError.h"
#include "messages/Messages.h"
#include "screen/frmKESTA.h"

#include "controls/DataGrid.h"

#include <cmath>

namespace kesta::screen {

namespace {

// The type code read as a number ("01" -> 1); a text that is no number raises.
int typeCodeNumber(const QString &code)
{
    bool ok = false;
    const QString t = code.trimmed();
    const int whole = t.toInt(&ok);
    if (ok)
        return whole;
    const double number = t.toDouble(&ok);
    if (ok && std::isfinite(number) && std::abs(number) < 1e9)
        return static_cast<int>(std::lround(number));
    throw host::RuntimeError(QStringLiteral("The field type \"%1\" is not a number.").arg(code));
}

} // namespace

void frmKESTA::RellenaDetalle(const QString &line)
{
    if (line.isEmpty())
        return;
    try {
        ssDetalle->RemoveAll();
        ssDetalle->setRedraw(false);

        const editor::FieldStore &store = *lvDetalle->store();
        const int count = store.count();
        const int current = ssLinea->currentRow();
        const QString order =
            current >= 0 ? ssLinea->cell(current, QStringLiteral("Orden")).toString() : QString();
        for (int i = 0; current >= 0 && i < count; ++i) {
            if (store.subItem(i, editor::FieldStore::LineaID) != order)
                continue;
            const int row = ssDetalle->AddNew();
            ssDetalle->setCell(row, QStringLiteral("ID"), store.subItem(i, editor::FieldStore::Id));
            ssDetalle->setCell(row, QStringLiteral("Descripción"),
                               store.subItem(i, editor::FieldStore::Descripcion));
            ssDetalle->setCell(row, QStringLiteral("Posicion"),
                               store.subItem(i, editor::FieldStore::Posicion));
            ssDetalle->setCell(row, QStringLiteral("Longitud"),
                               store.subItem(i, editor::FieldStore::Longitud));
            ssDetalle->setListIndex(row, QStringLiteral("Tipo"),
                                    typeCodeNumber(store.subItem(i, editor::FieldStore::Tipo)) - 1);
            ssDetalle->setCell(row, QStringLiteral("Valor"),
                               store.subItem(i, editor::FieldStore::Valor));
            // The format column is found by its caption.
            ssDetalle->setCell(row, QStringLiteral("Formato"),
                               store.subItem(i, editor::FieldStore::Formato));
            ssDetalle->setCell(row, QStringLiteral("Trim"),
                               store.subItem(i, editor::FieldStore::Trim) == QLatin1String("SI"));
            ssDetalle->setCell(row, QStringLiteral("Linea_ID"),
                               store.subItem(i, editor::FieldStore::LineaID));
            ssDetalle->Update();
        }
        ssDetalle->setRedraw(true);
    } catch (const std::exception &error) {
        // Repainting is resumed here too, so the grid never stays frozen.
        ssDetalle->setRedraw(true);
        const auto *runtime = dynamic_cast<const host::RuntimeError *>(&error);
        const QString description =
            runtime ? runtime->description() : QString::fromLocal8Bit(error.what());
        messages::show(this, messages::refillFailed(description));
    }
}

} // namespace kesta::screen
