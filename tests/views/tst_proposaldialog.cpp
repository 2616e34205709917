// The dialog that shows a proposed load format: its tables follow the chosen line type, a
// chosen field is highlighted on the sample's lines, the lines that fit no type are listed and
// shown, and its buttons give the answer without changing the proposal.

#include "proposal/Proposal.h"
#include "views/ProposalDialog.h"
#include "views/ProposalModels.h"
#include "views/RawLinesView.h"

#include <QAbstractItemModelTester>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

using velkora::views::ProposalDialog;

namespace {

// Payment orders: a header "H", lines "P" and one blank line among them (which fits no line
// type).
QString writeOrders(const QTemporaryDir &folder)
{
    QStringList lines{"H2026120600001EMPRESA DEMOSTRACION SA    "};
    for (int i = 1; i <= 12; ++i) {
        lines << QStringLiteral("P%1%2%3")
                     .arg(i, 6, 10, QLatin1Char('0'))
                     .arg(1000 + i * 731, 10, 10, QLatin1Char('0'))
                     .arg(i % 2 ? "PROVEEDOR UNO       " : "PROVEEDOR DOS       ");
        if (i == 6)
            lines << QString();
    }
    const QString path = folder.filePath("ordenes.txt");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write((lines.join('\n') + '\n').toUtf8()) < 0)
        qFatal("writeOrders: cannot write %s", qPrintable(path));
    return path;
}

QStringList column(const QAbstractItemModel *model, int c)
{
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row)
        texts << model->index(row, c).data().toString();
    return texts;
}

} // namespace

class tst_ProposalDialog : public QObject {
    Q_OBJECT

private slots:
    void showsTheProposalOnTheSample();
    void buttonsAnswer_data();
    void buttonsAnswer();
};

void tst_ProposalDialog::showsTheProposalOnTheSample()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString path = writeOrders(folder);
    velkora::proposal::Proposal proposal;
    QString error;
    QVERIFY2(velkora::proposal::proposeFromFile(path, &proposal, &error), qPrintable(error));
    QCOMPARE(proposal.lineTypes.size(), 2);
    QCOMPARE(proposal.unmatchedLines, (QList<qint64>{8}));

    ProposalDialog dialog(proposal);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QAbstractItemModelTester typesTester(dialog.lineTypesTable()->model());
    QAbstractItemModelTester fieldsTester(dialog.fieldsTable()->model());
    auto *lines = dialog.linesView();

    // The line types with their counts; the first is chosen, its fields shown, numbered as
    // they are stored, and the sample opens on its first line.
    const QAbstractItemModel *types = dialog.lineTypesTable()->model();
    QCOMPARE(column(types, 0), (QStringList{proposal.lineTypes[0].id, proposal.lineTypes[1].id}));
    QCOMPARE(column(types, 2), (QStringList{"1", "12"}));
    const QAbstractItemModel *fields = dialog.fieldsTable()->model();
    QCOMPARE(fields->rowCount(), proposal.lineTypes[0].fields.size());
    QCOMPARE(fields->index(0, 0).data().toString(), QStringLiteral("0001"));
    QVERIFY(fields->index(0, 8).data().toString().endsWith(" %"));
    QCOMPARE(lines->rowCount(), 14);
    QCOMPARE(lines->currentRow(), 0);

    // Another line type: its fields, its first line; a field of it: its band on every line of
    // the type.
    QTest::mouseClick(dialog.lineTypesTable()->viewport(), Qt::LeftButton, {},
                      dialog.lineTypesTable()->visualRect(types->index(1, 1)).center());
    QCOMPARE(fields->rowCount(), proposal.lineTypes[1].fields.size());
    QCOMPARE(column(fields, 2).first(),
             QString::number(proposal.lineTypes[1].fields.first().position));
    QCOMPARE(lines->currentRow(), 1);
    const int last = fields->rowCount() - 1;
    QTest::mouseClick(dialog.fieldsTable()->viewport(), Qt::LeftButton, {},
                      dialog.fieldsTable()->visualRect(fields->index(last, 1)).center());
    QCOMPARE(lines->highlightedLineType(), 1);
    QCOMPARE(lines->highlightedField(), last);
    QVERIFY(!lines->bandRect(1, last).isNull());

    // The blank line is listed; choosing it shows it.
    auto *unmatched = dialog.unmatchedList();
    QVERIFY(unmatched->isVisible());
    QVERIFY(dialog.findChild<QLabel *>("lblSinTipo")->text().contains(": 1"));
    QCOMPARE(unmatched->count(), 1);
    QTest::mouseClick(unmatched->viewport(), Qt::LeftButton, {},
                      unmatched->visualItemRect(unmatched->item(0)).center());
    QCOMPARE(lines->currentRow(), 7);
    QCOMPARE(lines->decoder()->line(lines->lineOfRow(7))->number, 8);
}

void tst_ProposalDialog::buttonsAnswer_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("result");
    QTest::newRow("Aceptar") << "cmdAceptar" << int(QDialog::Accepted);
    QTest::newRow("Cancelar") << "cmdCancelar" << int(QDialog::Rejected);
    QTest::newRow("Escape") << "" << int(QDialog::Rejected);
}

void tst_ProposalDialog::buttonsAnswer()
{
    QFETCH(QString, button);
    QFETCH(int, result);
    QTemporaryDir folder;
    velkora::proposal::Proposal proposal;
    QString error;
    QVERIFY(velkora::proposal::proposeFromFile(writeOrders(folder), &proposal, &error));
    ProposalDialog dialog(proposal);
    int answer = -1;
    QTimer::singleShot(0, &dialog, [&] {
        if (button.isEmpty())
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else
            QTest::mouseClick(dialog.findChild<QPushButton *>(button), Qt::LeftButton);
    });
    answer = dialog.exec();
    QCOMPARE(answer, result);
}

QTEST_MAIN(tst_ProposalDialog)
#include "tst_proposaldialog.moc"
