// The editing of a load format on the screen, driven through the real widgets. The field store
// (keys, order, refusal of duplicates, the model's consistency) and the field grid's refill from
// it for the line grid's current row. The line editor: the checks of a line edit, its commit
// into the field store, the edit buttons, and the grids' keys and row changes. The line grid's
// "Proponer desde archivo...": offered while a new load format is edited, the file chosen
// through the services, the proposal shown, and an accepted proposal entered through the line
// editor, saved by the user and read back; the question before replacing line types; a
// cancelled dialog, a file that cannot be read or is not text, and a long proposal cancelled
// from its window of progress.

#include "EditFixture.h"
#include "commands/ProposalCommand.h"
#include "editor/LineEditCheck.h"
#include "editor/LineTypeEntry.h"
#include "editor/RulesDialog.h"
#include "support/DataRows.h"

#include <formats/RuleHelp.h>
#include <formats/RuleParser.h>

#include <proposal/Proposal.h>
#include <proposal/ProposalChecks.h>
#include <proposal/RemittanceSample.h>
#include <services/GridTools.h>
#include <store/LoadFormatReader.h>
#include <store/StoredFormat.h>
#include <views/ProposalDialog.h>
#include <views/ProposalProgressDialog.h>

#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

using namespace kesta::test;
using kesta::editor::checkLineEdit;
using kesta::editor::FieldRowInput;
using kesta::editor::FieldStore;
using kesta::editor::LineRowInput;
using kesta::host::RuntimeError;
using velkora::views::ProposalDialog;

namespace {

FieldRowInput field(const QString &id, const QString &position = "1", const QString &length = "2",
                    int tipo = 1)
{
    FieldRowInput f;
    f.id = id, f.descripcion = "d", f.posicion = position, f.longitud = length, f.tipo = tipo;
    return f;
}

LineRowInput line(const QString &id = "H", const QString &position = "1",
                  const QString &length = "1", const QString &orden = "3")
{
    return LineRowInput{orden, id, "Línea", position, length};
}

// A message as one comparable text list: id, text, style, title; none: the empty list.
QStringList said(const std::optional<kesta::messages::Message> &message)
{
    if (!message)
        return {};
    return {message->id, message->text, QString::number(message->style), message->title};
}

// Empties a grid cell with the keys: F2 opens its editor, Ctrl+A and backspace empty it.
void clearCell(velkora::controls::DataGrid *grid, int row, const QString &column)
{
    grid->setFocus();
    QVERIFY(grid->setCurrentCell(row, grid->columnIndex(column)));
    EditScreen::key(Qt::Key_F2);
    EditScreen::key(Qt::Key_A, Qt::ControlModifier);
    EditScreen::key(Qt::Key_Backspace);
    grid->commitCellEdit();
}

const char *const ProposeEntry = "actProponerArchivo";

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

// A format's line types, then its fields, as texts to compare, in their order:
// "number|ID|description|position|length" and
// "line ID|number|description|position|length|type|value|format|trim".
QStringList formatTexts(const velkora::formats::LoadFormat &format)
{
    QStringList lines, fields;
    for (const auto &type : format.lineTypes) {
        lines << QStringList{type.order, type.lineId, type.description,
                             QString::number(type.position), QString::number(type.length)}
                     .join('|');
        for (const auto &f : type.fields)
            fields << QString("%1|%2|%3|%4|%5|%6|%7|%8|%9")
                          .arg(type.lineId, f.id, f.description, QString::number(f.position),
                               QString::number(f.length), f.typeCode, f.value, f.format,
                               QString(f.trim ? "SI" : "NO"));
    }
    return lines + fields;
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

// Answers a dialog of the kind, which runs modally, once it shows: `answer` looks at it and
// clicks one of its buttons. Stops watching when it goes out of scope.
template <typename Dialog> class DialogAnswer {
public:
    explicit DialogAnswer(std::function<void(Dialog &)> answer)
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this, answer] {
            if (auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget())) {
                m_timer.stop();
                ++m_shown;
                answer(*dialog);
            }
        });
        m_timer.start();
    }
    int shown() const { return m_shown; }

private:
    QTimer m_timer;
    int m_shown = 0;
};
using ProposalAnswer = DialogAnswer<ProposalDialog>;

// Keys as the user gives them, one step a word: Enter, Tab, Backtab, Up, Down, Left, Right, End,
// F2, F4, Escape, Insert, Backspace, Alt+Down, "click" (a click on the current cell), or one
// character typed.
void pressKeys(EditScreen &s, const QString &steps)
{
    static const QStringList names{"Enter",   "Tab", "Up",       "Down",   "Left",
                                   "Right",   "End", "F4",       "Escape", "Insert",
                                   "Backtab", "F2",  "Backspace"};
    static const Qt::Key keys[]{Qt::Key_Return,   Qt::Key_Tab,    Qt::Key_Up,      Qt::Key_Down,
                                Qt::Key_Left,     Qt::Key_Right,  Qt::Key_End,     Qt::Key_F4,
                                Qt::Key_Escape,   Qt::Key_Insert, Qt::Key_Backtab, Qt::Key_F2,
                                Qt::Key_Backspace};
    for (const QString &step : steps.split(' ', Qt::SkipEmptyParts)) {
        if (names.contains(step)) {
            s.key(keys[names.indexOf(step)]);
        } else if (step == "Alt+Down") {
            s.key(Qt::Key_Down, Qt::AltModifier);
        } else if (step == "click") {
            auto *grid = qobject_cast<velkora::controls::DataGrid *>(s.focus());
            QVERIFY(grid);
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                              grid->visualRect(grid->currentIndex()).center());
        } else {
            s.typeText(step);
        }
    }
}

} // namespace

Q_DECLARE_METATYPE(LineRowInput)
Q_DECLARE_METATYPE(QList<FieldRowInput>)

class TestEditor : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_folder = std::make_unique<QTemporaryDir>();
        QVERIFY(m_folder->isValid());
        // A bank statement of 80-character records coded at columns 1-2, six accounts of 40
        // movements.
        m_statement = proposal_test::writeFile(m_folder->filePath("extracto.txt"),
                                               proposal_test::bankStatement(6, 40));
        proposal_test::writeFile(m_folder->filePath("grande.txt"),
                                 proposal_test::bankStatement(12, 4000, 3));
        samples::writeBytes(
            m_folder->filePath("hoja.xls"),
            QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1\0\0\0\0", 12).repeated(200));
    }

    void orderLookupAndRefusals()
    {
        FieldStore store;
        QAbstractItemModelTester tester(&store,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        for (const char *field : {"0002-0001", "0001-0001", "0001-0002"})
            store.add(QStringLiteral("K-") + field, field);
        store.setSubItem("K-0001-0001", FieldStore::Descripcion, "second");
        QCOMPARE(QList<int>({store.find("K-0001-0002"), store.find("K-9")}), QList<int>({2, -1}));

        // A second row with the same key, or a sub-item of no row, is refused; nothing changes.
        QVERIFY_THROWS_EXCEPTION(RuntimeError, store.add("K-0001-0001", "other"));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, store.setSubItem("K-1-1", FieldStore::Id, "x"));
        QVERIFY_THROWS_EXCEPTION(RuntimeError,
                                 store.setSubItem("K-0001-0001", FieldStore::ColumnCount, "x"));
        QCOMPARE(storeRows(store), (QStringList{"K-0002-0001|0002-0001|||||||||",
                                                "K-0001-0001|0001-0001||second|||||||",
                                                "K-0001-0002|0001-0002|||||||||"}));

        // Removing keeps the order of the rest and the lookup right; new rows go to the end.
        store.removeAt(0);
        store.removeAt(99); // out of range: nothing happens
        store.add("K-0002-0001", "0002-0001");
        QCOMPARE(QList<int>({store.find("K-0001-0001"), store.find("K-0002-0001")}),
                 QList<int>({0, 2}));
        QCOMPARE(store.data(store.index(0, FieldStore::Descripcion)).toString(), "second");
        QCOMPARE(store.data(store.index(2, FieldStore::Llave), Qt::UserRole).toString(),
                 "K-0002-0001");
        QCOMPARE(QList<int>({store.rowCount(), store.columnCount()}), QList<int>({3, 10}));
        store.clear();
        QCOMPARE(QList<int>({store.count(), store.find("K-0001-0001")}), QList<int>({0, -1}));
    }

    // RellenaDetalle fills the field grid with the store's entries of the line grid's current row.
    void refillShowsTheCurrentLinesFields()
    {
        KESTA_TWO_LINE_SCREEN();
        s.typeKey("1");
        s.lineGrid()->setCell(s.lineGrid()->AddNew(), "Orden", "0003"); // a line without fields
        s.lineGrid()->Update();
        s.store().setSubItem("K-0001-0001", FieldStore::Tipo, "4");
        s.store().setSubItem("K-0001-0002", FieldStore::Trim, "si");
        s.forget();
        auto *grid = s.fieldGrid();
        s.lineGrid()->setCurrentRow(0);
        s.screen->RellenaDetalle("0001");

        // A type code picks its entry of the type list by its number; only "SI", exactly, ticks
        // the trim cell.
        QCOMPARE(gridRows(grid), (QStringList{"0000|Cuenta|1|2|CONSTANTE|||true|0001",
                                              "0010|Nombre|1|2|TEXTO|||false|0001"}));
        QVERIFY(grid->redraw() && !grid->hasPendingEdit());

        // An empty argument leaves the grid as it is; the rows follow the line grid's current row,
        // not the argument; each refill replaces the rows.
        s.screen->RellenaDetalle(QString());
        QCOMPARE(gridRows(grid).size(), 2);
        s.lineGrid()->setCurrentRow(1);
        s.screen->RellenaDetalle("5");
        QCOMPARE(gridRows(grid), QStringList{"0020|Fecha|1|2|Fecha|||true|0002"});
        s.lineGrid()->setCurrentRow(2);
        s.screen->RellenaDetalle("3");
        QCOMPARE(grid->Rows(), 0);
        QVERIFY(s.record->messages.isEmpty());

        // A type code that is no number: its message; the rows added until then stay, and
        // repainting is resumed.
        s.lineGrid()->setCurrentRow(0);
        s.store().setSubItem("K-0001-0002", FieldStore::Tipo, "x5");
        s.screen->RellenaDetalle("1");
        verifyMessage(s, "7500023", 16, "Velkora");
        const QString text = s.record->messages.value(0).text;
        QVERIFY2(text.startsWith("RellenaDetalle()\r\n") && text.contains("x5"), qPrintable(text));
        QCOMPARE(gridRows(grid).value(0).left(5), QStringLiteral("0000|"));
        QVERIFY(grid->redraw());
    }
    void checks_data()
    {
        namespace m = kesta::messages;
        // message: id, text, style and title, empty when accepted; row: the field row at fault,
        // -1 for the line.
        const auto addRow =
            dataColumns<LineRowInput, int, QStringList, QList<FieldRowInput>, QStringList, int>(
                {"lineRow", "lineRows", "otherOrders", "fields", "message", "row"});
        const auto add = [&](const char *tag, const LineRowInput &lineRow, int lineRows,
                             const QStringList &otherOrders, const QList<FieldRowInput> &fields,
                             const std::optional<m::Message> &message, int row) {
            addRow(tag, lineRow, lineRows, otherOrders, fields, said(message), row);
        };
        const QList<FieldRowInput> one{field("1")};
        const auto position = [](const char *value) {
            return m::fieldNumberOutOfRange("0001", "posición", value);
        };

        // (The faults of a line edit one at a time are refusalLandsOnTheCellAtFault's, on the
        // screen; here the boundaries, and which fault is told first.)
        add("one line without ID", line(""), 1, {}, one, {}, -1);
        add("no field row", line(), 1, {}, {}, m::fieldIdRequired(), 0);
        add("empty ID and position: the ID first", line(), 1, {}, {field("", "")},
            m::fieldIdRequired(), 0);
        add("a and A differ", line(), 1, {}, {field("a"), field("A")}, {}, -1);
        add("duplicate ab shown in upper case", line(), 1, {},
            {field("x"), field("ab"), field("ab")}, m::fieldIdDuplicated("AB"), 1);
        add("empty cell of row 2 before a duplicate of rows 3 and 4", line(), 1, {},
            {field("1"), field("2", ""), field("3"), field("3")}, m::fieldPositionRequired(), 1);
        add("duplicate of row 1 before an empty cell of row 2", line(), 1, {},
            {field("1"), field("2", ""), field("1")}, m::fieldIdDuplicated("1"), 0);
        FieldRowInput sparse = field("4");
        sparse.descripcion.clear();
        add("empty description, value and format", line(), 1, {}, {sparse}, {}, -1);
        add("1 and 01 give one field number", line(), 1, {}, {field("1"), field("01")},
            m::fieldNumberCollides("1", "01", "0001"), 0);
        add("field length beyond the column", line(), 1, {}, {field("1", "1", "2147483648")},
            m::fieldNumberOutOfRange("0001", "longitud", "2147483648"), 0);
        add("field length the column's largest", line(), 1, {}, {field("1", "1", "2147483647")}, {},
            -1);
        add("positions and lengths 0", line("H", "0", "0"), 1, {}, {field("1", "0", "0")}, {}, -1);

        // One row that breaks two checks: the first in their order is the one reported.
        LineRowInput bare = line("");
        bare.descripcion.clear();
        add("line: a cell empty and no ID of two lines, the cell first", bare, 2, {"1"}, one,
            m::lineDataIncomplete(), -1);
        add("line: no ID of two lines and a taken number, the ID first", line(""), 2, {"0003"}, one,
            m::lineIdRequired(), -1);
        add("line: a taken number and length 0, the number first", line("H", "1", "0"), 2, {"3"},
            one, m::lineOrderTaken("0003"), -1);
        add("line: position and length too large, the position first",
            line("H", "2147483648", "2147483648"), 1, {}, one,
            m::lineNumberOutOfRange("posición", "2147483648"), -1);
        add("line at fault and no field row, the line first", line("H", "1", "9999999999"), 1, {},
            {}, m::lineNumberOutOfRange("longitud", "9999999999"), -1);
        add("field: position and length empty, the position first", line(), 1, {},
            {field("1", "", "")}, m::fieldPositionRequired(), 0);
        add("field: length empty and no type, the length first", line(), 1, {},
            {field("1", "1", "", -1)}, m::fieldLengthRequired(), 0);
        add("field: no type and a position too large, the type first", line(), 1, {},
            {field("1", "2147483648", "2", -1)}, m::fieldTypeRequired(), 0);
        add("field: position and length too large, the position first", line(), 1, {},
            {field("1", "2147483648", "2147483648")}, position("2147483648"), 0);
        add("field: a position too large and a duplicate, the position first", line(), 1, {},
            {field("1", "2147483648"), field("1")}, position("2147483648"), 0);
        add("field: a duplicate and a 01 after it, the duplicate first", line(), 1, {},
            {field("1"), field("01"), field("1")}, m::fieldIdDuplicated("1"), 0);
    }

    void checks()
    {
        auto [lineRow, lineRows, otherOrders, fields, message, row] =
            fetchColumns<LineRowInput, int, QStringList, QList<FieldRowInput>, QStringList, int>(
                {"lineRow", "lineRows", "otherOrders", "fields", "message", "row"});

        const auto refusal = checkLineEdit(lineRow, lineRows, otherOrders, fields);
        QCOMPARE(said(refusal ? std::optional(refusal->message) : std::nullopt), message);
        if (refusal) {
            // Faults of the field rows send the user to the row at fault in the field grid; a
            // duplicate also tells the toolbar that no save takes place.
            QCOMPARE(refusal->fieldRow, row);
            QCOMPARE(refusal->focusFieldGrid, row >= 0);
            const QString id = message.first();
            QCOMPARE(refusal->cancelSave, id == "ERR-ID:7500010" || id == "ERR-ID:7500008");
        }
    }

    void editCommitsTheLinesEntries()
    {
        KESTA_TWO_LINE_EDIT();
        s.clickLine(1);
        s.forget();

        s.click(1); // Editar
        QVERIFY(s.screen->LineEditActive());
        QCOMPARE(s.visibleButtons(), QStringLiteral("Aceptar,Cancelar"));
        s.typeCell(s.fieldGrid(), 0, "Descripción", "Fecha valor");
        s.key(Qt::Key_Insert);
        s.typeCells(
            s.fieldGrid(), 1,
            {{"ID", "5"}, {"Posicion", "10"}, {"Longitud", "8"}, {"Tipo", "N"}, {"Trim", " "}});
        s.click(3); // Aceptar

        QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
        QVERIFY(!s.screen->LineEditActive() && !s.lineGrid()->hasPendingEdit());
        QCOMPARE(s.visibleButtons(), QStringLiteral("Nuevo,Editar,Eliminar"));
        // The other line's entries keep their place and content; the edited line's are replaced at
        // the end, numbered "0000", with type codes and SI/NO.
        QCOMPARE(storeRows(s.store()),
                 (QStringList{"K-0001-0001|0001-0001|0000|Cuenta|1|2|01|||SI|0001",
                              "K-0001-0002|0001-0002|0010|Nombre|1|2|02|||SI|0001",
                              "K-0002-0020|0002-0020|0020|Fecha valor|1|2|03|||SI|0002",
                              "K-0002-0005|0002-0005|0005||10|8|01|||SI|0002"}));
        QCOMPARE(s.fieldRows(),
                 (QStringList{"0020|Fecha valor|1|2|Fecha|||true", "0005||10|8|NUMERO|||true"}));
        for (const auto *grid : {s.lineGrid(), s.fieldGrid()}) {
            for (int c = 0; c < grid->columnCount(); ++c)
                QCOMPARE(grid->isColumnLocked(c), grid->columnName(c) != "Tipo");
        }

        // The first line's field grid emptied and one field typed: the line's earlier entries go
        // although no row of the grid names them any more.
        s.clickLine(0);
        s.click(1);
        s.fieldGrid()->setFocus();
        s.key(Qt::Key_Delete, Qt::ControlModifier);
        s.key(Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(s.fieldGrid()->Rows(), 0);
        s.key(Qt::Key_Down);
        s.typeCells(s.fieldGrid(), 0,
                    {{"ID", "7"}, {"Posicion", "1"}, {"Longitud", "1"}, {"Tipo", "T"}});
        s.click(3);
        QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
        QCOMPARE(storeKeys(s.store()), (QStringList{"K-0002-0020", "K-0002-0005", "K-0001-0007"}));
    }

    // "Nuevo" on the one line type of a format, whose ID is empty: refused, nothing else changes;
    // once that line has its ID, the second line is added.
    void newLineNeedsTheFirstLinesId()
    {
        KESTA_TWO_LINE_SCREEN();
        db.exec("DELETE FROM Layout WHERE Ly_ID = '0002'");
        db.exec("DELETE FROM Layout_Detalle WHERE Ly_ID = '0002'");
        db.exec("UPDATE Layout SET Ly_Linea_ID = ''");
        s.typeKey("1");
        s.command("Edit");
        const QStringList held = s.held();
        QCOMPARE(s.lineGrid()->Rows(), 1);
        s.forget();

        s.click(0);
        verifyMessage(s, "7500001", 48, "Atención");
        QCOMPARE(s.held(), held);
        QVERIFY(!s.screen->LineEditActive());
        QCOMPARE(s.visibleButtons(), QStringLiteral("Nuevo,Editar,Eliminar"));

        s.click(1);
        s.typeCell(s.lineGrid(), 0, "ID", "H");
        s.click(3);
        QVERIFY2(s.record->messages.size() == 1, qPrintable(s.record->messages.value(1).text));
        s.click(0);
        QCOMPARE(QList<int>({int(s.record->messages.size()), s.lineGrid()->Rows(),
                             s.lineGrid()->currentRow(), s.lineGrid()->currentColumn(),
                             s.fieldGrid()->Rows()}),
                 QList<int>({1, 2, 1, 0, 0}));
        QVERIFY(s.screen->LineEditActive());
    }
    void deleteLine_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("No") << 7;
        QTest::newRow("Yes") << 6;
    }

    void deleteLine()
    {
        QFETCH(int, answer);
        KESTA_TWO_LINE_EDIT();
        const QStringList lines = gridRows(s.lineGrid());
        const QStringList held = s.held();
        s.forget();
        s.record->answers = {answer};

        s.click(2);

        verifyMessage(s, "7500026", 36, "Confirmar eliminación");
        if (answer == 7) {
            QCOMPARE(s.held(), held);
            return;
        }
        // The line goes with its fields; the field grid shows the line now current.
        QCOMPARE(gridRows(s.lineGrid()), lines.mid(1));
        QCOMPARE(storeKeys(s.store()), QStringList{"K-0002-0001"});
        QCOMPARE(s.fieldRows(), QStringList{"0020|Fecha|1|2|Fecha|||true"});
    }
    void keyFilter_data()
    {
        // typed: "<" is a backspace; after "^" a text pasted
        const auto add = dataColumns<bool, QString, QString, QString>(
            {"editing", "column", "typed", "expected"});
        add("position digits and backspace", true, "Posicion", "12<5", "15");
        add("position refuses sign, point, blank, letter", true, "Posicion", "-. a", "1");
        add("length digits in between refusals", true, "Longitud", "a3-4", "34");
        add("pasted position keeps its digits", true, "Posicion", "^4-a 2\n", "42");
        add("ID takes anything", true, "ID", "aB-1 .", "aB-1 .");
        add("description takes anything", true, "Descripción", "x-y", "x-y");
        add("nothing outside the editing state", false, "ID", "abc", "H");
    }

    void keyFilter()
    {
        auto [editing, column, typed] =
            fetchColumns<bool, QString, QString>({"editing", "column", "typed"});
        KESTA_TWO_LINE_SCREEN();
        s.perform(editing ? "1 Edit Editar" : "1");
        auto *grid = s.lineGrid();
        grid->setFocus();
        QVERIFY(grid->setCurrentCell(0, grid->columnIndex(column)));
        if (typed.startsWith('^')) {
            QApplication::clipboard()->setText(typed.mid(1));
            s.key(Qt::Key_F2);
            s.key(Qt::Key_A, Qt::ControlModifier);
            s.key(Qt::Key_V, Qt::ControlModifier);
        }
        for (const QChar c : typed.startsWith('^') ? QString() : typed)
            c == '<' ? s.key(Qt::Key_Backspace) : s.keys(QString(c));
        grid->commitCellEdit();
        QTEST(grid->cell(0, column).toString(), "expected");
    }

    // Outside a line edit Enter moves on in the line grid, and the field grid follows the line;
    // during one the line grid holds the line under edit.
    void fieldGridFollowsTheLineAndHolds()
    {
        KESTA_TWO_LINE_SCREEN();
        s.typeKey("1");
        auto *lines = s.lineGrid();
        lines->setFocus();
        QVERIFY(lines->setCurrentCell(0, 1));
        s.key(Qt::Key_Return);
        QCOMPARE(lines->currentColumn(), 2);
        QCOMPARE(lines->cell(0, "ID").toString(), QStringLiteral("H"));
        QCOMPARE(s.record->lastCall("SimulateKeys"), QStringLiteral("SimulateKeys(\t|0)"));
        s.clickLine(1);
        QCOMPARE(s.fieldRows(), QStringList{"0020|Fecha|1|2|Fecha|||true"});
        // Another cell of the same row: no refill (a marker row stays).
        s.fieldGrid()->setCell(s.fieldGrid()->AddNew(), "ID", "marker");
        s.clickLine(1, 3);
        QCOMPARE(s.fieldGrid()->Rows(), 2);
        s.key(Qt::Key_Up);
        QCOMPARE(s.fieldRows().size(), 2);
        QCOMPARE(s.fieldRows().first().section('|', 1, 1), QStringLiteral("Cuenta"));

        // During a line edit the line grid stays on the line under edit and the fields stay.
        s.perform("Edit Editar");
        const QStringList fields = s.fieldRows();
        s.clickLine(1);
        lines->setFocus();
        s.key(Qt::Key_Down);
        QCOMPARE(lines->currentRow(), 0);
        QCOMPARE(s.fieldRows(), fields);
        s.clickLine(0, 3);
        QCOMPARE(lines->currentColumn(), 3);
    }

    void fieldRowsByKeyAndMenu()
    {
        KESTA_TWO_LINE_EDIT();
        auto *fields = s.fieldGrid();
        const auto offered = [fields] {
            const std::unique_ptr<QMenu> menu(velkora::services::createGridMenu(fields, nullptr));
            return menuEntries(menu.get()).mid(0, 2);
        };

        // F10 hands the grid over to the services, with Shift or without.
        fields->setFocus();
        s.forget();
        s.key(Qt::Key_F10, Qt::ShiftModifier);
        s.key(Qt::Key_F10, Qt::ShiftModifier | Qt::ControlModifier);
        s.lineGrid()->setFocus();
        s.key(Qt::Key_F10);
        QCOMPARE(s.record->calls.filter("GridCommand"),
                 (QStringList{"GridCommandShiftF10(ssDetalle)", "GridCommandF10(ssDetalle)",
                              "GridCommandF10(ssLinea)"}));

        // The field grid takes input only during a line edit. Outside one the keys add and remove
        // nothing, the menu offers neither, and the Tipo cell, whose column is never locked, opens
        // no editor with a letter or F2: the grid shows what the store holds.
        const QStringList store = storeRows(s.store());
        const auto tryType = [&](Qt::Key key) {
            fields->setFocus();
            QVERIFY(fields->setCurrentCell(0, fields->columnIndex("Tipo")));
            s.key(key);
        };
        for (const Qt::Key key : {Qt::Key_F, Qt::Key_F2}) {
            tryType(key);
            QCOMPARE(s.focus(), fields);
        }
        QCOMPARE(fields->cellText(0, "Tipo"), QStringLiteral("NUMERO"));
        QCOMPARE(storeRows(s.store()), store);
        fields->setCurrentCell(1, 0);
        for (const auto &[k, m] :
             {std::pair{Qt::Key_Down, Qt::NoModifier}, std::pair{Qt::Key_Insert, Qt::NoModifier},
              std::pair{Qt::Key_Delete, Qt::ControlModifier}})
            s.key(k, m);
        QCOMPARE(fields->Rows(), 2);
        QVERIFY(!offered().contains("actAgregarCampo"));

        // During one the same gestures open the type list.
        s.click(1);
        for (const Qt::Key key : {Qt::Key_F, Qt::Key_F2}) {
            tryType(key);
            QCOMPARE(s.focus() ? s.focus()->objectName() : QString(), QStringLiteral("listEditor"));
            s.key(Qt::Key_Escape);
        }
        fields->setFocus();
        fields->setCurrentCell(1, 0);
        QCOMPARE(offered(), (QStringList{"actAgregarCampo", "actEliminarCampo"}));
        s.key(Qt::Key_Down); // on the last row: a new row
        QCOMPARE(QList<int>({fields->Rows(), fields->currentRow(), fields->currentColumn()}),
                 QList<int>({3, 2, 0}));
        s.key(Qt::Key_Down); // on a blank last row: nothing more
        QCOMPARE(fields->Rows(), 3);
        s.key(Qt::Key_Insert);
        QCOMPARE(fields->Rows(), 4);
        fields->setCurrentCell(0, 1);
        s.key(Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(fields->Rows(), 3);
        QCOMPARE(fields->cell(0, "Descripción").toString(), QStringLiteral("Nombre"));
        fields->actions().at(0)->trigger(); // the menu's "Agregar campo"
        QCOMPARE(fields->Rows(), 4);
    }
    // "Editar" on a line that is not the last: TAB and Enter on the held row's last cell go on to
    // the field grid's first cell (the hold refuses the next row); Shift+TAB on its first cell
    // goes back to the control before the grid. Outside a line edit TAB goes on to the next row.
    void tabFromTheHeldLine_data()
    {
        // lineRow: the line held (or current, outside a line edit); typed: typed first into the
        // cell, its editor left open; rowAfter: the line grid's current row afterwards.
        const auto add = dataColumns<bool, int, QString, QString, int, int, QString, int>(
            {"lineEdit", "lineRow", "column", "typed", "key", "modifiers", "focus", "rowAfter"});
        const int none = Qt::NoModifier;
        add("TAB", true, 0, "Longitud", "", Qt::Key_Tab, none, "ssDetalle", 0);
        add("TAB in the cell editor", true, 0, "Longitud", "7", Qt::Key_Tab, none, "ssDetalle", 0);
        add("Enter", true, 0, "Longitud", "", Qt::Key_Return, none, "ssDetalle", 0);
        add("Enter in the cell editor", true, 0, "Longitud", "7", Qt::Key_Return, none, "ssDetalle",
            0);
        add("Shift+TAB on the first cell of the second line", true, 1, "Orden", "", Qt::Key_Backtab,
            Qt::ShiftModifier, "other", 1);
        add("TAB outside a line edit", false, 0, "Longitud", "", Qt::Key_Tab, none, "ssLinea", 1);
    }

    void tabFromTheHeldLine()
    {
        auto [lineEdit, lineRow, column, typed, key, modifiers, focus] =
            fetchColumns<bool, int, QString, QString, int, int, QString>(
                {"lineEdit", "lineRow", "column", "typed", "key", "modifiers", "focus"});
        KESTA_TWO_LINE_EDIT();
        auto *lines = s.lineGrid();
        auto *fields = s.fieldGrid();
        lines->setFocus();
        QVERIFY(lines->setCurrentCell(lineRow, 0));
        fields->setCurrentCell(fields->Rows() - 1, 3); // the field grid's cell is elsewhere
        if (lineEdit)
            s.click(1);
        lines->setFocus();
        QVERIFY(lines->setCurrentCell(lineRow, lines->columnIndex(column)));
        if (!typed.isEmpty()) {
            s.keys(typed);
            QVERIFY(s.focus() != lines);
        }

        s.key(Qt::Key(key), Qt::KeyboardModifiers(modifiers));

        QWidget *now = s.focus();
        if (focus == "other")
            QVERIFY(now && now != lines && now != fields && !lines->isAncestorOf(now));
        else
            QCOMPARE(now ? now->objectName() : QString(), focus);
        QTEST(lines->currentRow(), "rowAfter");
        QCOMPARE(s.screen->LineEditActive(), lineEdit);
        if (focus == "ssDetalle")
            QCOMPARE(QList<int>({fields->currentRow(), fields->currentColumn()}),
                     QList<int>({0, 0}));
        if (!typed.isEmpty())
            QCOMPARE(lines->cell(lineRow, column).toString(), typed);
    }
    // A refused "Aceptar" puts the user on the cell at fault, in the line under edit or in the
    // field row, wherever the cursor was; nothing is committed, and the edit goes on. The line's
    // first two checks (a required cell empty, no ID beside another line) move nothing: the focus
    // and both grids' current cells stay where they were.
    void refusalLandsOnTheCellAtFault_data()
    {
        // grid: where the fault is typed; value: empty: the cell is emptied.
        const auto add = dataColumns<QString, int, QString, QString, QString>(
            {"grid", "row", "column", "value", "messageId"});
        add("line description empty: nothing moves", "ssLinea", 1, "Descripción", "", "7500002");
        add("line length empty: nothing moves", "ssLinea", 1, "Longitud", "", "7500002");
        add("line ID empty beside another line: nothing moves", "ssLinea", 1, "ID", "", "7500003");
        add("line number of the other line", "ssLinea", 1, "Orden", "1", "7500009");
        add("line position too large", "ssLinea", 1, "Posicion", "2147483648", "7500027");
        add("line length too large", "ssLinea", 1, "Longitud", "9999999999", "7500027");
        add("field position too large", "ssDetalle", 0, "Posicion", "2147483648", "7500013");
        add("field type empty, second row", "ssDetalle", 1, "Tipo", "", "7500007");
        add("field ID twice", "ssDetalle", 0, "ID", "21", "7500010");
        add("field number of the other field", "ssDetalle", 0, "ID", "021", "7500008");
    }

    void refusalLandsOnTheCellAtFault()
    {
        auto [grid, row, column, value, messageId] =
            fetchColumns<QString, int, QString, QString, QString>(
                {"grid", "row", "column", "value", "messageId"});
        KESTA_TWO_LINE_EDIT();
        const QStringList store = storeRows(s.store());
        auto *lines = s.lineGrid();
        auto *fields = s.fieldGrid();
        lines->setFocus();
        QVERIFY(lines->setCurrentCell(1, 0));
        s.click(1); // Editar on the second line: one field, ID 0020
        // A second field row, whole but for its type.
        fields->setFocus();
        fields->setCurrentCell(0, 0);
        s.key(Qt::Key_Insert);
        s.typeCells(fields, 1, {{"ID", "21"}, {"Posicion", "3"}, {"Longitud", "1"}});
        if (!(grid == "ssDetalle" && column == "Tipo"))
            s.typeCell(fields, 1, "Tipo", "T");

        auto *target = s.child<LoadScreen::Grid>(qPrintable(grid));
        if (value.isEmpty() && column != "Tipo")
            clearCell(target, row, column);
        else if (!value.isEmpty())
            s.typeCell(target, row, column, value);
        // The cursor elsewhere: another cell of the line, then the field grid's last cell.
        lines->setFocus();
        QVERIFY(lines->setCurrentCell(1, column == "Longitud" ? 0 : 4));
        fields->setFocus();
        fields->setCurrentCell(fields->Rows() - 1, fields->columnIndex("Valor"));
        s.forget();
        s.click(3);

        QCOMPARE(s.record->messages.size(), 1);
        QCOMPARE(s.record->messages.first().messageId, "ERR-ID:" + messageId);
        if (messageId == "7500002" || messageId == "7500003") {
            QCOMPARE(s.focus(), s.button(3)); // where the click on "Aceptar" put it
            QCOMPARE(QList<int>({lines->currentRow(), lines->currentColumn(), fields->currentRow(),
                                 fields->currentColumn()}),
                     QList<int>({1, column == "Longitud" ? 0 : 4, fields->Rows() - 1,
                                 fields->columnIndex("Valor")}));
        } else {
            QCOMPARE(s.focus(), target);
            QCOMPARE(target->currentRow(), row);
            QCOMPARE(target->currentColumnName(), target->columnName(target->columnIndex(column)));
        }
        // Refused: the store as it was, the edit still open with what was typed.
        QCOMPARE(storeRows(s.store()), store);
        QVERIFY(s.screen->LineEditActive());
        QCOMPARE(s.visibleButtons(), QStringLiteral("Aceptar,Cancelar"));
        QCOMPARE(target->cell(row, column).toString(), value);
        QVERIFY(!lines->isColumnLocked(0));
    }
    // Moving into the field grid's Tipo cell (Enter, TAB, the arrows) never opens its list, and the
    // arrows go on moving between cells: the types stay as they were. The list opens when asked (a
    // letter, which chooses, F4, Alt+Down, a click); its entries shown, the arrows go through them;
    // not shown, the arrows close it with its entry and move on. TAB (and Enter, which types a
    // TAB) on the last field row's last cell goes on to the new row "*", not out of the grid; from
    // the new row's last cell on to "Aceptar". No row is added on the way.
    void listOpensOnlyWhenAsked_data()
    {
        // steps: from the second field's Longitud, its editor closed; cell: the field grid's
        // current cell: row, column name.
        const auto add = dataColumns<QString, QString, bool, QString, QString>(
            {"steps", "focus", "entriesShown", "cell", "types"});
        add("typed, Enter, Up Up Left Left", "3 Enter Up Up Left Left", "ssDetalle", false,
            "0 Posicion", "NUMERO,TEXTO");
        add("typed, TAB, Up, Left", "3 Tab Up Left", "ssDetalle", false, "0 Longitud",
            "NUMERO,TEXTO");
        add("Enter into Tipo, Up", "Enter Up", "ssDetalle", false, "0 Tipo", "NUMERO,TEXTO");
        add("Shift+TAB back into Tipo from Valor", "Tab Tab Backtab Up", "ssDetalle", false,
            "0 Tipo", "NUMERO,TEXTO");
        add("a letter chooses", "Tab f", "listEditor", false, "1 Tipo", "NUMERO,Fecha");
        add("a letter, then Up moves on", "Tab f Up", "ssDetalle", false, "0 Tipo", "NUMERO,Fecha");
        add("a letter, then Right moves on", "Tab c Right", "ssDetalle", false, "1 Valor",
            "NUMERO,CONSTANTE");
        add("F4 shows the entries", "Tab F4", "", true, "1 Tipo", "NUMERO,TEXTO");
        add("Alt+Down shows the entries", "Tab Alt+Down", "", true, "1 Tipo", "NUMERO,TEXTO");
        add("a click shows the entries", "Tab click", "", true, "1 Tipo", "NUMERO,TEXTO");
        add("F4, Down in the entries, Enter", "Tab F4 Down Enter", "listEditor", false, "1 Tipo",
            "NUMERO,Fecha");
        add("F4, Escape closes the entries only", "Tab F4 Escape", "listEditor", false, "1 Tipo",
            "NUMERO,TEXTO");
        add("TAB on the last cell: the new row", QStringList(6, "Tab").join(' '), "ssDetalle",
            false, "2 ID", "NUMERO,TEXTO");
        add("Enter through the new row: Aceptar", QStringList(15, "Enter").join(' '),
            "cmdControles_3", false, "2 Linea_ID", "NUMERO,TEXTO");
    }

    void listOpensOnlyWhenAsked()
    {
        auto [steps, focus, entriesShown, cell] = fetchColumns<QString, QString, bool, QString>(
            {"steps", "focus", "entriesShown", "cell"});
        KESTA_TWO_LINE_EDIT();
        auto *fields = s.fieldGrid();
        s.click(1); // Editar on the first line: Cuenta NUMERO, Nombre TEXTO
        fields->setFocus();
        QVERIFY(fields->setCurrentCell(1, fields->columnIndex("Longitud")));

        pressKeys(s, steps);

        auto *list = fields->findChild<QComboBox *>("listEditor");
        QCOMPARE(list && list->isVisible() && list->view()->isVisible(), entriesShown);
        if (!entriesShown)
            QCOMPARE(s.focus() ? s.focus()->objectName() : QString(), focus);
        QCOMPARE(QString::number(fields->currentRow()) + ' ' + fields->currentColumnName(), cell);
        QCOMPARE(fields->Rows(), 2);
        if (entriesShown) {
            // Chosen in the shown entries with the keys: the cell takes the entry.
            QTest::keyClick(list->view(), Qt::Key_Down);
            QTest::keyClick(list->view(), Qt::Key_Return);
            QTRY_VERIFY(!list->view()->isVisible());
            fields->commitCellEdit();
            QCOMPARE(fields->cellText(1, "Tipo"), QStringLiteral("Fecha"));
            return;
        }
        fields->commitCellEdit();
        QTEST(fields->cellText(0, "Tipo") + ',' + fields->cellText(1, "Tipo"), "types");
    }
    // While a load format is edited, with a line edit or without, TAB and Shift+TAB go round the
    // whole screen and never land in the key box (with its text selected, a letter typed would
    // replace the key); outside an edit the key box is on the way.
    void tabPassesTheKeyBoxBy_data()
    {
        const auto add = dataColumns<QString, bool, bool>({"begun", "lineEdit", "reached"});
        for (const QByteArray way : {", TAB", ", Shift+TAB"}) {
            add("new" + way, "New", false, false);
            add("new, line edit" + way, "New", true, false);
            add("existing, line edit" + way, "1 Edit", true, false);
            add("shown" + way, "1", false, true);
        }
    }

    void tabPassesTheKeyBoxBy()
    {
        auto [begun, lineEdit] = fetchColumns<QString, bool>({"begun", "lineEdit"});
        const bool back = QString(QTest::currentDataTag()).endsWith("Shift+TAB");
        KESTA_TWO_LINE_SCREEN();
        s.perform(begun);
        if (begun == "New") {
            typeInto(s, "txtClave", "CNAB");
            s.child("txtDescripcion")->setFocus();
            s.typeText("Pagos");
        }
        const QString key = s.keyBox()->text();
        if (lineEdit)
            s.click(0);
        bool reached = false, described = false;
        for (int i = 0; i < 60; ++i) {
            s.key(back ? Qt::Key_Backtab : Qt::Key_Tab);
            reached = reached || s.focus() == s.keyBox();
            described = described || (s.focus() && s.focus()->objectName() == "txtDescripcion");
        }
        QTEST(reached, "reached");
        QVERIFY(described || !s.child("txtDescripcion")->isEnabled()); // the way goes round
        QCOMPARE(s.keyBox()->text(), key);
        QCOMPARE(s.screen->LineEditActive(), lineEdit);
    }
    // A field row exists only when the user typed into it: the new row "*" stays the new row
    // whatever the keys do on it (End, F4 and Escape, a refused "Aceptar"), and a row that holds
    // nothing (Insert, Down on the last row) is neither checked nor committed.
    void onlyTypedRowsAreFields_data()
    {
        // steps: on the field grid's new row
        // rows: the field grid's rows of data after them
        const auto add = dataColumns<QString, int>({"steps", "rows"});
        add("End", "End", 2);
        add("End, Aceptar refused before", "Aceptar End", 2);
        add("F4 then Escape twice", "Tab Tab Tab Tab F4 Escape Escape", 2);
        add("a letter, Escape", "Tab Tab Tab Tab n Escape", 2);
        add("F2 then Enter, Enter", "F2 Enter Enter", 2);
        add("a cell emptied", "x Backspace Enter", 2);
        add("Insert", "Insert", 3);
        add("Down on the last row", "Up Down", 3);
    }

    void onlyTypedRowsAreFields()
    {
        QFETCH(QString, steps);
        KESTA_TWO_LINE_EDIT();
        auto *fields = s.fieldGrid();
        s.click(1);
        const QStringList shown = s.fieldRows();
        const int stored = s.store().count();
        fields->setFocus();
        QVERIFY(fields->setCurrentCell(2, 0)); // the new row
        if (steps.startsWith("Aceptar")) {
            // A refused "Aceptar" (the first field's ID emptied) puts the cursor in the field grid.
            clearCell(fields, 0, "ID");
            s.click(3);
            QCOMPARE(s.record->messages.size(), 1);
            s.typeCell(fields, 0, "ID", "0000");
            QVERIFY(fields->setCurrentCell(2, 0));
            steps = steps.mid(8);
        }
        pressKeys(s, steps);
        QTEST(fields->Rows(), "rows");
        QVERIFY(s.screen->LineEditActive());
        QCOMPARE(fields->model()->rowCount(), fields->Rows() + 1); // the new row is still there
        s.forget();
        s.click(3);
        QCOMPARE(s.record->messages.size(), 0);
        QVERIFY(!s.screen->LineEditActive());
        // The line's two fields, committed again, and nothing more.
        QCOMPARE(s.fieldRows(), shown);
        QCOMPARE(s.store().count(), stored);
    }
    // Escape during a line edit (no cell editor open) asks before it drops typed changes of the
    // line row or the field rows (7500071, No the default); No keeps the edit as it is, Yes cancels
    // it as "Cancelar" does. Without typed changes it cancels at once. Cancelled, the line row,
    // both grids and the field store are as they were, on the same line; "Nuevo" gives a new row
    // with no number proposed and empties the field grid.
    void escapeInALineEdit_data()
    {
        // start: "Editar" or "Nuevo"; typed: "line", "field", "blank field" (Insert alone), "none".
        const auto add = dataColumns<QString, QString, int, bool, bool>(
            {"start", "typed", "answer", "asked", "ended"});
        const int yes = 6, no = 7;
        add("Editar, line typed, No", "Editar", "line", no, true, false);
        add("Editar, line typed, Yes", "Editar", "line", yes, true, true);
        add("Editar, field typed, No", "Editar", "field", no, true, false);
        add("Editar, untouched", "Editar", "none", 0, false, true);
        add("Editar, a blank row added", "Editar", "blank field", 0, false, true);
        add("Nuevo, line typed, No", "Nuevo", "line", no, true, false);
        add("Nuevo, field typed, Yes", "Nuevo", "field", yes, true, true);
        add("Nuevo, untouched", "Nuevo", "none", 0, false, true);
    }

    void escapeInALineEdit()
    {
        auto [start, typed, answer, asked, ended] = fetchColumns<QString, QString, int, bool, bool>(
            {"start", "typed", "answer", "asked", "ended"});
        KESTA_TWO_LINE_EDIT();
        auto *lines = s.lineGrid();
        auto *fields = s.fieldGrid();
        s.clickLine(1);
        const QStringList held = s.held();
        s.perform(start);
        const int line = lines->currentRow();
        if (start == "Nuevo") { // a new row, no number proposed, and the field grid emptied
            QCOMPARE(QList<int>({lines->Rows(), line, lines->currentColumn(), fields->Rows()}),
                     QList<int>({3, 2, 0, 0}));
            QCOMPARE(s.focus(), lines);
            QCOMPARE(lines->cellText(2, "Orden"), QString());
        }
        if (typed == "line") {
            s.typeCells(
                lines, line,
                {{"ID", "X"}, {"Descripción", "Otra"}, {"Posicion", "7"}, {"Longitud", "3"}});
        } else if (typed == "field") {
            s.typeCells(fields, 0, {{"Descripción", "Otro"}, {"Longitud", "9"}, {"Tipo", "N"}});
            s.key(Qt::Key_Insert);
            s.typeCells(fields, 1, {{"ID", "5"}, {"Posicion", "4"}});
        } else if (typed == "blank field") {
            pressKeys(s, "Insert");
        }
        const QStringList during = s.held();
        if (typed == "line" || typed == "field")
            QVERIFY(during != held);
        s.forget();
        if (answer)
            s.record->answers = {answer};

        s.key(Qt::Key_Escape);

        if (asked) {
            QCOMPARE(s.record->messages.size(), 1);
            const auto &message = s.record->messages.first();
            QCOMPARE(
                QStringList({message.messageId, QString::number(message.style), message.title}),
                QStringList({"ERR-ID:7500071", "292", "Descartar cambios"}));
            QCOMPARE(message.text,
                     QStringLiteral("La línea tiene cambios que no se han aceptado.\r\n¿Desea "
                                    "descartarlos?"));
        } else {
            QVERIFY(s.record->messages.isEmpty());
        }
        QCOMPARE(s.screen->LineEditActive(), !ended);
        QCOMPARE(s.held(), ended ? held : during);
        QVERIFY(s.toolbar()->EditMode());
        if (!ended) {
            // The edit goes on: a second No, then "Cancelar" under the grids asks nothing.
            s.record->answers = {7}; // No
            s.key(Qt::Key_Escape);
            QCOMPARE(s.held(), during);
            s.forget();
            s.click(4);
            QVERIFY(s.record->messages.isEmpty());
            QCOMPARE(s.held(), held);
            QCOMPARE(lines->currentRow(), 1);
            QVERIFY(!s.screen->LineEditActive() && !lines->hasPendingEdit());
            QCOMPARE(s.visibleButtons(), QStringLiteral("Nuevo,Editar,Eliminar"));
        }
    }
    void offeredOnlyForANewFormat_data()
    {
        // lineType: then 1: a line type typed; 2: and accepted
        const auto add = dataColumns<QString, int, bool>({"steps", "lineType", "offered"});
        add("empty screen", "", 0, false);
        add("shown format", "1", 0, false);
        add("Edit of the shown format", "1 Edit", 0, false);
        add("New", "New", 0, true);
        add("Copy", "1 B1", 0, true);
        add("New, a line type under edit", "New", 1, false);
        add("New, the line type accepted", "New", 2, true);
        add("New, then Cancel", "New Cancel", 0, false);
    }

    void offeredOnlyForANewFormat()
    {
        auto [steps, lineType] = fetchColumns<QString, int>({"steps", "lineType"});
        KESTA_TWO_LINE_SCREEN();
        s.perform(steps);
        if (lineType > 0)
            typeFirstLine(s, "Todo");
        if (lineType > 1) {
            addTextFieldAndAccept(s, "80");
            QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
        }

        QMenu *menu = rightClick(s, s.lineGrid());
        QVERIFY(menu);
        QTEST(menuEntries(menu).contains(ProposeEntry), "offered");
        QCOMPARE(s.record->lastCall("GridCommandShiftF10"),
                 QStringLiteral("GridCommandShiftF10(ssLinea)"));
        // The field grid's menu never offers it.
        QMenu *fieldMenu = rightClick(s, s.fieldGrid());
        QVERIFY(fieldMenu);
        QVERIFY(!menuEntries(fieldMenu).contains(ProposeEntry));
    }
    void proposalThatChangesNothing_data()
    {
        // file: chosen in the file dialog; empty: none; answer: to the proposal's dialog; empty: it
        // never shows; message: its id, then what its text holds; empty: none.
        const auto add = dataColumns<QString, QString, QString>({"file", "answer", "message"});
        add("no file chosen", "", "", "");
        add("the dialog cancelled", "extracto.txt", "cancel", "");
        add("accepted, replace? No", "extracto.txt", "accept", "7500040");
        // One message for a file that is not text, one for any other reason (which the proposal's
        // own test goes through).
        add("no such file", "no-existe.txt", "", "7500041|no existe");
        add("a file that is not text", "hoja.xls", "",
            "7500044|no es un archivo de texto: tiene bytes nulos");
        // A big sample: "Cancelar" in the window of progress that shows over the screen stops it.
        add("stopped from its window of progress", "grande.txt", "", "");
    }

    // Over a copied format: whatever the user declines, and whatever gives no proposal, the copy
    // stays as it was. The question about the copied line types comes only once a file has given a
    // proposal and the user has accepted it.
    void proposalThatChangesNothing()
    {
        auto [file, answer, message] =
            fetchColumns<QString, QString, QString>({"file", "answer", "message"});
        KESTA_TWO_LINE_SCREEN();
        s.perform("1 B1");
        const QStringList held = s.held();
        const QString stored = s.text("txtArchivo");
        s.forget();
        s.record->answers = {7};
        const QString path = m_folder->filePath(file);
        if (!file.isEmpty())
            s.record->chosenFiles << path;
        // Each report of progress waits until the window of progress has been answered: a slow
        // disk.
        std::atomic<bool> stopped{false};
        QWidget *owner = nullptr;
        std::optional<DialogAnswer<velkora::views::ProposalProgressDialog>> progress;
        if (file == "grande.txt") {
            velkora::views::ProposalRunOptions options;
            options.quietMilliseconds = 0;
            options.job.afterProgress = [&stopped] {
                for (int i = 0; i < 10000 && !stopped; ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
            };
            s.screen->findChild<kesta::commands::ProposalCommand *>()->setRunOptions(options);
            progress.emplace([&](QDialog &dialog) {
                owner = dialog.parentWidget();
                QTest::mouseClick(dialog.findChild<QPushButton *>("cmdCancelar"), Qt::LeftButton);
                stopped = true;
            });
        }
        int messagesWhenShown = -1;
        ProposalAnswer shown([&](ProposalDialog &dialog) {
            messagesWhenShown = int(s.record->messages.size());
            QTest::mouseClick(answer == "accept" ? dialog.acceptButton() : dialog.cancelButton(),
                              Qt::LeftButton);
        });
        QVERIFY(clickEntry(rightClick(s, s.lineGrid()), ProposeEntry));

        QCOMPARE(s.record->count("ChooseOpenFile"), 1);
        QCOMPARE(shown.shown(), answer.isEmpty() ? 0 : 1);
        QCOMPARE(messagesWhenShown, answer.isEmpty() ? -1 : 0);
        if (progress)
            QVERIFY(stopped && owner == s.screen.get());
        const QString id = message.section('|', 0, 0);
        if (id.isEmpty()) {
            QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
        } else if (id == "7500040") {
            verifyMessage(s, id, 36, "Proponer desde archivo");
            QCOMPARE(s.record->messages.first().text,
                     kesta::messages::replaceLineTypes(
                         2, int(proposal_test::propose(m_statement).lineTypes.size()),
                         QDir::toNativeSeparators(m_statement))
                         .text);
        } else {
            verifyMessage(s, id, 48, "Proponer desde archivo");
            const QString text = s.record->messages.first().text;
            QVERIFY2(text.contains(QDir::toNativeSeparators(path)), qPrintable(text));
            QVERIFY2(text.contains(message.section('|', 1)), qPrintable(text));
        }
        QCOMPARE(s.held(), held);
        QCOMPARE(s.text("txtArchivo"), stored);
        QVERIFY(!s.screen->LineEditActive());
        QCOMPARE(kesta::commands::modeName(s.screen->mode()), QStringLiteral("Editing new"));
    }
    void proposalEnteredAndSaved_data()
    {
        // copy: over a copy of the stored format; else a new one
        const auto add = dataColumns<bool, QString>({"copy", "shape"});
        add("new, a bank statement", false, "statement");
        add("copy, a bank statement", true, "statement");
        add("copy, one kind of line, no ID", true, "movements");
        add("copy, segments with their IDs at another column", true, "remittance");
    }

    // New (or Copiar, and Yes to the question about the copied line types), the proposal from a
    // sample accepted in its dialog (what it shows is the views' test), Save under a key of its
    // own. The proposal entered as the editor enters a line type, nothing saved before Save; then
    // stored as proposed, and the stored format reads the sample without a fault. The proposal's
    // rules come with it, but for those that depend on the lines' order when the copied header
    // reads the file from its last line.
    void proposalEnteredAndSaved()
    {
        auto [copy, shape] = fetchColumns<bool, QString>({"copy", "shape"});
        KESTA_TWO_LINE_SCREEN();
        const QString sample =
            shape == "movements"
                ? proposal_test::writeFile(
                      m_folder->filePath("movimientos.txt"),
                      proposal_test::bankStatement(6, 40).filter(QRegularExpression("^22")))
            : shape == "remittance" ? proposal_test::writeFile(m_folder->filePath("retorno.txt"),
                                                               proposal_test::remittanceFile({}))
                                    : m_statement;
        const velkora::proposal::Proposal proposal = proposal_test::propose(sample);
        const velkora::formats::LoadFormat proposed =
            velkora::proposal::toLoadFormat(proposal, "0009");
        QStringList expected = formatTexts(proposed);
        QVERIFY(!ruleTexts(proposed, false).isEmpty());
        if (shape == "movements") {
            QCOMPARE(proposed.lineTypes.size(), 1);
            QCOMPARE(proposed.lineTypes.first().lineId, QString());
            // Where no ID stands, the editor still takes a position and a length: 1 and 1.
            expected[0] = "0001||" + proposed.lineTypes.first().description + "|1|1";
        }
        s.perform(copy ? "1 B1" : "New");
        typeInto(s, "txtClave", "0009");
        typeInto(s, "txtDescripcion", "Extracto");
        s.forget();
        s.record->chosenFiles << sample;
        int messagesWhenShown = -1;
        ProposalAnswer answer([&](ProposalDialog &dialog) {
            messagesWhenShown = int(s.record->messages.size());
            QTest::mouseClick(dialog.acceptButton(), Qt::LeftButton);
        });
        QVERIFY(clickEntry(rightClick(s, s.lineGrid()), ProposeEntry));

        QCOMPARE(answer.shown(), 1);
        QCOMPARE(s.record->count("ChooseOpenFile"), 1);
        QVERIFY(s.record->lastCall("ChooseOpenFile").startsWith("ChooseOpenFile(frmKESTA|"));
        // Over a copy, asked after the proposal was accepted (and answered Yes).
        QCOMPARE(messagesWhenShown, 0);
        if (copy)
            verifyMessage(s, "7500040", 36, "Proponer desde archivo");
        else
            QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
        QVERIFY(!s.screen->LineEditActive());
        QCOMPARE(s.visibleButtons(), QStringLiteral("Nuevo,Editar,Eliminar"));
        // The first line type's fields shown (the numbers of line types and fields are the stored
        // format's, below).
        QCOMPARE(s.lineGrid()->currentRow(), 0);
        QCOMPARE(s.fieldGrid()->Rows(), proposed.lineTypes.at(0).fields.size());
        const QString file = copy ? QStringLiteral("pagos.txt") : sample;
        QCOMPARE(s.text("txtArchivo"), file);
        QVERIFY(s.record->statements.isEmpty());
        // The proposal's rules can be seen and changed before the save.
        QVERIFY(s.screen->cmdReglas->isEnabled());

        // The offscreen platform gives the window back no activation when the dialog closes, as a
        // window manager does.
        s.screen->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(s.screen.get()));
        s.forget();
        s.command("Save");
        QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
        QCOMPARE(kesta::commands::modeName(s.screen->mode()), QStringLiteral("Idle"));
        const QSqlDatabase sql = QSqlDatabase::database(db.connectionName());
        const auto stored = velkora::store::LoadFormatReader(sql).read("0009");
        QVERIFY(stored);
        QCOMPARE(stored->description + "|" + stored->file, "Extracto|" + file);
        QCOMPARE(stored->reverse, copy);
        QCOMPARE(formatTexts(*stored), expected);
        QCOMPARE(ruleTexts(*stored), ruleTexts(proposed, !copy));
        const auto report = velkora::store::testStoredFormat(sql, "0009", sample);
        QVERIFY2(report.ran, qPrintable(report.error));
        QVERIFY2(report.clean(), qPrintable(velkora::formats::reportText(report, "|").right(2000)));
    }

    // A line type that the editor refuses stops the entry there, with the editor's message: the
    // line types before it are accepted, it stays under edit for the user to mend, the rest are
    // not entered.
    void refusedLineTypeStopsTheEntry()
    {
        EditScreen s;
        s.command("New");
        s.forget();
        QList<kesta::editor::LineTypeInput> types{
            {{"0001", "11", "Tipo 11", "1", "2"}, {field("0001", "1"), field("0002", "3")}},
            {{"0002", "22", "Tipo 22", "1", "2"},
             {field("0001", "1"), field("0002", "2147483648")}},
            {{"0003", "33", "Tipo 33", "1", "2"}, {field("0001", "1")}}};
        kesta::editor::LineTypeEntry entry({s.lineGrid(), s.fieldGrid(), &s.screen->lineEditor()});

        QCOMPARE(entry.enter(types), 1);

        verifyMessage(s, "7500013", 48, "Validar detalle");
        // Two line rows, the second under edit on its field at fault; the first line's fields
        // stored.
        QCOMPARE(QList<int>({s.lineGrid()->Rows(), s.screen->EditedLineRow(),
                             s.fieldGrid()->currentRow(), int(s.store().count())}),
                 QList<int>({2, 1, 1, 2}));
        QCOMPARE(s.lineGrid()->cellText(1, "ID"), QStringLiteral("22"));
        QVERIFY(s.screen->LineEditActive());
        QCOMPARE(s.visibleButtons(), QStringLiteral("Aceptar,Cancelar"));

        // The user mends the position and accepts: the line type joins the first.
        s.typeCell(s.fieldGrid(), 1, "Posicion", "3");
        s.click(3);
        QCOMPARE(s.record->messages.size(), 1);
        QVERIFY(!s.screen->LineEditActive());
        QCOMPARE(s.store().count(), 4);
    }

    void overlapsToldNotRefused_data()
    {
        const auto add = dataColumns<QList<FieldRowInput>, QStringList>({"fields", "overlaps"});
        add("side by side", QList{field("1", "1", "10"), field("2", "11", "5")}, QStringList());
        add("the last column shared, out of order",
            QList{field("2", "11", "5"), field("1", "1", "11")},
            QStringList{"Los campos 0001 (columnas 1-11) y 0002 (columnas 11-15) del tipo de "
                        "línea 0003 se enciman en la columna 11."});
        add("a CONSTANTE reads no column", QList{field("1", "1", "10"), field("2", "5", "2", 3)},
            QStringList());
        add("length 0 reads none", QList{field("1", "1", "10"), field("2", "5", "0")},
            QStringList());
    }

    void overlapsToldNotRefused()
    {
        QFETCH(QList<FieldRowInput>, fields);
        QVERIFY(!checkLineEdit(line(), 1, {}, fields));
        QTEST(kesta::editor::overlappingFields(line(), fields), "overlaps");
        // On "Aceptar", only what the edit brought: a new line tells them all; fields that still
        // read where they did (renumbered) tell nothing again.
        QTEST(kesta::editor::newOverlaps(line(), fields, {}), "overlaps");
        QList<FieldRowInput> renumbered = fields;
        for (FieldRowInput &f : renumbered)
            f.id += "0";
        QCOMPARE(
            kesta::editor::newOverlaps(line(), renumbered, kesta::editor::fieldColumns(fields)),
            QStringList());
    }

    void ruleWordsTaughtWithExamples()
    {
        using kesta::editor::RulesDialog;
        const QList<velkora::formats::RuleWord> words = velkora::formats::ruleWords();
        for (const velkora::formats::RuleWord &word : words) {
            QString error;
            const auto parsed = velkora::formats::parseRule(word.example, &error);
            QVERIFY2(parsed, qPrintable(word.example + ": " + error));
            QVERIFY2(velkora::formats::ruleKeyword(parsed->kind).startsWith(word.word),
                     qPrintable(word.example));
            QVERIFY(word.help.startsWith(word.word));
        }
        RulesDialog dialog(
            {nullptr, "0001", {}, {{"0001", "", "", "LONGITUD 80", "", false}}, true});
        auto *choices = dialog.findChild<QComboBox *>("cboPalabras");
        auto *use = dialog.findChild<QPushButton *>("cmdUsarEjemplo");
        QCOMPARE(choices->count(), words.size());
        choices->setCurrentIndex(int(words.size()) - 3);
        QCOMPARE(dialog.findChild<QLabel *>("lblEjemplo")->text(), "Ejemplo: SUMA 0002.0003");
        // A rule with a text keeps it: the example goes into a new rule; an empty one takes it.
        use->click();
        dialog.addRule();
        choices->setCurrentIndex(0);
        use->click();
        QCOMPARE(gridRows(dialog.grid()),
                 (QStringList{"0001|||LONGITUD 80||", "0002|||SUMA 0002.0003||",
                              "0003|||REGISTRO 750||"}));
        RulesDialog shown({nullptr, "0001", {}, {}, false});
        QVERIFY(!shown.findChild<QPushButton *>("cmdUsarEjemplo")->isVisibleTo(&shown));
    }

private:
    std::unique_ptr<QTemporaryDir> m_folder;
    QString m_statement;
};

QTEST_MAIN(TestEditor)
#include "tst_editor.moc"
