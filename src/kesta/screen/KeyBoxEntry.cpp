// The key box's two handlers, the load of a load format by its key (Enter) and the reset of the
// screen when the key changes, and the toolbar's three extra buttons once a load format is
// shown: Copy ("Copiar"), Test ("Probar") and Script ("Script"). The stored format is read by
// the one reader of the store and shown by editor::ShownFormat; the test and the script are
// commands/StoredFormatCommands.

#include "frmKESTA.h"

#include "commands/StoredFormatCommands.h"
#include "editor/FieldStore.h"
#include "editor/GridColumns.h"
#include "editor/LineEditor.h"
#include "editor/ShownFormat.h"
#include "editor/UserDataAsRead.h"
#include "host/Publico.h"
#include "host/RuntimeError.h"
#include "messages/Messages.h"
#include "store/LoadFormatReader.h"
#include "store/RuleRows.h"

#include "controls/Controles.h"
#include "controls/DataGrid.h"
#include "controls/TextBox.h"

#include <QLabel>
#include <QScopeGuard>

namespace kesta::screen {

namespace {

using velkora::formats::LoadFormat;
using velkora::store::StoredLoadFormat;

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

// The stored rules, and the number each field was shown under at the load beside the number it
// is stored under, so that the save can carry each rule to the number its field is written with.
velkora::store::ShownRules shownRules(const LoadFormat &format, const editor::FieldStore &store)
{
    velkora::store::ShownRules shown;
    for (const auto &rule : format.rules)
        shown.rules << velkora::store::LayoutRuleValues{format.key,   rule.id,   rule.lineOrder,
                                                        rule.fieldId, rule.text, rule.description};
    shown.read = shown.available = format.rulesAvailable;
    for (int i = 0; i < store.count(); ++i) {
        // The store's key is "K-" Ly_ID "-" Ld_ID as stored.
        const QString line = store.subItem(i, editor::FieldStore::LineaID);
        const QString prefix = editor::FieldStore::keyFor(line, QString());
        const QString storeKey = store.key(i);
        if (storeKey.startsWith(prefix))
            shown.addLoadedField(line, store.subItem(i, editor::FieldStore::Id),
                                 storeKey.mid(prefix.size()));
    }
    return shown;
}

// A load format shown: the toolbar told that a record is loaded, the extra buttons' captions,
// and what the state allows (only switched on: only the key change switches them off). The
// mode it is viewed in.
commands::Mode offerLoaded(velkora::controls::Controles &toolbar, const QString &state)
{
    toolbar.setRecordLoaded(true);
    toolbar.setB1Caption(QStringLiteral("Copiar"));
    toolbar.setB2Caption(QStringLiteral("Probar"));
    toolbar.setB3Caption(QStringLiteral("Script"));
    if (state == QLatin1String("BA")) {
        toolbar.setReactivateAllowed(true);
        return commands::Mode::ViewingDeactivated;
    }
    toolbar.setEditAllowed(true);
    toolbar.setDeactivateAllowed(true);
    return commands::Mode::ViewingActive;
}

// When and by whom a shown format was deactivated.
QString deactivationNote(const velkora::store::StoredColumns &stored)
{
    const QDate on =
        editor::ShownFormat::storedDate(stored.deactivatedOn, QStringLiteral("Fecha_Baja"));
    return messages::deactivatedOn(on.isValid() ? on.toString(QStringLiteral("dd/MM/yyyy"))
                                                : QStringLiteral("?"),
                                   stored.deactivatedBy)
        .text;
}

QStringList lineOrders(const LoadFormat &format)
{
    QStringList orders;
    for (const auto &type : format.lineTypes)
        orders << type.order;
    return orders;
}

} // namespace

void frmKESTA::txtClave_Enter()
{
    const QString key = txtClave->text();
    if (key.isEmpty() || Controles->EditMode())
        return;
    forgetShownFormat();
    try {
        const std::optional<StoredLoadFormat> stored =
            velkora::store::LoadFormatReader([] { return Publico::CoreServices().Connection(); },
                                             &Publico::Sql())
                .readStored(key);
        if (!stored) {
            messages::show(this, messages::keyNotFound());
            return;
        }
        Controles->LoadAdditionalFields(key);
        const editor::ShownFormat shown({txtDescripcion,
                                         txtArchivo,
                                         {txtUser1, txtUser2, txtUser3, txtUser4, dpUser5, dpUser6},
                                         chInverso,
                                         ssLinea,
                                         &fieldStore()});
        shown.showHeader(*stored);
        m_userDataAsRead->remember(editor::ShownFormat::nullUserData(*stored));
        setMode(offerLoaded(*Controles, stored->format.state));
        if (stored->format.state == QLatin1String("BA"))
            lblEstado->setText(deactivationNote(stored->stored));
        shown.showLines(*stored);
        shown.fillStore(*stored);
        m_lineEditor->setLoadedOrders(lineOrders(stored->format));
        *m_shownRules = shownRules(stored->format, fieldStore());
        offerRules();
        ssLinea->setCurrentRow(0);
        RellenaDetalle(ssLinea->cell(0, editor::columnOf(editor::LineColumn::Order)).toString());
    } catch (const std::exception &error) {
        ssLinea->setRedraw(true);
        ssDetalle->setRedraw(true);
        // A load that failed part-way leaves nothing half shown that could be edited and saved:
        // after the message the screen returns to the nothing-loaded state, also when the
        // message itself fails; the key stays in the key box.
        const auto reset = qScopeGuard([this] {
            try {
                resetToNothingLoaded(*this);
                setMode(commands::Mode::Idle);
            } catch (const std::exception &) {
                // The load's failure is what the user learns of; the flags are already off.
            }
            lvDetalle->clearValue();
        });
        messages::show(this, messages::loadFailed(host::descriptionOf(error)));
    }
}

void frmKESTA::txtClave_Change()
{
    if (Controles->EditMode())
        return;
    resetToNothingLoaded(*this);
    setMode(commands::Mode::Idle);
}

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

// Test on another file: the user picks it (starting where the stored one is); the stored
// format, its file included, stays as it is.
void frmKESTA::Controles_B2FileClick()
{
    if (const QString file = commands::chooseTestFile(this, txtArchivo->text()); !file.isEmpty())
        testStoredFormat(file);
}

void frmKESTA::testStoredFormat(const QString &file)
{
    commands::testStoredFormat(this, txtClave->text(), ssLinea->currentRow(),
                               ssDetalle->currentRow(), file);
}

// Script: the stored rows of the key as a script, the Layout part first.
void frmKESTA::Controles_B3Click()
{
    commands::showStoredFormatScript(this, txtClave->text());
}

} // namespace kesta::screen
