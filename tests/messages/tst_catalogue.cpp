// Every message of the screen against the support staff's catalogue (docs/messages.md): each
// id the screen's code has is listed there and no other, each message as the catalogue builds it
// has the listed title, style and a text of which the listed one is the pattern, and the
// messages no other test drives the screen to are shown as listed.

#include "WrittenMessages.h"
#include "editor/EditFixture.h"
#include "messages/Messages.h"
#include "support/DataRows.h"

#include <QClipboard>
#include <QDir>
#include <QRegularExpression>
#include <QtTest>

using namespace kesta::messages;
using namespace kesta::test;

Q_DECLARE_METATYPE(kesta::messages::Message)

namespace {

// The ids the screen's messages are built with, as its sources write them.
QSet<QString> idsInTheCode()
{
    QSet<QString> ids;
    const QDir folder(QStringLiteral(KESTA_SOURCE_DIR "/src/kesta/messages"));
    static const QRegularExpression id("ERR-ID:75000\\d\\d");
    for (const QString &name : folder.entryList({"*.cpp"})) {
        QFile file(folder.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        for (auto it = id.globalMatch(QString::fromUtf8(file.readAll())); it.hasNext();)
            ids << it.next().captured();
    }
    return ids;
}

// A text of the catalogue as a pattern: `<...>` stands for any value, ⏎ for a line break.
QRegularExpression documentedPattern(QString text)
{
    QString pattern = QRegularExpression::escape(text.remove('`'));
    pattern.replace(QRegularExpression(R"(\\<.+?\\>)"), ".+").replace("\\⏎", "\\r\\n");
    return QRegularExpression(QRegularExpression::anchoredPattern(pattern));
}

// Fails unless the message is docs/messages.md's row of its id.
void verifyDocumented(const QString &id, const QString &text, int style, const QString &title)
{
    const QStringList row = documentedRows().value(id);
    QVERIFY2(!row.isEmpty(), qPrintable(id + " is not documented"));
    QCOMPARE(title + " " + id, row.at(1) + " " + id);
    QCOMPARE(QString::number(style) + " " + id, row.at(2) + " " + id);
    QVERIFY2(documentedPattern(row.at(0)).match(text).hasMatch(),
             qPrintable(id + ": \"" + row.at(0) + "\" does not give \"" + text + "\""));
}

} // namespace

class tst_Catalogue : public QObject {
    Q_OBJECT

private slots:
    // The screen's catalogue, each message built with example values: one row for each id of the
    // code, and docs/messages.md lists those ids and no other.
    void catalogueAsDocumented_data()
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
            discardLineChanges(),
            ruleWithoutItsField("0004", "SECUENCIA", "0006", "0020"),
            rulesGoneWithFields({"0003 (VALORES A|B)", "0005 (ENTRE 1 9)"}),
            rulesGoneWithLineType({"0002 (VECES 1-*)"}),
            formatSaved("0042"),
            formatDeactivated("0042"),
            formatReactivated("0042"),
            deactivatedOn("07/12/2026", "OPER"),
            commandUnavailable("Editar", "el formato está dado de baja: reactívelo antes (Ctrl+R)"),
            fieldsOverlap(
                {"Los campos 0002 (columnas 2-21) y 0003 (columnas 5-12) del tipo de línea "
                 "0002 se enciman en las columnas 5-12."}),
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
            ruleNotApplicable("0005", "ENTRE 999 1",
                              "el primer valor de ENTRE es mayor que el segundo"),
            formatListWhileEditing(),
            formatListFailed("no such table: Layout"),
        };
        QSet<QString> ids;
        for (const Message &m : all) {
            QTest::newRow(qPrintable(m.id)) << m;
            ids << m.id;
        }
        QCOMPARE(ids, idsInTheCode());
        const QList<QString> documented = documentedRows().keys();
        QCOMPARE(ids, QSet<QString>(documented.begin(), documented.end()));
    }
    void catalogueAsDocumented()
    {
        QFETCH(Message, message);
        verifyDocumented(message.id, message.text, message.style, message.title);
    }
    // The screen driven to a message that no other test sees whole: one message box, as listed,
    // with the module name and the screen as its owner. (A failed save, Deactivate and Script are
    // the save's and the screen's tests.)
    void screenShowsWhatIsDocumented_data()
    {
        // text: what the values make of it here
        const auto add = dataColumns<QString, QString>({"id", "text"});
        const auto row = [&](const char *id, const char *text) {
            add(id, QString::fromLatin1(id), QString::fromUtf8(text));
        };
        row("7500032", "Línea 0002, Posición: \"x\" no es un número");
        row("7500034",
            "Descripción: el texto contiene un carácter que no se puede guardar (U+0009)");
        row("7500035", "Clave: el texto pegado tiene 5 caracteres y se admiten como máximo 4; no "
                       "se pegó nada");
    }
    void screenShowsWhatIsDocumented()
    {
        auto [id, text] = fetchColumns<QString, QString>({"id", "text"});
        TestDatabase db;
        KESTA_REQUIRE(db);
        writeTwoLineFormat(db);
        if (id == "7500032")
            db.exec("UPDATE Layout SET Ly_Posicion = 'x' WHERE Ly_ID = '0002'");
        EditScreen s(db.connectionName());
        s.screen->KeyEditable = 1;
        if (id == "7500035") {
            QApplication::clipboard()->setText("12345");
            s.keyBox()->setFocus();
            s.forget();
            s.key(Qt::Key_V, Qt::ControlModifier);
        } else {
            s.typeKey("1");
            s.command("Edit");
            s.forget();
            if (id == "7500034") {
                QApplication::clipboard()->setText("a\tb");
                s.child("txtDescripcion")->setFocus();
                s.child("txtDescripcion")->selectAll();
                s.key(Qt::Key_V, Qt::ControlModifier);
            } else { // 7500032: as a SQLite database that took a text into a number column shows it
                s.command("Save");
            }
        }

        const QStringList row = documentedRows().value("ERR-ID:" + id);
        verifyMessage(s, id, row.value(2).toInt(), row.value(1));
        QCOMPARE(s.record->messages.first().text, text);
        QVERIFY(documentedPattern(row.value(0)).match(text).hasMatch());
    }
};

QTEST_MAIN(tst_Catalogue)
#include "tst_catalogue.moc"
