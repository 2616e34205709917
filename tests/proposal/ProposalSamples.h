#pragma once

// Hand-made multi-record files for the proposal's tests, generated from a seed so that every
// run writes the same bytes:
// - bank statements of 80-character records coded at columns 1-2: 11 account header, 22
//   movement, 23 complementary concept, 33 account end, 88 file end;
// - payment files of 94-character records coded at column 1: 1 file header, 5 batch header,
//   6 entry, 7 addenda, 8 batch control, 9 file control, and lines of nines after it that fill
//   the last block of ten records;
// - payment interchange files whose controls hold a count, a hash and totals side by side.

#include "samples/BankStatement.h"
#include "samples/PaymentFile.h"
#include "samples/SampleFile.h"

#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <initializer_list>

namespace proposal_test {

// A small deterministic generator (a linear congruential one): the same seed, the same file.
class Random {
public:
    explicit Random(quint64 seed) : m_state(seed * 2862933555777941757ULL + 3037000493ULL) {}
    quint32 next()
    {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return quint32(m_state >> 33);
    }
    int below(int n) { return int(next() % quint32(n)); }
    QString digits(int count)
    {
        QString text;
        for (int i = 0; i < count; ++i)
            text += QChar(u'0' + below(10));
        return text;
    }
    QString number(qint64 value, int width) { return samples::number(value, width); }
    template <typename T> const T &pick(std::initializer_list<T> list)
    {
        return *(list.begin() + below(int(list.size())));
    }

private:
    quint64 m_state;
};

inline QString yymmdd(int day) // days from 2026-01-01, as YYMMDD
{
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int month = 0;
    day %= 365;
    while (day >= days[month])
        day -= days[month++];
    return QStringLiteral("26%1%2")
        .arg(month + 1, 2, 10, QLatin1Char('0'))
        .arg(day + 1, 2, 10, QLatin1Char('0'));
}

// A bank statement: `accounts` accounts of `movements` movements each, a complementary concept
// after about one movement in three.
inline QStringList bankStatement(int accounts, int movements, quint64 seed = 1)
{
    Random r(seed);
    QStringList lines;
    static const char *const holders[] = {"MUÑOZ PEÑA JOSÉ", "GARCÍA LÓPEZ ANA",
                                          "EMPRESA EJEMPLO SA", "IBÁÑEZ Y CÍA SL"};
    static const char *const references[] = {"NOMINA", "RECIBO LUZ", "TRANSFERENCIA",
                                             "CHEQUE", "COMISIÓN",   "ABONO INTERESES"};
    static const char *const concepts[] = {"TRANSFERENCIA DE NÓMINA", "PAGO DE CHEQUE",
                                           "ADEUDO DOMICILIADO", "CUOTA PRÉSTAMO"};
    // The random numbers are drawn in the order of the records' fields (the elements of a
    // braced list are evaluated in order, a call's arguments are not): the same seed, the same
    // file.
    int records = 0;
    for (int a = 0; a < accounts; ++a) {
        const samples::Account account{QStringLiteral("0049"), r.digits(4), r.digits(10)};
        const int start = r.below(300);
        const bool debitBalance = r.below(2);
        const qint64 balance = r.below(90000000);
        const QString holder = QString::fromUtf8(holders[r.below(4)]);
        lines << samples::accountHeader(account, yymmdd(start), yymmdd(start + 30),
                                        debitBalance ? -balance : balance, holder);
        qint64 debit = 0, credit = 0;
        int debits = 0, credits = 0;
        for (int m = 0; m < movements; ++m) {
            const int day = start + r.below(30);
            const bool isDebit = r.below(2);
            const qint64 amount = 100 + r.below(5000000);
            (isDebit ? debit : credit) += amount;
            ++(isDebit ? debits : credits);
            lines << samples::movement(account,
                                       {yymmdd(day), yymmdd(day + r.below(3)), 1 + r.below(17),
                                        r.below(1000), isDebit, amount, r.below(100000),
                                        QString::fromUtf8(references[r.below(6)]),
                                        r.below(2) ? r.digits(8 + r.below(8)) : QString()});
            if (r.below(3) == 0) {
                const int code = 1 + r.below(5);
                const QString first = QString::fromUtf8(concepts[r.below(4)]);
                lines << samples::complementary(
                    code, first, r.below(2) ? QString::fromUtf8(holders[r.below(4)]) : QString());
            }
        }
        lines << samples::accountEnd(account, debits, debit, credits, credit, r.below(90000000));
        records += movements + 2;
    }
    lines << samples::fileEnd(records);
    return lines;
}

// A payment file: `batches` batches of `entries` entries each (credits and debits, whose
// transaction code follows the record type), an addenda after about one entry in four; with
// `fillers`, lines of 94 nines make the records a multiple of ten.
inline QStringList paymentFile(int batches, int entries, quint64 seed = 2, bool fillers = true)
{
    Random r(seed);
    static const char *const names[] = {"ANA LÓPEZ", "LUIS PEREZ", "MARÍA GÓMEZ", "JOSE MARTINEZ",
                                        "CARMEN RUIZ DÍAZ"};
    QStringList lines{samples::paymentHeader()};
    qint64 allEntries = 0;
    for (int b = 1; b <= batches; ++b) {
        const QString service = r.pick({"200", "220", "225"});
        lines << samples::batchHeader(service, QStringLiteral("NOMINA"), yymmdd(330 + r.below(30)),
                                      b);
        qint64 total = 0;
        int count = 0;
        for (int e = 0; e < entries; ++e) {
            const qint64 amount = r.below(10000000);
            total += amount;
            const bool addenda = r.below(4) == 0;
            // A credit names the employee, a debit the customer's number: the individual's
            // identification follows the transaction code.
            const QString code = r.pick({"22", "27", "32", "37"});
            const bool credit = code.endsWith(u'2');
            const QString routing = r.digits(8);
            lines << samples::entry(
                {code, routing + r.digits(1), r.digits(8 + r.below(9)), amount,
                 credit ? QStringLiteral("EMP-%1").arg(r.below(1000)) : r.digits(15),
                 QString::fromUtf8(names[r.below(5)]), addenda,
                 QStringLiteral("07640125") + r.number(++count, 7)});
            if (addenda) {
                lines << samples::addenda(QStringLiteral("PAGO FACTURA %1").arg(r.digits(6)),
                                          count);
                ++count;
            }
        }
        allEntries += count;
        lines << samples::batchControl(
            service, {r.number(count, 6), r.digits(10), r.number(total, 12), r.number(0, 12)}, b);
    }
    lines << samples::fileControl(r.number(batches, 6), r.number((lines.size() + 10) / 10, 6),
                                  {r.number(allEntries, 8), r.digits(10), r.number(0, 12),
                                   r.number(r.below(1000000000), 12)});
    while (fillers && lines.size() % 10 != 0)
        lines << QString(94, QLatin1Char('9'));
    return lines;
}

// A payment interchange file of 94-character records whose controls hold their numbers side by
// side: a file header "1"; per batch (of `batches[b]` entries) a batch header "5", its debit
// entries "6" (an 8-digit routing number at column 5, a 10-digit amount at 30) and a batch
// control "8" with, from column 2, the service class, the entries' count (6 digits), their
// hash (the sum of their routing numbers, its last 10 digits), the debit and credit totals (12
// digits each) and the company's number; last a file control "9" with the batches' count, the
// blocks of ten records, the entries' count, the hash and the two totals. With `controls`
// false the controls hold random digits instead of their counts, hash and totals.
inline QStringList interchangeFile(const QList<int> &batches, quint64 seed = 6,
                                   bool controls = true)
{
    Random r(seed);
    static const char *const names[] = {"ANA LOPEZ", "LUIS PEREZ", "MARIA GOMEZ"};
    QStringList lines{samples::paymentHeader()};
    const qint64 HashDigits = 10'000'000'000LL;
    qint64 entries = 0, hash = 0, debits = 0;
    // A control's number, or as many random digits.
    const auto control = [&](qint64 value, int width) {
        return controls ? r.number(value, width) : r.digits(width);
    };
    for (int b = 0; b < batches.size(); ++b) {
        lines << samples::batchHeader(QStringLiteral("225"), QStringLiteral("COBROS"),
                                      yymmdd(330 + b), b + 1);
        qint64 batchHash = 0, batchDebits = 0;
        for (int e = 0; e < batches.at(b); ++e) {
            const QString routing = r.digits(8);
            const qint64 amount = r.below(10000000);
            batchHash += routing.toLongLong();
            batchDebits += amount;
            lines << samples::entry({QStringLiteral("27"), QStringLiteral("A") + routing,
                                     "CTA" + r.digits(6), amount, "CLI-" + r.digits(4),
                                     QString::fromUtf8(names[r.below(3)]), false,
                                     QStringLiteral("07640125") + r.number(e + 1, 7)});
        }
        entries += batches.at(b);
        hash += batchHash;
        debits += batchDebits;
        lines << samples::batchControl(QStringLiteral("225"),
                                       {control(batches.at(b), 6),
                                        control(batchHash % HashDigits, 10),
                                        control(batchDebits, 12), r.number(0, 12)},
                                       b + 1);
    }
    const qint64 blocks = (lines.size() + 1 + 9) / 10;
    const QString batchCount = control(batches.size(), 6); // drawn before the totals
    lines << samples::fileControl(batchCount, r.number(blocks, 6),
                                  {control(entries, 8), control(hash % HashDigits, 10),
                                   control(debits, 12), r.number(0, 12)});
    return lines;
}

using samples::Encoding;
using samples::writeFile;

// A column (from 1) of a record, or the text placed at it.
struct Cell {
    Cell(int c) : column(c) {}
    Cell(const char *t) : text(QString::fromUtf8(t)) {}
    Cell(const QString &t) : text(t) {}
    int column = 0;
    QString text;
};

// A record of `width` characters: blanks with each text placed at the column before it
// ({column, text, column, text, ...}), cut at the record's end. The texts are drawn in order.
inline QString row(int width, std::initializer_list<Cell> cells)
{
    QString line(width, u' ');
    for (const Cell *c = cells.begin(); c + 1 < cells.end(); c += 2)
        line.replace(c->column - 1, c[1].text.size(), c[1].text.left(width - c->column + 1));
    return line;
}

// The lines with their blanks at the end taken off.
inline QStringList rightStripped(QStringList lines)
{
    static const QRegularExpression blanks(QStringLiteral(" +$"));
    for (QString &line : lines)
        line.remove(blanks);
    return lines;
}

} // namespace proposal_test
