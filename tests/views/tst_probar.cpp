// "Probar" on the sample database, with the real screen and services, as a user sees it: the
// result text, the tables and the file's lines in one window; "Script" still shows its text
// alone. With KESTA_SCREENSHOTS set to a folder it also saves the pictures of the README
// (scripts/screenshots.sh runs it so on an X server).

#include "DatabaseSetup.h"
#include "store/StoredTestTarget.h"
#include "host/Publico.h"
#include "screen/frmKESTA.h"
#include "store/Database.h"
#include "store/SampleFormat.h"
#include "services/Services.h"
#include "services/TextViewerDialog.h"
#include "views/RawLinesView.h"
#include "views/ResultTablesView.h"
#include "views/TestProgressDialog.h"

#include <controls/Controles.h>
#include <controls/TextBox.h>

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>

using namespace Qt::StringLiterals;
namespace services = velkora::services;
namespace views = velkora::views;

class tst_Probar : public QObject {
    Q_OBJECT
    QTemporaryDir folder;
    QString shots = qEnvironmentVariable("KESTA_SCREENSHOTS");

    void save(QWidget *widget, const QString &name)
    {
        if (shots.isEmpty())
            return;
        QApplication::processEvents();
        QVERIFY(QDir().mkpath(shots));
        QVERIFY(widget->grab().save(QDir(shots).filePath(name)));
    }
    void command(const QString &name,
                 const std::function<void(services::TextViewerDialog *)> &look);
    // Writes lines as a file in the folder and makes it the sample key's file; returns the
    // file it had.
    QString useFile(const QString &name, const QStringList &lines);

private slots:
    void initTestCase();
    void cleanupTestCase();
    void probarShowsTextTablesAndLines();
    void faultsOfAFileAtAGlance();
    void likelyCauseComesFirst();
    void probarOnAnotherFile();
    void progressOfABigSampleFile();
};

void tst_Probar::initTestCase()
{
    const QString location = folder.filePath(u"velkora.db"_s);
    velkora::app::DatabaseSetup::open(services::DefaultConnectionName, location, false);
    qputenv("VELKORA_DATABASE", location.toUtf8());
    qputenv("VELKORA_OPERATOR", "PRUEBA");
    kesta::Publico::resetForTests();
    kesta::Publico::setServicesFactories(services::createCoreServices,
                                         services::createToolServices);
}

void tst_Probar::cleanupTestCase()
{
    kesta::Publico::resetForTests();
    services::closeDatabase(services::DefaultConnectionName);
}

// Opens the screen on the sample's key, runs a toolbar command and hands its text window, made
// active as a window manager would (F8 is the active window's), to `look` before closing it.
void tst_Probar::command(const QString &name,
                         const std::function<void(services::TextViewerDialog *)> &look)
{
    kesta::screen::frmKESTA screen;
    screen.show();
    QVERIFY(QTest::qWaitForWindowExposed(&screen));
    auto *key = screen.findChild<velkora::controls::TextBox *>(u"txtClave"_s);
    key->setFocus();
    QTest::keyClicks(key, u"1"_s);
    QTest::keyClick(key, Qt::Key_Return);
    bool shown = false;
    QTimer::singleShot(0, this, [&] {
        if (auto *viewer =
                qobject_cast<services::TextViewerDialog *>(QApplication::activeModalWidget())) {
            shown = true;
            viewer->resize(1100, 560);
            QApplication::setActiveWindow(viewer);
            look(viewer);
            viewer->reject();
        }
    });
    screen.Controles->action(name)->trigger();
    QVERIFY(shown);
}

void tst_Probar::probarShowsTextTablesAndLines()
{
    QStringList pages, tables;
    QString text, status, title;
    qint64 lines = -1;
    command(u"B2"_s, [&](services::TextViewerDialog *viewer) {
        title = viewer->windowTitle();
        text = viewer->text();
        for (int p = 0; viewer->pages() && p < viewer->pages()->count(); ++p)
            pages << viewer->pages()->tabText(p);
        auto *tablesView = viewer->findChild<views::ResultTablesView *>(u"vistaTablas"_s);
        auto *tabs = tablesView->findChild<QTabWidget *>(u"tabsTablas"_s);
        for (int t = 0; t < tabs->count(); ++t)
            tables << tabs->tabText(t);
        // A click on the second movement's amount, then Enter: the line as it stands.
        viewer->pages()->setCurrentIndex(1);
        QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(1).center());
        QTableView *table = tablesView->table(1);
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                          table->visualRect(table->model()->index(1, 4)).center());
        QTest::keyClick(table, Qt::Key_Return);
        lines = viewer->findChild<views::RawLinesView *>(u"vistaLineas"_s)->rowCount();
        status = viewer->findChild<QLabel *>(u"lblCampo"_s)->text();
    });
    QCOMPARE(title, u"Prueba del formato 0001"_s);
    QCOMPARE(pages, QStringList({u"Texto"_s, u"Tablas"_s, u"Líneas del archivo"_s}));
    QVERIFY2(text.contains(u"\n2|0002|2026-12-01|DEPOSITO EN EFECTIVO|"_s),
             qPrintable(text.left(600)));
    QCOMPARE(tables, QStringList({u"0001 Encabezado de la cuenta (1)"_s, u"0002 Movimiento (4)"_s,
                                  u"0003 Totales (1)"_s, u"Sin tipo o con varios (0)"_s}));
    QCOMPARE(lines, 6);
    QVERIFY2(status.startsWith(u"Línea 3, tipo 0002 Movimiento · columna 50: campo 0004 Importe, "
                               "posición 50, longitud 12, NUMERO 0.00 · valor «4250.75»"_s),
             qPrintable(status));

    // Script: its text alone, titled with it; its long lines scroll sideways, or wrap.
    bool scriptHasPages = true, scrolls = false, wraps = false;
    command(u"B3"_s, [&](services::TextViewerDialog *viewer) {
        title = viewer->windowTitle();
        scriptHasPages = viewer->pages() != nullptr;
        auto *script = viewer->findChild<QPlainTextEdit *>(u"txtTexto"_s);
        scrolls = script->horizontalScrollBar()->maximum() > 0;
        QTest::mouseClick(viewer->findChild<QCheckBox *>(u"chkAjustar"_s), Qt::LeftButton);
        QApplication::processEvents();
        wraps = script->lineWrapMode() == QPlainTextEdit::WidgetWidth &&
                script->horizontalScrollBar()->maximum() == 0;
    });
    QVERIFY(!scriptHasPages);
    QCOMPARE(title, u"Script del formato 0001"_s);
    QVERIFY(scrolls);
    QVERIFY(wraps);
}

// "Probar con otro archivo...": the stored format on a file chosen in the file dialog; the
// stored file stays the format's file, and "Probar" tests it again.
void tst_Probar::probarOnAnotherFile()
{
    QStringList lines = services::sample::fileLines();
    lines.insert(2, u"X LINEA SIN TIPO"_s);
    const QString other = folder.filePath(u"otro mes.txt"_s);
    {
        QFile file(other);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write((lines.join(u'\n') + u'\n').toUtf8());
    }
    const auto storedFile = [] {
        QSqlQuery query(QSqlDatabase::database(services::DefaultConnectionName));
        query.exec(u"SELECT Ly_Archivo FROM Layout WHERE Ly_Cve_Layout = '0001'"_s);
        return query.next() ? query.value(0).toString() : u"(ninguno)"_s;
    };
    const QString stored = storedFile();

    kesta::screen::frmKESTA screen;
    screen.show();
    QVERIFY(QTest::qWaitForWindowExposed(&screen));
    auto *key = screen.findChild<velkora::controls::TextBox *>(u"txtClave"_s);
    key->setFocus();
    QTest::keyClicks(key, u"1"_s);
    QTest::keyClick(key, Qt::Key_Return);
    // The file dialog, then the result's window, as they come.
    QString title, otherTable;
    bool chose = false;
    QTimer watcher;
    connect(&watcher, &QTimer::timeout, this, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *dialog = qobject_cast<QFileDialog *>(modal); dialog && !chose) {
            chose = true;
            // As a user types it: selectFile() leaves alone a file name box that has the focus.
            dialog->setDirectory(QFileInfo(other).absolutePath());
            auto *name = dialog->findChild<QLineEdit *>(u"fileNameEdit"_s);
            QVERIFY(name);
            name->setText(QFileInfo(other).fileName());
            static_cast<QDialog *>(dialog)->accept(); // as its "Abrir" does
        } else if (auto *viewer = qobject_cast<services::TextViewerDialog *>(modal)) {
            title = viewer->windowTitle();
            auto *tabs = viewer->findChild<QTabWidget *>(u"tabsTablas"_s);
            otherTable = tabs ? tabs->tabText(tabs->count() - 1) : QString();
            viewer->reject();
        }
    });
    watcher.start(20);
    screen.Controles->action(u"B2Archivo"_s)->trigger();
    QVERIFY(chose);
    QCOMPARE(title, u"Prueba del formato 0001 con otro mes.txt"_s);
    QCOMPARE(otherTable, u"Sin tipo o con varios (1 con errores)"_s);
    QCOMPARE(storedFile(), stored);

    // Probar: the stored file, as it was.
    title.clear();
    screen.Controles->action(u"B2"_s)->trigger();
    QCOMPARE(title, u"Prueba del formato 0001"_s);
    QCOMPARE(otherTable, u"Sin tipo o con varios (0)"_s);
}

// The sample format on a copy of its file with faults: an amount with a letter, a line of no
// type, a short line and text after the header's last field. F8 finds the first fault, Enter
// shows it on its line (the README's pictures of the tables and the lines come from here).
void tst_Probar::faultsOfAFileAtAGlance()
{
    QStringList lines = services::sample::fileLines();
    lines[0] += u"  EXTRA"_s;
    lines[2][54] = u'X';
    lines.insert(3, u"X LINEA SIN TIPO"_s);
    lines.insert(lines.size() - 1, u"D20261206ABONO CORTO"_s);
    const QString sampleFile = useFile(u"extracto-con-errores.txt"_s, lines);

    QString text, other, cell, status;
    bool stayed = false, causesShown = true;
    command(u"B2"_s, [&](services::TextViewerDialog *viewer) {
        text = viewer->text();
        viewer->pages()->setCurrentIndex(1);
        auto *tablesView = viewer->findChild<views::ResultTablesView *>(u"vistaTablas"_s);
        auto *tabs = tablesView->findChild<QTabWidget *>(u"tabsTablas"_s);
        other = tabs->tabText(3);
        causesShown = viewer->findChild<QLabel *>(u"lblCausas"_s)->isVisible();
        QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(1).center());
        QTableView *table = tablesView->table(1);
        table->setFocus();
        QTest::keyClick(table, Qt::Key_F8);
        cell = u"%1,%2"_s.arg(table->currentIndex().row()).arg(table->currentIndex().column());
        save(viewer, u"prueba-tablas.png"_s);
        QTest::keyClick(table, Qt::Key_Return);
        status = viewer->findChild<QLabel *>(u"lblCampo"_s)->text();
        save(viewer, u"prueba-lineas.png"_s);
        // Enter on the lines goes nowhere: the window stays.
        QTest::keyClick(viewer->findChild<views::RawLinesView *>(u"vistaLineas"_s), Qt::Key_Return);
        stayed = viewer->isVisible();
    });
    QVERIFY(!useFile(sampleFile, {}).isEmpty());

    QVERIFY2(text.contains(u"Resultado|el archivo tiene errores"_s), qPrintable(text.right(900)));
    QCOMPARE(other, u"Sin tipo o con varios (1 con errores)"_s);
    QCOMPARE(cell, u"1,4"_s); // line 3's amount
    QVERIFY2(status.startsWith(u"Línea 3, tipo 0002 Movimiento · columna 50: campo 0004 Importe"_s),
             qPrintable(status));
    QVERIFY(status.contains(u" · error: '00000X250.75'"_s));
    QVERIFY(stayed);
    // Faults on a few lines each: no likely cause is named, in the text or over the tables.
    QVERIFY(!causesShown);
    QVERIFY(!text.contains(u"Causas probables"_s));
}

QString tst_Probar::useFile(const QString &name, const QStringList &lines)
{
    const QString path = QDir::isAbsolutePath(name) ? name : folder.filePath(name);
    if (!lines.isEmpty()) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write((lines.join(u'\n') + u'\n').toUtf8());
    }
    QSqlQuery query(QSqlDatabase::database(services::DefaultConnectionName));
    if (!query.exec(u"SELECT Ly_Archivo FROM Layout WHERE Ly_Cve_Layout = '0001'"_s) ||
        !query.next())
        return {};
    const QString had = query.value(0).toString();
    query.prepare(u"UPDATE Layout SET Ly_Archivo = ? WHERE Ly_Cve_Layout = '0001'"_s);
    query.addBindValue(path);
    return query.exec() ? had : QString();
}

// The sample format on a copy of its file whose movements have a blank more before the amount:
// what most likely went wrong is said first, in the text's first lines and in a panel over the
// tables, before any line or error.
void tst_Probar::likelyCauseComesFirst()
{
    QStringList lines = services::sample::fileLines();
    for (QString &line : lines)
        if (line.startsWith(u'D'))
            line.insert(49, u' ');
    const QString sampleFile = useFile(u"extracto-desplazado.txt"_s, lines);
    QVERIFY(!sampleFile.isEmpty());

    QString text, panel, table;
    bool panelOverTables = false;
    command(u"B2"_s, [&](services::TextViewerDialog *viewer) {
        text = viewer->text();
        viewer->pages()->setCurrentIndex(1);
        auto *causes = viewer->findChild<QLabel *>(u"lblCausas"_s);
        auto *tabs = viewer->findChild<QTabWidget *>(u"tabsTablas"_s);
        table = tabs->tabText(tabs->currentIndex());
        panel = causes->text();
        panelOverTables = causes->isVisible() && causes->geometry().bottom() < tabs->y();
        save(viewer, u"prueba-causas.png"_s);
    });
    QVERIFY(!useFile(sampleFile, {}).isEmpty());

    const QString cause = u"Los campos del tipo de línea 0002 parecen desplazados una columna a la "
                          u"derecha a partir de la columna 50: en 4 de 4 líneas, los campos con "
                          u"error (0004 Importe) se leen bien una columna más a la derecha."_s;
    const QStringList top = text.split(u'\n').mid(0, 10);
    QVERIFY2(top.contains(u"Causas probables de los errores"_s), qPrintable(top.join(u'\n')));
    QVERIFY2(top.filter(u"0002||4 de 4|"_s + cause).size() == 1, qPrintable(top.join(u'\n')));
    QVERIFY(text.indexOf(cause) < text.indexOf(u"Revisión del formato"_s));
    QVERIFY2(panel.contains(u"Tipo 0002 Movimiento"_s) && panel.contains(cause), qPrintable(panel));
    QVERIFY(panelOverTables);
    QCOMPARE(table, u"0002 Movimiento (4; 4 con errores)"_s); // the cause's line type's
}

// The progress window as it shows while the sample format reads a big file (for the README's
// picture; without KESTA_SCREENSHOTS it checks only that the window comes and cancels).
void tst_Probar::progressOfABigSampleFile()
{
    const QStringList sample = services::sample::fileLines();
    const QString path = folder.filePath(u"extracto-grande.txt"_s);
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QByteArray block = (sample.first() + u'\n').toUtf8();
        for (int i = 0; i < 20000; ++i)
            block += (sample.at(1 + i % 4) + u'\n').toUtf8();
        for (int i = 0; i < (shots.isEmpty() ? 10 : 250); ++i)
            QCOMPARE(file.write(block), block.size());
    }
    const auto target = velkora::formats::storedTestTarget(
        QSqlDatabase::database(services::DefaultConnectionName), u"0001"_s, path);
    QVERIFY(target.ok);
    bool shown = false;
    QTimer watcher;
    connect(&watcher, &QTimer::timeout, this, [&] {
        auto *dialog = qobject_cast<views::TestProgressDialog *>(QApplication::activeModalWidget());
        if (!dialog || shown)
            return;
        if (dialog->findChild<QProgressBar *>(u"barProgreso"_s)->value() <
            (shots.isEmpty() ? 1 : 300))
            return;
        shown = true;
        save(dialog, u"prueba-progreso.png"_s);
        QTest::mouseClick(dialog->findChild<QPushButton *>(u"cmdCancelar"_s), Qt::LeftButton);
    });
    watcher.start(20);
    views::RunOptions options;
    options.quietMilliseconds = 0;
    const views::TestOutcome outcome =
        views::runLoadFormatTest(target.format, target.path, nullptr, options);
    QVERIFY(outcome.report.ran);
    QVERIFY(!outcome.report.cancelled || shown); // only the Cancel clicked here stops it
    QVERIFY(shown || shots.isEmpty());
}

QTEST_MAIN(tst_Probar)
#include "tst_probar.moc"
