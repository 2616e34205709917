// Least privilege: a database password given on the command line never shows in what velkora
// prints, its window's title or its messages; an SQL field's expression is shown by the test,
// never run.

#include "MainWindow.h"
#include "support/RecordingServices.h"
#include "support/TestDatabase.h"

#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

using kesta::test::TestDatabase;

namespace {

const QString secret = QStringLiteral("s3cr3t-Pw_9");

struct Run {
    int code = -1;
    QString output; // standard output and error together
};

Run runVelkora(const QTemporaryDir &home, const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("VELKORA_DATABASE"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("HOME"), home.path());
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/velkora"), arguments);
    if (!process.waitForFinished(60000))
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAll())};
}

} // namespace

class tst_CliPrivacy : public QObject {
    Q_OBJECT

private slots:
    void passwordsNeverShow_data();
    void passwordsNeverShow();
    void windowTitleNamesNoDatabase();
    void sqlFieldsAreShownNotRun();
};

void tst_CliPrivacy::passwordsNeverShow_data()
{
    QTest::addColumn<QString>("location");
    QTest::addColumn<QString>("shown"); // what the message says of the database instead
    QTest::newRow("PostgreSQL URL") << "postgresql://ventas:" + secret + "@127.0.0.1:1/velkora"
                                    << "ventas@127.0.0.1:1";
    QTest::newRow("ODBC string")
        << "odbc:Driver=FreeTDS;Server=127.0.0.1;Port=1;Database=velkora;UID=sa;PWD=" + secret +
               ";TDS_Version=7.4"
        << "PWD=***";
    QTest::newRow("ODBC braces") << "odbc:Driver=FreeTDS;Server=127.0.0.1;Port=1;UID=sa;"
                                    "Password={" +
                                        secret + ";x}"
                                 << "Password=***";
}

void tst_CliPrivacy::passwordsNeverShow()
{
    QFETCH(QString, location);
    QFETCH(QString, shown);
    QTemporaryDir home;
    for (const QStringList &arguments :
         {QStringList{"--database", location, "test", "0001"},
          QStringList{"--database", location, "script", "0001"},
          QStringList{"--database", location, "--init", "test", "0001"}}) {
        const Run run = runVelkora(home, arguments);
        QCOMPARE(run.code, 2); // the database cannot be reached
        QVERIFY2(!run.output.contains(secret), qPrintable(run.output));
        QVERIFY2(run.output.contains(shown), qPrintable(run.output));
    }
}

void tst_CliPrivacy::windowTitleNamesNoDatabase()
{
    TestDatabase db;
    QVERIFY2(db.ok(), qPrintable(db.error()));
    auto record = kesta::test::installRecordingServices(db.connectionName());
    velkora::app::MainWindow window;
    QString error;
    QVERIFY2(window.openScreen(&error), qPrintable(error));
    QCOMPARE(window.windowTitle(), QStringLiteral("Velkora - Formatos de carga"));
}

void tst_CliPrivacy::sqlFieldsAreShownNotRun()
{
    QTemporaryDir home;
    const QString database = home.filePath("velkora.db");
    QVERIFY(runVelkora(home, {"--database", database, "test", "0001"}).code == 0);
    {
        // A line type whose field is an SQL expression that would empty the tables if run.
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "privacy");
        db.setDatabaseName(database);
        QVERIFY(db.open());
        QSqlQuery query(db);
        QVERIFY(query.exec("INSERT INTO Layout_Detalle (Ly_Cve_Layout, Ly_ID, Ld_ID, "
                           "Ld_Descripcion, Ld_Posicion, Ld_Longitud, Ld_Trim, Ld_Valor, "
                           "Ld_Formato, Ld_Tipo) VALUES ('0001', '0001', '0099', 'Borrar', 2, 3, "
                           "'NO', 'DELETE FROM Layout_Detalle WHERE ''?'' <> ''''', '', '05')"));
        db.close();
    }
    QSqlDatabase::removeDatabase("privacy");
    const Run run = runVelkora(home, {"--database", database, "test", "0001"});
    QVERIFY2(run.output.contains("|DELETE FROM Layout_Detalle WHERE '?' <> ''"),
             qPrintable(run.output));
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "after");
    db.setDatabaseName(database);
    QVERIFY(db.open());
    QSqlQuery count(db);
    QVERIFY(count.exec("SELECT COUNT(*) FROM Layout_Detalle WHERE Ly_Cve_Layout = '0001'") &&
            count.next());
    QCOMPARE(count.value(0).toInt(), 14); // the 13 fields of the sample and the SQL field
}

QTEST_MAIN(tst_CliPrivacy)
#include "tst_cli_privacy.moc"
