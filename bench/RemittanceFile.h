#pragma once

// A deterministic remittance return file for the proposal's benchmark, written byte by byte:
// 240-character records with the layout of proposal_test::remittanceFile() (bank code, batch
// number and record type at columns 1-8: 0 file header, 1 batch header, 3 detail, 5 batch
// trailer, 9 file trailer; a detail record's segment letter at column 14, T for the title and
// U for its payment). Batches of 200 to 1,000 titles; every `faultEvery`-th payment has a "-"
// in its net amount, as a producer's file now and then does. The same size always gives the
// same bytes.

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <array>
#include <cstdio>
#include <cstring>

namespace kesta::bench {

class RemittanceWriter {
public:
    explicit RemittanceWriter(qint64 targetBytes, int faultEvery = 40000)
        : m_target(targetBytes), m_faultEvery(faultEvery)
    {}

    bool write(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        m_out.reserve(1 << 22);
        record("0000", '0');
        put(18, "2");
        put(19, "12345678000190");
        put(33, "00000000000000123456");
        put(53, "410418");
        put(59, "000000052817");
        put(73, "INDUSTRIA MODELO LTDA");
        put(103, "BANCO EXEMPLO S.A.");
        put(143, "2");
        put(144, "17072026083015000417040");
        put(167, "01600");
        end();
        qint64 written = 0;
        while (written + m_out.size() < m_target) {
            batch();
            if (m_out.size() >= (1 << 22)) {
                if (file.write(m_out) != m_out.size())
                    return false;
                written += m_out.size();
                m_out.clear();
            }
        }
        record("9999", '9');
        put(18, number(m_batches, 6));
        put(24, number(m_records + 1, 6));
        put(30, "000000");
        end();
        return file.write(m_out) == m_out.size() && file.flush();
    }

private:
    quint64 next()
    {
        quint64 z = (m_seed += 0x9E3779B97F4A7C15ULL); // SplitMix64
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    int below(int n) { return int(next() % quint64(n)); }
    static QByteArray number(qint64 value, int width)
    {
        QByteArray text = QByteArray::number(value);
        return QByteArray(width - text.size(), '0') + text;
    }
    static QByteArray ddmmyyyy(int month, int day)
    {
        return number(day, 2) + number(month, 2) + "2026";
    }

    void record(const QByteArray &batch, char type)
    {
        m_line.fill(' ');
        put(1, "341");
        put(4, batch);
        m_line[7] = type;
    }
    void put(int position, const QByteArray &text)
    {
        const auto size = std::min<qsizetype>(text.size(), 241 - position);
        std::memcpy(m_line.data() + position - 1, text.constData(), size_t(size));
    }
    void end()
    {
        m_out.append(m_line.data(), 240);
        m_out.append("\r\n");
        ++m_records;
    }

    void batch()
    {
        static const char *const payers[] = {"ANA PAULA SOUZA",        "JOAO CARLOS PEREIRA",
                                             "MERCADO BOA VISTA LTDA", "CONSTRUTORA ALVORADA S A",
                                             "FARMACIA POPULAR LTDA",  "LUCIANA MENDES COSTA"};
        const QByteArray batch = number(++m_batches % 10000, 4);
        record(batch, '1');
        put(9, "T01  030 2012345678000190");
        put(34, "00000000000000123456");
        put(54, "410418000000052817");
        put(74, "INDUSTRIA MODELO LTDA");
        put(184, number(1000 + m_batches, 8));
        put(192, ddmmyyyy(7, 1 + below(28)));
        put(200, "00000000");
        end();
        const int titles = 200 + below(801);
        qint64 total = 0;
        int sequence = 0;
        for (int t = 0; t < titles; ++t) {
            const int month = 1 + below(12), day = 1 + below(28);
            const qint64 amount = 1000 + qint64(next() % 90000000ULL);
            const bool paid = below(5) != 0;
            total += amount;
            record(batch, '3');
            put(9, number(++sequence, 5));
            put(14, "T");
            put(16, paid ? "06" : "02");
            put(18, "410418000000052817");
            put(36, "7");
            put(38, number(qint64(next() % 100000000000ULL), 11));
            put(58, "1");
            put(59, "NF" + QByteArray::number(below(100000)));
            put(74, ddmmyyyy(month, day));
            put(82, number(amount, 15));
            put(97, "341" + number(below(100000), 5) + QByteArray::number(below(10)));
            if (below(2))
                put(106, "PEDIDO " + number(below(1000000), 6));
            put(131, "09");
            put(133, below(3) ? "1" : "2");
            put(134, number(qint64(next() % 1000000000000000ULL), 15));
            put(149, payers[below(6)]);
            put(189, "0000000000");
            put(199, number(below(900), 15));
            put(214, paid ? "0000000000" : "A1");
            end();
            ++m_payments;
            record(batch, '3');
            put(9, number(++sequence, 5));
            put(14, "U");
            put(16, paid ? "06" : "02");
            put(18, number(paid && below(4) == 0 ? below(5000) : 0, 15));
            put(33, QByteArray(60, '0'));
            put(78, number(paid ? amount : 0, 15));
            put(93, m_faultEvery > 0 && m_payments % m_faultEvery == 0
                        ? "-" + number(amount, 14)
                        : number(paid ? amount - 250 : 0, 15));
            put(108, number(paid ? 250 : 0, 15));
            put(123, number(0, 15));
            put(138, ddmmyyyy(month, day));
            put(146, ddmmyyyy(month, std::min(28, day + 1)));
            put(158, "00000000" + number(0, 15));
            put(211, "000" + number(0, 20));
            end();
        }
        record(batch, '5');
        put(18, number(sequence + 2, 6));
        put(24, number(titles, 6));
        put(30, number(total, 17));
        put(47, QByteArray(69, '0'));
        end();
    }

    qint64 m_target;
    int m_faultEvery;
    quint64 m_seed = 20260717;
    qint64 m_records = 0;
    qint64 m_payments = 0;
    int m_batches = 0;
    std::array<char, 240> m_line{};
    QByteArray m_out;
};

// The remittance return of that many megabytes in the file, written once (a ".done" mark
// beside it says it was written whole). False when it cannot be written.
inline bool ensureRemittanceFile(const QString &file, qint64 megabytes)
{
    const QString done = file + QStringLiteral(".done");
    if (QFileInfo::exists(done) && QFileInfo::exists(file))
        return true;
    std::printf("writing %s ...\n", qPrintable(file));
    std::fflush(stdout);
    RemittanceWriter writer(megabytes << 20);
    if (!writer.write(file)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return false;
    }
    QFile(done).open(QIODevice::WriteOnly);
    return true;
}

} // namespace kesta::bench
