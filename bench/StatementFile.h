#pragma once

// A deterministic bank-statement file for the throughput benchmark, the layout of
// formats_test::bankStatement() made by samples::StatementMaker; every 25,000th movement has an
// operation date that does not exist, as an incoming file now and then does.

#include "samples/BankStatement.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <cstdio>

namespace kesta::bench {

// The statement of that many megabytes in the file, written once (the same size always gives
// the same bytes; a ".done" mark beside it says it was written whole). False when it cannot be
// written.
inline bool ensureStatementFile(const QString &file, qint64 megabytes)
{
    const QString done = file + QStringLiteral(".done");
    if (QFileInfo::exists(done) && QFileInfo::exists(file))
        return true;
    std::printf("writing %s ...\n", qPrintable(file));
    std::fflush(stdout);
    QFile out(file);
    bool ok = out.open(QIODevice::WriteOnly | QIODevice::Truncate);
    samples::StatementMaker maker(25000);
    qint64 written = 0, records = 0;
    QByteArray bytes;
    while (ok && written + bytes.size() < (megabytes << 20)) {
        const QStringList account = maker.account();
        for (const QString &line : account)
            bytes += line.toUtf8() + '\n';
        records += account.size();
        if (bytes.size() >= (1 << 22)) {
            ok = out.write(bytes) == bytes.size();
            written += bytes.size();
            bytes.clear();
        }
    }
    ok = ok && out.write(bytes + samples::fileEnd(records + 1).toUtf8() + '\n') > 0 && out.flush();
    if (!ok) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return false;
    }
    QFile(done).open(QIODevice::WriteOnly);
    return true;
}

} // namespace kesta::bench
