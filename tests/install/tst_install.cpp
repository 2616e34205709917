// The installed program: "cmake --install" into a temporary prefix, the tree then moved to
// another folder, and the installed velkora run there as a user would, beside the built one.
// It must give the same answers, load its own plugin and libraries (nothing from the build or
// source tree), and its manual must list what its --help lists.

#include "support/PgServer.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

struct Run {
    int code = -1;
    QString out;
    QString err;
};

// The names each line of a manual section's .TP entries introduces: "\-\-database" and
// "\-h" for OPTIONS, the first word for COMMANDS, "VELKORA_..." for ENVIRONMENT.
QStringList manualEntries(const QString &manual, const QString &section)
{
    QStringList entries;
    const QStringList lines = manual.split(u'\n');
    bool inSection = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines.at(i).startsWith(u".SH "_s))
            inSection = lines.at(i).mid(4).remove(u'"') == section;
        else if (inSection && lines.at(i) == u".TP"_s && i + 1 < lines.size())
            entries << lines.at(i + 1);
    }
    return entries;
}

QSet<QString> matches(const QStringList &lines, const QRegularExpression &pattern)
{
    QSet<QString> found;
    for (const QString &line : lines)
        for (const QRegularExpressionMatch &m : pattern.globalMatch(line))
            found << m.captured(1);
    return found;
}

} // namespace

class TestInstall : public QObject {
    Q_OBJECT
    QTemporaryDir temp;
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

    static Run run(const QString &program, const QStringList &arguments, const QString &home)
    {
        QProcess process;
        // A display platform that does not exist: these runs must need no window.
        process.setProcessEnvironment(environment(home, u"no-such-platform"_s));
        process.setWorkingDirectory(home);
        process.start(program, arguments);
        if (!process.waitForFinished(120000))
            return {};
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2,
                QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    // Opens the installed screen offscreen on a new database in home.
    void startScreen(QProcess &process, const QString &home)
    {
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

    QString installedManual() const
    {
        QProcess gzip;
        gzip.start(u"gzip"_s, {u"-dc"_s, prefix + u"/share/man/man1/velkora.1.gz"_s});
        if (!gzip.waitForFinished() || gzip.exitCode() != 0)
            return {};
        return QString::fromUtf8(gzip.readAllStandardOutput());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(temp.isValid());
        buildDir = QDir(QCoreApplication::applicationDirPath() + u"/.."_s).canonicalPath();
        // The cmake that configured this build tree.
        QFile cache(buildDir + u"/CMakeCache.txt"_s);
        QVERIFY(cache.open(QIODevice::ReadOnly | QIODevice::Text));
        const QRegularExpressionMatch cmake =
            QRegularExpression(u"^CMAKE_COMMAND:INTERNAL=(.+)$"_s,
                               QRegularExpression::MultilineOption)
                .match(QString::fromUtf8(cache.readAll()));
        QVERIFY(cmake.hasMatch());

        const QString staged = temp.filePath(u"staged"_s);
        QProcess install;
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(cmake.captured(1), {u"--install"_s, buildDir, u"--prefix"_s, staged});
        QVERIFY(install.waitForFinished(240000));
        QVERIFY2(install.exitCode() == 0, install.readAll().constData());

        // Run paths relative to the installed files: the tree works wherever it is moved.
        prefix = temp.filePath(u"moved/usr"_s);
        QVERIFY(QDir().mkpath(temp.filePath(u"moved"_s)));
        QVERIFY(QDir().rename(staged, prefix));
    }

    void sameAnswersAsBuilt_data()
    {
        QTest::addColumn<QStringList>("arguments"); // <sample>: each program's sample file
        QTest::addColumn<bool>("shared"); // one database, made by the built program, for both
        QTest::addColumn<int>("code");
        QTest::newRow("test on a new database") << QStringList{u"test"_s, u"0001"_s} << false << 0;
        QTest::newRow("test as JSON")
            << QStringList{u"test"_s, u"0001"_s, u"--json"_s} << false << 0;
        QTest::newRow("test of a file with errors")
            << QStringList{u"test"_s, u"0001"_s, u"malo.txt"_s, u"--json"_s} << false << 1;
        QTest::newRow("test of the installed sample file")
            << QStringList{u"test"_s, u"0001"_s, u"<sample>"_s} << false << 0;
        // The script carries the time the sample was stored: one database for both.
        QTest::newRow("script") << QStringList{u"script"_s, u"0001"_s} << true << 0;
        QTest::newRow("no such key") << QStringList{u"script"_s, u"9999"_s} << false << 2;
        QTest::newRow("help") << QStringList{u"--help"_s} << false << 0;
        QTest::newRow("version") << QStringList{u"--version"_s} << false << 0;
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
        const QString home = temp.filePath(u"server"_s);
        QVERIFY(QDir().mkpath(home));
        const Run fromInstalled = run(installed(), arguments, home);
        const QString script = prefix + u"/share/velkora/db/postgresql.sql"_s;
        QCOMPARE(fromInstalled.code, 2);
        QVERIFY2(fromInstalled.err.contains(u"administrator run %1 on it"_s.arg(script)),
                 qPrintable(fromInstalled.err));
        QVERIFY(QFileInfo(script).isFile());
        const Run fromBuilt = run(built(), arguments, home);
        QVERIFY2(fromBuilt.err.contains(u"administrator run db/postgresql.sql on it"_s),
                 qPrintable(fromBuilt.err));
    }

    void installedPluginIsLoaded()
    {
        QTemporaryDir home;
        QProcess screen;
        startScreen(screen, home.path());
        auto stop = qScopeGuard([&screen] {
            screen.kill();
            screen.waitForFinished();
        });
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

        QTemporaryDir home;
        QProcess screen;
        startScreen(screen, home.path());
        auto stop = qScopeGuard([&screen] {
            screen.kill();
            screen.waitForFinished();
        });
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
        const QString manual = installedManual();
        QVERIFY(manual.contains(u".SH OPTIONS"_s));
        const QString home = temp.filePath(u"help"_s);
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

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
