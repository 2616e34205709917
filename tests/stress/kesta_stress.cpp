// One of several processes that save, load, deactivate and reactivate a few load formats on one
// shared database at the same time, through the component's own writer and statements. It
// prints one line per committed save ("COMMITTED key mark lines"), one per failure
// ("FAIL op key reason"), and a summary ("SUMMARY saves=.. conflicts=.. ...").
//
//   kesta_stress --database LOCATION --worker N --seconds S [--keys K]

#include "host/RuntimeError.h"
#include "store/Database.h"
#include "store/SqlConnection.h"
#include "store/LoadFormatWriter.h"
#include "store/Statements.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSet>

#include <cstdio>

using namespace kesta;

namespace {

struct Counts {
    int saves = 0, conflicts = 0, errors = 0, loads = 0, inconsistent = 0, states = 0;
};

void say(const QString &line)
{
    std::fprintf(stdout, "%s\n", qUtf8Printable(line));
    std::fflush(stdout);
}

// A load as the screen does it: both tables from one snapshot. Every row must belong to one
// version: one mark, no line number twice, every field on a line of the version.
void load(const std::shared_ptr<host::Connection> &c, const QString &key, Counts &counts)
{
    c->BeginTrans();
    try {
        QStringList marks, lines;
        auto rows = c->Execute(storage::loadHeaderSelect(c->engine(), key));
        for (; !rows->EndOfSet(); rows->MoveNext()) {
            marks << rows->Field(QStringLiteral("Ly_Descripcion")).toString();
            lines << rows->Field(QStringLiteral("Ly_ID")).toString();
        }
        rows->Close();
        auto fields = c->Execute(storage::loadDetailSelect(c->engine(), key));
        for (; !fields->EndOfSet(); fields->MoveNext()) {
            marks << fields->Field(QStringLiteral("Ld_Descripcion")).toString();
            if (!lines.contains(fields->Field(QStringLiteral("Ly_ID")).toString()))
                marks << QStringLiteral("(a field of no line)");
        }
        fields->Close();
        c->CommitTrans();
        ++counts.loads;
        if (QSet<QString>(marks.begin(), marks.end()).size() > 1 ||
            QSet<QString>(lines.begin(), lines.end()).size() != lines.size()) {
            ++counts.inconsistent;
            say(QStringLiteral("FAIL load %1 inconsistent: %2").arg(key, marks.join(',')));
        }
    } catch (...) {
        try {
            c->RollbackTrans();
        } catch (const std::exception &) {
        }
        throw;
    }
}

void save(const std::shared_ptr<host::Connection> &c, const QString &key, const QString &mark,
          QRandomGenerator &random)
{
    QList<storage::LayoutLineValues> lines;
    QList<storage::LayoutFieldValues> fields;
    QStringList orders;
    for (int n = 1; n <= 6; ++n) {
        if (random.bounded(2) == 0 && !(n == 6 && orders.isEmpty()))
            continue;
        const QString order = QString::number(n).rightJustified(4, QLatin1Char('0'));
        orders << order;
        storage::LayoutLineValues line;
        line.key = key, line.description = mark, line.file = "f.txt", line.order = order;
        line.lineDescription = mark, line.lineId = order, line.position = "1", line.length = "4";
        line.user3 = "0", line.user4 = "0", line.date5 = "2026-12-06", line.date6 = "2026-12-06";
        line.stamp = "2026-12-06 10:00:00", line.operatorAlta = "W", line.operatorModif = "W";
        lines << line;
        for (int f = 1, count = random.bounded(1, 4); f <= count; ++f) {
            storage::LayoutFieldValues field;
            field.key = key, field.lineId = order, field.id = QString::number(f * 10);
            field.description = mark, field.position = "5", field.length = "2", field.trim = "NO";
            field.tipo = "02";
            fields << field;
        }
    }
    QString sql;
    storage::LoadFormatWriter writer([c] { return c; }, sql);
    writer.write(storage::LoadFormatWriter::Format::Stored, key, lines, fields,
                 [](const QString &) { return true; });
    say(QStringLiteral("COMMITTED %1 %2 %3").arg(key, mark, orders.join(',')));
}

void changeState(const std::shared_ptr<host::Connection> &c, const QString &key, bool deactivate)
{
    c->BeginTrans();
    try {
        c->Execute(
            deactivate
                ? storage::deactivateUpdate(c->engine(), key, "W", "2026-12-06 11:00:00", "W")
                : storage::reactivateUpdate(c->engine(), key, "W", "2026-12-06 11:00:00"));
        c->CommitTrans();
    } catch (...) {
        try {
            c->RollbackTrans();
        } catch (const std::exception &) {
        }
        throw;
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions({{"database", "location", "database"},
                       {"worker", "number", "worker"},
                       {"seconds", "seconds", "seconds"},
                       {"keys", "count", "keys", "3"}});
    parser.process(app);
    const QString name = QStringLiteral("stress");
    try {
        velkora::services::openDatabase(name, parser.value("database"));
    } catch (const host::RuntimeError &error) {
        std::fprintf(stderr, "kesta_stress: %s\n", qUtf8Printable(error.description()));
        return 2;
    }
    const auto connection = std::make_shared<velkora::services::SqlConnection>(name);
    const QString worker = parser.value("worker");
    QRandomGenerator random(worker.toUInt() * 7919u + 17u);
    const int keys = parser.value("keys").toInt();
    Counts counts;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; clock.elapsed() < parser.value("seconds").toLongLong() * 1000; ++i) {
        const QString key =
            QStringLiteral("S%1").arg(random.bounded(keys), 3, 10, QLatin1Char('0'));
        const int dice = random.bounded(100);
        const QString op = dice < 55 ? "save" : dice < 85 ? "load" : "state";
        try {
            if (op == "save") {
                save(connection, key, QStringLiteral("W%1-%2").arg(worker).arg(i), random);
                ++counts.saves;
            } else if (op == "load") {
                load(connection, key, counts);
            } else {
                changeState(connection, key, random.bounded(2) == 0);
                ++counts.states;
            }
        } catch (const host::ConflictError &error) {
            ++counts.conflicts;
            say(QStringLiteral("FAIL %1 %2 conflict: %3")
                    .arg(op, key, error.description().simplified()));
        } catch (const host::RuntimeError &error) {
            ++counts.errors;
            say(QStringLiteral("FAIL %1 %2 error: %3")
                    .arg(op, key, error.description().simplified()));
        }
    }
    say(QStringLiteral("SUMMARY saves=%1 conflicts=%2 errors=%3 loads=%4 inconsistent=%5 states=%6")
            .arg(counts.saves)
            .arg(counts.conflicts)
            .arg(counts.errors)
            .arg(counts.loads)
            .arg(counts.inconsistent)
            .arg(counts.states));
    velkora::services::closeDatabase(name);
    return 0;
}
