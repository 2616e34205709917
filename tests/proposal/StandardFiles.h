#pragma once

// Files of public interchange standards, written from their published record layouts, for the
// proposal's test on the next file: each generator writes one sender's file of one day, and a
// `Day` changes what changes from one day or one sender to the next (the routing numbers paid,
// the statement numbers, the account structure, how many records of each kind). Every file
// is made of the standard's own record types, with their codes where the standard puts them.

#include "ProposalSamples.h"

#include <QStringList>

namespace proposal_test {

struct Day {
    quint64 seed = 1;
    int groups = 2;          // batches, statements, lots, creditors' collection dates
    int perGroup = 30;       // detail records of each
    int firstStatement = 1;  // the statement (or file) numbers start here
    QString structure = "2"; // CODA's account structure: 0, 1, 2 or 3
    QStringList routings{"0910", "1210", "0260"}; // the first digits of the banks paid
};

// NACHA (94 characters): 1 file header, 5 batch header, 6 entry detail, 7 addenda, 8 batch
// control, 9 file control, then lines of nines that fill the last block of ten records.
inline QStringList nachaFile(const Day &day)
{
    Random r(day.seed);
    QStringList lines{row(94, {1, "101", 4, " 091000019", 14, "1234567890", 24, "2605201130", 34,
                               "A094101", 41, "FEDERAL RESERVE BANK", 64, "ACME CORPORATION"})};
    qint64 entries = 0, hash = 0, credits = 0;
    for (int b = 0; b < day.groups; ++b) {
        const QString batch = r.number(day.firstStatement + b, 7);
        lines << row(94, {1, "5220ACME CORPORATION", 41, "1234567890PPDPAYROLL   ", 64,
                          "MAY 26260520   1", 80, "09100001" + batch});
        qint64 count = 0, batchHash = 0, batchCredits = 0;
        for (int e = 0; e < day.perGroup; ++e) {
            const QString routing =
                day.routings.at(r.below(int(day.routings.size()))) + r.digits(4);
            const qint64 amount = 100 + r.below(500000);
            const bool addenda = r.below(4) == 0;
            lines << row(94, {1, "6" + r.pick<QString>({"22", "32", "22", "27"}), 4,
                              routing + r.digits(1), 13, r.digits(9), 30, r.number(amount, 10), 40,
                              "EMP" + r.digits(6), 55,
                              r.pick<QString>({"JOHN SMITH", "MARY JONES", "ANA LOPEZ"}), 79,
                              addenda ? "1" : "0", 80, "09100001" + r.number(e + 1, 7)});
            if (addenda)
                lines << row(
                    94, {1, "705", 4, "INVOICE " + r.digits(8), 84, "0001" + r.number(e + 1, 7)});
            count += 1 + (addenda ? 1 : 0);
            batchHash += routing.toLongLong();
            batchCredits += amount;
        }
        lines << row(94, {1, "8220", 5, r.number(count, 6), 11,
                          r.number(batchHash % 10000000000LL, 10), 21, r.number(0, 12), 33,
                          r.number(batchCredits, 12), 45, "1234567890", 80, "09100001" + batch});
        entries += count;
        hash += batchHash;
        credits += batchCredits;
    }
    const qint64 blocks = (qsizetype(lines.size()) + 1 + 9) / 10;
    lines << row(94, {1, "9", 2, r.number(day.groups, 6), 8, r.number(blocks, 6), 14,
                      r.number(entries, 8), 22, r.number(hash % 10000000000LL, 10), 32,
                      r.number(0, 12), 44, r.number(credits, 12)});
    while (lines.size() % 10 != 0)
        lines << QString(94, u'9');
    return lines;
}

// CODA (128 characters): 0 header, 1 old balance, 21/22/23 movement and its continuations,
// 31/32/33 information, 4 free communication, 8 new balance, 9 trailer. The record type is one
// character; records 2 and 3 are told apart by their article (the second).
inline QStringList codaFile(const Day &day)
{
    Random r(day.seed);
    QStringList lines{row(128, {1, "00000200526725", 16, "05", 25, "0000000001ACME NV", 61,
                                "GKCCBEBB", 72, "00412345678", 84, "00000", 128, "2"})};
    qint64 movements = 0, debits = 0, creditTotal = 0;
    for (int s = 0; s < day.groups; ++s) {
        const QString statement = r.number(day.firstStatement + s, 3);
        const QString account = "BE68539007547034 EUR" + QString(17, u' ');
        lines << row(128, {1, "1" + day.structure + statement, 6, account, 43,
                           "0" + r.number(1000000 + r.below(9000000), 15), 59, "190526ACME NV", 91,
                           "COMPTE COURANT", 126, statement});
        for (int m = 0; m < day.perGroup; ++m) {
            const QString seq = r.number(m + 1, 4) + "0000";
            const bool debit = r.below(2) == 0;
            const qint64 amount = 1 + r.below(99999999);
            (debit ? debits : creditTotal) += amount;
            lines << row(
                128,
                {1,   "21" + seq,
                 11,  "EBA" + r.digits(10) + "BKTRFBE",
                 32,  debit ? "1" : "0",
                 33,  r.number(amount, 15),
                 48,  r.below(3) == 0 ? "000000" : r.pick<QString>({"180526", "190526", "200526"}),
                 54,  "00150000",
                 62,  "0",
                 63,  "FACTURE " + r.digits(6),
                 116, "200526" + statement + "01",
                 128, "0"});
            lines << row(128, {1, "22" + seq, 11, "REF " + r.digits(8), 64, "CLIENT" + r.digits(6),
                               99, "GEBABEBB", 126, "1", 128, "0"});
            lines << row(128, {1, "23" + seq, 11, "BE" + r.digits(14), 48,
                               r.pick<QString>({"DUPONT SA", "JANSSENS BV", "PEETERS"}), 126, "0",
                               128, "0"});
            ++movements;
            if (r.below(3) == 0) {
                lines << row(128,
                             {1, "31" + seq, 11, "EBA" + r.digits(10) + "BKTRFBE", 32, "001500001",
                              41, "INFORMATION " + r.digits(5), 126, "1", 128, "0"});
                lines << row(128, {1, "32" + seq, 11, "RUE DE LA LOI 16", 126, "0"});
                lines << row(128, {1, "33" + seq, 11, "1000 BRUXELLES", 126, "0"});
            }
        }
        lines << row(128, {1, "4 " + r.number(day.perGroup + 1, 4) + "0000", 33,
                           "COMMUNICATION LIBRE", 128, "0"});
        lines << row(128, {1, "8" + statement, 5, account, 42,
                           "0" + r.number(2000000 + r.below(9000000), 15), 58, "200526", 128, "0"});
    }
    lines << row(128, {1, "9", 17, r.number(qsizetype(lines.size()) - 1, 6), 23,
                       r.number(debits, 15), 38, r.number(creditTotal, 15), 128, "2"});
    return lines;
}

// Cuaderno 19.14 (600 characters), direct debits: 01 presenter header, 02 creditor header of
// a collection date, 03 debit, 04 creditor's total of the date, 05 creditor's total, 99 file
// total. Records 04 and 05 start with the creditor's identifier ("ES...").
inline QStringList cuaderno19File(const Day &day)
{
    Random r(day.seed);
    const QString creditor = "ES12000B12345678";
    QStringList lines{row(600, {1, "0119143001", 11, creditor, 46, "EMPRESA DE EJEMPLO SL", 116,
                                "20260520", 124, "PRE2026052010300012345", 159, "21000418"})};
    qint64 allTotal = 0, allDebits = 0, allRecords = 1;
    qint64 creditorTotal = 0, creditorDebits = 0, creditorRecords = 0;
    for (int g = 0; g < day.groups; ++g) {
        const QString date = r.pick<QString>({"20260601", "20260605", "20260610"});
        lines << row(600, {1, "0219143002", 11, creditor, 46, date, 54, "EMPRESA DE EJEMPLO SL",
                           124, "CALLE MAYOR 1", 264, "ES", 266, "ES7621000418401234567891"});
        qint64 total = 0;
        for (int d = 0; d < day.perGroup; ++d) {
            const qint64 amount = 100 + r.below(9999900);
            total += amount;
            lines << row(600, {1,   "0319143003",
                               11,  "RECIBO" + r.digits(10),
                               46,  "MANDATO" + r.digits(8),
                               81,  r.pick<QString>({"RCUR", "FRST"}),
                               89,  r.number(amount, 11),
                               100, "2024" + r.pick<QString>({"0115", "0302", "1120"}),
                               108, r.pick<QString>({"CAIXESBBXXX", "BSCHESMMXXX"}),
                               119, r.pick<QString>({"JUAN PEREZ", "ANA GARCIA", "LUIS RUIZ"}),
                               329, "ES",
                               403, "AES" + r.digits(22),
                               442, "CUOTA MENSUAL"});
        }
        lines << row(600, {1, "04", 3, creditor, 38, date, 46, r.number(total, 17), 63,
                           r.number(day.perGroup, 8), 71, r.number(day.perGroup + 2, 10)});
        creditorTotal += total;
        creditorDebits += day.perGroup;
        creditorRecords += day.perGroup + 2;
    }
    lines << row(600, {1, "05", 3, creditor, 38, r.number(creditorTotal, 17), 55,
                       r.number(creditorDebits, 8), 63, r.number(creditorRecords + 1, 10)});
    allTotal += creditorTotal;
    allDebits += creditorDebits;
    allRecords += creditorRecords + 2;
    lines << row(600, {1, "99", 3, r.number(allTotal, 17), 20, r.number(allDebits, 8), 28,
                       r.number(allRecords, 10)});
    return lines;
}

// Bacs Standard 18: the labels VOL1, HDR1, HDR2, UHL1 (80 characters), the data records (100
// characters: destination sort code 1-6, account 7-14, account type 15, transaction code 16-17
// (99 a credit), originating sort code and account 18-31, amount in pence 36-46, user's name,
// reference and destination's name of 18 each from 47), the contra, then EOF1, EOF2 and UTL1
// (debit and credit totals, debit and credit counts). Data records carry no record code at the
// start: they start with the sort code.
inline QStringList bacsFile(const Day &day)
{
    Random r(day.seed);
    const QString sun = "123456";
    const QString hdr1 =
        "A" + sun + "S  1" + sun + "000001" + "00010001" + QString(6, u' ') + " 26140 26140 000000";
    QStringList lines{row(80, {1, "VOL1000001", 42, sun, 80, "1"}), row(80, {1, "HDR1", 5, hdr1}),
                      row(80, {1, "HDR2F0200000100", 51, "00"}),
                      row(80, {1, "UHL1 26141999999    000000001 DAILY  001"})};
    qint64 credits = 0;
    const int count = day.groups * day.perGroup;
    for (int d = 0; d < count; ++d) {
        const qint64 amount = 100 + r.below(999999);
        credits += amount;
        const QString sort =
            day.routings.at(r.below(int(day.routings.size()))).left(2) + r.digits(4);
        lines << row(100, {1, sort + r.digits(8) + "099", 18, "40123412345678", 36,
                           r.number(amount, 11), 47, "ACME LTD", 65, "SALARY " + r.digits(4), 83,
                           r.pick<QString>({"J SMITH", "M JONES", "A KHAN"})});
    }
    // The contra: the credits' total taken from the user's own account, transaction code 17.
    lines << row(100, {1, "40123412345678017", 18, "40123412345678", 36, r.number(credits, 11), 47,
                       "ACME LTD", 65, "CONTRA", 83, "ACME LTD"})
          << row(80, {1, "EOF1", 5, hdr1}) << row(80, {1, "EOF2F0200000100", 51, "00"})
          << row(80, {1, "UTL1", 5, r.number(credits, 13), 18, r.number(credits, 13), 31,
                      r.number(1, 7), 38, r.number(count, 7)});
    return lines;
}

// Asobancaria 2001 (162 characters), collections: 01 file header, 05 lot header, 06 detail,
// 08 lot control, 09 file control.
inline QStringList asobancariaFile(const Day &day)
{
    Random r(day.seed);
    QStringList lines{row(162, {1, "01", 3, "8600123456", 13, "20260520", 21, "007", 24,
                                "00000012345678901", 41, "202605201130A01"})};
    qint64 records = 0, value = 0;
    for (int l = 0; l < day.groups; ++l) {
        const QString lot = r.number(day.firstStatement + l, 4);
        lines << row(162, {1, "05", 3, "7709998012345", 16, lot});
        qint64 lotValue = 0;
        for (int d = 0; d < day.perGroup; ++d) {
            const qint64 amount = 1000 + r.below(99999999);
            lotValue += amount;
            lines << row(162, {1, "06", 3, r.number(r.below(999999999), 48), 51,
                               r.number(amount, 14), 65, "0101", 69, r.digits(6) + r.digits(6), 81,
                               r.pick<QString>({"007", "001", "051"}), 84, r.digits(4), 88,
                               r.number(d + 1, 7), 95, "000"});
        }
        lines << row(162,
                     {1, "08", 3, r.number(day.perGroup, 9), 12, r.number(lotValue, 18), 30, lot});
        records += day.perGroup;
        value += lotValue;
    }
    lines << row(162, {1, "09", 3, r.number(records, 9), 12, r.number(value, 18)});
    return lines;
}

// CNAB 400 (400 characters), a collection return: 0 header, 1 detail of a title, 9 trailer,
// each record numbered at columns 395-400.
inline QStringList cnab400File(const Day &day)
{
    Random r(day.seed);
    QStringList lines{
        row(400, {1, "02RETORNO01COBRANCA", 27, "00000000000004712345", 47, "EMPRESA EXEMPLO LTDA",
                  77, "237BRADESCO", 95, "200526", 101, "01600000", 109,
                  r.number(day.firstStatement, 5), 380, "210526", 395, "000001"})};
    const int count = day.groups * day.perGroup;
    qint64 total = 0;
    for (int d = 0; d < count; ++d) {
        const qint64 amount = 1000 + r.below(9999999);
        total += amount;
        lines << row(400, {1,   "10212345678000199000",
                           21,  "00090471234567890",
                           38,  "TITULO " + r.digits(6),
                           63,  "00000000",
                           71,  r.digits(12),
                           83,  QString(22, u'0'),
                           108, "9" + r.pick<QString>({"06", "02", "09"}),
                           111, "2" + r.pick<QString>({"00526", "10526", "20526"}),
                           117, r.digits(10),
                           147, r.pick<QString>({"150626", "300626", "310726"}),
                           153, r.number(amount, 13),
                           166, "237" + r.digits(5),
                           176, r.number(0, 13 * 8),
                           254, r.number(amount, 13),
                           267, r.number(0, 26),
                           296, "210526",
                           395, r.number(d + 2, 6)});
    }
    lines << row(400, {1, "9201237", 18, r.number(count, 8), 26, r.number(total, 14), 395,
                       r.number(count + 2, 6)});
    return lines;
}

} // namespace proposal_test
