#pragma once

// Hand-made multi-record files for the proposal's tests, generated from a seed so that every
// run writes the same bytes:
// - bank statements of 80-character records coded at columns 1-2: 11 account header, 22
//   movement, 23 complementary concept, 33 account end, 88 file end;
// - payment files of 94-character records coded at column 1: 1 file header, 5 batch header,
//   6 entry, 7 addenda, 8 batch control, 9 file control, and lines of nines after it that fill
//   the last block of ten records;
// - payment interchange files whose controls hold a count, a hash and totals side by side.

#include "samples/SampleFile.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <initializer_list>
#include <utility>

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
    QString number(qint64 value, int width)
    {
        return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
    }
    template <typename T> const T &pick(std::initializer_list<T> list)
    {
        return *(list.begin() + below(int(list.size())));
    }

private:
    quint64 m_state;
};

// A record of `width` characters: blanks with each text placed at its position (from 1).
inline QString record(int width, std::initializer_list<std::pair<int, QString>> parts)
{
    QString line(width, QLatin1Char(' '));
    for (const auto &[position, text] : parts)
        line.replace(position - 1, text.size(), text.left(width - position + 1));
    return line;
}

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
                                             "CHEQUE", "COMISIÓN", "ABONO INTERESES"};
    static const char *const concepts[] = {"TRANSFERENCIA DE NÓMINA", "PAGO DE CHEQUE",
                                           "ADEUDO DOMICILIADO", "CUOTA PRÉSTAMO"};
    int records = 0;
    for (int a = 0; a < accounts; ++a) {
        const QString office = r.digits(4);
        const QString account = r.digits(10);
        const int start = r.below(300);
        lines << record(80, {{1, "11"},
                             {3, "0049"},
                             {7, office},
                             {11, account},
                             {21, yymmdd(start)},
                             {27, yymmdd(start + 30)},
                             {33, r.below(2) ? "1" : "2"},
                             {34, r.number(r.below(90000000), 14)},
                             {48, "978"},
                             {51, "3"},
                             {52, QString::fromUtf8(holders[r.below(4)])}});
        qint64 debit = 0, credit = 0;
        int debits = 0, credits = 0;
        for (int m = 0; m < movements; ++m) {
            const int day = start + r.below(30);
            const bool isDebit = r.below(2);
            const qint64 amount = 100 + r.below(5000000);
            (isDebit ? debit : credit) += amount;
            ++(isDebit ? debits : credits);
            lines << record(80, {{1, "22"},
                                 {7, office},
                                 {11, yymmdd(day)},
                                 {17, yymmdd(day + r.below(3))},
                                 {23, r.number(1 + r.below(17), 2)},
                                 {25, r.number(r.below(1000), 3)},
                                 {28, isDebit ? "1" : "2"},
                                 {29, r.number(amount, 14)},
                                 {43, r.number(r.below(100000), 10)},
                                 {53, QString::fromUtf8(references[r.below(6)]).left(12)},
                                 {65, r.below(2) ? r.digits(8 + r.below(8)) : QString()}});
            if (r.below(3) == 0)
                lines << record(80, {{1, "23"},
                                     {3, r.number(1 + r.below(5), 2)},
                                     {5, QString::fromUtf8(concepts[r.below(4)])},
                                     {43, r.below(2) ? QString::fromUtf8(holders[r.below(4)])
                                                     : QString()}});
        }
        lines << record(80, {{1, "33"},
                             {3, "0049"},
                             {7, office},
                             {11, account},
                             {21, r.number(debits, 5)},
                             {26, r.number(debit, 14)},
                             {40, r.number(credits, 5)},
                             {45, r.number(credit, 14)},
                             {59, "2"},
                             {60, r.number(r.below(90000000), 14)},
                             {74, "978"}});
        records += movements + 2;
    }
    lines << record(80, {{1, "88"}, {3, "999999999999999999"}, {21, r.number(records, 6)}});
    return lines;
}

// The header of a payment file, and of a batch of it.
inline QString paymentFileHeader()
{
    return record(94, {{1, "1"},
                       {2, "01"},
                       {4, " 076401251"},
                       {14, "1234567890"},
                       {24, "261204"},
                       {30, "1530"},
                       {34, "A"},
                       {35, "094"},
                       {38, "10"},
                       {40, "1"},
                       {41, "BANCO DESTINO"},
                       {64, "EMPRESA ORIGEN"}});
}

inline QString batchHeader(const QString &service, const QString &entries, const QString &date,
                           const QString &batch)
{
    return record(94, {{1, "5"},
                       {2, service},
                       {5, "EMPRESA ORIGEN"},
                       {41, "1234567890"},
                       {51, "PPD"},
                       {54, entries},
                       {64, "DIC 26"},
                       {70, date},
                       {79, "1"},
                       {80, "07640125"},
                       {88, batch}});
}

// A payment file: `batches` batches of `entries` entries each (credits and debits, whose
// transaction code follows the record type), an addenda after about one entry in four; with
// `fillers`, lines of 94 nines make the records a multiple of ten.
inline QStringList paymentFile(int batches, int entries, quint64 seed = 2, bool fillers = true)
{
    Random r(seed);
    QStringList lines;
    static const char *const names[] = {"ANA LÓPEZ", "LUIS PEREZ", "MARÍA GÓMEZ",
                                        "JOSE MARTINEZ", "CARMEN RUIZ DÍAZ"};
    lines << paymentFileHeader();
    qint64 allEntries = 0;
    for (int b = 0; b < batches; ++b) {
        const QString service = r.pick({"200", "220", "225"});
        const QString batch = r.number(b + 1, 7);
        lines << batchHeader(service, QStringLiteral("NOMINA"), yymmdd(330 + r.below(30)), batch);
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
            lines << record(
                94, {{1, "6"},
                     {2, code},
                     {4, r.digits(8)},
                     {12, r.digits(1)},
                     {13, r.digits(8 + r.below(9))},
                     {30, r.number(amount, 10)},
                     {40, credit ? QStringLiteral("EMP-%1").arg(r.below(1000)) : r.digits(15)},
                     {55, QString::fromUtf8(names[r.below(5)])},
                     {79, addenda ? "1" : "0"},
                     {80, "07640125" + r.number(++count, 7)}});
            if (addenda) {
                lines << record(94, {{1, "7"},
                                     {2, "05"},
                                     {4, QStringLiteral("PAGO FACTURA %1").arg(r.digits(6))},
                                     {84, "0001"},
                                     {88, r.number(count, 7)}});
                ++count;
            }
        }
        allEntries += count;
        lines << record(94, {{1, "8"},
                             {2, service},
                             {5, r.number(count, 6)},
                             {11, r.digits(10)},
                             {21, r.number(total, 12)},
                             {33, r.number(0, 12)},
                             {45, "1234567890"},
                             {80, "07640125"},
                             {88, batch}});
    }
    lines << record(94, {{1, "9"},
                         {2, r.number(batches, 6)},
                         {8, r.number((lines.size() + 10) / 10, 6)},
                         {14, r.number(allEntries, 8)},
                         {22, r.digits(10)},
                         {32, r.number(0, 12)},
                         {44, r.number(r.below(1000000000), 12)}});
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
    QStringList lines{paymentFileHeader()};
    const qint64 HashDigits = 10'000'000'000LL;
    qint64 entries = 0, hash = 0, debits = 0;
    for (int b = 0; b < batches.size(); ++b) {
        const QString batch = r.number(b + 1, 7);
        lines << batchHeader(QStringLiteral("225"), QStringLiteral("COBROS"), yymmdd(330 + b),
                             batch);
        qint64 batchHash = 0, batchDebits = 0;
        for (int e = 0; e < batches.at(b); ++e) {
            const QString routing = r.digits(8);
            const qint64 amount = r.below(10000000);
            batchHash += routing.toLongLong();
            batchDebits += amount;
            lines << record(94, {{1, "6"},
                                 {2, "27"},
                                 {4, "A"},
                                 {5, routing},
                                 {13, "CTA" + r.digits(6)},
                                 {30, r.number(amount, 10)},
                                 {40, "CLI-" + r.digits(4)},
                                 {55, QString::fromUtf8(names[r.below(3)])},
                                 {79, "0"},
                                 {80, "07640125" + r.number(e + 1, 7)}});
        }
        entries += batches.at(b);
        hash += batchHash;
        debits += batchDebits;
        lines << record(94, {{1, "8"},
                             {2, "225"},
                             {5, controls ? r.number(batches.at(b), 6) : r.digits(6)},
                             {11, controls ? r.number(batchHash % HashDigits, 10) : r.digits(10)},
                             {21, controls ? r.number(batchDebits, 12) : r.digits(12)},
                             {33, r.number(0, 12)},
                             {45, "1234567890"},
                             {80, "07640125"},
                             {88, batch}});
    }
    const qint64 blocks = (lines.size() + 1 + 9) / 10;
    lines << record(94, {{1, "9"},
                         {2, controls ? r.number(batches.size(), 6) : r.digits(6)},
                         {8, r.number(blocks, 6)},
                         {14, controls ? r.number(entries, 8) : r.digits(8)},
                         {22, controls ? r.number(hash % HashDigits, 10) : r.digits(10)},
                         {32, controls ? r.number(debits, 12) : r.digits(12)},
                         {44, r.number(0, 12)}});
    return lines;
}

enum class Encoding { Utf8, Cp1252 };

// The lines with their blanks at the end taken off.
inline QStringList rightStripped(QStringList lines)
{
    for (QString &line : lines) {
        qsizetype n = line.size();
        while (n > 0 && line.at(n - 1) == QLatin1Char(' '))
            --n;
        line.truncate(n);
    }
    return lines;
}

// Writes lines with the given line end (after every line) in UTF-8 or Windows-1252 (Latin-1
// letters only).
inline QString writeFile(const QString &path, const QStringList &lines,
                         const QByteArray &end = "\n", Encoding encoding = Encoding::Utf8)
{
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += (encoding == Encoding::Utf8 ? line.toUtf8() : line.toLatin1()) + end;
    return samples::writeBytes(path, bytes);
}

} // namespace proposal_test
