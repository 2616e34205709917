// The format language of NUMERO and Fecha fields: what a field's text reads in its format,
// and why a text or a format is refused. Also the scan of a line for bytes above 0x7F and
// control characters, many bytes at a time, against a byte-by-byte reading.

#include "formats/DateFormat.h"
#include "formats/NumberFormat.h"
#include "formats/TextEncoding.h"
#include "support/TestClasses.h"

#include <QtTest>

using namespace Qt::StringLiterals;
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
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("reads"); // the number shown, empty when refused
        QTest::addColumn<Problem::Code>("problem");
        QTest::addColumn<int>("at"); // the offending character, -1 none
        const auto ok = Problem::None;
        QTest::newRow("empty: digits") << u""_s << "000123"_ba << u"123"_s << ok << -1;
        QTest::newRow("0: digits") << u"0"_s << "000000"_ba << u"0"_s << ok << -1;
        QTest::newRow("digits refuse a point")
            << u""_s << "0012.5"_ba << u""_s << Problem::BadCharacter << 4;
        QTest::newRow("digits refuse a sign")
            << u""_s << "-00125"_ba << u""_s << Problem::MisplacedSign << 0;
        QTest::newRow("implied 2") << u"0V00"_s << "0001234"_ba << u"12.34"_s << ok << -1;
        QTest::newRow("implied 3, case") << u"9v999"_s << "0001234"_ba << u"1.234"_s << ok << -1;
        QTest::newRow("implied under one") << u"0V00"_s << "0000005"_ba << u"0.05"_s << ok << -1;
        QTest::newRow("point, all decimals")
            << u"0.00"_s << "000012.50"_ba << u"12.50"_s << ok << -1;
        QTest::newRow("point, fewer decimals")
            << u"0.00"_s << "0000012.5"_ba << u"12.50"_s << ok << -1;
        QTest::newRow("point, no mark") << u"0.00"_s << "000001250"_ba << u"1250.00"_s << ok << -1;
        QTest::newRow("point, too many decimals")
            << u"0.00"_s << "00012.505"_ba << u""_s << Problem::TooManyDecimals << -1;
        QTest::newRow("point refuses a comma")
            << u"0.00"_s << "000012,50"_ba << u""_s << Problem::BadCharacter << 6;
        QTest::newRow("comma") << u"0,00"_s << "0000012,50"_ba << u"12.50"_s << ok << -1;
        QTest::newRow("grouping and point")
            << u"#,##0.00"_s << "1,234,567.5"_ba << u"1234567.50"_s << ok << -1;
        QTest::newRow("grouping and comma")
            << u"#.##0,00"_s << "1.234,50"_ba << u"1234.50"_s << ok << -1;
        QTest::newRow("grouping only") << u"#,##0"_s << "12,345"_ba << u"12345"_s << ok << -1;
        QTest::newRow("a second decimal mark")
            << u"0.00"_s << "12.3.4"_ba << u""_s << Problem::BadCharacter << 4;
        QTest::newRow("a grouping mark before any digit")
            << u"#,##0"_s << ",12345"_ba << u""_s << Problem::BadCharacter << 0;
        QTest::newRow("leading S minus") << u"S0V00"_s << "-0001234"_ba << u"-12.34"_s << ok << -1;
        QTest::newRow("leading + plus") << u"+0V00"_s << "+0001234"_ba << u"12.34"_s << ok << -1;
        QTest::newRow("leading blank sign")
            << u"-0V00"_s << " 0001234"_ba << u"12.34"_s << ok << -1;
        QTest::newRow("leading sign optional")
            << u"S0.00"_s << "00012.50"_ba << u"12.50"_s << ok << -1;
        QTest::newRow("trailing minus") << u"0V00-"_s << "0001234-"_ba << u"-12.34"_s << ok << -1;
        QTest::newRow("trailing S plus") << u"0v00s"_s << "0001234+"_ba << u"12.34"_s << ok << -1;
        QTest::newRow("sign at the wrong end")
            << u"0V00S"_s << "-0001234"_ba << u""_s << Problem::MisplacedSign << 0;
        QTest::newRow("negative zero is zero")
            << u"S0V00"_s << "-0000000"_ba << u"0.00"_s << ok << -1;
        QTest::newRow("blank") << u"0V00"_s << "       "_ba << u""_s << Problem::Blank << -1;
        QTest::newRow("padded blanks")
            << u""_s << "  123"_ba << u""_s << Problem::BadCharacter << 0;
        QTest::newRow("letter O for zero")
            << u"0V00"_s << "00O1234"_ba << u""_s << Problem::BadCharacter << 2;
        QTest::newRow("sign only") << u"S0"_s << "-"_ba << u""_s << Problem::NoDigits << -1;
        QTest::newRow("18 digits")
            << u""_s << "000999999999999999999"_ba << u"999999999999999999"_s << ok << -1;
        QTest::newRow("19 digits")
            << u""_s << "1000000000000000000"_ba << u""_s << Problem::TooManyDigits << -1;
        QTest::newRow("decimals pushed past 18")
            << u"0.00"_s << "12345678901234567"_ba << u""_s << Problem::TooManyDigits << -1;
        const auto refused = Problem::BadFormat;
        QTest::newRow("invalid format: letter") << u"0A0"_s << "1"_ba << u""_s << refused << -1;
        QTest::newRow("invalid format: signs at both ends")
            << u"S0V00-"_s << "1"_ba << u""_s << refused << -1;
        QTest::newRow("invalid format: two Vs") << u"0V0V0"_s << "1"_ba << u""_s << refused << -1;
        QTest::newRow("invalid format: V with a point")
            << u"0.0V0"_s << "1"_ba << u""_s << refused << -1;
        QTest::newRow("invalid format: a sign only") << u"S"_s << "1"_ba << u""_s << refused << -1;
        QTest::newRow("invalid format: point and comma both grouping")
            << u"0,000.000,0"_s << "1"_ba << u""_s << refused << -1;
    }
    void numbers()
    {
        QFETCH(QString, format);
        QFETCH(QByteArray, text);
        QFETCH(QString, reads);
        QFETCH(Problem::Code, problem);
        QFETCH(int, at);
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
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("reads"); // a day that does not exist: its year-month-day
        QTest::addColumn<Problem::Code>("problem");
        const auto ok = Problem::None;
        QTest::newRow("empty is YYYYMMDD") << u""_s << "20261205"_ba << u"2026-12-05"_s << ok;
        QTest::newRow("DDMMYYYY") << u"DDMMYYYY"_s << "05122026"_ba << u"2026-12-05"_s << ok;
        QTest::newRow("lower case") << u"yyyymmdd"_s << "20261205"_ba << u"2026-12-05"_s << ok;
        QTest::newRow("dd/mm/aaaa") << u"dd/mm/aaaa"_s << "05/12/2026"_ba << u"2026-12-05"_s << ok;
        // The two-digit years' pivot: 00-49 are 20xx, 50-99 19xx, with or without separators.
        QTest::newRow("YYMMDD 49") << u"YYMMDD"_s << "491231"_ba << u"2049-12-31"_s << ok;
        QTest::newRow("YYMMDD 50") << u"YYMMDD"_s << "500101"_ba << u"1950-01-01"_s << ok;
        QTest::newRow("DD/MM/YY 49") << u"DD/MM/YY"_s << "31/12/49"_ba << u"2049-12-31"_s << ok;
        QTest::newRow("DD/MM/YY 50") << u"DD/MM/YY"_s << "01/01/50"_ba << u"1950-01-01"_s << ok;
        QTest::newRow("YYYY-MM-DD") << u"YYYY-MM-DD"_s << "2026-12-05"_ba << u"2026-12-05"_s << ok;
        QTest::newRow("leap day") << u"YYYYMMDD"_s << "20240229"_ba << u"2024-02-29"_s << ok;
        QTest::newRow("no leap day")
            << u"YYYYMMDD"_s << "20250229"_ba << u"2025-2-29"_s << Problem::BadDay;
        QTest::newRow("1900 not leap")
            << u"YYYYMMDD"_s << "19000229"_ba << u"1900-2-29"_s << Problem::BadDay;
        QTest::newRow("2000 leap") << u"YYYYMMDD"_s << "20000229"_ba << u"2000-02-29"_s << ok;
        QTest::newRow("2000 leap, separators")
            << u"DD/MM/YYYY"_s << "29/02/2000"_ba << u"2000-02-29"_s << ok;
        QTest::newRow("April 31") << u"DDMMYYYY"_s << "31042026"_ba << u"2026-4-31"_s
                                  << Problem::BadDay;
        // A day that does not exist names its month and year: a two-digit year as the pivot
        // reads it.
        QTest::newRow("YYMMDD 49, no day")
            << u"YYMMDD"_s << "490230"_ba << u"2049-2-30"_s << Problem::BadDay;
        QTest::newRow("YYMMDD 50, no day")
            << u"YYMMDD"_s << "500230"_ba << u"1950-2-30"_s << Problem::BadDay;
        QTest::newRow("DD/MM/YY 49, no day")
            << u"DD/MM/YY"_s << "30/02/49"_ba << u"2049-2-30"_s << Problem::BadDay;
        QTest::newRow("DD/MM/YY 50, no day")
            << u"DD/MM/YY"_s << "30/02/50"_ba << u"1950-2-30"_s << Problem::BadDay;
        QTest::newRow("month 13") << u"YYYYMMDD"_s << "20261305"_ba << u""_s << Problem::BadMonth;
        QTest::newRow("month 0") << u"YYYYMMDD"_s << "20260015"_ba << u""_s << Problem::BadMonth;
        QTest::newRow("month 0, separators")
            << u"DD/MM/YYYY"_s << "15/00/2026"_ba << u""_s << Problem::BadMonth;
        QTest::newRow("zeros") << u"YYYYMMDD"_s << "00000000"_ba << u""_s << Problem::BadYear;
        QTest::newRow("wrong separator")
            << u"DD/MM/YYYY"_s << "05-12-2026"_ba << u""_s << Problem::BadLiteral;
        QTest::newRow("too short")
            << u"DD/MM/YYYY"_s << "5/12/2026"_ba << u""_s << Problem::WrongLength;
        QTest::newRow("letter") << u"YYYYMMDD"_s << "2026120A"_ba << u""_s << Problem::BadCharacter;
        QTest::newRow("blank") << u"YYYYMMDD"_s << "        "_ba << u""_s << Problem::Blank;
        const auto refused = Problem::BadFormat;
        QTest::newRow("invalid format: no day") << u"MMYYYY"_s << "122026"_ba << u""_s << refused;
        QTest::newRow("invalid format: two years")
            << u"YYYYMMDDYY"_s << "2026120526"_ba << u""_s << refused;
        QTest::newRow("invalid format: three-letter month")
            << u"DDMMMYYYY"_s << "05DIC2026"_ba << u""_s << refused;
        QTest::newRow("invalid format: hours")
            << u"YYYYMMDDHH"_s << "2026120510"_ba << u""_s << refused;
        QTest::newRow("invalid format: one-letter day")
            << u"DMMYYYY"_s << "5122026"_ba << u""_s << refused;
    }
    void dates()
    {
        QFETCH(QString, format);
        QFETCH(QByteArray, text);
        QFETCH(QString, reads);
        QFETCH(Problem::Code, problem);
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

    // Every length up to a few blocks, and a byte above 0x7F, a control character, a TAB (no
    // control) or none at every place: the scan agrees with a byte-by-byte reading on every
    // path this processor has (portable, SSE2, AVX2).
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
            }
        }
    }
};

[[maybe_unused]] static const bool added = kesta::test::addTestClass<TestFieldFormats>();

#include "FieldFormatsTests.moc"
