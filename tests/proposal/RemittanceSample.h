#pragma once

// A remittance return file of 240-character records, as banks send them back to a company that
// bills through them. Every record starts with the bank's code (1-3), the batch number (4-7,
// "0000" for the file header, "9999" for the file trailer) and the record type (8): 0 file
// header, 1 batch header, 3 detail, 5 batch trailer, 9 file trailer. A detail record carries
// its sequence in the batch (9-13) and a segment letter (14): each title gives a segment T (its
// number, due date, amount and payer) and a segment U (what was paid, and when), two layouts
// under one record type.

#include "ProposalSamples.h"

namespace proposal_test {

// DDMMYYYY of a day counted from 2026-01-01.
inline QString ddmmyyyy(int day)
{
    const QString ymd = yymmdd(day); // 26MMDD
    return ymd.mid(4, 2) + ymd.mid(2, 2) + QStringLiteral("2026");
}

struct RemittanceOptions {
    int batches = 2;
    int titles = 20; // per batch
    quint64 seed = 3;
    // The branch and its check digit, the same on every title: a digit run that reads as a date
    // (YYMMDD) and is none.
    QString branch = QStringLiteral("410418");
};

inline QStringList remittanceFile(const RemittanceOptions &o = {})
{
    Random r(o.seed);
    static const char *const payers[] = {"ANA PAULA SOUZA", "JOAO CARLOS PEREIRA",
                                         "MERCADO BOA VISTA LTDA", "JOSÉ ANTÔNIO LIMA",
                                         "CONSTRUTORA ALVORADA S A"};
    const QString bank = QStringLiteral("341");
    const QString company = QStringLiteral("12345678000190");
    const QString account = QStringLiteral("000000052817");
    QStringList lines;
    lines << record(240, {{1, bank},
                          {4, "0000"},
                          {8, "0"},
                          {18, "2"},
                          {19, company},
                          {33, "00000000000000123456"},
                          {53, o.branch.left(5)},
                          {58, o.branch.mid(5)},
                          {59, account},
                          {71, "7"},
                          {73, "INDUSTRIA MODELO LTDA"},
                          {103, "BANCO EXEMPLO S.A."},
                          {143, "2"},
                          {144, ddmmyyyy(200)},
                          {152, "083015"},
                          {158, "000417"},
                          {164, "040"},
                          {167, "01600"}});
    int records = 1;
    for (int b = 1; b <= o.batches; ++b) {
        const QString batch = r.number(b, 4);
        lines << record(240, {{1, bank},
                              {4, batch},
                              {8, "1"},
                              {9, "T"},
                              {10, "01"},
                              {14, "030"},
                              {18, "2"},
                              {19, "0" + company},
                              {34, "00000000000000123456"},
                              {54, o.branch.left(5)},
                              {59, o.branch.mid(5)},
                              {60, account},
                              {72, "7"},
                              {74, "INDUSTRIA MODELO LTDA"},
                              {184, r.number(1000 + b, 8)},
                              {192, ddmmyyyy(200 + b)},
                              {200, "00000000"}});
        int sequence = 0;
        qint64 total = 0;
        for (int t = 0; t < o.titles; ++t) {
            const int due = 150 + r.below(60);
            const qint64 amount = 1000 + r.below(900000);
            const bool paid = r.below(5) != 0;
            const qint64 interest = paid && r.below(4) == 0 ? r.below(5000) : 0;
            total += amount;
            lines << record(
                240, {{1, bank},
                      {4, batch},
                      {8, "3"},
                      {9, r.number(++sequence, 5)},
                      {14, "T"},
                      {16, paid ? "06" : r.pick({"02", "09", "17"})},
                      {18, o.branch.left(5)},
                      {23, o.branch.mid(5)},
                      {24, account},
                      {36, "7"},
                      {38, r.digits(11)},
                      {58, "1"},
                      {59, QStringLiteral("NF%1").arg(r.below(100000))},
                      {74, ddmmyyyy(due)},
                      {82, r.number(amount, 15)},
                      {97, bank},
                      {100, r.digits(5)},
                      {105, r.digits(1)},
                      {106, r.below(2) ? QStringLiteral("PEDIDO %1").arg(r.digits(6)) : QString()},
                      {131, "09"},
                      {133, r.below(3) ? "1" : "2"},
                      {134, r.digits(15)},
                      {149, QString::fromUtf8(payers[r.below(5)])},
                      {189, "0000000000"},
                      {199, r.number(r.below(900), 15)},
                      {214, paid ? QStringLiteral("0000000000")
                                 : r.pick({QStringLiteral("A1"), QStringLiteral("B4")})}});
            const int when = due - 3 + r.below(8);
            lines << record(240, {{1, bank},
                                  {4, batch},
                                  {8, "3"},
                                  {9, r.number(++sequence, 5)},
                                  {14, "U"},
                                  {16, paid ? "06" : "02"},
                                  {18, r.number(interest, 15)},
                                  {33, r.number(0, 15)},
                                  {48, r.number(0, 15)},
                                  {63, r.number(0, 15)},
                                  {78, r.number(paid ? amount + interest : 0, 15)},
                                  {93, r.number(paid ? amount + interest - 250 : 0, 15)},
                                  {108, r.number(paid ? 250 : 0, 15)},
                                  {123, r.number(0, 15)},
                                  {138, ddmmyyyy(when)},
                                  {146, ddmmyyyy(when + 1)},
                                  {158, "00000000"},
                                  {166, r.number(0, 15)},
                                  {211, "000"},
                                  {214, r.number(0, 20)}});
        }
        lines << record(240, {{1, bank},
                              {4, batch},
                              {8, "5"},
                              {18, r.number(sequence + 2, 6)},
                              {24, r.number(o.titles, 6)},
                              {30, r.number(total, 17)},
                              {47, r.number(0, 6)},
                              {53, r.number(0, 17)},
                              {70, r.number(0, 6)},
                              {76, r.number(0, 17)},
                              {93, r.number(0, 6)},
                              {99, r.number(0, 17)}});
        records += sequence + 2;
    }
    lines << record(240, {{1, bank},
                          {4, "9999"},
                          {8, "9"},
                          {18, r.number(o.batches, 6)},
                          {24, r.number(records + 1, 6)},
                          {30, r.number(0, 6)}});
    return lines;
}

} // namespace proposal_test
