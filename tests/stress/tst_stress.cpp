// Several processes save, load, deactivate and reactivate the same few load formats on one
// PostgreSQL server for a while (kesta_stress). Afterwards every key holds one process's
// committed version whole (or nothing), no load ever saw a mix, and every failure was reported.
//
// KESTA_STRESS_SECONDS and KESTA_STRESS_WORKERS set the run (6 s, 3 processes by default;
// make stress runs 60 s with 4).

#include "support/TestDatabase.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QtTest>

using kesta::test::TestDatabase;

class tst_Stress : public QObject {
    Q_OBJECT

private slots:
    void processesLeaveWholeVersions();
};

void tst_Stress::processesLeaveWholeVersions()
{
    TestDatabase db(TestDatabase::Kind::PostgreSql);
    KESTA_REQUIRE(db);
    const int seconds = qMax(1, qEnvironmentVariableIntValue("KESTA_STRESS_SECONDS"));
    const int workers = qEnvironmentVariableIsSet("KESTA_STRESS_WORKERS")
                            ? qBound(2, qEnvironmentVariableIntValue("KESTA_STRESS_WORKERS"), 8)
                            : 3;
    const int run = qEnvironmentVariableIsSet("KESTA_STRESS_SECONDS") ? seconds : 6;

    std::vector<std::unique_ptr<QProcess>> processes;
    for (int w = 0; w < workers; ++w) {
        auto p = std::make_unique<QProcess>();
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(QCoreApplication::applicationDirPath() + "/kesta_stress",
                 {"--database", db.location(), "--worker", QString::number(w), "--seconds",
                  QString::number(run)});
        QVERIFY2(p->waitForStarted(), qPrintable(p->errorString()));
        processes.push_back(std::move(p));
    }

    QHash<QString, QHash<QString, QString>> committed; // key -> mark -> lines
    int saves = 0, conflicts = 0, loads = 0, failures = 0;
    for (auto &p : processes) {
        QVERIFY(p->waitForFinished((run + 60) * 1000));
        QCOMPARE(p->exitCode(), 0);
        const QStringList out = QString::fromUtf8(p->readAllStandardOutput()).split('\n');
        int reported = 0;
        for (const QString &line : out) {
            const QStringList parts = line.split(' ');
            if (line.startsWith("COMMITTED "))
                committed[parts.value(1)].insert(parts.value(2), parts.value(3));
            else if (line.startsWith("FAIL "))
                ++reported;
        }
        const QString summary = out.filter(QRegularExpression("^SUMMARY ")).value(0);
        QVERIFY2(!summary.isEmpty(), qPrintable(out.join('\n').right(2000)));
        const auto value = [&summary](const char *name) {
            return QRegularExpression(QString("%1=(\\d+)").arg(name))
                .match(summary)
                .captured(1)
                .toInt();
        };
        // Every failure was reported, and none but a conflict with another process.
        QCOMPARE(value("errors"), 0);
        QCOMPARE(value("inconsistent"), 0);
        QCOMPARE(reported, value("conflicts"));
        saves += value("saves");
        conflicts += value("conflicts");
        loads += value("loads");
        failures += reported;
    }
    QVERIFY(saves > 0 && loads > 0);

    // Every key holds one committed version whole, in one state, or nothing.
    QSqlQuery query(QSqlDatabase::database(db.connectionName()));
    QVERIFY(query.exec("SELECT DISTINCT Ly_Cve_Layout FROM Layout UNION "
                       "SELECT DISTINCT Ly_Cve_Layout FROM Layout_Detalle"));
    QStringList keys;
    while (query.next())
        keys << query.value(0).toString();
    for (const QString &key : keys) {
        QSqlQuery rows(QSqlDatabase::database(db.connectionName()));
        QVERIFY(rows.exec("SELECT Ly_ID, Ly_Descripcion, Es_Cve_Estado FROM Layout WHERE "
                          "Ly_Cve_Layout = '" +
                          key + "' ORDER BY Ly_ID"));
        QStringList lines;
        QSet<QString> marks, states;
        while (rows.next()) {
            lines << rows.value(0).toString();
            marks << rows.value(1).toString();
            states << rows.value(2).toString();
        }
        QVERIFY(rows.exec("SELECT DISTINCT Ld_Descripcion FROM Layout_Detalle WHERE "
                          "Ly_Cve_Layout = '" +
                          key + "'"));
        while (rows.next())
            marks << rows.value(0).toString();
        QCOMPARE(marks.size(), 1);
        QCOMPARE(states.size(), 1);
        const QString mark = *marks.begin();
        QVERIFY2(committed.value(key).contains(mark), qPrintable(key + " " + mark));
        QCOMPARE(lines.join(','), committed.value(key).value(mark));
    }
    qInfo("%d processes for %d s: %d saves, %d loads, %d conflicts reported; mixed keys: 0",
          workers, run, saves, loads, failures);
    Q_UNUSED(conflicts);
}

QTEST_MAIN(tst_Stress)
#include "tst_stress.moc"
