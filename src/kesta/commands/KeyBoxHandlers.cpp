// The key box's two handlers: the load of a load format by its key (Enter) and the reset of
// the screen when the key changes.

#include "editor/FieldStore.h"
#include "editor/FieldStoreFiller.h"
#include "editor/GridColumns.h"
#include "editor/LineEditor.h"
#include "editor/UserDataAsRead.h"
#include "host/Publico.h"
#include "host/RuntimeError.h"
#include "messages/Messages.h"
#include "screen/frmKESTA.h"
#include "store/Literals.h"
#include "store/RuleRows.h"
#include "store/Statements.h"

#include "controls/Controles.h"
#include "controls/DataGrid.h"
#include "controls/SmallControls.h"
#include "controls/TextBox.h"

#include <QCheckBox>
#include <QDateTime>

namespace kesta::screen {

namespace {

using editor::columnOf;
using editor::LineColumn;

// A header text as read; a null shows as the empty text.
QString headerText(const host::RecordSet &record, const QString &column)
{
    const QVariant value = record.Field(column);
    return value.isNull() ? QString() : value.toString();
}

// A numeric header value for a numeric box: the number's text as the database gives it
// (never through a binary floating-point value, so every digit stays); a null gives the box's
// empty value.
QVariant headerNumber(const host::RecordSet &record, const QString &column)
{
    const QVariant value = record.Field(column);
    if (value.isNull())
        return {};
    // A database that keeps the number as a binary floating-point value gives it as one.
    const QString text = value.typeId() == QMetaType::Double
                             ? QString::number(value.toDouble(), 'f', 4)
                             : value.toString().trimmed();
    if (!storage::isPlainNumber(text))
        throw host::RuntimeError(QStringLiteral("Layout.%1 holds \"%2\", which is not a number.")
                                     .arg(column, value.toString()));
    return text;
}

void setNumericBox(velkora::controls::TextBox &box, const QVariant &number)
{
    if (number.isNull())
        box.clearValue();
    else
        box.setValue(number);
}

// Which of Ly_UserDef_1 .. Ly_UserDef_6 the row holds as NULL.
std::array<bool, editor::UserDataAsRead::Count> nullUserData(const host::RecordSet &record)
{
    std::array<bool, editor::UserDataAsRead::Count> nulls{};
    for (int n = 1; n <= editor::UserDataAsRead::Count; ++n)
        nulls[static_cast<size_t>(n - 1)] =
            record.Field(QStringLiteral("Ly_UserDef_%1").arg(n)).isNull();
    return nulls;
}

// A stored date as a date; null gives an invalid date (the picker keeps its value).
QDate headerDate(const host::RecordSet &record, const QString &column)
{
    const QVariant value = record.Field(column);
    if (value.isNull())
        return {};
    if (value.metaType().id() == QMetaType::QDate)
        return value.toDate();
    if (value.metaType().id() == QMetaType::QDateTime)
        return value.toDateTime().date();
    const QString text = value.toString().trimmed();
    QDate date = QDate::fromString(text.left(10), Qt::ISODate);
    if (!date.isValid())
        date = QDateTime::fromString(text, Qt::ISODate).date();
    if (!date.isValid())
        date = QDate::fromString(text.left(8), QStringLiteral("yyyyMMdd"));
    if (!date.isValid())
        date = QDate::fromString(text.left(10), QStringLiteral("dd/MM/yyyy"));
    if (!date.isValid())
        throw host::RuntimeError(
            QStringLiteral("Layout.%1 holds \"%2\", which is not a date.").arg(column, text));
    return date;
}

// The nothing-loaded state: toolbar flags off, captions B1 and B2 empty, description empty,
// the data controls (both grids and the field store among them) cleared.
void resetToNothingLoaded(frmKESTA &screen)
{
    screen.Controles->setEditAllowed(false);
    screen.Controles->setDeactivateAllowed(false);
    screen.Controles->setRecordLoaded(false);
    screen.Controles->setReactivateAllowed(false);
    screen.Controles->setB1Caption(QString());
    screen.Controles->setB2Caption(QString());
    screen.txtDescripcion->setText(QString());
    Publico::ToolServices().ClearScreen(&screen, 1);
    screen.forgetShownFormat();
}

} // namespace

void frmKESTA::txtClave_Enter()
{
    const QString key = txtClave->text();
    if (key.isEmpty() || Controles->EditMode())
        return;
    forgetShownFormat();

    // The selects read one snapshot of the tables, so that a save by another user between
    // them never shows the lines of one version with the fields of another.
    bool reading = false;
    const auto endReading = [&reading](bool commit) {
        if (!reading)
            return;
        reading = false;
        const host::ConnectionPtr connection = Publico::CoreServices().Connection();
        commit ? connection->CommitTrans() : connection->RollbackTrans();
    };
    try {
        qint64 sequence = 0;

        std::unique_ptr<host::RecordSet> lines;
        {
            const host::ConnectionPtr connection = Publico::CoreServices().Connection();
            connection->BeginReadTrans();
            reading = true;
            Publico::Sql() = storage::loadHeaderSelect(connection->engine(), key);
            lines = connection->Execute(Publico::Sql());
        }
        if (lines->EndOfSet()) {
            lines->Close();
            endReading(true);
            messages::show(this, messages::keyNotFound());
            return;
        }

        Controles->LoadAdditionalFields(key);

        // The header, from the first row.
        // Texts as stored, never cut by a box (a longer text than a box takes is refused by the
        // save with a message, not shortened behind the user's back).
        txtDescripcion->setValue(headerText(*lines, QStringLiteral("Ly_Descripcion")));
        txtArchivo->setValue(headerText(*lines, QStringLiteral("Ly_Archivo")));
        txtUser1->setValue(headerText(*lines, QStringLiteral("Ly_UserDef_1")));
        txtUser2->setValue(headerText(*lines, QStringLiteral("Ly_UserDef_2")));
        setNumericBox(*txtUser3, headerNumber(*lines, QStringLiteral("Ly_UserDef_3")));
        setNumericBox(*txtUser4, headerNumber(*lines, QStringLiteral("Ly_UserDef_4")));
        if (const QDate date5 = headerDate(*lines, QStringLiteral("Ly_UserDef_5")); date5.isValid())
            dpUser5->setDate(date5);
        if (const QDate date6 = headerDate(*lines, QStringLiteral("Ly_UserDef_6")); date6.isValid())
            dpUser6->setDate(date6);
        chInverso->setChecked(lines->Field(QStringLiteral("Ly_Inverso")).toString() ==
                              QLatin1String("SI"));
        m_userDataAsRead->remember(nullUserData(*lines));

        Controles->setRecordLoaded(true);
        Controles->setB1Caption(QStringLiteral("Copiar"));
        Controles->setB2Caption(QStringLiteral("Probar"));
        Controles->setB3Caption(QStringLiteral("Script"));
        if (lines->Field(QStringLiteral("Es_Cve_Estado")).toString() != QLatin1String("BA")) {
            Controles->setEditAllowed(true);
            Controles->setDeactivateAllowed(true);
            setMode(commands::Mode::ViewingActive);
        } else {
            Controles->setReactivateAllowed(true);
            setMode(commands::Mode::ViewingDeactivated);
            const QDate on = headerDate(*lines, QStringLiteral("Fecha_Baja"));
            lblEstado->setText(
                messages::deactivatedOn(on.isValid() ? on.toString(QStringLiteral("dd/MM/yyyy"))
                                                     : QStringLiteral("?"),
                                        headerText(*lines, QStringLiteral("Oper_Baja")))
                    .text);
        }

        // One line-grid row per Layout row, read first and added at once.
        ssLinea->RemoveAll();
        ssLinea->setRedraw(false);
        const std::pair<LineColumn, QString> lineColumns[] = {
            {LineColumn::Order, QStringLiteral("Ly_ID")},
            {LineColumn::Id, QStringLiteral("Ly_Linea_ID")},
            {LineColumn::Description, QStringLiteral("Ly_Descripcion_ID")},
            {LineColumn::Position, QStringLiteral("Ly_Posicion")},
            {LineColumn::Length, QStringLiteral("Ly_Longitud")},
        };
        QList<QVariantList> lineRows;
        while (!lines->EndOfSet()) {
            QVariantList values(ssLinea->columnCount());
            for (const auto &[column, name] : lineColumns)
                values[columnOf(column)] = lines->Field(name);
            lineRows.append(std::move(values));
            lines->MoveNext();
        }
        ssLinea->AddRows(lineRows);
        ssLinea->setRedraw(true);
        ssLinea->widenColumnsToFit();
        if (ssLinea->hasPendingEdit())
            ssLinea->Update();
        lines->Close();
        lines.reset();

        // The field store, from the key's Layout_Detalle rows.
        {
            const host::ConnectionPtr connection = Publico::CoreServices().Connection();
            const host::Engine engine = connection->engine();
            Publico::Sql() = storage::loadDetailRowsSelect(engine, txtClave->text());
            const std::unique_ptr<host::RecordSet> details = connection->Execute(Publico::Sql());
            editor::fillFieldStore(*lvDetalle->store(), *details, sequence,
                                   storage::detailRowsNeedLengthOrder(engine)
                                       ? editor::RowOrder::ByPrimaryKey
                                       : editor::RowOrder::Numeric);
        }
        // The rules, on a database that has their table, and the number each field was shown
        // under at the load beside the number it is stored under, so that the save can carry
        // each rule to the number its field is written with.
        storage::ShownRules shown;
        {
            const host::ConnectionPtr connection = Publico::CoreServices().Connection();
            if (connection->hasRulesTable()) {
                Publico::Sql() = storage::loadRuleSelect(connection->engine(), key);
                const std::unique_ptr<host::RecordSet> rules = connection->Execute(Publico::Sql());
                const auto text = [&rules](const char *column) {
                    return headerText(*rules, QString::fromLatin1(column));
                };
                while (!rules->EndOfSet()) {
                    shown.rules << storage::LayoutRuleValues{
                        key,           text("Lr_ID"),    text("Ly_ID"),
                        text("Ld_ID"), text("Lr_Regla"), text("Lr_Descripcion")};
                    rules->MoveNext();
                }
                rules->Close();
                shown.read = true;
                shown.available = true;
            }
        }
        endReading(true);
        {
            const editor::FieldStore &store = *lvDetalle->store();
            for (int i = 0; i < store.count(); ++i) {
                // The store's key is "K-" Ly_ID "-" Ld_ID as stored.
                const QString line = store.subItem(i, editor::FieldStore::LineaID);
                const QString prefix = editor::FieldStore::keyFor(line, QString());
                const QString storeKey = store.key(i);
                if (storeKey.startsWith(prefix))
                    shown.addLoadedField(line, store.subItem(i, editor::FieldStore::Id),
                                         storeKey.mid(prefix.size()));
            }
            QStringList orders;
            for (int row = 0; row < ssLinea->Rows(); ++row)
                orders << ssLinea->cell(row, columnOf(LineColumn::Order)).toString();
            m_lineEditor->setLoadedOrders(orders);
        }
        *m_shownRules = std::move(shown);
        offerRules();

        ssLinea->setCurrentRow(0);
        RellenaDetalle(ssLinea->cell(0, editor::columnOf(editor::LineColumn::Order)).toString());
    } catch (const std::exception &error) {
        try {
            endReading(false);
        } catch (const std::exception &) {
            // The load's own failure is what the user learns of.
        }
        ssLinea->setRedraw(true);
        ssDetalle->setRedraw(true);
        // A load that failed part-way leaves nothing half shown that could be edited and saved:
        // after the message the screen returns to the nothing-loaded state, also when the
        // message itself fails; the key stays in the key box.
        const auto resetAfterFailure = [this] {
            try {
                resetToNothingLoaded(*this);
                setMode(commands::Mode::Idle);
            } catch (const std::exception &) {
                // The load's failure is what the user learns of; the flags are already off.
            }
            lvDetalle->clearValue();
        };
        try {
            messages::show(this, messages::loadFailed(host::descriptionOf(error)));
        } catch (...) {
            resetAfterFailure();
            throw;
        }
        resetAfterFailure();
    }
}

void frmKESTA::txtClave_Change()
{
    if (Controles->EditMode())
        return;
    resetToNothingLoaded(*this);
    setMode(commands::Mode::Idle);
}

} // namespace kesta::screen
