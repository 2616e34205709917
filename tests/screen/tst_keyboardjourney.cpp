// A load format typed with the keyboard alone, as a new user types it, in the host's window under
// a real window manager: CTest runs this test on an Xvfb display with openbox
// (tests/support/with-openbox.sh), on Qt's xcb platform; without one it skips, saying why.
//
// From the key box: Ctrl+N, the key and the description, then three line types of six fields
// each, every cell typed and left with TAB or Enter, the Tipo lists opened by a letter, the
// buttons under the grids by their Alt keys. On the way: a refused "Aceptar" (a field without
// its position) corrected where the cursor lands, an Escape answered No and the edit continued,
// and arrow keys across Tipo cells that must not change them. Ctrl+S saves; the rows stored in
// Layout and Layout_Detalle are then exactly what was typed.

#include "HostedScreen.h"

#include <controls/DataGrid.h>

#include <QApplication>
#include <QLineEdit>
#include <QStatusBar>
#include <QtTest>

using kesta::test::HostedScreen;
using velkora::controls::DataGrid;

namespace {

// One line type as typed: its row in the line grid, then its six fields.
struct TypedLine {
    QStringList cells; // No., Id, Descripción, Posición, Longitud
    QList<QStringList> fields;
};

// A field as typed, cell by cell: Id, Descripción, Posición, Longitud, Tipo (its first letter),
// Valor, Formato, Trim ("x" ticks it with the space bar).
QStringList field(const char *id, const char *description, const char *position, const char *length,
                  const char *type, const char *value = "", const char *format = "",
                  const char *trim = "")
{
    return {id, description, position, length, type, value, format, trim};
}

const QList<TypedLine> &typedLines()
{
    static const QList<TypedLine> lines{
        {{"1", "0", "Cabecera", "1", "1"},
         {field("1", "Registro", "1", "1", "n"), field("2", "Banco", "2", "3", "t", "", "", "x"),
          field("3", "Fecha archivo", "5", "6", "f", "", "DDMMAA"),
          field("4", "Servicio", "11", "2", "c", "01"),
          field("5", "Empresa", "13", "30", "t", "", "", "x"),
          field("6", "Secuencia", "43", "6", "n")}},
        {{"2", "1", "Detalle", "1", "1"},
         {field("1", "Registro", "1", "1", "n"), field("2", "Nosso numero", "2", "20", "t"),
          field("3", "Vencimiento", "", "8", "f", "", "AAAAMMDD"), // Posición forgotten
          field("4", "Importe", "30", "13", "n", "", "2"),
          field("5", "Moneda", "43", "3", "c", "BRL"),
          field("6", "Pagador", "46", "40", "t", "", "", "x")}},
        {{"3", "9", "Pie", "1", "1"},
         {field("1", "Registro", "1", "1", "n"), field("2", "Cantidad", "2", "6", "n"),
          field("3", "Total", "8", "15", "n", "", "2"),
          field("4", "Fecha cierre", "23", "8", "f", "", "DDMMAAAA"),
          field("5", "Version", "31", "3", "c", "400"),
          field("6", "Reservado", "34", "10", "t", "", "", "x")}},
    };
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

class tst_KeyboardJourney : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { KESTA_REQUIRE_WINDOW_MANAGER(); }
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
        // TAB on to the description, never back into the key box on the way.
        for (int i = 0; i < 12 && s.focusName() != QStringLiteral("txtDescripcion"); ++i) {
            s.key(Qt::Key_Tab);
            QVERIFY(s.focusName() != QStringLiteral("txtClave"));
        }
        QCOMPARE(s.focusName(), QStringLiteral("txtDescripcion"));
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
                if (l == 2 && f == 2) {
                    // On the way to the third field: up across the Tipo cells above and back, with
                    // the arrows, and an Escape answered No. Nothing changes, the edit goes on.
                    const QStringList before = {fields->cellText(0, "Tipo"),
                                                fields->cellText(1, "Tipo")};
                    s.key(Qt::Key_Up);
                    for (int i = 0; i < 4; ++i)
                        s.key(Qt::Key_Right);
                    QCOMPARE(fields->currentColumnName(), QStringLiteral("Tipo"));
                    s.key(Qt::Key_Up);
                    s.key(Qt::Key_Down);
                    s.key(Qt::Key_Left);
                    s.key(Qt::Key_Right);
                    QCOMPARE(QString::number(fields->currentRow()) + ' ' +
                                 fields->currentColumnName(),
                             QStringLiteral("1 Tipo"));
                    QCOMPARE(
                        QStringList({fields->cellText(0, "Tipo"), fields->cellText(1, "Tipo")}),
                        before);
                    s.record->answers = {7};
                    s.key(Qt::Key_Escape);
                    QCOMPARE(messageIds().mid(messageIds().size() - 1),
                             QStringList{"ERR-ID:7500071"});
                    QVERIFY(s.child("cmdControles_3")->isVisible()); // the line edit goes on
                    QCOMPARE(fields->Rows(), 2);
                    // On with TAB from the Tipo cell to the new row, where the third field is
                    // typed.
                    for (int i = 0; i < 5; ++i)
                        s.key(Qt::Key_Tab);
                    QVERIFY(fields->onNewRow());
                    QCOMPARE(fields->currentColumn(), 0);
                }
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
        QCOMPARE(messageIds(), (QStringList{"ERR-ID:7500005", "ERR-ID:7500081", "ERR-ID:7500071"}));

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

QTEST_MAIN(tst_KeyboardJourney)
#include "tst_keyboardjourney.moc"
