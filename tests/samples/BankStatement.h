#pragma once

// The bank statement of 80-character records coded at columns 1-2 (11 account header, 22
// movement, 23 complementary concept, 33 account end, 88 file end), one record at a time: the
// tests' files and the benchmarks' alike.

#include "FixedRecord.h"

#include <cstdlib>

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
                 {u"11"_s, a.bank, a.office, a.number, from, to, balance < 0 ? u"1"_s : u"2"_s,
                  number(std::abs(balance), 14), u"978"_s, u"3"_s, holder});
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

} // namespace samples
