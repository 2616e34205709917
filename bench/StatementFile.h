#pragma once

// A deterministic bank-statement file for the throughput benchmark, the layout of
// formats_test::bankStatement(), its records written by samples/BankStatement.h; every 25,000th
// movement has an operation date that does not exist, as an incoming file now and then does.

#include "samples/BankStatement.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstdio>

namespace kesta::bench {

namespace statement {

using namespace samples;

// Whole statements from a seed (SplitMix64: the same seed, the same records): accounts of 5 to
// 60 movements, a third of them followed by one or two concepts, a few holders with accents;
// every `badDateEvery`-th movement (0: none) has an operation date in month 13.
class StatementMaker {
public:
    explicit StatementMaker(int badDateEvery = 0) : m_badDateEvery(badDateEvery) {}

    // The next account's records, from its header to its end.
    QStringList account()
    {
        static const char *const names[] = {"ALIMENTOS DEL NORTE SA", "TRANSPORTES RIVERA SL",
                                            "GARCIA LOPEZ MARIA",     "CONSTRUCCIONES IBARRA SA",
                                            "FERRETERIA EL CLAVO",    "DISTRIBUIDORA DEL SUR",
                                            "HERNANDEZ RUIZ PEDRO",   "SERVICIOS MEDICOS SC",
                                            "MUÑOZ PEÑA JOSÉ",        "CAMPOS ÁLVAREZ INÉS"};
        static const char *const concepts[] = {"TRANSFERENCIA RECIBIDA", "PAGO DE NOMINA",
                                               "RECIBO DE LUZ",          "COMISION MANTENIMIENTO",
                                               "CHEQUE COBRADO",         "DEPOSITO EN EFECTIVO",
                                               "CARGO TARJETA",          "DOMICILIACION SEGURO"};
        const Account a{number(below(10000), 4), number(below(10000), 4),
                        number(qint64(next() % 10000000000ULL), 10)};
        const QString month = number(1 + below(12), 2);
        qint64 balance = qint64(next() % 5000000000ULL);
        const int holder = below(50) == 0 ? 8 + below(2) : below(8);
        QStringList lines{accountHeader(a, u"26"_s + month + u"01"_s, u"26"_s + month + u"28"_s,
                                        balance, QString::fromUtf8(names[holder]))};
        int debits = 0, credits = 0;
        qint64 debit = 0, credit = 0;
        for (int n = 5 + below(56); n > 0; --n) {
            Movement m;
            m.debit = below(3) != 0;
            m.amount = 100 + qint64(next() % 250000000ULL);
            const int day = 1 + below(28);
            const bool bad = m_badDateEvery > 0 && ++m_movements % m_badDateEvery == 0;
            m.date = u"26"_s + (bad ? u"13"_s : month) + number(day, 2);
            m.valueDate = u"26"_s + month + number(std::min(28, day + below(3)), 2);
            m.common = 1 + below(17);
            m.own = below(1000);
            m.document = qint64(next() % 10000000000ULL);
            m.reference1 = u"REF"_s + number(qint64(next() % 1000000000ULL), 9);
            m.reference2 = QString::fromUtf8(concepts[below(8)]);
            lines << movement(a, m);
            if (m.debit) {
                ++debits;
                debit += m.amount;
            } else {
                ++credits;
                credit += m.amount;
            }
            for (int e = 1, extra = below(10) < 3 ? 1 + below(2) : 0; e <= extra; ++e)
                lines << complementary(e, QString::fromUtf8(concepts[below(8)]),
                                       QString::fromUtf8(names[below(8)]));
        }
        balance += credit - debit;
        lines << accountEnd(a, debits, debit, credits, credit, balance);
        return lines;
    }

private:
    quint64 next()
    {
        quint64 z = (m_seed += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    int below(int n) { return int(next() % quint64(n)); }

    int m_badDateEvery;
    quint64 m_seed = 20261231;
    qint64 m_movements = 0;
};

} // namespace statement

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
    statement::StatementMaker maker(25000);
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
