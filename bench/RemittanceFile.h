#pragma once

// A deterministic remittance return file for the proposal's benchmark, made by the tests' own
// proposal_test::RemittanceMaker (240-character records: 0 file header, 1 batch header, 3
// detail with its segments T and U, 5 batch trailer, 9 file trailer), in batches of 150 titles
// with CR LF line ends; every 40,000th title has a "-" in its net amount, as a producer's file
// now and then does. The same size always gives the same bytes.

#include "proposal/RemittanceSample.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <cstdio>

namespace kesta::bench {

// The remittance return of that many megabytes in the file, written once (a ".done" mark
// beside it says it was written whole). False when it cannot be written.
inline bool ensureRemittanceFile(const QString &file, qint64 megabytes)
{
    const QString done = file + QStringLiteral(".done");
    if (QFileInfo::exists(done) && QFileInfo::exists(file))
        return true;
    std::printf("writing %s ...\n", qPrintable(file));
    std::fflush(stdout);
    proposal_test::RemittanceOptions options;
    options.titles = 150;
    options.seed = 20260717;
    options.faultEvery = 40000;
    proposal_test::RemittanceMaker maker(options);
    const auto bytes = [](const QStringList &lines) {
        return lines.join(QStringLiteral("\r\n")).toUtf8() + "\r\n";
    };
    QFile out(file);
    bool ok = out.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
              out.write(bytes({maker.header()})) > 0;
    int batches = 0;
    for (qint64 written = 0; ok && written < (megabytes << 20);) {
        const QByteArray batch = bytes(maker.batch(++batches));
        ok = out.write(batch) == batch.size();
        written += batch.size();
    }
    if (!ok || out.write(bytes({maker.trailer(batches)})) <= 0 || !out.flush()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return false;
    }
    QFile(done).open(QIODevice::WriteOnly);
    return true;
}

} // namespace kesta::bench
