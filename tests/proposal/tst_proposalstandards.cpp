// The proposal on the next file: from one day's file of a public standard (written from its
// published layout), the line types are the standard's record types, named by their record
// codes; and the format proposed, as it is saved, tests another day's file of the same sender
// (other routing numbers, statements numbered from 200, another account structure, other
// counts) with no line left without a line type and none with two.

#include "ProposalChecks.h"
#include "StandardFiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>

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
        const auto add =
            dataColumns<QStringList, QStringList, QStringList>({"first", "next", "ids"});
        Day a;
        Day b{.seed = 9,
              .groups = 3,
              .perGroup = 21,
              .firstStatement = 200,
              .structure = "3",
              .routings = {"0710", "0440", "1110", "2630"}};
        add("NACHA", nachaFile(a), nachaFile(b),
            QStringList{u"1@1+1"_s, u"5@1+1"_s, u"6@1+1"_s, u"7@1+1"_s, u"8@1+1"_s, u"90@1+2"_s,
                        u"99@1+2"_s});
        add("CODA", codaFile(a), codaFile(b),
            QStringList{u"0@1+1"_s, u"1@1+1"_s, u"21@1+2"_s, u"22@1+2"_s, u"23@1+2"_s, u"31@1+2"_s,
                        u"32@1+2"_s, u"33@1+2"_s, u"4@1+1"_s, u"8@1+1"_s, u"9@1+1"_s});
        add("Cuaderno 19.14", cuaderno19File(a), cuaderno19File(b),
            QStringList{u"01@1+2"_s, u"02@1+2"_s, u"03@1+2"_s, u"04@1+2"_s, u"05@1+2"_s,
                        u"99@1+2"_s});
        add("Asobancaria 2001", asobancariaFile(a), asobancariaFile(b),
            QStringList{u"01@1+2"_s, u"05@1+2"_s, u"06@1+2"_s, u"08@1+2"_s, u"09@1+2"_s});
        add("CNAB 400", cnab400File(a), cnab400File(b),
            QStringList{u"0@1+1"_s, u"1@1+1"_s, u"9@1+1"_s});
        add("Norma 43", bankStatement(2, 30), bankStatement(3, 21, 9),
            QStringList{u"11@1+2"_s, u"22@1+2"_s, u"23@1+2"_s, u"33@1+2"_s, u"88@1+2"_s});
        add("Bacs Standard 18", bacsFile(a), bacsFile(b),
            QStringList{u"VOL1@1+4"_s, u"HDR1@1+4"_s, u"HDR2@1+4"_s, u"UHL1@1+4"_s, u"99@16+2"_s,
                        u"17@16+2"_s, u"EOF1@1+4"_s, u"EOF2@1+4"_s, u"UTL1@1+4"_s});
    }
    void nextFile()
    {
        auto [first, next, ids] =
            fetchColumns<QStringList, QStringList, QStringList>({"first", "next", "ids"});
        const QString firstPath = write(first);
        const QString nextPath = write(next);
        const Proposal proposal = propose(firstPath);
        QCOMPARE(idPlaces(proposal), ids);
        checkRoundTrip(proposal, firstPath);
        const velkora::formats::LoadFormat format =
            velkora::proposal::toLoadFormat(proposal, u"PROP"_s);
        const auto report = velkora::formats::testLoadFormat(format, nextPath);
        QVERIFY2(report.ran, qPrintable(report.error));
        QCOMPARE(report.result.lines, next.size());
        QCOMPARE(report.result.unmatched.count, 0);
        QCOMPARE(report.result.ambiguous.count, 0);
        // Every field reads and every rule holds on the next file too: nothing of the sample's
        // own values (its sender, its numbering) was taken for the layout.
        QStringList fieldErrors, ruleErrors;
        for (const auto &e : report.errors)
            (e.rule.isEmpty() ? fieldErrors : ruleErrors)
                << u"%1 %2 %3"_s.arg(e.line).arg(e.rule, e.message);
        QVERIFY2(fieldErrors.isEmpty(), qPrintable(fieldErrors.mid(0, 5).join(u'\n')));
        // CODA's sequence numbers, cut into a count and a sum's last digit on the sample, are
        // no totals; nor is a record type that followed one same type twice a TRAS.
        QVERIFY2(ruleErrors.isEmpty(), qPrintable(ruleErrors.mid(0, 5).join(u'\n')));
    }

    // Fields a user can trust: what was the same on every line of one sender's file (its tax
    // ID, its account) is data, not a constant, and says so; a debit/credit column is a field
    // of its own; dates read in the format that puts them among the file's dates, and a date
    // of zeros (not given) is OPCIONAL; a long number says its decimals may be implied.
    void fieldsOfTheStandards()
    {
        const Day day;
        const Proposal cnab = propose(write(cnab400File(day)));
        const ProposedLineType &header = typeOf(cnab, u"0"_s);
        QCOMPARE(fieldAt(header, 95), u"03 6 DDMMYY"_s);  // 200526: 2026-05-20
        QCOMPARE(fieldAt(header, 380), u"03 6 DDMMYY"_s); // 210526: 2026-05-21
        const ProposedLineType &title = typeOf(cnab, u"1"_s);
        int identities = 0;
        for (const ProposedField &f : title.fields) {
            if (f.position + f.length <= 4 || f.position > 37)
                continue; // the tax ID, the company's agency and account
            QVERIFY2(f.typeCode != u"04"_s, qPrintable(fieldList(title).join(u' ')));
            identities += f.guess.startsWith(u"Igual en las 60 líneas"_s);
        }
        QVERIFY(identities > 0);
        QCOMPARE(fieldAt(title, 153), u"01 13"_s);
        // Expenses, interest and discounts are zero on every title of this file: numbers
        // (another file's are not zero), not constants of zeros.
        QCOMPARE(fieldAt(title, 176), u"01 18"_s);
        QVERIFY(guessAt(title, 153).contains(u"decimales implícitos"_s));

        // What was guessed is in the JSON, each guess naming its line type and field.
        const QJsonObject json = QJsonDocument::fromJson(velkora::proposal::toJson(cnab)).object();
        const QJsonArray guesses = json[u"guesses"_s].toArray();
        QVERIFY(std::any_of(guesses.begin(), guesses.end(), [](const QJsonValue &g) {
            return g.toString().startsWith(u"Tipo 1, Campo "_s) &&
                   g.toString().contains(u"Igual en las 60 líneas"_s);
        }));
        QVERIFY(json[u"line_types"_s][0][u"fields"_s][0].toObject().contains(u"guess"_s));
        QVERIFY(json.contains(u"suggestions"_s));

        const Proposal coda = propose(write(codaFile(day)));
        const ProposedLineType &movement = typeOf(coda, u"21"_s);
        QCOMPARE(fieldAt(movement, 32), u"01 1"_s); // 0 credit, 1 debit
        QVERIFY(guessAt(movement, 32).contains(u"signo"_s));
        QCOMPARE(fieldAt(movement, 33), u"01 15"_s);
        QCOMPARE(fieldAt(movement, 48), u"03 6 DDMMYY"_s);
        const qsizetype t = idPlaces(coda).indexOf(u"21@1+2"_s);
        const qsizetype valueDate = fieldList(movement).indexOf(QRegularExpression(u"48:.*"_s));
        QVERIFY(ruleTexts(coda).contains(u"%1|%2|OPCIONAL"_s.arg(t + 1, 4, 10, QChar(u'0'))
                                             .arg(valueDate + 1, 4, 10, QChar(u'0'))));
    }

    // Counts and sums are rules when they held on every group of two or more; on a single
    // trailer (the file's, or one lot's) they are suggestions, not part of the format.
    void totalsOnEveryGroup_data()
    {
        const auto add = dataColumns<int, QStringList, QStringList>({"lots", "rules", "suggested"});
        const QStringList lot{u"0004|0001|CUENTA 0003 DESDE 0002"_s,
                              u"0004|0002|SUMA 0003.0004 DESDE 0002"_s};
        const QStringList file{u"0005|0001|CUENTA 0003"_s, u"0005|0002|SUMA 0003.0004"_s};
        add("two lots", 2, lot, file);
        // One lot: its trailer's totals run from the file's start, as the file's do.
        add("one lot", 1, QStringList(),
            QStringList{u"0004|0001|CUENTA 0003"_s, u"0004|0002|SUMA 0003.0004"_s} + file);
    }
    void totalsOnEveryGroup()
    {
        auto [lots, rules, suggested] =
            fetchColumns<int, QStringList, QStringList>({"lots", "rules", "suggested"});
        const QString path = write(asobancariaFile(Day{.groups = lots}));
        const Proposal proposal = propose(path);
        const QRegularExpression totals(u"CUENTA 0003|SUMA"_s);
        QCOMPARE(ruleTexts(proposal).filter(totals), rules);
        QCOMPARE(ruleTexts(proposal.suggestions).filter(totals), suggested);
        checkRoundTrip(proposal, path);
    }

    // A count cut short by the 18 digits a number may have (a trailer's 10-digit count of
    // records after a total and a count) is no rule.
    void noTotalOnAPartOfARun()
    {
        const Proposal proposal = propose(write(cuaderno19File(Day{})));
        QCOMPARE(proposal.lineTypes.last().id, u"99"_s);
        const QString last = u"^%1\\|.*CUENTA"_s.arg(proposal.lineTypes.size(), 4, 10, QChar(u'0'));
        QCOMPARE(ruleTexts(proposal).filter(QRegularExpression(last)), QStringList());
    }

    // Places of IDs reach column 20: three record codes "REC1", "REC2", "REC3" at columns
    // 17-20, after an account number, are told apart by their last character.
    void idEndingAtColumn20()
    {
        Random r(3);
        QStringList lines;
        for (int i = 0; i < 60; ++i) {
            const int kind = i % 3;
            lines << row(60, {1, r.digits(16), 17, u"REC%1"_s.arg(kind + 1), 22,
                              kind == 0 ? u"NOMBRE DEL CLIENTE"_s : r.digits(12), 40,
                              kind == 2 ? u"TOTAL"_s : r.digits(8)});
        }
        const QString path = write(lines);
        const Proposal proposal = propose(path);
        QCOMPARE(idPlaces(proposal), (QStringList{u"1@20+1"_s, u"2@20+1"_s, u"3@20+1"_s}));
        checkRoundTrip(proposal, path);
    }
};

QTEST_GUILESS_MAIN(TestProposalStandards)
#include "tst_proposalstandards.moc"
