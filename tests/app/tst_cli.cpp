// "velkora test" and "velkora script" run as a batch job would: the built binary, no display
// (and a platform that does not exist, so that any window would fail), exit codes and output.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestCli : public QObject {
    Q_OBJECT
    QTemporaryDir home;
    QString database() const { return home.filePath(u"db/velkora.db"_s); }

    struct Run {
        int code = -1;
        QString out;
        QString err;
    };
    Run velkora(const QStringList &arguments, const QString &envDatabase = {})
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "VELKORA_DATABASE"})
            env.remove(QString::fromLatin1(name));
        env.insert(u"QT_QPA_PLATFORM"_s, u"no-such-platform"_s);
        env.insert(u"HOME"_s, home.path());
        env.insert(u"XDG_DATA_HOME"_s, home.filePath(u"data"_s));
        if (!envDatabase.isEmpty())
            env.insert(u"VELKORA_DATABASE"_s, envDatabase);
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(home.path());
        process.start(QCoreApplication::applicationDirPath() + u"/velkora"_s, arguments);
        if (!process.waitForFinished(60000))
            return {};
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2,
                QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

private slots:
    void initTestCase()
    {
        QVERIFY(home.isValid());
        // The first command creates the SQLite database with the sample, as the screen does.
        const Run run = velkora({u"--database"_s, database(), u"test"_s, u"0001"_s});
        QVERIFY2(run.code == 0, qPrintable(run.err));
        QVERIFY(run.err.contains(u"created the database"_s));
        QVERIFY(run.out.contains(
            u"Resultado|cada línea tiene un tipo de línea y ningún campo tiene error"_s));
        // A copy of the sample file with a bad date on line 4 and a line without a type.
        QFile sample(home.filePath(u"db/extracto_0001.txt"_s));
        QVERIFY(sample.open(QIODevice::ReadOnly));
        QByteArray bytes = sample.readAll();
        bytes.replace("D20261203", "D20261303");
        QFile bad(home.filePath(u"malo.txt"_s));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(bytes + "X sin tipo\r\n");
    }

    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out"); // a line of standard output
        QTest::addColumn<QString>("err"); // a text of standard error
        const QStringList db{u"--database"_s, database()};
        QTest::newRow("clean file")
            << db + QStringList{u"test"_s, u"0001"_s} << 0 << u"Errores de campo|0"_s << QString();
        QTest::newRow("file with errors (relative to the current folder)")
            << db + QStringList{u"test"_s, u"0001"_s, u"malo.txt"_s} << 1
            << u"4|2-9|0002|0001|'20261303' no es una fecha en el formato 'yyyymmdd': el mes 13 "
               "no existe."_s
            << QString();
        QTest::newRow("no such file") << db + QStringList{u"test"_s, u"0001"_s, u"nada.txt"_s} << 2
                                      << QString() << u"nada.txt' no existe."_s;
        QTest::newRow("no such key") << db + QStringList{u"test"_s, u"9999"_s} << 2 << QString()
                                     << u"velkora: No existe el formato de carga '9999'."_s;
        QTest::newRow("script") << db + QStringList{u"script"_s, u"0001"_s} << 0
                                << u"INSERT INTO LAYOUT_DETALLE (Ly_Cve_Layout, Ly_ID, Ld_ID, "
                                   "Ld_Descripcion, Ld_Posicion, Ld_Longitud, Ld_Trim, Ld_Valor, "
                                   "Ld_Formato, Ld_Tipo) VALUES ('0001', '0003', '0003', 'Total de "
                                   "cargos', 22, 14, 'NO', '', '0.00', '01');"_s
                                << QString();
        QTest::newRow("script of no such key")
            << db + QStringList{u"script"_s, u"O'X"_s} << 2 << QString()
            << u"No existe el formato de carga 'O'X'."_s;
        QTest::newRow("test without a key") << db + QStringList{u"test"_s} << 2 << QString()
                                            << u"velkora test KEY [FILE] [--json]"_s;
        QTest::newRow("json without test")
            << db + QStringList{u"script"_s, u"0001"_s, u"--json"_s} << 2 << QString()
            << u"--json goes with the test command."_s;
        QTest::newRow("unreachable database")
            << QStringList{u"--database"_s, u"postgresql://nadie@127.0.0.1:1/velkora"_s, u"test"_s,
                           u"0001"_s}
            << 2 << QString() << u"could not be opened"_s;
    }
    void exitCodes()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const Run run = velkora(arguments);
        QCOMPARE(run.code, code);
        QVERIFY2(out.isEmpty() || run.out.split(u'\n').contains(out), qPrintable(run.out));
        QVERIFY2(err.isEmpty() || run.err.contains(err), qPrintable(run.err));
        if (code == 2)
            QVERIFY(!run.err.isEmpty());
    }

    void json()
    {
        // The database from the environment, as the screen reads it.
        const Run run = velkora({u"test"_s, u"0001"_s, u"malo.txt"_s, u"--json"_s}, database());
        QCOMPARE(run.code, 1);
        QJsonParseError error;
        const QJsonObject result = QJsonDocument::fromJson(run.out.toUtf8(), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(result[u"lines"_s].toInt(), 7);
        QCOMPARE(result[u"by_line_type"_s][u"0002"_s][u"id"_s].toString(), u"D"_s);
        QCOMPARE(result[u"by_line_type"_s][u"0002"_s][u"lines"_s].toInt(), 4);
        QCOMPARE(result[u"unmatched"_s][u"count"_s].toInt(), 1);
        QCOMPARE(result[u"unmatched"_s][u"first"_s].toArray(), QJsonArray{7});
        QCOMPARE(result[u"ambiguous"_s][u"count"_s].toInt(), 0);
        QCOMPARE(result[u"errors"_s][u"count"_s].toInt(), 1);
        const QJsonObject first = result[u"errors"_s][u"first"_s][0].toObject();
        QCOMPARE(first.keys(), (QStringList{u"field"_s, u"from"_s, u"line"_s, u"line_type"_s,
                                            u"message"_s, u"to"_s}));
        QCOMPARE(first[u"line"_s].toInt(), 4);
        QCOMPARE(first[u"from"_s].toInt(), 2);
        QCOMPARE(first[u"to"_s].toInt(), 9);
        QVERIFY(result[u"layout"_s].isArray());
        QVERIFY(!run.out.contains(u"DEPOSITO"_s)); // nothing per line
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
