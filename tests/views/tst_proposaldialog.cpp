// The dialog that shows a proposed load format: its tables follow the chosen line type, a
// chosen field is highlighted on the sample's lines, the lines that fit no type and those that
// a field does not read are listed and shown, and its buttons give the answer without changing
// the proposal. The window of progress of a long proposal, which can cancel it.

#include "proposal/Proposal.h"
#include "proposal/RemittanceSample.h"
#include "views/ProposalDialog.h"
#include "views/ProposalModels.h"
#include "views/ProposalProgressDialog.h"
#include "views/RawLinesView.h"

#include <QAbstractItemModelTester>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

using velkora::views::ProposalDialog;
using velkora::views::ProposedLineTypesModel;
using velkora::views::ProposedRulesModel;

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
    void findingsAndIdsAtTwoPlaces();
    void progressOfALongProposal_data();
    void progressOfALongProposal();
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
    QCOMPARE(column(types, ProposedLineTypesModel::Lines), (QStringList{"1", "12"}));
    QCOMPARE(column(types, ProposedLineTypesModel::Position), (QStringList{"1", "1"}));
    const QAbstractItemModel *fields = dialog.fieldsTable()->model();
    QCOMPARE(fields->rowCount(), proposal.lineTypes[0].fields.size());
    QCOMPARE(fields->index(0, 0).data().toString(), QStringLiteral("0001"));
    QVERIFY(fields->index(0, 8).data().toString().endsWith(" %"));
    QCOMPARE(lines->rowCount(), 14);
    QCOMPARE(lines->currentRow(), 0);
    // At the dialog's first size the confidence of each line type and field is in sight.
    for (QTableView *table : {dialog.lineTypesTable(), dialog.fieldsTable()}) {
        const int c = table->model()->columnCount() - 1; // "Confianza"
        QCOMPARE(table->model()->headerData(c, Qt::Horizontal).toString(), "Confianza");
        QVERIFY(table->columnViewportPosition(c) >= 0);
        QVERIFY(table->columnViewportPosition(c) + table->columnWidth(c) <=
                table->viewport()->width());
    }

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

    // The rules the sample keeps, on a page of their own: the header first and once, and the
    // length of each line type's lines.
    QTabWidget *pages = dialog.pages();
    QCOMPARE(pages->tabText(1), QStringLiteral("Re&glas (4)"));
    pages->setCurrentIndex(1);
    QVERIFY(dialog.rulesTable()->isVisible());
    QAbstractItemModelTester rulesTester(dialog.rulesTable()->model());
    const QAbstractItemModel *rules = dialog.rulesTable()->model();
    QCOMPARE(column(rules, ProposedRulesModel::Rule),
             (QStringList{"PRIMERA", "VECES 1", "LONGITUD 41", "LONGITUD 37"}));
    QCOMPARE(column(rules, ProposedRulesModel::Number),
             (QStringList{"0001", "0002", "0003", "0004"}));
    QCOMPARE(column(rules, ProposedRulesModel::LineType),
             (QStringList{"0001 Tipo H", "0001 Tipo H", "0001 Tipo H", "0002 Tipo P"}));
    QCOMPARE(column(rules, ProposedRulesModel::Field), QStringList(4, QString()));
    for (const QString &confidence : column(rules, ProposedRulesModel::Confidence))
        QVERIFY(confidence.endsWith(" %"));
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

// A remittance return whose segments have their IDs at column 14, and a title whose amount
// holds a "-": each line type shows where its ID stands, the line is listed as not read and
// choosing it shows it.
void tst_ProposalDialog::findingsAndIdsAtTwoPlaces()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    proposal_test::RemittanceOptions options;
    options.titles = 60; // 120 titles: one bad line of them is tolerated
    QStringList lines = proposal_test::remittanceFile(options);
    lines[4].replace(81, 1, "-");
    const QString path = proposal_test::writeFile(folder.filePath("retorno.txt"), lines);
    velkora::proposal::Proposal proposal;
    QString error;
    QVERIFY2(velkora::proposal::proposeFromFile(path, &proposal, &error), qPrintable(error));
    QCOMPARE(proposal.unreadLines, (QList<qint64>{5}));

    ProposalDialog dialog(proposal);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QAbstractItemModel *types = dialog.lineTypesTable()->model();
    QCOMPARE(column(types, ProposedLineTypesModel::Id),
             (QStringList{"0", "1", "T", "U", "5", "9"}));
    QCOMPARE(column(types, ProposedLineTypesModel::Position),
             (QStringList{"8", "8", "14", "14", "8", "8"}));
    QVERIFY(dialog.findChild<QLabel *>("lblResumen")->text().contains("en otra posición"));
    auto *label = dialog.findChild<QLabel *>("lblNoSeLeen");
    QCOMPARE(label->text(), QStringLiteral("1 línea no se lee con esta propuesta: 5"));
    QVERIFY(label->isVisible());
    auto *unread = dialog.unreadList();
    QCOMPARE(unread->count(), 1);
    QTest::mouseClick(unread->viewport(), Qt::LeftButton, {},
                      unread->visualItemRect(unread->item(0)).center());
    QCOMPARE(dialog.linesView()->currentRow(), 4);
}

void tst_ProposalDialog::progressOfALongProposal_data()
{
    QTest::addColumn<QString>("answer"); // how the window is answered, if it is
    QTest::newRow("to the end") << "";
    QTest::newRow("Cancelar") << "cmdCancelar";
    QTest::newRow("Escape") << "Escape";
    QTest::newRow("window closed") << "close";
}

// A proposal that takes a while shows its window of progress, which closes when it ends; its
// "Cancelar", Escape or closing the window stop the proposal, which then proposes nothing.
void tst_ProposalDialog::progressOfALongProposal()
{
    QFETCH(QString, answer);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString path = proposal_test::writeFile(folder.filePath("extracto.txt"),
                                                  proposal_test::bankStatement(12, 4000, 3));
    // Each report of progress waits until the window has been answered: a slow disk.
    std::atomic<bool> answered{answer.isEmpty()};
    velkora::views::ProposalRunOptions options;
    options.quietMilliseconds = 0;
    options.job.afterProgress = [&answered] {
        for (int i = 0; i < 10000 && !answered; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    QStringList seen;
    QTimer watch;
    watch.setInterval(20);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || dialog->objectName() != "dlgProgresoPropuesta" || !seen.isEmpty())
            return;
        seen << dialog->findChild<QLabel *>("lblArchivoPropuesta")->text()
             << dialog->findChild<QLabel *>("lblAvance")->text();
        if (answer == "cmdCancelar")
            QTest::mouseClick(dialog->findChild<QPushButton *>(answer), Qt::LeftButton);
        else if (answer == "Escape")
            QTest::keyClick(dialog, Qt::Key_Escape);
        else if (answer == "close")
            dialog->close();
        answered = true;
    });
    watch.start();
    const velkora::views::ProposalJob::Outcome outcome =
        velkora::views::runProposal(path, nullptr, options);
    QCOMPARE(seen.size(), 2);
    QVERIFY(seen[0].contains(QDir::toNativeSeparators(path)));
    QVERIFY2(seen[1].startsWith("Abriendo el archivo") ||
                 seen[1].startsWith("Leyendo el archivo") ||
                 seen[1].startsWith("Buscando las reglas del archivo") ||
                 seen[1].startsWith("Probando la propuesta"),
             qPrintable(seen[1]));
    if (answer.isEmpty()) {
        QVERIFY2(outcome.proposed, qPrintable(outcome.error.text));
        QCOMPARE(outcome.proposal.lineTypes.size(), 5);
    } else {
        QVERIFY(!outcome.proposed);
        QCOMPARE(outcome.error.failure, velkora::proposal::ProposalFailure::Cancelled);
    }
}

QTEST_MAIN(tst_ProposalDialog)
#include "tst_proposaldialog.moc"
