// Every message of the screen against the one table of them as written (WrittenMessages.h):
// the screen's catalogue, the support staff's catalogue (docs/messages.md), and what the user
// is shown when the screen is driven to the message.

#include "WrittenMessages.h"
#include "editor/EditFixture.h"
#include "messages/Messages.h"

#include <QClipboard>
#include <QFile>
#include <QRegularExpression>
#include <QtTest>

using namespace kesta::messages;
using namespace kesta::test;

Q_DECLARE_METATYPE(kesta::messages::Message)

namespace {

// The rows of docs/messages.md by id ("7500001"): text, title, style.
QHash<QString, QStringList> documentedRows()
{
    QFile file(QStringLiteral(KESTA_SOURCE_DIR "/docs/messages.md"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QHash<QString, QStringList> rows;
    for (const QString &line : QString::fromUtf8(file.readAll()).split('\n')) {
        const QStringList cells = line.split('|');
        if (cells.size() > 5 && QRegularExpression("^ 75000\\d\\d $").match(cells[1]).hasMatch())
            rows.insert(cells[1].trimmed(),
                        {cells[2].trimmed(), cells[3].trimmed(), cells[4].trimmed()});
    }
    return rows;
}

// A text of the catalogue as a pattern: `<...>` stands for any value, ⏎ for a line break.
QRegularExpression documentedPattern(QString text)
{
    text.remove('`');
    QString pattern;
    static const QRegularExpression parts("<[^>]+>|⏎");
    qsizetype at = 0;
    for (auto it = parts.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        pattern += QRegularExpression::escape(text.mid(at, m.capturedStart() - at));
        pattern +=
            m.captured() == QStringLiteral("⏎") ? QStringLiteral("\\r\\n") : QStringLiteral(".+");
        at = m.capturedEnd();
    }
    pattern += QRegularExpression::escape(text.mid(at));
    return QRegularExpression(QRegularExpression::anchoredPattern(pattern));
}

// A new line under the grids ("Nuevo") with its cells; an empty text leaves the cell empty.
void newLine(EditScreen &s, const QStringList &cells)
{
    s.click(0);
    const int row = s.lineGrid()->Rows() - 1;
    int column = 0;
    for (const char *name : {"Orden", "ID", "Descripción", "Posicion", "Longitud"}) {
        if (!cells.value(column).isEmpty())
            s.typeCell(s.lineGrid(), row, name, cells.value(column));
        ++column;
    }
}

// A new field row of the line under edit: ID, Posicion, Longitud, Tipo's first letter.
void newField(EditScreen &s, const QStringList &cells)
{
    s.fieldGrid()->setFocus();
    s.key(Qt::Key_Insert);
    const int row = s.fieldGrid()->currentRow();
    int column = 0;
    for (const char *name : {"ID", "Posicion", "Longitud", "Tipo"}) {
        if (!cells.value(column).isEmpty())
            s.typeCell(s.fieldGrid(), row, name, cells.value(column));
        ++column;
    }
}

const QStringList fullLine{"3", "T", "Totales", "1", "1"};

} // namespace

class tst_Catalogue : public QObject {
    Q_OBJECT

private slots:
    void catalogueAsWritten_data();
    void catalogueAsWritten();
    void documentedAsWritten();
    void screenShowsWhatIsWritten_data();
    void screenShowsWhatIsWritten();
};

// The screen's catalogue, each message built with the values of the table's example.
void tst_Catalogue::catalogueAsWritten_data()
{
    QTest::addColumn<Message>("message");
    const QList<Message> all{
        firstLineNeedsId(),
        lineDataIncomplete(),
        lineIdRequired(),
        fieldIdRequired(),
        fieldPositionRequired(),
        fieldLengthRequired(),
        fieldTypeRequired(),
        fieldNumberCollides("0000", "0", "0000"),
        lineOrderTaken("0002"),
        fieldIdDuplicated("ab"),
        lineEditInProgress(),
        keyTaken("0001", "Pagos"),
        fieldNumberOutOfRange("0001", "posición", "0"),
        keyRequired(),
        descriptionRequired(),
        lineRequired(),
        additionalFieldsNotSaved(),
        saveFailed("statement refused (test)"),
        testFailed("No existe el archivo x.txt"),
        scriptFailed("ScriptRows failed (test)"),
        deactivationFailed("LogAction failed (test)"),
        reactivationFailed("LogAction failed (test)"),
        refillFailed("Type mismatch"),
        keyNotFound(),
        loadFailed("Connection failed (test)"),
        confirmLineDelete(),
        lineNumberOutOfRange("longitud", "0"),
        noAutomaticKeyLeft("10000", 4),
        handlerFailed("PasteRefused()", "ShowMessage failed (test)"),
        textTooLong("Archivo", 101, 100),
        numberDoesNotFit("Dato 3", "12345678901234567.0000"),
        notANumber("Línea 0002, Posición", "x"),
        saveConflict("0001", "database is locked"),
        unstorableCharacter("Descripción", 9),
        pasteTooLong("Clave", 5, 4),
        keysCollide("Línea 0002, Id", "a", "A"),
        replaceLineTypes(2, 3, "/tmp/pagos.txt"),
        proposalFileUnreadable("/tmp/no.txt", "El archivo no existe"),
        proposalWithoutLineTypes("/tmp/vacio.txt"),
        proposalStopped(1, 3),
        proposalNotText("/tmp/imagen.png", "tiene bytes nulos"),
        discardChanges(),
        ruleWithoutItsField("0004", "SECUENCIA", "0006", "0020"),
        formatSaved("0042"),
        formatDeactivated("0042"),
        formatReactivated("0042"),
        deactivatedOn("07/12/2026", "OPER"),
        ruleWithoutText("0003"),
        ruleUnreadable("0002", "LARGO 94", "LARGO no es una regla."),
        ruleMisplaced("0001", "LONGITUD", "un tipo de línea (sin campo)",
                      "el archivo (sin tipo de línea)"),
        ruleLineMissing("0002", "0007"),
        ruleFieldMissing("0004", "0090", "0009"),
        ruleNamesMissingLine("0005", "CUENTA 0006 DESDE 0005", "0006"),
        ruleSumsMissingField("0006", "SUMA 0006.0050", "0050", "0006"),
        ruleNoLongerFits("0003", "TRAS 0005"),
        ruleRepeated("0004", "ULTIMA", "0002", "ULTIMA"),
        ruleNotApplicable("0005", "ENTRE 999 1", "el primer valor de ENTRE es mayor que el segundo"),
    };
    for (const Message &m : all)
        QTest::newRow(qPrintable(m.id)) << m;
    QCOMPARE(all.size(), writtenMessages().size());
}

void tst_Catalogue::catalogueAsWritten()
{
    QFETCH(Message, message);
    QVERIFY(message.id.startsWith("ERR-ID:"));
    const WrittenMessage written = writtenMessage(message.id.mid(7));
    QVERIFY2(!written.id.isEmpty(), qPrintable(message.id + " is not in the table"));
    QCOMPARE(message.text, written.text);
    QCOMPARE(message.style, written.style);
    QCOMPARE(message.title, written.title);
}

// docs/messages.md lists every message of the table and no other, with its title and style,
// and a text of which the table's is an example.
void tst_Catalogue::documentedAsWritten()
{
    const QHash<QString, QStringList> documented = documentedRows();
    QVERIFY(!documented.isEmpty());
    for (const WrittenMessage &written : writtenMessages()) {
        QVERIFY2(documented.contains(written.id), qPrintable(written.id + " is not documented"));
        const QStringList row = documented.value(written.id);
        QCOMPARE(row.at(1) + " " + written.id, written.title + " " + written.id);
        QCOMPARE(row.at(2) + " " + written.id, QString::number(written.style) + " " + written.id);
        QVERIFY2(documentedPattern(row.at(0)).match(written.text).hasMatch(),
                 qPrintable(written.id + ": \"" + row.at(0) + "\" does not give \"" + written.text +
                            "\""));
    }
    QCOMPARE(documented.size(), writtenMessages().size());
}

// The screen driven to a message: one message box, with the text, style and title as written,
// the id, the module name and the screen as its owner.
void tst_Catalogue::screenShowsWhatIsWritten_data()
{
    QTest::addColumn<QString>("id");
    for (const char *id :
         {"7500001", "7500002", "7500003", "7500004", "7500005", "7500006", "7500007", "7500008",
          "7500009", "7500010", "7500011", "7500012", "7500013", "7500014", "7500015", "7500016",
          "7500017", "7500018", "7500019", "7500020", "7500021", "7500022", "7500024", "7500025",
          "7500026", "7500027", "7500028", "7500030", "7500031", "7500032", "7500034", "7500035"})
        QTest::newRow(id) << QString(id);
}

void tst_Catalogue::screenShowsWhatIsWritten()
{
    QFETCH(QString, id);
    const WrittenMessage written = writtenMessage(id);
    QVERIFY(!written.id.isEmpty());
    TestDatabase db;
    KESTA_REQUIRE(db);
    writeTwoLineFormat(db);
    if (id == "7500001") { // a third key: one line type without ID
        LineRow line;
        line.key = "0003", line.lineId = "";
        insertLine(db, line);
        FieldRow field;
        field.key = "0003";
        insertField(db, field);
    }
    if (id == "7500032")
        db.exec("UPDATE Layout SET Ly_Posicion = 'x' WHERE Ly_ID = '0002'");
    EditScreen s(db.connectionName());
    s.screen->KeyEditable = 1;
    const int n = id.right(2).toInt();

    if (n == 24) {
        s.forget();
        s.typeKey("9");
    } else if (n == 25) {
        s.record->failOn = QStringLiteral("Connection");
        s.forget();
        s.typeKey("1");
    } else if (n == 28) {
        s.record->settings.insert("CAT_AUTOCLAVE", "1");
        s.record->nextKey = 10000;
        s.forget();
        s.command("New");
    } else if (n == 35) {
        QApplication::clipboard()->setText("12345");
        s.keyBox()->setFocus();
        s.forget();
        s.key(Qt::Key_V, Qt::ControlModifier);
    } else if (n == 12 || n == 14 || n == 16) { // a new load format
        s.command("New");
        typeInto(s, "txtClave", n == 14 ? " " : n == 16 ? "0002" : "0001");
        typeInto(s, "txtDescripcion", "Otra");
        if (n == 12)
            s.record->lookups.insert("0001", "Pagos");
        if (n != 16)
            newLine(s, fullLine), newField(s, {"1", "1", "1", "T"}), s.click(3);
        s.forget();
        s.command("Save");
    } else if (n == 19 || n == 20 || n == 21 || n == 22) { // the shown load format's commands
        s.typeKey("1");
        if (n == 22) {
            db.exec("UPDATE Layout SET Es_Cve_Estado = 'BA'");
            s.typeKey("1");
        }
        s.record->lastError = "No existe el archivo x.txt";
        if (n != 19)
            s.record->failOn = n == 20 ? "ScriptRows" : "LogAction";
        s.forget();
        s.command(n == 19 ? "B2" : n == 20 ? "B3" : n == 21 ? "Deactivate" : "Reactivate");
    } else {
        s.typeKey(n == 1 ? "3" : "1");
        s.command("Edit");
        s.forget();
        switch (n) {
        case 1: // "Nuevo" on the one line without ID
            s.click(0);
            break;
        case 2: // a new line left empty: its ID is missing too, with more than one line
            s.click(0);
            s.click(3);
            break;
        case 3:
            newLine(s, {"3", "", "Totales", "1", "1"});
            s.click(3);
            break;
        case 4: // no field row
            newLine(s, fullLine);
            s.click(3);
            break;
        case 5:
        case 6:
        case 7: { // one cell of the field left empty
            QStringList cells{"1", "1", "1", "T"};
            cells[n - 4].clear();
            newLine(s, fullLine);
            newField(s, cells);
            s.click(3);
            break;
        }
        case 8: // "0" is field 0000, as the first field's "0000"
            s.click(1);
            s.typeCell(s.fieldGrid(), 1, "ID", "0");
            s.click(3);
            break;
        case 9:
            s.click(1);
            s.typeCell(s.lineGrid(), 0, "Orden", "2");
            s.click(3);
            break;
        case 10:
            newLine(s, fullLine);
            newField(s, {"ab", "1", "1", "T"});
            newField(s, {"ab", "2", "1", "T"});
            s.click(3);
            break;
        case 13:
            newLine(s, fullLine);
            newField(s, {"1", "0", "1", "T"});
            s.click(3);
            break;
        case 27:
            newLine(s, {"3", "T", "Totales", "1", "0"});
            newField(s, {"1", "1", "1", "T"});
            s.click(3);
            break;
        case 26:
            s.record->answers = {7};
            s.click(2);
            break;
        case 11:
            s.click(1);
            s.command("Save");
            break;
        case 15:
            typeInto(s, "txtDescripcion", "   ");
            s.command("Save");
            break;
        case 17:
            s.toolbar()->setAdditionalFields([](const QString &) { return false; }, {});
            s.command("Save");
            break;
        case 18:
            s.record->failStatementContaining = "INSERT INTO Layout_Detalle";
            s.command("Save");
            break;
        case 30: // as a load from a database with a longer column shows it
            s.child("txtArchivo")->setValue(QString(101, 'x'));
            s.command("Save");
            break;
        case 31:
            s.key(Qt::Key_2, Qt::AltModifier);
            typeInto(s, "txtUser3", "12345678901234567");
            s.command("Save");
            break;
        case 32: // as a SQLite database that took a text into a number column shows it
            s.command("Save");
            break;
        case 34:
            QApplication::clipboard()->setText("a\tb");
            s.child("txtDescripcion")->setFocus();
            s.child("txtDescripcion")->selectAll();
            s.key(Qt::Key_V, Qt::ControlModifier);
            break;
        default:
            QFAIL("no way to this message");
        }
    }

    QCOMPARE(s.record->messages.size(), 1);
    const RecordedMessage &shown = s.record->messages.first();
    QCOMPARE(shown.messageId, "ERR-ID:" + written.id);
    QCOMPARE(shown.text, written.text);
    QCOMPARE(shown.style, written.style);
    QCOMPARE(shown.title, written.title);
    QCOMPARE(shown.module, QStringLiteral("KESTA"));
    QCOMPARE(shown.owner.data(), s.screen.get());
}

QTEST_MAIN(tst_Catalogue)
#include "tst_catalogue.moc"
