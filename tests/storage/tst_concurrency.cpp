// Two users saving one key at the same moment on a shared PostgreSQL database: whatever the
// timing, the key ends whole in one user's version and the other user is told; never a mix.
//
// Each save runs the writer the screen uses, on its own connection in its own thread. The
// first save is held just before its commit while the second one runs.

#include "host/RuntimeError.h"
#include "services/Database.h"
#include "services/SqlConnection.h"
#include "storage/LoadFormatWriter.h"
#include "support/TestDatabase.h"

#include <QSemaphore>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>
#include <thread>

using kesta::storage::LayoutFieldValues;
using kesta::storage::LayoutLineValues;
using kesta::storage::LoadFormatWriter;
using kesta::test::TestDatabase;

namespace {

// One user's version of a load format: its line numbers, two fields each, and a mark in every
// description that tells the versions apart.
struct Version {
    QString mark;
    QStringList lines;
};

QList<LayoutLineValues> lineRows(const QString &key, const Version &v)
{
    QList<LayoutLineValues> rows;
    for (const QString &order : v.lines) {
        LayoutLineValues row;
        row.key = key, row.description = v.mark, row.file = "f.txt", row.order = order;
        row.lineDescription = v.mark, row.lineId = order, row.position = "1", row.length = "4";
        row.user3 = "0", row.user4 = "0", row.date5 = "2026-12-06", row.date6 = "2026-12-06";
        row.stamp = "2026-12-06 10:00:00", row.operatorAlta = v.mark, row.operatorModif = v.mark;
        rows << row;
    }
    return rows;
}

QList<LayoutFieldValues> fieldRows(const QString &key, const Version &v)
{
    QList<LayoutFieldValues> rows;
    for (const QString &order : v.lines) {
        for (const char *id : {"0010", "0020"}) {
            LayoutFieldValues f;
            f.key = key, f.lineId = order, f.id = id, f.description = v.mark, f.position = "5";
            f.length = "3", f.trim = "NO", f.tipo = "02";
            rows << f;
        }
    }
    return rows;
}

// A connection that, once, stops after the statement holding `pauseAfter` until let go.
class HeldConnection : public kesta::host::Connection {
public:
    HeldConnection(QString name, QString pauseAfter, QSemaphore *held, QSemaphore *go)
        : m_inner(std::move(name)), m_pauseAfter(std::move(pauseAfter)), m_held(held), m_go(go)
    {}
    kesta::host::Engine engine() const override { return m_inner.engine(); }
    std::unique_ptr<kesta::host::RecordSet> Execute(const QString &statement) override
    {
        auto result = m_inner.Execute(statement);
        if (m_held && statement.contains(m_pauseAfter)) {
            m_held->release();
            m_go->acquire();
            m_held = nullptr;
        }
        return result;
    }
    void BeginTrans() override { m_inner.BeginTrans(); }
    void CommitTrans() override { m_inner.CommitTrans(); }
    void RollbackTrans() override { m_inner.RollbackTrans(); }

private:
    velkora::services::SqlConnection m_inner;
    QString m_pauseAfter;
    QSemaphore *m_held;
    QSemaphore *m_go;
};

// One user's save in a thread of its own: "committed", "conflict" or the failure's text.
class UserSave {
public:
    UserSave(QString location, QString key, Version version, QString pauseAfter = {})
        : m_location(std::move(location)), m_key(std::move(key)), m_version(std::move(version)),
          m_pauseAfter(std::move(pauseAfter))
    {}
    void start()
    {
        m_thread = std::thread([this] { run(); });
    }
    bool waitHeld(int ms) { return m_held.tryAcquire(1, ms); }
    void letGo() { m_go.release(); }
    void join() { m_thread.join(); }
    bool waitFinished(int ms)
    {
        return m_done.tryAcquire(1, ms) ? (m_done.release(), true) : false;
    }
    QString outcome() const { return m_outcome; }
    Version version() const { return m_version; }

private:
    void run()
    {
        const QString name = QStringLiteral("user-%1").arg(quintptr(this));
        try {
            velkora::services::openDatabase(name, m_location);
            QString sql;
            // One connection object for the whole save, so the hold happens once.
            auto connection = std::make_shared<HeldConnection>(
                name, m_pauseAfter, m_pauseAfter.isEmpty() ? nullptr : &m_held, &m_go);
            LoadFormatWriter heldWriter([connection] { return connection; }, sql);
            heldWriter.write(LoadFormatWriter::Format::Stored, m_key, lineRows(m_key, m_version),
                             fieldRows(m_key, m_version), [](const QString &) { return true; });
            m_outcome = QStringLiteral("committed");
        } catch (const kesta::host::ConflictError &) {
            m_outcome = QStringLiteral("conflict");
        } catch (const kesta::host::RuntimeError &error) {
            m_outcome = error.description();
        }
        velkora::services::closeDatabase(name);
        m_done.release();
    }

    QString m_location, m_key;
    Version m_version;
    QString m_pauseAfter;
    QSemaphore m_held, m_go, m_done;
    QString m_outcome;
    std::thread m_thread;
};

} // namespace

class tst_Concurrency : public QObject {
    Q_OBJECT

private slots:
    void twoSavesOfOneKey_data();
    void twoSavesOfOneKey();
};

void tst_Concurrency::twoSavesOfOneKey_data()
{
    QTest::addColumn<bool>("stored");
    QTest::addColumn<QStringList>("firstLines");
    QTest::addColumn<QStringList>("secondLines");
    QTest::newRow("stored key, same lines")
        << true << QStringList{"0001", "0002"} << QStringList{"0001", "0002", "0003"};
    QTest::newRow("stored key, other lines")
        << true << QStringList{"0001"} << QStringList{"0005", "0006"};
    QTest::newRow("new key, same lines") << false << QStringList{"0001"} << QStringList{"0001"};
    QTest::newRow("new key, other lines")
        << false << QStringList{"0001", "0002"} << QStringList{"0007"};
}

void tst_Concurrency::twoSavesOfOneKey()
{
    QFETCH(bool, stored);
    QFETCH(QStringList, firstLines);
    QFETCH(QStringList, secondLines);
    TestDatabase db(TestDatabase::Kind::PostgreSql);
    KESTA_REQUIRE(db);
    const QString key = QStringLiteral("0042");
    if (stored) {
        UserSave earlier(db.location(), key, Version{"OLD", {"0001", "0004"}});
        earlier.start();
        earlier.join();
        QCOMPARE(earlier.outcome(), QStringLiteral("committed"));
    }

    // The first user is held after its last insert, before the commit; the second one saves
    // meanwhile (it waits for the first one's locks, or runs through on other rows).
    UserSave first(db.location(), key, Version{"A", firstLines}, "INSERT INTO Layout_Detalle");
    UserSave second(db.location(), key, Version{"B", secondLines});
    first.start();
    QVERIFY(first.waitHeld(20000));
    second.start();
    second.waitFinished(1500);
    first.letGo();
    first.join();
    second.join();

    // One of them committed, the other was told of the conflict; the key holds the committed
    // version whole.
    const QStringList outcomes{first.outcome(), second.outcome()};
    QVERIFY2(outcomes.count("committed") == 1 && outcomes.count("conflict") == 1,
             qPrintable(outcomes.join(" / ")));
    const Version winner = first.outcome() == "committed" ? first.version() : second.version();
    QSqlQuery query(QSqlDatabase::database(db.connectionName()));
    QVERIFY(query.exec("SELECT Ly_ID, Ly_Descripcion FROM Layout WHERE Ly_Cve_Layout = '0042' "
                       "ORDER BY Ly_ID"));
    QStringList lines;
    while (query.next())
        lines << query.value(0).toString() + "|" + query.value(1).toString();
    QStringList expected;
    for (const QString &order : winner.lines)
        expected << order + "|" + winner.mark;
    QCOMPARE(lines, expected);
    QVERIFY(query.exec("SELECT DISTINCT Ld_Descripcion FROM Layout_Detalle WHERE "
                       "Ly_Cve_Layout = '0042'"));
    QStringList marks;
    while (query.next())
        marks << query.value(0).toString();
    QCOMPARE(marks, QStringList{winner.mark});
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM Layout_Detalle WHERE Ly_Cve_Layout = '0042'").toInt(),
             int(winner.lines.size() * 2));
}

QTEST_MAIN(tst_Concurrency)
#include "tst_concurrency.moc"
