// A new analyst's way in, with the keyboard, in the host's window under a real window manager
// (CTest runs it on an Xvfb display with openbox, like tst_activation): the list of the
// stored formats opened from the key box or the toolbar, filtered and answered; a format under
// edit tested before it is saved, exactly as the save then stores it; the proposal from a sample
// file found on the toolbar and beside "Nuevo". What a new user meets on the way: commands that
// cannot act say why in the status bar when their key is pressed (which are disabled in each mode
// is the screen's test); the field grid starts at its first column for another line type or
// format; a small window still shows rows of the grids and the whole title.

#include "HostedScreen.h"
#include "load/LoadFixture.h"
#include "store/LoadFormatReader.h"
#include "support/DataRows.h"

#include <controls/Controles.h>
#include <controls/DataGrid.h>
#include <views/FormatListDialog.h>

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSqlDatabase>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QtTest>

using kesta::test::dataColumns;
using kesta::test::fetchColumns;
using kesta::test::HostedScreen;
using velkora::controls::Controles;
using velkora::controls::DataGrid;
using velkora::views::FormatListDialog;

namespace {

// Queued before the key that opens the list (which returns when the list closes): once the list
// is the active window, `act` answers it; whatever `act` leaves open is closed.
void answerList(QObject *context, const std::function<void(FormatListDialog &)> &act)
{
    QMetaObject::invokeMethod(
        context,
        [act] {
            FormatListDialog *list = nullptr;
            QTRY_VERIFY(
                (list = qobject_cast<FormatListDialog *>(QApplication::activeModalWidget())) &&
                QApplication::activeWindow() == list);
            act(*list);
            if (list->isVisible())
                list->reject();
        },
        Qt::QueuedConnection);
}

QStringList listRows(const FormatListDialog &list)
{
    QStringList rows;
    const QAbstractItemModel *model = list.table()->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < model->columnCount(); ++column)
            cells << model->index(row, column).data().toString();
        rows << cells.join('|');
    }
    return rows;
}

// Two formats: 0001 "Pagos" (writeTwoLineFormat's) and 0042 "Cobros", deactivated.
void writeTwoFormats(kesta::test::TestDatabase &db)
{
    kesta::test::writeTwoLineFormat(db);
    kesta::test::LineRow cobros;
    cobros.key = "0042", cobros.description = "Cobros", cobros.estado = "BA";
    kesta::test::insertLine(db, cobros);
    db.exec("UPDATE Layout SET Fecha_Alta = '2026-12-01 08:00:00', "
            "Fecha_Baja = '2026-12-06 10:30:15' WHERE Ly_Cve_Layout = '0042'");
}

// Whether the command is a button of the toolbar that is offered now.
bool onToolbar(HostedScreen &s, const char *command)
{
    auto *bar = s.child<Controles>("Controles");
    QAction *action = bar->action(QString::fromLatin1(command));
    return action && bar->findChild<QToolBar *>()->widgetForAction(action) &&
           bar->isOffered(action->objectName());
}

void clickOnToolbar(HostedScreen &s, const char *command)
{
    auto *bar = s.child<Controles>("Controles");
    QAction *action = bar->action(QString::fromLatin1(command));
    QWidget *button = bar->findChild<QToolBar *>()->widgetForAction(action);
    if (button && button->isVisible())
        QTest::mouseClick(button, Qt::LeftButton);
    else
        action->trigger(); // folded into the toolbar's extension menu
}

// The rectangle of a widget that shows in the window's scrolled screen area.
QRect shownPart(const HostedScreen &s, const QWidget *widget)
{
    const auto *area = s.window.findChild<QScrollArea *>(QStringLiteral("screenArea"));
    const QRect inArea(widget->mapTo(area->viewport(), QPoint(0, 0)), widget->size());
    return inArea.intersected(area->viewport()->rect());
}

} // namespace

class tst_AnalystJourney : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { KESTA_REQUIRE_WINDOW_MANAGER(); }
    // The key or the button that opens the list, what is typed in it and how it is answered: the
    // key chosen is loaded as if typed and confirmed (0042 shows deactivated), Escape changes
    // nothing, and an empty database says it has none.
    void listOfFormats_data()
    {
        // key: 0: the toolbar's button; answer: Enter, Escape, or 0: a double click on the last
        // row.
        const auto add = dataColumns<int, int, bool, QString, QStringList, int, QString>(
            {"key", "modifiers", "stored", "typed", "rows", "answer", "loaded"});
        const QString pagos = "0001|Pagos|Activo|", cobros = "0042|Cobros|De baja|06/12/2026 10:30";
        add("F2", Qt::Key_F2, 0, true, "cob", {cobros}, Qt::Key_Return, "0042");
        add("F3", Qt::Key_F3, 0, true, "", {pagos, cobros}, Qt::Key_Return, "0001");
        add("F4 Escape", Qt::Key_F4, 0, true, "PAG", {pagos}, Qt::Key_Escape, "");
        add("Ctrl+F", Qt::Key_F, Qt::ControlModifier, true, "pagos", {pagos}, Qt::Key_Enter,
            "0001");
        add("Alt+Down empty", Qt::Key_Down, Qt::AltModifier, false, "", {}, Qt::Key_Return, "");
        add("toolbar", 0, 0, true, "", {pagos, cobros}, 0, "0042");
    }
    void listOfFormats()
    {
        auto [key, modifiers, stored, typed, rows, answer, loaded] =
            fetchColumns<int, int, bool, QString, QStringList, int, QString>(
                {"key", "modifiers", "stored", "typed", "rows", "answer", "loaded"});
        KESTA_HOSTED_SCREEN(s);
        if (stored)
            writeTwoFormats(s.db);
        QTRY_COMPARE(s.focusName(), QStringLiteral("txtClave"));
        QStringList shown;
        QString summary;
        answerList(&s.window, [&](FormatListDialog &list) {
            s.typeText(typed);
            shown = listRows(list);
            summary = list.summary()->text();
            if (answer) {
                s.key(Qt::Key(answer));
            } else {
                QTableView *table = list.table();
                const QRect cell = table->visualRect(table->model()->index(rows.size() - 1, 1));
                QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
                QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
            }
        });
        if (key)
            s.key(Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        else
            clickOnToolbar(s, "Formatos");
        QTRY_VERIFY(!QApplication::activeModalWidget());
        QCOMPARE(shown, rows);
        if (!stored)
            QCOMPARE(summary, QStringLiteral("No hay formatos de carga guardados."));
        QCOMPARE(s.child<QLineEdit>("txtClave")->text(), loaded);
        QCOMPARE(s.child<DataGrid>("ssLinea")->Rows(), loaded == "0001"   ? 2
                                                       : loaded.isEmpty() ? 0
                                                                          : 1);
        QCOMPARE(s.child<QLabel>("lblEstado")->text().isEmpty(), loaded != "0042");
        QVERIFY(s.record->messages.isEmpty());
    }
    // While a new format is edited the key box takes its key: the list's keys say why they do not
    // open it, and the toolbar does not offer it.
    void listWhileEditingSaysWhy()
    {
        KESTA_HOSTED_SCREEN(s);
        writeTwoFormats(s.db);
        s.key(Qt::Key_N, Qt::ControlModifier);
        QTRY_COMPARE(s.focusName(), QStringLiteral("txtClave"));
        s.key(Qt::Key_F2);
        QTRY_COMPARE(
            s.window.statusBar()->currentMessage(),
            QStringLiteral("La lista de formatos se abre fuera de la edición: guarde o cancele "
                           "el formato de carga que edita"));
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(!onToolbar(s, "Formatos"));
    }
    // Under Edit: a screen the save would refuse is refused with the save's message and nothing is
    // tested; with a line type deleted and the description changed, the test gets the format as
    // the save then stores it, and nothing stored changes before the save.
    void testedBeforeSavingAsTheSaveStoresIt()
    {
        KESTA_HOSTED_SCREEN(s);
        writeTwoFormats(s.db);
        const auto stored = [&s] {
            return s.db.rows("SELECT * FROM Layout ORDER BY 1, 2") + QStringList{"--"} +
                   s.db.rows("SELECT * FROM Layout_Detalle ORDER BY 1, 2, 3");
        };
        const QStringList before = stored();
        s.typeText("1");
        s.key(Qt::Key_Return);
        QVERIFY(!onToolbar(s, "ProbarSinGuardar"));
        s.key(Qt::Key_E, Qt::ControlModifier);
        QTRY_VERIFY(onToolbar(s, "ProbarSinGuardar"));
        const auto lastId = [&s] { return s.record->messages.last().messageId; };

        s.child<QLineEdit>("txtDescripcion")->setFocus();
        s.child<QLineEdit>("txtDescripcion")->selectAll();
        s.key(Qt::Key_Delete);
        s.key(Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_COMPARE(lastId(), QStringLiteral("ERR-ID:7500015"));
        s.typeText("Pagos de marzo");
        s.key(Qt::Key_N, Qt::AltModifier); // a line type under edit: the save's refusal too
        QTRY_VERIFY(s.child("cmdControles_3")->isVisible());
        s.key(Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_COMPARE(lastId(), QStringLiteral("ERR-ID:7500011"));
        s.key(Qt::Key_C, Qt::AltModifier);
        QTRY_VERIFY(s.child("cmdControles_2")->isVisible());
        QCOMPARE(s.record->count("ChooseOpenFile"), 0);

        s.child<DataGrid>("ssLinea")->setFocus();
        s.child<DataGrid>("ssLinea")->setCurrentRow(1);
        s.key(Qt::Key_L, Qt::AltModifier); // "Eliminar", answered Yes
        QTRY_COMPARE(s.child<DataGrid>("ssLinea")->Rows(), 1);
        s.record->chosenFiles = {"/datos/pagos marzo.txt"};
        s.record->testResult = "resultado";
        s.key(Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_VERIFY(s.record->testedValue.has_value());
        QCOMPARE(s.record->lastCall("TestLoadFormatValue"),
                 QStringLiteral("TestLoadFormatValue(0|0001|||/datos/pagos marzo.txt)"));
        QVERIFY(s.record->lastCall("ShowText")
                    .contains("Prueba del formato 0001 sin guardar con pagos marzo.txt"));
        QCOMPARE(s.record->count("TestLoadFormat") + s.record->count("TestLoadFormatFile"), 0);
        QCOMPARE(stored(), before);

        s.key(Qt::Key_S, Qt::ControlModifier);
        QTRY_COMPARE(s.window.statusBar()->currentMessage(),
                     QStringLiteral("Formato 0001 guardado"));
        const auto saved =
            velkora::store::LoadFormatReader(QSqlDatabase::database(s.db.connectionName()))
                .read("0001");
        QVERIFY(saved);
        QCOMPARE(s.record->testedValue->description, QStringLiteral("Pagos de marzo"));
        QCOMPARE(*s.record->testedValue, *saved);
    }
    // The proposal from a sample file: "Nuevo a partir de un archivo..." (Ctrl+Shift+N) starts a
    // new format and asks for the file; the line grid's "Proponer desde archivo..." is on the
    // toolbar while a new format is edited (when it is offered is the editor's test).
    void proposalFoundOnTheToolbar()
    {
        KESTA_HOSTED_SCREEN(s);
        writeTwoFormats(s.db);
        QVERIFY(!onToolbar(s, "actProponerArchivo"));
        s.key(Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_COMPARE(s.record->count("ChooseOpenFile"), 1);
        QVERIFY(s.record->lastCall("ChooseOpenFile").contains("|Proponer desde archivo|"));
        QVERIFY(s.child<Controles>("Controles")->EditMode());
        QVERIFY(onToolbar(s, "actProponerArchivo"));
        clickOnToolbar(s, "actProponerArchivo");
        QTRY_COMPARE(s.record->count("ChooseOpenFile"), 2);
    }
    // The steps, and the status bar's note: "<command>" no está disponible: <why>.
    void keysOfCommandsThatCannotAct_data()
    {
        const auto add = dataColumns<QString, QString, QString>({"steps", "command", "why"});
        const QString edited =
            "se está editando el formato: guárdelo (Ctrl+S) o cancele (Esc) antes";
        const QString nothing = "no hay ningún formato a la vista: escriba su clave y pulse Enter";
        add("Ctrl+E, deactivated", "deactivated 1 Ctrl+E", "Editar",
            "el formato está dado de baja: reactívelo antes (Ctrl+R)");
        add("Ctrl+2 in an edit", "1 Ctrl+E Ctrl+2", "Probar",
            "se prueba el formato guardado: guarde los cambios (Ctrl+S) o cancele (Esc) antes");
        add("Ctrl+D in an edit", "1 Ctrl+E Ctrl+D", "Baja", edited);
        add("Ctrl+N in an edit", "1 Ctrl+E Ctrl+N", "Nuevo", edited);
        add("Ctrl+S, nothing edited", "1 Ctrl+S", "Guardar", "no se está editando ningún formato");
        add("Ctrl+R, active", "1 Ctrl+R", "Reactivar", "el formato no está dado de baja");
        add("Ctrl+1, nothing shown", "Ctrl+1", "Copiar", nothing);
        add("Ctrl+3 without a key", "1 clear Ctrl+3", "Script",
            "no hay ninguna clave: escriba la clave de un formato guardado");
        add("Alt+E, no line", "Ctrl+N Alt+E", "Editar",
            "el formato no tiene líneas: agregue una con Nuevo (Alt+N)");
        add("Alt+L outside an edit", "1 Alt+L", "Eliminar",
            "el formato no se está editando: pulse Editar (Ctrl+E) o Nuevo (Ctrl+N)");
        add("Alt+R, nothing shown", "Alt+R", "Reglas...", nothing);
        add("Alt+A, no line under edit", "1 Ctrl+E Alt+A", "Aceptar",
            "no se está editando ninguna línea");
    }
    void keysOfCommandsThatCannotAct()
    {
        auto [steps, command, why] =
            fetchColumns<QString, QString, QString>({"steps", "command", "why"});
        KESTA_HOSTED_SCREEN(s);
        kesta::test::writeTwoLineFormat(s.db);
        perform(s, steps);
        QTRY_COMPARE(s.window.statusBar()->currentMessage(),
                     "\"" + command + "\" no está disponible: " + why);
        QVERIFY(s.record->messages.isEmpty()); // said in the status bar, nothing else happened
    }
    void fieldGridStartsAtItsFirstColumn()
    {
        KESTA_HOSTED_SCREEN(s);
        kesta::test::writeTwoLineFormat(s.db);
        s.window.resize(700, 500);
        perform(s, "1");
        auto *fields = s.child<DataGrid>("ssDetalle");
        QScrollBar *sideways = fields->horizontalScrollBar();
        QTRY_VERIFY(sideways->maximum() > 0);
        // Another line type, then the format loaded again: each time from the first column.
        sideways->setValue(sideways->maximum());
        auto *lines = s.child<DataGrid>("ssLinea");
        QTest::mouseClick(lines->viewport(), Qt::LeftButton, {},
                          lines->visualRect(lines->model()->index(1, 0)).center());
        QTRY_COMPARE(fields->cellText(0, "Descripción"), "Fecha");
        QCOMPARE(sideways->value(), 0);
        sideways->setValue(sideways->maximum());
        perform(s, "1");
        QCOMPARE(fields->cellText(0, "Descripción"), "Cuenta");
        QCOMPARE(sideways->value(), 0);
    }
    void smallWindowShowsRowsAndTitle()
    {
        KESTA_HOSTED_SCREEN(s);
        s.window.resize(640, 400);
        QTRY_COMPARE(s.window.size(), QSize(640, 400));
        // More than three rows of each grid in sight, below its captions.
        for (const char *name : {"ssLinea", "ssDetalle"}) {
            auto *grid = s.child<DataGrid>(name);
            const int rowHeight = grid->verticalHeader()->defaultSectionSize();
            QVERIFY2(shownPart(s, grid->viewport()).height() >= 4 * rowHeight,
                     qPrintable(QStringLiteral("%1: %2 pixels for rows of %3")
                                    .arg(name)
                                    .arg(shownPart(s, grid->viewport()).height())
                                    .arg(rowHeight)));
        }
        // The toolbar's title whole and in sight.
        auto *title =
            s.child<velkora::controls::Controles>("Controles")->findChild<QLabel *>("caption");
        QCOMPARE(title->text(), "Formatos de carga");
        QVERIFY(title->width() >= title->sizeHint().width());
        QCOMPARE(shownPart(s, title),
                 QRect(title->mapTo(s.window.findChild<QScrollArea *>("screenArea")->viewport(),
                                    QPoint(0, 0)),
                       title->size()));
    }

private:
    // Steps as the user takes them: "deactivated" (the stored format is), "1" (its key typed
    // and confirmed), "clear" (the key box emptied), any other a key sequence ("Ctrl+E").
    static void perform(HostedScreen &s, const QString &steps)
    {
        for (const QString &step : steps.split(' ', Qt::SkipEmptyParts)) {
            if (step == "deactivated") {
                s.db.exec("UPDATE Layout SET Es_Cve_Estado = 'BA'");
            } else if (step == "1") {
                s.child("txtClave")->setFocus();
                s.typeText(step);
                s.key(Qt::Key_Return);
                QTRY_VERIFY(s.child<DataGrid>("ssLinea")->Rows() > 0);
            } else if (step == "clear") {
                auto *box = s.child<QLineEdit>("txtClave");
                box->setFocus();
                box->selectAll();
                s.key(Qt::Key_Delete);
            } else {
                QTest::keySequence(HostedScreen::focus(), QKeySequence(step));
            }
        }
    }
};

QTEST_MAIN(tst_AnalystJourney)
#include "tst_analystjourney.moc"
