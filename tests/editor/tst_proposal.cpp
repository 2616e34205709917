// The line grid's "Proponer desde archivo...": offered while a new load format is edited, the
// file chosen through the services, the proposal shown, and an accepted proposal entered
// through the line editor, saved by the user and read back; the question before replacing
// line types, asked once the proposal is accepted; a cancelled dialog, a file that cannot be
// read or is not text, and a long proposal cancelled from its window of progress.

#include "EditFixture.h"
#include "commands/ProposalCommand.h"
#include "editor/LineTypeEntry.h"

#include <store/LoadFormatReader.h>
#include <store/StoredFormat.h>
#include <proposal/Proposal.h>
#include <proposal/RemittanceSample.h>
#include <views/ProposalDialog.h>
#include <views/ProposalProgressDialog.h>
#include <views/RawLinesView.h>

#include <QContextMenuEvent>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

using namespace kesta::test;
using velkora::views::ProposalDialog;

namespace {

const char *const ProposeEntry = "actProponerArchivo";
constexpr int Accounts = 6;
constexpr int MovementsPerAccount = 40;
constexpr int StatementLines = Accounts * (MovementsPerAccount + 2);

// A bank statement of 80-character lines coded in columns 1-2, one account after another: a
// header "11" (bank, date, account, holder), movements "22" (date, reference, amount, debit or
// credit, concept) and a trailer "33" (movements and their total). With movements only, every
// line is of one kind.
QString writeStatement(const QString &folder, bool movementsOnly = false)
{
    const QStringList concepts{"TRANSFERENCIA RECIBIDA", "PAGO TARJETA",  "COMISION MANTENIMIENTO",
                               "DEPOSITO EFECTIVO",      "RETIRO CAJERO", "PAGO NOMINA"};
    const QStringList holders{"MARIA FERNANDA LOPEZ GARCIA", "JUAN PEREZ ROBLES",
                              "COMERCIAL DEL NORTE SA DE CV"};
    QStringList lines;
    for (int account = 0; account < Accounts; ++account) {
        if (!movementsOnly)
            lines << QStringLiteral("11%1%2%3%4")
                         .arg("0072", "01122026")
                         .arg(123456789 + account * 1111, 10, 10, QLatin1Char('0'))
                         .arg(holders.at(account % holders.size()), -56);
        qint64 total = 0;
        for (int i = 0; i < MovementsPerAccount; ++i) {
            const int n = account * MovementsPerAccount + i;
            const qint64 cents = 1250 + qint64(n) * 7919 % 250000;
            total += cents;
            lines << QStringLiteral("22%1%2%3%4%5")
                         .arg(QDate(2026, 11, 1).addDays(n % 28).toString("ddMMyyyy"))
                         .arg(40000 + n * 37, 8, 10, QLatin1Char('0'))
                         .arg(cents, 12, 10, QLatin1Char('0'))
                         .arg(n % 3 == 0 ? "D" : "C")
                         .arg(concepts.at(n % concepts.size()), -49);
        }
        if (!movementsOnly)
            lines << QStringLiteral("33%1%2%3")
                         .arg(MovementsPerAccount, 6, 10, QLatin1Char('0'))
                         .arg(total, 14, 10, QLatin1Char('0'))
                         .arg(QString(), 58);
    }
    for (const QString &line : lines) {
        if (line.size() != 80)
            qFatal("writeStatement: a line of %d characters", int(line.size()));
    }
    const QString path = folder + (movementsOnly ? "/movimientos.txt" : "/extracto.txt");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write((lines.join("\r\n") + "\r\n").toUtf8()) < 0)
        qFatal("writeStatement: cannot write %s", qPrintable(path));
    return path;
}

velkora::proposal::Proposal proposalFor(const QString &path)
{
    velkora::proposal::Proposal proposal;
    QString error;
    if (!velkora::proposal::proposeFromFile(path, &proposal, &error))
        qWarning("proposalFor: %s", qPrintable(error));
    return proposal;
}
velkora::formats::LoadFormat proposalOf(const QString &path, const QString &key)
{
    return velkora::proposal::toLoadFormat(proposalFor(path), key);
}

// A format's rules as texts to compare: "line type|field|rule", in their order; `ordered`
// false keeps only those that do not depend on the lines' order (REGISTRO, LONGITUD, VECES).
QStringList ruleTexts(const velkora::formats::LoadFormat &format, bool ordered = true)
{
    QStringList texts;
    for (const auto &rule : format.rules) {
        const bool orderFree = rule.text.startsWith("REGISTRO") ||
                               rule.text.startsWith("LONGITUD") || rule.text.startsWith("VECES");
        if (ordered || orderFree)
            texts << QStringList{rule.lineOrder, rule.fieldId, rule.text}.join('|');
    }
    return texts;
}

// A format's line types and fields as texts to compare: "ID|description|position|length" and
// "line ID|description|position|length|type|value|format|trim", in their order.
QStringList lineTypeTexts(const velkora::formats::LoadFormat &format)
{
    QStringList texts;
    for (const auto &type : format.lineTypes)
        texts << QStringList{type.lineId, type.description, QString::number(type.position),
                             QString::number(type.length)}
                     .join('|');
    return texts;
}
QStringList fieldTexts(const velkora::formats::LoadFormat &format)
{
    QStringList texts;
    for (const auto &type : format.lineTypes) {
        for (const auto &f : type.fields)
            texts << QStringList{type.lineId,
                                 f.description,
                                 QString::number(f.position),
                                 QString::number(f.length),
                                 f.typeCode,
                                 f.value,
                                 f.format,
                                 f.trim ? "SI" : "NO"}
                         .join('|');
    }
    return texts;
}

// What the screen holds, in the same terms: the line grid, and the field store by line type.
QStringList shownLineTypes(const EditScreen &s)
{
    QStringList texts;
    for (int row = 0; row < s.lineGrid()->Rows(); ++row) {
        QStringList cells;
        for (const char *column : {"ID", "Descripción", "Posicion", "Longitud"})
            cells << s.lineGrid()->cellText(row, column);
        texts << cells.join('|');
    }
    return texts;
}
QStringList shownFields(const EditScreen &s)
{
    using Store = kesta::editor::FieldStore;
    QStringList texts;
    for (int row = 0; row < s.lineGrid()->Rows(); ++row) {
        const QString order = s.lineGrid()->cell(row, "Orden").toString();
        const QString lineId = s.lineGrid()->cellText(row, "ID");
        for (int i = 0; i < s.store().count(); ++i) {
            if (s.store().subItem(i, Store::LineaID) != order)
                continue;
            QStringList cells{lineId};
            for (int sub : {Store::Descripcion, Store::Posicion, Store::Longitud, Store::Tipo,
                            Store::Valor, Store::Formato, Store::Trim})
                cells << s.store().subItem(i, sub);
            texts << cells.join('|');
        }
    }
    return texts;
}

// A right click on the grid's rows, as the user gives it: the services pop up the grid's menu,
// which is returned (null when none showed).
QMenu *rightClick(const EditScreen &s, velkora::controls::DataGrid *grid)
{
    s.record->gridMenus = true;
    s.record->gridMenu = nullptr;
    QWidget *viewport = grid->viewport();
    const QPoint at(viewport->width() / 2, viewport->height() / 2);
    QTest::mouseClick(viewport, Qt::RightButton, {}, at);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
    QApplication::sendEvent(viewport, &event);
    return s.record->gridMenu;
}

QStringList menuEntries(const QMenu *menu)
{
    QStringList names;
    for (const QAction *action : menu->actions()) {
        if (action->isVisible() && !action->isSeparator())
            names << action->objectName();
    }
    return names;
}

// Clicks a menu entry by its object name; false when the menu has no such visible entry.
bool clickEntry(QMenu *menu, const char *name)
{
    for (QAction *action : menu->actions()) {
        if (action->objectName() == QLatin1String(name) && action->isVisible()) {
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
            return true;
        }
    }
    return false;
}

// Answers the proposal dialog, which runs modally, once it shows: `answer` looks at it and
// clicks one of its buttons. Stops watching when it goes out of scope.
class ProposalAnswer {
public:
    explicit ProposalAnswer(std::function<void(ProposalDialog &)> answer)
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this, answer] {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                auto *dialog = qobject_cast<ProposalDialog *>(widget);
                if (!dialog || !dialog->isVisible())
                    continue;
                m_timer.stop();
                ++m_shown;
                answer(*dialog);
                return;
            }
        });
        m_timer.start();
    }
    int shown() const { return m_shown; }

private:
    QTimer m_timer;
    int m_shown = 0;
};

QStringList modelColumn(const QAbstractItemModel *model, int column)
{
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row)
        texts << model->index(row, column).data().toString();
    return texts;
}

} // namespace

class tst_Proposal : public QObject {
    Q_OBJECT

private slots:
    void init();
    void offeredOnlyForANewFormat_data();
    void offeredOnlyForANewFormat();
    void fromAnEmptyScreenToAStoredFormat();
    void answersThatChangeNothing_data();
    void answersThatChangeNothing();
    void acceptedProposalReplacesTheCopiedLines_data();
    void acceptedProposalReplacesTheCopiedLines();
    void fileThatCannotBeRead_data();
    void fileThatCannotBeRead();
    void longProposalCancelled();
    void refusedLineTypeStopsTheEntry();

private:
    std::unique_ptr<QTemporaryDir> m_folder;
    QString m_statement;
};

void tst_Proposal::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    m_statement = writeStatement(m_folder->path());
}

void tst_Proposal::offeredOnlyForANewFormat_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("offered");
    QTest::newRow("empty screen") << "start" << false;
    QTest::newRow("shown format") << "load" << false;
    QTest::newRow("Edit of the shown format") << "edit" << false;
    QTest::newRow("New") << "new" << true;
    QTest::newRow("Copy") << "copy" << true;
    QTest::newRow("New, a line type under edit") << "new, Nuevo" << false;
    QTest::newRow("New, the line type accepted") << "new, Nuevo, Aceptar" << true;
    QTest::newRow("New, then Cancel") << "new, cancel" << false;
}

void tst_Proposal::offeredOnlyForANewFormat()
{
    QFETCH(QString, path);
    QFETCH(bool, offered);
    TestDatabase db;
    KESTA_REQUIRE(db);
    writeTwoLineFormat(db);
    EditScreen s(db.connectionName());
    if (path == "load" || path == "edit" || path == "copy")
        s.typeKey("1");
    if (path == "edit")
        s.command("Edit");
    if (path == "copy")
        s.command("B1");
    if (path.startsWith("new"))
        s.command("New");
    if (path.contains("Nuevo")) {
        s.click(0);
        for (const auto &[column, text] :
             {std::pair{"Orden", "1"}, std::pair{"Descripción", "Todo"}, std::pair{"Posicion", "1"},
              std::pair{"Longitud", "1"}})
            s.typeCell(s.lineGrid(), 0, column, text);
    }
    if (path.contains("Aceptar")) {
        s.fieldGrid()->setFocus();
        s.key(Qt::Key_Insert);
        for (const auto &[column, text] : {std::pair{"ID", "1"}, std::pair{"Posicion", "1"},
                                           std::pair{"Longitud", "80"}, std::pair{"Tipo", "T"}})
            s.typeCell(s.fieldGrid(), 0, column, text);
        s.click(3);
        QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
    }
    if (path.endsWith("cancel"))
        s.command("Cancel");

    QMenu *menu = rightClick(s, s.lineGrid());
    QVERIFY(menu);
    QCOMPARE(menuEntries(menu).contains(ProposeEntry), offered);
    QCOMPARE(s.record->lastCall("GridCommandShiftF10"),
             QStringLiteral("GridCommandShiftF10(ssLinea)"));
    // The field grid's menu never offers it.
    QMenu *fieldMenu = rightClick(s, s.fieldGrid());
    QVERIFY(fieldMenu);
    QVERIFY(!menuEntries(fieldMenu).contains(ProposeEntry));
}

// From an empty screen: New, the proposal from the statement accepted, a key and a
// description typed, Save; the key read back shows and stores the proposal, and the test of
// the stored format on the statement finds every line typed and no field in error.
void tst_Proposal::fromAnEmptyScreenToAStoredFormat()
{
    TestDatabase db;
    KESTA_REQUIRE(db);
    EditScreen s(db.connectionName());
    const velkora::proposal::Proposal proposal = proposalFor(m_statement);
    const velkora::formats::LoadFormat proposed = velkora::proposal::toLoadFormat(proposal, "0042");
    QStringList proposedIds;
    for (const auto &type : proposal.lineTypes)
        proposedIds << type.id;
    QCOMPARE(proposedIds.size(), 3);

    s.command("New");
    s.keys("0042");
    s.child("txtDescripcion")->setFocus();
    s.keys("Extracto");
    s.forget();
    s.record->chosenFiles << m_statement;

    QStringList lineTypeIds, fieldPositions, summary, shownRules;
    qint64 sampleRows = -1;
    bool bandsShown = false;
    ProposalAnswer answer([&](ProposalDialog &dialog) {
        lineTypeIds = modelColumn(dialog.lineTypesTable()->model(), 0);
        shownRules = modelColumn(dialog.rulesTable()->model(), 3);
        fieldPositions = modelColumn(dialog.fieldsTable()->model(), 2);
        summary << dialog.findChild<QLabel *>("lblResumen")->text()
                << dialog.findChild<QLabel *>("lblSinTipo")->text();
        sampleRows = dialog.linesView()->rowCount();
        // The first line type's first field is a band on the sample's first line.
        dialog.fieldsTable()->setCurrentIndex(dialog.fieldsTable()->model()->index(0, 0));
        bandsShown = dialog.linesView()->highlightedField() == 0 &&
                     !dialog.linesView()->bandRect(0, 0).isNull();
        QTest::mouseClick(dialog.acceptButton(), Qt::LeftButton);
    });
    QMenu *menu = rightClick(s, s.lineGrid());
    QVERIFY(menu);
    QVERIFY(clickEntry(menu, ProposeEntry));

    // The file came through the services; the dialog showed what is proposed.
    QCOMPARE(answer.shown(), 1);
    QCOMPARE(s.record->count("ChooseOpenFile"), 1);
    QVERIFY(s.record->lastCall("ChooseOpenFile").startsWith("ChooseOpenFile(frmKESTA|"));
    QCOMPARE(lineTypeIds, proposedIds);
    // Each account's trailer holds its movements' total (their count, 40 in every account,
    // is a constant).
    QStringList proposedRules;
    for (const auto &rule : proposal.rules)
        proposedRules << rule.text;
    QVERIFY2(proposedRules.contains("SUMA 0002.0004 DESDE 0001"),
             qPrintable(proposedRules.join(", ")));
    QCOMPARE(shownRules, proposedRules);
    QCOMPARE(fieldPositions.size(), proposed.lineTypes.at(0).fields.size());
    QCOMPARE(fieldPositions.value(0),
             QString::number(proposed.lineTypes.at(0).fields.at(0).position));
    QVERIFY2(summary.value(0).contains(QString::number(StatementLines)),
             qPrintable(summary.value(0))); // the lines read
    QVERIFY2(summary.value(1).startsWith("Todas las líneas"), qPrintable(summary.value(1)));
    QCOMPARE(sampleRows, StatementLines);
    QVERIFY(bandsShown);

    // The grids hold the proposal, entered as the editor enters a line type; nothing is saved.
    QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
    QVERIFY(!s.screen->LineEditActive());
    QCOMPARE(s.visibleButtons(), QStringLiteral("Nuevo,Editar,Eliminar"));
    QCOMPARE(shownLineTypes(s), lineTypeTexts(proposed));
    QCOMPARE(shownFields(s), fieldTexts(proposed));
    QStringList orders, numbers;
    for (int row = 0; row < s.lineGrid()->Rows(); ++row)
        orders << s.lineGrid()->cellText(row, "Orden");
    for (int i = 0; i < s.store().count(); ++i)
        numbers << s.store().subItem(i, kesta::editor::FieldStore::Id);
    QCOMPARE(orders, (QStringList{"0001", "0002", "0003"}));
    QCOMPARE(numbers.first(), QStringLiteral("0001"));
    QCOMPARE(numbers.at(proposed.lineTypes.at(0).fields.size()), QStringLiteral("0001"));
    QCOMPARE(s.lineGrid()->currentRow(), 0);
    QCOMPARE(s.fieldGrid()->Rows(), proposed.lineTypes.at(0).fields.size());
    QCOMPARE(s.text("txtArchivo"), m_statement);
    QVERIFY(s.record->statements.isEmpty());
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM Layout").toInt(), 0);
    // The proposal's rules can be seen and changed before the save.
    QVERIFY(s.screen->cmdReglas->isEnabled());

    // The offscreen platform gives the window back no activation when the dialog closes, as a
    // window manager does.
    s.screen->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(s.screen.get()));
    s.command("Save");
    QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
    QCOMPARE(kesta::commands::modeName(s.screen->mode()), QStringLiteral("Idle"));

    // Stored as proposed.
    const auto stored =
        velkora::formats::LoadFormatReader(QSqlDatabase::database(db.connectionName()))
            .read("0042");
    QVERIFY(stored);
    QCOMPARE(stored->description, QStringLiteral("Extracto"));
    QCOMPARE(stored->file, m_statement);
    QCOMPARE(lineTypeTexts(*stored), lineTypeTexts(proposed));
    QCOMPARE(fieldTexts(*stored), fieldTexts(proposed));
    QCOMPARE(ruleTexts(*stored), ruleTexts(proposed));

    // Read back through the screen.
    s.typeKey("42");
    QCOMPARE(s.keyBox()->text(), QStringLiteral("0042"));
    QCOMPARE(shownLineTypes(s), lineTypeTexts(proposed));
    QCOMPARE(shownFields(s), fieldTexts(proposed));

    // The stored format reads the statement without a fault.
    const velkora::formats::TestReport report = velkora::formats::testStoredFormat(
        QSqlDatabase::database(db.connectionName()), "0042", QString());
    QVERIFY2(report.ran, qPrintable(report.error));
    QVERIFY2(report.clean(), qPrintable(velkora::formats::reportText(report, "|").right(2000)));
}

void tst_Proposal::answersThatChangeNothing_data()
{
    QTest::addColumn<bool>("fileChosen");
    QTest::addColumn<bool>("accepted"); // the proposal's dialog
    QTest::newRow("no file chosen") << false << false;
    QTest::newRow("the dialog cancelled") << true << false;
    QTest::newRow("accepted, replace? No") << true << true;
}

// Over a copied format: whatever the user declines, the copy stays as it was. The question
// about the copied line types comes only once a file has given a proposal and the user has
// accepted it.
void tst_Proposal::answersThatChangeNothing()
{
    QFETCH(bool, fileChosen);
    QFETCH(bool, accepted);
    TestDatabase db;
    KESTA_REQUIRE(db);
    writeTwoLineFormat(db);
    EditScreen s(db.connectionName());
    s.typeKey("1");
    s.command("B1");
    const QStringList lines = gridRows(s.lineGrid());
    const QStringList fields = gridRows(s.fieldGrid());
    const QStringList store = storeRows(s.store());
    const QString file = s.text("txtArchivo");
    s.forget();
    s.record->answers = {7};
    if (fileChosen)
        s.record->chosenFiles << m_statement;

    int messagesWhenShown = -1;
    ProposalAnswer answer([&](ProposalDialog &dialog) {
        messagesWhenShown = int(s.record->messages.size());
        QTest::mouseClick(accepted ? dialog.acceptButton() : dialog.cancelButton(), Qt::LeftButton);
    });
    QVERIFY(clickEntry(rightClick(s, s.lineGrid()), ProposeEntry));

    QCOMPARE(s.record->count("ChooseOpenFile"), 1);
    QCOMPARE(answer.shown(), fileChosen ? 1 : 0);
    if (accepted) {
        QCOMPARE(messagesWhenShown, 0);
        verifyMessage(s, "7500040", 36, "Proponer desde archivo");
        QCOMPARE(s.record->messages.first().text,
                 "El formato de carga ya tiene 2 tipos de línea. ¿Desea reemplazarlos por los 3 "
                 "tipos de línea propuestos desde el archivo " +
                     QDir::toNativeSeparators(m_statement) + "?");
    } else {
        QVERIFY(s.record->messages.isEmpty());
    }
    QCOMPARE(gridRows(s.lineGrid()), lines);
    QCOMPARE(gridRows(s.fieldGrid()), fields);
    QCOMPARE(storeRows(s.store()), store);
    QCOMPARE(s.text("txtArchivo"), file);
    QVERIFY(!s.screen->LineEditActive());
    QCOMPARE(kesta::commands::modeName(s.screen->mode()), QStringLiteral("Editing new"));
}

void tst_Proposal::acceptedProposalReplacesTheCopiedLines_data()
{
    QTest::addColumn<QString>("shape");
    QTest::newRow("three line types") << "statement";
    QTest::newRow("one kind of line, no ID") << "movements";
    QTest::newRow("segments with their IDs at another column") << "remittance";
}

// Yes to the question and Aceptar: the copied line types and all their fields give way to the
// proposal; the copied header's file stays. Saved under a key of its own, the copy reads the
// sample without a fault.
void tst_Proposal::acceptedProposalReplacesTheCopiedLines()
{
    QFETCH(QString, shape);
    TestDatabase db;
    KESTA_REQUIRE(db);
    writeTwoLineFormat(db);
    const QString sample = shape == "movements" ? writeStatement(m_folder->path(), true)
                           : shape == "remittance"
                               ? proposal_test::writeFile(m_folder->filePath("retorno.txt"),
                                                          proposal_test::remittanceFile({}))
                               : m_statement;
    const velkora::formats::LoadFormat proposed = proposalOf(sample, "0009");
    QStringList expectedLines = lineTypeTexts(proposed);
    if (shape == "movements") {
        QCOMPARE(proposed.lineTypes.size(), 1);
        QCOMPARE(proposed.lineTypes.first().lineId, QString());
        // Where no ID stands, the editor still takes a position and a length: 1 and 1.
        expectedLines = QStringList{"|" + proposed.lineTypes.first().description + "|1|1"};
    } else if (shape == "remittance") {
        QCOMPARE(expectedLines, (QStringList{"0|Tipo 0|8|1", "1|Tipo 1|8|1", "T|Tipo 3 T|14|1",
                                             "U|Tipo 3 U|14|1", "5|Tipo 5|8|1", "9|Tipo 9|8|1"}));
    } else {
        QCOMPARE(proposed.lineTypes.size(), 3);
    }
    EditScreen s(db.connectionName());
    s.typeKey("1");
    s.command("B1");
    s.forget();
    s.record->chosenFiles << sample;
    int messagesWhenShown = -1;
    ProposalAnswer answer([&](ProposalDialog &dialog) {
        messagesWhenShown = int(s.record->messages.size());
        QTest::mouseClick(dialog.acceptButton(), Qt::LeftButton);
    });
    QVERIFY(clickEntry(rightClick(s, s.lineGrid()), ProposeEntry));

    // Asked after the proposal was accepted, and answered Yes.
    QCOMPARE(messagesWhenShown, 0);
    verifyMessage(s, "7500040", 36, "Proponer desde archivo");
    QCOMPARE(answer.shown(), 1);
    QCOMPARE(shownLineTypes(s), expectedLines);
    QCOMPARE(shownFields(s), fieldTexts(proposed));
    int proposedFields = 0;
    for (const auto &type : proposed.lineTypes)
        proposedFields += int(type.fields.size());
    QCOMPARE(s.store().count(), proposedFields);
    QCOMPARE(s.text("txtArchivo"), QStringLiteral("pagos.txt"));

    s.screen->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(s.screen.get()));
    s.keyBox()->setFocus();
    s.keys("0009");
    s.forget();
    s.command("Save");
    QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
    const velkora::formats::TestReport report = velkora::formats::testStoredFormat(
        QSqlDatabase::database(db.connectionName()), "0009", sample);
    QVERIFY2(report.ran, qPrintable(report.error));
    QVERIFY2(report.clean(), qPrintable(velkora::formats::reportText(report, "|").right(2000)));
    // The proposal's rules came with it, but for those that depend on the lines' order: the
    // copied header reads the file from its last line.
    const auto stored =
        velkora::formats::LoadFormatReader(QSqlDatabase::database(db.connectionName()))
            .read("0009");
    QVERIFY(stored && stored->reverse);
    QVERIFY(!ruleTexts(proposed, false).isEmpty());
    QCOMPARE(ruleTexts(*stored), ruleTexts(proposed, false));
}

void tst_Proposal::fileThatCannotBeRead_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("why");
    QTest::newRow("no such file") << "no-existe.txt"
                                  << "7500041"
                                  << "no existe";
    QTest::newRow("a folder") << "."
                              << "7500041"
                              << "carpeta";
    QTest::newRow("empty file") << "vacio.txt"
                                << "7500041"
                                << "está vacío";
    QTest::newRow("a file that is not text") << "hoja.xls"
                                             << "7500044"
                                             << "no es un archivo de texto: tiene bytes nulos";
}

// A file that gives no proposal: its message, no dialog, the grids as they were.
void tst_Proposal::fileThatCannotBeRead()
{
    QFETCH(QString, name);
    QFETCH(QString, id);
    QFETCH(QString, why);
    QFile empty(m_folder->filePath("vacio.txt"));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.close();
    QFile binary(m_folder->filePath("hoja.xls"));
    QVERIFY(binary.open(QIODevice::WriteOnly));
    binary.write(QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1\0\0\0\0", 12).repeated(200));
    binary.close();
    EditScreen s;
    s.command("New");
    s.forget();
    const QString path = QDir(m_folder->path()).absoluteFilePath(name);
    s.record->chosenFiles << path;
    ProposalAnswer answer(
        [](ProposalDialog &dialog) { QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton); });
    QVERIFY(clickEntry(rightClick(s, s.lineGrid()), ProposeEntry));

    verifyMessage(s, id, 48, "Proponer desde archivo");
    const QString text = s.record->messages.first().text;
    QVERIFY2(text.contains(QDir::toNativeSeparators(path)), qPrintable(text));
    QVERIFY2(text.contains(why), qPrintable(text));
    QCOMPARE(answer.shown(), 0);
    QCOMPARE(s.lineGrid()->Rows() + s.fieldGrid()->Rows() + s.store().count(), 0);
    QCOMPARE(s.text("txtArchivo"), QString());
}

// A big sample: the proposal shows its window of progress over the screen; "Cancelar" there
// stops it, and nothing is shown, asked or changed.
void tst_Proposal::longProposalCancelled()
{
    const QString big = m_folder->filePath("grande.txt");
    QStringList lines;
    for (int copy = 0; copy < 60; ++copy) {
        QFile statement(m_statement);
        QVERIFY(statement.open(QIODevice::ReadOnly));
        lines << QString::fromUtf8(statement.readAll()).split("\r\n", Qt::SkipEmptyParts);
    }
    QFile file(big);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write((lines.join("\r\n") + "\r\n").toUtf8());
    file.close();
    EditScreen s;
    s.command("New");
    s.forget();
    s.record->chosenFiles << big;
    // Each report of progress waits until the window has been answered: a slow disk.
    std::atomic<bool> answered{false};
    velkora::views::ProposalRunOptions options;
    options.quietMilliseconds = 0;
    options.job.afterProgress = [&answered] {
        for (int i = 0; i < 10000 && !answered; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    auto *command = s.screen->findChild<kesta::commands::ProposalCommand *>();
    QVERIFY(command);
    command->setRunOptions(options);
    QWidget *owner = nullptr;
    QTimer watch;
    watch.setInterval(20);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || dialog->objectName() != "dlgProgresoPropuesta" || answered)
            return;
        owner = dialog->parentWidget();
        QTest::mouseClick(dialog->findChild<QPushButton *>("cmdCancelar"), Qt::LeftButton);
        answered = true;
    });
    watch.start();
    ProposalAnswer answer(
        [](ProposalDialog &dialog) { QTest::mouseClick(dialog.acceptButton(), Qt::LeftButton); });
    QVERIFY(clickEntry(rightClick(s, s.lineGrid()), ProposeEntry));

    QVERIFY(answered);
    QCOMPARE(owner, s.screen.get());
    QCOMPARE(answer.shown(), 0);
    QVERIFY(s.record->messages.isEmpty());
    QCOMPARE(s.lineGrid()->Rows() + s.fieldGrid()->Rows() + s.store().count(), 0);
}

// A line type that the editor refuses stops the entry there, with the editor's message: the
// line types before it are accepted, it stays under edit for the user to mend, the rest are
// not entered.
void tst_Proposal::refusedLineTypeStopsTheEntry()
{
    EditScreen s;
    s.command("New");
    s.forget();
    const auto field = [](const QString &id, const QString &position) {
        kesta::editor::FieldRowInput f;
        f.id = id, f.descripcion = "Campo " + id, f.posicion = position, f.longitud = "2";
        f.tipo = 1;
        return f;
    };
    QList<kesta::editor::LineTypeInput> types{
        {{"0001", "11", "Tipo 11", "1", "2"}, {field("0001", "1"), field("0002", "3")}},
        {{"0002", "22", "Tipo 22", "1", "2"}, {field("0001", "1"), field("0002", "0")}},
        {{"0003", "33", "Tipo 33", "1", "2"}, {field("0001", "1")}}};
    kesta::editor::LineTypeEntry entry({s.lineGrid(), s.fieldGrid(), &s.screen->lineEditor()});

    QCOMPARE(entry.enter(types), 1);

    verifyMessage(s, "7500013", 48, "Validar detalle");
    QCOMPARE(gridRows(s.lineGrid()).size(), 2);
    QCOMPARE(s.lineGrid()->cellText(1, "ID"), QStringLiteral("22"));
    QVERIFY(s.screen->LineEditActive());
    QCOMPARE(s.screen->EditedLineRow(), 1);
    QCOMPARE(s.visibleButtons(), QStringLiteral("Aceptar,Cancelar"));
    QCOMPARE(s.fieldGrid()->currentRow(), 1);
    QCOMPARE(storeRows(s.store()).size(), 2); // the first line type's fields only

    // The user mends the position and accepts: the line type joins the first.
    s.typeCell(s.fieldGrid(), 1, "Posicion", "3");
    s.click(3);
    QCOMPARE(s.record->messages.size(), 1);
    QVERIFY(!s.screen->LineEditActive());
    QCOMPARE(s.store().count(), 4);
}

QTEST_MAIN(tst_Proposal)
#include "tst_proposal.moc"
