// Loading a large load format by key: how long the load and the field-grid refill take, and
// the process's peak memory. Run: build/bin/bench_load [fields] (default 5000 and 20000).
//
// Prints one line per size: fields, line types, median load ms, median refill ms, peak RSS.

#include "load/LoadFixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>

using namespace kesta::test;

namespace {

long peakRssKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void fill(const TestDatabase &db, int lines, int fieldsPerLine)
{
    QSqlDatabase conn = QSqlDatabase::database(db.connectionName());
    conn.transaction();
    for (int l = 1; l <= lines; ++l) {
        LineRow line;
        line.key = QStringLiteral("9000");
        line.id = QStringLiteral("%1").arg(l, 4, 10, QLatin1Char('0'));
        line.lineId = QString::number(l);
        insertLine(db, line);
        for (int f = 1; f <= fieldsPerLine; ++f) {
            FieldRow field;
            field.key = line.key;
            field.lineId = line.id;
            field.id = QStringLiteral("%1").arg(f, 4, 10, QLatin1Char('0'));
            field.description = QStringLiteral("Campo %1 de la línea %2").arg(f).arg(l);
            field.position = f * 10;
            field.length = 10;
            field.tipo = QStringLiteral("0%1").arg(1 + f % 5);
            insertField(db, field);
        }
    }
    conn.commit();
}

void run(int fields)
{
    const int lines = 10;
    TestDatabase db;
    if (!db.ok()) {
        std::fprintf(stderr, "no database: %s\n", qPrintable(db.error()));
        return;
    }
    fill(db, lines, fields / lines);
    LoadScreen screen(db.connectionName());

    std::vector<double> loads, refills;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer timer;
        timer.start();
        screen.screen->txtClave->setText(QStringLiteral("9000"));
        screen.screen->txtClave_Enter();
        loads.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        if (screen.store().count() != fields || !screen.record->messages.isEmpty()) {
            std::fprintf(stderr, "the load did not complete (%d fields)\n", screen.store().count());
            return;
        }
        timer.restart();
        screen.screen->ssLinea->setCurrentRow(lines - 1);
        screen.screen->RellenaDetalle(QString::number(lines - 1));
        refills.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::printf("fields=%d lines=%d load_ms=%.1f refill_ms=%.1f field_grid_rows=%d peak_rss_kb=%ld\n",
                fields, lines, median(loads), median(refills), screen.screen->ssDetalle->Rows(),
                peakRssKb());
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc > 1) {
        run(QString::fromLocal8Bit(argv[1]).toInt());
    } else {
        run(5000);
        run(20000);
    }
    return 0;
}
