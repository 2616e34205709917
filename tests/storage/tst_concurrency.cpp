// Two users saving one key at the same moment on a shared database: whatever the timing, the
// key ends whole in one user's version and the other user is told; never a mix, and a new load
// format never replaces one that another user stored under its key meanwhile.
//
// Each save runs the writer the screen uses, on its own connection in its own thread. The
// first save is held just before its commit while the second one runs.

#include "editor/EditFixture.h"
#include "host/RuntimeError.h"
#include "store/Database.h"
#include "store/SqlConnection.h"
#include "store/SqlFailure.h"
#include "store/LoadFormatWriter.h"

#include <QSemaphore>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>
#include <thread>

using kesta::storage::LayoutFieldValues;
using kesta::storage::LayoutLineValues;
using kesta::storage::LoadFormatWriter;
using namespace kesta::test;
using Kind = TestDatabase::Kind;
using Format = LoadFormatWriter::Format;

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

// A connection that says when its transaction is about to begin, and that, once, stops after
// the statement holding `pauseAfter` until let go.
class HeldConnection : public kesta::host::Connection {
public:
    HeldConnection(QString name, QString pauseAfter, QSemaphore *beginning, QSemaphore *held,
                   QSemaphore *go)
        : m_inner(std::move(name)), m_pauseAfter(std::move(pauseAfter)), m_beginning(beginning),
          m_held(held), m_go(go)
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
    void BeginTrans() override
    {
        m_beginning->release();
        m_inner.BeginTrans();
    }
    void CommitTrans() override { m_inner.CommitTrans(); }
    void RollbackTrans() override { m_inner.RollbackTrans(); }
    bool hasRulesTable() const override { return m_inner.hasRulesTable(); }

private:
    velkora::services::SqlConnection m_inner;
    QString m_pauseAfter;
    QSemaphore *m_beginning;
    QSemaphore *m_held;
    QSemaphore *m_go;
};

// One user's save in a thread of its own: "committed", "conflict", "key taken: <the stored
// description>" or the failure's text.
class UserSave {
public:
    UserSave(QString location, QString key, Version version, Format format, QString pauseAfter = {})
        : m_location(std::move(location)), m_key(std::move(key)), m_version(std::move(version)),
          m_format(format), m_pauseAfter(std::move(pauseAfter))
    {}
    void start()
    {
        m_thread = std::thread([this] { run(); });
    }
    void run()
    {
        const QString name = QStringLiteral("user-%1").arg(quintptr(this));
        try {
            velkora::services::openDatabase(name, m_location);
            QString sql;
            // One connection object for the whole save, so the hold happens once.
            auto connection =
                std::make_shared<HeldConnection>(name, m_pauseAfter, &m_beginning,
                                                 m_pauseAfter.isEmpty() ? nullptr : &m_held, &m_go);
            LoadFormatWriter writer([connection] { return connection; }, sql);
            const auto result =
                writer.write(m_format, m_key, lineRows(m_key, m_version),
                             fieldRows(m_key, m_version), [](const QString &) { return true; });
            m_outcome = result == LoadFormatWriter::Result::KeyTaken
                            ? "key taken: " + writer.storedDescription()
                            : QStringLiteral("committed");
        } catch (const kesta::host::ConflictError &) {
            m_outcome = QStringLiteral("conflict");
        } catch (const kesta::host::RuntimeError &error) {
            m_outcome = error.description();
        }
        velkora::services::closeDatabase(name);
        m_done.release();
    }
    bool waitBeginning(int ms) { return m_beginning.tryAcquire(1, ms); }
    bool waitHeld(int ms) { return m_held.tryAcquire(1, ms); }
    void letGo() { m_go.release(); }
    void join() { m_thread.join(); }
    bool finished() const { return m_done.available() > 0; }
    QString outcome() const { return m_outcome; }
    Version version() const { return m_version; }

private:
    QString m_location, m_key;
    Version m_version;
    Format m_format;
    QString m_pauseAfter;
    QSemaphore m_beginning, m_held, m_go, m_done;
    QString m_outcome;
    std::thread m_thread;
};

// Whether a session of the database waits for a lock that another one holds.
bool someoneWaitsForALock(TestDatabase &db)
{
    return db.scalar("SELECT COUNT(*) FROM pg_locks WHERE NOT granted").toInt() > 0;
}

// The key's rows, as "Ly_ID|Ly_Descripcion" and the distinct field descriptions.
QStringList storedVersion(TestDatabase &db, const QString &key)
{
    QSqlQuery query(QSqlDatabase::database(db.connectionName()));
    QStringList rows;
    if (!query.exec("SELECT Ly_ID, Ly_Descripcion FROM Layout WHERE Ly_Cve_Layout = '" + key +
                    "' ORDER BY Ly_ID"))
        return {"error: " + query.lastError().text()};
    while (query.next())
        rows << query.value(0).toString() + "|" + query.value(1).toString();
    if (!query.exec("SELECT Ly_ID, Ld_ID, Ld_Descripcion FROM Layout_Detalle WHERE "
                    "Ly_Cve_Layout = '" +
                    key + "' ORDER BY Ly_ID, Ld_ID"))
        return {"error: " + query.lastError().text()};
    while (query.next())
        rows << query.value(0).toString() + "|" + query.value(1).toString() + "|" +
                    query.value(2).toString();
    return rows;
}

QStringList versionRows(const Version &v)
{
    QStringList rows;
    for (const QString &order : v.lines)
        rows << order + "|" + v.mark;
    for (const QString &order : v.lines)
        rows << order + "|0010|" + v.mark << order + "|0020|" + v.mark;
    return rows;
}

void engines()
{
    QTest::addColumn<Kind>("kind");
    QTest::newRow("SQLite") << Kind::Sqlite;
    QTest::newRow("PostgreSQL") << Kind::PostgreSql;
    QTest::newRow("PostgreSQL through ODBC") << Kind::OdbcPostgreSql;
}

// Types a text into a box as the user does (over what it holds).
void typeInto(EditScreen &s, const char *box, const QString &text)
{
    auto *w = s.child(box);
    w->setFocus();
    w->selectAll();
    s.key(Qt::Key_Delete);
    s.typeText(text);
}

} // namespace

class tst_Concurrency : public QObject {
    Q_OBJECT

private slots:
    void twoSavesOfOneKey_data();
    void twoSavesOfOneKey();
    void newKeyStoredMeanwhile_data() { engines(); }
    void newKeyStoredMeanwhile();
    void sqliteSaveWritesAlone();
};

void tst_Concurrency::twoSavesOfOneKey_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<bool>("stored");
    QTest::addColumn<QStringList>("firstLines");
    QTest::addColumn<QStringList>("secondLines");
    for (const auto &[kind, name] :
         {std::pair{Kind::Sqlite, "SQLite"}, std::pair{Kind::PostgreSql, "PostgreSQL"},
          std::pair{Kind::OdbcPostgreSql, "PostgreSQL through ODBC"}}) {
        QTest::addRow("%s, stored key, same lines", name)
            << kind << true << QStringList{"0001", "0002"} << QStringList{"0001", "0002", "0003"};
        QTest::addRow("%s, stored key, other lines", name)
            << kind << true << QStringList{"0001"} << QStringList{"0005", "0006"};
        QTest::addRow("%s, new key, same lines", name)
            << kind << false << QStringList{"0001"} << QStringList{"0001"};
        QTest::addRow("%s, new key, other lines", name)
            << kind << false << QStringList{"0001", "0002"} << QStringList{"0007"};
    }
}

void tst_Concurrency::twoSavesOfOneKey()
{
    QFETCH(Kind, kind);
    QFETCH(bool, stored);
    QFETCH(QStringList, firstLines);
    QFETCH(QStringList, secondLines);
    TestDatabase db(kind);
    KESTA_REQUIRE(db);
    const QString key = QStringLiteral("0042");
    if (stored) {
        UserSave earlier(db.location(), key, Version{"OLD", {"0001", "0004"}}, Format::New);
        earlier.run();
        QCOMPARE(earlier.outcome(), QStringLiteral("committed"));
    }

    // The first user is held after its last insert, before the commit; the second one saves
    // meanwhile, and is let go on once it waits for the first one: on PostgreSQL for a lock
    // the first one holds, on SQLite for the write lock its transaction begins with.
    const Format format = stored ? Format::Stored : Format::New;
    UserSave first(db.location(), key, Version{"A", firstLines}, format,
                   "INSERT INTO Layout_Detalle");
    UserSave second(db.location(), key, Version{"B", secondLines}, format);
    first.start();
    QVERIFY(first.waitHeld(20000));
    second.start();
    if (db.onPostgres())
        QTRY_VERIFY_WITH_TIMEOUT(second.finished() || someoneWaitsForALock(db), 20000);
    else
        QVERIFY(second.waitBeginning(20000));
    first.letGo();
    first.join();
    second.join();

    // A stored key: on PostgreSQL one user committed and the other was told of the conflict;
    // SQLite lets one writer at a time through, so the second replaced the first's version as
    // a whole. A new key: the first one stored it, the second one was told it is taken.
    const QStringList outcomes{first.outcome(), second.outcome()};
    Version winner = first.version();
    if (!stored) {
        QCOMPARE(outcomes, (QStringList{"committed", "key taken: A"}));
    } else if (db.onPostgres()) {
        QVERIFY2(outcomes.count("committed") == 1 && outcomes.count("conflict") == 1,
                 qPrintable(outcomes.join(" / ")));
        if (second.outcome() == "committed")
            winner = second.version();
    } else {
        QCOMPARE(outcomes, (QStringList{"committed", "committed"}));
        winner = second.version();
    }
    QCOMPARE(storedVersion(db, key), versionRows(winner));
}

// A user saves a new load format whose key another user stored after the screen's lookup of the
// key, before the save's transaction, found it free: the stored one is kept whole, and the user
// is told the key is taken, as when that lookup finds it.
void tst_Concurrency::newKeyStoredMeanwhile()
{
    QFETCH(Kind, kind);
    TestDatabase db(kind);
    KESTA_REQUIRE(db);
    EditScreen s(db.connectionName());
    s.command("New");
    typeInto(s, "txtClave", "42");
    typeInto(s, "txtDescripcion", "Mío");
    s.click(0);
    for (const auto &[column, text] : {std::pair{"Orden", "1"}, std::pair{"Descripción", "Mía"},
                                       std::pair{"Posicion", "1"}, std::pair{"Longitud", "1"}})
        s.typeCell(s.lineGrid(), 0, column, text);
    s.fieldGrid()->setFocus();
    s.key(Qt::Key_Insert);
    for (const auto &[column, text] : {std::pair{"ID", "1"}, std::pair{"Posicion", "1"},
                                       std::pair{"Longitud", "1"}, std::pair{"Tipo", "T"}})
        s.typeCell(s.fieldGrid(), 0, column, text);
    s.click(3);

    // The other user's save, on a connection of its own, commits now; the key's lookup of this
    // user's save (the services' LookupValue, answered by the test) ran before it.
    UserSave other(db.location(), "0042", Version{"De otro usuario", {"0001", "0002"}},
                   Format::New);
    other.run();
    QCOMPARE(other.outcome(), QStringLiteral("committed"));
    const QStringList theirs = storedVersion(db, "0042");
    s.forget();
    s.command("Save");

    QCOMPARE(s.record->messages.size(), 1);
    verifyMessage(s, "7500012", 48, "Velkora");
    QCOMPARE(s.record->messages.first().text,
             QStringLiteral("La clave: 0042, ya está asginada al formato de carga: "
                            "De otro usuario"));
    QCOMPARE(storedVersion(db, "0042"), theirs);
    // Nothing of this save was written, and the user is still editing it.
    QCOMPARE(s.record->statements.filter(QRegularExpression("^(DELETE|INSERT)")), QStringList());
    QVERIFY(s.record->statements.contains("ROLLBACK"));
    QVERIFY(!s.record->statements.contains("COMMIT"));
    QVERIFY(s.toolbar()->EditMode());
    QCOMPARE(s.keyBox()->text(), QStringLiteral("0042"));
    QCOMPARE(s.text("txtDescripcion"), QStringLiteral("Mío"));
}

// On SQLite a save's transaction holds the database's write lock from its begin: what it reads
// before its first write (a new key's lookup) cannot change before it writes.
void tst_Concurrency::sqliteSaveWritesAlone()
{
    TestDatabase db;
    KESTA_REQUIRE(db);
    velkora::services::SqlConnection save(db.connectionName());
    QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other writer");
    other.setDatabaseName(db.location());
    other.setConnectOptions("QSQLITE_BUSY_TIMEOUT=0");
    QVERIFY(other.open());
    {
        QSqlQuery write(other);
        save.BeginTrans();
        QVERIFY(!write.exec("BEGIN IMMEDIATE"));
        QCOMPARE(velkora::services::classifyFailure(other.driverName(), kesta::host::Engine::Sqlite,
                                                    write.lastError()),
                 velkora::services::FailureKind::Conflict);
        save.RollbackTrans();
        QVERIFY2(write.exec("BEGIN IMMEDIATE"), qPrintable(write.lastError().text()));
        QVERIFY(write.exec("ROLLBACK"));
    }
    other.close();
    other = QSqlDatabase();
    QSqlDatabase::removeDatabase("other writer");
}

QTEST_MAIN(tst_Concurrency)
#include "tst_concurrency.moc"
