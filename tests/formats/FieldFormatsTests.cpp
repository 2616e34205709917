// The format language of NUMERO and Fecha fields: what a field's text reads in its format,
// and why a text or a format is refused. Also the scan of a line for bytes above 0x7F and
// control characters, many bytes at a time, against a byte-by-byte reading.

#include "formats/DateFormat.h"
#include "formats/DigitColumns.h"
#include "formats/Digits.h"
#include "formats/NumberFormat.h"
#include "formats/TextEncoding.h"
#include "support/DataRows.h"
#include "support/TestClasses.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using kesta::test::dataColumns;
using kesta::test::fetchColumns;
using velkora::formats::DateFormat;
using velkora::formats::DateValue;
using velkora::formats::NumberFormat;
using velkora::formats::NumberValue;
using velkora::formats::Problem;

Q_DECLARE_METATYPE(Problem::Code)

class TestFieldFormats : public QObject {
    Q_OBJECT

private slots:
    void numbers_data()
    {
        // reads: the number shown, empty when refused; at: the offending character, -1 none
        const auto add = dataColumns<QString, QByteArray, QString, Problem::Code, int>(
            {"format", "text", "reads", "problem", "at"});
        const auto ok = Problem::None;
        add("empty: digits", "", "000123", "123", ok, -1);
        add("0: digits", "0", "000000", "0", ok, -1);
        add("digits refuse a point", "", "0012.5", "", Problem::BadCharacter, 4);
        add("digits refuse a sign", "", "-00125", "", Problem::MisplacedSign, 0);
        add("implied 2", "0V00", "0001234", "12.34", ok, -1);
        add("implied 3, case", "9v999", "0001234", "1.234", ok, -1);
        add("implied under one", "0V00", "0000005", "0.05", ok, -1);
        add("point, all decimals", "0.00", "000012.50", "12.50", ok, -1);
        add("point, fewer decimals", "0.00", "0000012.5", "12.50", ok, -1);
        add("point, no mark", "0.00", "000001250", "1250.00", ok, -1);
        add("point, too many decimals", "0.00", "00012.505", "", Problem::TooManyDecimals, -1);
        add("point refuses a comma", "0.00", "000012,50", "", Problem::BadCharacter, 6);
        add("comma", "0,00", "0000012,50", "12.50", ok, -1);
        add("grouping and point", "#,##0.00", "1,234,567.5", "1234567.50", ok, -1);
        add("grouping and comma", "#.##0,00", "1.234,50", "1234.50", ok, -1);
        add("grouping only", "#,##0", "12,345", "12345", ok, -1);
        add("a second decimal mark", "0.00", "12.3.4", "", Problem::BadCharacter, 4);
        add("a grouping mark before any digit", "#,##0", ",12345", "", Problem::BadCharacter, 0);
        add("leading S minus", "S0V00", "-0001234", "-12.34", ok, -1);
        add("leading + plus", "+0V00", "+0001234", "12.34", ok, -1);
        add("leading blank sign", "-0V00", " 0001234", "12.34", ok, -1);
        add("leading sign optional", "S0.00", "00012.50", "12.50", ok, -1);
        add("trailing minus", "0V00-", "0001234-", "-12.34", ok, -1);
        add("trailing S plus", "0v00s", "0001234+", "12.34", ok, -1);
        add("sign at the wrong end", "0V00S", "-0001234", "", Problem::MisplacedSign, 0);
        add("negative zero is zero", "S0V00", "-0000000", "0.00", ok, -1);
        add("blank", "0V00", "       ", "", Problem::Blank, -1);
        add("padded blanks", "", "  123", "", Problem::BadCharacter, 0);
        add("letter O for zero", "0V00", "00O1234", "", Problem::BadCharacter, 2);
        add("sign only", "S0", "-", "", Problem::NoDigits, -1);
        add("18 digits", "", "000999999999999999999", "999999999999999999", ok, -1);
        add("19 digits", "", "1000000000000000000", "", Problem::TooManyDigits, -1);
        add("decimals pushed past 18", "0.00", "12345678901234567", "", Problem::TooManyDigits, -1);
        const auto refused = Problem::BadFormat;
        add("invalid format: letter", "0A0", "1", "", refused, -1);
        add("invalid format: signs at both ends", "S0V00-", "1", "", refused, -1);
        add("invalid format: two Vs", "0V0V0", "1", "", refused, -1);
        add("invalid format: V with a point", "0.0V0", "1", "", refused, -1);
        add("invalid format: a sign only", "S", "1", "", refused, -1);
        add("invalid format: point and comma both grouping", "0,000.000,0", "1", "", refused, -1);
    }
    void numbers()
    {
        auto [format, text, reads, problem, at] =
            fetchColumns<QString, QByteArray, QString, Problem::Code, int>(
                {"format", "text", "reads", "problem", "at"});
        QString error;
        const NumberFormat f = NumberFormat::compile(format, &error);
        QCOMPARE(f.valid(), problem != Problem::BadFormat);
        QCOMPARE(error.isEmpty(), f.valid()); // a refused format says why
        NumberValue value;
        Problem p;
        const bool ok = f.read(text.constData(), int(text.size()), value, p);
        QCOMPARE(ok, problem == Problem::None);
        if (ok)
            QCOMPARE(velkora::formats::numberText(value, f.decimals()), reads);
        QCOMPARE(p.code, problem);
        QCOMPARE(p.at, at);
    }

    void dates_data()
    {
        // reads: a day that does not exist: its year-month-day
        const auto add = dataColumns<QString, QByteArray, QString, Problem::Code>(
            {"format", "text", "reads", "problem"});
        const auto ok = Problem::None;
        add("empty is YYYYMMDD", "", "20261205", "2026-12-05", ok);
        add("DDMMYYYY", "DDMMYYYY", "05122026", "2026-12-05", ok);
        add("lower case", "yyyymmdd", "20261205", "2026-12-05", ok);
        add("dd/mm/aaaa", "dd/mm/aaaa", "05/12/2026", "2026-12-05", ok);
        // The two-digit years' pivot: 00-49 are 20xx, 50-99 19xx, with or without separators.
        add("YYMMDD 49", "YYMMDD", "491231", "2049-12-31", ok);
        add("YYMMDD 50", "YYMMDD", "500101", "1950-01-01", ok);
        add("DD/MM/YY 49", "DD/MM/YY", "31/12/49", "2049-12-31", ok);
        add("DD/MM/YY 50", "DD/MM/YY", "01/01/50", "1950-01-01", ok);
        add("YYYY-MM-DD", "YYYY-MM-DD", "2026-12-05", "2026-12-05", ok);
        add("leap day", "YYYYMMDD", "20240229", "2024-02-29", ok);
        add("no leap day", "YYYYMMDD", "20250229", "2025-2-29", Problem::BadDay);
        add("1900 not leap", "YYYYMMDD", "19000229", "1900-2-29", Problem::BadDay);
        add("2000 leap", "YYYYMMDD", "20000229", "2000-02-29", ok);
        add("2000 leap, separators", "DD/MM/YYYY", "29/02/2000", "2000-02-29", ok);
        add("April 31", "DDMMYYYY", "31042026", "2026-4-31", Problem::BadDay);
        // A day that does not exist names its month and year: a two-digit year as the pivot
        // reads it.
        add("YYMMDD 49, no day", "YYMMDD", "490230", "2049-2-30", Problem::BadDay);
        add("YYMMDD 50, no day", "YYMMDD", "500230", "1950-2-30", Problem::BadDay);
        add("DD/MM/YY 49, no day", "DD/MM/YY", "30/02/49", "2049-2-30", Problem::BadDay);
        add("DD/MM/YY 50, no day", "DD/MM/YY", "30/02/50", "1950-2-30", Problem::BadDay);
        add("month 13", "YYYYMMDD", "20261305", "", Problem::BadMonth);
        add("month 0", "YYYYMMDD", "20260015", "", Problem::BadMonth);
        add("month 0, separators", "DD/MM/YYYY", "15/00/2026", "", Problem::BadMonth);
        add("zeros", "YYYYMMDD", "00000000", "", Problem::BadYear);
        add("wrong separator", "DD/MM/YYYY", "05-12-2026", "", Problem::BadLiteral);
        add("too short", "DD/MM/YYYY", "5/12/2026", "", Problem::WrongLength);
        add("letter", "YYYYMMDD", "2026120A", "", Problem::BadCharacter);
        add("blank", "YYYYMMDD", "        ", "", Problem::Blank);
        const auto refused = Problem::BadFormat;
        add("invalid format: no day", "MMYYYY", "122026", "", refused);
        add("invalid format: two years", "YYYYMMDDYY", "2026120526", "", refused);
        add("invalid format: three-letter month", "DDMMMYYYY", "05DIC2026", "", refused);
        add("invalid format: hours", "YYYYMMDDHH", "2026120510", "", refused);
        add("invalid format: one-letter day", "DMMYYYY", "5122026", "", refused);
        add("invalid format: a day of the year with a month", "YYMMDDD", "2612001", "", refused);
        add("invalid format: a day of the year without a year", "DDD", "001", "", refused);
        add("invalid format: a day of the year twice", "YYDDDDDD", "26001001", "", refused);
    }
    void dates()
    {
        auto [format, text, reads, problem] =
            fetchColumns<QString, QByteArray, QString, Problem::Code>(
                {"format", "text", "reads", "problem"});
        QString error;
        const DateFormat f = DateFormat::compile(format, &error);
        QCOMPARE(f.valid(), problem != Problem::BadFormat);
        QCOMPARE(error.isEmpty(), f.valid()); // a refused format says why
        DateValue value;
        Problem p;
        QCOMPARE(f.read(text.constData(), int(text.size()), value, p), problem == Problem::None);
        QCOMPARE(p.code, problem);
        if (problem == Problem::None)
            QCOMPARE(velkora::formats::dateText(value), reads);
        else if (problem == Problem::BadDay)
            QCOMPARE(u"%1-%2-%3"_s.arg(p.c).arg(p.b).arg(p.a), reads);
    }

    // The digits read many at a time: at every length they take, a blank or a byte just outside
    // '0'..'9' at any place is refused, and the value is the byte-by-byte one.
    void digitsAgreeWithBytes_data()
    {
        QTest::addColumn<char>("byte");
        for (const char byte : {' ', '/', ':', 'A', '\xB0'})
            QTest::newRow(QByteArray(1, byte).toHex().constData()) << byte;
    }
    void digitsAgreeWithBytes()
    {
        QFETCH(char, byte);
        namespace digits = velkora::formats::digits;
        const QByteArray number = "98765432109876543210";
        for (int n = 1; n < number.size(); ++n) {
            const QByteArray whole = number.right(n) + "99999999"; // past the end: never read
            bool ok;
            const quint64 expected = whole.left(n).toULongLong(&ok);
            QVERIFY(ok && digits::allDigits(whole.constData(), n));
            QCOMPARE(digits::value(whole.constData(), n), expected);
            const QByteArray after16 = "ab\xFF" + QByteArray(13, '9') + whole; // read as zeros
            if (n <= 16) {
                QCOMPARE(digits::valueEndingAt(after16.constData() + 16 + n, n), expected);
                QCOMPARE(digits::Window(n).value(after16.constData() + 16 + n), expected);
            }
            quint64 value = 0;
            if (n >= 8 && n <= 16)
                QVERIFY(digits::digitsWithValue(whole.constData(), n, &value) && value == expected);
            for (int at = 0; at < n; ++at) {
                QByteArray bytes = whole;
                bytes[at] = byte;
                QVERIFY2(!digits::allDigits(bytes.constData(), n), bytes.constData());
                if (n >= 8 && n <= 16)
                    QVERIFY2(!digits::digitsWithValue(bytes.constData(), n, &value),
                             bytes.left(n).constData());
            }
        }
    }

    // The keys of n digits order as their values, whatever the bytes before them: equal values
    // give equal keys, and one more at the last digit, at the first, or a carry through nines
    // a greater key.
    void digitKeysOrderAsValues()
    {
        namespace digits = velkora::formats::digits;
        for (int n = 1; n <= 16; ++n) {
            const digits::Window window(n);
            auto key = [&](quint64 value, char before) {
                const QByteArray text = QByteArray(16, before) +
                                        QByteArray::number(value).rightJustified(n, '0');
                return window.key(text.constData() + text.size());
            };
            quint64 top = 0;
            for (int i = 0; i < n; ++i)
                top = top * 10 + 9;
            QList<quint64> values{0, 1, 9, 10, top / 2, top / 2 + 1, top - 1, top};
            values.removeIf([&](quint64 value) { return value > top; });
            for (const quint64 a : values) {
                for (const quint64 b : values) {
                    QCOMPARE(key(a, ' ') < key(b, '9'), a < b);
                    QCOMPARE(key(a, '\xFF') == key(b, 'A'), a == b);
                }
            }
        }
    }

    // The key of the next number, at every width: over one 9 and over every run of 9s up to all
    // but the first digit; none after the greatest number the digits hold.
    void digitKeyAfter()
    {
        namespace digits = velkora::formats::digits;
        for (int n = 1; n <= 16; ++n) {
            const digits::Window window(n);
            auto key = [&](quint64 value) {
                const QByteArray text = QByteArray(16, 'x') +
                                        QByteArray::number(value).rightJustified(n, '0');
                return window.key(text.constData() + text.size());
            };
            quint64 top = 0;
            for (int i = 0; i < n; ++i)
                top = top * 10 + 9;
            QList<quint64> values{0, 8, top / 3, top / 9 * 4};
            for (quint64 nines = 9; nines < top; nines = nines * 10 + 9)
                values << nines << nines + 10 * (top / 9 % 7);
            for (const quint64 value : values) {
                if (value >= top)
                    continue;
                unsigned __int128 after = 0;
                QVERIFY2(window.keyAfter(key(value), &after),
                         qPrintable(u"%1 digits: %2"_s.arg(n).arg(value)));
                QVERIFY2(after == key(value + 1),
                         qPrintable(u"%1 digits: %2"_s.arg(n).arg(value)));
            }
            unsigned __int128 after = 0;
            QVERIFY(!window.keyAfter(key(top), &after));
        }
    }

    // Sums kept in digit columns: the sum of every number added, with bytes of any kind before
    // and after the digits, up to the columns' capacity of the greatest digits; taking the sum
    // empties them.
    void digitColumnsSum_data()
    {
        const auto add = dataColumns<int, int>({"size", "after"});
        for (const int size : {1, 2, 8, 9, 10, 15, 16})
            add(qPrintable(u"%1 digits"_s.arg(size)), size, 0);
        add("8 digits, 5 bytes after them", 8, 5);
        add("2 digits, 13 bytes after them", 2, 13);
    }
    void digitColumnsSum()
    {
        auto [size, after] = fetchColumns<int, int>({"size", "after"});
        namespace formats = velkora::formats;
        formats::DigitColumns columns(size, after);
        const int lead = 16 - size - after;
        const QByteArray nines(size, '9');
        const QByteArray tail(after, 'x');
        __int128 expected = 0;
        for (int i = 0; i < formats::DigitColumns::Capacity; ++i) {
            const QByteArray line = QByteArray(lead, char(0xFF - i % 7)) + nines + tail;
            columns.add(line.constData() + 16);
            expected += __int128(nines.toULongLong());
        }
        QVERIFY(columns.take() == expected);
        QVERIFY(columns.take() == 0);
        quint64 sum = 0;
        for (quint64 value = 0, step = 1; value < nines.toULongLong(); value += step, step *= 3) {
            const QByteArray line = QByteArray(lead, ' ') +
                                    QByteArray::number(value).rightJustified(size, '0') + tail;
            columns.add(line.constData() + 16);
            sum += value;
        }
        QVERIFY(columns.take() == __int128(sum));
    }

    // Every length up to a few blocks, and a byte above 0x7F, a control character, a TAB (no
    // control) or none at every place: the scan agrees with a byte-by-byte reading on every
    // path this processor has (portable, SSE2, AVX2), and so does the test for printable bytes.
    void lineScanAgreesWithBytes_data()
    {
        QTest::addColumn<char>("byte");
        QTest::newRow("none") << 'a';
        QTest::newRow("above 0x7F") << '\xC3';
        QTest::newRow("TAB") << '\t';
        QTest::newRow("0x1F") << '\x1F';
        QTest::newRow("0x20") << ' ';
        QTest::newRow("0x7F") << '\x7F';
    }
    void lineScanAgreesWithBytes()
    {
        QFETCH(char, byte);
        using Scan = bool (*)(const char *, qsizetype, qsizetype *);
        std::vector<std::pair<const char *, Scan>> scans{
            {"chosen", &velkora::formats::asciiAndControl}};
#ifdef __SSE2__
        scans.emplace_back("SSE2", &velkora::formats::asciiAndControlSse2);
        if (velkora::formats::hasAvx2())
            scans.emplace_back("AVX2", &velkora::formats::asciiAndControlAvx2);
#endif
        QByteArray line(200, 'x');
        for (int n = 0; n <= line.size(); ++n) {
            for (int at = 0; at <= n; ++at) { // at == n: the byte stands past the line
                QByteArray bytes = line.left(n) + "\x02\x80"; // past the end: never read
                if (at < n) {
                    bytes[at] = byte;
                    if (at + 3 < n)
                        bytes[n - 1] = '\x05'; // a later control is not the first
                }
                qsizetype control = -1;
                bool ascii = true;
                for (int i = 0; i < n; ++i) {
                    const auto b = static_cast<unsigned char>(bytes[i]);
                    ascii = ascii && b < 0x80;
                    if (control < 0 && b < 0x20 && b != 0x09)
                        control = i;
                }
                for (const auto &[name, scan] : scans) {
                    qsizetype found = -2;
                    const bool gotAscii = scan(bytes.constData(), n, &found);
                    const QByteArray what = QByteArray(name) + ", length " + QByteArray::number(n) +
                                            ", at " + QByteArray::number(at);
                    QVERIFY2(gotAscii == ascii, what);
                    QVERIFY2(found == control, what);
                }
                QVERIFY(velkora::formats::printableAscii(bytes.constData(), n) ==
                        (ascii && control < 0 && !bytes.left(n).contains('\t')));
            }
        }
    }
};

[[maybe_unused]] static const bool added = kesta::test::addTestClass<TestFieldFormats>();

#include "FieldFormatsTests.moc"
