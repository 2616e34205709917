#pragma once

// A deterministic bank-statement file for the throughput benchmark: 80-character records coded
// at columns 1-2 with the layout of formats_test::bankStatement() (11 account header, 22
// movement, 23 complementary concept, 33 account end, 88 file end). Accounts of 5 to 60
// movements, a third of them followed by one or two concept lines; a few account holders with
// accents (UTF-8); every `errorEvery`-th movement has an operation date that does not exist,
// as an incoming file now and then does. The same size always gives the same bytes.

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

namespace kesta::bench {

class StatementWriter {
public:
    explicit StatementWriter(qint64 targetBytes, int errorEvery = 25000)
        : m_target(targetBytes), m_errorEvery(errorEvery)
    {}

    // Writes the file; false when it cannot be written.
    bool write(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        m_out.reserve(1 << 22);
        qint64 written = 0;
        while (written + m_out.size() < m_target) {
            account();
            if (m_out.size() >= (1 << 22)) {
                if (file.write(m_out) != m_out.size())
                    return false;
                written += m_out.size();
                m_out.clear();
            }
        }
        record("88");
        put(3, "999999999999999999");
        put(21, number(m_records + 1, 6));
        end();
        return file.write(m_out) == m_out.size() && file.flush();
    }

    qint64 records() const { return m_records; }
    qint64 movements() const { return m_movements; }

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
    static QByteArray yymmdd(int month, int day)
    {
        return "26" + number(month, 2) + number(day, 2);
    }

    // A record of 80 characters; texts are placed with put() and the record ends with end().
    void record(const char *code)
    {
        m_line.fill(' ');
        m_extra.clear();
        std::memcpy(m_line.data(), code, 2);
    }
    // Places a text at a position (from 1), cut at the end of the record.
    void put(int position, const QByteArray &text)
    {
        const auto size = std::min<qsizetype>(text.size(), 81 - position);
        std::memcpy(m_line.data() + position - 1, text.constData(), size_t(size));
    }
    // A text of characters beyond ASCII that ends the record (UTF-8, so more bytes than 80).
    void putLast(int position, const QByteArray &utf8, int characters, int width)
    {
        m_lastAt = position - 1;
        m_extra = utf8 + QByteArray(width - characters, ' ');
    }
    void end()
    {
        if (m_extra.isEmpty()) {
            m_out.append(m_line.data(), 80);
        } else {
            m_out.append(m_line.data(), m_lastAt);
            m_out.append(m_extra);
            const int after = m_lastAt + int(QString::fromUtf8(m_extra).size());
            m_out.append(m_line.data() + after, 80 - after);
        }
        m_out.append('\n');
        ++m_records;
    }

    void account()
    {
        static const char *const names[] = {"ALIMENTOS DEL NORTE SA", "TRANSPORTES RIVERA SL",
                                            "GARCIA LOPEZ MARIA",     "CONSTRUCCIONES IBARRA SA",
                                            "FERRETERIA EL CLAVO",    "DISTRIBUIDORA DEL SUR",
                                            "HERNANDEZ RUIZ PEDRO",   "SERVICIOS MEDICOS SC"};
        static const char *const accented[] = {"MUÑOZ PEÑA JOSÉ", "CAMPOS ÁLVAREZ INÉS"};
        static const char *const concepts[] = {"TRANSFERENCIA RECIBIDA", "PAGO DE NOMINA",
                                               "RECIBO DE LUZ",          "COMISION MANTENIMIENTO",
                                               "CHEQUE COBRADO",         "DEPOSITO EN EFECTIVO",
                                               "CARGO TARJETA",          "DOMICILIACION SEGURO"};
        const QByteArray bank = number(below(10000), 4);
        const QByteArray office = number(below(10000), 4);
        const QByteArray account = number(qint64(next() % 10000000000ULL), 10);
        const int month = 1 + below(12);
        const int movements = 5 + below(56);
        qint64 balance = qint64(next() % 5000000000ULL);

        record("11");
        put(3, bank);
        put(7, office);
        put(11, account);
        put(21, yymmdd(month, 1));
        put(27, yymmdd(month, 28));
        put(33, "2");
        put(34, number(balance, 14));
        put(48, "978");
        put(51, "3");
        if (below(50) == 0) {
            const int which = below(2);
            putLast(52, accented[which], which == 0 ? 15 : 19, 26);
        } else {
            put(52, names[below(8)]);
        }
        end();

        qint64 debitCount = 0, creditCount = 0, debits = 0, credits = 0;
        for (int m = 0; m < movements; ++m) {
            const bool debit = below(3) != 0;
            const qint64 amount = 100 + qint64(next() % 250000000ULL);
            const int day = 1 + below(28);
            ++m_movements;
            record("22");
            put(7, office);
            put(11, m_errorEvery > 0 && m_movements % m_errorEvery == 0 ? yymmdd(13, day)
                                                                        : yymmdd(month, day));
            put(17, yymmdd(month, std::min(28, day + below(3))));
            put(23, number(1 + below(17), 2));
            put(25, number(below(1000), 3));
            put(28, debit ? "1" : "2");
            put(29, number(amount, 14));
            put(43, number(qint64(next() % 10000000000ULL), 10));
            put(53, "REF" + number(qint64(next() % 1000000000ULL), 9));
            put(65, QByteArray(concepts[below(8)]).left(16));
            end();
            (debit ? debitCount : creditCount) += 1;
            (debit ? debits : credits) += amount;
            const int extra = below(10) < 3 ? 1 + below(2) : 0;
            for (int e = 1; e <= extra; ++e) {
                record("23");
                put(3, number(e, 2));
                put(5, concepts[below(8)]);
                put(43, names[below(8)]);
                end();
            }
        }
        balance += credits - debits;
        record("33");
        put(3, bank);
        put(7, office);
        put(11, account);
        put(21, number(debitCount, 5));
        put(26, number(debits, 14));
        put(40, number(creditCount, 5));
        put(45, number(credits, 14));
        put(59, balance < 0 ? "1" : "2");
        put(60, number(balance < 0 ? -balance : balance, 14));
        put(74, "978");
        end();
    }

    qint64 m_target;
    int m_errorEvery;
    quint64 m_seed = 20261231;
    qint64 m_records = 0;
    qint64 m_movements = 0;
    std::array<char, 80> m_line{};
    QByteArray m_extra;
    int m_lastAt = 0;
    QByteArray m_out;
};

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
    StatementWriter writer(megabytes << 20);
    if (!writer.write(file)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return false;
    }
    QFile(done).open(QIODevice::WriteOnly);
    return true;
}

} // namespace kesta::bench
