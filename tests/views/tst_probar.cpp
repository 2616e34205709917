// "Probar" on the sample database, with the real screen and services, as a user sees it: the
// result text, the tables and the file's lines in one window; "Script" still shows its text
// alone. With KESTA_SCREENSHOTS set to a folder it also saves the pictures of the README
// (scripts/screenshots.sh runs it so on an X server).

#include "DatabaseSetup.h"
#include "formats/StoredTestTarget.h"
#include "host/Publico.h"
#include "screen/frmKESTA.h"
#include "services/Database.h"
#include "services/SampleFormat.h"
#include "services/Services.h"
#include "services/TextViewerDialog.h"
#include "views/RawLinesView.h"
#include "views/ResultTablesView.h"
#include "views/TestProgressDialog.h"

#include <controls/Controles.h>
#include <controls/TextBox.h>

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSqlDatabase>
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

private slots:
    void initTestCase();
    void cleanupTestCase();
    void probarShowsTextTablesAndLines();
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

void tst_Probar::probarShowsTextTablesAndLines()
{
    kesta::screen::frmKESTA screen;
    screen.resize(1000, 700);
    screen.show();
    QVERIFY(QTest::qWaitForWindowExposed(&screen));
    auto *key = screen.findChild<velkora::controls::TextBox *>(u"txtClave"_s);
    key->setFocus();
    QTest::keyClicks(key, u"1"_s);
    QTest::keyClick(key, Qt::Key_Return);

    QStringList pages;
    QStringList tables;
    QString text;
    QString status;
    int movements = -1;
    qint64 lines = -1;
    bool scriptHasPages = true;
    QTimer::singleShot(0, this, [&] {
        auto *viewer =
            qobject_cast<services::TextViewerDialog *>(QApplication::activeModalWidget());
        if (!viewer || !viewer->pages())
            return viewer ? viewer->reject() : void();
        viewer->resize(1100, 640);
        text = viewer->text();
        for (int p = 0; p < viewer->pages()->count(); ++p)
            pages << viewer->pages()->tabText(p);
        save(viewer, u"prueba-texto.png"_s);

        // The tables: the movements' table, a click on an amount.
        viewer->pages()->setCurrentIndex(1);
        auto *tablesView = viewer->findChild<views::ResultTablesView *>(u"vistaTablas"_s);
        auto *tabs = tablesView->findChild<QTabWidget *>(u"tabsTablas"_s);
        for (int t = 0; t < tabs->count(); ++t)
            tables << tabs->tabText(t);
        QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(1).center());
        QTableView *table = tablesView->table(1);
        movements = table->model()->rowCount();
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                          table->visualRect(table->model()->index(1, 4)).center());
        save(viewer, u"prueba-tablas.png"_s);

        // Enter: the line as it stands, the amount's band highlighted.
        QTest::keyClick(table, Qt::Key_Return);
        auto *raw = viewer->findChild<views::RawLinesView *>(u"vistaLineas"_s);
        lines = raw->rowCount();
        status = viewer->findChild<QLabel *>(u"lblCampo"_s)->text();
        if (viewer->pages()->currentWidget()->isAncestorOf(raw))
            save(viewer, u"prueba-lineas.png"_s);
        viewer->reject();
    });
    screen.Controles->action(u"B2"_s)->trigger();

    QCOMPARE(pages, QStringList({u"Texto"_s, u"Tablas"_s, u"Líneas del archivo"_s}));
    QVERIFY2(text.contains(u"\n2|0002|2026-12-01|DEPOSITO EN EFECTIVO|"_s),
             qPrintable(text.left(600)));
    QCOMPARE(tables, QStringList({u"0001 Encabezado de la cuenta (1)"_s, u"0002 Movimiento (4)"_s,
                                  u"0003 Totales (1)"_s, u"Sin tipo o con varios (0)"_s}));
    QCOMPARE(movements, 4);
    QCOMPARE(lines, 6);
    QVERIFY2(status.startsWith(u"Línea 3, tipo 0002 Movimiento · columna 50: campo 0004 Importe, "
                               "posición 50, longitud 12, NUMERO 0.00 · valor «4250.75»"_s),
             qPrintable(status));

    // Script: its text alone, as before.
    QTimer::singleShot(0, this, [&] {
        if (auto *viewer =
                qobject_cast<services::TextViewerDialog *>(QApplication::activeModalWidget())) {
            scriptHasPages = viewer->pages() != nullptr;
            viewer->reject();
        }
    });
    screen.Controles->action(u"B3"_s)->trigger();
    QVERIFY(!scriptHasPages);
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
        for (int i = 0; i < (shots.isEmpty() ? 10 : 60); ++i)
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
    QVERIFY(shown == outcome.report.cancelled);
}

QTEST_MAIN(tst_Probar)
#include "tst_probar.moc"
