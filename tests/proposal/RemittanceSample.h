#pragma once

// A remittance return file of 240-character records, as banks send them back to a company that
// bills through them. Every record starts with the bank's code (1-3), the batch number (4-7,
// "0000" for the file header, "9999" for the file trailer) and the record type (8): 0 file
// header, 1 batch header, 3 detail, 5 batch trailer, 9 file trailer. A detail record carries
// its sequence in the batch (9-13) and a segment letter (14): each title gives a segment T (its
// number, due date, amount and payer) and a segment U (what was paid, and when), two layouts
// under one record type. The proposal's benchmark writes its large file with the same maker.

#include "ProposalSamples.h"
#include "samples/FixedRecord.h"

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
    int faultEvery = 0; // every n-th title's net amount has a "-" (0: none)
};

// The file record by record: its header, each batch (header, the segments T and U of each
// title, trailer) and its trailer.
class RemittanceMaker {
public:
    explicit RemittanceMaker(const RemittanceOptions &o)
        : m_o(o), m_r(o.seed), m_agency(o.branch.leftJustified(6, u' ', true) + m_account + "7")
    {}

    QString header() const
    {
        return samples::fixed(240, {3, 5, 9, 15, 20, 20, 30, 40, 1, 8, 15, 5},
                              {m_bank, "00000", QString(), "2" + m_company, "00000000000000123456",
                               m_agency, "INDUSTRIA MODELO LTDA", "BANCO EXEMPLO S.A.", "2",
                               ddmmyyyy(200), "083015000417040", "01600"});
    }

    QStringList batch(int b)
    {
        static const char *const payers[] = {"ANA PAULA SOUZA", "JOAO CARLOS PEREIRA",
                                             "MERCADO BOA VISTA LTDA", "JOSÉ ANTÔNIO LIMA",
                                             "CONSTRUTORA ALVORADA S A"};
        Random &r = m_r;
        const QString batch = m_bank + r.number(b % 10000, 4);
        QStringList lines{samples::fixed(240, {7, 11, 15, 20, 20, 110, 8, 8, 8},
                                         {batch, "1T01  030 2", "0" + m_company,
                                          "00000000000000123456", m_agency, "INDUSTRIA MODELO LTDA",
                                          r.number(1000 + b, 8), ddmmyyyy(200 + b), "00000000"})};
        int sequence = 0;
        qint64 total = 0;
        for (int t = 0; t < m_o.titles; ++t) {
            const int due = 150 + r.below(60);
            const qint64 amount = 1000 + r.below(900000);
            const bool paid = r.below(5) != 0;
            const qint64 interest = paid && r.below(4) == 0 ? r.below(5000) : 0;
            const bool fault = m_o.faultEvery > 0 && ++m_titles % m_o.faultEvery == 0;
            total += amount;
            // A braced list is evaluated in order: the same seed, the same file.
            lines << samples::fixed(
                240, {7, 6, 4, 20, 20, 1, 15, 8, 15, 9, 25, 2, 1, 15, 40, 10, 15, 10},
                {batch, "3" + r.number(++sequence, 5),
                 "T " + QString(paid ? "06" : r.pick({"02", "09", "17"})), m_agency, r.digits(11),
                 "1", QStringLiteral("NF%1").arg(r.below(100000)), ddmmyyyy(due),
                 r.number(amount, 15), m_bank + r.digits(6),
                 r.below(2) ? QStringLiteral("PEDIDO %1").arg(r.digits(6)) : QString(), "09",
                 r.below(3) ? "1" : "2", r.digits(15), QString::fromUtf8(payers[r.below(5)]),
                 "0000000000", r.number(r.below(900), 15),
                 paid ? "0000000000" : r.pick({"A1", "B4"})});
            const int when = due - 3 + r.below(8);
            const qint64 paidAmount = paid ? amount + interest : 0;
            lines << samples::fixed(
                240, {7, 6, 4, 15, 45, 15, 15, 15, 15, 8, 8, 4, 8, 15, 30, 3, 20},
                {batch, "3" + r.number(++sequence, 5), paid ? "U 06" : "U 02",
                 r.number(interest, 15), QString(45, u'0'), r.number(paidAmount, 15),
                 fault ? "-" + r.number(amount, 14) : r.number(paid ? paidAmount - 250 : 0, 15),
                 r.number(paid ? 250 : 0, 15), r.number(0, 15), ddmmyyyy(when), ddmmyyyy(when + 1),
                 QString(), "00000000", r.number(0, 15), QString(), "000", r.number(0, 20)});
        }
        lines << samples::fixed(240, {7, 10, 6, 6, 17, 69},
                                {batch, "5", r.number(sequence + 2, 6), r.number(m_o.titles, 6),
                                 r.number(total, 17), QString(69, u'0')});
        m_records += sequence + 2;
        return lines;
    }

    QString trailer(int batches)
    {
        return samples::fixed(
            240, {7, 10, 6, 6, 6},
            {m_bank + "9999", "9", m_r.number(batches, 6), m_r.number(m_records + 1, 6), "000000"});
    }

private:
    RemittanceOptions m_o;
    Random m_r;
    const QString m_bank = QStringLiteral("341");
    const QString m_company = QStringLiteral("12345678000190");
    const QString m_account = QStringLiteral("000000052817");
    const QString m_agency; // the branch, its check digit, the account and its check digit
    qint64 m_records = 1;
    qint64 m_titles = 0;
};

inline QStringList remittanceFile(const RemittanceOptions &o = {})
{
    RemittanceMaker maker(o);
    QStringList lines{maker.header()};
    for (int b = 1; b <= o.batches; ++b)
        lines << maker.batch(b);
    lines << maker.trailer(o.batches);
    return lines;
}

} // namespace proposal_test
