#pragma once

// The payment file of 94-character records coded at column 1 (1 file header, 5 batch header,
// 6 entry, 7 addenda, 8 batch control, 9 file control), one record at a time.

#include "FixedRecord.h"

namespace samples {

using namespace Qt::StringLiterals;

inline QString paymentHeader()
{
    return fixed(94, {1, 2, 10, 10, 6, 4, 1, 3, 2, 1, 23, 23},
                 {u"1"_s, u"01"_s, u" 076401251"_s, u"1234567890"_s, u"261204"_s, u"1530"_s, u"A"_s,
                  u"094"_s, u"10"_s, u"1"_s, u"BANCO DESTINO"_s, u"EMPRESA ORIGEN"_s});
}

inline QString batchHeader(const QString &service, const QString &entries, const QString &date,
                           qint64 batch)
{
    return fixed(94, {1, 3, 16, 20, 10, 3, 10, 6, 6, 3, 1, 8, 7},
                 {u"5"_s, service, u"EMPRESA ORIGEN"_s, QString(), u"1234567890"_s, u"PPD"_s,
                  entries, u"DIC 26"_s, date, QString(), u"1"_s, u"07640125"_s, number(batch, 7)});
}

struct Entry {
    QString code;
    QString bank; // the receiving bank's routing number and its check digit (columns 4-12)
    QString account;
    qint64 amount = 0; // in cents
    QString id, name;
    bool addenda = false;
    QString trace;
};

inline QString entry(const Entry &e)
{
    return fixed(94, {1, 2, 9, 17, 10, 15, 22, 2, 1, 15},
                 {u"6"_s, e.code, e.bank, e.account, number(e.amount, 10), e.id, e.name, QString(),
                  e.addenda ? u"1"_s : u"0"_s, e.trace});
}

inline QString addenda(const QString &text, qint64 sequence)
{
    return fixed(94, {1, 2, 80, 4, 7}, {u"7"_s, u"05"_s, text, u"0001"_s, number(sequence, 7)});
}

// The numbers of a control record, as written: the entries, their hash, the debit and the
// credit totals.
struct Totals {
    QString entries, hash, debits, credits;
};

inline QString batchControl(const QString &service, const Totals &t, qint64 batch)
{
    return fixed(94, {1, 3, 6, 10, 12, 12, 10, 25, 8, 7},
                 {u"8"_s, service, t.entries, t.hash, t.debits, t.credits, u"1234567890"_s,
                  QString(), u"07640125"_s, number(batch, 7)});
}

// The file control: the batches, the blocks of ten records and the totals of every batch.
inline QString fileControl(const QString &batches, const QString &blocks, const Totals &t)
{
    return fixed(94, {1, 6, 6, 8, 10, 12, 12},
                 {u"9"_s, batches, blocks, t.entries, t.hash, t.debits, t.credits});
}

} // namespace samples
