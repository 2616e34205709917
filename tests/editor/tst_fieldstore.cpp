// The field store (keys, order, refusal of duplicates, the model's consistency) and the field
// grid's refill from it for the line grid's current row. Its filling by the load and its hidden
// view are tested with the load.

#include "editor/FieldStoreFiller.h"
#include "load/LoadFixture.h"

#include <QAbstractItemModelTester>

using kesta::editor::FieldStore;
using kesta::host::RuntimeError;
using namespace kesta::test;

namespace {

// A shown screen whose store holds six fields of the line 0001 (one of each type code) and
// one of the line 0002, with three rows in the line grid.
std::unique_ptr<LoadScreen> refillScreen()
{
    auto s = std::make_unique<LoadScreen>();
    for (const auto &[line, id, tipo, trim] :
         {std::tuple{"0001", "0000", "01", "SI"}, std::tuple{"0002", "0010", "02", "SI"},
          std::tuple{"0001", "0020", "02", "si"}, std::tuple{"0001", "0030", "03", "NO"},
          std::tuple{"0001", "0040", "04", "SI"}, std::tuple{"0001", "0050", "05", ""},
          std::tuple{"0001", "0060", "4", "SI"}}) {
        const QString key = FieldStore::keyFor(line, id);
        s->store().add(key, FieldStore::textFor(line, id));
        const QStringList values{
            id,  "D" + QString(id), "3", "4", tipo, "V'" + QString(id), "F\"" + QString(id), trim,
            line};
        for (int sub = FieldStore::Id; sub < FieldStore::ColumnCount; ++sub)
            s->store().setSubItem(key, sub, values[sub - FieldStore::Id]);
    }
    for (const char *order : {"0001", "0002", "0003"}) {
        s->lineGrid()->setCell(s->lineGrid()->AddNew(), "Orden", order);
        s->lineGrid()->Update();
    }
    s->forget();
    return s;
}

} // namespace

class tst_FieldStore : public QObject {
    Q_OBJECT

private slots:
    void orderLookupAndRefusals();
    void keysTextsAndSequences_data();
    void keysTextsAndSequences();
    void refillShowsTheCurrentLinesFields();
    void refillTypeNotANumber();
};

void tst_FieldStore::orderLookupAndRefusals()
{
    FieldStore store;
    QAbstractItemModelTester tester(&store, QAbstractItemModelTester::FailureReportingMode::QtTest);
    for (const char *field : {"0002-0001", "0001-0001", "0001-0002"})
        store.add(QStringLiteral("K-") + field, field);
    store.setSubItem("K-0001-0001", FieldStore::Descripcion, "second");
    QCOMPARE(store.find("K-0001-0002"), 2);
    QCOMPARE(store.find("K-9"), -1);

    // A second row with the same key, or a sub-item of no row, is refused; nothing changes.
    QVERIFY_THROWS_EXCEPTION(RuntimeError, store.add("K-0001-0001", "other"));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, store.setSubItem("K-1-1", FieldStore::Id, "x"));
    QVERIFY_THROWS_EXCEPTION(RuntimeError,
                             store.setSubItem("K-0001-0001", FieldStore::ColumnCount, "x"));
    QCOMPARE(storeRows(store),
             (QStringList{"K-0002-0001|0002-0001|||||||||", "K-0001-0001|0001-0001||second|||||||",
                          "K-0001-0002|0001-0002|||||||||"}));

    // Removing keeps the order of the rest and the lookup right; new rows go to the end.
    store.removeAt(0);
    store.removeAt(99); // out of range: nothing happens
    store.add("K-0002-0001", "0002-0001");
    QCOMPARE(QList<int>({store.find("K-0001-0001"), store.find("K-0002-0001")}),
             QList<int>({0, 2}));
    QCOMPARE(store.data(store.index(0, FieldStore::Descripcion)).toString(), "second");
    QCOMPARE(store.data(store.index(2, FieldStore::Llave), Qt::UserRole).toString(), "K-0002-0001");
    QCOMPARE(QList<int>({store.rowCount(), store.columnCount()}), QList<int>({3, 10}));
    store.clear();
    QCOMPARE(store.count(), 0);
    QCOMPARE(store.find("K-0001-0001"), -1);
}

// The texts the load writes for each field: its key, its item text and its number.
void tst_FieldStore::keysTextsAndSequences_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("field");
    QTest::addColumn<qint64>("sequence");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("number");
    QTest::newRow("first") << "0001" << "0010" << qint64(0) << "K-0001-0010" << "0001-0010"
                           << "0000";
    QTest::newRow("empty parts") << "" << QString() << qint64(7) << "K--" << "-" << "0007";
    QTest::newRow("three digits") << "12" << "ab" << qint64(990) << "K-12-ab" << "12-ab"
                                  << "0990";
    QTest::newRow("four digits") << "9999" << "9999" << qint64(9990) << "K-9999-9999"
                                 << "9999-9999" << "9990";
    QTest::newRow("more than four") << "1" << "2" << qint64(123456789012) << "K-1-2" << "1-2"
                                    << "123456789012";
    QTest::newRow("below zero") << "ñ" << "Ñ" << qint64(-10) << "K-ñ-Ñ" << "ñ-Ñ" << "-010";
}

void tst_FieldStore::keysTextsAndSequences()
{
    QFETCH(QString, line);
    QFETCH(QString, field);
    QFETCH(qint64, sequence);
    QFETCH(QString, key);
    QFETCH(QString, text);
    QFETCH(QString, number);
    QCOMPARE(FieldStore::keyFor(line, field), key);
    QCOMPARE(FieldStore::textFor(line, field), text);
    QCOMPARE(kesta::editor::sequenceText(sequence), number);
}

void tst_FieldStore::refillShowsTheCurrentLinesFields()
{
    auto s = refillScreen();
    auto *grid = s->fieldGrid();
    s->lineGrid()->setCurrentRow(0);
    s->screen->RellenaDetalle("0001");

    // Only "SI", exactly, ticks the trim cell; a type code picks its entry of the type list.
    QCOMPARE(gridRows(grid), (QStringList{"0000|D0000|3|4|NUMERO|V'0000|F\"0000|true|0001",
                                          "0020|D0020|3|4|TEXTO|V'0020|F\"0020|false|0001",
                                          "0030|D0030|3|4|Fecha|V'0030|F\"0030|false|0001",
                                          "0040|D0040|3|4|CONSTANTE|V'0040|F\"0040|true|0001",
                                          "0050|D0050|3|4|SQL|V'0050|F\"0050|false|0001",
                                          "0060|D0060|3|4|CONSTANTE|V'0060|F\"0060|true|0001"}));
    QVERIFY(grid->redraw() && !grid->hasPendingEdit());

    // An empty argument leaves the grid as it is; the rows follow the line grid's current row,
    // not the argument; each refill replaces the rows.
    const QStringList shown = gridRows(grid);
    s->screen->RellenaDetalle(QString());
    QCOMPARE(gridRows(grid), shown);
    s->lineGrid()->setCurrentRow(1);
    s->screen->RellenaDetalle("5");
    QCOMPARE(gridRows(grid), QStringList{"0010|D0010|3|4|TEXTO|V'0010|F\"0010|true|0002"});
    s->lineGrid()->setCurrentRow(2);
    s->screen->RellenaDetalle("3");
    QCOMPARE(grid->Rows(), 0);
    QVERIFY(s->record->messages.isEmpty());
}

void tst_FieldStore::refillTypeNotANumber()
{
    auto s = refillScreen();
    s->lineGrid()->setCurrentRow(0);
    s->store().setSubItem("K-0001-0030", FieldStore::Tipo, "x5");

    s->screen->RellenaDetalle("1");

    verifyMessage(*s, "7500023", 16, "Velkora");
    const QString text = s->record->messages.value(0).text;
    QVERIFY2(text.startsWith("RellenaDetalle()\r\n") && text.contains("x5"), qPrintable(text));
    // The rows added until then stay; repainting is resumed.
    const QStringList rows = gridRows(s->fieldGrid());
    QVERIFY2(rows.size() <= 3 && rows.value(1).startsWith("0020|"), qPrintable(rows.join('\n')));
    QVERIFY(s->fieldGrid()->redraw());
}

QTEST_MAIN(tst_FieldStore)
#include "tst_fieldstore.moc"
