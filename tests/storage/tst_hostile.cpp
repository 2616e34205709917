// Hostile texts pasted into every text box and grid cell of a new load format, saved and loaded
// back on SQLite, PostgreSQL and PostgreSQL through ODBC (the path SQL Server takes): what is
// stored is what was entered, or the paste was refused with a message; never a crash, never a
// half-saved load format.

#include "editor/EditFixture.h"
#include "store/ColumnLimits.h"
#include "store/Literals.h"

#include <QClipboard>

using namespace kesta::test;
using Kind = TestDatabase::Kind;

namespace {

QStringList hostileTexts()
{
    QStringList texts{
        "'", "''", "\"", "\"\"", "\\", "\\'", "' OR '1'='1", "'; DROP TABLE Layout; --",
        "\"); DELETE FROM Layout_Detalle; --", "/* comentario */", "-- comentario", ";", "%_[]^*",
        "$$ $1 $$", "?, :nombre, @p1", "E'\\n'", "N'x'", "\\x00",
        QStringLiteral("\u202Eevil\u202C"), QStringLiteral("\u200F\u200Eabc"),
        QStringLiteral("😀🙈 \U0001F1F2\U0001F1FD"), QStringLiteral("Ελληνικά Кириллица 漢字かな"),
        QStringLiteral("ñÑáéíóúü€¿¡"), QStringLiteral("  espacios al borde  "),
        QStringLiteral("con salto al final\n"),
        // Refused: control characters, noncharacters, half a surrogate pair.
        QStringLiteral("tab\there"), QStringLiteral("dos\r\nlíneas"), QString(QChar(0)) + "nul",
        QStringLiteral("\x1b[31mrojo"), QString(QChar(0xFFFF)), QString(QChar(0xD800)) + "x",
        // Lengths: the most some cells take, one more, and a 10,000-character paste.
        QString(50, 'a'), QString(51, 'b'), QString(100, 'c'), QString(101, 'd'), QString(255, 'e'),
        QString(256, 'f'), QString(10000, 'g')};
    return texts;
}

// Where a text can be pasted: a box or a grid cell, and what it holds.
struct Target {
    const char *box = nullptr;  // a text box's objectName, or
    const char *grid = nullptr; // "ssLinea" / "ssDetalle" with
    const char *column = nullptr;
    int maxLength = 0;
    QString fallback; // what it holds when the paste is refused
};

QList<Target> targets()
{
    using namespace kesta::storage::ColumnLength;
    return {{"txtDescripcion", nullptr, nullptr, Description, "Formato"},
            {"txtArchivo", nullptr, nullptr, File, ""},
            {"txtUser1", nullptr, nullptr, UserText, ""},
            {"txtUser2", nullptr, nullptr, UserText, ""},
            {nullptr, "ssLinea", "ID", LineId, ""},
            {nullptr, "ssLinea", "Descripción", LineDescription, "Línea"},
            {nullptr, "ssDetalle", "Descripción", FieldDescription, ""},
            {nullptr, "ssDetalle", "Valor", FieldValue, ""},
            {nullptr, "ssDetalle", "Formato", FieldFormat, ""}};
}

// What a paste gives: the text (one line break at its end is not part of it), or refused.
std::optional<QString> pasted(const QString &text, int maxLength)
{
    QString t = text;
    if (t.endsWith("\r\n"))
        t.chop(2);
    else if (t.endsWith('\n'))
        t.chop(1);
    if (kesta::storage::firstUnstorableCharacter(t) >= 0 || t.size() > maxLength)
        return std::nullopt;
    return t;
}

void paste(EditScreen &s, const Target &target, const QString &text)
{
    QApplication::clipboard()->setText(text);
    if (target.box) {
        auto *box = s.child(target.box);
        // The user data are on the second tab.
        const bool userData = QByteArray(target.box).startsWith("txtUser");
        s.key(userData ? Qt::Key_2 : Qt::Key_1, Qt::AltModifier);
        box->setFocus();
        box->selectAll();
    } else {
        s.key(Qt::Key_1, Qt::AltModifier);
        auto *grid = s.child<LoadScreen::Grid>(target.grid);
        grid->setFocus();
        grid->setCurrentCell(0, grid->columnIndex(target.column));
        s.key(Qt::Key_F2);
        s.key(Qt::Key_A, Qt::ControlModifier);
    }
    s.key(Qt::Key_V, Qt::ControlModifier);
    if (!target.box)
        s.child<LoadScreen::Grid>(target.grid)->commitCellEdit();
}

QString valueOf(EditScreen &s, const Target &target)
{
    if (target.box)
        return s.text(target.box);
    return s.child<LoadScreen::Grid>(target.grid)->cell(0, target.column).toString();
}

} // namespace

class tst_Hostile : public QObject {
    Q_OBJECT

private slots:
    void cleanupTestCase()
    {
        m_sqlite.reset();
        m_postgres.reset();
        m_odbc.reset();
    }
    void pastedSavedAndLoadedBack_data();
    void pastedSavedAndLoadedBack();
    void hostileKeys_data();
    void hostileKeys();

private:
    // One database per engine for all the texts (each under a key of its own).
    std::unique_ptr<TestDatabase> m_sqlite, m_postgres, m_odbc;
};

void tst_Hostile::pastedSavedAndLoadedBack_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<int>("index");
    const QStringList texts = hostileTexts();
    QVERIFY(texts.size() >= 30);
    for (const auto &[kind, name] :
         {std::pair{Kind::Sqlite, "SQLite"}, std::pair{Kind::PostgreSql, "PostgreSQL"},
          std::pair{Kind::OdbcPostgreSql, "ODBC"}})
        for (int i = 0; i < texts.size(); ++i)
            QTest::addRow("%s %02d", name, i) << kind << i;
}

void tst_Hostile::hostileKeys_data()
{
    KESTA_BOTH_ENGINES();
    QTest::newRow("ODBC") << Kind::OdbcPostgreSql;
}

void tst_Hostile::pastedSavedAndLoadedBack()
{
    QFETCH(Kind, kind);
    QFETCH(int, index);
    std::unique_ptr<TestDatabase> &db = kind == Kind::Sqlite       ? m_sqlite
                                        : kind == Kind::PostgreSql ? m_postgres
                                                                   : m_odbc;
    if (!db)
        db = std::make_unique<TestDatabase>(kind);
    KESTA_REQUIRE(*db);
    const QString text = hostileTexts().at(index);
    const QString key = QString::number(index + 1).rightJustified(4, '0');
    EditScreen s(db->connectionName());

    // A new load format whose texts all come from the clipboard.
    s.command("New");
    s.keys(key);
    s.child("txtDescripcion")->setText("Formato");
    s.click(0);
    s.typeCell(s.lineGrid(), 0, "Orden", "1");
    s.typeCell(s.lineGrid(), 0, "Descripción", "Línea");
    s.typeCell(s.lineGrid(), 0, "Posicion", "1");
    s.typeCell(s.lineGrid(), 0, "Longitud", "1");
    s.fieldGrid()->setFocus();
    s.key(Qt::Key_Insert);
    s.typeCell(s.fieldGrid(), 0, "ID", "1");
    s.typeCell(s.fieldGrid(), 0, "Posicion", "1");
    s.typeCell(s.fieldGrid(), 0, "Longitud", "1");
    s.typeCell(s.fieldGrid(), 0, "Tipo", "T");

    QHash<QString, QString> expected;
    for (const Target &target : targets()) {
        const QString where = target.box ? target.box : QString(target.grid) + "." + target.column;
        s.forget();
        paste(s, target, text);
        const std::optional<QString> value = pasted(text, target.maxLength);
        if (value) {
            QVERIFY2(s.record->messages.isEmpty(), qPrintable(where));
            QCOMPARE(valueOf(s, target), *value);
        } else {
            // Refused as a whole, with a message; the cell or box keeps what it held.
            QCOMPARE(s.record->messages.size(), 1);
            const QString id = s.record->messages.first().messageId;
            QVERIFY2(id == "ERR-ID:7500034" || id == "ERR-ID:7500035", qPrintable(where + id));
            QCOMPARE(valueOf(s, target), target.fallback);
        }
        expected.insert(where, value.value_or(target.fallback));
    }
    s.forget();
    s.click(3);
    QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
    s.command("Save");
    QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));

    // Loaded back: every text as it was entered.
    s.typeKey(key);
    QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
    for (const Target &target : targets()) {
        const QString where = target.box ? target.box : QString(target.grid) + "." + target.column;
        QCOMPARE(valueOf(s, target), expected.value(where));
    }
    QCOMPARE(db->scalar("SELECT COUNT(*) FROM Layout_Detalle WHERE Ly_Cve_Layout = '" + key + "'")
                 .toInt(),
             1);
}

void tst_Hostile::hostileKeys()
{
    QFETCH(Kind, kind);
    TestDatabase db(kind);
    KESTA_REQUIRE(db);
    EditScreen s(db.connectionName());
    for (const QString &typed :
         {QString("O'B"), QString("\""), QString("'--"), QString(";"), QString("%_"),
          QString("\\'"), QString("Ñ€"), QStringLiteral("😀")}) {
        s.command("New");
        QApplication::clipboard()->setText(typed);
        s.keyBox()->setFocus();
        s.key(Qt::Key_V, Qt::ControlModifier);
        const QString key = s.keyBox()->text();
        QCOMPARE(key, typed.toUpper()); // the key box writes keys in upper case
        s.child("txtDescripcion")->setText("Clave rara");
        s.click(0);
        for (const auto &[column, value] : {std::pair{"Orden", "1"}, std::pair{"Descripción", "L"},
                                            std::pair{"Posicion", "1"}, std::pair{"Longitud", "1"}})
            s.typeCell(s.lineGrid(), 0, column, value);
        s.fieldGrid()->setFocus();
        s.key(Qt::Key_Insert);
        for (const auto &[column, value] : {std::pair{"ID", "1"}, std::pair{"Posicion", "1"},
                                            std::pair{"Longitud", "1"}, std::pair{"Tipo", "T"}})
            s.typeCell(s.fieldGrid(), 0, column, value);
        s.click(3);
        s.forget();
        s.command("Save");
        QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
        s.forget();
        s.keyBox()->setFocus();
        s.keyBox()->selectAll();
        s.typeText(key);
        s.key(Qt::Key_Return);
        QVERIFY2(s.record->messages.isEmpty(), qPrintable(key));
        QCOMPARE(s.text("txtDescripcion"), QStringLiteral("Clave rara"));
        s.command("Cancel");
    }
    QCOMPARE(db.scalar("SELECT COUNT(DISTINCT Ly_Cve_Layout) FROM Layout").toInt(), 8);
}

QTEST_MAIN(tst_Hostile)
#include "tst_hostile.moc"
