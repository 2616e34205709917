// Several users save, load, deactivate and reactivate the same few load formats on one PostgreSQL
// server for a while, each in a thread of its own on a connection of its own, through the
// component's own writer and statements. Afterwards every key holds one user's committed version
// whole (or nothing), no load ever saw a mix, and nothing failed but a conflict between users.
//
// KESTA_STRESS_SECONDS and KESTA_STRESS_WORKERS set the run (6 s, 3 users by default;
// make stress runs 60 s with 4).

#include "host/RuntimeError.h"
#include "storage/SaveVersions.h"
#include "store/Database.h"
#include "store/LoadFormatWriter.h"
#include "store/SqlConnection.h"
#include "store/Statements.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSet>
#include <QtTest>
#include <thread>

using namespace kesta;
using kesta::test::TestDatabase;

namespace {

// What one user did: the versions it committed (key -> mark -> its line numbers), its counts,
// and whatever went wrong that was not a conflict with another user.
struct User {
    QHash<QString, QHash<QString, QStringList>> committed;
    int saves = 0, conflicts = 0, loads = 0;
    QStringList problems;
};

// Runs `work` in a transaction of its own, rolled back when it fails.
template <typename Work> void inTransaction(host::Connection &c, Work work)
{
    c.BeginTrans();
    try {
        work();
        c.CommitTrans();
    } catch (...) {
        try {
            c.RollbackTrans();
        } catch (const std::exception &) {
        }
        throw;
    }
}

// A load as the screen does it: both tables from one snapshot. Every row must belong to one
// version: one mark, no line number twice, every field on a line of the version.
void load(host::Connection &c, const QString &key, User &user)
{
    QStringList marks, lines;
    inTransaction(c, [&] {
        auto rows = c.Execute(velkora::store::loadHeaderSelect(c.engine(), key));
        for (; !rows->EndOfSet(); rows->MoveNext()) {
            marks << rows->Field(QStringLiteral("Ly_Descripcion")).toString();
            lines << rows->Field(QStringLiteral("Ly_ID")).toString();
        }
        rows->Close();
        auto fields = c.Execute(velkora::store::loadDetailSelect(c.engine(), key));
        for (; !fields->EndOfSet(); fields->MoveNext()) {
            marks << fields->Field(QStringLiteral("Ld_Descripcion")).toString();
            if (!lines.contains(fields->Field(QStringLiteral("Ly_ID")).toString()))
                marks << QStringLiteral("(a field of no line)");
        }
        fields->Close();
    });
    ++user.loads;
    if (QSet<QString>(marks.begin(), marks.end()).size() > 1 ||
        QSet<QString>(lines.begin(), lines.end()).size() != lines.size())
        user.problems << QStringLiteral("load %1 saw a mix: %2").arg(key, marks.join(','));
}

// Saves a version of some of the line numbers 0001 to 0006 (two fields each), its descriptions
// the mark.
void save(const std::shared_ptr<host::Connection> &c, const QString &key, const QString &mark,
          QRandomGenerator &random, User &user)
{
    test::Version version{mark, {}};
    for (int n = 1; n <= 6; ++n)
        if (random.bounded(2) == 1 || (n == 6 && version.lines.isEmpty()))
            version.lines << QString::number(n).rightJustified(4, QLatin1Char('0'));
    QString sql;
    velkora::store::LoadFormatWriter writer([c] { return c; }, sql);
    writer.write(velkora::store::LoadFormatWriter::Format::Stored, key,
                 test::lineRows(key, version), test::fieldRows(key, version),
                 [](const QString &) { return true; });
    user.committed[key].insert(mark, version.lines);
    ++user.saves;
}

// One user's run: saves, loads and state changes of the keys S000 to S002 picked at random.
void work(const QString &location, int number, qint64 milliseconds, User &user)
{
    const QString name = QStringLiteral("stress-%1").arg(number);
    try {
        velkora::store::openDatabase(name, location);
    } catch (const host::RuntimeError &error) {
        user.problems << error.description();
        return;
    }
    {
        const auto connection = std::make_shared<velkora::store::SqlConnection>(name);
        QRandomGenerator random(number * 7919u + 17u);
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; clock.elapsed() < milliseconds; ++i) {
            const QString key =
                QStringLiteral("S%1").arg(random.bounded(3), 3, 10, QLatin1Char('0'));
            const int dice = random.bounded(100);
            try {
                if (dice < 55) {
                    save(connection, key, QStringLiteral("W%1-%2").arg(number).arg(i), random,
                         user);
                } else if (dice < 85) {
                    load(*connection, key, user);
                } else {
                    const bool deactivate = random.bounded(2) == 0;
                    const auto engine = connection->engine();
                    inTransaction(*connection, [&] {
                        connection->Execute(deactivate
                                                ? velkora::store::deactivateUpdate(
                                                      engine, key, "W", "2026-12-06 11:00:00", "W")
                                                : velkora::store::reactivateUpdate(
                                                      engine, key, "W", "2026-12-06 11:00:00"));
                    });
                }
            } catch (const host::ConflictError &) {
                ++user.conflicts;
            } catch (const host::RuntimeError &error) {
                user.problems << key + ": " + error.description().simplified();
            }
        }
    }
    velkora::store::closeDatabase(name);
}

} // namespace

class tst_Stress : public QObject {
    Q_OBJECT

private slots:
    void usersLeaveWholeVersions()
    {
        TestDatabase db(TestDatabase::Kind::PostgreSql);
        KESTA_REQUIRE(db);
        const int seconds = qEnvironmentVariableIsSet("KESTA_STRESS_SECONDS")
                                ? qMax(1, qEnvironmentVariableIntValue("KESTA_STRESS_SECONDS"))
                                : 6;
        const int count = qEnvironmentVariableIsSet("KESTA_STRESS_WORKERS")
                              ? qBound(2, qEnvironmentVariableIntValue("KESTA_STRESS_WORKERS"), 8)
                              : 3;

        std::vector<User> users(count);
        std::vector<std::thread> threads;
        for (int u = 0; u < count; ++u)
            threads.emplace_back(work, db.location(), u, seconds * 1000LL, std::ref(users[u]));
        for (std::thread &thread : threads)
            thread.join();

        QHash<QString, QHash<QString, QStringList>> committed;
        int saves = 0, loads = 0, conflicts = 0;
        for (const User &user : users) {
            QCOMPARE(user.problems, QStringList());
            for (auto key = user.committed.cbegin(); key != user.committed.cend(); ++key)
                committed[key.key()].insert(key.value());
            saves += user.saves, loads += user.loads, conflicts += user.conflicts;
        }
        QVERIFY(saves > 0 && loads > 0);

        // Every key holds one committed version whole, in one state, or nothing.
        for (const QString &key : db.rows("SELECT Ly_Cve_Layout FROM Layout UNION "
                                          "SELECT Ly_Cve_Layout FROM Layout_Detalle")) {
            const QString where = " WHERE Ly_Cve_Layout = '" + key + "'";
            const QString mark = db.rows("SELECT Ly_Descripcion FROM Layout" + where).value(0);
            QVERIFY2(committed.value(key).contains(mark), qPrintable(key + " " + mark));
            QCOMPARE(test::storedVersion(db, key),
                     test::versionRows({mark, committed.value(key).value(mark)}));
            QCOMPARE(db.rows("SELECT DISTINCT Es_Cve_Estado FROM Layout" + where).size(), 1);
        }
        qInfo("%d users for %d s: %d saves, %d loads, %d conflicts; mixed keys: 0", count, seconds,
              saves, loads, conflicts);
    }
};

QTEST_MAIN(tst_Stress)
#include "tst_stress.moc"
