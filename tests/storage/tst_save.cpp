// Saving, deactivating and reactivating a load format through the screen, on SQLite and on a
// throwaway PostgreSQL server: what is stored, what comes back, and what a refusal or a failure
// leaves behind (nothing).

#include "commands/UnsavedEdit.h"
#include "editor/EditFixture.h"
#include "editor/RulesDialog.h"
#include "host/RuntimeError.h"
#include "messages/WrittenMessages.h"
#include "store/ColumnLimits.h"
#include "store/FormatRows.h"
#include "store/FormatSave.h"
#include "store/LoadFormatReader.h"
#include "store/SqlConnection.h"

#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <controls/SmallControls.h>

using namespace kesta::test;
using Kind = TestDatabase::Kind;

namespace {

// The two engines by name, for data rows with columns of their own.
const std::pair<const char *, Kind> Engines[] = {{"SQLite", Kind::Sqlite},
                                                 {"PostgreSQL", Kind::PostgreSql}};

// Every row of a table for a key, its columns joined by "|", in the order of the key columns.
QStringList tableRows(const TestDatabase &db, const QString &table, const QString &columns,
                      const QString &key = "0001")
{
    const QString orderBy = table == "Layout" ? "Ly_ID" : "Ly_ID, Ld_ID";
    return db.rows("SELECT " + columns + " FROM " + table + " WHERE Ly_Cve_Layout = '" + key +
                   "' ORDER BY " + orderBy);
}

QStringList allRows(const TestDatabase &db, const QString &key = "0001")
{
    return tableRows(db, "Layout", "*", key) + tableRows(db, "Layout_Detalle", "*", key);
}

// A number column as the database writes it in text, every digit.
QString numberAsText(TestDatabase &db, const QString &column, const QString &key)
{
    const QString cast = db.kind() == Kind::PostgreSql ? column + "::text" : column;
    return db.scalar("SELECT " + cast + " FROM Layout WHERE Ly_Cve_Layout = '" + key + "'")
        .toString();
}

// The stored rules of a key, "Lr_ID Ly_ID Ld_ID Lr_Regla" in Lr_ID order ("-" for none).
QStringList ruleRows(const TestDatabase &db, const QString &key = "0001")
{
    return db.rows("SELECT TRIM(Lr_ID), COALESCE(NULLIF(TRIM(Ly_ID), ''), '-'), "
                   "COALESCE(NULLIF(TRIM(Ld_ID), ''), '-'), TRIM(Lr_Regla) FROM Layout_Regla "
                   "WHERE Ly_Cve_Layout = '" +
                       key + "' ORDER BY Lr_ID",
                   u' ');
}

// The stored rules of a key with the field each stands on, "Lr_ID Ly_ID Ld_ID field rule" in
// Lr_ID order ("-" for none): the field by its description, so that a rule on another field
// shows.
QStringList rulesWithFields(const TestDatabase &db, const QString &key)
{
    return db.rows("SELECT TRIM(r.Lr_ID), COALESCE(NULLIF(TRIM(r.Ly_ID), ''), '-'), "
                   "COALESCE(NULLIF(TRIM(r.Ld_ID), ''), '-'), COALESCE(d.Ld_Descripcion, '-'), "
                   "TRIM(r.Lr_Regla) FROM Layout_Regla r LEFT JOIN Layout_Detalle d ON "
                   "d.Ly_Cve_Layout = r.Ly_Cve_Layout AND d.Ly_ID = r.Ly_ID AND d.Ld_ID = r.Ld_ID "
                   "WHERE r.Ly_Cve_Layout = '" +
                       key + "' ORDER BY r.Lr_ID",
                   u' ');
}

// The two-line format with a fourth field (0002/0009), and rules on the file, on a line type
// and on fields of both line types. The load shows the fields as 0000, 0010 (line 0001) and
// 0020, 0030 (line 0002).
// A rule of the format under `key`; `row` holds its Lr_ID, Ly_ID, Ld_ID and Lr_Regla as literals.
void insertRule(TestDatabase &db, const char *row, const char *key = "0001")
{
    db.exec(
        QStringLiteral("INSERT INTO Layout_Regla (Ly_Cve_Layout, Lr_ID, Ly_ID, Ld_ID, Lr_Regla, "
                       "Lr_Descripcion) VALUES ('%1', %2, 'x')")
            .arg(QString::fromLatin1(key), QString::fromLatin1(row)));
}

void writeFormatWithRules(TestDatabase &db)
{
    writeTwoLineFormat(db);
    insertField(db, {.lineId = "0002", .id = "0009", .description = "Importe", .tipo = "01"});
    for (const char *row :
         {"'0001', NULL, NULL, 'REGISTRO 10'", "'0002', '0002', NULL, 'VECES 1-*'",
          "'0003', '0001', '0002', 'VALORES A|B'", "'0004', '0002', '0009', 'SUMA 0002.0009'",
          "'0005', '0002', '0001', 'ENTRE 20260101 20261231'"})
        insertRule(db, row);
}

// The rules of writeFormatWithRules as a save of the load writes them.
const QStringList carriedRules{"0001 - - REGISTRO 10", "0002 0002 - VECES 1-*",
                               "0003 0001 0010 VALORES A|B", "0004 0002 0030 SUMA 0002.0030",
                               "0005 0002 0020 ENTRE 20260101 20261231"};

const QString greek = QStringLiteral("Ελληνικά Кириллица 漢字 😀");
const QString hostile = QStringLiteral("O'Brien \"x\" \\ % -- ; ñ € ");

// A bank statement: a header "1", movements "2" and a trailer "9" with the movements' count and
// their total, records of 20 characters. The load shows the fields as 0000 (header), 0010,
// 0020 (movement) and 0030, 0040 (trailer).
void writeBankFormat(TestDatabase &db)
{
    for (const auto &[order, id, description] :
         {std::tuple{"0001", "1", "Encabezado"}, std::tuple{"0002", "2", "Movimiento"},
          std::tuple{"0003", "9", "Totales"}})
        insertLine(db, {.id = order,
                        .lineId = id,
                        .lineDescription = description,
                        .description = "Estado de cuenta",
                        .file = "estado.txt",
                        .inverso = "NO"});
    for (const auto &[line, id, description, position, length, tipo] :
         {std::tuple{"0001", "0001", "Banco", 2, 19, "02"},
          std::tuple{"0002", "0001", "Referencia", 2, 9, "02"},
          std::tuple{"0002", "0002", "Importe", 11, 10, "01"},
          std::tuple{"0003", "0001", "Movimientos", 2, 9, "01"},
          std::tuple{"0003", "0002", "Total", 11, 10, "01"}})
        insertField(db, {.lineId = line,
                         .id = id,
                         .description = description,
                         .position = position,
                         .length = length,
                         .trim = "NO",
                         .tipo = tipo});
}

// The rules of a bank statement as the user writes them on the screen: line type, field,
// rule, description.
const QList<QStringList> bankRules{
    {"", "", "REGISTRO 20", "Registros de 20"}, {"1", "", "PRIMERA", "Encabezado primero"},
    {"3", "", "ULTIMA", "Totales al final"},    {"2", "", "LONGITUD 20", ""},
    {"3", "30", "CUENTA 2", "Movimientos"},     {"3", "40", "suma 2.20", "Total"}};
// ... as the save writes them.
const QStringList bankRulesStored{"0001 - - REGISTRO 20",       "0002 0001 - PRIMERA",
                                  "0003 0003 - ULTIMA",         "0004 0002 - LONGITUD 20",
                                  "0005 0003 0030 CUENTA 0002", "0006 0003 0040 suma 0002.0020"};

// The format `write` stores on a new database of the engine, loaded on the screen by its key.
#define KESTA_LOADED_FORMAT(kind, write)                                                           \
    TestDatabase db(kind);                                                                         \
    KESTA_REQUIRE(db);                                                                             \
    write(db);                                                                                     \
    EditScreen s(db.connectionName());                                                             \
    s.typeKey("1")

using kesta::editor::RulesDialog;

QStringList ruleGridRows(const velkora::controls::DataGrid *grid)
{
    QStringList rows;
    for (int row = 0; row < grid->Rows(); ++row) {
        QStringList cells;
        for (int column = 0; column < 5; ++column)
            cells << grid->cell(row, column).toString();
        rows << cells.join('|');
    }
    return rows;
}

// The rules dialog as "Reglas..." opens it, after `act` ran on it: whether it was still open
// (a refusal keeps it open; it is then closed with "Cancelar"), its rows and its current cell.
struct RulesSeen {
    bool open = false;
    bool editable = false;
    QStringList rows;
    int row = -1;
    int column = -1;
};

RulesSeen withRules(EditScreen &s, const std::function<void(RulesDialog &)> &act,
                    bool byKey = false)
{
    RulesSeen seen;
    bool done = false;
    // Looks for the dialog at every turn of the event loop until it is shown (Alt+R clicks the
    // button a moment after the key, as a mnemonic does).
    QTimer watch;
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto *dialog = qobject_cast<RulesDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        watch.stop();
        // The dialog takes the keyboard as it does for the user.
        QApplication::setActiveWindow(dialog);
        seen.editable = dialog->findChild<QPushButton *>("cmdAceptarReglas")->isVisibleTo(dialog);
        act(*dialog);
        seen.rows = ruleGridRows(dialog->grid());
        seen.row = dialog->grid()->currentRow();
        seen.column = dialog->grid()->currentColumn();
        seen.open = dialog->isVisible();
        if (seen.open)
            QTest::mouseClick(dialog->findChild<QPushButton *>("cmdCancelarReglas"),
                              Qt::LeftButton);
        done = true;
    });
    watch.start();
    if (byKey)
        QTest::keyClick(s.screen.get(), Qt::Key_R, Qt::AltModifier);
    else
        QTest::mouseClick(s.child<velkora::controls::FlatButton>("cmdReglas"), Qt::LeftButton);
    if (!QTest::qWaitFor([&] { return done; }))
        qWarning("withRules: the rules dialog was not shown");
    watch.stop();
    // Closed, the dialog gives the keyboard back to the screen.
    QApplication::setActiveWindow(s.screen.get());
    return seen;
}

// Adds rules with "Agregar" and types their cells (line type, field, rule, description).
void addRules(EditScreen &s, RulesDialog &dialog, const QList<QStringList> &rules)
{
    for (const QStringList &rule : rules) {
        QTest::mouseClick(dialog.findChild<QPushButton *>("cmdAgregarRegla"), Qt::LeftButton);
        const int row = dialog.grid()->Rows() - 1;
        int column = 1;
        for (const QString &text : rule) {
            if (!text.isEmpty())
                s.typeCell(dialog.grid(), row, dialog.grid()->columnName(column), text);
            ++column;
        }
    }
}

void acceptRules(RulesDialog &dialog)
{
    QTest::mouseClick(dialog.findChild<QPushButton *>("cmdAceptarReglas"), Qt::LeftButton);
}

// The line grid's row `line` clicked, "Editar", `change` and "Aceptar".
void editLine(EditScreen &s, int line, const std::function<void()> &change)
{
    s.clickLine(line, 2);
    s.click(1); // Editar
    change();
    s.click(3); // Aceptar
}

// One step of the user's on a loaded format, as a data row writes it:
//   "edit L: op; op..."   a line edit of the line grid's row L, ended with "Aceptar"
//   "cancel L: op..."     the same, ended with "Cancelar"
//      ops: "id R V" types V in the ID of field row R, "del R" removes field row R (Ctrl+Supr),
//           "add V D" adds a TEXTO field V named D at the end, "order V" types the line's No.
//   "delete L"            "Eliminar" of the line grid's row L, answered Yes
//   "rules"               "Reglas..." and "Aceptar"; "clear": every rule removed, "Aceptar"
//   "copy K"              the toolbar's Copy, under the key K
void runStep(EditScreen &s, const QString &step)
{
    const QString verb = step.section(' ', 0, 0);
    const int line = step.section(' ', 1, 1).remove(':').toInt();
    if (verb == "delete") {
        s.clickLine(line, 2);
        s.click(2); // Eliminar
        return;
    }
    if (verb == "copy") {
        s.command("B1");
        typeInto(s, "txtClave", step.section(' ', 1, 1));
        return;
    }
    if (verb == "rules" || verb == "clear") {
        withRules(s, [&](RulesDialog &dialog) {
            for (int rows = dialog.grid()->Rows(); verb == "clear" && rows > 0; --rows) {
                dialog.grid()->setFocus();
                QVERIFY(dialog.grid()->setCurrentCell(0, 3));
                QTest::mouseClick(dialog.findChild<QPushButton *>("cmdQuitarRegla"),
                                  Qt::LeftButton);
            }
            acceptRules(dialog);
        });
        return;
    }
    s.clickLine(line, 2);
    s.click(1); // Editar
    for (const QString &op : step.section(':', 1).split(';', Qt::SkipEmptyParts)) {
        const QStringList words = op.split(' ', Qt::SkipEmptyParts);
        if (words.at(0) == "order") {
            s.typeCell(s.lineGrid(), line, "Orden", words.at(1));
        } else if (words.at(0) == "id") {
            s.typeCell(s.fieldGrid(), words.at(1).toInt(), "ID", words.at(2));
        } else if (words.at(0) == "del") {
            s.fieldGrid()->setFocus();
            QVERIFY(s.fieldGrid()->setCurrentCell(words.at(1).toInt(), 1));
            s.key(Qt::Key_Delete, Qt::ControlModifier);
        } else if (words.at(0) == "add") {
            s.fieldGrid()->setFocus();
            QVERIFY(s.fieldGrid()->setCurrentCell(s.fieldGrid()->Rows() - 1, 0));
            s.key(Qt::Key_Insert);
            s.typeCells(s.fieldGrid(), s.fieldGrid()->Rows() - 1,
                        {{"ID", words.at(1)},
                         {"Descripción", words.at(2)},
                         {"Posicion", "30"},
                         {"Longitud", "1"},
                         {"Tipo", "T"}});
        }
    }
    s.click(verb == "cancel" ? 4 : 3);
}

} // namespace

class tst_Save : public QObject {
    Q_OBJECT

private slots:
    void savesWhatWasEntered_data() { KESTA_BOTH_ENGINES(); }
    void savesWhatWasEntered()
    {
        QFETCH(Kind, kind);
        TestDatabase db(kind);
        KESTA_REQUIRE(db);
        EditScreen s(db.connectionName());

        s.command("New");
        typeInto(s, "txtClave", "7");
        typeInto(s, "txtDescripcion", hostile);
        typeInto(s, "txtArchivo", greek);
        s.child<QCheckBox>("chInverso")->setChecked(true);
        s.key(Qt::Key_2, Qt::AltModifier);
        typeInto(s, "txtUser1", greek);
        typeInto(s, "txtUser2", "'; DROP TABLE Layout; --");
        typeInto(s, "txtUser3", "1234567890123456.78");
        typeInto(s, "txtUser4", "-0,5");
        s.child<velkora::controls::DatePicker>("dpUser5")->setDate(QDate(2025, 2, 28));
        s.child<velkora::controls::DatePicker>("dpUser6")->setDate(QDate(1999, 12, 31));
        s.key(Qt::Key_1, Qt::AltModifier);

        s.click(0);
        s.typeCells(s.lineGrid(), 0,
                    {{"Orden", "3"},
                     {"ID", "D'\""},
                     {"Descripción", hostile},
                     {"Posicion", "1"},
                     {"Longitud", "2"}});
        s.fieldGrid()->setFocus();
        const QList<QStringList> fields{
            {"1", greek, "3", "8", "F", "it's \"quoted\" \\ %", "DD/MM/YYYY", " "},
            {"2", "'; DROP TABLE Layout; --", "11", "10", "N", "", "", ""}};
        for (int row = 0; row < fields.size(); ++row) {
            s.key(Qt::Key_Insert);
            const QStringList &f = fields[row];
            int column = 0;
            for (const char *name :
                 {"ID", "Descripción", "Posicion", "Longitud", "Tipo", "Valor", "Formato", "Trim"})
                s.typeCell(s.fieldGrid(), row, name, f[column++]);
        }
        s.click(3);
        QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
        s.forget();
        s.command("Save");

        // Saved without a word (the screen Idle afterwards is the editor's test).
        QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));

        // Stored as entered: the key in its format, the numbers the four-digit texts.
        QCOMPARE(tableRows(db, "Layout",
                           "Ly_Descripcion, Ly_Archivo, Ly_ID, Ly_Descripcion_ID, Ly_Linea_ID, "
                           "Ly_Posicion, Ly_Longitud, Ly_Inverso, Ly_UserDef_1, Ly_UserDef_2, "
                           "Oper_Alta, Oper_Ult_Modif, Es_Cve_Estado",
                           "0007"),
                 (QStringList{QStringList{hostile, greek, "0003", hostile, "D'\"", "1", "2", "SI",
                                          greek, "'; DROP TABLE Layout; --", "TEST", "TEST", "AC"}
                                  .join('|')}));
        QCOMPARE(numberAsText(db, "Ly_UserDef_3", "0007"), QStringLiteral("1234567890123456.7800"));
        QCOMPARE(numberAsText(db, "Ly_UserDef_4", "0007"), QStringLiteral("-0.5000"));
        QCOMPARE(
            db.scalar("SELECT COUNT(*) FROM Layout WHERE Fecha_Alta = Fecha_Ult_Modif").toInt(), 1);
        QCOMPARE(tableRows(db, "Layout_Detalle",
                           "Ly_ID, Ld_ID, Ld_Descripcion, Ld_Posicion, "
                           "Ld_Longitud, Ld_Trim, Ld_Valor, Ld_Formato, Ld_Tipo",
                           "0007"),
                 (QStringList{QStringList{"0003", "0001", greek, "3", "8", "SI",
                                          "it's \"quoted\" \\ %", "DD/MM/YYYY", "03"}
                                  .join('|'),
                              "0003|0002|'; DROP TABLE Layout; --|11|10|NO|||01"}));

        // And it comes back the same through the screen.
        s.typeKey("7");
        QCOMPARE(QStringList({s.text("txtDescripcion"), s.text("txtArchivo"), s.text("txtUser1"),
                              s.text("txtUser2"), s.text("txtUser3"), s.text("txtUser4")}),
                 QStringList({hostile, greek, greek, "'; DROP TABLE Layout; --",
                              "1234567890123456.7800", "-0.5000"}));
        QCOMPARE(s.child<velkora::controls::DatePicker>("dpUser5")->date(), QDate(2025, 2, 28));
        QVERIFY(s.child<QCheckBox>("chInverso")->isChecked());
        QCOMPARE(s.fieldRows(),
                 (QStringList{"0000|" + greek + "|3|8|Fecha|it's \"quoted\" \\ %|DD/MM/YYYY|true",
                              "0010|'; DROP TABLE Layout; --|11|10|NUMERO|||false"}));
    }

    // User data stored as NULL come back NULL when the user leaves them alone, whatever the box
    // showed for them (an empty text, today's date); a datum the user changes is written.
    void userDataReadAsNullStayNull_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<bool>("changeThem");
        for (const auto &[name, kind] : Engines) {
            QTest::newRow(qPrintable(QString(name) + ", left alone")) << kind << false;
            QTest::newRow(qPrintable(QString(name) + ", changed")) << kind << true;
        }
    }
    void userDataReadAsNullStayNull()
    {
        QFETCH(Kind, kind);
        QFETCH(bool, changeThem);
        TestDatabase db(kind);
        KESTA_REQUIRE(db);
        writeBankFormat(db);
        db.exec("UPDATE Layout SET Ly_UserDef_1 = NULL, Ly_UserDef_3 = NULL, "
                "Ly_UserDef_5 = NULL, Ly_UserDef_6 = NULL");
        EditScreen s(db.connectionName());
        s.typeKey("1");
        s.command("Edit");
        typeInto(s, "txtDescripcion", "Estado de cuenta nuevo");
        if (changeThem) {
            s.key(Qt::Key_2, Qt::AltModifier);
            typeInto(s, "txtUser1", "dato");
            typeInto(s, "txtUser3", "0");
            s.child<velkora::controls::DatePicker>("dpUser5")->setDate(QDate(2024, 2, 29));
        }
        s.forget();
        s.command("Save");
        QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));

        const QString user3 =
            db.kind() == Kind::PostgreSql ? "Ly_UserDef_3::text" : "CAST(Ly_UserDef_3 AS TEXT)";
        const QString date5 = db.kind() == Kind::PostgreSql ? "CAST(Ly_UserDef_5 AS DATE)::text"
                                                            : "SUBSTR(Ly_UserDef_5, 1, 10)";
        const QString stored = changeThem ? "Estado de cuenta nuevo|dato|0.0000|2024-02-29|null|u2"
                                          : "Estado de cuenta nuevo|null|null|null|null|u2";
        QCOMPARE(tableRows(db, "Layout",
                           "Ly_Descripcion, COALESCE(Ly_UserDef_1, 'null'), COALESCE(" + user3 +
                               ", 'null'), COALESCE(" + date5 +
                               ", 'null'), COALESCE(CAST(Ly_UserDef_6 AS TEXT), 'null'), "
                               "Ly_UserDef_2"),
                 QStringList(3, stored));
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("focus");
        const auto add = [](const char *name, const char *how, const char *id, const char *focus) {
            QTest::newRow(name) << QString(how) << QString(id) << QString(focus);
        };
        add("line edit open", "line edit", "7500011", "");
        add("new under a taken key", "taken key", "7500012", "txtClave");
        // Stored by another user after the screen's lookup found it free: the save's own lookup
        // finds it, in its transaction, and the stored format is kept whole.
        add("new under a key stored meanwhile", "key stored meanwhile", "7500012", "");
        add("blank key", "blank key", "7500014", "txtClave");
        add("blank description", "blank description", "7500015", "txtDescripcion");
        add("no line", "no line", "7500016", "");
        add("additional fields", "additional fields", "7500017", "");
        add("too many whole digits", "big number", "7500031", "txtUser3");
        add("file name too long", "long file", "7500030", "txtArchivo");
    }

    void refusals()
    {
        QFETCH(QString, how);
        QFETCH(QString, id);
        QFETCH(QString, focus);
        KESTA_TWO_LINE_SCREEN();
        const QStringList stored = allRows(db);
        s.screen->KeyEditable = 1;
        s.typeKey("1");
        s.command("Edit");

        if (how == "line edit") {
            s.click(1);
        } else if (how == "taken key" || how == "key stored meanwhile") {
            s.command("Cancel");
            s.command("New");
            typeInto(s, "txtClave", "0001");
            typeInto(s, "txtDescripcion", "Otra");
            if (how == "taken key") {
                s.record->lookups.insert("0001", "Pagos");
            } else {
                typeFirstLine(s, "Mía");
                addTextFieldAndAccept(s, "1");
            }
        } else if (how == "blank key") {
            s.command("Cancel");
            s.command("New");
            typeInto(s, "txtClave", " ");
        } else if (how == "blank description") {
            typeInto(s, "txtDescripcion", "   ");
        } else if (how == "no line") {
            s.command("Cancel");
            s.command("New");
            typeInto(s, "txtClave", "0002");
            typeInto(s, "txtDescripcion", "Vacío");
        } else if (how == "additional fields") {
            s.toolbar()->setAdditionalFields([](const QString &) { return false; }, {});
        } else if (how == "big number") {
            s.key(Qt::Key_2, Qt::AltModifier);
            typeInto(s, "txtUser3", "12345678901234567");
        } else if (how == "long file") {
            // As a load from a database with a longer column shows it: whole, not cut.
            s.child("txtArchivo")->setValue(QString(101, 'x'));
        }
        const int tab = s.child<QTabWidget>("ssTabZur")->currentIndex();
        s.forget();
        s.command("Save");

        // The message as written for the user, not as the screen's catalogue has it.
        const WrittenMessage written = writtenMessage(id);
        QCOMPARE(written.id, id);
        verifyMessage(s, id, written.style, written.title);
        QCOMPARE(s.record->messages.first().text, written.text);
        QVERIFY(s.toolbar()->EditMode()); // the save did not take place: still editing
        QCOMPARE(allRows(db), stored);
        if (!focus.isEmpty())
            QCOMPARE(s.focus()->objectName(), focus);
        if (how == "line edit") // refused before anything else: not even the tab changes
            QCOMPARE(s.child<QTabWidget>("ssTabZur")->currentIndex(), tab);
        if (how == "additional fields" || how == "key stored meanwhile")
            QCOMPARE(s.record->statements.filter(
                         QRegularExpression("^(BEGIN|DELETE|INSERT|COMMIT|ROLLBACK)")),
                     (QStringList{"BEGIN", "ROLLBACK"}));
        else
            QVERIFY(!s.record->statements.contains("BEGIN"));
    }

    void failuresKeepTheRows_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("failing"); // a statement's text, or a service call
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("textStart");
        const auto add = [](const QString &tag, Kind kind, const char *command, const char *failing,
                            const char *id, const char *textStart) {
            QTest::newRow(qPrintable(tag)) << kind << QString(command) << QString(failing)
                                           << QString(id) << QString(textStart);
        };
        for (const auto &[name, kind] : Engines) {
            add(QString(name) + ", save after the deletes", kind, "Save",
                "INSERT INTO Layout_Detalle", "7500018", "");
            add(QString(name) + ", save's first line", kind, "Save", "INSERT INTO Layout(",
                "7500018", "");
        }
        add("Deactivate", Kind::Sqlite, "Deactivate", "LogAction", "7500021", "LogAction");
        add("Reactivate", Kind::Sqlite, "Reactivate", "LogAction", "7500022",
            "La operación se ha cancelado debido al siguiente error: \r\n");
    }

    // A statement that fails with the connection alive (the writer's own rollback is all that
    // undoes the deletes; a killed connection or a full SQLite file roll back by themselves), or
    // a state change whose record of the action fails: nothing changes, the screen stays.
    void failuresKeepTheRows()
    {
        QFETCH(Kind, kind);
        QFETCH(QString, command);
        QFETCH(QString, failing);
        QFETCH(QString, id);
        QFETCH(QString, textStart);
        TestDatabase db(kind);
        KESTA_REQUIRE(db);
        writeTwoLineFormat(db);
        if (command == "Reactivate")
            db.exec("UPDATE Layout SET Es_Cve_Estado = 'BA'");
        const QStringList stored = allRows(db);
        EditScreen s(db.connectionName());
        s.typeKey("1");
        if (command == "Save") {
            s.command("Edit");
            s.record->failStatementContaining = failing;
        } else {
            s.record->failOn = failing;
        }
        s.forget();
        s.command(qPrintable(command));

        verifyMessage(s, id, 16, command == "Save" ? "ERROR" : "Velkora");
        QVERIFY2(s.record->messages.first().text.startsWith(textStart),
                 qPrintable(s.record->messages.first().text));
        QCOMPARE(allRows(db), stored);
        QVERIFY(!s.record->statements.contains(QStringLiteral("COMMIT")));
        if (command == "Save") {
            QVERIFY(s.record->statements.contains(QStringLiteral("ROLLBACK")));
            QVERIFY(s.toolbar()->EditMode());
        } else {
            QCOMPARE(s.keyBox()->text(), QStringLiteral("0001"));
        }
    }

    void deactivateAndReactivate_data() { KESTA_BOTH_ENGINES(); }
    void deactivateAndReactivate()
    {
        QFETCH(Kind, kind);
        KESTA_LOADED_FORMAT(kind, writeTwoLineFormat);
        const QStringList fields = tableRows(db, "Layout_Detalle", "*");
        s.forget();

        s.command("Deactivate");
        QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
        QCOMPARE(tableRows(db, "Layout", "Es_Cve_Estado, Oper_Ult_Modif, Oper_Baja"),
                 (QStringList{"BA|TEST|TEST", "BA|TEST|TEST"}));
        QCOMPARE(
            db.scalar("SELECT COUNT(*) FROM Layout WHERE Fecha_Baja = Fecha_Ult_Modif").toInt(), 2);
        QCOMPARE(tableRows(db, "Layout_Detalle", "*"), fields);
        QCOMPARE(s.record->calls.filter("LogAction"), QStringList{"LogAction(Layout|0001|Baja)"});
        QCOMPARE(s.keyBox()->text(), QString());
        QCOMPARE(kesta::commands::modeName(s.screen->mode()), QStringLiteral("Idle"));

        s.typeKey("1");
        QCOMPARE(s.flags(), QStringLiteral("L--R"));
        s.forget();
        s.command("Reactivate");
        QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
        QCOMPARE(tableRows(db, "Layout", "Es_Cve_Estado, Oper_Baja, Fecha_Baja"),
                 (QStringList{"AC||NULL", "AC||NULL"}));
        QCOMPARE(s.record->calls.filter("LogAction"),
                 QStringList{"LogAction(Layout|0001|Reactivación)"});
        QCOMPARE(s.record->statements.filter("UPDATE").size(), 1);
        QCOMPARE(s.record->count("CurrentDateTime"), 1);
        QCOMPARE(tableRows(db, "Layout_Detalle", "*"), fields);
    }

    void rulesFollowTheirFields_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<bool>("rulesTable");
        QTest::addColumn<bool>("copy"); // Copiar and a new key, instead of Edit and a change
        for (const auto &[name, kind] : Engines) {
            QTest::addRow("%s", name) << kind << true << false;
            QTest::addRow("%s, no table of rules", name) << kind << false << false;
            QTest::addRow("%s, a copy", name) << kind << true << true;
        }
    }

    // Load, Edit, a change and Save: every row is written anew, the fields under new numbers, and
    // every rule goes with its field, and so does every line type and field its text names (SUMA's
    // field, a condition's, the terms of IGUAL); a database without the table of rules never hears
    // of it. A copy has the rules, with its fields' numbers; the original's are as they were, and
    // a new format afterwards has none of them.
    void rulesFollowTheirFields()
    {
        QFETCH(Kind, kind);
        QFETCH(bool, rulesTable);
        QFETCH(bool, copy);
        TestDatabase db(kind);
        KESTA_REQUIRE(db);
        writeFormatWithRules(db);
        insertRule(db, "'0006', '0002', '0009', "
                       "'IGUAL A SUMA 0002.0009 SI 0002.0001 = 1|0002 + 0002.0009'");
        const QStringList carried =
            carriedRules +
            QStringList{"0006 0002 0030 IGUAL A SUMA 0002.0030 SI 0002.0020 = 1|0002 + 0002.0030"};
        if (!rulesTable)
            db.exec("DROP TABLE Layout_Regla");
        const QStringList rules = ruleRows(db);
        EditScreen s(db.connectionName());
        s.screen->KeyEditable = copy ? 1 : 0;
        s.typeKey("1");
        const QString key = copy ? "0009" : "0001";
        s.command(copy ? "B1" : "Edit");
        typeInto(s, copy ? "txtClave" : "txtDescripcion", copy ? key : "Pagos");
        s.command("Save");

        QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
        QCOMPARE(tableRows(db, "Layout_Detalle", "Ly_ID, Ld_ID, Ld_Descripcion", key),
                 (QStringList{"0001|0000|Cuenta", "0001|0010|Nombre", "0002|0020|Fecha",
                              "0002|0030|Importe"}));
        // The rows were written anew by this save: created and changed now, by this operator.
        QCOMPARE(tableRows(db, "Layout", "Oper_Alta, Oper_Ult_Modif", key),
                 (QStringList{"TEST|TEST", "TEST|TEST"}));
        QCOMPARE(
            db.scalar("SELECT COUNT(*) FROM Layout WHERE Fecha_Alta = Fecha_Ult_Modif").toInt(), 2);
        if (!rulesTable) {
            QCOMPARE(s.record->statements.filter("Layout_Regla", Qt::CaseInsensitive),
                     QStringList());
            return;
        }
        QCOMPARE(ruleRows(db, key), carried);
        if (copy) {
            QCOMPARE(ruleRows(db), rules);
            s.command("New");
            typeInto(s, "txtClave", "0010");
            typeInto(s, "txtDescripcion", "Nuevo");
            s.click(0); // Nuevo
            s.typeCell(s.lineGrid(), 0, "Orden", "1");
            s.typeCell(s.lineGrid(), 0, "ID", "A");
            s.click(3);
            s.command("Save");
            QCOMPARE(ruleRows(db, "0010"), QStringList());
            QCOMPARE(ruleRows(db, key), carried);
            return;
        }
        // In the save's own transaction.
        const qsizetype begin = s.record->statements.lastIndexOf("BEGIN");
        const qsizetype insert =
            s.record->statements.indexOf(QRegularExpression("^INSERT INTO Layout_Regla.*"), begin);
        QVERIFY(begin >= 0 && insert > begin);
        // On SQLite the values are bound, never statement text.
        if (kind == Kind::Sqlite)
            QCOMPARE(s.record->statements.filter("Pagos"), QStringList());
        QVERIFY(insert < s.record->statements.lastIndexOf("COMMIT"));

        // Loaded and saved again, they stay with their fields.
        s.typeKey("1");
        s.command("Edit");
        s.command("Save");
        QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
        QCOMPARE(ruleRows(db), carried);
    }

    void ruleStaysWithItsField_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("refusal"); // how the save's refusal (7500060) starts, if refused
        QTest::addColumn<QStringList>(
            "steps");                          // "rule ..." and "sql ..." change the database first
        QTest::addColumn<QString>("key");      // the key saved
        QTest::addColumn<QStringList>("told"); // the ids of the messages the steps gave
        QTest::addColumn<QString>("named");    // ... and the rules the last one names
        QTest::addColumn<QStringList>("stored"); // rulesWithFields after the save
        // The load shows Cuenta 0000, Nombre 0010 (line 0001), Fecha 0020, Importe 0030 (0002).
        const QString registro = "0001 - - - REGISTRO 10", veces = "0002 0002 - - VECES 1-*",
                      nombre = "0003 0001 0010 Nombre VALORES A|B",
                      importe = "0004 0002 0030 Importe SUMA 0002.0030",
                      fecha = "0005 0002 0020 Fecha ENTRE 20260101 20261231";
        const QStringList none;
        for (const auto &[name, kind] : Engines) {
            const auto row = [&, name = name, kind = kind](
                                 const char *title, const char *refusal = "") -> QTestData & {
                return QTest::addRow("%s, %s", name, title) << kind << QString(refusal);
            };
            row("Id typed over, a new field under its number")
                << QStringList{"edit 0: id 1 15; add 10 Otro"} << "0001" << none << ""
                << QStringList{registro, veces, "0003 0001 0015 Nombre VALORES A|B", importe,
                               fecha};
            row("Id typed over and back")
                << QStringList{"edit 0: id 1 15; id 1 10"} << "0001" << none << ""
                << QStringList{registro, veces, nombre, importe, fecha};
            row("first and last field swap their numbers")
                << QStringList{"edit 0: id 0 10; id 1 0"} << "0001" << none << ""
                << QStringList{registro, veces, "0003 0001 0000 Nombre VALORES A|B", importe,
                               fecha};
            row("first field removed, another under its number")
                << QStringList{"edit 1: del 0; add 20 Otro"} << "0001"
                << QStringList{"ERR-ID:7500072"} << "0005 (ENTRE 20260101 20261231)"
                << QStringList{registro, veces, nombre, importe};
            row("last field removed")
                << QStringList{"edit 1: del 1"} << "0001" << QStringList{"ERR-ID:7500072"}
                << "0004 (SUMA 0002.0009)" << QStringList{registro, veces, nombre, fecha};
            row("field removed, the line edit cancelled")
                << QStringList{"cancel 1: del 1; add 30 Otro"} << "0001" << none << ""
                << QStringList{registro, veces, nombre, importe, fecha};
            row("line type deleted")
                << QStringList{"delete 1"} << "0001"
                << QStringList{"ERR-ID:7500026", "ERR-ID:7500073"}
                << "0002 (VECES 1-*); 0004 (SUMA 0002.0009); 0005 (ENTRE 20260101 20261231)"
                << QStringList{registro, nombre};
            row("line type renumbered with its fields swapped")
                << QStringList{"edit 1: order 0005; id 0 30; id 1 20", "rules"} << "0001" << none
                << ""
                << QStringList{registro, "0002 0005 - - VECES 1-*",
                               "0003 0001 0010 Nombre VALORES A|B",
                               "0004 0005 0020 Importe SUMA 0005.0020",
                               "0005 0005 0030 Fecha ENTRE 20260101 20261231"};
            row("rules accepted, then two fields swap")
                << QStringList{"rules", "edit 1: id 0 30; id 1 20"} << "0001" << none << ""
                << QStringList{registro, veces, nombre, "0004 0002 0020 Importe SUMA 0002.0020",
                               "0005 0002 0030 Fecha ENTRE 20260101 20261231"};
            row("a copy, Id typed over and a new field under its number")
                << QStringList{"copy 0009", "edit 0: id 1 15; add 10 Otro"} << "0009" << none << ""
                << QStringList{registro, veces, "0003 0001 0015 Nombre VALORES A|B", importe,
                               fecha};
            row("every rule removed")
                << QStringList{"clear"} << "0001" << none << "" << QStringList();
            // Without a SUMA that names it by its old number, a line type takes its rules along.
            row("line type renumbered")
                << QStringList{"sql DELETE FROM Layout_Regla WHERE Lr_ID = '0004'",
                               "edit 1: order 0005"}
                << "0001" << none << ""
                << QStringList{registro, "0002 0005 - - VECES 1-*", nombre,
                               "0005 0005 0020 Fecha ENTRE 20260101 20261231"};
            // Refused: a rule's text names a field removed (rule 0006 on Importe totals Fecha), or
            // names the line type by its old number (SUMA 0002.0009 would speak of another one).
            row("field that a SUMA rule of another field totals",
                "La regla 0006 (SUMA 0002.0020) pertenece al campo 0020 del tipo de línea 0002,")
                << QStringList{"rule '0006', '0002', '0009', 'SUMA 0002.0001'", "edit 1: del 0"}
                << "0001" << QStringList{"ERR-ID:7500072"} << "0005 (ENTRE 20260101 20261231)"
                << QStringList();
            row("line type renumbered under a SUMA",
                "La regla 0004 (SUMA 0005.0030) pertenece al tipo de línea 0002,")
                << QStringList{"edit 1: order 0005"} << "0001" << none << "" << QStringList();
        }
    }

    // A rule belongs to its field, not to a number: through Ids typed over, swapped, a field
    // removed and another added under its number, a renumbered line type and a copy, each rule
    // is saved on its own field; the rules of a removed field or line type go with it and the
    // user is told which. A rule whose text names a removed field, or a renumbered line type by
    // its old number, stops the save: it says which rule and writes nothing.
    void ruleStaysWithItsField()
    {
        QFETCH(Kind, kind);
        QFETCH(QString, refusal);
        QFETCH(QStringList, steps);
        QFETCH(QString, key);
        QFETCH(QStringList, told);
        QFETCH(QString, named);
        QFETCH(QStringList, stored);
        TestDatabase db(kind);
        KESTA_REQUIRE(db);
        writeFormatWithRules(db);
        for (const QString &step : steps) {
            if (step.startsWith("rule "))
                insertRule(db, qPrintable(step.mid(5)));
            else if (step.startsWith("sql "))
                db.exec(step.mid(4));
        }
        const QStringList before = allRows(db) + ruleRows(db);
        EditScreen s(db.connectionName());
        s.screen->KeyEditable = 1;
        s.typeKey("1");
        if (!steps.first().startsWith("copy"))
            s.command("Edit");
        for (const QString &step : steps)
            if (!step.startsWith("rule ") && !step.startsWith("sql "))
                runStep(s, step);
        QStringList seen;
        for (const auto &message : s.record->messages)
            seen << message.messageId;
        QCOMPARE(seen, told);
        // The message names the rules that went, and no other.
        if (!told.isEmpty()) {
            const QString text = s.record->messages.last().text;
            QCOMPARE(text.section(": ", 1).chopped(1), named);
        }
        s.forget();
        s.command("Save");
        if (refusal.isEmpty()) {
            QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
            QCOMPARE(rulesWithFields(db, key), stored);
            return;
        }
        QCOMPARE(s.record->messages.size(), 1);
        QCOMPARE(s.record->messages.first().messageId, QStringLiteral("ERR-ID:7500060"));
        QVERIFY2(s.record->messages.first().text.startsWith(refusal),
                 qPrintable(s.record->messages.first().text));
        QVERIFY(s.toolbar()->EditMode());
        QVERIFY(!s.record->statements.contains("BEGIN"));
        QCOMPARE(allRows(db) + ruleRows(db), before);
    }

    void strayRulesGo_data() { KESTA_BOTH_ENGINES(); }

    // Rule rows left under a key that has no format are not a new format's rules: its save
    // replaces every rule row of the key, with none when it has none.
    void strayRulesGo()
    {
        QFETCH(Kind, kind);
        TestDatabase db(kind);
        KESTA_REQUIRE(db);
        for (const char *row :
             {"'0001', NULL, NULL, 'REGISTRO 10'", "'0002', '0001', NULL, 'VECES 2'"})
            insertRule(db, row, "0002");
        EditScreen s(db.connectionName());
        s.screen->KeyEditable = 1;
        s.command("New");
        typeInto(s, "txtClave", "0002");
        typeInto(s, "txtDescripcion", "Nuevo");
        typeFirstLine(s, "Uno");
        addTextFieldAndAccept(s, "5");
        s.command("Save");
        QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
        QCOMPARE(tableRows(db, "Layout", "Ly_ID", "0002"), QStringList{"0001"});
        QCOMPARE(ruleRows(db, "0002"), QStringList());
    }

    void rulesOnTheScreen_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<int>("signField"); // a field added to the trailer: 0 none, 1 after the
                                            // rules, 2 before them
        QTest::addColumn<QList<QStringList>>("rules"); // line type, field, rule, description
        QTest::addColumn<QString>("refused"); // the message's id, the row and the column (1 line
                                              // type, 2 field, 3 rule) of the cell at fault
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QStringList>("shown"); // the rules loaded again, with the sign field
        for (const auto &[name, kind] : Engines) {
            QTest::addRow("%s, a bank statement's rules", name)
                << kind << 0 << bankRules << QString() << bankRulesStored << QStringList();
            QTest::addRow("%s, rule, then a field before its field", name)
                << kind << 1 << QList<QStringList>{{"3", "40", "ENTRE 0 99999", ""}} << QString()
                << QStringList{"0001 0003 0040 ENTRE 0 99999"}
                << QStringList{"0001|0003|0050|ENTRE 0 99999|"};
            QTest::addRow("%s, a field, then rules on it and after it", name)
                << kind << 2
                << QList<QStringList>{{"3", "35", "VALORES +|-", ""},
                                      {"3", "40", "ENTRE 0 99999", ""}}
                << QString()
                << QStringList{"0001 0003 0035 VALORES +|-", "0002 0003 0040 ENTRE 0 99999"}
                << QStringList{"0001|0003|0040|VALORES +|-|", "0002|0003|0050|ENTRE 0 99999|"};
        }
        // One rule (line type, field, rule), refused at its row.
        const auto add = [](const char *name, const char *line, const char *field, const char *text,
                            const char *id, int column) {
            QTest::newRow(name) << Kind::Sqlite << 0 << QList<QStringList>{{line, field, text, ""}}
                                << QString("%1 0 %2").arg(id).arg(column) << QStringList()
                                << QStringList();
        };
        QTest::newRow("no text") << Kind::Sqlite << 0
                                 << QList<QStringList>{{"3", "", "", "Totales"}}
                                 << QString("7500061 0 3") << QStringList() << QStringList();
        add("does not read", "2", "", "LARGO 20", "7500062", 3);
        add("file's rule on a line type", "2", "", "REGISTRO 20", "7500063", 1);
        add("line type's rule on the file", "", "", "LONGITUD 20", "7500063", 1);
        add("line type's rule on a field", "2", "20", "ULTIMA", "7500063", 2);
        add("field's rule without a field", "3", "", "CUENTA 2", "7500063", 2);
        add("count on a TEXTO field", "2", "10", "CUENTA 1", "7500063", 2);
        add("sequence on a TEXTO field", "2", "0010", "SECUENCIA", "7500063", 2);
        add("range on a TEXTO field", "1", "0", "ENTRE 1 9", "7500063", 2);
        add("no such line type", "7", "", "ULTIMA", "7500064", 1);
        add("field of another line type", "3", "20", "CUENTA 2", "7500065", 2);
        add("counts a missing line type", "3", "30", "CUENTA 2,5", "7500066", 3);
        add("since a missing line type", "3", "30", "CUENTA * DESDE 8", "7500066", 3);
        add("sums a missing line type", "3", "40", "SUMA 4.20", "7500066", 3);
        add("sums a field of another line type", "3", "40", "SUMA 2.30", "7500067", 3);
        add("sums a TEXTO field", "3", "40", "SUMA 2.10", "7500070", 3);
        add("range upside down", "3", "40", "ENTRE 999 1", "7500070", 3);
        QTest::newRow("two ULTIMA on a line type")
            << Kind::Sqlite << 0
            << QList<QStringList>{{"3", "", "ULTIMA", ""},
                                  {"1", "", "PRIMERA", ""},
                                  {"0003", "", "ultima", ""}}
            << QString("7500069 2 3") << QStringList() << QStringList();
    }

    // Rules written on the screen: nothing stored before the save, saved with the format, their
    // numbers in four digits. A field added to the trailer before the total that a rule checks:
    // the rule stays on the total when saved, and after the load renumbers the fields it is shown
    // on the total's new number. A rule that does not read, stands where its kind does not go, or
    // names what the format does not have is refused with its message, the cursor on the cell at
    // fault; nothing of it is kept or saved.
    void rulesOnTheScreen()
    {
        QFETCH(Kind, kind);
        QFETCH(int, signField);
        QFETCH(QList<QStringList>, rules);
        QFETCH(QString, refused);
        QFETCH(QStringList, stored);
        QFETCH(QStringList, shown);
        KESTA_LOADED_FORMAT(kind, writeBankFormat);
        s.command("Edit");
        const auto addSignField = [&] {
            editLine(s, 2, [&] {
                s.fieldGrid()->setFocus();
                QVERIFY(s.fieldGrid()->setCurrentCell(s.fieldGrid()->Rows() - 1, 0));
                s.key(Qt::Key_Insert);
                s.typeCells(s.fieldGrid(), s.fieldGrid()->Rows() - 1,
                            {{"ID", "35"},
                             {"Descripción", "Signo"},
                             {"Posicion", "20"},
                             {"Longitud", "1"},
                             {"Tipo", "T"}});
            });
        };
        if (signField == 2)
            addSignField();
        const RulesSeen entered = withRules(s, [&](RulesDialog &dialog) {
            addRules(s, dialog, rules);
            acceptRules(dialog);
        });
        QVERIFY(entered.editable);
        QCOMPARE(entered.open, !refused.isEmpty());
        if (!refused.isEmpty()) {
            QCOMPARE(s.record->messages.size(), 1);
            QCOMPARE(QString("%1 %2 %3")
                         .arg(s.record->messages.first().messageId.mid(7))
                         .arg(entered.row)
                         .arg(entered.column),
                     refused);
            QCOMPARE(withRules(s, [](RulesDialog &) {}).rows, QStringList());
            s.forget();
        }
        if (signField == 1)
            addSignField();
        // The field added reads the columns of another: told as information (7500081).
        s.record->messages.removeIf([](const auto &m) { return m.messageId == "ERR-ID:7500081"; });
        QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
        QCOMPARE(ruleRows(db), QStringList());
        QCOMPARE(s.screen->unsavedEdit().hasChanges(), refused.isEmpty());
        s.command("Save");
        QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
        QCOMPARE(ruleRows(db), stored);
        if (signField == 0)
            return;
        QCOMPARE(tableRows(db, "Layout_Detalle", "Ly_ID, Ld_ID, Ld_Descripcion").mid(3),
                 (QStringList{"0003|0030|Movimientos", "0003|0035|Signo", "0003|0040|Total"}));

        // Loaded again: the trailer's fields are 0030, 0040 and 0050, and the rules are on the
        // sign and the total under those numbers.
        s.typeKey("1");
        QCOMPARE(withRules(s, [](RulesDialog &) {}).rows, shown);
        QVERIFY(s.lineGrid()->setCurrentRow(2));
        QCOMPARE(s.fieldRows().filter(QRegularExpression("^0050\\|")).value(0).section('|', 1, 1),
                 QStringLiteral("Total"));
    }

    // What the dialog's "Cancelar" or the toolbar's Cancel drop goes back to what was loaded; the
    // rules wait for a line edit to end; a database without the table of rules does not offer them.
    void rulesOfTheScreenRevert()
    {
        KESTA_LOADED_FORMAT(Kind::Sqlite, writeFormatWithRules);
        const QStringList stored = ruleRows(db);
        const RulesSeen viewed = withRules(
            s, [](RulesDialog &) {}, true); // Alt+R
        QVERIFY(!viewed.editable);
        const QStringList shown{"0001|||REGISTRO 10|x", "0002|0002||VECES 1-*|x",
                                "0003|0001|0010|VALORES A|B|x", "0004|0002|0030|SUMA 0002.0030|x",
                                "0005|0002|0020|ENTRE 20260101 20261231|x"};
        QCOMPARE(viewed.rows, shown);

        s.command("Edit");
        const auto dropRule = [](RulesDialog &dialog) {
            dialog.grid()->setFocus();
            QVERIFY(dialog.grid()->setCurrentCell(0, 3));
            QTest::keyClick(dialog.grid(), Qt::Key_Delete, Qt::ControlModifier);
        };
        const RulesSeen cancelled = withRules(s, [&](RulesDialog &dialog) {
            dropRule(dialog);
            addRules(s, dialog, {{"1", "", "PRIMERA", ""}});
        });
        QCOMPARE(cancelled.rows.size(), 5);
        QCOMPARE(cancelled.rows.first(), QStringLiteral("0001|0002||VECES 1-*|x"));
        QCOMPARE(cancelled.rows.last(), QStringLiteral("0005|1||PRIMERA|"));
        QCOMPARE(withRules(s, [](RulesDialog &) {}).rows, shown);
        QVERIFY(!s.screen->unsavedEdit().hasChanges());

        const RulesSeen accepted = withRules(s, [&](RulesDialog &dialog) {
            dropRule(dialog);
            acceptRules(dialog);
        });
        QVERIFY(!accepted.open);
        QCOMPARE(withRules(s, [](RulesDialog &) {}).rows.size(), 4);
        QVERIFY(s.screen->unsavedEdit().hasChanges());

        // During a line edit the rules wait.
        auto *button = s.child<velkora::controls::FlatButton>("cmdReglas");
        s.click(1); // Editar
        QVERIFY(!button->isEnabled());
        s.click(4); // Cancelar
        QVERIFY(button->isEnabled());

        s.clickCommand("Cancel");
        QVERIFY(!button->isEnabled());
        s.typeKey("1");
        QCOMPARE(withRules(s, [](RulesDialog &) {}).rows, shown);
        QCOMPARE(ruleRows(db), stored);

        // A database without the table of rules: not offered, and the button says why.
        db.exec("DROP TABLE Layout_Regla");
        s.typeKey("1");
        QVERIFY(!button->isEnabled());
        QVERIFY2(button->toolTip().startsWith("Las reglas no están disponibles"),
                 qPrintable(button->toolTip()));
        s.command("New");
        QVERIFY(!button->isEnabled());
    }

    // After line edits the dialog shows each rule where it now stands: on a renumbered line type
    // (also in its text) and, when its field was removed, with the numbers it had, refused until
    // it is changed or removed.
    void rulesShownAfterLineEdits()
    {
        TestDatabase db(Kind::Sqlite);
        KESTA_REQUIRE(db);
        writeFormatWithRules(db);
        {
            // Line type 0002 becomes 0005: its rules and SUMA's line type go with it.
            EditScreen s(db.connectionName());
            s.typeKey("1");
            s.command("Edit");
            editLine(s, 1, [&] { s.typeCell(s.lineGrid(), 1, "Orden", "0005"); });
            const RulesSeen seen = withRules(s, [](RulesDialog &dialog) { acceptRules(dialog); });
            QCOMPARE(seen.rows,
                     (QStringList{"0001|||REGISTRO 10|x", "0002|0005||VECES 1-*|x",
                                  "0003|0001|0010|VALORES A|B|x", "0004|0005|0030|SUMA 0005.0030|x",
                                  "0005|0005|0020|ENTRE 20260101 20261231|x"}));
            QVERIFY(!seen.open);
            s.command("Save");
            QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
            QCOMPARE(ruleRows(db),
                     (QStringList{"0001 - - REGISTRO 10", "0002 0005 - VECES 1-*",
                                  "0003 0001 0010 VALORES A|B", "0004 0005 0030 SUMA 0005.0030",
                                  "0005 0005 0020 ENTRE 20260101 20261231"}));
        }
        // The field that rule 0004 totals (line type 0005, shown 0030) is removed: the rule goes
        // with it (it is that field's rule), and rule 0006, which totals it from another field,
        // is shown with the numbers it had and refused until it is changed or removed.
        insertRule(db, "'0006', '0005', '0020', 'SUMA 0005.0030'");
        EditScreen s(db.connectionName());
        s.typeKey("1");
        s.command("Edit");
        editLine(s, 1, [&] {
            s.fieldGrid()->setFocus();
            QVERIFY(s.fieldGrid()->setCurrentCell(1, 1));
            s.key(Qt::Key_Delete, Qt::ControlModifier);
        });
        QCOMPARE(s.record->messages.size(), 1);
        QCOMPARE(s.record->messages.first().messageId, QStringLiteral("ERR-ID:7500072"));
        s.forget();
        const RulesSeen refused = withRules(s, [](RulesDialog &dialog) { acceptRules(dialog); });
        QCOMPARE(refused.rows.size(), 5);
        QCOMPARE(refused.rows.value(4), QStringLiteral("0005|0005|0020|SUMA 0005.0030|x"));
        QVERIFY(refused.open);
        QCOMPARE(s.record->messages.size(), 1);
        QCOMPARE(s.record->messages.first().messageId, QStringLiteral("ERR-ID:7500068"));
        QCOMPARE(std::pair(refused.row, refused.column), std::pair(4, 3));
        s.forget();
        const RulesSeen removed = withRules(s, [](RulesDialog &dialog) {
            dialog.grid()->setFocus();
            QVERIFY(dialog.grid()->setCurrentCell(4, 3));
            QTest::mouseClick(dialog.findChild<QPushButton *>("cmdQuitarRegla"), Qt::LeftButton);
            acceptRules(dialog);
        });
        QVERIFY(!removed.open);
        s.command("Save");
        QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
        QCOMPARE(ruleRows(db), (QStringList{"0001 - - REGISTRO 10", "0002 0005 - VECES 1-*",
                                            "0003 0001 0010 VALORES A|B",
                                            "0004 0005 0020 ENTRE 20260101 20261231"}));
    }

    // The schema scripts, the boxes and the grid cells agree on what each text column holds.
    void lengthsAgreeWithTheSchemas()
    {
        using namespace velkora::store::ColumnLength;
        QHash<QString, int> expected;
        const auto columns = [&expected](const char *names, int length) {
            for (const QString &name : QString(names).split(' '))
                expected.insert(name, length);
        };
        columns("Ly_Cve_Layout", Key), columns("Ly_Descripcion", Description);
        columns("Ly_Archivo", File), columns("Ly_ID", LineOrder), columns("Ld_ID", FieldId);
        columns("Ly_Descripcion_ID", LineDescription), columns("Ly_Linea_ID", LineId);
        columns("Ly_UserDef_1 Ly_UserDef_2", UserText);
        columns("Oper_Alta Oper_Ult_Modif Oper_Baja", Operator);
        columns("Ld_Descripcion", FieldDescription), columns("Ld_Valor", FieldValue);
        columns("Ld_Trim Ld_Tipo Ly_Inverso Es_Cve_Estado", Flag);
        columns("Ld_Formato", FieldFormat), columns("Lr_ID", RuleId);
        columns("Lr_Regla", RuleText), columns("Lr_Descripcion", RuleDescription);
        for (const char *script : {"sqlite.sql", "postgresql.sql", "sqlserver.sql"}) {
            QFile file(QStringLiteral(KESTA_SOURCE_DIR "/db/") + script);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QString text = QString::fromUtf8(file.readAll());
            const QString tables = text.left(text.indexOf("CREATE TABLE Velkora_Configuracion"));
            int found = 0;
            const QRegularExpression column(R"((\w+)\s+N?VARCHAR\((\d+)\))");
            for (auto it = column.globalMatch(tables); it.hasNext();) {
                const auto m = it.next();
                QVERIFY2(expected.contains(m.captured(1)),
                         qPrintable(script + (" " + m.captured(1))));
                QCOMPARE(m.captured(2).toInt(), expected.value(m.captured(1)));
                ++found;
            }
            // 18 text columns of Layout (with the key), 8 of Layout_Detalle - 5, 6 of Layout_Regla
            QCOMPARE(found, 27);
        }
        EditScreen s;
        for (const auto &[box, length] :
             {std::pair{"txtClave", Key}, std::pair{"txtDescripcion", Description},
              std::pair{"txtArchivo", File}, std::pair{"txtUser1", UserText},
              std::pair{"txtUser2", UserText}, std::pair{"txtUser3", UserNumberText}})
            QCOMPARE(s.child(box)->maxLength(), length);
        for (const auto &[grid, column, length] :
             {std::tuple{s.lineGrid(), "Orden", LineOrder}, std::tuple{s.lineGrid(), "ID", LineId},
              std::tuple{s.lineGrid(), "Descripción", LineDescription},
              std::tuple{s.fieldGrid(), "ID", FieldId},
              std::tuple{s.fieldGrid(), "Descripción", FieldDescription},
              std::tuple{s.fieldGrid(), "Valor", FieldValue},
              std::tuple{s.fieldGrid(), "Formato", FieldFormat}})
            QCOMPARE(grid->column(grid->columnIndex(column)).maxLength, length);
    }

    void sqlServerKeysThatWouldBeOne_data()
    {
        QTest::addColumn<bool>("sqlServer");
        QTest::addColumn<QStringList>("lines");  // each line's No.
        QTest::addColumn<QStringList>("fields"); // the first line's field IDs (the others get "1")
        QTest::addColumn<QString>("refusal");    // the message's text; empty when it is saved
        QTest::addColumn<QString>("focus");
        const QString same =
            " son el mismo valor para la base de datos, que no distingue mayúsculas de minúsculas "
            "ni los blancos al final";
        QTest::newRow("line numbers a, A") << true << QStringList{"a", "A"} << QStringList{"1"}
                                           << "No.: \"a\" y \"A\"" + same << "ssLinea";
        QTest::newRow("line numbers b, b and a blank")
            << true << QStringList{"b", "c", "b "} << QStringList{"1"}
            << "No.: \"b\" y \"b \"" + same << "ssLinea";
        QTest::newRow("field IDs x, X of one line")
            << true << QStringList{"1"} << QStringList{"x", "X"}
            << "Línea 0001, Id: \"x\" y \"X\"" + same << "ssDetalle";
        QTest::newRow("field IDs of two lines")
            << true << QStringList{"1", "2"} << QStringList{"1", "A"} << QString() << QString();
        QTest::newRow("SQLite keeps a and A apart")
            << false << QStringList{"a", "A"} << QStringList{"x", "X"} << QString() << QString();
    }

    // SQL Server's keys do not tell "a" from "A", nor "a" from "a ": two line numbers, or two field
    // IDs of a line, that differ only so are refused on that engine before anything is written.
    void sqlServerKeysThatWouldBeOne()
    {
        QFETCH(bool, sqlServer);
        QFETCH(QStringList, lines);
        QFETCH(QStringList, fields);
        QFETCH(QString, refusal);
        QFETCH(QString, focus);
        TestDatabase db;
        KESTA_REQUIRE(db);
        EditScreen s(db.connectionName());
        s.command("New");
        typeInto(s, "txtClave", "5");
        typeInto(s, "txtDescripcion", "Claves");
        for (int line = 0; line < lines.size(); ++line) {
            s.click(0);
            s.typeCells(s.lineGrid(), line,
                        {{"Orden", lines[line]},
                         {"ID", "L" + QString::number(line)},
                         {"Descripción", "Línea"},
                         {"Posicion", "1"},
                         {"Longitud", "2"}});
            s.fieldGrid()->setFocus();
            const QStringList ids = line == 0 ? fields : QStringList{"1"};
            for (int row = 0; row < ids.size(); ++row) {
                s.key(Qt::Key_Insert);
                s.typeCells(
                    s.fieldGrid(), row,
                    {{"ID", ids[row]}, {"Posicion", "3"}, {"Longitud", "1"}, {"Tipo", "T"}});
            }
            s.click(3);
            // Fields at one column: told as information (7500081), not refused.
            s.record->messages.removeIf(
                [](const auto &m) { return m.messageId == "ERR-ID:7500081"; });
            QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
        }
        // The statements are SQL Server's; the check runs before any of them.
        if (sqlServer)
            s.record->reportEngine = kesta::host::Engine::SqlServer;
        s.forget();
        s.command("Save");

        if (refusal.isEmpty() && sqlServer) {
            // Past the check: the save's transaction began (its SQL Server statements then fail on
            // the SQLite file underneath).
            QVERIFY(s.record->statements.contains("BEGIN"));
            QVERIFY(s.record->messages.value(0).messageId != "ERR-ID:7500039");
            return;
        }
        if (refusal.isEmpty()) {
            QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
            QCOMPARE(db.scalar("SELECT COUNT(*) FROM Layout_Detalle").toInt(),
                     fields.size() + lines.size() - 1);
            return;
        }
        QCOMPARE(s.record->messages.size(), 1);
        verifyMessage(s, "7500039", 48, "Velkora");
        QCOMPARE(s.record->messages.first().text, refusal);
        QCOMPARE(s.record->statements, QStringList());
        QVERIFY(s.toolbar()->EditMode());
        QCOMPARE(s.focus()->objectName(), focus);
        if (focus == "ssLinea") // the second of the two
            QCOMPARE(s.lineGrid()->currentRow(), lines.size() - 1);
    }

    void valueComesBackEqual_data()
    {
        using Status = velkora::store::SaveOutcome::Status;
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("reason"); // the problem's column or the error's text
        QTest::newRow("SQLite") << Kind::Sqlite << QString() << int(Status::Saved) << QString();
        QTest::newRow("PostgreSQL")
            << Kind::PostgreSql << QString() << int(Status::Saved) << QString();
        QTest::newRow("a position the column cannot hold")
            << Kind::Sqlite << "position" << int(Status::ValueRefused) << QString("Ly_Posicion");
        QTest::newRow("the additional fields fail")
            << Kind::Sqlite << "additional fields" << int(Status::Failed)
            << QString("no additional fields");
    }

    // A load format value written by the one save and read by the one reader comes back equal:
    // header, line types, fields with every kind of value, rules; its rows carry the save's clock
    // and operator. A save refused or failed on the way writes nothing.
    void valueComesBackEqual()
    {
        QFETCH(Kind, kind);
        QFETCH(QString, fault);
        QFETCH(int, status);
        QFETCH(QString, reason);
        TestDatabase db(kind);
        KESTA_REQUIRE(db);
        using namespace velkora::formats;
        LoadFormat format;
        format.key = "VAL1";
        format.description = "Cobros 'diarios' \\ \"Ω\"";
        format.file = "/datos/cobros.txt";
        format.reverse = true;
        format.state = "AC";
        LineType header{"0001", "H", "Encabezado", 1, 1, {}};
        header.fields << FieldDef{"0001", "0001", "Fecha", 2, 8, "03", {}, "yyyymmdd", false}
                      << FieldDef{"0001", "0002", "Origen", 1, 1, "04", "BANCO 'X'", {}, true};
        LineType detail{"0002", "D", "Detalle", 1, 1, {}};
        detail.fields << FieldDef{"0002", "0001", "Importe", 2, 12, "01", {}, "0.00", false}
                      << FieldDef{"0002", "0010", "Cuenta", 14, 20, "02", {}, {}, true};
        format.lineTypes << header << detail;
        format.rules << RuleDef{"0001", {}, {}, "LONGITUD 80", "Largo fijo"}
                     << RuleDef{"0002", "0002", "0001", "SUMA 0002.0001", "Total"};

        const auto connection =
            std::make_shared<velkora::store::SqlConnection>(db.connectionName());
        QString statement;
        velkora::store::FormatSave save([connection] { return connection; }, statement, "ANA",
                                        [] { return QString("2026-12-07 10:30:15"); });
        velkora::store::HeaderData headerData;
        headerData.date5 = headerData.date6 = "2026-12-01";
        velkora::store::SaveRequest request = velkora::store::saveRequestOf(
            format, headerData, velkora::store::LoadFormatWriter::Format::New, true);
        if (fault == "position")
            request.lines[0].position = "2147483648";
        const velkora::store::SaveOutcome outcome = save.save(request, [&fault](const QString &) {
            if (fault == "additional fields")
                throw kesta::host::RuntimeError("no additional fields");
            return true;
        });
        QCOMPARE(int(outcome.status), status);
        if (!fault.isEmpty()) {
            QCOMPARE(outcome.problem ? outcome.problem->column : outcome.error, reason);
            QCOMPARE(allRows(db, "VAL1"), QStringList());
            return;
        }
        QCOMPARE(
            db.scalar("SELECT COUNT(*) FROM Layout WHERE Fecha_Alta = '2026-12-07 10:30:15' AND "
                      "Oper_Alta = 'ANA' AND Oper_Ult_Modif = 'ANA'")
                .toInt(),
            2);
        // A text never given is stored empty, never NULL.
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM Layout_Detalle WHERE Ld_Valor IS NULL OR "
                           "Ld_Formato IS NULL")
                     .toInt(),
                 0);

        const std::optional<LoadFormat> read =
            velkora::store::LoadFormatReader(QSqlDatabase::database(db.connectionName()))
                .read("VAL1");
        QVERIFY(read);
        QVERIFY(*read == format);
        LoadFormat other = format;
        other.lineTypes[1].fields[1].trim = false;
        QVERIFY(!(*read == other));
    }
};

QTEST_MAIN(tst_Save)
#include "tst_save.moc"
