// The host application: its options, its database set-up and its window.

#include "AppOptions.h"
#include "DatabaseSetup.h"
#include "MainWindow.h"
#include "OwnerForm.h"
#include "support/RecordingServices.h"
#include "support/TestDatabase.h"

#include "host/RuntimeError.h"
#include "services/Database.h"

#include <QAction>
#include <QLineEdit>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

using kesta::test::TestDatabase;
using velkora::app::AppOptions;
using velkora::app::DatabaseSetup;

class tst_HostApp : public QObject {
    Q_OBJECT

private slots:
    void options_data();
    void options();
    void badOptionsAreReported();
    void sqliteIsCreatedOnFirstRunAndNeverTouchedAgain();
    void postgresWithoutTablesNeedsInit();
    void windowShowsTheScreenAndExitClosesIt();
    void windowKeepsAnUnsavedEditUntilTheUserSaysSo();
    void altKeysSwitchTabsInsideTheWindow();
};

void tst_HostApp::options_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("envDatabase");
    QTest::addColumn<QString>("envOperator");
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("operatorCode");

    const QString def = velkora::services::defaultDatabaseLocation();
    const QString user = AppOptions::signedInUser();
    QTest::newRow("defaults") << QStringList{} << QString() << QString() << def << user;
    QTest::newRow("environment") << QStringList{} << QStringLiteral("/tmp/x.db")
                                 << QStringLiteral("ANA") << QStringLiteral("/tmp/x.db") << QStringLiteral("ANA");
    QTest::newRow("command line wins")
        << QStringList{QStringLiteral("--database"), QStringLiteral("postgresql://u:p@127.0.0.1:5433/v"),
                       QStringLiteral("--operator"), QStringLiteral("LUIS")}
        << QStringLiteral("/tmp/x.db") << QStringLiteral("ANA")
        << QStringLiteral("postgresql://u:p@127.0.0.1:5433/v") << QStringLiteral("LUIS");
}

void tst_HostApp::options()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, envDatabase);
    QFETCH(QString, envOperator);
    qputenv("VELKORA_DATABASE", envDatabase.toUtf8());
    qputenv("VELKORA_OPERATOR", envOperator.toUtf8());
    const AppOptions options = AppOptions::parse(QStringList{QStringLiteral("velkora")} + arguments);
    qunsetenv("VELKORA_DATABASE");
    qunsetenv("VELKORA_OPERATOR");
    QVERIFY2(options.error.isEmpty(), qPrintable(options.error));
    QTEST(options.database, "database");
    QTEST(options.operatorCode, "operatorCode");
    QVERIFY(!options.help);
}

void tst_HostApp::badOptionsAreReported()
{
    QVERIFY(!AppOptions::parse({QStringLiteral("velkora"), QStringLiteral("--nonsense")}).error.isEmpty());
    QVERIFY(!AppOptions::parse({QStringLiteral("velkora"), QStringLiteral("stray")}).error.isEmpty());
    QVERIFY(AppOptions::parse({QStringLiteral("velkora"), QStringLiteral("--help")}).help);
    QVERIFY(AppOptions::helpText().contains(QStringLiteral("--database")));
}

static int count(const QString &connection, const QString &sql)
{
    QSqlQuery query(QSqlDatabase::database(connection));
    if (!query.exec(sql) || !query.next())
        return -1;
    return query.value(0).toInt();
}

void tst_HostApp::sqliteIsCreatedOnFirstRunAndNeverTouchedAgain()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sub/velkora.db"));
    const QString name = QStringLiteral("firstrun");
    const auto result = DatabaseSetup::open(name, path, false);
    QVERIFY(result.created);
    QCOMPARE(result.sampleDir, QFileInfo(path).absolutePath());
    QVERIFY(count(name, QStringLiteral("SELECT COUNT(*) FROM Layout WHERE Ly_Cve_Layout = '0001'")) >= 3);
    // The sample file that the load format names is there.
    QSqlQuery query(QSqlDatabase::database(name));
    QVERIFY(query.exec(QStringLiteral("SELECT Ly_Archivo FROM Layout WHERE Ly_Cve_Layout = '0001'")));
    QVERIFY(query.next());
    QVERIFY2(QFileInfo::exists(query.value(0).toString()), qPrintable(query.value(0).toString()));
    query.finish();

    // A user's change survives the next start: no schema run, no sample written again.
    QVERIFY(query.exec(QStringLiteral("DELETE FROM Layout_Detalle WHERE Ld_ID = '0001'")));
    const int after = count(name, QStringLiteral("SELECT COUNT(*) FROM Layout_Detalle"));
    velkora::services::closeDatabase(name);
    QVERIFY(!DatabaseSetup::open(name, path, true).created);
    QCOMPARE(count(name, QStringLiteral("SELECT COUNT(*) FROM Layout_Detalle")), after);
    velkora::services::closeDatabase(name);
}

void tst_HostApp::postgresWithoutTablesNeedsInit()
{
    TestDatabase db(TestDatabase::Kind::PostgreSql, false);
    KESTA_REQUIRE(db);
    const QString name = QStringLiteral("pgsetup");
    try {
        DatabaseSetup::open(name, db.location(), false);
        QFAIL("a database without tables must not open without --init");
    } catch (const kesta::host::RuntimeError &error) {
        QVERIFY2(error.description().contains(QStringLiteral("db/postgresql.sql")), qPrintable(error.description()));
        QVERIFY(error.description().contains(QStringLiteral("--init")));
    }
    velkora::services::closeDatabase(name);

    QVERIFY(DatabaseSetup::open(name, db.location(), true).created);
    QVERIFY(count(name, QStringLiteral("SELECT COUNT(*) FROM Layout")) >= 3);
    velkora::services::closeDatabase(name);
}

void tst_HostApp::windowShowsTheScreenAndExitClosesIt()
{
    TestDatabase db;
    QVERIFY2(db.ok(), qPrintable(db.error()));
    auto record = kesta::test::installRecordingServices(db.connectionName());

    auto *window = new velkora::app::MainWindow;
    window->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<velkora::app::MainWindow> alive(window);
    QString error;
    QVERIFY2(window->openScreen(&error), qPrintable(error));
    QWidget *screen = window->screen();
    QVERIFY(screen);
    QCOMPARE(window->centralWidget(), screen);
    QCOMPARE(screen->property("Padre").value<QObject *>(), static_cast<QObject *>(window->owner()));
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QTRY_VERIFY(screen->property("Transaccion").isValid());

    auto *exitAction = screen->findChild<QAction *>(QStringLiteral("Exit"));
    QVERIFY(exitAction);
    exitAction->trigger();
    QTRY_VERIFY(!alive);
}

// The host's window shows a new load format with a key typed: its close button and Salir ask
// before the edit is thrown away, No keeps the window and the edit, Yes closes it (once).
void tst_HostApp::windowKeepsAnUnsavedEditUntilTheUserSaysSo()
{
    TestDatabase db;
    QVERIFY2(db.ok(), qPrintable(db.error()));
    auto record = kesta::test::installRecordingServices(db.connectionName());
    auto *window = new velkora::app::MainWindow;
    window->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<velkora::app::MainWindow> alive(window);
    QString error;
    QVERIFY2(window->openScreen(&error), qPrintable(error));
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QWidget *keyBox = window->screen()->findChild<QWidget *>(QStringLiteral("txtClave"));
    QTRY_COMPARE(QApplication::focusWidget(), keyBox);
    QTest::keyClick(keyBox, Qt::Key_N, Qt::ControlModifier);
    QTest::keyClicks(keyBox, QStringLiteral("42"));
    record->messages.clear();

    const auto questions = [&record] {
        QStringList ids;
        for (const auto &m : record->messages)
            ids << m.messageId;
        return ids.join(' ');
    };
    record->answers = {7};
    QVERIFY(!window->close());
    record->answers = {7};
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Q, Qt::ControlModifier);
    QCoreApplication::processEvents();
    QVERIFY(alive && window->isVisible());
    QCOMPARE(questions(), QStringLiteral("ERR-ID:7500045 ERR-ID:7500045"));
    QCOMPARE(window->screen()->findChild<QLineEdit *>(QStringLiteral("txtClave"))->text(),
             QStringLiteral("42"));

    record->answers = {6};
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Q, Qt::ControlModifier);
    QTRY_VERIFY(!alive);
    QCOMPARE(questions(), QStringLiteral("ERR-ID:7500045 ERR-ID:7500045 ERR-ID:7500045"));
}

// Inside the host's window, Alt+1 and Alt+2 switch the tabs again and again: after each switch
// the focus is on a control of the screen (the shown tab's first one), so the next key still
// reaches the screen.
void tst_HostApp::altKeysSwitchTabsInsideTheWindow()
{
    TestDatabase db;
    QVERIFY2(db.ok(), qPrintable(db.error()));
    auto record = kesta::test::installRecordingServices(db.connectionName());
    velkora::app::MainWindow window;
    QString error;
    QVERIFY2(window.openScreen(&error), qPrintable(error));
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QWidget *screen = window.screen();
    auto *tabs = screen->findChild<QTabWidget *>(QStringLiteral("ssTabZur"));
    QTRY_COMPARE(QApplication::focusWidget(), screen->findChild<QWidget *>(QStringLiteral("txtClave")));

    for (const int tab : {1, 0, 1, 0, 1}) {
        QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : &window;
        QTest::keyClick(target, tab == 1 ? Qt::Key_2 : Qt::Key_1, Qt::AltModifier);
        QCOMPARE(tabs->currentIndex(), tab);
        QWidget *focus = QApplication::focusWidget();
        QVERIFY2(focus && screen->isAncestorOf(focus) && focus->isEnabled(),
                 qPrintable(focus ? focus->objectName() : QStringLiteral("no focus")));
    }
    // Back on "General", the key box (its first control) has the focus.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_1, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("txtClave"));
}

QTEST_MAIN(tst_HostApp)
#include "tst_hostapp.moc"
