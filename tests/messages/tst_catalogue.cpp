// The message catalogue for support staff (docs/messages.md) lists every message the screen
// can show, with the text, title and style the screen uses.

#include "messages/Messages.h"

#include <QFile>
#include <QRegularExpression>
#include <QtTest>

using namespace kesta::messages;

class tst_Catalogue : public QObject {
    Q_OBJECT

private slots:
    void everyMessageIsListed();
};

void tst_Catalogue::everyMessageIsListed()
{
    QFile file(QStringLiteral(KESTA_SOURCE_DIR "/docs/messages.md"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QHash<QString, QStringList> rows; // id -> the row's cells
    for (const QString &line : QString::fromUtf8(file.readAll()).split('\n')) {
        const QStringList cells = line.split('|');
        if (cells.size() > 5 && QRegularExpression("^ 75000\\d\\d $").match(cells[1]).hasMatch())
            rows.insert("ERR-ID:" + cells[1].trimmed(), cells.mid(2, 3));
    }
    const QString v = QStringLiteral("<v>");
    const QList<Message> all{firstLineNeedsId(),
                             confirmLineDelete(),
                             lineDataIncomplete(),
                             lineIdRequired(),
                             fieldIdRequired(),
                             fieldPositionRequired(),
                             fieldLengthRequired(),
                             fieldTypeRequired(),
                             fieldIdDuplicated(v),
                             fieldNumberCollides(v, v, v),
                             lineOrderTaken(v),
                             fieldNumberOutOfRange(v, v, v),
                             lineNumberOutOfRange(v, v),
                             lineEditInProgress(),
                             keyTaken(v, v),
                             keyRequired(),
                             descriptionRequired(),
                             lineRequired(),
                             additionalFieldsNotSaved(),
                             saveFailed(v),
                             deactivationFailed(v),
                             reactivationFailed(v),
                             testFailed(v),
                             scriptFailed(v),
                             refillFailed(v),
                             keyNotFound(),
                             loadFailed(v),
                             noAutomaticKeyLeft(v, 4),
                             handlerFailed(v, v),
                             textTooLong(v, 5, 4),
                             numberDoesNotFit(v, v),
                             notANumber(v, v),
                             saveConflict(v, v),
                             unstorableCharacter(v, 9),
                             pasteTooLong(v, 5, 4),
                             replaceLineTypes(3),
                             proposalFileUnreadable(v, v),
                             proposalWithoutLineTypes(v),
                             proposalStopped(1, 3),
                             ruleWithoutItsField(v, v, v, v),
                             ruleWithoutItsField(v, v, v, QString())};
    QSet<QString> ids;
    for (const Message &m : all) {
        QVERIFY2(rows.contains(m.id), qPrintable(m.id + " is not in docs/messages.md"));
        const QStringList row = rows.value(m.id);
        QCOMPARE(row.at(1).trimmed(), m.title);
        QCOMPARE(row.at(2).trimmed().toInt(), m.style);
        // The fixed words of the text, in the catalogue's row (values are written <...> there).
        for (const QString &part :
             m.text.split(QRegularExpression("(?i)<v>|\\r\\n|\\d+"), Qt::SkipEmptyParts)) {
            if (part.trimmed().size() > 3)
                QVERIFY2(row.at(0).contains(part.trimmed()), qPrintable(m.id + ": " + part));
        }
        ids.insert(m.id);
    }
    QCOMPARE(ids.size(), all.size() - 1); // 7500060 twice: a field's and a line type's
    QCOMPARE(rows.size(), ids.size());
}

QTEST_MAIN(tst_Catalogue)
#include "tst_catalogue.moc"
