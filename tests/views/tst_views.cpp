// The views of a test's result and of a proposal, as a user sees them. "Probar" on the sample
// database, with the real screen and services: the result text, the tables and the file's lines in
// one window (with KESTA_SCREENSHOTS set to a folder it also saves the pictures of the README;
// scripts/screenshots.sh runs it so on an X server). The tables: a tab per line type with the
// converted values and the cells in error marked, F8 from error to error, broken rules shown as
// errors, a big file that scrolls without reading every line, CSV that a CSV reader reads back.
// The file's lines with the fields on them: the bands under the ruler's columns, the cursor and
// the status line following the fields, a chosen field highlighted. A test of a big file off the
// window's thread: progress, Cancel keeping consistent counts, a whole run agreeing with the plain
// test. The dialog that shows a proposed load format, and the progress of a long proposal.
//
// The payroll sample (ViewSamples.h) is indexed once for all; the 100 MB file is written on first
// use.

#include "DatabaseSetup.h"
#include "ViewSamples.h"
#include "formats/LoadFormatTest.h"
#include "host/Publico.h"
#include "proposal/Proposal.h"
#include "proposal/ProposalChecks.h"
#include "proposal/RemittanceSample.h"
#include "screen/frmKESTA.h"
#include "services/Services.h"
#include "services/TextViewerDialog.h"
#include "services/ToolServicesImpl.h"
#include "store/Database.h"
#include "store/SampleFormat.h"
#include "support/DataRows.h"
#include "views/CsvExport.h"
#include "views/FixedWidthFont.h"
#include "views/FormatListDialog.h"
#include "views/LineDecoder.h"
#include "views/ProposalDialog.h"
#include "views/ProposalGuessMarks.h"
#include "views/ProposalModels.h"
#include "views/ProposalProgressDialog.h"
#include "views/RawLinesView.h"
#include "views/ResultTableModel.h"
#include "views/ResultTablesView.h"
#include "views/TestJob.h"
#include "views/TestProgressDialog.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSemaphore>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolTip>
#include <QtTest>
#include <climits>
#include <controls/ColorScheme.h>
#include <controls/Controles.h>
#include <controls/DataGrid.h>
#include <controls/TextBox.h>

using namespace Qt::StringLiterals;
using namespace velkora::views;
using kesta::test::dataColumns;
using kesta::test::fetchColumns;
using velkora::formats::LoadFormat;
using velkora::formats::TestReport;
using views_test::writeFile;
namespace services = velkora::services;
namespace store = velkora::store;
namespace views = velkora::views;

namespace {

// Pixels of an area of the image that satisfy a condition.
int count(const QImage &image, const QRect &area, const std::function<bool(QColor)> &test)
{
    int n = 0;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            n += test(image.pixelColor(x, y)) ? 1 : 0;
    return n;
}

// The horizontal extent of the dark pixels (the letters' ink, the ruler's ticks, the cursor's
// edges) in an area of the image; a null range when there are none.
std::pair<int, int> inkColumns(const QImage &image, const QRect &area)
{
    int left = INT_MAX;
    int right = INT_MIN;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            if (qGray(image.pixel(x, y)) < 100) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    return {left, right};
}

// A file whose lines are wider than a screen of columns, with one-column fields far out: the
// ID "L" at column 1, fields 0001, 0002 and 0003 at columns 5, 40 and 150, each a "W" (the
// widest letter) between blanks.
velkora::formats::LoadFormat wideFormat()
{
    return formats_test::formatOf("0078",
                                  {formats_test::lineType("0001", "L", "Ancha", 1, 1,
                                                          "0001|Cinco|5|1|T; 0002|Cuarenta|40|1|T; "
                                                          "0003|Cientocincuenta|150|1|T")});
}

QByteArray wideLine()
{
    QByteArray line(160, ' ');
    line[0] = 'L';
    for (const int column : {5, 40, 150})
        line[column - 1] = 'W';
    return line + '\n';
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A table's CSV file as it must be written: a byte-order mark, the titles and the rows as the
// table shows them.
QByteArray csvOf(const ResultTableModel *model)
{
    QString text = csvRecord(model->columnTitles());
    for (int row = 0; row < model->rowCount(); ++row)
        text += csvRecord(model->rowTexts(row));
    return "\xEF\xBB\xBF" + text.toUtf8();
}

// WCAG contrast of two colours.
const auto contrast = velkora::controls::ColorScheme::contrast;

// The report's lines are every line type's, plus those with none or more than one.
qint64 summed(const TestReport &report)
{
    qint64 lines = report.result.unmatched.count + report.result.ambiguous.count;
    for (const auto &type : report.result.types)
        lines += type.lines;
    return lines;
}

qint64 summed(const velkora::formats::LineIndex &index)
{
    qint64 lines = 0;
    for (int group = 0; group < index.groupCount(); ++group)
        lines += qint64(index.rows(group).size());
    return lines;
}

// Payment orders: a header "H", lines "P" and one blank line among them (which fits no line
// type).
QString writeOrders(const QTemporaryDir &folder)
{
    QStringList lines{"H2026120600001EMPRESA DEMOSTRACION SA    "};
    for (int i = 1; i <= 12; ++i) {
        lines << QStringLiteral("P%1%2%3")
                     .arg(i, 6, 10, QLatin1Char('0'))
                     .arg(1000 + i * 731, 10, 10, QLatin1Char('0'))
                     .arg(i % 2 ? "PROVEEDOR UNO       " : "PROVEEDOR DOS       ");
        if (i == 6)
            lines << QString();
    }
    return samples::writeBytes(folder.filePath("ordenes.txt"), (lines.join('\n') + '\n').toUtf8());
}

// Shows a widget, at a size when given one; whether it was exposed.
bool exposed(QWidget &widget, QSize size = {})
{
    if (size.isValid())
        widget.resize(size);
    widget.show();
    return QTest::qWaitForWindowExposed(&widget);
}

// A model's rows, each the texts of the given columns joined by '|'.
QStringList cells(const QAbstractItemModel *model, const QList<int> &columns)
{
    QStringList rows;
    for (int row = 0; row < model->rowCount(); ++row) {
        QStringList texts;
        for (const int c : columns)
            texts << model->index(row, c).data().toString();
        rows << texts.join(u'|');
    }
    return rows;
}

QStringList tabTexts(const QTabWidget *tabs)
{
    QStringList texts;
    for (int t = 0; t < tabs->count(); ++t)
        texts << tabs->tabText(t);
    return texts;
}

// A table's rows as it shows them, each its cells joined by '|'.
QStringList rowsOf(const ResultTableModel *model)
{
    QStringList rows;
    for (int row = 0; row < model->rowCount(); ++row)
        rows << model->rowTexts(row).join(u'|');
    return rows;
}

// A table's cells marked in error, "row,column", with ": tooltip" when asked.
QStringList errorMarks(const ResultTableModel *model, bool tips = false)
{
    QStringList found;
    for (int row = 0; row < model->rowCount(); ++row)
        for (int column = 0; column < model->columnCount(); ++column)
            if (const QModelIndex at = model->index(row, column);
                at.data(ResultTableModel::ErrorRole).toBool())
                found << u"%1,%2"_s.arg(row).arg(column) +
                             (tips ? u": "_s + at.data(Qt::ToolTipRole).toString() : QString());
    return found;
}

// A payroll file of a header and `details` detail lines, with an error in the amount of every
// `errorEvery`-th and a line of no type instead of every `untypedEvery`-th. The path, or an empty
// one when it cannot be written.
QString writePayroll(const QString &path, qint64 details, int errorEvery, int untypedEvery)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    QByteArray block = "HEMPRESA SA20261205\n";
    for (qint64 line = 1; line <= details; ++line) {
        QByteArray amount = QByteArray::number(line % 1000000000).rightJustified(9, '0');
        if (line % errorEvery == 0)
            amount[3] = 'X';
        block += line % untypedEvery == 0
                     ? QByteArray("Z sin tipo\n")
                     : "D" + QByteArray::number(line % 1000000).rightJustified(6, '0') + amount +
                           "NOMBRE      CL01\n";
        if (block.size() > (1 << 20) || line == details) {
            if (file.write(block) != block.size())
                return {};
            block.clear();
        }
    }
    return path;
}

// The screen shown with the sample's key loaded, as a user types it.
void showSampleKey(kesta::screen::frmKESTA &screen)
{
    QVERIFY(exposed(screen));
    auto *key = screen.findChild<velkora::controls::TextBox *>(u"txtClave"_s);
    key->setFocus();
    QTest::keyClicks(key, u"1"_s);
    QTest::keyClick(key, Qt::Key_Return);
}

} // namespace

// Runs `act`, which shows a text window modally, and hands the window, made active as a window
// manager would (F8 is the active window's), to `look` before closing it.
void viewerShown(const std::function<void()> &act,
                 const std::function<void(services::TextViewerDialog *)> &look)
{
    bool shown = false;
    QTimer::singleShot(0, [&] {
        if (auto *viewer =
                qobject_cast<services::TextViewerDialog *>(QApplication::activeModalWidget())) {
            shown = true;
            viewer->resize(1100, 560);
            QApplication::setActiveWindow(viewer);
            look(viewer);
            viewer->reject();
        }
    });
    act();
    QVERIFY(shown);
}

// The services with the user's choice of a file answered in advance.
class ChosenFileTools : public services::ToolServicesImpl {
public:
    explicit ChosenFileTools(QString file)
        : ToolServicesImpl(store::DefaultConnectionName, u"PRUEBA"_s), m_file(std::move(file))
    {}
    QString ChooseOpenFile(QWidget *, const QString &, const QString &, const QString &) override
    {
        return m_file;
    }

private:
    QString m_file;
};

class TestViews : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::shared_ptr<const TestedFile> payroll; // the payroll sample, indexed
    QString big;
    std::unique_ptr<RawLinesView> view;
    QString shots = qEnvironmentVariable("KESTA_SCREENSHOTS");

    void save(QWidget *widget, const QString &name)
    {
        if (shots.isEmpty())
            return;
        QApplication::processEvents();
        QVERIFY(QDir().mkpath(shots));
        QVERIFY(widget->grab().save(QDir(shots).filePath(name)));
    }
    // Opens the screen on the sample's key and runs a toolbar command that shows a text window.
    void command(const QString &name, const std::function<void(services::TextViewerDialog *)> &look)
    {
        kesta::screen::frmKESTA screen;
        showSampleKey(screen);
        viewerShown([&] { screen.Controles->action(name)->trigger(); }, look);
    }
    // Writes lines as a file in the folder and makes it the sample key's file; returns the
    // file it had.
    QString useFile(const QString &name, const QStringList &lines)
    {
        const QString path = QDir::isAbsolutePath(name) ? name : dir.filePath(name);
        if (!lines.isEmpty())
            samples::writeBytes(path, (lines.join(u'\n') + u'\n').toUtf8());
        QSqlQuery query(QSqlDatabase::database(store::DefaultConnectionName));
        if (!query.exec(u"SELECT Ly_Archivo FROM Layout WHERE Ly_Cve_Layout = '0001'"_s) ||
            !query.next())
            return {};
        const QString had = query.value(0).toString();
        query.prepare(u"UPDATE Layout SET Ly_Archivo = ? WHERE Ly_Cve_Layout = '0001'"_s);
        query.addBindValue(path);
        return query.exec() ? had : QString();
    }
    const QString &bigFile()
    {
        if (big.isEmpty()) // about 100 MB
            big = writePayroll(dir.filePath(u"nomina-100mb.txt"_s), 3400000, 97, 1009);
        return big;
    }
    // The payroll sample's lines in a shown view, made on first use in each test.
    RawLinesView *lines()
    {
        if (!view) {
            view = std::make_unique<RawLinesView>();
            view->setDecoder(std::make_shared<LineDecoder>(payroll));
            if (!exposed(*view, {700, 400}))
                qWarning("the view of the lines was not exposed");
        }
        return view.get();
    }

private slots:
    void initTestCase()
    {
        payroll = indexFile(views_test::payroll(),
                            writeFile(dir, u"nomina.txt"_s, views_test::payrollFile()));
        QVERIFY2(payroll->index.ran(), qPrintable(payroll->index.error()));
        const QString location = dir.filePath(u"velkora.db"_s);
        velkora::app::DatabaseSetup::open(store::DefaultConnectionName, location, false);
        qputenv("VELKORA_DATABASE", location.toUtf8());
        qputenv("VELKORA_OPERATOR", "PRUEBA");
        kesta::Publico::resetForTests();
        kesta::Publico::setServicesFactories(services::createCoreServices,
                                             services::createToolServices);
    }
    void cleanupTestCase()
    {
        kesta::Publico::resetForTests();
        store::closeDatabase(store::DefaultConnectionName);
    }
    void cleanup()
    {
        view.reset();
        setExportChooser({});
    }

    // "Probar" from the screen: the result's text, tables and lines in one window, the field
    // chosen in the field grid (line type 0002's third field, "Referencia") highlighted on the
    // lines.
    void probarShowsTextTablesAndLines()
    {
        kesta::screen::frmKESTA screen;
        showSampleKey(screen);
        QVERIFY(screen.ssLinea->setCurrentRow(1));
        QCOMPARE(screen.ssDetalle->cell(2, u"Descripción"_s).toString(), u"Referencia"_s);
        QVERIFY(screen.ssDetalle->setCurrentRow(2));
        QStringList tables;
        QString title;
        qint64 lines = -1;
        std::pair<int, int> highlighted{-2, -2};
        viewerShown([&] { screen.Controles->action(u"B2"_s)->trigger(); },
                    [&](services::TextViewerDialog *viewer) {
                        title = viewer->windowTitle();
                        tables = tabTexts(viewer->findChild<QTabWidget *>(u"tabsTablas"_s));
                        auto *raw = viewer->findChild<RawLinesView *>(u"vistaLineas"_s);
                        lines = raw->rowCount();
                        highlighted = {raw->highlightedLineType(), raw->highlightedField()};
                    });
        QCOMPARE(title, u"Prueba del formato 0001"_s);
        QCOMPARE(tables,
                 QStringList({u"0001 Encabezado de la cuenta (1)"_s, u"0002 Movimiento (4)"_s,
                              u"0003 Totales (1)"_s, u"Sin tipo o con varios (0)"_s}));
        QCOMPARE(lines, 6);
        QCOMPARE(highlighted, std::make_pair(1, 2));

        // Script: its text alone; its long lines scroll sideways, or wrap.
        bool scriptHasPages = true, scrolls = false, wraps = false;
        command(u"B3"_s, [&](services::TextViewerDialog *viewer) {
            scriptHasPages = viewer->pages() != nullptr;
            auto *script = viewer->findChild<QPlainTextEdit *>(u"txtTexto"_s);
            scrolls = script->horizontalScrollBar()->maximum() > 0;
            QTest::mouseClick(viewer->findChild<QCheckBox *>(u"chkAjustar"_s), Qt::LeftButton);
            QApplication::processEvents();
            wraps = script->lineWrapMode() == QPlainTextEdit::WidgetWidth &&
                    script->horizontalScrollBar()->maximum() == 0;
        });
        QVERIFY(!scriptHasPages);
        QVERIFY(scrolls);
        QVERIFY(wraps);
    }
    // The sample format on a copy of its file with faults: an amount with a letter, a line of no
    // type, a short line and text after the header's last field. F8 finds the first fault, Enter
    // shows it on its line (the README's pictures of the tables and the lines come from here).
    void faultsOfAFileAtAGlance()
    {
        QStringList lines = store::sample::fileLines();
        lines[0] += u"  EXTRA"_s;
        lines[2][54] = u'X';
        lines.insert(3, u"X LINEA SIN TIPO"_s);
        lines.insert(lines.size() - 1, u"D20261206ABONO CORTO"_s);
        const QString sampleFile = useFile(u"extracto-con-errores.txt"_s, lines);

        QString cell, status;
        bool stayed = false, causesShown = true;
        int page = -1, highlighted = -1;
        command(u"B2"_s, [&](services::TextViewerDialog *viewer) {
            viewer->pages()->setCurrentIndex(1);
            auto *tablesView = viewer->findChild<views::ResultTablesView *>(u"vistaTablas"_s);
            auto *tabs = tablesView->findChild<QTabWidget *>(u"tabsTablas"_s);
            causesShown = viewer->findChild<QLabel *>(u"lblCausas"_s)->isVisible();
            QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {},
                              tabs->tabBar()->tabRect(1).center());
            QTableView *table = tablesView->table(1);
            table->setFocus();
            QTest::keyClick(table, Qt::Key_F8);
            cell = u"%1,%2"_s.arg(table->currentIndex().row()).arg(table->currentIndex().column());
            save(viewer, u"prueba-tablas.png"_s);
            QTest::keyClick(table, Qt::Key_Return);
            page = viewer->pages()->currentIndex();
            status = viewer->findChild<QLabel *>(u"lblCampo"_s)->text();
            auto *lines = viewer->findChild<views::RawLinesView *>(u"vistaLineas"_s);
            highlighted = lines->highlightedField();
            save(viewer, u"prueba-lineas.png"_s);
            // Enter on the lines goes nowhere: the window stays.
            QTest::keyClick(lines, Qt::Key_Return);
            stayed = viewer->isVisible();
        });
        QVERIFY(!useFile(sampleFile, {}).isEmpty());

        QCOMPARE(cell, u"1,4"_s); // line 3's amount
        // Enter shows the lines' page on that line and column, the field highlighted.
        QCOMPARE(page, 2);
        QCOMPARE(highlighted, 3);
        QVERIFY2(
            status.startsWith(u"Línea 3, tipo 0002 Movimiento · columna 50: campo 0070 Importe"_s),
            qPrintable(status));
        QVERIFY(status.contains(u" · error: '00000X250.75'"_s));
        QVERIFY(stayed);
        // Faults on a few lines each: no likely cause is named over the tables.
        QVERIFY(!causesShown);
    }
    // The sample format on a copy of its file whose movements have a blank more before the amount:
    // what most likely went wrong is said in a panel over the tables (where the text says it is the
    // formats' test).
    void likelyCauseComesFirst()
    {
        QStringList lines = store::sample::fileLines();
        for (QString &line : lines)
            if (line.startsWith(u'D'))
                line.insert(49, u' ');
        const QString sampleFile = useFile(u"extracto-desplazado.txt"_s, lines);
        QVERIFY(!sampleFile.isEmpty());

        QString panel, table;
        bool panelOverTables = false;
        command(u"B2"_s, [&](services::TextViewerDialog *viewer) {
            viewer->pages()->setCurrentIndex(1);
            auto *causes = viewer->findChild<QLabel *>(u"lblCausas"_s);
            auto *tabs = viewer->findChild<QTabWidget *>(u"tabsTablas"_s);
            table = tabs->tabText(tabs->currentIndex());
            panel = causes->text();
            panelOverTables = causes->isVisible() && causes->geometry().bottom() < tabs->y();
            save(viewer, u"prueba-causas.png"_s);
        });
        QVERIFY(!useFile(sampleFile, {}).isEmpty());

        QVERIFY2(panel.contains(u"Tipo 0002 Movimiento"_s) &&
                     panel.contains(u"parecen desplazados una columna a la derecha"_s),
                 qPrintable(panel)); // the cause in full: the formats' test
        QVERIFY(panelOverTables);
        QCOMPARE(table, u"0002 Movimiento (4; 4 con errores)"_s); // the cause's line type's
    }
    // "Probar con otro archivo..." as the services run it (the screen's test has the command choose
    // the file and title the window): the stored format on that file, the tables the file's; the
    // stored file stays the format's.
    void probarOnAnotherFile()
    {
        QStringList lines = store::sample::fileLines();
        lines.insert(2, u"X LINEA SIN TIPO"_s);
        const QString other =
            writeFile(dir, u"otro mes.txt"_s, (lines.join(u'\n') + u'\n').toUtf8());
        const QString stored = useFile(other, {});
        QVERIFY(!stored.isEmpty() && useFile(stored, {}) == other); // read, and put back

        services::ToolServicesImpl tool(store::DefaultConnectionName, u"PRUEBA"_s);
        const QString text = tool.TestLoadFormatFile(0, u"0001"_s, u"|"_s, other);
        QVERIFY2(text.contains(u"\nArchivo|"_s + other + u'\n'), qPrintable(text.left(400)));
        QString otherTable;
        viewerShown([&] { tool.CreateTextViewer()->ShowText(text, u"x"_s, 0, 0, -1, -1, 7, -1); },
                    [&](services::TextViewerDialog *viewer) {
                        auto *tabs = viewer->findChild<QTabWidget *>(u"tabsTablas"_s);
                        otherTable = tabs->tabText(tabs->count() - 1);
                    });
        QCOMPARE(otherTable, u"Sin tipo o con varios (1 con errores)"_s);
        QCOMPARE(useFile(stored, {}), stored);
    }
    // "Probar sin guardar" under Edit, with the real services: the format as the screen holds it
    // (here read from its last line to its first, which is not saved) in Probar's window, on the
    // file chosen; the stored rows stay byte for byte as they were.
    void testBeforeSaving()
    {
        const auto storedRows = [] {
            QStringList rows;
            QSqlQuery query(QSqlDatabase::database(store::DefaultConnectionName));
            for (const QString &table : {u"Layout"_s, u"Layout_Detalle"_s, u"Layout_Regla"_s}) {
                query.exec(u"SELECT * FROM %1 ORDER BY 1, 2, 3"_s.arg(table));
                while (query.next()) {
                    QStringList row;
                    for (int c = 0; c < query.record().count(); ++c)
                        row << QString::fromLatin1(query.value(c).toString().toUtf8().toHex());
                    rows << row.join(u'|');
                }
            }
            return rows;
        };
        const QStringList before = storedRows();
        const QString file = writeFile(
            dir, u"extracto.txt"_s, (store::sample::fileLines().join(u'\n') + u'\n').toUtf8());
        kesta::Publico::resetForTests();
        kesta::Publico::setServicesFactories(services::createCoreServices, [file] {
            return std::unique_ptr<kesta::host::ToolServices>(new ChosenFileTools(file));
        });
        const auto restore = qScopeGuard([] {
            kesta::Publico::resetForTests();
            kesta::Publico::setServicesFactories(services::createCoreServices,
                                                 services::createToolServices);
        });
        kesta::screen::frmKESTA screen;
        showSampleKey(screen);
        QVERIFY(!screen.Controles->isOffered(u"ProbarSinGuardar"_s));
        screen.Controles->action(u"Edit"_s)->trigger();
        screen.chInverso->setChecked(true);
        QString title, text;
        QStringList tables;
        viewerShown([&] { screen.Controles->action(u"ProbarSinGuardar"_s)->trigger(); },
                    [&](services::TextViewerDialog *viewer) {
                        title = viewer->windowTitle();
                        text = viewer->text();
                        tables = tabTexts(viewer->findChild<QTabWidget *>(u"tabsTablas"_s));
                        viewer->pages()->setCurrentIndex(1); // the tables: no folder of the run
                        save(viewer, u"prueba-sin-guardar.png"_s);
                    });
        QCOMPARE(title, u"Prueba del formato 0001 sin guardar con extracto.txt"_s);
        QVERIFY2(text.contains(u"inversa: de la última línea a la primera"_s), qPrintable(text));
        QCOMPARE(tables.size(), 4);
        QCOMPARE(storedRows(), before);
    }
    // The list of the stored formats: typing keeps the rows whose key or description holds the
    // text, whatever its case; Down then Enter chooses the second row left (the only one when one
    // is left, nothing when none is).
    void listOfFormatsFilters_data()
    {
        const auto add = dataColumns<bool, QString, QStringList, QString>(
            {"stored", "typed", "left", "summary"});
        add("all", true, {}, {u"0001"_s, u"0042"_s, u"CNAB"_s}, u"3 formatos de carga"_s);
        add("part of keys", true, u"00"_s, {u"0001"_s, u"0042"_s}, u"2 formatos de carga"_s);
        add("description, any case", true, u" retorno "_s, {u"CNAB"_s}, u"1 formato de carga"_s);
        add("the state is not searched", true, u"baja"_s, {},
            u"Ningún formato de carga tiene \"baja\" en su clave o su descripción."_s);
        add("nothing stored", false, {}, {}, u"No hay formatos de carga guardados."_s);
    }
    void listOfFormatsFilters()
    {
        auto [stored, typed, left, summary] = fetchColumns<bool, QString, QStringList, QString>(
            {"stored", "typed", "left", "summary"});
        QList<FormatListEntry> entries;
        if (stored)
            entries = {{u"0001"_s, u"Extracto bancario"_s, u"Activo"_s, u"06/12/2026 10:30"_s},
                       {u"0042"_s, u"Cobros de clientes"_s, u"De baja"_s, u"07/12/2026 09:15"_s},
                       {u"CNAB"_s, u"Retorno bancario CNAB"_s, u"Activo"_s, u"08/12/2026 08:00"_s}};
        FormatListDialog list(entries);
        QVERIFY(exposed(list));
        QTest::keyClicks(list.filterBox(), typed);
        QStringList shown;
        for (int row = 0; row < list.table()->model()->rowCount(); ++row)
            shown << list.table()->model()->index(row, 0).data().toString();
        QCOMPARE(shown, left);
        QCOMPARE(list.summary()->text(), summary);
        if (left.size() == 3)
            save(&list, u"lista-formatos.png"_s);
        QTest::keyClick(list.filterBox(), Qt::Key_Down);
        QTest::keyClick(list.filterBox(), Qt::Key_Return);
        QCOMPARE(list.chosenKey(), left.value(qMin(1, int(left.size()) - 1)));
    }

    void eachLineTypeHasItsTable()
    {
        ResultTablesView view(std::make_shared<LineDecoder>(payroll));
        QCOMPARE(view.tableCount(), 5);
        QCOMPARE(tabTexts(view.findChild<QTabWidget *>(u"tabsTablas"_s)),
                 QStringList({u"0001 Cabecera (1)"_s, u"0002 Empleado (3; 2 con errores)"_s,
                              u"0003 Totales (1)"_s, u"0004 Totales X (0)"_s,
                              u"Sin tipo o con varios (2 con errores)"_s}));
        for (int group = 0; group < view.tableCount(); ++group)
            QAbstractItemModelTester tester(view.model(group),
                                            QAbstractItemModelTester::FailureReportingMode::QtTest);

        // The detail lines: line number, one column per field with its number and description,
        // the converted values; the cells in error marked, with their message.
        const ResultTableModel *details = view.model(1);
        QVERIFY(view.findChild<QTableView *>(u"tablaTipo0002"_s) == view.table(1));
        QCOMPARE(details->columnTitles(),
                 QStringList({u"Línea"_s, u"0001 Empleado"_s, u"0002 Importe"_s, u"0003 Nombre"_s,
                              u"0004 Clave"_s, u"0005 Origen"_s}));
        QCOMPARE(rowsOf(details), QStringList({u"2|000001|123.45|O\"NEIL, ANAB|AB12|NOMINA"_s,
                                               u"3|000002|00001X345|MARIA LOPECD|CD34|NOMINA"_s,
                                               u"5|000003|000012   ||    |NOMINA"_s}));
        QCOMPARE(errorMarks(details), QStringList({u"1,2"_s, u"2,2"_s}));
        const QString tip = details->index(1, 2).data(Qt::ToolTipRole).toString();
        QVERIFY2(tip.contains(u"'00001X345'"_s) && tip.contains(u"columna 13"_s), qPrintable(tip));
        QVERIFY(details->index(1, 2).data(Qt::BackgroundRole).value<QColor>().isValid());
        QVERIFY(!details->index(0, 2).data(Qt::BackgroundRole).isValid());
        QVERIFY(!details->index(0, 2).data(Qt::ToolTipRole).isValid());
        QCOMPARE(details->index(0, 2).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight,
                 int(Qt::AlignRight));

        // Totals, and the lines with no line type or more than one, the situation in error.
        QCOMPARE(rowsOf(view.model(2)), QStringList({u"7|124.45|0001"_s}));
        QCOMPARE(view.model(3)->rowCount(), 0);
        QCOMPARE(rowsOf(view.model(4)), QStringList({u"4|Sin tipo de línea|Zbad\rline, \"q\""_s,
                                                     u"6|Varios tipos: 0003, 0004|TX000000123"_s}));
        QCOMPARE(errorMarks(view.model(4)), QStringList({u"0,1"_s, u"1,1"_s}));
    }
    // Every caption and cell shows whole, also a date of eight digits, which reads "2025-01-31",
    // and an amount whose point makes it longer than its field.
    void columnsFitTheirContents()
    {
        const auto dated = indexFile(
            formats_test::formatOf(
                "0079",
                {formats_test::lineType("0001", "V", "Cuotas", 1, 1,
                                        "0001|Vto|2|8|F|YYYYMMDD; 0002|Saldo|10|12|N|0V00")}),
            writeFile(dir, u"cuotas.txt"_s, "V20250131000000012345\nV20251231999999999999\n"));
        ResultTablesView view(std::make_shared<LineDecoder>(dated));
        QVERIFY(exposed(view, {900, 400}));
        QTableView *table = view.table(0);
        QCOMPARE(view.model(0)->rowTexts(1),
                 QStringList({u"2"_s, u"2025-12-31"_s, u"9999999999.99"_s}));
        const int margins = 2 * (table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
        for (int column = 0; column < 3; ++column) {
            QVERIFY(table->horizontalHeader()->sectionSizeHint(column) <=
                    table->columnWidth(column));
            for (const int row : {0, 1}) {
                const QString text = view.model(0)->rowTexts(row).at(column);
                QVERIFY2(table->fontMetrics().horizontalAdvance(text) + margins <=
                             table->columnWidth(column),
                         qPrintable(text));
            }
        }
    }
    void errorColoursReadOnLightAndDarkPalettes()
    {
        for (const QColor &base : {QColor(Qt::white), QColor(0xF0, 0xF0, 0xF0),
                                   QColor(0x1E, 0x1E, 0x1E), QColor(0x2B, 0x2B, 0x2B)}) {
            QPalette palette;
            palette.setColor(QPalette::Base, base);
            const QColor text =
                base.lightnessF() < 0.5 ? QColor(0xEE, 0xEE, 0xEE) : QColor(Qt::black);
            palette.setColor(QPalette::Text, text);
            const QColor error = errorBackground(palette);
            QVERIFY2(contrast(error, text) >= 4.5,
                     qPrintable(error.name() + u" on "_s + base.name()));
            QVERIFY2(error.red() > error.green() + 30 && error.red() > error.blue() + 30,
                     qPrintable(error.name()));    // reads as red
            QVERIFY(contrast(error, base) > 1.15); // and stands out from the other cells
        }
    }
    void f8GoesFromErrorToError()
    {
        ResultTablesView view(std::make_shared<LineDecoder>(payroll));
        QVERIFY(exposed(view, {900, 400}));
        auto *tabs = view.findChild<QTabWidget *>(u"tabsTablas"_s);
        const auto *status = view.findChild<QLabel *>(u"lblEstadoTabla"_s);
        const auto cell = [&] {
            const QModelIndex current = view.table(view.currentGroup())->currentIndex();
            return u"%1,%2"_s.arg(current.row()).arg(current.column());
        };

        const auto where = [&] { return u"%1:%2"_s.arg(view.currentGroup()).arg(cell()); };
        // It opens on the first table with errors, the details.
        QCOMPARE(view.currentGroup(), 1);

        // From the details' first cell, each key on the current table: to each Importe in error,
        // on to the other lines (each one's situation is the error), round to the first table with
        // errors and back; Shift+F8 from a cell between two errors finds the previous one. Where it
        // lands (table:row,column) and a part of the status then; only going round says "se
        // siguió".
        const std::tuple<Qt::Key, Qt::KeyboardModifiers, QString, QString> steps[] = {
            {Qt::Key_F8, {}, u"1:1,2"_s, u"Línea 3 · campo 0002 Importe"_s},
            {Qt::Key_F8, {}, u"1:2,2"_s, u"error: "_s},
            {Qt::Key_F8, {}, u"4:0,1"_s, u"Línea 4"_s},
            {Qt::Key_F8, {}, u"4:1,1"_s, u"Más de un tipo de línea"_s},
            {Qt::Key_F8, {}, u"1:1,2"_s, u" · (se siguió desde el principio)"_s},
            {Qt::Key_F8, Qt::ShiftModifier, u"4:1,1"_s, u" · (se siguió desde el final)"_s},
            {Qt::Key_F8, Qt::ShiftModifier, u"4:0,1"_s, u"Línea 4"_s},
            {Qt::Key_F8, Qt::ShiftModifier, u"1:2,2"_s, u"Línea 5 · campo 0002 Importe"_s},
            {Qt::Key_Left, {}, u"1:2,1"_s, QString()},
            {Qt::Key_F8, Qt::ShiftModifier, u"1:1,2"_s,
             u"Importe (NUMERO, posición 8, longitud 9) · error: '00001X345'"_s}};
        QTableView *details = view.table(1);
        details->setFocus();
        details->setCurrentIndex(details->model()->index(0, 0));
        for (const auto &[key, modifiers, landing, said] : steps) {
            QTest::keyClick(view.table(view.currentGroup()), key, modifiers);
            QCOMPARE(where(), landing);
            QVERIFY2(status->text().contains(said), qPrintable(status->text()));
            QCOMPARE(status->text().contains(u"se siguió"_s), said.contains(u"se siguió"_s));
        }

        // From a table with no error, on to the next one that has some; what the status said
        // about a table does not stay when another is shown.
        tabs->setCurrentIndex(2);
        QVERIFY2(status->text().isEmpty() || status->text().startsWith(u"Línea 7 · "_s),
                 qPrintable(status->text()));
        view.table(2)->setFocus();
        view.table(2)->setCurrentIndex(view.model(2)->index(0, 1));
        QTest::keyClick(view.table(2), Qt::Key_F8);
        QCOMPARE(where(), u"4:0,1"_s);

        // A file without errors: no table has any, F8 says so and stays.
        const auto clean = indexFile(views_test::payroll(),
                                     writeFile(dir, u"limpio.txt"_s, "HEMPRESA SA20261205\n"));
        ResultTablesView cleanView(std::make_shared<LineDecoder>(clean));
        QCOMPARE(cleanView.currentGroup(), 0);
        QVERIFY(!cleanView.goToError(false));
        QCOMPARE(cleanView.statusText(), u"Ninguna tabla tiene errores."_s);
        QCOMPARE(cleanView.findChild<QLabel *>(u"lblTotalErrores"_s)->text(),
                 u"Ninguna línea tiene errores."_s);
    }
    // A ledger whose trailer's total breaks its SUMA rule (its CUENTA kept), a detail that skips
    // a folio (SECUENCIA) and a detail after the trailer (ULTIMA): the lines that break a rule are
    // lines in error of their table, with the rule in the message, counted as the test counts them.
    void brokenRulesAreErrorsLikeFields()
    {
        const QString path = writeFile(dir, u"libro.txt"_s, views_test::ledgerFile());
        const auto ledger = indexFile(views_test::ledger(), path);
        QVERIFY2(ledger->index.ran(), qPrintable(ledger->index.error()));

        auto decoder = std::make_shared<LineDecoder>(ledger);
        ResultTablesView view(decoder);
        QCOMPARE(
            tabTexts(view.findChild<QTabWidget *>(u"tabsTablas"_s)),
            QStringList({u"0001 Cabecera (1)"_s, u"0002 Detalle (4; 2 con errores)"_s,
                         u"0003 Cierre (1; 1 con errores)"_s, u"Sin tipo o con varios (0)"_s}));
        QCOMPARE(view.currentGroup(), 1);
        QCOMPARE(view.findChild<QLabel *>(u"lblTotalErrores"_s)->text(),
                 u"3 línea(s) con errores: 0 error(es) de campo y 3 de reglas."_s);

        // The cells in error: a field's rule on the field, a rule of the line on its number.
        const auto marks = [&](int group) { return errorMarks(view.model(group), true); };
        QCOMPARE(marks(0), QStringList());
        QCOMPARE(marks(1),
                 QStringList({u"2,2: Regla 0002: El número 0004 no sigue al de la línea "
                              "anterior del tipo 0002: debería ser 0003."_s,
                              u"3,0: Regla 0005: La última línea del archivo debe ser del "
                              "tipo 0003 Cierre, y es del tipo 0002 Detalle."_s}));
        QCOMPARE(marks(2),
                 QStringList({u"0,2: Regla 0004: El total 0000000700 no coincide con la "
                              "suma de 0001 Importe de las líneas 0002 desde el principio "
                              "del archivo: 0000000600"_s}));
        QCOMPARE(view.model(1)->rowTexts(2), QStringList({u"4"_s, u"3.00"_s, u"4"_s}));

        // F8 goes through them all, from table to table.
        QVERIFY(exposed(view, {900, 400}));
        QStringList visited;
        for (int step = 0; step < 4; ++step) {
            QVERIFY(view.goToError(false));
            const QModelIndex at = view.table(view.currentGroup())->currentIndex();
            visited << u"%1:%2,%3"_s.arg(view.currentGroup()).arg(at.row()).arg(at.column());
        }
        QCOMPARE(visited, QStringList({u"1:2,2"_s, u"1:3,0"_s, u"2:0,2"_s, u"1:2,2"_s}));

        // The lines' view: the field that breaks a rule is in error, and so is the line that
        // breaks one as a whole wherever the cursor stands on it.
        RawLinesView lines;
        lines.setDecoder(decoder);
        lines.showLine(view.model(1)->lineOfRow(3));
        QVERIFY2(lines.statusText().contains(u" · error: Regla 0005: La última línea"_s),
                 qPrintable(lines.statusText()));
        lines.showLine(view.model(2)->lineOfRow(0), 1);
        QVERIFY2(lines.statusText().contains(u"campo 0002 Total"_s) &&
                     lines.statusText().contains(u"error: Regla 0004"_s),
                 qPrintable(lines.statusText()));
    }
    void csvRecords_data()
    {
        const auto add = dataColumns<QStringList, QString>({"fields", "record"});
        add("plain", QStringList{u"123.45"_s, u"ANA"_s, QString()}, u"123.45,ANA,\r\n"_s);
        add("comma and quotes", QStringList{u"O\"NEIL, ANA"_s, u"\"\""_s, u","_s},
            u"\"O\"\"NEIL, ANA\",\"\"\"\"\"\",\",\"\r\n"_s);
        add("line ends inside", QStringList{u"a\r\nb"_s, u"c\rd"_s, u"e\nf"_s},
            u"\"a\r\nb\",\"c\rd\",\"e\nf\"\r\n"_s);
        add("blanks and accents", QStringList{u"  José Núñez  "_s, u"€"_s, u" "_s},
            u"  José Núñez  ,€, \r\n"_s);
    }
    void csvRecords()
    {
        QFETCH(QStringList, fields);
        QTEST(csvRecord(fields), "record");
    }
    void exportButtonsWriteCsv()
    {
        ResultTablesView view(std::make_shared<LineDecoder>(payroll));
        QVERIFY(exposed(view));
        const auto *status = view.findChild<QLabel *>(u"lblEstadoTabla"_s);
        QList<ExportTarget> asked;
        QString answer;
        setExportChooser([&](QWidget *, ExportTarget target, const QString &suggested) {
            asked << target;
            return answer.isEmpty() ? QString()
                                    : answer + (target == ExportTarget::CsvFile ? u"/"_s + suggested
                                                                                : QString());
        });

        // One table: what the table shows, read back by a CSV reader.
        view.setCurrentGroup(1);
        answer = dir.filePath(u"una"_s);
        QVERIFY(QDir().mkpath(answer));
        QTest::mouseClick(view.findChild<QPushButton *>(u"cmdExportarTabla"_s), Qt::LeftButton);
        QCOMPARE(readAll(answer + u"/0077_0002.csv"_s), csvOf(view.model(1)));
        QVERIFY(status->text().startsWith(u"Se guardó la tabla (3 filas)"_s));

        // Every table with lines, one file each; the text with a CR and quotes survives.
        answer = dir.filePath(u"todas"_s);
        QVERIFY(QDir().mkpath(answer));
        QTest::mouseClick(view.findChild<QPushButton *>(u"cmdExportarTodas"_s), Qt::LeftButton);
        QCOMPARE(QDir(answer).entryList(QDir::Files),
                 QStringList({u"0077_0001.csv"_s, u"0077_0002.csv"_s, u"0077_0003.csv"_s,
                              u"0077_otras.csv"_s}));
        QCOMPARE(readAll(answer + u"/0077_otras.csv"_s), csvOf(view.model(4)));
        QVERIFY(status->text().startsWith(u"Se guardaron 4 tabla(s)"_s));
        QTest::mouseClick(view.findChild<QPushButton *>(u"cmdExportarTodas"_s), Qt::LeftButton);
        QVERIFY(status->text().endsWith(u"Se reemplazaron 4 archivo(s) que ya estaban."_s));

        // Cancelled, then a folder that cannot be written: the status says so, no window opens.
        answer.clear();
        QTest::mouseClick(view.findChild<QPushButton *>(u"cmdExportarTabla"_s), Qt::LeftButton);
        QVERIFY(status->text().endsWith(u"que ya estaban."_s));
        QVERIFY(!view.exportTable(1, u"/nonexistent/folder/x.csv"_s));
        QVERIFY(status->text().startsWith(
            u"No se pudo guardar la tabla en /nonexistent/folder/x.csv"_s));
        QCOMPARE(view.exportAll(u"/nonexistent/folder"_s), -1);
        QCOMPARE(asked, QList<ExportTarget>({ExportTarget::CsvFile, ExportTarget::Folder,
                                             ExportTarget::Folder, ExportTarget::CsvFile}));
        const QWidgetList windows = QApplication::topLevelWidgets();
        QCOMPARE(std::count_if(windows.begin(), windows.end(),
                               [](QWidget *w) { return w->isVisible(); }),
                 1);
    }
    void bigFileScrollsWithoutReadingEveryLine()
    {
        // 500,000 lines: a header, then details with an error every 1,000 lines.
        const auto big =
            indexFile(views_test::payroll(),
                      writePayroll(dir.filePath(u"grande.txt"_s), 499999, 1000, INT_MAX));
        QVERIFY(big->index.ran());
        auto decoder = std::make_shared<LineDecoder>(big);
        ResultTablesView view(decoder);
        QVERIFY(exposed(view, {900, 500}));
        view.setCurrentGroup(1);
        QTableView *table = view.table(1);
        QCOMPARE(table->model()->rowCount(), 499999);
        table->setFocus();
        table->setCurrentIndex(table->model()->index(0, 0));
        QTest::keyClick(table, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(table, Qt::Key_PageUp);
        QTest::keyClick(table, Qt::Key_F8, Qt::ShiftModifier);
        QApplication::processEvents();
        const QModelIndex current = table->currentIndex();
        QCOMPARE(current.data(ResultTableModel::LineNumberRole).toLongLong() % 1000, 1);
        QCOMPARE(current.column(), 2);
        QVERIFY(current.data(ResultTableModel::ErrorRole).toBool());
        QVERIFY(table->viewport()->rect().intersects(table->visualRect(current)));
        QVERIFY2(decoder->linesRead() < 2000, qPrintable(QString::number(decoder->linesRead())));
    }

    void bandsSitUnderTheRuler()
    {
        const int w = lines()->charWidth();
        QCOMPARE(lines()->rowCount(), 7);
        QCOMPARE(lines()->rulerLabels().mid(0, 4), QList<int>({1, 10, 20, 30}));
        const auto columns = [&](qint64 row, int first, int last) {
            return QRect(lines()->columnX(first), lines()->rowY(row), (last - first + 1) * w,
                         lines()->lineHeight());
        };

        // Line 2 (a detail of 30 characters): the ID at the start, Importe in the middle, Clave at
        // the end; Origen is a constant and reads no column.
        QCOMPARE(lines()->bandRect(1, -1), columns(1, 1, 1));
        QCOMPARE(lines()->bandRect(1, 0), columns(1, 2, 7));
        QCOMPARE(lines()->bandRect(1, 1), columns(1, 8, 16));
        QCOMPARE(lines()->bandRect(1, 3), columns(1, 27, 30));
        QVERIFY(lines()->bandRect(1, 4).isNull());
        QVERIFY(lines()->pastEndRect(1, 3).isNull());
        // Nombre (17-28) and Clave (27-30) both read 27-28.
        QCOMPARE(lines()->overlapRects(1), QList<QRect>({columns(1, 27, 28)}));
        QVERIFY(lines()->gapTextRects(1).isEmpty());

        // Line 5 ends at column 13, inside Importe: the rest of Importe and the bands after it are
        // past the end.
        QCOMPARE(lines()->pastEndRect(4, 1), columns(4, 14, 16));
        QCOMPARE(lines()->pastEndRect(4, 2), columns(4, 17, 28));
        QCOMPARE(lines()->bandRect(4, 2), columns(4, 17, 28));
        // Line 7: columns 12-14 are read by no field and hold "ABC".
        QCOMPARE(lines()->gapTextRects(6), QList<QRect>({columns(6, 12, 14)}));
        // Lines with no line type, or two, have no bands.
        QVERIFY(lines()->bandRect(3, -1).isNull() && lines()->bandRect(5, -1).isNull());

        // The strip shows the current line's fields at the same columns, overlapping ones below.
        lines()->setCursorPosition(1, 1);
        QCOMPARE(lines()->stripRect(1).left(), lines()->columnX(8));
        QCOMPARE(lines()->stripRect(1).width(), 9 * w);
        QVERIFY(lines()->stripRect(3).top() > lines()->stripRect(2).top());
        QVERIFY(lines()->stripRect(1).bottom() < lines()->rowY(0));

        // Scrolled to the right, ruler and bands move together.
        lines()->resize(
            lines()->columnX(1) + 20 * w + lines()->verticalScrollBar()->sizeHint().width(), 300);
        QApplication::processEvents();
        QVERIFY(lines()->horizontalScrollBar()->maximum() > 0);
        lines()->horizontalScrollBar()->setValue(5);
        QCOMPARE(lines()->rulerLabels().first(), 10);
        QCOMPARE(lines()->columnX(6), lines()->columnX(1) + 5 * w);
        QCOMPARE(lines()->bandRect(1, 1), columns(1, 8, 16));
        QCOMPARE(lines()->bandRect(1, 1).left(), lines()->columnX(6) + 2 * w);
    }
    void paintedAsDescribed()
    {
        lines()->setCursorPosition(0, 1);
        const QImage image = lines()->viewport()->grab().toImage();
        const QColor base = lines()->palette().color(QPalette::Base);
        const auto isBase = [&](QColor c) { return c == base; };
        const auto reddish = [](QColor c) {
            return c.red() > c.green() + 60 && c.red() > c.blue() + 60;
        };
        const int w = lines()->charWidth();

        // A band is coloured (its top edge, above the letters); past the end of the line and of
        // every band, nothing is.
        const QRect importe = lines()->bandRect(1, 1);
        QCOMPARE(count(image, QRect(importe.left(), importe.top(), importe.width(), 1), isBase), 0);
        const QRect beyond(lines()->columnX(32), lines()->rowY(1), 4 * w, lines()->lineHeight());
        QCOMPARE(count(image, beyond, isBase), beyond.width() * beyond.height());
        // Overlapping columns are cross-hatched in red; the field in error of line 3 is underlined
        // in red; a line with no line type is tinted red.
        QVERIFY(count(image, lines()->overlapRects(1).first(), reddish) > 0);
        const QRect error = lines()->bandRect(2, 1);
        QVERIFY(count(image, QRect(error.left(), error.bottom() - 1, error.width(), 2), reddish) >=
                error.width());
        QCOMPARE(count(image, importe.adjusted(0, 0, 0, -2), reddish), 0);
        const QRect unmatched(lines()->columnX(1), lines()->rowY(3), 4 * w, 1);
        QCOMPARE(count(image, unmatched, isBase), 0);
        // Unread columns with text are hatched, above the letters too.
        const QRect gap = lines()->gapTextRects(6).first();
        const int plain = count(image, QRect(gap.left(), gap.top(), gap.width(), 1), isBase);
        QVERIFY(plain > 0 && plain < gap.width());
    }
    void cursorAndStatusFollowTheFields()
    {
        QSignalSpy entered(lines(), &RawLinesView::fieldEntered);
        lines()->setFocus();
        lines()->setCursorPosition(1, 1);
        QCOMPARE(lines()->statusText(),
                 u"Línea 2, tipo 0002 Empleado · columna 1: ID del tipo de línea «D», posición 1, "
                 "longitud 1"_s);

        // After each key: the cursor ("row,column"), the field last entered ("line type,field")
        // and a part of the status line: the field with its value or its error, fields that
        // overlap, a line cut short, a line of no line type or of two.
        const std::pair<QKeyCombination, QString> steps[] = {
            {Qt::CTRL | Qt::Key_Right,
             u"columna 2: campo 0001 Empleado, posición 2, longitud 6, TEXTO · valor «000001»"_s},
            {Qt::CTRL | Qt::Key_Right,
             u"campo 0002 Importe, posición 8, longitud 9, NUMERO 0V00 · valor «123.45»"_s},
            {Qt::Key_Down,
             u"Línea 3, tipo 0002 Empleado · columna 8: campo 0002 Importe, posición 8, "
             "longitud 9, NUMERO 0V00 · error: '00001X345'"_s},
            {Qt::CTRL | Qt::Key_Right, u"columna 17: campo 0003 Nombre"_s},
            {Qt::CTRL | Qt::Key_Right,
             u"«MARIA LOPECD»; campo 0004 Clave, posición 27, longitud 4, "
             "TEXTO · valor «CD34» · los campos se traslapan"_s},
            {Qt::Key_Down, u"Línea 4 (sin tipo de línea) · columna 27"_s},
            {Qt::Key_Down, u"Línea 5, tipo 0002"_s},
            {Qt::Key_Up, u"Línea 4 (sin tipo de línea) · columna 27"_s},
            {Qt::Key_Down, u" · los campos se traslapan · la línea tiene 13 caracteres"_s},
            {Qt::Key_Down, u"Línea 6 (con varios tipos de línea: 0003, 0004) · columna 27"_s},
            {Qt::CTRL | Qt::Key_End, u"Línea 7, tipo 0003 Totales · columna 18"_s},
            {Qt::Key_Home, u"columna 1: ID del tipo de línea «T»"_s},
            {Qt::CTRL | Qt::Key_Home, u"Línea 1, tipo 0001 Cabecera"_s}};
        QStringList where, fields;
        for (const auto &[key, said] : steps) {
            QTest::keyClick(lines(), key.key(), key.keyboardModifiers());
            where << u"%1,%2"_s.arg(lines()->currentRow()).arg(lines()->currentColumn());
            fields
                << u"%1,%2"_s.arg(entered.last().at(0).toInt()).arg(entered.last().at(1).toInt());
            QVERIFY2(lines()->statusText().contains(said), qPrintable(lines()->statusText()));
        }
        QCOMPARE(where.join(u' '),
                 u"1,2 1,8 2,8 2,17 2,27 3,27 4,27 3,27 4,27 5,27 6,18 6,1 0,1"_s);
        QCOMPARE(fields.join(u' '),
                 u"1,0 1,1 1,1 1,2 1,2 -1,-1 1,2 -1,-1 1,2 -1,-1 2,1 2,-1 0,-1"_s);

        // A click on a line's column; a click on a segment of the strip highlights that field.
        QTest::mouseClick(lines()->viewport(), Qt::LeftButton, {},
                          QPoint(lines()->columnX(13) + 1, lines()->rowY(6) + 2));
        QCOMPARE(lines()->currentRow(), 6);
        QCOMPARE(lines()->currentColumn(), 13);
        QVERIFY(lines()->statusText().endsWith(u"columna 13: ningún campo lee esta columna"_s));
        QTest::mouseClick(lines()->viewport(), Qt::LeftButton, {}, lines()->stripRect(1).center());
        QCOMPARE(lines()->highlightedLineType(), 2);
        QCOMPARE(lines()->highlightedField(), 1);
    }
    void highlightedFromTheFieldGridAndTheTables()
    {
        // As the screen's field grid calls it: by Ly_ID and Ld_ID as stored, or as numbers.
        QVERIFY(lines()->highlightField(u"0002"_s, u"0004"_s));
        QCOMPARE(lines()->highlightedLineType(), 1);
        QCOMPARE(lines()->highlightedField(), 3);
        const QImage image = lines()->viewport()->grab().toImage();
        const QColor highlight = lines()->palette().color(QPalette::Highlight);
        QVERIFY(count(image, lines()->bandRect(1, 3), [&](QColor c) { return c == highlight; }) >
                0);
        QCOMPARE(count(image, lines()->bandRect(1, 1), [&](QColor c) { return c == highlight; }),
                 0);
        QVERIFY(lines()->highlightField(u"2"_s, u"3"_s));
        QCOMPARE(lines()->highlightedField(), 2);
        QVERIFY(!lines()->highlightField(u"0003"_s, u"0009"_s));
        QCOMPARE(lines()->highlightedField(), -1);

        // A field of a line type that no line on screen has: the nearest line of that type comes.
        lines()->resize(600, lines()->rowY(0) + 2 * lines()->lineHeight() + 4);
        QApplication::processEvents();
        lines()->setCursorPosition(0, 1);
        QVERIFY(lines()->highlightField(u"0003"_s, u"0002"_s));
        QCOMPARE(lines()->currentRow(), 6);
        QCOMPARE(lines()->currentColumn(), 15);
        // (From the tables, a cell chosen and Enter: faultsOfAFileAtAGlance.)
    }
    void reverseReadingShownInFileOrder()
    {
        auto format = views_test::payroll();
        format.reverse = true;
        const auto reversed =
            indexFile(format, writeFile(dir, u"inversa.txt"_s, views_test::payrollFile()));
        lines()->setDecoder(std::make_shared<LineDecoder>(reversed));
        QCOMPARE(lines()->lineOfRow(0), 6); // the file's first line is the last one read
        lines()->setCursorPosition(6, 1);
        QVERIFY(lines()->statusText().startsWith(u"Línea 7, tipo 0003 Totales"_s));
        lines()->showLine(0, 1); // the first line read: the file's last, at Cuenta
        QCOMPARE(lines()->currentRow(), 6);
        QCOMPARE(lines()->currentColumn(), 15);
    }
    void fontOfOneWidth_data()
    {
        // family: the family it must be; empty: any of one width
        const auto add = dataColumns<QStringList, QString>({"preferred", "family"});
        add("the system's", QStringList(), QString());
        add("a proportional family passed over", QStringList{u"DejaVu Sans"_s}, QString());
        add("an installed family of one width",
            QStringList{u"Nonexistent Mono"_s, u"DejaVu Sans Mono"_s}, u"DejaVu Sans Mono"_s);
        add("a family not installed", QStringList{u"Fixedsys"_s}, QString());
    }
    // The font of the fixed-width texts draws narrow and wide letters, digits, blanks, punctuation
    // and accented letters with one advance, whatever the families asked for and the machine has.
    void fontOfOneWidth()
    {
        auto [preferred, family] = fetchColumns<QStringList, QString>({"preferred", "family"});
        const QFont font = fixedWidthFont(preferred, 9);
        QCOMPARE(font.pointSizeF(), 9.0);
        if (!family.isEmpty())
            QCOMPARE(QFontInfo(font).family(), family);
        const QFontMetricsF metrics(font);
        const qreal advance = metrics.horizontalAdvance(u'm');
        QVERIFY(advance > 0);
        for (const QChar c : u"iW0. ñÉ|"_s)
            QCOMPARE(metrics.horizontalAdvance(c), advance);
        QCOMPARE(metrics.horizontalAdvance(u"iWiW. ñ"_s), 7 * advance);
    }
    void charactersStandOnTheirColumns_data()
    {
        const auto add = dataColumns<int, int>({"field", "column"});
        add("column 5", 0, 5);
        add("column 40", 1, 40);
        add("column 150", 2, 150);
    }
    // Far from the first column, the letter the file has at a column is drawn inside that column's
    // band, under its ruler tick and inside the cursor's box, and a click on it puts the cursor on
    // that column: nothing drifts from the letters as the columns grow.
    void charactersStandOnTheirColumns()
    {
        auto [field, column] = fetchColumns<int, int>({"field", "column"});
        const QByteArray line = wideLine();
        lines()->setDecoder(std::make_shared<LineDecoder>(
            indexFile(wideFormat(), writeFile(dir, u"ancha.txt"_s, line + line))));
        const int w = lines()->charWidth();
        lines()->resize(lines()->columnX(1) + 170 * w, 300);
        QApplication::processEvents();
        QCOMPARE(lines()->horizontalScrollBar()->value(),
                 0); // every column on screen, none scrolled
        const QRect band = lines()->bandRect(1, field);
        QCOMPARE(band.left(), lines()->columnX(column));
        const QImage image = lines()->viewport()->grab().toImage();

        // The "W" of the second line: its ink lies over its band (give or take the edge pixel of
        // its antialiasing), not over a neighbouring column.
        const QRect around(band.left() - 3 * w, band.top(), 7 * w, band.height());
        const auto [left, right] = inkColumns(image, around);
        QVERIFY2(left <= right, "no letter drawn near the band");
        QVERIFY2(left >= band.left() - 1 && right <= band.right() + 1,
                 qPrintable(u"ink at %1-%2, band at %3-%4"_s.arg(left)
                                .arg(right)
                                .arg(band.left())
                                .arg(band.right())));
        const int letterCentre = (left + right) / 2;

        // The ruler's tick for the column, in the strip's colour band above the letters: the ticks
        // of every fifth column reach four pixels above the ruler's bottom edge.
        const int rulerBottom = lines()->stripRect(-1).top() - 1;
        const auto [tickLeft, tickRight] =
            inkColumns(image, QRect(band.left() - 2 * w, rulerBottom - 3, 5 * w, 1));
        QCOMPARE(tickLeft, tickRight);
        QVERIFY(tickLeft >= band.left() && tickLeft <= band.right());

        // A click on the letter puts the cursor on its column; the status line and the cursor's
        // box say the same column, and the box is drawn around the letter.
        lines()->setFocus();
        QTest::mouseClick(lines()->viewport(), Qt::LeftButton, {},
                          QPoint(letterCentre, band.center().y()));
        QCOMPARE(lines()->currentRow(), 1);
        QCOMPARE(lines()->currentColumn(), column);
        QVERIFY2(lines()->statusText().contains(
                     u" · columna %1: campo 000%2 "_s.arg(column).arg(field + 1)),
                 qPrintable(lines()->statusText()));
        QCOMPARE(lines()->cursorRect(), band);
        QTRY_VERIFY(lines()->hasFocus());
        const QImage withCursor = lines()->viewport()->grab().toImage();
        const auto [boxLeft, boxRight] = inkColumns(withCursor, around);
        QCOMPARE(boxLeft, band.left());
        QCOMPARE(boxRight, band.right());
    }

    void wholeRunAgreesWithTheTest_data()
    {
        const auto add = dataColumns<LoadFormat, QByteArray, qint64, qint64>(
            {"format", "data", "lines", "ruleErrors"});
        add("fields in error", views_test::payroll(), views_test::payrollFile(), qint64(7),
            qint64(0));
        add("broken rules", views_test::ledger(), views_test::ledgerFile(), qint64(6), qint64(3));
        LoadFormat reverse = views_test::ledger();
        reverse.reverse = true;
        // Read from the last line: PRIMERA and ULTIMA broken, the folios going down (3), the count
        // and the total of the one detail read before the trailer.
        add("broken rules, reverse", reverse, views_test::ledgerFile(), qint64(6), qint64(7));
        // Records of 15 characters without line breaks, the last one short; read from the first
        // also for a reverse reading, and numbered so.
        QByteArray records;
        for (const QByteArray &line : views_test::ledgerFile().split('\n'))
            if (!line.isEmpty())
                records += line.leftJustified(15, ' ');
        records.chop(3);
        LoadFormat fixed = views_test::ledger();
        fixed.rules << velkora::formats::RuleDef{u"0006"_s, {}, {}, u"REGISTRO 15"_s, {}};
        add("REGISTRO", fixed, records, qint64(6), qint64(4));
        fixed.reverse = true;
        add("REGISTRO, reverse", fixed, records, qint64(6), qint64(4));
    }
    void wholeRunAgreesWithTheTest()
    {
        auto [format, data, lines, ruleErrors] =
            fetchColumns<LoadFormat, QByteArray, qint64, qint64>(
                {"format", "data", "lines", "ruleErrors"});
        const QString path = views_test::writeFile(dir, u"archivo.txt"_s, data);
        TestJob job(format, path);
        job.start();
        const TestOutcome outcome = job.take();
        const TestReport plain = velkora::formats::testLoadFormat(format, path);
        QVERIFY(outcome.report.ran && !outcome.report.cancelled);
        QCOMPARE(velkora::formats::reportText(outcome.report, u"|"_s),
                 velkora::formats::reportText(plain, u"|"_s));
        QVERIFY(outcome.file && !outcome.file->index.partial());
        const velkora::formats::LineIndex &index = outcome.file->index;
        QCOMPARE(index.lineCount(), lines);
        QCOMPARE(job.progress().done, job.progress().total);
        // The index's errors are the test's: as many, on the same lines.
        QCOMPARE(index.ruleErrorCount(), ruleErrors);
        QCOMPARE(index.errorCount(), plain.result.errorCount);
        for (int t = 0; t < format.lineTypes.size(); ++t)
            QCOMPARE(qint64(index.rows(t).size()), plain.result.types[size_t(t)].lines);
        QSet<qint64> inError;
        for (int group = 0; group < index.groupCount(); ++group) {
            const std::vector<qint64> &rows = index.rows(group);
            if (group == index.otherGroup())
                for (const qint64 line : rows)
                    inError << index.lineNumber(line);
            for (const qint64 row : index.errorRows(group))
                inError << index.lineNumber(rows[size_t(row)]);
        }
        for (const velkora::formats::ReportedError &error : outcome.report.errors)
            QVERIFY2(inError.contains(error.line),
                     qPrintable(u"%1: %2"_s.arg(error.line).arg(error.message)));

        TestJob missing(views_test::payroll(), dir.filePath(u"no-existe.txt"_s));
        missing.start();
        const TestOutcome none = missing.take();
        QVERIFY(!none.report.ran && !none.file);
        QVERIFY(none.report.error.contains(u"no existe"_s));
    }
    void brokenRulesOfWhatWasRead()
    {
        // An index cut to what a cancelled test read keeps the broken rules of those lines only,
        // and none of what only the end of the file tells (ULTIMA).
        const QString path = views_test::writeFile(dir, u"libro.txt"_s, views_test::ledgerFile());
        const velkora::formats::CompiledFormat compiled(views_test::ledger());
        velkora::formats::LineIndex index = velkora::formats::buildLineIndex(compiled, path);
        QCOMPARE(index.ruleErrorCount(), 3); // the lines in error: brokenRulesAreErrorsLikeFields
        using Rows = std::vector<qint64>;

        index.truncate(5); // the trailer read, not the detail after it
        QCOMPARE(index.ruleErrorCount(), 2);
        QCOMPARE(index.errorCount(), 2);
        QCOMPARE(index.errorRows(1), (Rows{2}));
        QCOMPARE(index.errorRows(2), (Rows{0}));
        index.truncate(4);
        QCOMPARE(index.ruleErrorCount(), 1);
        QCOMPARE(index.errorRows(2), Rows());
        QCOMPARE(index.ruleErrors(4).size(), size_t(0));
        int count = 0;
        const std::vector<velkora::formats::FieldError> kept = index.ruleErrors(3, &count);
        QCOMPARE(count, 1);
        QVERIFY(kept.size() == 1 && kept.front().rule == 1 && kept.front().field == 1);
    }
    void progressOfABigSampleFile_data()
    {
        QTest::addColumn<bool>("reverse");
        QTest::newRow("forwards") << false;
        QTest::newRow("reverse") << true;
    }
    // The progress window of a test of a big file (the README's picture): it moves, and Cancelar
    // stops both readings, the test's and the index's, keeping what they read counted alike.
    void progressOfABigSampleFile()
    {
        QFETCH(bool, reverse);
        auto format = views_test::payroll();
        format.reverse = reverse;
        QWidget screen;
        QVERIFY(exposed(screen, {300, 200}));
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
        ticker.start(20);

        // The file read as from a slow share that hands over one block to the index and one chunk
        // to the test each time the watcher below looks at the window, so that however fast the
        // machine reads, and however late the window's thread is served, the window is seen moving
        // and is cancelled long before the end: 400 blocks and 400 chunks.
        QSemaphore indexBlocks, testChunks;
        RunOptions options;
        options.quietMilliseconds = 0;
        options.job.indexBlockBytes = 256 << 10;
        options.job.chunkBytes = 256 << 10;
        options.job.afterIndexBlock = [&] { indexBlocks.acquire(); };
        options.job.afterTestChunk = [&] { testChunks.acquire(); };
        const auto letGo = [&] {
            indexBlocks.release(1 << 20);
            testChunks.release(1 << 20);
        };
        const auto done = qScopeGuard(letGo);

        QList<int> seen;
        QString progressText;
        bool cancelled = false;
        QTimer watcher;
        connect(&watcher, &QTimer::timeout, this, [&] {
            if (cancelled)
                return;
            if (auto *dialog =
                    qobject_cast<TestProgressDialog *>(QApplication::activeModalWidget())) {
                seen << dialog->findChild<QProgressBar *>(u"barProgreso"_s)->value();
                progressText = dialog->findChild<QLabel *>(u"lblAvance"_s)->text();
                // Cancelled once the bar has moved (two places past 0, a third of the way for the
                // picture) and the application's timers have run meanwhile.
                const QSet<int> places(seen.begin(), seen.end());
                if (places.size() >= 3 && progressText.contains(u"líneas/s"_s) && ticks >= 3 &&
                    (shots.isEmpty() || seen.last() >= 300)) {
                    cancelled = true;
                    save(dialog, u"prueba-progreso.png"_s);
                    QTest::mouseClick(dialog->findChild<QPushButton *>(u"cmdCancelar"_s),
                                      Qt::LeftButton);
                    letGo();
                    return;
                }
            }
            indexBlocks.release();
            testChunks.release();
        });
        watcher.start(10);

        const TestOutcome outcome = runLoadFormatTest(format, bigFile(), &screen, options);
        QVERIFY(cancelled);
        QVERIFY2(progressText.contains(u" MB · "_s), qPrintable(progressText));
        QVERIFY(std::is_sorted(seen.begin(), seen.end()));
        QVERIFY(!QApplication::activeModalWidget());

        // Stopped where it was, before the end of the file; the lines read are the first ones read
        // (numbered from the end of the file in reverse).
        const TestReport &report = outcome.report;
        QVERIFY(report.ran && report.cancelled);
        QVERIFY(report.result.bytes > 0 && report.result.bytes < report.fileBytes);
        QCOMPARE(summed(report), report.result.lines);
        QVERIFY(velkora::formats::reportText(report, u"|"_s)
                    .contains(u"Prueba cancelada|se leyeron "_s));
        QCOMPARE(report.result.details.front().line, 1);
        // The index is cut to what the test read, or less, and agrees with it.
        QVERIFY(outcome.file);
        const auto &index = outcome.file->index;
        QVERIFY(index.partial());
        QCOMPARE(outcome.file->testedLines, report.result.lines);
        QVERIFY(index.lineCount() <= report.result.lines);
        QCOMPARE(summed(index), index.lineCount());
        QCOMPARE(index.lineNumber(0), 1);
        if (index.lineCount() == report.result.lines) {
            for (int t = 0; t < format.lineTypes.size(); ++t)
                QCOMPARE(qint64(index.rows(t).size()), report.result.types[size_t(t)].lines);
            QCOMPARE(index.fieldErrorCount(), report.result.errorCount);
        }
    }
    void quickTestShowsNoWindow()
    {
        const QString path = views_test::writeFile(dir, u"rapido.txt"_s, views_test::payrollFile());
        bool eventLoopRan = false;
        QTimer::singleShot(0, this, [&] { eventLoopRan = true; });
        const TestOutcome outcome = runLoadFormatTest(views_test::payroll(), path, nullptr);
        QVERIFY(outcome.report.ran && outcome.file);
        QVERIFY(!eventLoopRan); // as a plain call: nothing else ran meanwhile
        QTRY_VERIFY(eventLoopRan);
    }

    void showsTheProposalOnTheSample()
    {
        const QString path = writeOrders(dir);
        const velkora::proposal::Proposal proposal = proposal_test::propose(path);

        ProposalDialog dialog(proposal);
        QVERIFY(exposed(dialog));
        QAbstractItemModelTester typesTester(dialog.lineTypesTable()->model());
        QAbstractItemModelTester fieldsTester(dialog.fieldsTable()->model());
        auto *lines = dialog.linesView();

        // The line types with their counts; the first is chosen, its fields shown, numbered as
        // they are stored, and the sample opens on its first line.
        const QAbstractItemModel *types = dialog.lineTypesTable()->model();
        using Types = ProposedLineTypesModel;
        QCOMPARE(
            cells(types, {Types::Id, Types::Lines, Types::Position}),
            (QStringList{proposal.lineTypes[0].id + "|1|1", proposal.lineTypes[1].id + "|12|1"}));
        const QAbstractItemModel *fields = dialog.fieldsTable()->model();
        QCOMPARE(fields->rowCount(), proposal.lineTypes[0].fields.size());
        QCOMPARE(fields->index(0, 0).data().toString(), QStringLiteral("0001"));
        QVERIFY(fields->index(0, 8).data().toString().endsWith(" %"));
        QCOMPARE(lines->rowCount(), 14);
        QCOMPARE(lines->currentRow(), 0);
        // At the dialog's first size the confidence of each line type and field is in sight, and
        // every column shows its caption and its cells whole ("Descripción", not "escripció").
        for (QAbstractItemView *table : {dialog.lineTypesTable(), dialog.fieldsTable()}) {
            const auto *view = static_cast<QTableView *>(table);
            const int c = table->model()->columnCount() - 1; // "Confianza"
            QCOMPARE(table->model()->headerData(c, Qt::Horizontal).toString(), "Confianza");
            QVERIFY(view->columnViewportPosition(c) >= 0);
            QVERIFY(view->columnViewportPosition(c) + view->columnWidth(c) <=
                    table->viewport()->width());
            for (int column = 0; column <= c; ++column)
                QVERIFY(view->horizontalHeader()->sectionSizeHint(column) <=
                            view->columnWidth(column) &&
                        table->sizeHintForColumn(column) <= view->columnWidth(column));
        }

        // Another line type: its fields, its first line; a field of it: its band on every line of
        // the type.
        QTest::mouseClick(dialog.lineTypesTable()->viewport(), Qt::LeftButton, {},
                          dialog.lineTypesTable()->visualRect(types->index(1, 1)).center());
        QCOMPARE(fields->rowCount(), proposal.lineTypes[1].fields.size());
        QCOMPARE(cells(fields, {2}).first(),
                 QString::number(proposal.lineTypes[1].fields.first().position));
        // What was guessed of a field shows on its cells.
        QStringList guesses;
        for (int r = 0; r < fields->rowCount(); ++r) {
            QCOMPARE(fields->index(r, 1).data(Qt::ToolTipRole).toString(),
                     proposal.lineTypes[1].fields[r].guess);
            guesses << proposal.lineTypes[1].fields[r].guess;
        }
        QVERIFY(!guesses.filter(QRegularExpression(u"."_s)).isEmpty());
        QCOMPARE(lines->currentRow(), 1);
        const int last = fields->rowCount() - 1;
        QTest::mouseClick(dialog.fieldsTable()->viewport(), Qt::LeftButton, {},
                          dialog.fieldsTable()->visualRect(fields->index(last, 1)).center());
        QCOMPARE(lines->highlightedLineType(), 1);
        QCOMPARE(lines->highlightedField(), last);
        QVERIFY(!lines->bandRect(1, last).isNull());

        // The blank line is listed; choosing it shows it.
        auto *unmatched = dialog.unmatchedList();
        QVERIFY(unmatched->isVisible());
        QVERIFY(dialog.findChild<QLabel *>("lblSinTipo")->text().contains(": 1"));
        QCOMPARE(unmatched->count(), 1);
        QTest::mouseClick(unmatched->viewport(), Qt::LeftButton, {},
                          unmatched->visualItemRect(unmatched->item(0)).center());
        QCOMPARE(lines->currentRow(), 7);
        QCOMPARE(lines->decoder()->line(lines->lineOfRow(7))->number, 8);

        // The rules the sample keeps, on a page of their own: the header first and once, and the
        // length of each line type's lines.
        QTabWidget *pages = dialog.pages();
        QCOMPARE(pages->tabText(1), QStringLiteral("Re&glas (4)"));
        pages->setCurrentIndex(1);
        QVERIFY(dialog.rulesTable()->isVisible());
        QAbstractItemModelTester rulesTester(dialog.rulesTable()->model());
        const QAbstractItemModel *rules = dialog.rulesTable()->model();
        using Rules = ProposedRulesModel;
        QCOMPARE(cells(rules, {Rules::Number, Rules::LineType, Rules::Field, Rules::Rule}),
                 (QStringList{"0001|0001 Tipo H||PRIMERA", "0002|0001 Tipo H||VECES 1",
                              "0003|0001 Tipo H||LONGITUD 41", "0004|0002 Tipo P||LONGITUD 37"}));
        for (const QString &confidence : cells(rules, {Rules::Confidence}))
            QVERIFY(confidence.endsWith(" %"));

        // Escape answers as "Cancelar" does (the screen's tests click "Aceptar" and "Cancelar").
        QTimer::singleShot(0, &dialog, [&dialog] { QTest::keyClick(&dialog, Qt::Key_Escape); });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    }
    // A field row whose proposed field carries a guess shows it on its cells and row header, as
    // long as it holds what was proposed; a changed row, another line type's field of the same
    // number, and every row once cleared, show none.
    void guessesMarkedUntilChanged()
    {
        using velkora::controls::DataGrid;
        using velkora::controls::GridColumn;
        DataGrid grid;
        QList<GridColumn> columns;
        for (const char *name : {"Linea", "Campo", "Posicion", "Longitud", "Valor", "Formato"}) {
            columns.append(GridColumn());
            columns.last().name = name;
        }
        grid.setColumns(columns);
        ProposalGuessMarks marks(&grid, {0, 1, 2, 3, 4, 5});
        velkora::proposal::Proposal proposal;
        proposal.lineTypes.resize(2);
        proposal.lineTypes[1].fields.resize(2);
        velkora::proposal::ProposedField &guessed = proposal.lineTypes[1].fields[1];
        guessed.position = 12;
        guessed.length = 10;
        guessed.format = "DDMMYY";
        guessed.guess = "Fecha leída como DDMMYY; también se lee como YYMMDD";
        marks.take(proposal);
        grid.AddRows({{"0002", "0001", "1", "11", "", ""},
                      {"0002", "0002", "12", "10", "", "DDMMYY"},
                      {"0001", "0002", "12", "10", "", "DDMMYY"}});
        const QString shown = "Supuesto de la propuesta: " + guessed.guess;
        QCOMPARE(QStringList({marks.guessAt(0), marks.guessAt(1), marks.guessAt(2)}),
                 QStringList({QString(), shown, QString()}));
        grid.resize(400, 200);
        QVERIFY(exposed(grid));
        const QRect cell = grid.visualRect(grid.model()->index(1, 3));
        QHelpEvent help(QEvent::ToolTip, cell.center(),
                        grid.viewport()->mapToGlobal(cell.center()));
        QVERIFY(QCoreApplication::sendEvent(grid.viewport(), &help));
        QTRY_COMPARE(QToolTip::text(), shown);
        QToolTip::hideText();
        grid.setCell(1, 3, "8"); // the user changed its length
        QCOMPARE(marks.guessAt(1), QString());
        grid.setCell(1, 3, "10");
        QCOMPARE(marks.guessAt(1), shown);
        marks.clear();
        QCOMPARE(marks.guessAt(1), QString());
    }
    // A remittance return whose segments have their IDs at column 14, and a title whose amount
    // holds a "-": each line type shows where its ID stands, the line is listed as not read and
    // choosing it shows it.
    void findingsAndIdsAtTwoPlaces()
    {
        proposal_test::RemittanceOptions options;
        options.titles = 60; // 120 titles: one bad line of them is tolerated
        QStringList lines = proposal_test::remittanceFile(options);
        lines[4].replace(81, 1, "-");
        const QString path = proposal_test::writeFile(dir.filePath("retorno.txt"), lines);
        const velkora::proposal::Proposal proposal = proposal_test::propose(path);

        ProposalDialog dialog(proposal);
        QVERIFY(exposed(dialog));
        const QAbstractItemModel *types = dialog.lineTypesTable()->model();
        QCOMPARE(cells(types, {ProposedLineTypesModel::Id, ProposedLineTypesModel::Position}),
                 (QStringList{"0|8", "1|8", "T|14", "U|14", "5|8", "9|8"}));
        QVERIFY(dialog.findChild<QLabel *>("lblResumen")->text().contains("en otra posición"));
        auto *label = dialog.findChild<QLabel *>("lblNoSeLeen");
        QCOMPARE(label->text(), QStringLiteral("1 línea no se lee con esta propuesta: 5"));
        QVERIFY(label->isVisible());
        auto *unread = dialog.unreadList();
        QCOMPARE(unread->count(), 1);
        QTest::mouseClick(unread->viewport(), Qt::LeftButton, {},
                          unread->visualItemRect(unread->item(0)).center());
        QCOMPARE(dialog.linesView()->currentRow(), 4);
    }
    void progressOfALongProposal_data()
    {
        QTest::addColumn<QString>("answer"); // how the window is answered, if it is
        QTest::newRow("to the end") << "";
        QTest::newRow("Escape") << "Escape";
        QTest::newRow("window closed") << "close";
    }
    // A proposal that takes a while shows its window of progress, which closes when it ends; Escape
    // or closing the window stop the proposal, which then proposes nothing (as its "Cancelar" does:
    // the editor's test).
    void progressOfALongProposal()
    {
        QFETCH(QString, answer);
        const QString path = proposal_test::writeFile(dir.filePath("extracto-grande.txt"),
                                                      proposal_test::bankStatement(12, 4000, 3));
        // Each report of progress waits until the window has been answered: a slow disk.
        std::atomic<bool> answered{answer.isEmpty()};
        velkora::views::ProposalRunOptions options;
        options.quietMilliseconds = 0;
        options.job.afterProgress = [&answered] {
            for (int i = 0; i < 10000 && !answered; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        };
        QStringList seen;
        QTimer watch;
        watch.setInterval(20);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!dialog || dialog->objectName() != "dlgProgresoPropuesta" || !seen.isEmpty())
                return;
            seen << dialog->findChild<QLabel *>("lblArchivoPropuesta")->text()
                 << dialog->findChild<QLabel *>("lblAvance")->text();
            if (answer == "Escape")
                QTest::keyClick(dialog, Qt::Key_Escape);
            else if (answer == "close")
                dialog->close();
            answered = true;
        });
        watch.start();
        const velkora::views::ProposalJob::Outcome outcome =
            velkora::views::runProposal(path, nullptr, options);
        QCOMPARE(seen.size(), 2);
        QVERIFY(seen[0].contains(QDir::toNativeSeparators(path)));
        QVERIFY2(seen[1].startsWith("Abriendo el archivo") ||
                     seen[1].startsWith("Leyendo el archivo") ||
                     seen[1].startsWith("Buscando las reglas del archivo") ||
                     seen[1].startsWith("Probando la propuesta"),
                 qPrintable(seen[1]));
        if (answer.isEmpty()) {
            QVERIFY2(outcome.proposed, qPrintable(outcome.error.text));
            QCOMPARE(outcome.proposal.lineTypes.size(), 5);
        } else {
            QVERIFY(!outcome.proposed);
            QCOMPARE(outcome.error.failure, velkora::proposal::ProposalFailure::Cancelled);
        }
    }
};

QTEST_MAIN(TestViews)
#include "tst_views.moc"
