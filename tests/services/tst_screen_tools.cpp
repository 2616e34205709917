// ClearScreen, EnableScreen, SimulateKeys and the grid menu on real widgets.

#include "controls/DataGrid.h"
#include "controls/SmallControls.h"
#include "controls/TextBox.h"
#include "host/RuntimeError.h"
#include "services/GridTools.h"
#include "services/ScreenTools.h"
#include "services/ToolServicesImpl.h"

#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;
using kesta::host::RuntimeError;
using velkora::controls::DataGrid;
namespace services = velkora::services;

namespace {

// A new widget in parent's layout, with its object name and, when given, its "Tag".
template <typename W = QLineEdit>
W *add(QWidget *parent, const QString &name, const QVariant &tag = {})
{
    auto *widget = new W(parent);
    widget->setObjectName(name);
    widget->setProperty("Tag", tag);
    (parent->layout() ? parent->layout() : new QVBoxLayout(parent))->addWidget(widget);
    return widget;
}

// Columns No. (shown "0000"), Descripción, a hidden one and Valor; two rows with commas,
// quotes, line breaks, TABs and accents.
DataGrid *sampleGrid(QWidget *parent)
{
    auto *grid = add<DataGrid>(parent, u"ssLinea"_s);
    QList<velkora::controls::GridColumn> columns(4);
    for (int c = 0; c < 4; ++c) {
        columns[c].name = u"Orden Descripcion Oculta Valor"_s.section(u' ', c, c);
        columns[c].caption = u"No. Descripción Oculta Valor"_s.section(u' ', c, c);
    }
    columns[0].format = u"0000"_s;
    grid->setColumns(columns);
    grid->setColumnHidden(2, true);
    for (const QString &row :
         {u"1|Con coma, aquí|x|dijo \"hola\""_s, u"12|línea 1\nlínea 2|y|Ñandú\tfin"_s}) {
        const int r = grid->AddNew();
        for (int c = 0; c < 4; ++c)
            grid->setCell(r, c, row.section(u'|', c, c));
        grid->Update();
    }
    return grid;
}

} // namespace

class TestScreenTools : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { services::setExportFileChooser({}); }

    void clearAndEnableScreen()
    {
        QWidget screen;
        auto *frame = add<QFrame>(&screen, u"frGeneral"_s);
        auto *text = add(frame, u"txtDescripcion"_s, u"1"_s);
        auto *check = add<QCheckBox>(frame, u"chInverso"_s, u"1"_s);
        auto *number = add<velkora::controls::TextBox>(frame, u"txtUser3"_s, u"1"_s);
        auto *date = add<velkora::controls::DatePicker>(frame, u"dpUser5"_s, u"1"_s);
        auto *combo = add<QComboBox>(frame, u"cmbTipo"_s, 1); // the tag as a number
        DataGrid *grid = sampleGrid(&screen);
        grid->setProperty("Tag", u"1"_s);
        auto *key = add(&screen, u"txtClave"_s);
        auto *untagged = add<QCheckBox>(&screen, u"chOtro"_s);
        auto *other = add(&screen, u"txtDos"_s, u"2"_s);
        for (QLineEdit *box : {text, key, other})
            box->setText(u"abc"_s);
        check->setChecked(true);
        untagged->setChecked(true);
        number->setNumeric(4);
        number->setValue(12.5);
        date->setDate(QDate(2020, 1, 2));
        combo->addItems({u"A"_s, u"B"_s});

        services::ToolServicesImpl tool(u"unused"_s, u"X"_s);
        tool.ClearScreen(&screen, 1);
        QCOMPARE(text->text() + u'|' + number->text(), u"|0.0000"_s);
        QCOMPARE(date->date(), QDate::currentDate());
        QVERIFY(!check->isChecked() && combo->currentIndex() == -1 && grid->Rows() == 0);
        const QList<QWidget *> tagged{text, check, number, date, combo};
        QVERIFY(std::none_of(tagged.begin(), tagged.end(), std::mem_fn(&QWidget::isEnabled)));
        QVERIFY(grid->isEnabled()); // grids stay browsable
        // Untagged and otherwise tagged controls are left alone.
        QCOMPARE(key->text() + other->text(), u"abcabc"_s);
        QVERIFY(key->isEnabled() && untagged->isChecked() && frame->isEnabled());

        key->setEnabled(false);
        grid->setEnabled(false);
        tool.EnableScreen(&screen, 1);
        QVERIFY(std::all_of(tagged.begin(), tagged.end(), std::mem_fn(&QWidget::isEnabled)));
        QVERIFY(grid->isEnabled() && !key->isEnabled());
        services::clearScreen(&screen, 2); // tag 2 empties only its own
        QVERIFY(other->text().isEmpty() && !other->isEnabled() && untagged->isChecked());
        QVERIFY_THROWS_EXCEPTION(RuntimeError, tool.ClearScreen(nullptr, 1));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, tool.EnableScreen(nullptr, 1));
    }

    void tabLandsWhereATypedTabLands_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<int>("column"); // the grid's current column
        QTest::addColumn<bool>("editing");
        QTest::newRow("first box") << u"txtA"_s << 0 << false;
        QTest::newRow("box before grid") << u"txtB"_s << 0 << false;
        QTest::newRow("grid cell") << u"ssLinea"_s << 0 << false;
        QTest::newRow("grid last cell") << u"ssLinea"_s << 3 << false;
        QTest::newRow("grid cell editor") << u"ssLinea"_s << 1 << true;
        QTest::newRow("last box wraps") << u"txtC"_s << 0 << false;
    }
    void tabLandsWhereATypedTabLands()
    {
        QFETCH(QString, start);
        QFETCH(int, column);
        QFETCH(bool, editing);
        QWidget window;
        add(&window, u"txtA"_s);
        add(&window, u"txtB"_s);
        DataGrid *grid = sampleGrid(&window);
        add(&window, u"txtC"_s);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto focusName = [grid] { // a cell editor counts as its grid
            QWidget *focus = QApplication::focusWidget();
            const bool editor = focus && focus != grid && grid->isAncestorOf(focus);
            return editor ? u"ssLinea/editor"_s : focus ? focus->objectName() : u""_s;
        };
        // From the same start: the focus before and after, the current cell, the edited text.
        auto tabFromStart = [&](const std::function<void()> &tab) {
            grid->setCurrentCell(0, column);
            window.findChild<QWidget *>(start)->setFocus(Qt::TabFocusReason);
            if (editing) {
                grid->edit(grid->currentIndex());
                QTest::keyClicks(QApplication::focusWidget(), u"zz"_s);
            }
            const QString before = focusName();
            tab();
            return QStringList{before, focusName(),
                               u"%1,%2"_s.arg(grid->currentRow()).arg(grid->currentColumn()),
                               grid->cellText(0, u"Descripcion"_s)};
        };
        const QStringList typed =
            tabFromStart([] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); });
        QCOMPARE(typed.first(), editing ? u"ssLinea/editor"_s : start);
        QCOMPARE(tabFromStart([] { services::simulateKeys(u"\t"_s); }), typed);
        QVERIFY(typed[1] != start || start == "ssLinea"_L1); // it moved
    }

    void menuCopiesAndExports()
    {
        QWidget owner;
        DataGrid *grid = sampleGrid(&owner);
        QTemporaryDir dir;
        QString suggested;
        services::setExportFileChooser([&](QWidget *g, const QString &name) {
            suggested = name;
            return g == grid ? dir.filePath(u"filas"_s) : QString();
        });
        std::unique_ptr<QMenu> menu(services::createGridMenu(grid, nullptr));
        QStringList texts;
        for (QAction *action : menu->actions())
            texts << action->objectName() + u' ' + action->text();
        QCOMPARE(texts.mid(0, 2), (QStringList{u"actCopiarFilas Copiar todas las filas"_s,
                                               u"actExportarCsv Exportar a archivo CSV..."_s}));
        // The cells as shown; TABs and line breaks in a cell become blanks.
        menu->actions().at(0)->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), u"No.\tDescripción\tValor\n"
                                                       "0001\tCon coma, aquí\tdijo \"hola\"\n"
                                                       "0012\tlínea 1 línea 2\tÑandú fin\n"_s);
        // UTF-8 with a byte-order mark; commas, quotes and line breaks quoted.
        menu->actions().at(1)->trigger();
        QCOMPARE(suggested, u"ssLinea.csv"_s);
        QFile file(dir.filePath(u"filas.csv"_s)); // the extension is added
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(),
                 "\xEF\xBB\xBF" + u"No.,Descripción,Valor\r\n"
                                  "0001,\"Con coma, aquí\",\"dijo \"\"hola\"\"\"\r\n"
                                  "0012,\"línea 1\nlínea 2\",Ñandú\tfin\r\n"_s.toUtf8());
        file.remove();
        // A cancel writes nothing; an unwritable file and a widget that is no grid raise.
        services::setExportFileChooser([](QWidget *, const QString &) { return QString(); });
        QVERIFY(!services::exportCsv(grid) && QDir(dir.path()).isEmpty());
        services::setExportFileChooser(
            [&dir](QWidget *, const QString &) { return dir.filePath(u"no/such/x.csv"_s); });
        QVERIFY_THROWS_EXCEPTION(RuntimeError, services::exportCsv(grid));
        QLineEdit notAGrid;
        QVERIFY_THROWS_EXCEPTION(RuntimeError, services::exportCsv(&notAGrid));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, services::gridCommandShiftF10(&notAGrid));
    }
};

QTEST_MAIN(TestScreenTools)
#include "tst_screen_tools.moc"
