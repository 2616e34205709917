// ClearScreen, EnableScreen, SimulateKeys and the grid commands on real widgets.

#include "controls/DataGrid.h"
#include "controls/SmallControls.h"
#include "controls/TextBox.h"
#include "host/RuntimeError.h"
#include "services/GridTools.h"
#include "services/ScreenTools.h"
#include "services/ToolServicesImpl.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>

using kesta::host::RuntimeError;
using velkora::controls::DataGrid;
using velkora::controls::GridColumn;
namespace services = velkora::services;

namespace {

template <typename W>
W *tagged(W *widget, const QString &name, const QVariant &tag = QStringLiteral("1"))
{
    widget->setObjectName(name);
    if (tag.isValid())
        widget->setProperty("Tag", tag);
    return widget;
}

void fillGrid(DataGrid *grid, const QList<QStringList> &rows)
{
    for (const QStringList &row : rows) {
        const int r = grid->AddNew();
        for (int c = 0; c < row.size(); ++c)
            grid->setCell(r, c, row.at(c));
        grid->Update();
    }
}

DataGrid *sampleGrid(QWidget *parent)
{
    auto *grid = new DataGrid(parent);
    grid->setObjectName(QStringLiteral("ssLinea"));
    auto column = [](const char *name, const QString &caption, const QString &format = {}) {
        GridColumn c;
        c.name = QLatin1String(name);
        c.caption = caption;
        c.format = format;
        return c;
    };
    grid->setColumns({column("Orden", QStringLiteral("No."), QStringLiteral("0000")),
                      column("Descripcion", QStringLiteral("Descripción")),
                      column("Oculta", QStringLiteral("Oculta")),
                      column("Valor", QStringLiteral("Valor"))});
    grid->setColumnHidden(2, true);
    fillGrid(grid, {{QStringLiteral("1"), QStringLiteral("Con coma, aquí"), QStringLiteral("x"),
                     QStringLiteral("dijo \"hola\"")},
                    {QStringLiteral("12"), QStringLiteral("línea 1\nlínea 2"), QStringLiteral("y"),
                     QStringLiteral("Ñandú\tfin")}});
    return grid;
}

void activate(QWidget &window)
{
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
}

QString focusName()
{
    QWidget *focus = QApplication::focusWidget();
    if (!focus)
        return QStringLiteral("(none)");
    // A cell editor counts as its grid.
    for (QWidget *w = focus; w; w = w->parentWidget())
        if (qobject_cast<DataGrid *>(w))
            return w->objectName() + (w == focus ? QString() : QStringLiteral("/editor"));
    return focus->objectName();
}

} // namespace

class TestScreenTools : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        services::setExportFileChooser({});
        QGuiApplication::clipboard()->clear();
    }

    void clearAndEnableScreen()
    {
        QWidget screen;
        screen.setObjectName(QStringLiteral("frmPrueba"));
        auto *layout = new QVBoxLayout(&screen);
        auto *frame = new QFrame(&screen);
        frame->setObjectName(QStringLiteral("frGeneral"));
        auto *frameLayout = new QHBoxLayout(frame);
        layout->addWidget(frame);

        auto *text =
            tagged(new QLineEdit(QStringLiteral("abc"), frame), QStringLiteral("txtDescripcion"));
        auto *check = tagged(new QCheckBox(frame), QStringLiteral("chInverso"));
        check->setChecked(true);
        auto *number = tagged(new velkora::controls::TextBox(frame), QStringLiteral("txtUser3"));
        number->setNumeric(4);
        number->setValue(12.5);
        auto *date = tagged(new velkora::controls::DatePicker(frame), QStringLiteral("dpUser5"));
        date->setDate(QDate(2020, 1, 2));
        auto *combo = tagged(new QComboBox(frame), QStringLiteral("cmbTipo"), 1); // tag as a number
        combo->addItems({QStringLiteral("A"), QStringLiteral("B")});
        combo->setCurrentIndex(1);
        auto *grid = tagged(sampleGrid(&screen), QStringLiteral("ssLinea"));
        auto *key = tagged(new QLineEdit(QStringLiteral("0001"), &screen),
                           QStringLiteral("txtClave"), QVariant());
        auto *untaggedCheck = tagged(new QCheckBox(&screen), QStringLiteral("chOtro"), QVariant());
        untaggedCheck->setChecked(true);
        auto *otherTag = tagged(new QLineEdit(QStringLiteral("dos"), &screen),
                                QStringLiteral("txtDos"), QStringLiteral("2"));
        for (QWidget *w : {static_cast<QWidget *>(text), static_cast<QWidget *>(check),
                           static_cast<QWidget *>(number), static_cast<QWidget *>(date),
                           static_cast<QWidget *>(combo)})
            frameLayout->addWidget(w);
        for (QWidget *w : {static_cast<QWidget *>(grid), static_cast<QWidget *>(key),
                           static_cast<QWidget *>(untaggedCheck), static_cast<QWidget *>(otherTag)})
            layout->addWidget(w);
        QCOMPARE(grid->Rows(), 2);

        services::ToolServicesImpl tool(QStringLiteral("unused"), QStringLiteral("X"));
        tool.ClearScreen(&screen, 1);

        QCOMPARE(text->text(), QString());
        QVERIFY(!check->isChecked());
        QCOMPARE(number->text(), number->emptyValue());
        QCOMPARE(number->text(), QStringLiteral("0.0000"));
        QCOMPARE(date->date(), QDate::currentDate());
        QCOMPARE(combo->currentIndex(), -1);
        QCOMPARE(grid->Rows(), 0);
        for (QWidget *w : {static_cast<QWidget *>(text), static_cast<QWidget *>(check),
                           static_cast<QWidget *>(number), static_cast<QWidget *>(date),
                           static_cast<QWidget *>(combo)})
            QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
        QVERIFY(grid->isEnabled()); // grids stay browsable
        // Untagged and otherwise tagged controls are left alone.
        QCOMPARE(key->text(), QStringLiteral("0001"));
        QVERIFY(key->isEnabled());
        QVERIFY(untaggedCheck->isChecked());
        QCOMPARE(otherTag->text(), QStringLiteral("dos"));
        QVERIFY(frame->isEnabled());

        key->setEnabled(false);
        grid->setEnabled(false);
        tool.EnableScreen(&screen, 1);
        for (QWidget *w : {static_cast<QWidget *>(text), static_cast<QWidget *>(check),
                           static_cast<QWidget *>(number), static_cast<QWidget *>(date),
                           static_cast<QWidget *>(combo), static_cast<QWidget *>(grid)})
            QVERIFY2(w->isEnabled(), qPrintable(w->objectName()));
        QVERIFY(!key->isEnabled());

        // Tag 2 empties only its own.
        services::clearScreen(&screen, 2);
        QCOMPARE(otherTag->text(), QString());
        QVERIFY(!otherTag->isEnabled());
        QVERIFY(untaggedCheck->isChecked());

        QVERIFY_THROWS_EXCEPTION(RuntimeError, tool.ClearScreen(nullptr, 1));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, tool.EnableScreen(nullptr, 1));
    }

    void tabLandsWhereATypedTabLands_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<int>("startColumn");
        QTest::addColumn<bool>("editing");
        QTest::newRow("first box") << QStringLiteral("txtA") << -1 << false;
        QTest::newRow("box before grid") << QStringLiteral("txtB") << -1 << false;
        QTest::newRow("grid cell") << QStringLiteral("ssLinea") << 0 << false;
        QTest::newRow("grid last cell") << QStringLiteral("ssLinea") << 3 << false;
        QTest::newRow("grid cell editor") << QStringLiteral("ssLinea") << 1 << true;
        QTest::newRow("last box wraps") << QStringLiteral("txtC") << -1 << false;
    }
    void tabLandsWhereATypedTabLands()
    {
        QFETCH(QString, start);
        QFETCH(int, startColumn);
        QFETCH(bool, editing);

        QWidget window;
        window.setObjectName(QStringLiteral("frmTab"));
        auto *layout = new QVBoxLayout(&window);
        for (const char *name : {"txtA", "txtB"}) {
            auto *box = new QLineEdit(&window);
            box->setObjectName(QLatin1String(name));
            layout->addWidget(box);
        }
        DataGrid *grid = sampleGrid(&window);
        layout->addWidget(grid);
        auto *last = new QLineEdit(&window);
        last->setObjectName(QStringLiteral("txtC"));
        layout->addWidget(last);
        activate(window);

        struct Landing {
            QString focus;
            int row = -1;
            int column = -1;
            QString firstCell;
        };
        auto prepare = [&] {
            grid->setCurrentCell(0, startColumn < 0 ? 0 : startColumn);
            QWidget *target = window.findChild<QWidget *>(start);
            target->setFocus(Qt::TabFocusReason);
            if (editing) {
                grid->edit(grid->currentIndex());
                QVERIFY(QApplication::focusWidget() != grid);
                QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("zz"));
            }
        };
        auto landing = [&] {
            return Landing{focusName(), grid->currentRow(), grid->currentColumn(),
                           grid->cellText(0, QStringLiteral("Descripcion"))};
        };

        prepare();
        QCOMPARE(focusName(), start + (editing ? QStringLiteral("/editor") : QString()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        const Landing typed = landing();

        prepare();
        services::simulateKeys(QStringLiteral("\t"));
        const Landing simulated = landing();

        QCOMPARE(simulated.focus, typed.focus);
        QCOMPARE(simulated.row, typed.row);
        QCOMPARE(simulated.column, typed.column);
        QCOMPARE(simulated.firstCell, typed.firstCell);
        QVERIFY(simulated.focus != start || startColumn >= 0); // it moved
    }

    void simulatedCharactersAreTyped()
    {
        QWidget window;
        window.setObjectName(QStringLiteral("frmTexto"));
        auto *box = new QLineEdit(&window);
        box->setObjectName(QStringLiteral("txtA"));
        auto *next = new QLineEdit(&window);
        next->setObjectName(QStringLiteral("txtB"));
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(box);
        layout->addWidget(next);
        activate(window);
        box->setFocus();
        services::ToolServicesImpl tool(QStringLiteral("unused"), QStringLiteral("X"));
        tool.SimulateKeys(QStringLiteral("Año 7\b\tz"), 0);
        QCOMPARE(box->text(), QStringLiteral("Año "));
        QCOMPARE(next->text(), QStringLiteral("z"));
        QCOMPARE(QApplication::focusWidget(), next);
    }

    void gridTexts()
    {
        QWidget owner;
        DataGrid *grid = sampleGrid(&owner);
        const services::GridTable table = services::gridTable(grid);
        QCOMPARE(table.captions, (QStringList{QStringLiteral("No."), QStringLiteral("Descripción"),
                                              QStringLiteral("Valor")}));
        QCOMPARE(table.rows.size(), 2);
        QCOMPARE(table.rows.at(1).at(0), QStringLiteral("0012")); // as shown
        QCOMPARE(services::tabSeparatedText(table),
                 QStringLiteral("No.\tDescripción\tValor\n"
                                "0001\tCon coma, aquí\tdijo \"hola\"\n"
                                "0012\tlínea 1 línea 2\tÑandú fin\n"));
        QCOMPARE(services::csvText(table),
                 QStringLiteral("No.,Descripción,Valor\r\n"
                                "0001,\"Con coma, aquí\",\"dijo \"\"hola\"\"\"\r\n"
                                "0012,\"línea 1\nlínea 2\",Ñandú\tfin\r\n"));
    }

    void menuCopiesAndExports()
    {
        QWidget owner;
        DataGrid *grid = sampleGrid(&owner);
        QTemporaryDir dir;
        QString suggested;
        services::setExportFileChooser([&](QWidget *g, const QString &name) {
            suggested = name;
            return g == grid ? dir.filePath(QStringLiteral("filas")) : QString();
        });

        std::unique_ptr<QMenu> menu(services::createGridMenu(grid, nullptr));
        QCOMPARE(menu->objectName(), QStringLiteral("mnuGrid"));
        auto *copy = menu->findChild<QAction *>(QStringLiteral("actCopiarFilas"));
        auto *exportAction = menu->findChild<QAction *>(QStringLiteral("actExportarCsv"));
        QVERIFY(copy && exportAction);
        QCOMPARE(copy->text(), QStringLiteral("Copiar todas las filas"));
        QCOMPARE(exportAction->text(), QStringLiteral("Exportar a archivo CSV..."));

        copy->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 services::tabSeparatedText(services::gridTable(grid)));

        exportAction->trigger();
        QCOMPARE(suggested, QStringLiteral("ssLinea.csv"));
        QFile file(dir.filePath(QStringLiteral("filas.csv"))); // the extension is added
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        QCOMPARE(QString::fromUtf8(bytes.mid(3)), services::csvText(services::gridTable(grid)));
    }

    void exportCancelledOrFailing()
    {
        QWidget owner;
        DataGrid *grid = sampleGrid(&owner);
        QTemporaryDir dir;
        services::setExportFileChooser([](QWidget *, const QString &) { return QString(); });
        QVERIFY(!services::exportCsv(grid));
        QVERIFY(QDir(dir.path()).isEmpty());

        services::setExportFileChooser([&dir](QWidget *, const QString &) {
            return dir.filePath(QStringLiteral("no/such/folder/x.csv"));
        });
        QVERIFY_THROWS_EXCEPTION(RuntimeError, services::exportCsv(grid));

        QLineEdit notAGrid;
        QVERIFY_THROWS_EXCEPTION(RuntimeError, services::exportCsv(&notAGrid));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, services::gridCommandShiftF10(&notAGrid));
    }

    void shiftF10ShowsTheMenu()
    {
        QWidget window;
        window.setObjectName(QStringLiteral("frmGrid"));
        auto *layout = new QVBoxLayout(&window);
        DataGrid *grid = sampleGrid(&window);
        layout->addWidget(grid);
        activate(window);
        grid->setCurrentCell(1, 1);

        QStringList seen;
        bool found = false;
        std::function<void(int)> poll = [&](int attempts) {
            QTimer::singleShot(10, [&, attempts] {
                auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
                if (!menu) {
                    if (attempts > 0)
                        poll(attempts - 1);
                    return;
                }
                found = true;
                for (QAction *action : menu->actions())
                    if (!action->isSeparator())
                        seen << action->objectName();
                auto *copy = menu->findChild<QAction *>(QStringLiteral("actCopiarFilas"));
                menu->close();
                if (copy)
                    copy->trigger();
            });
        };
        poll(50);
        services::ToolServicesImpl tool(QStringLiteral("unused"), QStringLiteral("X"));
        tool.GridCommandShiftF10(grid);
        QVERIFY(found);
        QCOMPARE(seen,
                 (QStringList{QStringLiteral("actCopiarFilas"), QStringLiteral("actExportarCsv"),
                              QStringLiteral("actAjustarColumnas")}));
        QVERIFY(QGuiApplication::clipboard()->text().startsWith(QStringLiteral("No.\t")));
    }

    void f10FitsTheColumns()
    {
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        DataGrid *grid = sampleGrid(&window);
        layout->addWidget(grid);
        window.show();
        grid->setColumnWidth(1, 4);
        services::ToolServicesImpl tool(QStringLiteral("unused"), QStringLiteral("X"));
        tool.GridCommandF10(grid);
        QVERIFY(grid->columnWidth(1) > 4 * 5);
        QVERIFY(grid->columnWidth(1) >= grid->horizontalHeader()->sectionSizeHint(1));
    }
};

QTEST_MAIN(TestScreenTools)
#include "tst_screen_tools.moc"
