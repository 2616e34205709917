// "velkora test", "velkora script" and "velkora propose" run as a batch job would: the built
// binary, no display (and a platform that does not exist, so that any window would fail), exit
// codes and output; the same answers from the installed program, "cmake --install" into a
// temporary prefix and its tree moved to another folder, which loads its own plugin and libraries
// (nothing from the build or source tree) and whose manual lists what its --help lists. Least
// privilege: a database password never shows in what velkora prints, and an SQL field's
// expression is shown by the test, never run.

#include "formats/LoadFormatTest.h"
#include "proposal/ProposalChecks.h"
#include "proposal/RemittanceSample.h"
#include "proposal/SampleFaults.h"
#include "services/ToolServicesImpl.h"
#include "store/LoadFormatReader.h"
#include "store/SqlConnection.h"
#include "store/StoredFormat.h"
#include "support/PgServer.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString Secret = u"s3cr3t-Pw_9"_s;

struct Run {
    int code = -1;
    QString out;
    QString err;
};

// The names each line of a manual section's .TP entries introduces: "\-\-database" and
// "\-h" for OPTIONS, the first word for COMMANDS, "VELKORA_..." for ENVIRONMENT.
QStringList manualEntries(const QString &manual, const QString &section)
{
    const QString body = manual.section(QRegularExpression(u"\n\\.SH \"?%1\"?\n"_s.arg(section)), 1)
                             .section(u"\n.SH "_s, 0, 0);
    QStringList entries;
    for (const QRegularExpressionMatch &m :
         QRegularExpression(u"^\\.TP\n(.*)$"_s, QRegularExpression::MultilineOption)
             .globalMatch(body))
        entries << m.captured(1);
    return entries;
}

// What a statement gives on an SQLite file: a row per line, its columns joined by "|" (or the
// statement's error).
QStringList sqliteRows(const QString &file, const QString &sql)
{
    const QString name = u"cli-check"_s;
    const auto remove = qScopeGuard([&name] { QSqlDatabase::removeDatabase(name); });
    QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
    db.setDatabaseName(file);
    if (!db.open())
        return {db.lastError().text()};
    QSqlQuery query(db);
    if (!query.exec(sql))
        return {query.lastError().text()};
    QStringList rows;
    while (query.next()) {
        QStringList cells;
        for (int column = 0; column < query.record().count(); ++column)
            cells << query.value(column).toString();
        rows << cells.join(u'|');
    }
    return rows;
}

// A command line's arguments, split at its blanks.
QStringList words(const QString &commandLine)
{
    return commandLine.split(u' ');
}

// The installed screen's process, on a home of its own; killed when it goes.
struct ScreenProcess : QProcess {
    QTemporaryDir home;
    ~ScreenProcess() override
    {
        kill();
        waitForFinished();
    }
};

QSet<QString> matches(const QStringList &lines, const QRegularExpression &pattern)
{
    QSet<QString> found;
    for (const QString &line : lines)
        for (const QRegularExpressionMatch &m : pattern.globalMatch(line))
            found << m.captured(1);
    return found;
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT
    QTemporaryDir home;
    QString database() const { return home.filePath(u"db/velkora.db"_s); }

    // The built velkora on the database in home, given by the environment as the screen reads it
    // (a --database of the arguments wins).
    Run velkora(const QStringList &arguments)
    {
        return run(built(), arguments, home.path(), database());
    }
    QString buildDir; // the build tree this test belongs to
    QString prefix;   // the installed tree, after its move

    QString built() const { return buildDir + u"/bin/velkora"_s; }
    QString installed() const { return prefix + u"/bin/velkora"_s; }
    QString installedSample() const
    {
        return prefix + u"/share/velkora/sample/extracto_0001.txt"_s;
    }

    // Nothing that could lead the program to the build tree: no plugin or library path, no
    // database or display from the caller.
    static QProcessEnvironment environment(const QString &home, const QString &platform)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name :
             {"DISPLAY", "WAYLAND_DISPLAY", "VELKORA_DATABASE", "VELKORA_OPERATOR",
              "VELKORA_PLUGIN_PATH", "LD_LIBRARY_PATH", "QT_PLUGIN_PATH"})
            env.remove(QString::fromLatin1(name));
        env.insert(u"QT_QPA_PLATFORM"_s, platform);
        env.insert(u"HOME"_s, home);
        env.insert(u"XDG_DATA_HOME"_s, home + u"/data"_s);
        env.insert(u"VELKORA_OPERATOR"_s, u"PRUEBA"_s);
        return env;
    }

    static Run run(const QString &program, const QStringList &arguments, const QString &home,
                   const QString &envDatabase = {})
    {
        QProcess process;
        // A display platform that does not exist: these runs must need no window.
        QProcessEnvironment env = environment(home, u"no-such-platform"_s);
        if (!envDatabase.isEmpty())
            env.insert(u"VELKORA_DATABASE"_s, envDatabase);
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(home);
        process.start(program, arguments);
        if (!process.waitForFinished(120000))
            return {};
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2,
                QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    // Opens the installed screen offscreen on a new database in its home.
    void startScreen(ScreenProcess &process)
    {
        const QString home = process.home.path();
        process.setProcessEnvironment(environment(home, u"offscreen"_s));
        process.setWorkingDirectory(home);
        process.start(installed(), {u"--database"_s, home + u"/velkora.db"_s});
        QVERIFY2(process.waitForStarted(), qPrintable(process.errorString()));
    }

    // The files the process has mapped, from /proc/<pid>/maps.
    static QStringList mappedFiles(const QProcess &process)
    {
        QFile maps(u"/proc/%1/maps"_s.arg(process.processId()));
        if (!maps.open(QIODevice::ReadOnly))
            return {};
        QStringList files;
        static const QRegularExpression path(uR"(\s(/\S.*)$)"_s);
        for (const QByteArray &line : maps.readAll().split('\n')) {
            const QRegularExpressionMatch m = path.match(QString::fromLocal8Bit(line));
            if (m.hasMatch() && !files.contains(m.captured(1)))
                files << m.captured(1);
        }
        return files;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(home.isValid());
        buildDir = QDir(QCoreApplication::applicationDirPath() + u"/.."_s).canonicalPath();
        // The cmake that configured this build tree.
        QFile cache(buildDir + u"/CMakeCache.txt"_s);
        QVERIFY(cache.open(QIODevice::ReadOnly | QIODevice::Text));
        const QRegularExpressionMatch cmake =
            QRegularExpression(u"^CMAKE_COMMAND:INTERNAL=(.+)$"_s,
                               QRegularExpression::MultilineOption)
                .match(QString::fromUtf8(cache.readAll()));
        QVERIFY(cmake.hasMatch());

        const QString staged = home.filePath(u"staged"_s);
        QProcess install;
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(cmake.captured(1), {u"--install"_s, buildDir, u"--prefix"_s, staged});
        QVERIFY(install.waitForFinished(240000));
        QVERIFY2(install.exitCode() == 0, install.readAll().constData());

        // Run paths relative to the installed files: the tree works wherever it is moved.
        prefix = home.filePath(u"moved/usr"_s);
        QVERIFY(QDir().mkpath(home.filePath(u"moved"_s)));
        QVERIFY(QDir().rename(staged, prefix));

        // The first command creates the SQLite database with the sample, as the screen does.
        const Run run = velkora(words(u"test 0001"_s));
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
        // Files without a load format, to propose one from.
        proposal_test::writeFile(home.filePath(u"pagos.txt"_s), proposal_test::paymentFile(3, 12),
                                 "\r\n", proposal_test::Encoding::Cp1252);
        QStringList statement = proposal_test::bankStatement(2, 15);
        statement.insert(3, QString());
        proposal_test::writeFile(home.filePath(u"extracto.txt"_s), statement);
        proposal_test::writeFile(home.filePath(u"movimientos.txt"_s),
                                 statement.filter(QRegularExpression(u"^22"_s)));
        proposal_test::writeFile(home.filePath(u"retorno.txt"_s), proposal_test::remittanceFile({}),
                                 "\r\n");
        QStringList returned = proposal_test::remittanceFile({2, 60});
        returned[6].replace(81, 1, u"-"_s); // a title's amount
        proposal_test::writeFile(home.filePath(u"retorno-malo.txt"_s), returned);
        // A file that is no sample at all: bytes of no text.
        QFile binary(home.filePath(u"imagen.txt"_s));
        QVERIFY(binary.open(QIODevice::WriteOnly));
        binary.write(proposal_test::binaryBytes(4096, true));
        // A proposal's description is made from its file's name, whose BEL cannot be stored.
        QVERIFY(QFile::copy(home.filePath(u"pagos.txt"_s), home.filePath(u"pagos\u0007.txt"_s)));
    }

    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out"); // lines of standard output
        QTest::addColumn<QString>("err"); // a text of standard error
        const auto row = [](const char *name, const QStringList &arguments, int code,
                            const QString &out, const QString &err = {}) {
            QTest::newRow(name) << arguments << code << out << err;
        };
        row("file with errors (relative to the current folder)", words(u"test 0001 malo.txt"_s), 1,
            u"4|2-9|0002|0001|'20261303' no es una fecha en el formato 'yyyymmdd': el mes 13 no "
            "existe.|"_s);
        row("no such file", words(u"test 0001 nada.txt"_s), 2, {}, u"nada.txt' no existe."_s);
        row("no such key", words(u"test 9999"_s), 2, {},
            u"velkora: No existe el formato de carga '9999'."_s);
        row("script", words(u"script 0001"_s), 0,
            u"INSERT INTO Layout_Detalle (Ly_Cve_Layout, Ly_ID, Ld_ID, Ld_Descripcion, "
            "Ld_Posicion, Ld_Longitud, Ld_Trim, Ld_Valor, Ld_Formato, Ld_Tipo) VALUES ('0001', "
            "'0003', '0003', 'Total de cargos', 22, 14, 'NO', '', '0.00', '01');\r"_s);
        row("script of no such key", words(u"script O'X"_s), 2, {},
            u"No existe el formato de carga 'O'X'."_s);
        row("test without a key", words(u"test"_s), 2, {}, u"velkora test KEY [FILE] [--json]"_s);
        row("json without test", words(u"script 0001 --json"_s), 2, {},
            u"--json goes with the test command"_s);
        row("propose", words(u"propose extracto.txt"_s), 0,
            u"ID de los tipos de línea: posición 1, longitud 2\n"
            "Líneas sin tipo de línea propuesto: 1 (4)"_s);
        row("propose, IDs at two places", words(u"propose retorno.txt"_s), 0,
            u"ID del tipo de registro: posición 8, longitud 1; algunos tipos de línea tienen su "
            "ID en otra posición"_s);
        row("propose, the rules", words(u"propose pagos.txt"_s), 0, u"Reglas propuestas:"_s);
        row("propose a file that is not text", words(u"propose imagen.txt"_s), 2, {},
            u"imagen.txt' no es un archivo de texto: tiene bytes nulos"_s);
        row("propose without a file", words(u"propose"_s), 2, {}, u"velkora propose FILE"_s);
        row("save without a key", words(u"propose pagos.txt --save"_s), 2, {},
            u"--key and --save go together"_s);
        row("key without save", words(u"propose pagos.txt --key PAGO"_s), 2, {},
            u"--key and --save go together"_s);
        row("key with test", words(u"test 0001 --key PAGO"_s), 2, {},
            u"--key and --save go with the propose command."_s);
        row("save under a key taken", words(u"propose pagos.txt --key 1 --save"_s), 3,
            u"Formato de carga propuesto"_s,
            u"La clave: 0001, ya está asignada al formato de carga: "_s);
        row("save under a key too long", words(u"propose pagos.txt --key PAGOS --save"_s), 3, {},
            u"La clave 'PAGOS' no es válida"_s);
        row("save under a blank key",
            QStringList{u"propose"_s, u"pagos.txt"_s, u"--key"_s, u" "_s, u"--save"_s}, 3, {},
            u"Debe especificar una clave"_s);
        row("save of no such file", words(u"propose nada.txt --key NADA --save"_s), 2, {},
            u"nada.txt' no existe."_s);
        // The save of a proposal runs the screen's checks: what the screen would refuse is refused.
        row("save of a character that cannot be stored",
            words(u"propose pagos\u0007.txt --key RECH --save"_s), 3, {},
            u"Descripción tiene un carácter que no se puede guardar (U+0007)"_s);
        row("save by an operator too long for the column",
            words(u"--operator "_s + QString(51, u'A') + u" propose pagos.txt --key RECH --save"_s),
            3, {}, u"tiene más de 50 caracteres"_s);
        // The command line's database, not the environment's.
        row("unreachable database",
            words(u"--database postgresql://nadie@127.0.0.1:1/velkora test 0001"_s), 2, {},
            u"could not be opened"_s);
    }
    void exitCodes()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const QString count = u"SELECT COUNT(*) FROM Layout"_s;
        const QStringList stored = sqliteRows(database(), count);
        const bool dataFolder = QFileInfo::exists(home.filePath(u"data"_s));
        const Run run = velkora(arguments);
        QCOMPARE(run.code, code);
        QCOMPARE(sqliteRows(database(), count), stored); // nothing written
        // No folder of the user's is made (a server's location has no sample file to write).
        QCOMPARE(QFileInfo::exists(home.filePath(u"data"_s)), dataFolder);
        for (const QString &line : out.split(u'\n', Qt::SkipEmptyParts))
            QVERIFY2(run.out.split(u'\n').contains(line), qPrintable(run.out));
        QVERIFY2(err.isEmpty() || run.err.contains(err), qPrintable(run.err));
        if (code == 2)
            QVERIFY(!run.err.isEmpty());
    }

    // velkora propose --json is the proposal of the file: each line type with its ID's place and
    // its fields; the place they share, when they do; the rules by the numbers their texts name
    // line types and fields with; the lines without a line type and those a field does not read.
    void proposeJson_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QJsonObject>("place"); // the line types' shared place
        QTest::addColumn<QJsonArray>("unmatched");
        QTest::addColumn<QJsonArray>("unread");
        QTest::newRow("bank statement, a blank line")
            << u"extracto.txt"_s << QJsonObject{{u"position"_s, 1}, {u"length"_s, 2}}
            << QJsonArray{4} << QJsonArray();
        QTest::newRow("remittance, a bad amount")
            << u"retorno-malo.txt"_s << QJsonObject() << QJsonArray() << QJsonArray{7};
    }
    void proposeJson()
    {
        QFETCH(QString, file);
        const Run run = velkora({u"propose"_s, file, u"--json"_s});
        QCOMPARE(run.code, 0);
        QJsonParseError error;
        const QJsonObject result = QJsonDocument::fromJson(run.out.toUtf8(), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        const proposal_test::Proposal proposal = proposal_test::propose(home.filePath(file));
        QCOMPARE(result[u"file"_s].toString(), home.filePath(file));
        QCOMPARE(result[u"encoding"_s].toString(), u"UTF-8"_s);
        QCOMPARE(result[u"lines"_s].toInt(), proposal.linesRead);
        QTEST(result[u"line_type"_s].toObject(), "place");
        QTEST(result[u"unmatched"_s][u"first"_s].toArray(), "unmatched");
        QCOMPARE(result[u"unmatched"_s][u"count"_s].toInt(), proposal.unmatchedCount);

        // Each line type and its fields as the proposal has them.
        const QJsonArray types = result[u"line_types"_s].toArray();
        QStringList shown, proposed;
        for (const QJsonValue &type : types) {
            shown << u"%1@%2+%3 %4 %5"_s.arg(type[u"id"_s].toString())
                         .arg(type[u"position"_s].toInt())
                         .arg(type[u"length"_s].toInt())
                         .arg(type[u"lines"_s].toInt())
                         .arg(type[u"description"_s].toString());
            for (const QJsonValue &f : type[u"fields"_s].toArray())
                shown << u"%1:%2"_s.arg(f[u"position"_s].toInt())
                             .arg(QStringList{f[u"type"_s].toString(),
                                              QString::number(f[u"length"_s].toInt()),
                                              f[u"format"_s].toString(), f[u"value"_s].toString(),
                                              f[u"trim"_s].toBool() ? u"trim"_s : QString()}
                                      .filter(QRegularExpression(u"."_s))
                                      .join(u' '));
        }
        for (const proposal_test::ProposedLineType &type : proposal.lineTypes) {
            proposed << u"%1@%2+%3 %4 %5"_s.arg(type.id)
                            .arg(type.idPosition)
                            .arg(type.idLength)
                            .arg(type.lines)
                            .arg(type.description);
            proposed << proposal_test::fieldList(type);
        }
        QCOMPARE(shown, proposed);
        QCOMPARE(types[1].toObject().keys().join(u' '),
                 u"confidence description fields first_line id length lines position"_s);
        QCOMPARE(
            types[1][u"fields"_s][0].toObject().keys().join(u' '),
            u"confidence description format guess length position trim type type_name value"_s);

        QStringList rules;
        for (const QJsonValue &rule : result[u"rules"_s].toArray()) {
            rules << QStringList{rule[u"line_type"_s].toString(), rule[u"field"_s].toString(),
                                 rule[u"text"_s].toString()}
                         .join(u'|');
            QCOMPARE(rule.toObject().keys().join(u' '),
                     u"confidence description field guess line_type text"_s);
        }
        QVERIFY(!rules.isEmpty());
        QCOMPARE(rules, proposal_test::ruleTexts(proposal));

        const QJsonObject unread = result[u"unread"_s].toObject();
        QTEST(unread[u"first"_s].toArray(), "unread");
        QCOMPARE(unread[u"count"_s].toInt(), proposal.unreadCount);
        QCOMPARE(unread[u"fields"_s].toArray().size(), proposal.unreadFields.size());
        if (proposal.unreadCount > 0)
            QCOMPARE(unread[u"fields"_s][0][u"line_type"_s].toString(), u"T"_s);
    }

    // A format saved by velkora propose --save is the proposal, row for row, and tests on its
    // file as the proposal does: every typed line, no field error.
    void savedProposal()
    {
        const QString file = home.filePath(u"pagos.txt"_s);
        const Run run = velkora(words(u"--operator ANA propose pagos.txt --key pago --save"_s));
        QCOMPARE(run.code, 0);
        QVERIFY2(run.err.contains(u"Guardado el formato de carga 'PAGO'"_s), qPrintable(run.err));
        QVERIFY2(run.err.contains(u" reglas."_s), qPrintable(run.err));

        const proposal_test::Proposal proposal = proposal_test::propose(file);
        const velkora::formats::LoadFormat expected =
            velkora::proposal::toLoadFormat(proposal, u"PAGO"_s);
        std::optional<velkora::formats::LoadFormat> saved;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"saved"_s);
            db.setDatabaseName(database());
            QVERIFY(db.open());
            saved = velkora::store::LoadFormatReader(db).read(u"PAGO"_s);
        }
        QSqlDatabase::removeDatabase(u"saved"_s);
        QCOMPARE(sqliteRows(database(),
                            u"SELECT DISTINCT Oper_Alta, Oper_Ult_Modif, Es_Cve_Estado, "
                            "Ly_Inverso FROM Layout WHERE Ly_Cve_Layout = 'PAGO'"_s),
                 QStringList{u"ANA|ANA|AC|NO"_s});
        // Read back, it is the proposal's format, line types, fields and rules: the file's
        // header and control, the batches' controls.
        QVERIFY(saved && !expected.rules.isEmpty());
        QCOMPARE(saved->file, file);
        QVERIFY(*saved == expected);

        // Tested as a stored format on its own file, rules and all: the same lines per line
        // type, clean; the whole output is the report's JSON.
        const Run test = velkora(words(u"test PAGO --json"_s));
        QCOMPARE(test.code, 0);
        QJsonParseError error;
        const QJsonObject result = QJsonDocument::fromJson(test.out.toUtf8(), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(result[u"errors"_s][u"count"_s].toInt(), 0);
        QCOMPARE(result[u"unmatched"_s][u"count"_s].toInt(), 0);
        for (qsizetype t = 0; t < proposal.lineTypes.size(); ++t)
            QCOMPARE(result[u"by_line_type"_s][expected.lineTypes[t].order][u"lines"_s].toInteger(),
                     proposal.lineTypes[t].lines);

        // A file of one kind of line: one line type without an ID, which takes every line.
        const Run single = velkora(words(u"propose movimientos.txt --key mov --save"_s));
        QCOMPARE(single.code, 0);
        QVERIFY(single.out.contains(u"Un solo tipo de línea, sin ID"_s));
        const Run testSingle = velkora(words(u"test MOV"_s));
        QCOMPARE(testSingle.code, 0);
        QVERIFY(testSingle.out.contains(u"Tipo único|30"_s));

        // A number is a key as the screen writes it.
        const Run numbered = velkora(words(u"propose extracto.txt --key 42 --save"_s));
        QCOMPARE(numbered.code, 0);
        const Run test42 = velkora(words(u"test 0042"_s));
        QCOMPARE(test42.code, 1); // the blank line of the file has no line type
        QVERIFY(test42.out.contains(u"Errores de campo|0"_s));
    }

    // velkora script prints the text of the screen's Script byte for byte: the one composition
    // with the services' ScriptRows that the screen calls, every line ended in CR LF.
    void scriptIsTheScreens()
    {
        const Run run = velkora(words(u"script 0001"_s));
        QCOMPARE(run.code, 0);
        QString screens;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"screen"_s);
            db.setDatabaseName(database());
            QVERIFY(db.open());
            velkora::services::ToolServicesImpl tools(u"screen"_s, u"ANA"_s);
            screens = velkora::store::storedFormatScript(
                [] { return std::make_shared<velkora::store::SqlConnection>(u"screen"_s); },
                u"0001"_s,
                [&tools](const QString &select, const QString &table) {
                    return tools.ScriptRows(select, table);
                });
        }
        QSqlDatabase::removeDatabase(u"screen"_s);
        QCOMPARE(run.out, screens);
        QVERIFY(run.out.count(u"\r\n"_s) == run.out.count(u'\n') && run.out.endsWith(u"\r\n"_s));
    }

    // Rules stored with the sample format: velkora test reports each broken rule at its line
    // with its number; export gives the reading of the file line by line.
    void rulesTestAndExport()
    {
        QCOMPARE(
            sqliteRows(database(),
                       u"INSERT INTO Layout_Regla (Ly_Cve_Layout, Lr_ID, Ly_ID, Ld_ID, Lr_Regla, "
                       "Lr_Descripcion) VALUES ('0001', '0001', '0001', NULL, 'PRIMERA', ''), "
                       "('0001', '0002', '0002', NULL, 'longitud 1-2', 'corta')"_s),
            QStringList());
        // What a broken rule reports is the formats library's test; here: the stored rules are
        // the ones velkora test applies, and its report names them.
        const Run text = velkora(words(u"test 0001"_s));
        QCOMPARE(text.code, 1);
        QVERIFY2(text.out.contains(u"|0002\n"_s), qPrintable(text.out));

        const Run lines = velkora(words(u"export 0001 malo.txt --jsonl"_s));
        QCOMPARE(lines.code, 0);
        const QStringList objects = lines.out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(objects.size(), 7);
        const QJsonObject fourth = QJsonDocument::fromJson(objects.at(3).toUtf8()).object();
        QCOMPARE(fourth[u"line"_s].toInt(), 4);
        QCOMPARE(fourth[u"line_type"_s].toString(), u"0002"_s);
        QCOMPARE(fourth[u"errors"_s].toArray().size(), 2); // the date and the length
        const QJsonObject last = QJsonDocument::fromJson(objects.at(6).toUtf8()).object();
        QCOMPARE(last[u"line_type"_s].toString(), QString());
        QCOMPARE(last[u"text"_s].toString(), u"X sin tipo"_s);

        const Run csv = velkora(words(u"export 0001 malo.txt --csv csv"_s));
        QCOMPARE(csv.code, 0);
        QFile movements(home.filePath(u"csv/0001_0002.csv"_s));
        QVERIFY(movements.open(QIODevice::ReadOnly));
        const QList<QByteArray> records = movements.readAll().split('\n');
        QVERIFY(records.first().startsWith("\xEF\xBB\xBFL\xC3\xADnea,0001 Fecha de operaci"));
        QCOMPARE(records.size(), 6); // the titles, four movements and the end
        QVERIFY(QFile::exists(home.filePath(u"csv/0001_otras.csv"_s)));
        QCOMPARE(velkora(words(u"export 0001"_s)).code, 2);

        // --upgrade on a database made before the rules: the table comes back, and only it.
        QFile::copy(database(), home.filePath(u"viejo.db"_s));
        QCOMPARE(sqliteRows(home.filePath(u"viejo.db"_s), u"DROP TABLE Layout_Regla"_s),
                 QStringList());
        const QStringList old{u"--database"_s, home.filePath(u"viejo.db"_s)};
        QCOMPARE(velkora(old + words(u"test 0001"_s)).code, 0);
        // A proposal saved there is saved without its rules, and says so.
        const Run proposed = velkora(old + words(u"propose pagos.txt --key VIEJ --save"_s));
        QCOMPARE(proposed.code, 0);
        QVERIFY2(proposed.err.contains(u"Las reglas propuestas no se guardaron"_s),
                 qPrintable(proposed.err));
        const Run upgrade = velkora(old + words(u"--upgrade"_s));
        QCOMPARE(upgrade.code, 0);
        QVERIFY(upgrade.err.contains(u"added the table Layout_Regla"_s));
        QVERIFY(velkora(old + words(u"--upgrade"_s)).err.contains(u"up to date"_s));
        QCOMPARE(velkora(old + words(u"--upgrade test 0001"_s)).code, 2);
    }
    void passwordsNeverShow_data()
    {
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("shown"); // what the message says of the database instead
        QTest::newRow("PostgreSQL URL")
            << u"postgresql://ventas:"_s + Secret + u"@127.0.0.1:1/velkora"_s
            << u"ventas@127.0.0.1:1"_s;
        QTest::newRow("ODBC string") << u"odbc:Driver=FreeTDS;Server=127.0.0.1;Port=1;Database="
                                        "velkora;UID=sa;PWD="_s +
                                            Secret + u";TDS_Version=7.4"_s
                                     << u"PWD=***"_s;
        QTest::newRow("ODBC braces")
            << u"odbc:Driver=FreeTDS;Server=127.0.0.1;Port=1;UID=sa;Password={"_s + Secret +
                   u";x}"_s
            << u"Password=***"_s;
    }
    void passwordsNeverShow()
    {
        QFETCH(QString, location);
        QFETCH(QString, shown);
        for (const QString &command : {u"test 0001"_s, u"script 0001"_s, u"--init test 0001"_s}) {
            const Run run = velkora(QStringList{u"--database"_s, location} + words(command));
            const QString output = run.out + run.err;
            QCOMPARE(run.code, 2); // the database cannot be reached
            QVERIFY2(!output.contains(Secret), qPrintable(output));
            QVERIFY2(output.contains(shown), qPrintable(output));
        }
    }

    void sqlFieldsAreShownNotRun()
    {
        // A database of its own, whose sample gets a field that is an SQL expression that would
        // empty the table if it were run.
        const QString database = home.filePath(u"sql/velkora.db"_s);
        QCOMPARE(velkora({u"--database"_s, database, u"test"_s, u"0001"_s}).code, 0);
        QCOMPARE(sqliteRows(database,
                            u"INSERT INTO Layout_Detalle (Ly_Cve_Layout, Ly_ID, Ld_ID, "
                            "Ld_Descripcion, Ld_Posicion, Ld_Longitud, Ld_Trim, Ld_Valor, "
                            "Ld_Formato, Ld_Tipo) VALUES ('0001', '0001', '0099', 'Borrar', 2, 3, "
                            "'NO', 'DELETE FROM Layout_Detalle WHERE ''?'' <> ''''', '', '05')"_s),
                 QStringList());
        const Run run = velkora({u"--database"_s, database, u"test"_s, u"0001"_s});
        QVERIFY2(run.out.contains(u"|DELETE FROM Layout_Detalle WHERE '?' <> ''"_s),
                 qPrintable(run.out));
        // The 13 fields of the sample and the SQL field.
        QCOMPARE(sqliteRows(database, u"SELECT COUNT(*) FROM Layout_Detalle WHERE Ly_Cve_Layout "
                                      "= '0001'"_s),
                 QStringList{u"14"_s});
    }

    // The installed program, moved with its tree, beside the built one.
    void sameAnswersAsBuilt_data()
    {
        QTest::addColumn<QStringList>("arguments"); // <sample>: each program's sample file
        QTest::addColumn<bool>("shared"); // one database, made by the built program, for both
        QTest::addColumn<int>("code");
        QTest::newRow("test on a new database") << words(u"test 0001"_s) << false << 0;
        QTest::newRow("test of a file with errors")
            << words(u"test 0001 malo.txt --json"_s) << false << 1;
        QTest::newRow("test of the installed sample file")
            << words(u"test 0001 <sample>"_s) << false << 0;
        // The script carries the time the sample was stored: one database for both.
        QTest::newRow("script") << words(u"script 0001"_s) << true << 0;
        QTest::newRow("help") << words(u"--help"_s) << false << 0;
        QTest::newRow("version") << words(u"--version"_s) << false << 0;
    }
    void sameAnswersAsBuilt()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, shared);
        QFETCH(int, code);
        QFile sample(installedSample());
        QVERIFY2(sample.open(QIODevice::ReadOnly), qPrintable(sample.fileName()));
        const QByteArray bad = sample.readAll().replace("D20261203", "D20261303") + "X sin tipo\n";

        QTemporaryDir sharedHome;
        const auto database = [](const QTemporaryDir &home) {
            return home.filePath(u"db/velkora.db"_s);
        };
        if (shared)
            QCOMPARE(run(built(), {u"--database"_s, database(sharedHome), u"test"_s, u"0001"_s},
                         sharedHome.path())
                         .code,
                     0);
        QList<Run> runs;
        for (const QString &program : {built(), installed()}) {
            QTemporaryDir ownHome;
            const QTemporaryDir &home = shared ? sharedHome : ownHome;
            QFile malo(home.filePath(u"malo.txt"_s));
            QVERIFY(malo.open(QIODevice::WriteOnly) && malo.write(bad) == bad.size());
            malo.close();
            // The built program tests the file it wrote beside its new database.
            const QString sampleFile =
                program == built() ? home.filePath(u"db/extracto_0001.txt"_s) : installedSample();
            QStringList args{u"--database"_s, database(home)};
            for (const QString &argument : arguments)
                args << (argument == u"<sample>"_s ? sampleFile : argument);
            Run result = run(program, args, home.path());
            for (QString *text : {&result.out, &result.err}) {
                if (arguments.contains(u"<sample>"_s))
                    text->replace(sampleFile, u"<sample>"_s);
                text->replace(home.path(), u"<home>"_s);
                text->replace(program, u"<velkora>"_s);
            }
            runs << result;
        }
        QCOMPARE(runs.at(0).code, code);
        QCOMPARE(runs.at(1).code, runs.at(0).code);
        QCOMPARE(runs.at(1).out, runs.at(0).out);
        QCOMPARE(runs.at(1).err, runs.at(0).err);
    }

    void schemaScriptOfAnEmptyServerDatabase()
    {
        // A server database without the tables: the administrator is sent to the installed
        // script, where the built program names the one in the source tree.
        kesta::test::PgServer &server = kesta::test::PgServer::instance();
        if (!server.ok() && kesta::test::skipPostgres()) {
            kesta::test::warnPostgresSkipped(server.error());
            QSKIP("POSTGRESQL TEST SKIPPED (KESTA_SKIP_POSTGRES=1)");
        }
        QVERIFY2(server.ok(), qPrintable(server.error()));
        const QStringList arguments{u"--database"_s, server.url(server.createDatabase()), u"test"_s,
                                    u"0001"_s};
        const QString home = this->home.filePath(u"server"_s);
        QVERIFY(QDir().mkpath(home));
        const Run fromInstalled = run(installed(), arguments, home);
        const QString script = prefix + u"/share/velkora/db/postgresql.sql"_s;
        QCOMPARE(fromInstalled.code, 2);
        QVERIFY2(fromInstalled.err.contains(u"administrator run %1 on it, or start velkora with "
                                            "--init"_s.arg(script)),
                 qPrintable(fromInstalled.err));
        QVERIFY(QFileInfo(script).isFile());
        const Run fromBuilt = run(built(), arguments, home);
        QVERIFY2(fromBuilt.err.contains(u"administrator run db/postgresql.sql on it"_s),
                 qPrintable(fromBuilt.err));
        // A server database makes no folder of the user's.
        QVERIFY(!QFileInfo::exists(home + u"/data"_s));
    }

    void installedPluginIsLoaded()
    {
        ScreenProcess screen;
        startScreen(screen);
        const auto plugin = [&screen] {
            const QStringList files = mappedFiles(screen);
            for (const QString &file : files)
                if (file.endsWith(u"/libKESTA.so"_s))
                    return file;
            return QString();
        };
        QTRY_VERIFY_WITH_TIMEOUT(!plugin().isEmpty() || screen.state() != QProcess::Running, 60000);
        const QString loaded = plugin();
        QVERIFY2(!loaded.isEmpty(), screen.readAllStandardError().constData());
        QVERIFY2(QRegularExpression(u"^%1/lib/[^/]+/velkora/plugins/libKESTA\\.so$"_s.arg(
                                        QRegularExpression::escape(prefix)))
                     .match(loaded)
                     .hasMatch(),
                 qPrintable(loaded));

        // The installed private libraries are the ones in use, all of them (those of the
        // plugin are mapped with it, a moment after it)...
        const QString privateDir = QDir::cleanPath(QFileInfo(loaded).absolutePath() + u"/.."_s);
        const QStringList installedLibraries = QDir(privateDir).entryList({u"*.so"_s}, QDir::Files);
        QVERIFY(!installedLibraries.isEmpty());
        const auto inUse = [&] {
            QSet<QString> names;
            for (const QString &file : mappedFiles(screen))
                if (QFileInfo(file).absolutePath() == privateDir)
                    names << QFileInfo(file).fileName();
            return names;
        };
        QTRY_COMPARE_WITH_TIMEOUT(
            inUse(), QSet<QString>(installedLibraries.cbegin(), installedLibraries.cend()), 10000);
        // ...and nothing comes from the build or source tree.
        const QString source = QDir(QStringLiteral(KESTA_SOURCE_DIR)).canonicalPath();
        for (const QString &file : mappedFiles(screen))
            QVERIFY2(!file.startsWith(buildDir + u'/') && !file.startsWith(source + u'/'),
                     qPrintable(file));
    }

    void searchesOnlyItsOwnTree()
    {
        // Without its plugin the installed program says where it looked: only in its own tree.
        const QStringList multiarch =
            QDir(prefix + u"/lib"_s).entryList({u"*"_s}, QDir::Dirs | QDir::NoDotAndDotDot);
        QCOMPARE(multiarch.size(), 1);
        const QString folder = prefix + u"/lib/%1/velkora/plugins"_s.arg(multiarch.first());
        QVERIFY(QDir().rename(folder, folder + u".away"_s));
        auto restore = qScopeGuard([&folder] { QDir().rename(folder + u".away"_s, folder); });

        ScreenProcess screen;
        startScreen(screen);
        QByteArray err;
        QTRY_VERIFY_WITH_TIMEOUT((err += screen.readAllStandardError()).contains("searched: ") ||
                                     screen.state() != QProcess::Running,
                                 60000);
        const QRegularExpressionMatch searched =
            QRegularExpression(u"is not installed \\(searched: (.*)\\)\\."_s)
                .match(QString::fromUtf8(err));
        QVERIFY2(searched.hasMatch(), err.constData());
        const QStringList paths = searched.captured(1).split(u", "_s);
        QVERIFY(!paths.isEmpty());
        for (const QString &path : paths)
            QVERIFY2(QDir::cleanPath(path).startsWith(prefix + u'/'), qPrintable(path));
    }

    void manualAgreesWithHelp()
    {
        QProcess gzip;
        gzip.start(u"gzip"_s, {u"-dc"_s, prefix + u"/share/man/man1/velkora.1.gz"_s});
        QVERIFY(gzip.waitForFinished() && gzip.exitCode() == 0);
        const QString manual = QString::fromUtf8(gzip.readAllStandardOutput());
        QVERIFY(manual.contains(u".SH OPTIONS"_s));
        const QString home = this->home.filePath(u"help"_s);
        QVERIFY(QDir().mkpath(home));
        const Run help = run(installed(), {u"--help"_s}, home);
        QCOMPARE(help.code, 0);
        const QStringList helpLines = help.out.split(u'\n');

        // Options: "  -h, --help  ..." in the help, ".BR \-h ", " \-\-help" in the manual.
        QSet<QString> helpOptions;
        static const QRegularExpression optionLine(uR"(^  (-[\w-]+(?:, -[\w-]+)*))"_s);
        for (const QString &line : helpLines)
            if (const auto m = optionLine.match(line); m.hasMatch())
                for (const QString &name : m.captured(1).split(u", "_s))
                    helpOptions << name;
        QStringList manualOptions = manualEntries(manual, u"OPTIONS"_s);
        manualOptions.replaceInStrings(u"\\-"_s, u"-"_s);
        QCOMPARE(matches(manualOptions, QRegularExpression(uR"((?<![\w-])(--?[a-z][\w-]*))"_s)),
                 helpOptions);

        // Commands: the usage line "[test KEY ... | script KEY | propose FILE ...]" and the
        // COMMANDS entries.
        const QString usage = helpLines.first();
        QVERIFY2(usage.startsWith(u"Usage: "_s), qPrintable(usage));
        const QSet<QString> helpCommands =
            matches({usage}, QRegularExpression(uR"((?:\[|\| )([a-z]+) [A-Z])"_s));
        QCOMPARE(helpCommands, (QSet<QString>{u"test"_s, u"script"_s, u"propose"_s, u"export"_s}));
        QCOMPARE(matches(manualEntries(manual, u"COMMANDS"_s),
                         QRegularExpression(uR"(^\.B\w*\s+([a-z]+))"_s)),
                 helpCommands);

        // The environment variables the help names are all in the manual.
        const QSet<QString> helpVariables =
            matches(helpLines, QRegularExpression(uR"(\b(VELKORA_[A-Z_]+))"_s));
        QVERIFY(!helpVariables.isEmpty());
        const QSet<QString> manualVariables = matches(manualEntries(manual, u"ENVIRONMENT"_s),
                                                      QRegularExpression(uR"(([A-Z][A-Z_]+))"_s));
        QVERIFY2(manualVariables.contains(helpVariables),
                 qPrintable(QStringList(helpVariables.cbegin(), helpVariables.cend()).join(u' ')));

        // The version the program prints is the one on the manual's title line.
        const Run version = run(installed(), {u"--version"_s}, home);
        const QRegularExpressionMatch title =
            QRegularExpression(u"^\\.TH VELKORA 1 \"[^\"]*\" \"([^\"]+)\""_s,
                               QRegularExpression::MultilineOption)
                .match(manual);
        QVERIFY(title.hasMatch());
        QCOMPARE(version.out, title.captured(1) + u'\n');
        QVERIFY(QRegularExpression(u"^velkora \\d+\\.\\d+"_s).match(version.out).hasMatch());
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
