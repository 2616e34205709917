// The screen's activation and the focus after its own message boxes, in the host's window and
// under a real window manager: CTest runs this test on an Xvfb display with openbox
// (tests/support/with-openbox.sh), on Qt's xcb platform. There the activation comes back from
// the window manager after a message box has closed; the offscreen platform shows none of it.
//
// The key box takes the focus when the screen becomes the active window (as every test here
// starts; from another window and back is the screen's offscreen test); the return from a message
// box shown over the screen is no such activation, and the focus is where the handler that showed
// the message put it: on the control at fault.
//
// Two journeys with the keyboard alone: a load format built, saved, found again, deactivated and
// reactivated; and one of three line types of six fields each, every cell typed and left with
// TAB or Enter, the Tipo lists opened by a letter, the buttons under the grids by their Alt keys,
// a refused "Aceptar" (a field without its position) corrected where the cursor lands (the
// arrows across Tipo cells and Escape during a line edit are the editor's tests), and the rows
// that Ctrl+S stores exactly what was typed.

#include "HostedScreen.h"
#include "support/DataRows.h"

#include <controls/DataGrid.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>
#include <QStatusBar>
#include <QtTest>

using kesta::test::dataColumns;
using kesta::test::fetchColumns;
using kesta::test::HostedScreen;
using velkora::controls::DataGrid;

namespace {

// Waits until the window manager has handled every request made so far: it handles them in
// order, so once it has mapped a window asked for now, it is through with the earlier ones. The
// window takes no focus and is shown without activation, so no window loses the activation.
void settleWindowManager()
{
    QGuiApplication::sync();
    QWidget probe(nullptr, Qt::Tool | Qt::WindowDoesNotAcceptFocus);
    probe.setAttribute(Qt::WA_ShowWithoutActivating);
    probe.setGeometry(0, 0, 1, 1);
    probe.show();
    QVERIFY(QTest::qWaitForWindowExposed(&probe));
    QGuiApplication::sync();
}

// Answers the next message box with the button once the window manager has made it the active
// window, and tells its message id. The call is queued before the command that shows the box and
// runs inside the box's own event loop; it is dropped when `context` goes first.
void answerNextMessageBox(QObject *context, QString *messageId, QMessageBox::StandardButton button)
{
    QMetaObject::invokeMethod(
        context,
        [messageId, button] {
            QMessageBox *box = nullptr;
            QTRY_VERIFY_WITH_TIMEOUT(
                (box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) &&
                    box->isActiveWindow(),
                10000);
            *messageId = box->property("messageId").toString();
            // Answered once the window manager is through with the new box (as a user answers
            // the box they see): its activation may come twice, and a second one for a box
            // already closed would leave no window active.
            settleWindowManager();
            QTRY_VERIFY(box->isActiveWindow());
            QTest::mouseClick(box->button(button), Qt::LeftButton);
        },
        Qt::QueuedConnection);
}

// How the screen is brought to a refusal whose message names a control at fault (where in a grid
// is the editor's test). Discard: not a fault, the question before Escape throws a changed edit
// away, answered No.
enum class Fault { Description, LinePositionTooLarge, Discard };

// One line type as typed: its row in the line grid (No., Id, Descripción, Posición, Longitud),
// then its six fields, cell by cell (Id, Descripción, Posición, Longitud, Tipo by its first
// letter, Valor, Formato, and Trim: "x" ticks it with the space bar). The second line type's
// third field has no Posición.
struct TypedLine {
    QStringList cells;
    QList<QStringList> fields;
};

const QList<TypedLine> &typedLines()
{
    static const QList<TypedLine> lines = [] {
        QList<TypedLine> typed;
        for (const char *line :
             {"1|0|Cabecera|1|1; 1|Registro|1|1|n; 2|Banco|2|3|t|||x; "
              "3|Fecha archivo|5|6|f||DDMMAA; 4|Servicio|11|2|c|01; 5|Empresa|13|30|t|||x; "
              "6|Secuencia|43|6|n",
              "2|1|Detalle|1|1; 1|Registro|1|1|n; 2|Nosso numero|2|20|t; "
              "3|Vencimiento||8|f||AAAAMMDD; 4|Importe|30|13|n||2; 5|Moneda|43|3|c|BRL; "
              "6|Pagador|46|40|t|||x",
              "3|9|Pie|1|1; 1|Registro|1|1|n; 2|Cantidad|2|6|n; 3|Total|8|15|n||2; "
              "4|Fecha cierre|23|8|f||DDMMAAAA; 5|Version|31|3|c|400; 6|Reservado|34|10|t|||x"}) {
            const QStringList parts = QString::fromUtf8(line).split("; ");
            typed << TypedLine{parts.first().split('|'), {}};
            for (const QString &field : parts.mid(1))
                typed.last().fields << (field + QString(7 - field.count('|'), '|')).split('|');
        }
        return typed;
    }();
    return lines;
}

// The rows that the save must have written for typedLines(), as TestDatabase::rows gives them.
QStringList expectedLayoutRows()
{
    QStringList rows;
    for (const TypedLine &line : typedLines())
        rows << QStringList{"CNAB",           "000" + line.cells.at(0), "Retorno CNAB",
                            line.cells.at(2), line.cells.at(1),         line.cells.at(3),
                            line.cells.at(4)}
                    .join('|');
    return rows;
}

QStringList expectedDetailRows()
{
    static const QHash<QString, QString> codes{{"n", "01"}, {"t", "02"}, {"f", "03"}, {"c", "04"}};
    QStringList rows;
    for (const TypedLine &line : typedLines()) {
        for (QStringList f : line.fields) {
            if (f.at(2).isEmpty())
                f[2] = "5"; // typed where the refusal put the cursor
            rows << QStringList{"000" + line.cells.at(0),
                                "000" + f.at(0),
                                f.at(1),
                                f.at(2),
                                f.at(3),
                                codes.value(f.at(4)),
                                f.at(5),
                                f.at(6),
                                f.at(7) == "x" ? "SI" : "NO"}
                        .join('|');
        }
    }
    return rows;
}

} // namespace

Q_DECLARE_METATYPE(Fault)

// With KESTA_SCREENSHOTS set to a folder, the window's picture is saved there under the name
// (the README's pictures, scripts/screenshots.sh).
void takeScreenshot(QWidget *window, const QString &name)
{
    const QString folder = qEnvironmentVariable("KESTA_SCREENSHOTS");
    if (folder.isEmpty())
        return;
    QCoreApplication::processEvents();
    QVERIFY(window->grab().save(folder + QLatin1Char('/') + name));
}

class tst_Activation : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { KESTA_REQUIRE_WINDOW_MANAGER(); }
    void focusAfterOwnMessage_data()
    {
        // The fault, the message, and where the focus is after it: the widget, and in a grid the
        // current cell's column.
        const auto add = dataColumns<Fault, QString, QString, QString>(
            {"fault", "messageId", "focus", "column"});
        add("save without description", Fault::Description, "ERR-ID:7500015", "txtDescripcion", "");
        add("line position too large", Fault::LinePositionTooLarge, "ERR-ID:7500027", "ssLinea",
            "Posicion");
        add("Escape answered No", Fault::Discard, "ERR-ID:7500045", "txtDescripcion", "");
    }
    void focusAfterOwnMessage()
    {
        auto [fault, focus, column] =
            fetchColumns<Fault, QString, QString>({"fault", "focus", "column"});
        KESTA_HOSTED_SCREEN(s, true);
        QTRY_COMPARE(s.focusName(), QStringLiteral("txtClave"));
        s.key(Qt::Key_N, Qt::ControlModifier);
        s.keys(QStringLiteral("42"));

        QString messageId;
        if (fault == Fault::Description) {
            answerNextMessageBox(&s.window, &messageId, QMessageBox::Ok);
            s.key(Qt::Key_S, Qt::ControlModifier);
        } else if (fault == Fault::Discard) {
            s.child("txtDescripcion")->setFocus();
            s.keys(QStringLiteral("Pag"));
            answerNextMessageBox(&s.window, &messageId, QMessageBox::No);
            s.key(Qt::Key_Escape);
        } else {
            s.child("txtDescripcion")->setFocus();
            s.keys(QStringLiteral("Pagos"));
            s.click(0);
            auto *lines = s.child<DataGrid>("ssLinea");
            s.typeCell(lines, 0, "Orden", "1");
            s.typeCell(lines, 0, "Descripción", "Cabecera");
            s.typeCell(lines, 0, "Posicion",
                       fault == Fault::LinePositionTooLarge ? "2147483648" : "1");
            s.typeCell(lines, 0, "Longitud", "1");
            answerNextMessageBox(&s.window, &messageId, QMessageBox::Ok);
            s.click(3);
        }
        QTEST(messageId, "messageId");
        QTRY_VERIFY(!QApplication::activeModalWidget());
        // The window manager gives the host's window the activation back.
        QVERIFY(QTest::qWaitForWindowActive(&s.window));
        QTRY_COMPARE(s.focusName(), focus);
        if (!column.isEmpty()) {
            auto *grid = s.child<DataGrid>(qPrintable(focus));
            QCOMPARE(grid->currentColumnName(), grid->columnName(grid->columnIndex(column)));
        }
        // What the user types next reaches the control at fault.
        if (fault == Fault::Description || fault == Fault::Discard) {
            s.keys(QStringLiteral("os"));
            QCOMPARE(s.child<QLineEdit>("txtClave")->text() + " " +
                         s.child<QLineEdit>("txtDescripcion")->text(),
                     fault == Fault::Discard ? QStringLiteral("42 Pagos")
                                             : QStringLiteral("0042 os"));
        }
    }
    // A load format built, saved, found again, deactivated and reactivated with the keyboard alone,
    // each step's outcome told in the window: the new row of the field grid, TAB from the grids to
    // "Aceptar" and back, the edit buttons' Alt keys, the toolbar's Ctrl keys from the key box, and
    // the notes in the status bar.
    void keyboardAloneFromNewToReactivation()
    {
        KESTA_HOSTED_SCREEN(s, true);
        QTRY_COMPARE(s.focusName(), QStringLiteral("txtClave"));
        auto *fields = s.child<DataGrid>("ssDetalle");
        QStatusBar *status = s.window.statusBar();
        if (!qEnvironmentVariableIsEmpty("KESTA_SCREENSHOTS"))
            s.window.resize(1180, 620); // the pictures show the field grid whole

        s.key(Qt::Key_N, Qt::ControlModifier);
        s.keys(QStringLiteral("42"));
        QVERIFY(tabTo(s, "txtDescripcion"));
        s.keys(QStringLiteral("Pagos"));
        s.key(Qt::Key_N, Qt::AltModifier); // "Nuevo"
        QTRY_COMPARE(s.focusName(), QStringLiteral("ssLinea"));
        // Ctrl+TAB leaves a grid from any cell, Ctrl+Shift+TAB comes back.
        s.key(Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(s.focusName(), QStringLiteral("ssDetalle"));
        s.key(Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(s.focusName(), QStringLiteral("ssLinea"));
        for (const char *cell : {"1", "H", "Cabecera", "1", "1"}) {
            s.keys(QString::fromLatin1(cell));
            s.key(Qt::Key_Tab);
        }
        // On to the field grid's new row, where typing starts the first field.
        QCOMPARE(s.focusName(), QStringLiteral("ssDetalle"));
        QVERIFY(fields->onNewRow());
        QVERIFY(fields->toolTip().contains(QStringLiteral("Insert")));
        for (const char *cell : {"1", "Campo", "1", "2", "T"}) {
            s.keys(QString::fromLatin1(cell));
            s.key(Qt::Key_Return);
        }
        QCOMPARE(fields->Rows(), 1);
        QCOMPARE(fields->cellText(0, "ID") + " " + fields->cellText(0, "Descripción"),
                 QStringLiteral("0001 Campo"));
        takeScreenshot(&s.window, QStringLiteral("general-campo-nuevo.png"));
        // From the last cell, through the new row (where no row starts without typing), on to
        // "Aceptar", and back.
        QVERIFY(tabTo(s, "cmdControles_3"));
        QVERIFY(fields->onNewRow());
        QCOMPARE(fields->Rows(), 1);
        QCOMPARE(fields->currentColumn(), fields->columnCount() - 1);
        s.key(Qt::Key_Backtab);
        QCOMPARE(s.focusName(), QStringLiteral("ssDetalle"));
        s.key(Qt::Key_Tab);
        QCOMPARE(s.focusName(), QStringLiteral("cmdControles_3"));
        s.key(Qt::Key_A, Qt::AltModifier); // "Aceptar"
        QTRY_VERIFY(s.child("cmdControles_0")->isVisible());
        QVERIFY(!fields->newRowOffered());
        QCOMPARE(fields->cellText(0, "ID"), QStringLiteral("0001"));

        s.key(Qt::Key_S, Qt::ControlModifier);
        QTRY_COMPARE(status->currentMessage(), QStringLiteral("Formato 0042 guardado"));
        takeScreenshot(&s.window, QStringLiteral("general-guardado.png"));
        QCOMPARE(
            s.db.scalar(QStringLiteral("SELECT Ld_ID || ' ' || Ld_Descripcion FROM Layout_Detalle"))
                .toString(),
            QStringLiteral("0001 Campo"));
        QCOMPARE(s.focusName(), QStringLiteral("txtClave"));

        // Found again; the toolbar's keys act from the key box, where the load leaves the focus.
        const auto load = [&s] {
            s.keys(QStringLiteral("42"));
            s.key(Qt::Key_Return);
            QTRY_VERIFY(s.child<DataGrid>("ssLinea")->Rows() == 1);
            QCOMPARE(s.focusName(), QStringLiteral("txtClave"));
        };
        load();
        QCOMPARE(s.child<QLabel>("lblEstado")->text(), QString());
        s.key(Qt::Key_D, Qt::ControlModifier);
        QTRY_COMPARE(status->currentMessage(), QStringLiteral("Formato 0042 dado de baja"));
        load();
        takeScreenshot(&s.window, QStringLiteral("general-dado-de-baja.png"));
        QVERIFY2(QRegularExpression(QStringLiteral("^Dado de baja el \\d\\d/\\d\\d/\\d{4}"))
                     .match(s.child<QLabel>("lblEstado")->text())
                     .hasMatch(),
                 qPrintable(s.child<QLabel>("lblEstado")->text()));
        s.key(Qt::Key_R, Qt::ControlModifier);
        QTRY_COMPARE(status->currentMessage(), QStringLiteral("Formato 0042 reactivado"));
        QCOMPARE(s.child<QLabel>("lblEstado")->text(), QString());
        load();
        s.key(Qt::Key_E, Qt::ControlModifier);
        QTRY_COMPARE(s.focusName(), QStringLiteral("txtDescripcion"));
    }
    void threeLineTypesTypedAndSaved()
    {
        KESTA_HOSTED_SCREEN(s);
        QTRY_COMPARE(s.focusName(), QStringLiteral("txtClave"));
        auto *lines = s.child<DataGrid>("ssLinea");
        auto *fields = s.child<DataGrid>("ssDetalle");
        const auto messageIds = [&s] {
            QStringList ids;
            for (const auto &message : s.record->messages)
                ids << message.messageId;
            return ids;
        };

        s.key(Qt::Key_N, Qt::ControlModifier);
        QTRY_COMPARE(s.focusName(), QStringLiteral("txtClave"));
        s.typeText(QStringLiteral("CNAB"));
        QVERIFY(tabTo(s, "txtDescripcion")); // (never through the key box: the editor's test)
        s.typeText(QStringLiteral("Retorno CNAB"));

        for (int l = 0; l < typedLines().size(); ++l) {
            const TypedLine &line = typedLines().at(l);
            s.key(Qt::Key_N, Qt::AltModifier); // "Nuevo"
            QTRY_COMPARE(s.focusName(), QStringLiteral("ssLinea"));
            QCOMPARE(lines->cellText(l, "Orden"), QString()); // no number is proposed
            for (const QString &cell : line.cells)
                typeCell(s, cell);
            // From the line's last cell on to the field grid's new row.
            QCOMPARE(s.focusName(), QStringLiteral("ssDetalle"));
            QVERIFY(fields->onNewRow());
            for (int f = 0; f < line.fields.size(); ++f) {
                typeField(s, line.fields.at(f));
                QCOMPARE(fields->Rows(), f + 1);
                QVERIFY(fields->onNewRow());
            }
            s.key(Qt::Key_A, Qt::AltModifier); // "Aceptar" (the button's click follows shortly)
            if (l == 1) {
                // Refused: the third field has no position; the cursor is on that cell.
                QTRY_COMPARE(messageIds(), QStringList{"ERR-ID:7500005"});
                QTRY_COMPARE(s.focusName(), QStringLiteral("ssDetalle"));
                QCOMPARE(QString::number(fields->currentRow()) + ' ' + fields->currentColumnName(),
                         QStringLiteral("2 Posicion"));
                typeCell(s, QStringLiteral("5"));
                s.key(Qt::Key_A, Qt::AltModifier);
            }
            QTRY_VERIFY(s.child("cmdControles_0")->isVisible());
            QCOMPARE(lines->Rows(), l + 1);
            QCOMPARE(fields->Rows(), 6);
        }
        // The second line's "Nosso numero" and "Vencimiento" read columns 5-12 both: told as the
        // line is accepted, as information.
        QCOMPARE(messageIds(), (QStringList{"ERR-ID:7500005", "ERR-ID:7500081"}));

        s.key(Qt::Key_S, Qt::ControlModifier);
        QTRY_COMPARE(s.window.statusBar()->currentMessage(),
                     QStringLiteral("Formato CNAB guardado"));
        QCOMPARE(s.db.rows(QStringLiteral(
                     "SELECT Ly_Cve_Layout, Ly_ID, Ly_Descripcion, Ly_Descripcion_ID, Ly_Linea_ID, "
                     "Ly_Posicion, Ly_Longitud FROM Layout ORDER BY Ly_ID")),
                 expectedLayoutRows());
        QCOMPARE(s.db.rows(QStringLiteral(
                     "SELECT Ly_ID, Ld_ID, Ld_Descripcion, Ld_Posicion, Ld_Longitud, Ld_Tipo, "
                     "Ld_Valor, Ld_Formato, Ld_Trim FROM Layout_Detalle "
                     "WHERE Ly_Cve_Layout = 'CNAB' ORDER BY Ly_ID, Ld_ID")),
                 expectedDetailRows());
    }

private:
    // TAB until the control has the focus; whether it got there.
    static bool tabTo(HostedScreen &s, const QString &name)
    {
        for (int i = 0; i < 24 && s.focusName() != name; ++i)
            s.key(Qt::Key_Tab);
        return s.focusName() == name;
    }
    // Types one cell's text (nothing for an empty cell; the space bar for a ticked Trim) and
    // leaves the cell with Enter or TAB, taking turns.
    void typeCell(HostedScreen &s, const QString &text, bool tick = false)
    {
        if (tick)
            s.key(Qt::Key_Space);
        else if (!text.isEmpty())
            s.typeText(text);
        s.key(++m_moves % 2 ? Qt::Key_Return : Qt::Key_Tab);
    }
    void typeField(HostedScreen &s, const QStringList &cells)
    {
        for (int i = 0; i < cells.size(); ++i)
            typeCell(s, i == 7 ? QString() : cells.at(i), i == 7 && cells.at(i) == "x");
        typeCell(s, QString()); // Linea_ID, the row's last cell: on to the new row
    }
    int m_moves = 0;
};

QTEST_MAIN(tst_Activation)
#include "tst_activation.moc"
