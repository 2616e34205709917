#include "CommandLine.h"

#include "DatabaseSetup.h"
#include "ProposalSave.h"

#include "formats/FileExport.h"
#include "formats/FormatsError.h"
#include "store/LoadFormatReader.h"
#include "store/StoredFormat.h"
#include "store/StoredTestTarget.h"
#include "host/RuntimeError.h"
#include "proposal/Proposal.h"
#include "store/Database.h"
#include "store/SchemaUpgrade.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>

namespace velkora::app {

namespace {

void write(std::FILE *to, const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to);
    std::fflush(to);
}

void fail(std::FILE *err, const QString &reason)
{
    write(err, "velkora: " + reason.toUtf8() + '\n');
}

int runTest(const AppOptions &options, const QSqlDatabase &db, std::FILE *out, std::FILE *err)
{
    formats::TestOptions testOptions;
    if (options.json)
        testOptions.detailLines = 0; // nothing per line: the summary and the lists
    // A file named on the command line is taken from the current folder.
    const QString file =
        options.file.isEmpty() ? QString() : QDir::current().absoluteFilePath(options.file);
    const formats::TestReport report = store::testStoredFormat(db, options.key, file, testOptions);
    if (options.json)
        write(out, formats::reportJson(report));
    else if (report.ran)
        write(out, formats::reportText(report, QStringLiteral("|")).toUtf8());
    if (!report.ran)
        fail(err, report.error);
    return report.exitCode();
}

int runScript(const AppOptions &options, const QSqlDatabase &db, std::FILE *out, std::FILE *err)
{
    try {
        if (!store::LoadFormatReader(db).read(options.key)) {
            fail(err, QStringLiteral("No existe el formato de carga '%1'.").arg(options.key));
            return 2;
        }
        write(out, store::storedFormatScript(db, options.key).toUtf8());
        return 0;
    } catch (const formats::FormatsError &error) {
        fail(err, error.text());
        return 2;
    }
}

// The test's reading of a file, for other tools: CSV files per line type, or JSON Lines.
int runExport(const AppOptions &options, const QSqlDatabase &db, std::FILE *out, std::FILE *err)
{
    const store::StoredTestTarget target = store::storedTestTarget(
        db, options.key,
        options.file.isEmpty() ? QString() : QDir::current().absoluteFilePath(options.file));
    if (!target.ok) {
        fail(err, target.error);
        return 2;
    }
    formats::ExportOutcome outcome;
    if (options.jsonl) {
        QFile output;
        if (!output.open(out, QIODevice::WriteOnly)) {
            fail(err, output.errorString());
            return 2;
        }
        outcome = formats::exportJsonLines(target.format, target.path, output);
    } else {
        outcome = formats::exportCsv(target.format, target.path,
                                     QDir::current().absoluteFilePath(options.csvDir));
        for (const QString &file : outcome.files)
            write(out, file.toUtf8() + '\n');
    }
    if (!outcome.ok) {
        fail(err, outcome.error);
        return 2;
    }
    return 0;
}

// Adds what an older database lacks, and says what was done.
int runUpgrade(const QString &connection, std::FILE *err)
{
    const QString done = store::upgradeSchema(connection);
    write(err, "velkora: " +
                   (done.isEmpty() ? QStringLiteral("the database is up to date; nothing was "
                                                    "changed")
                                   : done)
                       .toUtf8() +
                   '\n');
    return 0;
}

// Proposes a load format from the file and prints it; with --save, stores it under the key
// on the connection (which is then open).
int runPropose(const AppOptions &options, const QString &connection, std::FILE *out, std::FILE *err)
{
    // A file named on the command line is taken from the current folder.
    const QString file = QDir::current().absoluteFilePath(options.file);
    proposal::Proposal proposal;
    QString error;
    if (!proposal::proposeFromFile(file, &proposal, &error)) {
        fail(err, error);
        return 2;
    }
    write(out, options.json ? proposal::toJson(proposal) : proposal::toText(proposal).toUtf8());
    if (!options.save)
        return 0;
    const SaveOutcome saved = saveProposal(connection, options.key, proposal, options.operatorCode);
    if (saved.status != SaveOutcome::Saved) {
        fail(err, saved.message);
        return saved.status == SaveOutcome::Failed ? 2 : 3;
    }
    write(err, "velkora: " + saved.message.toUtf8() + '\n');
    return 0;
}

} // namespace

int runCommand(const AppOptions &options, std::FILE *out, std::FILE *err)
{
    // A proposal that is only printed needs no database.
    if (options.command == AppOptions::Command::Propose && !options.save)
        return runPropose(options, QString(), out, err);
    const QString connection = QString::fromLatin1(store::DefaultConnectionName);
    qputenv("VELKORA_DATABASE", options.database.toUtf8());
    qputenv("VELKORA_OPERATOR", options.operatorCode.toUtf8());
    int code = 2;
    try {
        const DatabaseSetup::Result setup =
            DatabaseSetup::open(connection, options.database, options.initialise);
        if (setup.created)
            write(err, QStringLiteral("velkora: created the database %1 with a sample load format "
                                      "(key 0001) and its sample file in %2\n")
                           .arg(store::displayLocation(options.database), setup.sampleDir)
                           .toUtf8());
        const QSqlDatabase db = QSqlDatabase::database(connection, false);
        if (options.command == AppOptions::Command::Propose)
            code = runPropose(options, connection, out, err);
        else if (options.command == AppOptions::Command::Test)
            code = runTest(options, db, out, err);
        else if (options.command == AppOptions::Command::Export)
            code = runExport(options, db, out, err);
        else if (options.command == AppOptions::Command::Upgrade)
            code = runUpgrade(connection, err);
        else
            code = runScript(options, db, out, err);
    } catch (const kesta::host::RuntimeError &error) {
        fail(err, error.description());
        code = 2;
    }
    store::closeDatabase(connection);
    return code;
}

int answerOnTerminal(const AppOptions &options)
{
    if (options.help) {
        std::fputs(qPrintable(AppOptions::helpText()), stdout);
        return 0;
    }
    if (options.version) {
        std::fputs(qPrintable(AppOptions::versionText()), stdout);
        return 0;
    }
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "velkora: %s\n%s", qPrintable(options.error),
                     qPrintable(AppOptions::helpText()));
        return 2;
    }
    return runCommand(options, stdout, stderr);
}

void nameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("velkora"));
    QCoreApplication::setOrganizationName(QStringLiteral("Velkora"));
}

} // namespace velkora::app
