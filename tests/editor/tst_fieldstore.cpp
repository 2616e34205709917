// The field store: keys, order, refusal of duplicates, the model's consistency, the hidden
// view, and its filling from the load's detail rows.

#include "editor/FieldStore.h"
#include "editor/FieldStoreFiller.h"
#include "host/Connection.h"
#include "host/RuntimeError.h"

#include <QAbstractItemModelTester>
#include <QtTest>

using kesta::editor::FieldStore;
using kesta::editor::FieldStoreView;
using kesta::host::RuntimeError;

namespace {

// A forward-only record set over rows held in memory.
class MemoryRecordSet : public kesta::host::RecordSet {
public:
    explicit MemoryRecordSet(QList<QVariantHash> rows) : m_rows(std::move(rows)) {}
    bool EndOfSet() const override { return m_pos >= m_rows.size(); }
    QVariant Field(const QString &column) const override
    {
        if (EndOfSet())
            throw RuntimeError(QStringLiteral("at end"));
        for (auto it = m_rows[m_pos].cbegin(); it != m_rows[m_pos].cend(); ++it)
            if (it.key().compare(column, Qt::CaseInsensitive) == 0)
                return it.value();
        throw RuntimeError(QStringLiteral("no column ") + column);
    }
    void MoveNext() override { ++m_pos; }
    void Close() override
    {
        closed = true;
        m_pos = m_rows.size();
    }
    bool closed = false;

private:
    QList<QVariantHash> m_rows;
    qsizetype m_pos = 0;
};

QVariantHash detailRow(const QString &line, const QString &field, const QString &description = {})
{
    return {{QStringLiteral("Ly_Cve_Layout"), QStringLiteral("0001")},
            {QStringLiteral("Ly_ID"), line},
            {QStringLiteral("Ld_ID"), field},
            {QStringLiteral("Ld_Descripcion"),
             description.isEmpty() ? "F" + line + field : description},
            {QStringLiteral("Ld_Posicion"), 5},
            {QStringLiteral("Ld_Longitud"), 3},
            {QStringLiteral("Ld_Trim"), QStringLiteral("SI")},
            {QStringLiteral("Ld_Valor"), QStringLiteral("v")},
            {QStringLiteral("Ld_Formato"), QStringLiteral("f")},
            {QStringLiteral("Ld_Tipo"), QStringLiteral("02")}};
}

} // namespace

class tst_FieldStore : public QObject {
    Q_OBJECT

private slots:
    void keysAndText();
    void orderAndLookup();
    void duplicateRefused();
    void unknownKeyRefused();
    void modelStaysConsistent();
    void headers();
    void viewNeverShown();
    void fillRenumbersAcrossLineTypes();
    void fillEmptiesStoreFirst();
    void fillNullRaises_data();
    void fillNullRaises();
    void sequenceText_data();
    void sequenceText();
};

void tst_FieldStore::keysAndText()
{
    QCOMPARE(FieldStore::keyFor(QStringLiteral("0001"), QStringLiteral("0010")),
             QStringLiteral("K-0001-0010"));
    QCOMPARE(FieldStore::textFor(QStringLiteral("0001"), QStringLiteral("0010")),
             QStringLiteral("0001-0010"));
}

void tst_FieldStore::orderAndLookup()
{
    FieldStore store;
    store.add("K-0002-0001", "0002-0001");
    store.add("K-0001-0001", "0001-0001");
    store.add("K-0001-0002", "0001-0002");
    store.setSubItem("K-0001-0001", FieldStore::Descripcion, "second");
    QCOMPARE(store.count(), 3);
    QCOMPARE(store.key(0), QStringLiteral("K-0002-0001"));
    QCOMPARE(store.text(1), QStringLiteral("0001-0001"));
    QCOMPARE(store.subItem(1, FieldStore::Llave), QStringLiteral("0001-0001"));
    QCOMPARE(store.subItem(1, FieldStore::Descripcion), QStringLiteral("second"));
    QCOMPARE(store.find("K-0001-0002"), 2);
    QCOMPARE(store.find("K-9"), -1);

    // Removing keeps the order of the rest and the lookup right; new rows go to the end.
    store.removeAt(0);
    QCOMPARE(store.find("K-0001-0001"), 0);
    QCOMPARE(store.find("K-0001-0002"), 1);
    QCOMPARE(store.find("K-0002-0001"), -1);
    store.add("K-0002-0001", "0002-0001");
    QCOMPARE(store.find("K-0002-0001"), 2);
    QCOMPARE(store.subItem(0, FieldStore::Descripcion), QStringLiteral("second"));

    store.clear();
    QCOMPARE(store.count(), 0);
    QCOMPARE(store.find("K-0001-0001"), -1);
}

void tst_FieldStore::duplicateRefused()
{
    FieldStore store;
    store.add("K-0001-0001", "0001-0001");
    store.setSubItem("K-0001-0001", FieldStore::Valor, "kept");
    try {
        store.add("K-0001-0001", "other");
        QFAIL("a second row with the same key was added");
    } catch (const RuntimeError &error) {
        QVERIFY2(error.description().contains("K-0001-0001"), qPrintable(error.description()));
    }
    QCOMPARE(store.count(), 1);
    QCOMPARE(store.text(0), QStringLiteral("0001-0001"));
    QCOMPARE(store.subItem(0, FieldStore::Valor), QStringLiteral("kept"));
}

void tst_FieldStore::unknownKeyRefused()
{
    FieldStore store;
    QVERIFY_THROWS_EXCEPTION(RuntimeError, store.setSubItem("K-1-1", FieldStore::Id, "x"));
    store.add("K-1-1", "1-1");
    QVERIFY_THROWS_EXCEPTION(RuntimeError, store.setSubItem("K-1-1", FieldStore::ColumnCount, "x"));
}

void tst_FieldStore::modelStaysConsistent()
{
    FieldStore store;
    QAbstractItemModelTester tester(&store, QAbstractItemModelTester::FailureReportingMode::QtTest);
    for (int i = 0; i < 20; ++i) {
        const QString key = FieldStore::keyFor("0001", QString::number(i));
        store.add(key, FieldStore::textFor("0001", QString::number(i)));
        store.setSubItem(key, FieldStore::LineaID, "0001");
    }
    store.removeAt(5);
    store.removeAt(0);
    store.removeAt(store.count() - 1);
    store.removeAt(99); // out of range: nothing happens
    QCOMPARE(store.rowCount(), 17);
    QCOMPARE(store.columnCount(), 10);
    QCOMPARE(store.data(store.index(0, FieldStore::LineaID)).toString(), QStringLiteral("0001"));
    QCOMPARE(store.data(store.index(0, FieldStore::Llave), Qt::UserRole).toString(),
             QStringLiteral("K-0001-1"));
    store.clear();
    QCOMPARE(store.rowCount(), 0);
}

void tst_FieldStore::headers()
{
    FieldStore store;
    QStringList captions;
    for (int c = 0; c < store.columnCount(); ++c)
        captions << store.headerData(c, Qt::Horizontal).toString();
    QCOMPARE(captions, (QStringList{"Llave", "Id", "Descripción", "Posicion", "Longitud", "Tipo",
                                    "Valor", "Formato", "Trim", "LineaID"}));
}

void tst_FieldStore::viewNeverShown()
{
    QWidget screen;
    auto *view = new FieldStoreView(&screen);
    QCOMPARE(view->objectName(), QStringLiteral("lvDetalle"));
    screen.show();
    QVERIFY(QTest::qWaitForWindowExposed(&screen));
    QVERIFY(!view->isVisible());
    view->show();
    static_cast<QWidget *>(view)->setVisible(true);
    QVERIFY(!view->isVisible());
    QVERIFY(!view->isVisibleTo(&screen));

    view->store()->add("K-1-1", "1-1");
    QVERIFY(QMetaObject::invokeMethod(view, "clearValue"));
    QCOMPARE(view->store()->count(), 0);
}

void tst_FieldStore::fillRenumbersAcrossLineTypes()
{
    FieldStore store;
    MemoryRecordSet rows({detailRow("0001", "0001"), detailRow("0001", "0005"),
                          detailRow("0002", "0001"), detailRow("0002", "0002")});
    qint64 sequence = 0;
    kesta::editor::fillFieldStore(store, rows, sequence);
    QVERIFY(rows.closed);
    QCOMPARE(sequence, 40);
    QCOMPARE(store.count(), 4);
    QStringList ids, keys, texts, lines;
    for (int i = 0; i < store.count(); ++i) {
        ids << store.subItem(i, FieldStore::Id);
        keys << store.key(i);
        texts << store.text(i);
        lines << store.subItem(i, FieldStore::LineaID);
    }
    QCOMPARE(ids, (QStringList{"0000", "0010", "0020", "0030"}));
    QCOMPARE(keys, (QStringList{"K-0001-0001", "K-0001-0005", "K-0002-0001", "K-0002-0002"}));
    QCOMPARE(texts, (QStringList{"0001-0001", "0001-0005", "0002-0001", "0002-0002"}));
    QCOMPARE(lines, (QStringList{"0001", "0001", "0002", "0002"}));
    QCOMPARE(store.subItem(1, FieldStore::Descripcion), QStringLiteral("F00010005"));
    QCOMPARE(store.subItem(1, FieldStore::Posicion), QStringLiteral("5"));
    QCOMPARE(store.subItem(1, FieldStore::Longitud), QStringLiteral("3"));
    QCOMPARE(store.subItem(1, FieldStore::Tipo), QStringLiteral("02"));
    QCOMPARE(store.subItem(1, FieldStore::Valor), QStringLiteral("v"));
    QCOMPARE(store.subItem(1, FieldStore::Formato), QStringLiteral("f"));
    QCOMPARE(store.subItem(1, FieldStore::Trim), QStringLiteral("SI"));
}

void tst_FieldStore::fillEmptiesStoreFirst()
{
    FieldStore store;
    store.add("K-0001-0001", "old");
    MemoryRecordSet rows({detailRow("0001", "0001")});
    qint64 sequence = 0;
    kesta::editor::fillFieldStore(store, rows, sequence);
    QCOMPARE(store.count(), 1);
    QCOMPARE(store.text(0), QStringLiteral("0001-0001"));

    MemoryRecordSet none({});
    sequence = 0;
    kesta::editor::fillFieldStore(store, none, sequence);
    QCOMPARE(store.count(), 0);
    QVERIFY(none.closed);
}

void tst_FieldStore::fillNullRaises_data()
{
    QTest::addColumn<QString>("column");
    for (const char *c : {"Ld_Descripcion", "Ld_Posicion", "Ld_Longitud", "Ld_Tipo", "Ld_Valor",
                          "Ld_Formato", "Ld_Trim", "Ly_ID"})
        QTest::newRow(c) << QString::fromLatin1(c);
}

void tst_FieldStore::fillNullRaises()
{
    QFETCH(QString, column);
    QVariantHash bad = detailRow("0001", "0002");
    bad[column] = QVariant();
    FieldStore store;
    MemoryRecordSet rows({detailRow("0001", "0001"), bad, detailRow("0001", "0003")});
    qint64 sequence = 0;
    try {
        kesta::editor::fillFieldStore(store, rows, sequence);
        QFAIL("a null column was turned into text");
    } catch (const RuntimeError &error) {
        QVERIFY2(error.description().contains(column), qPrintable(error.description()));
    }
    // The rows added until then stay.
    QCOMPARE(store.key(0), QStringLiteral("K-0001-0001"));
    QVERIFY(store.count() <= 2);
}

void tst_FieldStore::sequenceText_data()
{
    QTest::addColumn<qint64>("sequence");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << qint64(0) << "0000";
    QTest::newRow("10") << qint64(10) << "0010";
    QTest::newRow("9990") << qint64(9990) << "9990";
    QTest::newRow("10000") << qint64(10000) << "10000";
    QTest::newRow("past 16 bits") << qint64(40000) << "40000";
}

void tst_FieldStore::sequenceText()
{
    QFETCH(qint64, sequence);
    QFETCH(QString, text);
    QCOMPARE(kesta::editor::sequenceText(sequence), text);
}

QTEST_MAIN(tst_FieldStore)
#include "tst_fieldstore.moc"
