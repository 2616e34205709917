#pragma once

// The throughput benchmark's other two file shapes, written deterministically (the same size
// always gives the same bytes; a ".done" mark beside the file says it was written whole):
// - a payment file of 94-character records, the layout of formats_test::paymentFileForRules()
//   (1 file header, 5 batch header, 6 entry, 8 batch control, 9 file control, and block filler
//   lines of nines): batches of 2,000 entries repeated up to the size;
// - a return file of 400-character records with three record types (0 header, 1 detail of 33
//   fields, 9 trailer), returnFormat() below: amounts, counters and dates most of them, every
//   `faultEvery`-th detail with a due date in month 13.

#include "formats/FormatSamples.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdio>
#include <cstring>
#include <functional>

namespace kesta::bench {

// Writes the file with `write` once (nothing when it was written whole before).
inline bool ensureFile(const QString &file, const std::function<bool(QFile &)> &write)
{
    const QString done = file + QStringLiteral(".done");
    if (QFileInfo::exists(done) && QFileInfo::exists(file))
        return true;
    std::printf("writing %s ...\n", qPrintable(file));
    std::fflush(stdout);
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || !write(out) || !out.flush()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return false;
    }
    QFile(done).open(QIODevice::WriteOnly);
    return true;
}

inline bool ensurePaymentFile(const QString &file, qint64 megabytes)
{
    return ensureFile(file, [&](QFile &out) {
        const QStringList lines = formats_test::paymentBatchLines(1, 2000);
        const auto bytes = [](const QString &line) { return line.toLatin1() + '\n'; };
        QByteArray batch; // the batch header, its entries and its control
        qsizetype control = lines.size() - 1;
        while (lines.at(control).startsWith(QLatin1Char('9')))
            --control; // the file control and the fillers after it
        ++control;
        for (qsizetype i = 1; i + 1 < control; ++i)
            batch += bytes(lines.at(i));
        const qint64 target = megabytes << 20;
        qint64 written = out.write(bytes(lines.first()));
        qint64 records = 1;
        while (written + batch.size() < target) {
            if (out.write(batch) != batch.size())
                return false;
            written += batch.size();
            records += control - 2;
        }
        QByteArray tail = bytes(lines.at(control - 1));
        for (++records; records % 10 != 0; ++records)
            tail += QByteArray(94, '9') + '\n';
        return out.write(tail) == tail.size();
    });
}

// The return file's layout: each record type's fields as (length, type, format), one after the
// other from column 2 (the record type stands at column 1).
struct ReturnField {
    int length;
    const char *type;
    const char *format;
};

inline const std::vector<ReturnField> &returnDetailFields()
{
    static const std::vector<ReturnField> fields = [] {
        using formats_test::Fecha, formats_test::Numero, formats_test::Texto;
        std::vector<ReturnField> list;
        for (int block = 0; block < 4; ++block) {
            list.push_back({6, Numero, ""});          // a counter
            list.push_back({20, Texto, ""});          // a name
            list.push_back({15, Numero, "0V00"});     // an amount
            list.push_back({8, Fecha, "YYYYMMDD"});   // a date
            list.push_back({10, Numero, ""});         // a reference number
            list.push_back({12, Texto, ""});          // a code
            list.push_back({13, Numero, "0V00"});     // a tax
            list.push_back({1, Texto, ""});           // a flag
        }
        list.push_back({59, Texto, ""}); // the reserved rest
        return list;
    }();
    return fields;
}

inline velkora::formats::LoadFormat returnFormat()
{
    using namespace formats_test;
    velkora::formats::LoadFormat f;
    f.key = QStringLiteral("DEVO");
    f.description = QStringLiteral("Archivo de devolución");
    f.state = QStringLiteral("AC");
    f.lineTypes = {
        lineType("0001", "0", "Cabecera", 1, 1,
                 {{"0001", "Emisor", 2, 8, Numero},
                  {"0002", "Nombre del emisor", 10, 40, Texto, "", true},
                  {"0003", "Fecha de proceso", 50, 8, Fecha, "YYYYMMDD"},
                  {"0004", "Número de archivo", 58, 6, Numero},
                  {"0005", "Reservado", 64, 337, Texto}}),
        lineType("0002", "1", "Devolución", 1, 1, {}),
        lineType("0003", "9", "Totales", 1, 1,
                 {{"0001", "Registros", 2, 10, Numero},
                  {"0002", "Total", 12, 18, Numero, "0V00"},
                  {"0003", "Reservado", 30, 371, Texto}}),
    };
    int position = 2;
    int number = 1;
    for (const ReturnField &field : returnDetailFields()) {
        f.lineTypes[1].fields << velkora::formats::FieldDef{
            f.lineTypes[1].order,
            QStringLiteral("%1").arg(number, 4, 10, QLatin1Char('0')),
            QStringLiteral("Campo %1").arg(number),
            position,
            field.length,
            QString::fromUtf8(field.type),
            QString(),
            QString::fromUtf8(field.format),
            false};
        position += field.length;
        ++number;
    }
    return f;
}

inline bool ensureReturnFile(const QString &file, qint64 megabytes, int faultEvery = 40000)
{
    return ensureFile(file, [&](QFile &out) {
        std::array<char, 401> line;
        const auto put = [&](int position, quint64 value, int width) {
            for (int i = position - 1 + width - 1; i >= position - 1; --i, value /= 10)
                line[size_t(i)] = char('0' + value % 10);
        };
        const auto text = [&](int position, const char *s, int width) {
            const int n = int(std::strlen(s));
            std::memset(line.data() + position - 1, ' ', size_t(width));
            std::memcpy(line.data() + position - 1, s, size_t(std::min(n, width)));
        };
        QByteArray buffer;
        buffer.reserve(1 << 22);
        line.fill(' ');
        line[400] = '\n';
        line[0] = '0';
        put(2, 41004187, 8);
        text(10, "ENTIDAD EMISORA DE PRUEBA S.A.", 40);
        text(50, "20261207", 8);
        put(58, 17, 6);
        buffer.append(line.data(), 401);
        const qint64 target = megabytes << 20;
        qint64 written = 0;
        quint64 seed = 7;
        quint64 details = 0, total = 0;
        const auto next = [&] {
            seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
            return seed >> 33;
        };
        static const char *const Names[] = {"COMERCIAL ANDINA", "TRANSPORTES DEL SUR",
                                            "PANADERIA LA ESPIGA", "TALLERES UNIDOS"};
        while (written + buffer.size() + 2 * 401 < target) {
            line.fill(' ');
            line[400] = '\n';
            line[0] = '1';
            ++details;
            int position = 2;
            for (const ReturnField &field : returnDetailFields()) {
                const quint64 r = next();
                if (field.type == formats_test::Fecha) {
                    const int month = faultEvery > 0 && details % quint64(faultEvery) == 0
                                          ? 13
                                          : int(1 + r % 12);
                    put(position, 2026, 4);
                    put(position + 4, quint64(month), 2);
                    put(position + 6, 1 + (r >> 8) % 28, 2);
                } else if (field.type == formats_test::Numero) {
                    const quint64 value = r % 1000000000ULL;
                    put(position, value, field.length);
                    if (std::strcmp(field.format, "0V00") == 0)
                        total += value;
                } else if (field.length > 1) {
                    text(position, Names[r % 4], field.length);
                } else {
                    line[size_t(position - 1)] = r % 2 ? 'S' : 'N';
                }
                position += field.length;
            }
            buffer.append(line.data(), 401);
            if (buffer.size() >= (1 << 22)) {
                if (out.write(buffer) != buffer.size())
                    return false;
                written += buffer.size();
                buffer.clear();
            }
        }
        line.fill(' ');
        line[400] = '\n';
        line[0] = '9';
        put(2, details, 10);
        put(12, total % 1000000000000000000ULL, 18);
        buffer.append(line.data(), 401);
        return out.write(buffer) == buffer.size();
    });
}

} // namespace kesta::bench
