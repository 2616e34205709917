// Load formats stored in the database, on SQLite and on PostgreSQL: the reader's order, the
// test of a stored format and its target (its file, and why it could not run), and the script that
// recreates the format's rows exactly on an empty database of the same engine.

#include "FormatSamples.h"
#include "formats/FormatsError.h"
#include "store/LoadFormatReader.h"
#include "store/LoadFormatWriter.h"
#include "store/SchemaUpgrade.h"
#include "store/ScriptWriter.h"
#include "store/SqlConnection.h"
#include "store/SqlScript.h"
#include "store/StoredFormat.h"
#include "store/StoredTestTarget.h"
#include "support/DataRows.h"
#include "support/TestClasses.h"
#include "support/TestDatabase.h"

#include <QtSql>
#include <QtTest>

using namespace Qt::StringLiterals;
using kesta::test::dataColumns;
using kesta::test::fetchColumns;
using kesta::test::TestDatabase;
namespace formats = velkora::formats;
namespace store = velkora::store;

namespace {

// Runs an INSERT with bound values; the test run ends when it fails.
void insert(QSqlDatabase db, const QString &statement, const QVariantList &values)
{
    QSqlQuery q(db);
    q.prepare(statement);
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!q.exec())
        qFatal("%s", qPrintable(q.lastError().text()));
}

// Inserts Layout rows (order, ID, file, inverso) and Layout_Detalle rows (line order, field
// order, format) of a key with bound values; the other columns take plain values.
void storeLine(QSqlDatabase db, const QString &key, const QString &order, const QString &id,
               const QString &file, const QString &reverse = u"NO"_s)
{
    insert(db,
           u"INSERT INTO Layout (Ly_Cve_Layout, Ly_Descripcion, Ly_Archivo, Ly_ID, "
           "Ly_Descripcion_ID, Ly_Linea_ID, Ly_Posicion, Ly_Longitud, Ly_Inverso, "
           "Es_Cve_Estado) VALUES (?, ?, ?, ?, ?, ?, 1, 2, ?, 'AC')"_s,
           {key, u"Formato "_s + key, file, order, u"Tipo "_s + order, id, reverse});
}

void storeField(QSqlDatabase db, const QString &key, const QString &line, const QString &field,
                int position = 3, int length = 2, const QString &type = u"02"_s)
{
    insert(db,
           u"INSERT INTO Layout_Detalle (Ly_Cve_Layout, Ly_ID, Ld_ID, Ld_Descripcion, "
           "Ld_Posicion, Ld_Longitud, Ld_Trim, Ld_Valor, Ld_Formato, Ld_Tipo) "
           "VALUES (?, ?, ?, ?, ?, ?, 'NO', '', '', ?)"_s,
           {key, line, field, u"Campo "_s + field, position, length, type});
}

// Every row of a table as texts, in key order, with exact decimals.
QList<QStringList> rows(QSqlDatabase db, const QString &table, const QString &order)
{
    QSqlQuery q(db);
    q.setNumericalPrecisionPolicy(QSql::HighPrecision);
    if (!q.exec(u"SELECT * FROM %1 ORDER BY %2"_s.arg(table, order)))
        qFatal("%s", qPrintable(q.lastError().text()));
    QList<QStringList> out;
    while (q.next()) {
        QStringList row;
        for (int i = 0; i < q.record().count(); ++i) {
            const QVariant v = q.value(i);
            row << (v.isNull() ? u"NULL"_s
                               : u"%1:%2"_s.arg(QString::fromLatin1(v.typeName()),
                                                v.typeId() == QMetaType::QDateTime
                                                    ? v.toDateTime().toString(Qt::ISODateWithMs)
                                                    : v.toString()));
        }
        out << row;
    }
    return out;
}

using velkora::store::LayoutFieldValues;
using velkora::store::LayoutLineValues;
using velkora::store::LayoutRuleValues;

// A payment file's header and entry line types, with three fields, as the screen saves them.
QList<LayoutLineValues> ruleLines(const QString &key)
{
    QList<LayoutLineValues> lines;
    for (const auto &[order, id] : {std::pair{u"0001"_s, u"1"_s}, std::pair{u"0006"_s, u"6"_s}}) {
        LayoutLineValues line;
        line.key = key;
        line.description = u"Pagos"_s;
        line.file = u"pagos.txt"_s;
        line.order = order;
        line.lineId = id;
        line.lineDescription = u"Tipo "_s + order;
        line.position = line.length = u"1"_s;
        line.user3 = line.user4 = u"0"_s;
        line.date5 = line.date6 = u"2026-12-07"_s;
        line.stamp = u"2026-12-07 10:00:00"_s;
        line.operatorAlta = line.operatorModif = u"ANA"_s;
        lines << line;
    }
    return lines;
}

// The entry's fields 0001 (2-3), 0002 (30-39) and 0003 (80-94), NUMERO each.
QList<LayoutFieldValues> ruleFields(const QString &key)
{
    QList<LayoutFieldValues> fields;
    for (const QString &field : {u"0001|2|2"_s, u"0002|30|10"_s, u"0003|80|15"_s}) {
        const QStringList p = field.split(u'|');
        fields << LayoutFieldValues{key,  u"0006"_s, p[0], p[0], p[1],
                                    p[2], u"NO"_s,   {},   {},   u"01"_s};
    }
    return fields;
}

QList<QStringList> ruleRows(const formats::LoadFormat &format)
{
    QList<QStringList> out;
    for (const auto &rule : format.rules)
        out << QStringList{rule.id, rule.lineOrder, rule.fieldId, rule.text, rule.description};
    return out;
}

} // namespace

class TestStoredFormats : public QObject {
    Q_OBJECT
    std::unique_ptr<TestDatabase> db;
    QSqlDatabase sql() const { return QSqlDatabase::database(db->connectionName(), false); }

    // Runs a script on `copy`, an empty database: the first statement that fails and why, or
    // nothing.
    static QString replay(const QString &script, const TestDatabase &copy)
    {
        for (const QString &statement : store::splitSqlScript(script)) {
            QSqlQuery run(QSqlDatabase::database(copy.connectionName(), false));
            if (!run.exec(statement))
                return statement + u"\n"_s + run.lastError().text();
        }
        return {};
    }

private slots:
    void initTestCase_data()
    {
        const auto add = dataColumns<TestDatabase::Kind>({"kind"});
        add("sqlite", TestDatabase::Kind::Sqlite);
        add("postgresql", TestDatabase::Kind::PostgreSql);
    }
    void init()
    {
        QFETCH_GLOBAL(TestDatabase::Kind, kind);
        db = std::make_unique<TestDatabase>(kind);
        KESTA_REQUIRE(*db);
    }
    void cleanup() { db.reset(); }

    void readerOrdersByNumber()
    {
        const QString key = u"O'K"_s; // bound, so an apostrophe is just a character
        for (const QString &order : {u"10000"_s, u"1010"_s, u"0002"_s, u"0100"_s})
            storeLine(sql(), key, order, order, u"f.txt"_s, order == u"0002"_s ? u"SI"_s : u"NO"_s);
        for (const QString &field : {u"10000"_s, u"0020"_s, u"1010"_s, u"0003"_s})
            storeField(sql(), key, u"1010"_s, field);
        storeField(sql(), key, u"0007"_s, u"0001"_s); // a field of no line type
        const std::optional<formats::LoadFormat> format = store::LoadFormatReader(sql()).read(key);
        QVERIFY(format);
        QStringList orders, fields;
        for (const auto &type : format->lineTypes)
            orders << type.order;
        for (const auto &field : format->lineTypes.at(2).fields)
            fields << field.id;
        QCOMPARE(orders, (QStringList{u"0002"_s, u"0100"_s, u"1010"_s, u"10000"_s}));
        QCOMPARE(fields, (QStringList{u"0003"_s, u"0020"_s, u"1010"_s, u"10000"_s}));
        QVERIFY(format->reverse); // the header is the first line type's row
        QCOMPARE(format->orphanFields.size(), 1);
        QVERIFY(!store::LoadFormatReader(sql()).read(u"NONE"_s));
    }

    void storedFormatTest_data()
    {
        // storedFile: Ly_Archivo, "@" the database's folder; error: none, it runs on 2 lines
        const auto add = dataColumns<QString, QString, QString, QString>(
            {"key", "storedFile", "givenFile", "error"});
        add("no key", {}, "a.txt", {}, "No se indicó la clave del formato de carga que se prueba.");
        add("no file name", "K1", {}, {},
            "El formato de carga 'K1' no tiene archivo: escriba el nombre del archivo que se "
            "prueba en el formato.");
        add("no such file", "K1", "@/missing.txt", {}, "El archivo '@/missing.txt' no existe.");
        add("absolute file", "K1", "@/data.txt", {}, {});
        add("relative file", "K1", "data.txt", {}, {});
        add("given file wins", "K1", "@/missing.txt", "@/data.txt", {});
    }
    void storedFormatTest()
    {
        auto [key, storedFile, givenFile, error] = fetchColumns<QString, QString, QString, QString>(
            {"key", "storedFile", "givenFile", "error"});
        // A relative name is taken from the SQLite file's folder, or the current folder on a
        // server: both are this folder here.
        QTemporaryDir folder(db->kind() == TestDatabase::Kind::Sqlite
                                 ? QFileInfo(db->location()).absolutePath() + u"/XXXXXX"_s
                                 : QDir::tempPath() + u"/XXXXXX"_s);
        const QString base = db->kind() == TestDatabase::Kind::Sqlite
                                 ? QFileInfo(db->location()).absolutePath()
                                 : folder.path();
        const QString previous = QDir::currentPath();
        QDir::setCurrent(base);
        formats_test::writeFile(base + u"/data.txt"_s, {u"AA1"_s, u"AA2"_s});
        storeLine(sql(), u"K1"_s, u"0001"_s, u"AA"_s, storedFile.replace(u"@"_s, base));
        storeField(sql(), u"K1"_s, u"0001"_s, u"0001"_s, 3, 1, u"01"_s);
        const formats::TestReport report =
            store::testStoredFormat(sql(), key, givenFile.replace(u"@"_s, base));
        // The target of the test read apart from the file: the same format and file, or the
        // same refusal when the file is not reached.
        const store::StoredTestTarget target = store::storedTestTarget(sql(), key, givenFile);
        QDir::setCurrent(previous);
        QCOMPARE(report.error, error.replace(u"@"_s, base));
        QCOMPARE(report.ran, error.isEmpty());
        QCOMPARE(target.ok, report.ran || error.endsWith(u"' no existe."_s));
        QCOMPARE(target.error, target.ok ? QString() : report.error);
        if (report.ran) {
            QCOMPARE(report.filePath, base + u"/data.txt"_s);
            QCOMPARE(target.path, report.filePath);
            QVERIFY(target.format == report.format);
            QCOMPARE(report.result.lines, 2);
            QCOMPARE(report.exitCode(), 0);
        }
    }

    void scriptRecreatesTheRows()
    {
        // Values that a careless script gets wrong.
        const QString key = u"Q'1"_s;
        // clang-format off
        insert(sql(), u"INSERT INTO Layout (Ly_Cve_Layout, Ly_Descripcion, Ly_Archivo, Ly_ID, "
               "Ly_Descripcion_ID, Ly_Linea_ID, Ly_Posicion, Ly_Longitud, Ly_Inverso, "
               "Ly_UserDef_1, Ly_UserDef_2, Ly_UserDef_3, Ly_UserDef_4, Ly_UserDef_5, "
               "Ly_UserDef_6, Fecha_Alta, Fecha_Ult_Modif, Oper_Alta, Oper_Ult_Modif, "
               "Es_Cve_Estado, Oper_Baja, Fecha_Baja) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
               "?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_s, {
            key, u"O'Brien \"comillas\" y Ñandú"_s, u"C:\\datos\\extracto.txt"_s, u"0001"_s,
            u"línea 1\nlínea 2\r\nfin\tcon tab"_s, u"H"_s, 1, 2, u"SI"_s,
            u"--no es comentario; ni fin"_s, u""_s, u"1234.5678"_s, u"-0.0001"_s,
            u"2026-01-31"_s, u"2026-12-06"_s, u"2026-12-06 10:30:15"_s, u"2026-12-06 23:59:59"_s,
            u"ANA"_s, u"LUIS"_s, u"BA"_s, u"PEDRO"_s, QVariant(QMetaType::fromType<QString>())});
        // clang-format on
        storeLine(sql(), key, u"0002"_s, u"D"_s, u"x"_s);
        storeLine(sql(), u"OTRA"_s, u"0001"_s, u"Z"_s, u"x"_s); // not in the script
        storeField(sql(), key, u"0001"_s, u"0001"_s);
        storeField(sql(), key, u"0002"_s, u"0010"_s, 2, 8, u"03"_s);

        const QString script = store::storedFormatScript(sql(), key);
        // The tables as the engine stores them ("layout" on PostgreSQL).
        QVERIFY(script.indexOf(u"INSERT INTO Layout ("_s, 0, Qt::CaseInsensitive) <
                script.indexOf(u"INSERT INTO Layout_Detalle ("_s, 0, Qt::CaseInsensitive));
        QCOMPARE(script.count(u"INSERT INTO"_s), 4);
        QVERIFY(!script.contains(u"OTRA"_s));

        TestDatabase copy(db->kind());
        KESTA_REQUIRE(copy);
        QCOMPARE(replay(script, copy), QString());
        const QSqlDatabase target = QSqlDatabase::database(copy.connectionName(), false);
        const QString where = u"Ly_Cve_Layout = 'Q''1'"_s;
        QCOMPARE(rows(target, u"Layout"_s, u"Ly_ID"_s),
                 rows(sql(), u"Layout WHERE "_s + where, u"Ly_ID"_s));
        QCOMPARE(rows(target, u"Layout_Detalle"_s, u"Ly_ID, Ld_ID"_s),
                 rows(sql(), u"Layout_Detalle WHERE "_s + where, u"Ly_ID, Ld_ID"_s));
        QCOMPARE(rows(target, u"Layout"_s, u"Ly_ID"_s).size(), 2);
    }

    // Rules are saved with the format, read back with it, go into the script, and are left as
    // they are by a deactivation (the save's transaction is proven through the screen's save).
    void rulesRoundTrip()
    {
        auto connection = std::make_shared<store::SqlConnection>(db->connectionName());
        QString statement;
        store::LoadFormatWriter writer([connection] { return connection; }, statement);
        const auto always = [](const QString &) { return true; };
        const QList<LayoutRuleValues> rules{
            {u"PAGO"_s, u"1"_s, QString(), QString(), u"REGISTRO 94"_s, u"Registros fijos"_s},
            {u"PAGO"_s, u"2"_s, u"0001"_s, QString(), u"PRIMERA"_s, QString()},
            {u"PAGO"_s, u"3"_s, u"0006"_s, u"0002"_s, u"ENTRE 1 999"_s, u"Importe"_s},
            {u"PAGO"_s, u"4"_s, u"0006"_s, u"0003"_s, u"SECUENCIA"_s, QString()}};
        writer.write(store::LoadFormatWriter::Format::Stored, u"PAGO"_s, ruleLines(u"PAGO"_s),
                     ruleFields(u"PAGO"_s), &rules, always);
        const std::optional<formats::LoadFormat> read =
            store::LoadFormatReader(sql()).read(u"PAGO"_s);
        QVERIFY(read && read->rulesAvailable);
        QCOMPARE(
            ruleRows(*read),
            (QList<QStringList>{{u"0001"_s, {}, {}, u"REGISTRO 94"_s, u"Registros fijos"_s},
                                {u"0002"_s, u"0001"_s, {}, u"PRIMERA"_s, {}},
                                {u"0003"_s, u"0006"_s, u"0002"_s, u"ENTRE 1 999"_s, u"Importe"_s},
                                {u"0004"_s, u"0006"_s, u"0003"_s, u"SECUENCIA"_s, {}}}));

        // The script recreates the rules; deactivation leaves them.
        const QString script = store::storedFormatScript(sql(), u"PAGO"_s);
        QCOMPARE(script.count(u"INSERT INTO Layout_Regla"_s, Qt::CaseInsensitive), 4);
        TestDatabase copy(db->kind());
        KESTA_REQUIRE(copy);
        QCOMPARE(replay(script, copy), QString());
        QCOMPARE(rows(QSqlDatabase::database(copy.connectionName(), false), u"Layout_Regla"_s,
                      u"Lr_ID"_s),
                 rows(sql(), u"Layout_Regla"_s, u"Lr_ID"_s));
        connection->Execute(store::deactivateUpdate(connection->engine(), u"PAGO"_s, u"LUIS"_s,
                                                    u"2026-12-07 11:00:00"_s, u"LUIS"_s));
        QCOMPARE(store::LoadFormatReader(sql()).read(u"PAGO"_s)->rules.size(), 4);
    }

    // A database made before the rules: formats read and test as before, the review says
    // that rules are not available, and --upgrade adds the table and nothing else.
    void databaseWithoutTheRulesTable()
    {
        storeLine(sql(), u"K1"_s, u"0001"_s, u"A"_s, u"data.txt"_s);
        storeField(sql(), u"K1"_s, u"0001"_s, u"0001"_s);
        db->exec(u"DROP TABLE Layout_Regla"_s);
        QVERIFY(!store::hasRulesTable(db->connectionName()));
        std::optional<formats::LoadFormat> read = store::LoadFormatReader(sql()).read(u"K1"_s);
        QVERIFY(read && !read->rulesAvailable && read->rules.isEmpty());
        QCOMPARE(read->lineTypes.at(0).fields.size(), 1);
        QTemporaryDir folder;
        const formats::TestReport report = store::testStoredFormat(
            sql(), u"K1"_s, samples::writeBytes(folder.filePath(u"data.txt"_s), "A XY\n"));
        QCOMPARE(report.exitCode(), 0);
        QCOMPARE(report.layout.first().message,
                 u"Las reglas no están disponibles: la base de datos no tiene la tabla "
                 u"Layout_Regla (velkora --upgrade la añade)."_s);
        QVERIFY(
            !store::storedFormatScript(sql(), u"K1"_s).contains(u"Regla"_s, Qt::CaseInsensitive));

        const QList<QStringList> before = rows(sql(), u"Layout"_s, u"Ly_ID"_s);
        QCOMPARE(store::upgradeSchema(db->connectionName()),
                 u"added the table Layout_Regla (the rules of the load formats)"_s);
        QVERIFY(store::hasRulesTable(db->connectionName()));
        QCOMPARE(store::upgradeSchema(db->connectionName()), QString());
        QCOMPARE(rows(sql(), u"Layout"_s, u"Ly_ID"_s), before);
        read = store::LoadFormatReader(sql()).read(u"K1"_s);
        QVERIFY(read->rulesAvailable);
        db->exec(u"INSERT INTO Layout_Regla (Ly_Cve_Layout, Lr_ID, Ly_ID, Ld_ID, Lr_Regla) "
                 u"VALUES ('K1', '0001', '0001', NULL, 'LONGITUD 3')"_s);
        QCOMPARE(store::LoadFormatReader(sql()).read(u"K1"_s)->rules.size(), 1);
    }

    void scriptOfNoRowsAndRefusals()
    {
        QCOMPARE(store::ScriptWriter::scriptRows(
                     sql(), u"SELECT * FROM Layout WHERE Ly_Cve_Layout = 'NADA' "_s, u"Layout"_s),
                 u"-- Layout: ningún registro\n"_s);
        // A second statement, a table name that is none, a table that is not there.
        for (const auto &[select, table] :
             {std::pair{u"SELECT * FROM Layout; DELETE FROM Layout"_s, u"Layout"_s},
              std::pair{u"SELECT * FROM Layout"_s, u"Layout x"_s},
              std::pair{u"SELECT * FROM NoSuchTable"_s, u"Layout"_s}})
            QVERIFY_THROWS_EXCEPTION(formats::FormatsError,
                                     store::ScriptWriter::scriptRows(sql(), select, table));
    }
};

[[maybe_unused]] static const bool added = kesta::test::addTestClass<TestStoredFormats>();

#include "StoredFormatsTests.moc"
