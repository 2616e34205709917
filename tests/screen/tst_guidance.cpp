// What a new user meets on the way, in the host's window under a real window manager (CTest runs
// it on an Xvfb display with openbox, tests/support/with-openbox.sh; without one it skips):
// commands that cannot act say why in the status bar when their key is pressed (which are
// disabled in each mode is the screen's test); the field grid starts at its first column for
// another line type or format; a small window still shows rows of the grids and the whole title.

#include "HostedScreen.h"
#include "support/DataRows.h"

#include <controls/Controles.h>
#include <controls/DataGrid.h>

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QtTest>

using kesta::test::dataColumns;
using kesta::test::fetchColumns;
using kesta::test::HostedScreen;
using velkora::controls::DataGrid;

namespace {

// The rectangle of a widget that shows in the window's scrolled screen area.
QRect shownPart(const HostedScreen &s, const QWidget *widget)
{
    const auto *area = s.window.findChild<QScrollArea *>(QStringLiteral("screenArea"));
    const QRect inArea(widget->mapTo(area->viewport(), QPoint(0, 0)), widget->size());
    return inArea.intersected(area->viewport()->rect());
}

} // namespace

class tst_Guidance : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { KESTA_REQUIRE_WINDOW_MANAGER(); }
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

QTEST_MAIN(tst_Guidance)
#include "tst_guidance.moc"
