#pragma once

// The bank statement of 80-character records coded at columns 1-2 (11 account header, 22
// movement, 23 complementary concept, 33 account end, 88 file end), one record at a time, and
// whole statements made from a seed: the tests' files and the benchmarks' alike.

#include "FixedRecord.h"

#include <QStringList>
#include <algorithm>
#include <cstdlib>
#include <initializer_list>

namespace samples {

using namespace Qt::StringLiterals;

struct Account {
    QString bank, office, number;
};

struct Movement {
    QString date, valueDate;  // YYMMDD
    int common = 2, own = 15; // the concepts
    bool debit = false;
    qint64 amount = 0; // in cents
    qint64 document = 0;
    QString reference1, reference2;
};

inline QString accountHeader(const Account &a, const QString &from, const QString &to,
                             qint64 balance, const QString &holder)
{
    return fixed(80, {2, 4, 4, 10, 6, 6, 1, 14, 3, 1, 26},
                 {u"11"_s, a.bank, a.office, a.number, from, to, u"2"_s, number(balance, 14),
                  u"978"_s, u"3"_s, holder});
}

inline QString movement(const Account &a, const Movement &m)
{
    return fixed(80, {6, 4, 6, 6, 2, 3, 1, 14, 10, 12, 16},
                 {u"22"_s, a.office, m.date, m.valueDate, number(m.common, 2), number(m.own, 3),
                  m.debit ? u"1"_s : u"2"_s, number(m.amount, 14), number(m.document, 10),
                  m.reference1, m.reference2});
}

inline QString complementary(int code, const QString &first, const QString &second)
{
    return fixed(80, {2, 2, 38, 38}, {u"23"_s, number(code, 2), first, second});
}

inline QString accountEnd(const Account &a, int debits, qint64 debit, int credits, qint64 credit,
                          qint64 balance)
{
    return fixed(80, {2, 4, 4, 10, 5, 14, 5, 14, 1, 14, 3},
                 {u"33"_s, a.bank, a.office, a.number, number(debits, 5), number(debit, 14),
                  number(credits, 5), number(credit, 14), balance < 0 ? u"1"_s : u"2"_s,
                  number(std::abs(balance), 14), u"978"_s});
}

inline QString fileEnd(qint64 records)
{
    return fixed(80, {2, 18, 6}, {u"88"_s, QString(18, u'9'), number(records, 6)});
}

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

} // namespace samples
