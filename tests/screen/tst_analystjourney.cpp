// A new analyst's way in, with the keyboard, in the host's window under a real window manager
// (CTest runs it on an Xvfb display with openbox, like tst_keyboardjourney): the list of the
// stored formats opened from the key box or the toolbar, filtered and answered; a format under
// edit tested before it is saved, exactly as the save then stores it; the proposal from a sample
// file found on the toolbar and beside "Nuevo".

#include "HostedScreen.h"
#include "load/LoadFixture.h"
#include "store/LoadFormatReader.h"

#include <controls/Controles.h>
#include <controls/DataGrid.h>
#include <views/FormatListDialog.h>

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QScreen>
#include <QSqlDatabase>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QtTest>

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

} // namespace

class tst_AnalystJourney : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void listOfFormats_data();
    void listOfFormats();
    void listWhileEditingSaysWhy();
    void testedBeforeSavingAsTheSaveStoresIt();
    void proposalFoundOnTheToolbar();
};

void tst_AnalystJourney::initTestCase()
{
    const QByteArray missing = qgetenv("KESTA_NO_WINDOW_MANAGER");
    if (!missing.isEmpty())
        QSKIP(qPrintable("no window manager to test with: " + QString::fromLocal8Bit(missing)));
    if (QGuiApplication::platformName() != QStringLiteral("xcb"))
        QSKIP(qPrintable("no window manager to test with: the platform is " +
                         QGuiApplication::platformName() +
                         " (run it through CTest, under tests/support/with-openbox.sh)"));
    QCursor::setPos(QGuiApplication::primaryScreen()->geometry().bottomRight());
}

// The key or the button that opens the list, what is typed in it and how it is answered: the
// key chosen is loaded as if typed and confirmed (0042 shows deactivated), Escape changes
// nothing, and an empty database says it has none.
void tst_AnalystJourney::listOfFormats_data()
{
    QTest::addColumn<int>("key"); // 0: the toolbar's button
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("stored");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<int>("answer"); // Enter, Escape, or 0: a double click on the last row
    QTest::addColumn<QString>("loaded");
    const QString pagos = "0001|Pagos|Activo|", cobros = "0042|Cobros|De baja|06/12/2026 10:30";
    const auto row = [](const char *name, int key, int modifiers, bool stored, const char *typed,
                        const QStringList &rows, int answer, const char *loaded) {
        QTest::newRow(name) << key << modifiers << stored << QString::fromUtf8(typed) << rows
                            << answer << QString::fromUtf8(loaded);
    };
    row("F2", Qt::Key_F2, 0, true, "cob", {cobros}, Qt::Key_Return, "0042");
    row("F3", Qt::Key_F3, 0, true, "", {pagos, cobros}, Qt::Key_Return, "0001");
    row("F4 Escape", Qt::Key_F4, 0, true, "PAG", {pagos}, Qt::Key_Escape, "");
    row("Ctrl+F", Qt::Key_F, Qt::ControlModifier, true, "pagos", {pagos}, Qt::Key_Enter, "0001");
    row("Alt+Down empty", Qt::Key_Down, Qt::AltModifier, false, "", {}, Qt::Key_Return, "");
    row("toolbar", 0, 0, true, "", {pagos, cobros}, 0, "0042");
}

void tst_AnalystJourney::listOfFormats()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, stored);
    QFETCH(QString, typed);
    QFETCH(QStringList, rows);
    QFETCH(int, answer);
    QFETCH(QString, loaded);
    HostedScreen s;
    QVERIFY2(s.db.ok(), qPrintable(s.db.error()));
    if (stored)
        writeTwoFormats(s.db);
    QVERIFY(QTest::qWaitForWindowActive(&s.window));
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
    QCOMPARE(s.child<DataGrid>("ssLinea")->Rows(), loaded == "0001" ? 2 : loaded.isEmpty() ? 0 : 1);
    QCOMPARE(s.child<QLabel>("lblEstado")->text().isEmpty(), loaded != "0042");
    QVERIFY(s.record->messages.isEmpty());
}

// While a new format is edited the key box takes its key: the list's keys say why they do not
// open it, and the toolbar does not offer it.
void tst_AnalystJourney::listWhileEditingSaysWhy()
{
    HostedScreen s;
    writeTwoFormats(s.db);
    QVERIFY(QTest::qWaitForWindowActive(&s.window));
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
void tst_AnalystJourney::testedBeforeSavingAsTheSaveStoresIt()
{
    HostedScreen s;
    writeTwoFormats(s.db);
    QVERIFY(QTest::qWaitForWindowActive(&s.window));
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
    QTRY_COMPARE(s.window.statusBar()->currentMessage(), QStringLiteral("Formato 0001 guardado"));
    const auto saved =
        velkora::store::LoadFormatReader(QSqlDatabase::database(s.db.connectionName()))
            .read("0001");
    QVERIFY(saved);
    QCOMPARE(s.record->testedValue->description, QStringLiteral("Pagos de marzo"));
    QCOMPARE(*s.record->testedValue, *saved);
}

// The proposal from a sample file: "Nuevo a partir de un archivo..." (Ctrl+Shift+N) starts a new
// format and asks for the file; the line grid's "Proponer desde archivo..." is on the toolbar
// while a new format is edited, and not under Edit.
void tst_AnalystJourney::proposalFoundOnTheToolbar()
{
    HostedScreen s;
    writeTwoFormats(s.db);
    QVERIFY(QTest::qWaitForWindowActive(&s.window));
    QVERIFY(!onToolbar(s, "actProponerArchivo"));
    s.key(Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_COMPARE(s.record->count("ChooseOpenFile"), 1);
    QVERIFY(s.record->lastCall("ChooseOpenFile").contains("|Proponer desde archivo|"));
    QVERIFY(s.child<Controles>("Controles")->EditMode());
    QVERIFY(onToolbar(s, "actProponerArchivo"));
    s.key(Qt::Key_N, Qt::AltModifier); // a line type under edit: not offered
    QTRY_VERIFY(!onToolbar(s, "actProponerArchivo"));
    s.key(Qt::Key_C, Qt::AltModifier);
    QTRY_VERIFY(onToolbar(s, "actProponerArchivo"));
    clickOnToolbar(s, "actProponerArchivo");
    QTRY_COMPARE(s.record->count("ChooseOpenFile"), 2);

    s.child<Controles>("Controles")->action("Cancel")->trigger();
    s.child("txtClave")->setFocus();
    s.typeText("1");
    s.key(Qt::Key_Return);
    s.key(Qt::Key_E, Qt::ControlModifier);
    QTRY_VERIFY(onToolbar(s, "ProbarSinGuardar"));
    QVERIFY(!onToolbar(s, "actProponerArchivo"));
}

QTEST_MAIN(tst_AnalystJourney)
#include "tst_analystjourney.moc"
