// The literal forms of values in the statements (escaping, bare numbers, four digits), the exact
// SQL Server texts, and the statements run on a temporary SQLite file and a throwaway PostgreSQL
// server: texts stored exactly, keys touching only their own rows.

#include "host/RuntimeError.h"
#include "store/SqlConnection.h"
#include "store/Literals.h"
#include "store/LoadFormatWriter.h"
#include "store/Statements.h"
#include "support/TestDatabase.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

using kesta::host::Engine;
using kesta::host::RuntimeError;
using kesta::test::TestDatabase;
using velkora::services::SqlConnection;
using Kind = TestDatabase::Kind;
using namespace kesta::storage;

Q_DECLARE_METATYPE(kesta::host::Engine)
Q_DECLARE_METATYPE(kesta::storage::LiteralForm)
Q_DECLARE_METATYPE(kesta::test::TestDatabase::Kind)
Q_DECLARE_METATYPE(kesta::storage::LoadFormatWriter::Format)

namespace {

const Engine S = Engine::SqlServer, L = Engine::Sqlite, Pg = Engine::PostgreSql;
using P = std::pair<const char *, const char *>;

LayoutLineValues sampleLine()
{
    return {"0001",       "Pagos",      "pagos.txt",  "3",
            "Encabezado", "H",          "1",          "1",
            true,         "u1",         "u2",         "0.0000",
            "12,5",       "2026-12-06", "2026-01-31", "2026-12-06 10:30:15",
            "OP1",        "OP2"};
}

LayoutFieldValues sampleField()
{
    return {"0001", "3", "10", "Importe", "10", "8", "SI", "it's", "#0.00", "01"};
}

// The sample rows of the key with the text in every free-text column.
LayoutLineValues lineWith(const QString &key, const QString &text, const QString &order = "1")
{
    LayoutLineValues v = sampleLine();
    v.key = key, v.order = order;
    v.description = v.file = v.lineDescription = v.lineId = v.user1 = v.user2 = text;
    return v;
}
LayoutFieldValues fieldWith(const QString &key, const QString &text)
{
    LayoutFieldValues v = sampleField();
    v.key = key, v.description = v.valor = v.formato = text;
    return v;
}

// What a value that is no plain number raises: an error naming the column and the value.
template <typename Build>
void verifyRefused(Build build, const QString &column, const QString &value)
{
    try {
        build();
        QFAIL("a value that is no plain number went into a statement");
    } catch (const RuntimeError &error) {
        QVERIFY2(error.description().contains(column), qPrintable(error.description()));
        QVERIFY2(error.description().contains('"' + value + '"'), qPrintable(error.description()));
    }
}

// The columns of the only row a select finds, as texts joined by "|".
QString storedRow(const TestDatabase &db, const QString &select)
{
    QSqlQuery query(select, QSqlDatabase::database(db.connectionName(), false));
    QStringList values;
    if (query.next())
        for (int i = 0; i < query.record().count(); ++i)
            values << query.value(i).toString();
    return values.join('|');
}

// The rows of the key's lookup: none, or one with its description.
class LookupRows : public kesta::host::RecordSet {
public:
    explicit LookupRows(std::optional<QString> description) : m_description(std::move(description))
    {}
    bool EndOfSet() const override { return !m_description; }
    QVariant Field(const QString &) const override { return *m_description; }
    void MoveNext() override { m_description.reset(); }
    void Close() override { m_description.reset(); }

private:
    std::optional<QString> m_description;
};

// A connection that logs what the writer does, in short ("lookup", "delete fields", ...), and
// plays another user: a format stored under the key, a statement that collides with that user's
// write (SQL Server's deadlock victim), a lookup that fails.
class ScriptedConnection : public kesta::host::Connection {
public:
    Engine engine_ = S;
    std::optional<QString> stored;     // the description of a format stored under the key
    QString collidesOn;                // a statement that raises ConflictError, once
    bool storedByTheCollision = false; // whether the other user's format is stored by then
    bool lookupFailsAfterCollision = false;
    QStringList log;

    Engine engine() const override { return engine_; }
    std::unique_ptr<kesta::host::RecordSet> Execute(const QString &statement) override
    {
        log << shortName(statement);
        if (!collidesOn.isEmpty() && statement.startsWith(collidesOn)) {
            collidesOn.clear();
            m_collided = true;
            if (storedByTheCollision)
                stored = "Otro";
            throw kesta::host::ConflictError("Transaction was deadlocked (test)");
        }
        if (log.last() == "lookup") {
            if (m_collided && lookupFailsAfterCollision)
                throw RuntimeError("Communication link failure (test)");
            return std::make_unique<LookupRows>(stored);
        }
        return std::make_unique<LookupRows>(std::nullopt);
    }
    void BeginTrans() override { log << "BEGIN"; }
    void CommitTrans() override { log << "COMMIT"; }
    void RollbackTrans() override { log << "ROLLBACK"; }
    bool hasRulesTable() const override { return true; }

private:
    static QString shortName(const QString &statement)
    {
        for (const auto &[start, name] :
             {P{"SELECT Ly_Descripcion FROM Layout", "lookup"}, P{"LOCK TABLE", "lock"},
              P{"DELETE Layout_Detalle", "delete fields"},
              P{"DELETE FROM Layout_Detalle", "delete fields"}, P{"DELETE Layout", "delete lines"},
              P{"DELETE FROM Layout", "delete lines"}, P{"INSERT INTO Layout(", "line"},
              P{"INSERT INTO Layout_Detalle(", "field"}, P{"SET QUOTED_IDENTIFIER", "set"}})
            if (statement.startsWith(QLatin1String(start)))
                return QString::fromLatin1(name);
        return statement;
    }
    bool m_collided = false;
};

} // namespace

class tst_Statements : public QObject {
    Q_OBJECT

private slots:
    void literals_data();
    void literals();
    void numbersRefused_data();
    void numbersRefused();
    void sqlServerTexts();
    void textsStoredExactly_data();
    void textsStoredExactly();
    void keysTakeOnlyTheirRows_data();
    void keysTakeOnlyTheirRows();
    void fieldsInOneStatement_data();
    void fieldsInOneStatement();
    void newKeyLookups();
    void writerSteps_data();
    void writerSteps();
};

void tst_Statements::literals_data()
{
    QTest::addColumn<Engine>("engine");
    QTest::addColumn<LiteralForm>("form");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    using F = LiteralForm;
    auto add = [](const char *name, Engine e, F form, const char *value, const QString &expected) {
        QTest::addRow("%s %s", name, value) << e << form << QString::fromUtf8(value) << expected;
    };
    for (Engine e : {S, L, Pg})
        for (const auto &[value, expected] :
             {P{"O'Brien", "'O''Brien'"}, P{"''", "''''''"}, P{"", "''"},
              P{"'; DROP TABLE Layout; --", "'''; DROP TABLE Layout; --'"},
              P{"say \"hi\" 100% _x", "'say \"hi\" 100% _x'"}, P{"Año ñandú €", "'Año ñandú €'"},
              P{"Ελληνικά Кириллица 漢字 😀", "'Ελληνικά Кириллица 漢字 😀'"}})
            add(qPrintable(kesta::host::engineName(e)), e, F::QuotedText, value,
                (e == S ? "N" : "") + QString::fromUtf8(expected));
    // A plain number in C-locale form, surrounding blanks dropped.
    for (const auto &[value, expected] :
         {P{"12", "12"}, P{" 7 ", "7"}, P{"-3", "-3"}, P{"+3", "+3"}, P{"1.5", "1.5"},
          P{"-12,25", "-12.25"}, P{"0.0000", "0.0000"}, P{".5", ".5"}, P{"5.", "5."}})
        add("number", S, F::Number, value, expected);
    // The "0000" pattern for whole numbers; any other text unchanged.
    for (const auto &[value, expected] :
         {P{"1", "0001"}, P{"0", "0000"}, P{"0010", "0010"}, P{"12345", "12345"},
          P{"00012", "0012"}, P{" 12 ", "0012"}, P{"-7", "-0007"}, P{"+7", "0007"}, P{"-0", "0000"},
          P{"123456789012345678901234", "123456789012345678901234"}, P{"abc", "abc"},
          P{"1.5", "1.5"}, P{"", ""}, P{"1'", "1''"}})
        add("four digits", L, F::FourDigitText, value, "'" + QString(expected) + "'");
    // A backslash stands literally on SQL Server and SQLite; PostgreSQL gets an escape string,
    // which reads the same whatever standard_conforming_strings says.
    add("SQL Server backslash", S, F::QuotedText, "C:\\d\\", "N'C:\\d\\'");
    add("PostgreSQL backslash", Pg, F::QuotedText, "C:\\d\\", "E'C:\\\\d\\\\'");
    add("PostgreSQL backslash", Pg, F::QuotedText, "\\'", "E'\\\\'''");
    // Ld_Valor: the Unicode literal on SQL Server too, apostrophes doubled, double quotes as
    // they are.
    add("SQL Server double quoted", S, F::DoubleQuotedText, "it's \"x\"", "N'it''s \"x\"'");
    add("SQL Server double quoted", S, F::DoubleQuotedText, "", "N''");
    add("SQLite double quoted", L, F::DoubleQuotedText, "it's \"x\"", "'it''s \"x\"'");
    add("PostgreSQL double quoted", Pg, F::DoubleQuotedText, "a\\b'", "E'a\\\\b'''");
    add("date", S, F::DateText, "2026-12-06", "N'2026-12-06'");
    add("stamp", S, F::StampText, "2026-12-06 10:30:15", "N'2026-12-06 10:30:15'");
    add("operator", S, F::OperatorText, "D'Ar", "N'D''Ar'");
    // The numeric user data: every digit kept; quoted on SQLite, whose number would be a
    // binary floating-point value.
    add("decimal", S, F::DecimalNumber, "1234567890123456.78", "1234567890123456.78");
    add("decimal", Pg, F::DecimalNumber, "-0.0001", "-0.0001");
    add("decimal", L, F::DecimalNumber, "1234567890123456.7800", "'1234567890123456.7800'");
}

void tst_Statements::literals()
{
    QFETCH(Engine, engine);
    QFETCH(LiteralForm, form);
    QFETCH(QString, value);
    QFETCH(QString, expected);
    QCOMPARE(literal(engine, form, value), expected);
    if (form == LiteralForm::Number)
        QVERIFY(isPlainNumber(value));
}

void tst_Statements::numbersRefused_data()
{
    QTest::addColumn<QString>("value");
    for (const char *value :
         {"", "  ", "1e5", "12abc", "0x10", "1.2.3", "1,2,3", "1,234.5", "-", ".", "12 3", "--3",
          "1; DROP TABLE Layout; --", "1); DELETE FROM Layout; --", "١٢", "inf"})
        QTest::newRow(value) << QString::fromUtf8(value);
}

void tst_Statements::numbersRefused()
{
    QFETCH(QString, value);
    QVERIFY(!isPlainNumber(value));
    verifyRefused([&] { numberText(value, "Ld_Longitud"); }, "Ld_Longitud", value);
    // No statement takes it for a bare column.
    const char *columns[] = {"Ly_Posicion",  "Ly_Longitud", "Ly_UserDef_3",
                             "Ly_UserDef_4", "Ld_Posicion", "Ld_Longitud"};
    for (int which = 0; which < 6; ++which) {
        LayoutLineValues line = sampleLine();
        LayoutFieldValues field = sampleField();
        QString *targets[] = {&line.position, &line.length,    &line.user3,
                              &line.user4,    &field.position, &field.length};
        *targets[which] = value;
        verifyRefused([&] { which < 4 ? lineInsert(S, line) : fieldInsert(S, field); },
                      columns[which], value);
    }
}

void tst_Statements::sqlServerTexts()
{
    // Every text is a Unicode literal N'...', Ld_Valor included; the rest of each statement
    // stands as the host's SQL Server receives it, blanks included.
    const QString k = "0001";
    const QString lineInto =
        "INSERT INTO Layout(   Ly_Cve_Layout,    Ly_Descripcion,    Ly_Archivo,    Ly_ID,    "
        "Ly_Descripcion_ID,    Ly_Linea_ID,    Ly_Posicion,    Ly_Longitud,    Ly_Inverso,    "
        "Ly_UserDef_1,    Ly_UserDef_2,    Ly_UserDef_3,    Ly_UserDef_4,    Ly_UserDef_5,    "
        "Ly_UserDef_6,    Fecha_Alta,    Fecha_Ult_Modif,    Oper_Alta,    Oper_Ult_Modif,    "
        "Es_Cve_Estado) VALUES (N'0001', N'Pagos', N'pagos.txt', N'0003', N'Encabezado', N'H', "
        "1, 1, ";
    const QString lineValues =
        ", N'u1', N'u2', 0.0000, 12.5, N'2026-12-06', N'2026-01-31', N'2026-12-06 10:30:15', "
        "N'2026-12-06 10:30:15', N'OP1', N'OP2', 'AC')";
    const QString field =
        "INSERT INTO Layout_Detalle(   Ly_Cve_Layout,    Ly_ID,    Ld_ID,    Ld_Descripcion,    "
        "Ld_Posicion,    Ld_Longitud,    Ld_Trim,    Ld_Valor,    Ld_Formato,    Ld_Tipo) VALUES "
        "(N'0001', N'0003', N'0010', N'Importe', 10, 8, N'SI', N'it''s', N'#0.00', N'01')";
    LayoutLineValues notReversed = sampleLine();
    notReversed.reverse = false;

    QCOMPARE((QStringList{loadHeaderSelect(S, k), loadDetailSelect(S, k), deleteDetailRows(S, k),
                          deleteLineRows(S, k), lineInsert(S, sampleLine()),
                          lineInsert(S, notReversed)} +
              fieldStatements(S, sampleField()) +
              QStringList{deactivateUpdate(S, k, "OP1", "ST", "OP2"),
                          reactivateUpdate(S, k, "OP1", "ST"), scriptLayoutSelect(S, k),
                          scriptDetailSelect(S, k)}),
             (QStringList{
                 "SELECT * FROM Layout WHERE Ly_Cve_Layout = N'0001' ORDER BY    LEN(Ly_ID), Ly_ID",
                 "SELECT * FROM Layout_Detalle WHERE Ly_Cve_Layout = N'0001' ORDER BY    "
                 "LEN(Ly_ID), Ly_ID,    LEN(Ld_Id), Ld_Id",
                 "DELETE Layout_Detalle WHERE Ly_Cve_Layout = N'0001'",
                 "DELETE Layout WHERE Ly_Cve_Layout = N'0001'", lineInto + "N'SI'" + lineValues,
                 lineInto + "N'NO'" + lineValues, "SET QUOTED_IDENTIFIER OFF", field,
                 "SET QUOTED_IDENTIFIER ON",
                 "UPDATE Layout SET    Oper_Ult_Modif = N'OP1',    Fecha_Ult_Modif = N'ST',    "
                 "Oper_Baja = N'OP2',    Fecha_Baja= N'ST',    Es_Cve_Estado = 'BA' WHERE "
                 "Ly_Cve_Layout = N'0001'",
                 "UPDATE Layout SET Oper_Ult_Modif = N'OP1', Fecha_Ult_Modif = N'ST', Oper_Baja = "
                 "'', Fecha_Baja= NULL, Es_Cve_Estado = 'AC' WHERE Ly_Cve_Layout = N'0001'",
                 "SELECT * FROM Layout WHERE Ly_Cve_Layout = N'0001' ",
                 "SELECT * FROM Layout_Detalle WHERE Ly_Cve_Layout = N'0001' "}));
}

void tst_Statements::textsStoredExactly_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<bool>("bound"); // the save's prepared inserts, or the statement texts
    QTest::addColumn<QString>("text");
    for (auto kind : {Kind::Sqlite, Kind::PostgreSql})
        for (const bool bound : {false, kind == Kind::Sqlite}) {
            for (const char *text : {"O'Brien", "''", "say \"hi\"", "\"\"", "C:\\datos\\entrada\\",
                                     "\\'", "100% _ [a]", "'; DROP TABLE Layout; --",
                                     "\"); DROP TABLE Layout; --", "Año ñandú € ü", "tab\there", ""})
                QTest::addRow("%s %s %s", kind == Kind::Sqlite ? "SQLite" : "PostgreSQL",
                              bound ? "bound" : "texts", text)
                    << kind << bound << QString::fromUtf8(text);
            // A text never set is stored empty, as its literal is: never NULL.
            QTest::addRow("%s %s null text", kind == Kind::Sqlite ? "SQLite" : "PostgreSQL",
                          bound ? "bound" : "texts")
                << kind << bound << QString();
        }
}

void tst_Statements::textsStoredExactly()
{
    QFETCH(Kind, kind);
    QFETCH(bool, bound);
    QFETCH(QString, text);
    TestDatabase db(kind);
    KESTA_REQUIRE(db);
    SqlConnection connection(db.connectionName());
    const Engine engine = connection.engine();

    // PostgreSQL reads backslashes in plain literals as escapes once standard_conforming_strings
    // is off; the stored text must not change with the setting.
    for (const char *setting : {"on", "off"}) {
        if (kind == Kind::PostgreSql)
            db.exec(QStringLiteral("SET standard_conforming_strings = ") + setting);
        db.exec("DELETE FROM Layout");
        db.exec("DELETE FROM Layout_Detalle");
        // Only SQLite's connection binds values (PostgreSQL's driver would write them back
        // into the text, with the backslash setting of the time it connected).
        QCOMPARE(bool(connection.Prepare(lineInsertTemplate())), kind == Kind::Sqlite);
        if (bound) {
            const auto line = connection.Prepare(lineInsertTemplate());
            line->Run(lineParameters(lineWith("K'1", text)));
            connection.Prepare(fieldInsertTemplate())->Run(fieldParameters(fieldWith("K'1", text)));
        } else {
            connection.Execute(lineInsert(engine, lineWith("K'1", text)));
            for (const QString &statement : fieldStatements(engine, fieldWith("K'1", text)))
                connection.Execute(statement);
        }
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM Layout WHERE Ly_Descripcion IS NULL OR "
                           "Ly_UserDef_1 IS NULL").toInt(),
                 0);
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM Layout_Detalle WHERE Ld_Valor IS NULL").toInt(), 0);

        const QString t = text + "|";
        QCOMPARE(storedRow(db, "SELECT Ly_Descripcion, Ly_Archivo, Ly_Descripcion_ID, "
                               "Ly_Linea_ID, Ly_UserDef_1, Ly_UserDef_2, Ly_Cve_Layout, Ly_ID, "
                               "Oper_Alta, Es_Cve_Estado, Ly_Inverso FROM Layout"),
                 t.repeated(6) + "K'1|0001|OP1|AC|SI");
        QCOMPARE(db.scalar("SELECT Ly_UserDef_3 * 10 + Ly_UserDef_4 FROM Layout").toDouble(), 12.5);
        QCOMPARE(storedRow(db, "SELECT Ld_Descripcion, Ld_Valor, Ld_Formato, Ly_ID, Ld_ID, "
                               "Ld_Posicion, Ld_Longitud, Ld_Trim, Ld_Tipo FROM Layout_Detalle"),
                 t.repeated(3) + "0003|0010|10|8|SI|01");
        QVERIFY(!connection.Execute(loadHeaderSelect(engine, "K'1"))->EndOfSet());
    }
}

void tst_Statements::keysTakeOnlyTheirRows_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::newRow("SQLite") << Kind::Sqlite;
    QTest::newRow("PostgreSQL") << Kind::PostgreSql;
}

void tst_Statements::keysTakeOnlyTheirRows()
{
    QFETCH(Kind, kind);
    TestDatabase db(kind);
    KESTA_REQUIRE(db);
    SqlConnection connection(db.connectionName());
    const Engine e = connection.engine();
    const QString key = "K'1";
    for (const QString k : {"K'1", "K1", "K''1"}) {
        connection.Execute(lineInsert(e, lineWith(k, "x", "1")));
        connection.Execute(lineInsert(e, lineWith(k, "x", "2")));
        connection.Execute(fieldInsert(e, fieldWith(k, "y")));
    }
    auto count = [&db](const QString &table, const QString &where) {
        return db.scalar("SELECT COUNT(*) FROM " + table + " WHERE " + where).toInt();
    };

    // A key made to break out of its literal selects, changes and deletes nothing.
    for (const char *injected : {"'; DROP TABLE Layout; --", "' OR '1'='1",
                                 "\\'; DROP TABLE Layout; --", "K'1' OR Ly_Cve_Layout = 'K1"}) {
        for (const QString &select :
             {loadHeaderSelect(e, injected), loadDetailSelect(e, injected),
              scriptLayoutSelect(e, injected), scriptDetailSelect(e, injected)})
            QVERIFY2(connection.Execute(select)->EndOfSet(), qPrintable(select));
        connection.Execute(deactivateUpdate(e, injected, "M", "2026-12-07 08:00:00", "B"));
        connection.Execute(deleteDetailRows(e, injected));
        connection.Execute(deleteLineRows(e, injected));
    }
    QCOMPARE(count("Layout", "Es_Cve_Estado = 'AC'"), 6);
    QCOMPARE(count("Layout_Detalle", "1 = 1"), 3);

    // Deactivation and reactivation take every line of the key, and only those.
    connection.Execute(deactivateUpdate(e, key, "M'1", "2026-12-07 08:00:00", "B'1"));
    QCOMPARE(count("Layout", "Es_Cve_Estado = 'BA' AND Oper_Baja = 'B''1' AND Oper_Ult_Modif = "
                             "'M''1' AND Fecha_Baja IS NOT NULL AND Ly_Cve_Layout = 'K''1'"),
             2);
    QCOMPARE(count("Layout", "Es_Cve_Estado = 'AC'"), 4);
    connection.Execute(reactivateUpdate(e, key, "R", "2026-12-08 09:00:00"));
    QCOMPARE(count("Layout", "Es_Cve_Estado = 'AC'"), 6);
    QCOMPARE(count("Layout", "Oper_Baja = '' AND Fecha_Baja IS NULL AND Ly_Cve_Layout = 'K''1'"),
             2);

    connection.Execute(deleteDetailRows(e, key));
    connection.Execute(deleteLineRows(e, key));
    QCOMPARE(count("Layout", "Ly_Cve_Layout IN ('K1', 'K''''1')"), 4);
    QCOMPARE(count("Layout", "1 = 1") + count("Layout_Detalle", "1 = 1"), 6);
}

void tst_Statements::fieldsInOneStatement_data()
{
    keysTakeOnlyTheirRows_data();
}

// Fields written several to a statement (as the save does on SQLite) are stored as one
// statement per field stores them, hostile texts included.
void tst_Statements::fieldsInOneStatement()
{
    QFETCH(Kind, kind);
    TestDatabase db(kind);
    KESTA_REQUIRE(db);
    SqlConnection connection(db.connectionName());
    const Engine e = connection.engine();
    QList<LayoutFieldValues> fields;
    for (const QString text : {"O'Brien \"x\" \\ ;", "", "ñ €, ), ("}) {
        fields << fieldWith("K'1", text);
        fields.last().id = QString::number(fields.size() * 10);
    }
    const auto stored = [&db] {
        QStringList rows;
        QSqlQuery query("SELECT * FROM Layout_Detalle ORDER BY Ld_ID",
                        QSqlDatabase::database(db.connectionName(), false));
        while (query.next())
            for (int i = 0; i < query.record().count(); ++i)
                rows << query.value(i).toString();
        return rows;
    };
    for (const LayoutFieldValues &field : fields)
        connection.Execute(fieldInsert(e, field));
    const QStringList oneByOne = stored();
    connection.Execute(deleteDetailRows(e, "K'1"));
    QCOMPARE(fieldsInsert(e, fields).count("INSERT"), 1);
    connection.Execute(fieldsInsert(e, fields));
    QCOMPARE(oneByOne.size(), 30);
    QCOMPARE(stored(), oneByOne);
}

void tst_Statements::newKeyLookups()
{
    // SQL Server holds the looked-up key range to the end of the save's transaction; PostgreSQL
    // takes a lock before it looks (its serializable transaction sees the database as at its
    // first statement).
    QCOMPARE((QStringList{newKeyLock(S), storedKeySelect(S, "O'B")}),
             (QStringList{"", "SELECT Ly_Descripcion FROM Layout WITH (UPDLOCK, HOLDLOCK) WHERE "
                              "Ly_Cve_Layout = N'O''B' ORDER BY LEN(Ly_ID), Ly_ID"}));
    QCOMPARE((QStringList{newKeyLock(Pg), storedKeySelect(Pg, "0001")}),
             (QStringList{"LOCK TABLE Layout IN SHARE UPDATE EXCLUSIVE MODE",
                          "SELECT Ly_Descripcion FROM Layout WHERE Ly_Cve_Layout = '0001' ORDER "
                          "BY LENGTH(Ly_ID), Ly_ID"}));
    QCOMPARE(newKeyLock(L), QString());
}

void tst_Statements::writerSteps_data()
{
    using Format = LoadFormatWriter::Format;
    QTest::addColumn<Engine>("engine");
    QTest::addColumn<Format>("format");
    QTest::addColumn<QString>("stored");     // a format stored before the save: its description
    QTest::addColumn<QString>("collidesOn"); // the statement that collides with another user's
    QTest::addColumn<bool>("lookupFails");   // the lookup after the collision fails
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<QStringList>("log");
    const QStringList writes{
        "additional fields", "delete fields", "delete lines", "line", "set", "field", "set"};
    QTest::newRow("new key, free")
        << S << Format::New << QString() << QString() << false << "committed"
        << QStringList{"BEGIN", "lookup"} + writes + QStringList{"COMMIT"};
    QTest::newRow("new key, stored")
        << S << Format::New << "Otro" << QString() << false << "key taken: Otro"
        << QStringList{"BEGIN", "lookup", "ROLLBACK"};
    QTest::newRow("new key, stored, PostgreSQL")
        << Pg << Format::New << "Otro" << QString() << false << "key taken: Otro"
        << QStringList{"BEGIN", "lock", "lookup", "ROLLBACK"};
    QTest::newRow("new key, stored by a colliding user")
        << S << Format::New << QString() << "INSERT INTO Layout(" << false << "key taken: Otro"
        << QStringList{"BEGIN",        "lookup", "additional fields", "delete fields",
                       "delete lines", "line",   "ROLLBACK",          "lookup"};
    QTest::newRow("new key, colliding user stored nothing")
        << S << Format::New << QString() << "SET QUOTED_IDENTIFIER OFF" << false << "conflict"
        << QStringList{"BEGIN", "lookup", "additional fields", "delete fields", "delete lines",
                       "line",  "set",    "ROLLBACK",          "lookup"};
    QTest::newRow("new key, lookup after the collision fails")
        << S << Format::New << QString() << "INSERT INTO Layout(" << true << "conflict"
        << QStringList{"BEGIN",        "lookup", "additional fields", "delete fields",
                       "delete lines", "line",   "ROLLBACK",          "lookup"};
    QTest::newRow("stored format")
        << S << Format::Stored << "Viejo" << QString() << false << "committed"
        << QStringList{"BEGIN"} + writes + QStringList{"COMMIT"};
    QTest::newRow("stored format, collision")
        << S << Format::Stored << "Viejo"
        << "INSERT INTO Layout(" << false << "conflict"
        << QStringList{"BEGIN", "additional fields", "delete fields", "delete lines",
                       "line",  "ROLLBACK"};
}

// What the writer runs, in order, and what it answers: a new format's key is looked up inside
// the transaction before anything is written, and again after a collision with another user's
// write; a stored format's is not.
void tst_Statements::writerSteps()
{
    using Format = LoadFormatWriter::Format;
    QFETCH(Engine, engine);
    QFETCH(Format, format);
    QFETCH(QString, stored);
    QFETCH(QString, collidesOn);
    QFETCH(bool, lookupFails);
    QFETCH(QString, outcome);
    QFETCH(QStringList, log);
    auto connection = std::make_shared<ScriptedConnection>();
    connection->engine_ = engine;
    if (!stored.isEmpty())
        connection->stored = stored;
    connection->collidesOn = collidesOn;
    connection->storedByTheCollision = !collidesOn.isEmpty() && outcome.startsWith("key taken");
    connection->lookupFailsAfterCollision = lookupFails;
    QString sql;
    LoadFormatWriter writer([connection] { return connection; }, sql);
    QString result;
    try {
        const auto r =
            writer.write(format, "0001", {sampleLine()}, {sampleField()}, [&](const QString &) {
                connection->log << "additional fields";
                return true;
            });
        result = r == LoadFormatWriter::Result::KeyTaken
                     ? "key taken: " + writer.storedDescription()
                 : r == LoadFormatWriter::Result::Committed ? QStringLiteral("committed")
                                                            : QStringLiteral("not saved");
    } catch (const kesta::host::ConflictError &) {
        result = "conflict";
    }
    QCOMPARE(result, outcome);
    QCOMPARE(connection->log, log);
}

QTEST_GUILESS_MAIN(tst_Statements)
#include "tst_statements.moc"
