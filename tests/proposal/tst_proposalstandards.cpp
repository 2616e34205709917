// The proposal on the next file: from one day's file of a public standard (written from its
// published layout), the line types are the standard's record types, named by their record
// codes; and the format proposed, as it is saved, tests another day's file of the same sender
// (other routing numbers, statements numbered from 200, another account structure, other
// counts) with no line left without a line type and none with two.

#include "ProposalChecks.h"
#include "StandardFiles.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace proposal_test;

class TestProposalStandards : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    int files = 0;

    QString write(const QStringList &lines)
    {
        return writeFile(dir.filePath(u"standard%1.txt"_s.arg(++files)), lines);
    }

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void nextFile_data()
    {
        QTest::addColumn<QStringList>("first");
        QTest::addColumn<QStringList>("next");
        QTest::addColumn<QStringList>("ids");
        Day a;
        Day b{.seed = 9,
              .groups = 3,
              .perGroup = 21,
              .firstStatement = 200,
              .structure = "3",
              .routings = {"0710", "0440", "1110", "2630"}};
        QTest::newRow("NACHA") << nachaFile(a) << nachaFile(b)
                               << QStringList{u"1@1+1"_s, u"5@1+1"_s,  u"6@1+1"_s, u"7@1+1"_s,
                                              u"8@1+1"_s, u"90@1+2"_s, u"99@1+2"_s};
        QTest::newRow("CODA") << codaFile(a) << codaFile(b)
                              << QStringList{u"0@1+1"_s,  u"1@1+1"_s,  u"21@1+2"_s, u"22@1+2"_s,
                                             u"23@1+2"_s, u"31@1+2"_s, u"32@1+2"_s, u"33@1+2"_s,
                                             u"4@1+1"_s,  u"8@1+1"_s,  u"9@1+1"_s};
        QTest::newRow("Cuaderno 19.14")
            << cuaderno19File(a) << cuaderno19File(b)
            << QStringList{u"01@1+2"_s, u"02@1+2"_s, u"03@1+2"_s,
                           u"04@1+2"_s, u"05@1+2"_s, u"99@1+2"_s};
        QTest::newRow("Asobancaria 2001")
            << asobancariaFile(a) << asobancariaFile(b)
            << QStringList{u"01@1+2"_s, u"05@1+2"_s, u"06@1+2"_s, u"08@1+2"_s, u"09@1+2"_s};
        QTest::newRow("CNAB 400") << cnab400File(a) << cnab400File(b)
                                  << QStringList{u"0@1+1"_s, u"1@1+1"_s, u"9@1+1"_s};
        QTest::newRow("Bacs Standard 18")
            << bacsFile(a) << bacsFile(b)
            << QStringList{u"VOL1@1+4"_s, u"HDR1@1+4"_s, u"HDR2@1+4"_s, u"UHL1@1+4"_s,
                           u"EOF1@1+4"_s, u"EOF2@1+4"_s, u"UTL1@1+4"_s};
    }
    void nextFile()
    {
        QFETCH(QStringList, first);
        QFETCH(QStringList, next);
        QFETCH(QStringList, ids);
        const QString firstPath = write(first);
        const QString nextPath = write(next);
        const Proposal proposal = propose(firstPath);
        // Bacs data records carry no record code: they start with the sort code, and no
        // column holds a code on them that no label holds at the same place, so a load format
        // (one ID at one place per line type) cannot give them one line type. The proposal
        // still splits them by the sort code's first digit.
        QEXPECT_FAIL("Bacs Standard 18", "data records without a record code", Abort);
        QCOMPARE(idPlaces(proposal), ids);
        checkRoundTrip(proposal, firstPath);
        const velkora::formats::LoadFormat format =
            velkora::proposal::toLoadFormat(proposal, u"PROP"_s);
        const auto report = velkora::formats::testLoadFormat(format, nextPath);
        QVERIFY2(report.ran, qPrintable(report.error));
        QCOMPARE(report.result.lines, next.size());
        QCOMPARE(report.result.unmatched.count, 0);
        QCOMPARE(report.result.ambiguous.count, 0);
    }
};

QTEST_GUILESS_MAIN(TestProposalStandards)
#include "tst_proposalstandards.moc"
