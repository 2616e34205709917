// The field grid's refill from the field store for the line grid's current row.

#include "load/LoadFixture.h"

using kesta::editor::FieldStore;
using kesta::test::LoadScreen;

namespace {

struct StoreRow {
    QString line;
    QString id;
    QString tipo;
    QString trim;
};

void fill(LoadScreen &s, const QList<StoreRow> &rows)
{
    FieldStore &store = s.store();
    for (const StoreRow &r : rows) {
        const QString key = FieldStore::keyFor(r.line, r.id);
        store.add(key, FieldStore::textFor(r.line, r.id));
        store.setSubItem(key, FieldStore::Id, r.id);
        store.setSubItem(key, FieldStore::Descripcion, QStringLiteral("D") + r.id);
        store.setSubItem(key, FieldStore::Posicion, QStringLiteral("3"));
        store.setSubItem(key, FieldStore::Longitud, QStringLiteral("4"));
        store.setSubItem(key, FieldStore::Tipo, r.tipo);
        store.setSubItem(key, FieldStore::Valor, QStringLiteral("V") + r.id);
        store.setSubItem(key, FieldStore::Formato, QStringLiteral("F") + r.id);
        store.setSubItem(key, FieldStore::Trim, r.trim);
        store.setSubItem(key, FieldStore::LineaID, r.line);
    }
}

void addLines(LoadScreen &s, const QStringList &orders)
{
    auto *grid = s.lineGrid();
    for (const QString &order : orders) {
        const int row = grid->AddNew();
        grid->setCell(row, QStringLiteral("Orden"), order);
        grid->Update();
    }
}

} // namespace

class tst_RellenaDetalle : public QObject {
    Q_OBJECT

private slots:
    void init();
    void showsTheCurrentLinesFields();
    void rowsChosenByCurrentLineNotArgument();
    void emptyArgumentLeavesGrid();
    void lineWithoutFields();
    void typeCodes_data();
    void typeCodes();
    void typeNotANumber();

private:
    std::unique_ptr<LoadScreen> s;
};

void tst_RellenaDetalle::init()
{
    s.reset();
    s = std::make_unique<LoadScreen>();
    fill(*s, {{"0001", "0000", "01", "SI"},
              {"0002", "0010", "02", "SI"},
              {"0001", "0020", "05", "si"},
              {"0001", "0030", "03", "NO"}});
    addLines(*s, {"0001", "0002", "0003"});
}

void tst_RellenaDetalle::showsTheCurrentLinesFields()
{
    s->lineGrid()->setCurrentRow(0);
    s->forget();
    s->screen->RellenaDetalle(QStringLiteral("0001"));

    auto *grid = s->fieldGrid();
    QVERIFY(s->record->messages.isEmpty());
    QCOMPARE(kesta::test::gridColumn(grid, "ID"), (QStringList{"0000", "0020", "0030"}));
    QCOMPARE(kesta::test::gridColumn(grid, QStringLiteral("Descripción")),
             (QStringList{"D0000", "D0020", "D0030"}));
    QCOMPARE(kesta::test::gridColumn(grid, "Posicion"), (QStringList{"3", "3", "3"}));
    QCOMPARE(kesta::test::gridColumn(grid, "Longitud"), (QStringList{"4", "4", "4"}));
    QCOMPARE(kesta::test::gridColumn(grid, "Tipo"), (QStringList{"NUMERO", "SQL", "Fecha"}));
    QCOMPARE(kesta::test::gridColumn(grid, "Valor"), (QStringList{"V0000", "V0020", "V0030"}));
    QCOMPARE(kesta::test::gridColumn(grid, "FORMATO"), (QStringList{"F0000", "F0020", "F0030"}));
    QCOMPARE(kesta::test::gridColumn(grid, "Linea_ID"), (QStringList{"0001", "0001", "0001"}));
    // Only "SI", exactly, ticks the trim cell.
    QCOMPARE(grid->cell(0, "Trim").toBool(), true);
    QCOMPARE(grid->cell(1, "Trim").toBool(), false);
    QCOMPARE(grid->cell(2, "Trim").toBool(), false);
    QVERIFY(grid->redraw());
    QVERIFY(!grid->hasPendingEdit());
}

void tst_RellenaDetalle::rowsChosenByCurrentLineNotArgument()
{
    s->lineGrid()->setCurrentRow(1);
    s->screen->RellenaDetalle(QStringLiteral("5"));
    QCOMPARE(kesta::test::gridColumn(s->fieldGrid(), "ID"), QStringList{"0010"});
    QCOMPARE(kesta::test::gridColumn(s->fieldGrid(), "Tipo"), QStringList{"TEXTO"});

    // Refilled, not appended to.
    s->screen->RellenaDetalle(QStringLiteral("1"));
    QCOMPARE(s->fieldGrid()->Rows(), 1);
}

void tst_RellenaDetalle::emptyArgumentLeavesGrid()
{
    s->lineGrid()->setCurrentRow(0);
    s->screen->RellenaDetalle(QStringLiteral("1"));
    s->lineGrid()->setCurrentRow(1);
    s->screen->RellenaDetalle(QString());
    QCOMPARE(kesta::test::gridColumn(s->fieldGrid(), "ID"), (QStringList{"0000", "0020", "0030"}));
}

void tst_RellenaDetalle::lineWithoutFields()
{
    s->lineGrid()->setCurrentRow(0);
    s->screen->RellenaDetalle(QStringLiteral("1"));
    s->lineGrid()->setCurrentRow(2);
    s->screen->RellenaDetalle(QStringLiteral("3"));
    QCOMPARE(s->fieldGrid()->Rows(), 0);
    QVERIFY(s->record->messages.isEmpty());
}

void tst_RellenaDetalle::typeCodes_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("entry");
    QTest::newRow("01") << "01"
                        << "NUMERO";
    QTest::newRow("02") << "02"
                        << "TEXTO";
    QTest::newRow("03") << "03"
                        << "Fecha";
    QTest::newRow("04") << "04"
                        << "CONSTANTE";
    QTest::newRow("05") << "05"
                        << "SQL";
    QTest::newRow("without zero") << "4"
                                  << "CONSTANTE";
}

void tst_RellenaDetalle::typeCodes()
{
    QFETCH(QString, code);
    QFETCH(QString, entry);
    s->store().setSubItem(QStringLiteral("K-0002-0010"), FieldStore::Tipo, code);
    s->lineGrid()->setCurrentRow(1);
    s->screen->RellenaDetalle(QStringLiteral("2"));
    QCOMPARE(s->fieldGrid()->cell(0, "Tipo").toString(), entry);
    QCOMPARE(s->fieldGrid()->listIndex(0, "Tipo"), code.toInt() - 1);
}

void tst_RellenaDetalle::typeNotANumber()
{
    s->store().setSubItem(QStringLiteral("K-0001-0020"), FieldStore::Tipo, QStringLiteral("x5"));
    s->lineGrid()->setCurrentRow(0);
    s->forget();

    s->screen->RellenaDetalle(QStringLiteral("1"));

    QCOMPARE(s->record->messages.size(), 1);
    const auto &message = s->record->messages.first();
    QVERIFY2(message.text.startsWith(QStringLiteral("RellenaDetalle()\r\n")),
             qPrintable(message.text));
    QVERIFY2(message.text.contains(QStringLiteral("x5")), qPrintable(message.text));
    QCOMPARE(message.style, 16);
    QCOMPARE(message.title, QStringLiteral("Velkora"));
    QCOMPARE(message.messageId, QStringLiteral("ERR-ID:7500023"));
    QCOMPARE(message.module, QStringLiteral("KESTA"));
    QCOMPARE(message.owner.data(), s->screen.get());
    // The rows added until then stay; repainting is resumed.
    QCOMPARE(s->fieldGrid()->cell(0, "ID").toString(), QStringLiteral("0000"));
    QVERIFY(s->fieldGrid()->redraw());
}

QTEST_MAIN(tst_RellenaDetalle)
#include "tst_rellenadetalle.moc"
