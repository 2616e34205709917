// The services library: the database layer (locations, schema scripts, the sample, failures told
// apart), the services on the host's database (settings, lookups, keys, the action record, dates),
// the screen tools, the message box and the windows that show the tools' results, driven as a
// user would. What touches a database runs once per engine: SQLite and the PostgreSQL server.

#include "controls/DataGrid.h"
#include "controls/FileDialogs.h"
#include "controls/SmallControls.h"
#include "controls/TextBox.h"
#include "host/RuntimeError.h"
#include "services/CoreServicesImpl.h"
#include "services/DataLookups.h"
#include "services/GridTools.h"
#include "services/MessageBox.h"
#include "services/RecordToolDialog.h"
#include "services/ScreenTools.h"
#include "services/TextViewerDialog.h"
#include "services/ToolServicesImpl.h"
#include "store/Database.h"
#include "store/DateTexts.h"
#include "store/OdbcDiagnostics.h"
#include "store/Settings.h"
#include "store/SqlConnection.h"
#include "store/SqlFailure.h"
#include "store/SqlScript.h"
#include "support/TestDatabase.h"

#include <QtSql>
#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;
using kesta::host::Engine;
using kesta::host::RuntimeError;
using kesta::test::TestDatabase;
using velkora::controls::DataGrid;
using Kind = TestDatabase::Kind;
namespace services = velkora::services;
namespace store = velkora::store;
using velkora::store::FailureKind;

Q_DECLARE_METATYPE(FailureKind)
Q_DECLARE_METATYPE(Engine)

namespace {

// One row per engine, the column "kind" alone.
void engines()
{
    QTest::addColumn<Kind>("kind");
    QTest::newRow("sqlite") << Kind::Sqlite;
    QTest::newRow("postgresql") << Kind::PostgreSql;
}

// Runs `act` on the active modal widget of type W once it shows (polled from its event loop).
template <typename W> void whenShown(std::function<void(W *)> act, bool *found, int attempts = 100)
{
    QTimer::singleShot(10, [act, found, attempts] {
        auto *widget = qobject_cast<W *>(QApplication::activeModalWidget());
        if (!widget || !widget->isVisible())
            return attempts > 0 ? whenShown<W>(act, found, attempts - 1) : void();
        *found = true;
        act(widget);
    });
}

// A record tool's state, registration, last change and deactivation, as it shows them.
QStringList recordLabels(const services::RecordToolDialog *dialog)
{
    QStringList texts;
    for (const char *name : {"lblEstado", "lblAlta", "lblUltModif", "lblBaja"})
        texts << dialog->findChild<QLabel *>(QString::fromLatin1(name))->text();
    return texts;
}

// A new widget in parent's layout, with its object name and, when given, its "Tag".
template <typename W = QLineEdit>
W *add(QWidget *parent, const QString &name, const QVariant &tag = {})
{
    auto *widget = new W(parent);
    widget->setObjectName(name);
    widget->setProperty("Tag", tag);
    (parent->layout() ? parent->layout() : new QVBoxLayout(parent))->addWidget(widget);
    return widget;
}

// Columns No. (shown "0000"), Descripción, a hidden one and Valor; two rows with commas,
// quotes, line breaks, TABs and accents.
DataGrid *sampleGrid(QWidget *parent)
{
    auto *grid = add<DataGrid>(parent, u"ssLinea"_s);
    QList<velkora::controls::GridColumn> columns(4);
    for (int c = 0; c < 4; ++c) {
        columns[c].name = u"Orden Descripcion Oculta Valor"_s.section(u' ', c, c);
        columns[c].caption = u"No. Descripción Oculta Valor"_s.section(u' ', c, c);
    }
    columns[0].format = u"0000"_s;
    grid->setColumns(columns);
    grid->setColumnHidden(2, true);
    for (const QString &row :
         {u"1|Con coma, aquí|x|dijo \"hola\""_s, u"12|línea 1\nlínea 2|y|Ñandú\tfin"_s}) {
        const int r = grid->AddNew();
        for (int c = 0; c < 4; ++c)
            grid->setCell(r, c, row.section(u'|', c, c));
        grid->Update();
    }
    return grid;
}

} // namespace

class TestServices : public QObject {
    Q_OBJECT
    // The services on a fresh database, with the schema, of the engine in the row's "kind"
    // (openServices).
    std::unique_ptr<TestDatabase> db;
    std::unique_ptr<kesta::host::CoreServices> core;
    std::unique_ptr<kesta::host::ToolServices> tool;
    QTemporaryDir folder;
    void openServices()
    {
        QFETCH(Kind, kind);
        db = std::make_unique<TestDatabase>(kind);
        core = std::make_unique<services::CoreServicesImpl>(db->connectionName(), u"OPER1"_s);
        tool = std::make_unique<services::ToolServicesImpl>(db->connectionName(), u"OPER1"_s);
    }
    QVariant setting(const QString &name) { return core->GetSetting(name); }
    int count(const QString &from) { return db->scalar(u"SELECT COUNT(*) FROM "_s + from).toInt(); }

private slots:
    void cleanup()
    {
        tool.reset();
        core.reset();
        db.reset();
        services::setTextFileChooser({});
        services::setExportFileChooser({});
        velkora::controls::setFileDialogRunner({});
    }

    void stylesAndAnswers_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("icon");
        QTest::addColumn<QString>("buttons"); // sorted, the default one marked *
        QTest::addColumn<QString>("click");   // a button, or ESC
        QTest::addColumn<int>("answer");
        const int stop = QMessageBox::Critical, ask = QMessageBox::Question;
        QTest::newRow("16") << 16 << stop << u"btnOK*"_s << u"btnOK"_s << 1;
        QTest::newRow("36 yes") << 36 << ask << u"btnNo btnYes*"_s << u"btnYes"_s << 6;
        QTest::newRow("36 no") << 36 << ask << u"btnNo btnYes*"_s << u"btnNo"_s << 7;
        QTest::newRow("36 escape is no") << 36 << ask << u"btnNo btnYes*"_s << u"ESC"_s << 7;
        QTest::newRow("292 default no") << 292 << ask << u"btnNo* btnYes"_s << u"btnYes"_s << 6;
        QTest::newRow("48") << 48 << int(QMessageBox::Warning) << u"btnOK*"_s << u"btnOK"_s << 1;
        QTest::newRow("64") << 64 << int(QMessageBox::Information) << u"btnOK*"_s << u"ESC"_s << 1;
        QTest::newRow("33 cancel") << 33 << ask << u"btnCancel btnOK*"_s << u"btnCancel"_s << 2;
        QTest::newRow("35 escape") << 35 << ask << u"btnCancel btnNo btnYes*"_s << u"ESC"_s << 2;
    }
    void stylesAndAnswers()
    {
        QFETCH(int, style);
        QFETCH(int, icon);
        QFETCH(QString, buttons);
        QFETCH(QString, click);
        QFETCH(int, answer);
        QWidget window;
        auto *field = new QLineEdit(&window);
        window.show();
        QStringList seen;
        bool found = false;
        whenShown<services::MessageBox>(
            [&](services::MessageBox *box) {
                QStringList names;
                for (QAbstractButton *button : box->buttons())
                    names << button->objectName() +
                                 (button == box->defaultButton() ? u"*"_s : u""_s);
                names.sort();
                seen << box->windowTitle() << box->text() << box->informativeText()
                     << QString::number(box->icon()) << names.join(u' ')
                     << box->property("module").toString() << box->property("messageId").toString()
                     << (box->parentWidget() == &window ? u"owned"_s : u"not owned"_s)
                     << (box->textFormat() == Qt::PlainText ? u"plain"_s : u"rich"_s);
                if (click == "ESC"_L1)
                    QTest::keyClick(box, Qt::Key_Escape);
                else if (auto *button = box->findChild<QAbstractButton *>(click))
                    QTest::mouseClick(button, Qt::LeftButton);
            },
            &found);
        const int result = velkora::services::CoreServicesImpl(u"unused"_s, u"X"_s)
                               .ShowMessage(u"La clave <b>no</b> existe"_s, style, u"Atención"_s,
                                            field, u"KESTA"_s, u"ERR-ID:7500024"_s);
        QVERIFY(found && !QApplication::activeModalWidget());
        QCOMPARE(result, answer);
        QCOMPARE(seen, (QStringList{u"Atención"_s, u"La clave <b>no</b> existe"_s,
                                    u"KESTA · ERR-ID:7500024"_s, QString::number(icon), buttons,
                                    u"KESTA"_s, u"ERR-ID:7500024"_s, u"owned"_s, u"plain"_s}));
    }

    void splitterKeepsLiteralsAndComments()
    {
        QCOMPARE(store::splitSqlScript(u"-- a comment; with a semicolon\n"
                                       "CREATE TABLE t (a VARCHAR(5) DEFAULT 'x;y');\n"
                                       "/* block ; */ INSERT INTO t VALUES ('it''s; fine');\n"
                                       "INSERT INTO t VALUES (\"a;b\")\nGO\n  go  \n"
                                       "SELECT [odd;name] FROM t;;\n"_s),
                 (QStringList{u"CREATE TABLE t (a VARCHAR(5) DEFAULT 'x;y')"_s,
                              u"INSERT INTO t VALUES ('it''s; fine')"_s,
                              u"INSERT INTO t VALUES (\"a;b\")"_s, u"SELECT [odd;name] FROM t"_s}));
    }

    void schemaIsCreated_data() { engines(); }
    void schemaIsCreated()
    {
        QFETCH(Kind, kind);
        TestDatabase db(kind, false);
        KESTA_REQUIRE(db);
        const QString name = db.connectionName();
        QTemporaryDir dir;
        QVERIFY(!store::hasSchema(name));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, store::seedSample(name, dir.path()));
        store::createSchema(name);
        QVERIFY(store::hasSchema(name));

        // Never run over an existing schema; the sample's rows are stored once.
        QVERIFY_THROWS_EXCEPTION(RuntimeError, store::createSchema(name));
        store::seedSample(name, dir.path());
        db.exec(u"UPDATE Layout SET Ly_Descripcion = 'X'"_s);
        store::seedSample(name, dir.path());
        QCOMPARE(db.scalar(u"SELECT COUNT(*) FROM Layout WHERE Ly_Descripcion = 'X'"_s).toInt(), 3);
    }

    void postgresUrlIsDecoded()
    {
        TestDatabase db(Kind::PostgreSql, false);
        KESTA_REQUIRE(db);
        // The cluster trusts every local user, so the role's name is what the open proves; a
        // role is the server's, so its name is this process's (other tests share the server).
        const QString role = u"kesta user %1"_s.arg(QCoreApplication::applicationPid());
        db.exec(u"CREATE ROLE \"%1\" LOGIN PASSWORD 'p@ss:w/rd'"_s.arg(role));
        const QString user = QString::fromLatin1(QUrl::toPercentEncoding(role));
        store::openDatabase(u"pg"_s,
                            db.location().replace(u"postgres@"_s, user + u":p%40ss%3Aw%2Frd@"_s));
        QSqlQuery query(QSqlDatabase::database(u"pg"_s));
        QVERIFY(query.exec(u"SELECT current_user"_s) && query.next());
        QCOMPARE(query.value(0).toString(), role);
        query.finish();
        store::closeDatabase(u"pg"_s);
        db.exec(u"DROP ROLE \"%1\""_s.arg(role));
    }

    void failuresAreToldApart_data();
    void failuresAreToldApart();
    void odbcLocationToPostgres();

    void malformedLocations_data()
    {
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty") << u""_s << u"empty"_s;
        QTest::newRow("no database")
            << u"postgresql://u:p@127.0.0.1:5432/"_s << u"names no database"_s;
        QTest::newRow("not a url") << u"postgresql:/db"_s << u"malformed"_s;
        QTest::newRow("unknown scheme") << u"mysql://u@h/db"_s << u"unknown scheme"_s;
        QTest::newRow("odbc, no string") << u"odbc:"_s << u"ODBC connection string"_s;
        QTest::newRow("no sql server")
            << u"odbc:Driver=FreeTDS;Server=127.0.0.1;Port=1;UID=sa;PWD=x"_s
            << u"could not be opened"_s;
        QTest::newRow("not a database file") << u"NOT_A_DB"_s << u"could not be opened"_s;
    }
    void malformedLocations()
    {
        QFETCH(QString, location);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        if (QFile file(dir.filePath(u"text.db"_s)); location == "NOT_A_DB"_L1) {
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(4096, 'x')) > 0);
            location = file.fileName();
        }
        try {
            store::openDatabase(u"bad"_s, location);
            QFAIL("the location was accepted");
        } catch (const RuntimeError &error) {
            QVERIFY2(error.description().contains(expected), qPrintable(error.description()));
            QVERIFY2(!error.description().contains("PWD=x"_L1), qPrintable(error.description()));
        }
        QVERIFY(!QSqlDatabase::contains(u"bad"_s));
    }

    void clearAndEnableScreen()
    {
        QWidget screen;
        auto *frame = add<QFrame>(&screen, u"frGeneral"_s);
        auto *text = add(frame, u"txtDescripcion"_s, u"1"_s);
        auto *check = add<QCheckBox>(frame, u"chInverso"_s, u"1"_s);
        auto *number = add<velkora::controls::TextBox>(frame, u"txtUser3"_s, u"1"_s);
        auto *date = add<velkora::controls::DatePicker>(frame, u"dpUser5"_s, u"1"_s);
        auto *combo = add<QComboBox>(frame, u"cmbTipo"_s, 1); // the tag as a number
        DataGrid *grid = sampleGrid(&screen);
        grid->setProperty("Tag", u"1"_s);
        auto *key = add(&screen, u"txtClave"_s);
        auto *untagged = add<QCheckBox>(&screen, u"chOtro"_s);
        auto *other = add(&screen, u"txtDos"_s, u"2"_s);
        for (QLineEdit *box : {text, key, other})
            box->setText(u"abc"_s);
        check->setChecked(true);
        untagged->setChecked(true);
        number->setNumeric(4);
        number->setValue(12.5);
        date->setDate(QDate(2020, 1, 2));
        combo->addItems({u"A"_s, u"B"_s});

        services::ToolServicesImpl tool(u"unused"_s, u"X"_s);
        tool.ClearScreen(&screen, 1);
        QCOMPARE(text->text() + u'|' + number->text(), u"|0.0000"_s);
        QCOMPARE(date->date(), QDate::currentDate());
        QVERIFY(!check->isChecked() && combo->currentIndex() == -1 && grid->Rows() == 0);
        const QList<QWidget *> tagged{text, check, number, date, combo};
        QVERIFY(std::none_of(tagged.begin(), tagged.end(), std::mem_fn(&QWidget::isEnabled)));
        QVERIFY(grid->isEnabled()); // grids stay browsable
        // Untagged and otherwise tagged controls are left alone.
        QCOMPARE(key->text() + other->text(), u"abcabc"_s);
        QVERIFY(key->isEnabled() && untagged->isChecked() && frame->isEnabled());

        key->setEnabled(false);
        grid->setEnabled(false);
        tool.EnableScreen(&screen, 1);
        QVERIFY(std::all_of(tagged.begin(), tagged.end(), std::mem_fn(&QWidget::isEnabled)));
        QVERIFY(grid->isEnabled() && !key->isEnabled());
        services::clearScreen(&screen, 2); // tag 2 empties only its own
        QVERIFY(other->text().isEmpty() && !other->isEnabled() && untagged->isChecked());
        QVERIFY_THROWS_EXCEPTION(RuntimeError, tool.ClearScreen(nullptr, 1));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, tool.EnableScreen(nullptr, 1));
    }

    void menuCopiesAndExports()
    {
        QWidget owner;
        DataGrid *grid = sampleGrid(&owner);
        QTemporaryDir dir;
        QString suggested;
        services::setExportFileChooser([&](QWidget *g, const QString &name) {
            suggested = name;
            return g == grid ? dir.filePath(u"filas"_s) : QString();
        });
        std::unique_ptr<QMenu> menu(services::createGridMenu(grid, nullptr));
        // The cells as shown; TABs and line breaks in a cell become blanks.
        menu->actions().at(0)->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), u"No.\tDescripción\tValor\n"
                                                       "0001\tCon coma, aquí\tdijo \"hola\"\n"
                                                       "0012\tlínea 1 línea 2\tÑandú fin\n"_s);
        // UTF-8 with a byte-order mark; commas, quotes and line breaks quoted.
        menu->actions().at(1)->trigger();
        QCOMPARE(suggested, u"ssLinea.csv"_s);
        QFile file(dir.filePath(u"filas.csv"_s)); // the extension is added
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(),
                 "\xEF\xBB\xBF" + u"No.,Descripción,Valor\r\n"
                                  "0001,\"Con coma, aquí\",\"dijo \"\"hola\"\"\"\r\n"
                                  "0012,\"línea 1\nlínea 2\",Ñandú\tfin\r\n"_s.toUtf8());
        file.remove();
        // A cancel writes nothing; an unwritable file and a widget that is no grid raise.
        services::setExportFileChooser([](QWidget *, const QString &) { return QString(); });
        QVERIFY(!services::exportCsv(grid) && QDir(dir.path()).isEmpty());
        services::setExportFileChooser(
            [&dir](QWidget *, const QString &) { return dir.filePath(u"no/such/x.csv"_s); });
        QVERIFY_THROWS_EXCEPTION(RuntimeError, services::exportCsv(grid));
        QLineEdit notAGrid;
        QVERIFY_THROWS_EXCEPTION(RuntimeError, services::exportCsv(&notAGrid));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, services::gridCommandShiftF10(&notAGrid));
    }

    void settingsAndOptions_data() { engines(); }
    void settingsAndOptions()
    {
        openServices();
        KESTA_REQUIRE(*db);
        // What a new database gives; missing: a null setting, a 0 option.
        QCOMPARE(setting(u"FTO_LAYOUT"_s), QVariant(u"0000"_s));
        QVERIFY(!setting(u"CAT_FORZAR_MAYUSCULAS"_s).toBool() &&
                !setting(u"CAT_AUTOCLAVE"_s).toBool());
        QVERIFY(setting(u"NO_EXISTE"_s).isNull());
        QCOMPARE(core->GetModuleOption(u"KESTA"_s, u"CAT001"_s, u"No disponible"_s), 1);
        QCOMPARE(core->GetModuleOption(u"KESTA"_s, u"CAT999"_s, u"No disponible"_s), 0);
        // A NULL value is null too, an empty text is not.
        store::writeSetting(db->connectionName(), u"VACIO"_s, QVariant());
        store::writeSetting(db->connectionName(), u"TEXTO_VACIO"_s, u""_s);
        QVERIFY(setting(u"VACIO"_s).isNull());
        QVERIFY(!setting(u"TEXTO_VACIO"_s).isNull() && setting(u"TEXTO_VACIO"_s) == u""_s);

        // Shared through the tables: another session's change is read here; names are exact.
        const QString other = db->connectionName() + u"_b"_s;
        store::openDatabase(other, db->location());
        store::writeSetting(other, u"CAT_AUTOCLAVE"_s, u"1"_s);
        store::writeModuleOption(other, u"KESTA"_s, u"CAT001"_s, 0);
        store::writeSetting(other, u"NUEVO"_s, u"O'Brien"_s);
        store::closeDatabase(other);
        QVERIFY(setting(u"CAT_AUTOCLAVE"_s).toBool());
        QCOMPARE(core->GetModuleOption(u"KESTA"_s, u"CAT001"_s, {}), 0);
        QCOMPARE(setting(u"NUEVO"_s), QVariant(u"O'Brien"_s));
        QVERIFY(setting(u"nuevo"_s).isNull());
        QCOMPARE(count(u"Velkora_Configuracion WHERE Cf_Nombre = 'CAT_AUTOCLAVE'"_s), 1);
        // Without the tables, the database's error.
        db->exec(u"DROP TABLE Velkora_Configuracion"_s);
        QVERIFY_THROWS_EXCEPTION(RuntimeError, setting(u"FTO_LAYOUT"_s));
    }

    void fileDialogsRememberPerOperator_data() { engines(); }
    void fileDialogsRememberPerOperator()
    {
        using namespace velkora::controls;
        openServices();
        KESTA_REQUIRE(*db);
        const QString chosenFolder = folder.filePath(u"año 100%"_s);
        QVERIFY(QDir().mkpath(chosenFolder));
        QList<FileDialogShown> shown;
        setFileDialogRunner([&](QWidget *, const FileDialogShown &dialog, QString *filter) {
            shown << dialog;
            *filter = AllFilesFilter;
            return chosenFolder + u"/retorno.RET"_s;
        });
        const auto choose = [this](const QString &operatorCode, const QString &start) {
            tool = std::make_unique<services::ToolServicesImpl>(db->connectionName(), operatorCode);
            return tool->ChooseOpenFile(nullptr, u"Probar"_s, start, readingFilters());
        };
        // The first time: on the stored file's folder and extension, every file offered.
        QCOMPARE(choose(u"OPER1"_s, u"/no/existe/CNAB.RET"_s), chosenFolder + u"/retorno.RET"_s);
        QCOMPARE(shown.at(0).filters, (QStringList{u"Archivos .ret (*.RET *.ret)"_s,
                                                   AllFilesFilter, TextFilesFilter}));
        QCOMPARE(shown.at(0).filter, shown.at(0).filters.first());
        QCOMPARE(shown.at(0).start, u"/no/existe"_s);
        // The same operator, in another session: the folder and filter chosen last.
        choose(u"OPER1"_s, u"/no/existe/CNAB.RET"_s);
        QCOMPARE(shown.at(1).start + u"|"_s + shown.at(1).filter,
                 chosenFolder + u"|"_s + AllFilesFilter);
        // Another operator: nothing of the first one's.
        choose(u"OPER2"_s, u"/otra/carpeta/datos.txt"_s);
        QCOMPARE(shown.at(2).start + u"|"_s + shown.at(2).filter,
                 u"/otra/carpeta|Archivos .txt (*.txt *.TXT)"_s);
        // Operator codes too long for the name column stay apart; a value longer than its
        // column is not written (what was there stays).
        const QString longCode(60, u'a');
        const QString name = store::userSettingName(u"ULTIMA_CARPETA"_s, longCode);
        QVERIFY(name.size() <= store::SettingNameLength);
        QVERIFY(name != store::userSettingName(u"ULTIMA_CARPETA"_s, longCode.left(59) + u'b'));
        QVERIFY(!store::writeUserSetting(db->connectionName(), u"OPER1"_s, u"ULTIMA_CARPETA"_s,
                                         QString(256, u'x')));
        QCOMPARE(store::readUserSetting(db->connectionName(), u"OPER1"_s, u"ULTIMA_CARPETA"_s),
                 QDir::cleanPath(chosenFolder));
    }

    void nextKey_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<qlonglong>("expected");
        // The keys come back as texts from either engine: the cases on SQLite, one on both.
        QTest::newRow("empty") << Kind::Sqlite << u""_s << 1LL;
        QTest::newRow("numeric") << Kind::Sqlite << u"0001 0009 0010"_s << 11LL;
        QTest::newRow("mixed") << Kind::Sqlite << u"ABC 0012 9A -50 1.5 7"_s << 13LL;
        QTest::newRow("mixed, postgresql")
            << Kind::PostgreSql << u"ABC 0012 9A -50 1.5 7"_s << 13LL;
        QTest::newRow("none numeric") << Kind::Sqlite << u"ABC X1"_s << 1LL;
        QTest::newRow("past four digits") << Kind::Sqlite << u"0999 9999"_s << 10000LL;
    }
    void nextKey()
    {
        openServices();
        KESTA_REQUIRE(*db);
        QFETCH(QString, keys);
        QFETCH(qlonglong, expected);
        for (const QString &key : keys.split(u' ', Qt::SkipEmptyParts)) // two line types each
            db->exec(u"INSERT INTO Layout (Ly_Cve_Layout, Ly_ID) VALUES ('%1', '0001'), "
                     "('%1', '0002')"_s.arg(key));
        QCOMPARE(tool->NextKey(u"Layout"_s, u"Ly_Cve_Layout"_s), expected);
    }

    void lookupValue_data() { engines(); }
    void lookupValue()
    {
        openServices();
        KESTA_REQUIRE(*db);
        db->exec(u"INSERT INTO Layout (Ly_Cve_Layout, Ly_ID, Ly_Descripcion, Ly_Posicion) VALUES "
                 "('0001', '0001', 'Extracto', 7), ('O''B', '0001', 'Con apostrofo', 1), "
                 "('NUL', '0001', NULL, 1)"_s);
        auto lookup = [this](const QString &key, const QString &column = u"Ly_Descripcion"_s) {
            return tool->LookupValue(u"Layout"_s, u"Ly_Cve_Layout"_s, key, column);
        };
        QCOMPARE(lookup(u"0001"_s) + lookup(u"0001"_s, u"Ly_Posicion"_s), u"Extracto7"_s);
        QCOMPARE(lookup(u"O'B"_s), u"Con apostrofo"_s);
        QCOMPARE(lookup(u"9999"_s) + lookup(u"NUL"_s), QString());
        // A key that would close the literal finds nothing; a missing column is the database's
        // error.
        QCOMPARE(lookup(u"x' OR '1'='1"_s), QString());
        QVERIFY_THROWS_EXCEPTION(RuntimeError, lookup(u"0001"_s, u"No_Existe"_s));
        // A connection closed after it was lost is opened again for the next lookup.
        QSqlDatabase::database(db->connectionName(), false).close();
        QCOMPARE(lookup(u"0001"_s), u"Extracto"_s);
    }

    void identifiersAreChecked_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("bad");
        // Refused before any statement is made: one engine is enough.
        for (const QString &bad : {u"Layout; DROP TABLE x"_s, u"Ly_Cve_Layout--"_s, u"\"Layout\""_s,
                                   u""_s, u"dbo.Layout"_s, u"Descripción"_s})
            QTest::newRow(qPrintable(bad.isEmpty() ? u"empty"_s : bad)) << Kind::Sqlite << bad;
    }
    void identifiersAreChecked()
    {
        openServices();
        KESTA_REQUIRE(*db);
        QFETCH(QString, bad);
        db->exec(u"CREATE TABLE x (a INTEGER)"_s);
        const QString table = u"Layout"_s, key = u"Ly_Cve_Layout"_s, wanted = u"Ly_Descripcion"_s;
        QVERIFY_THROWS_EXCEPTION(RuntimeError, tool->LookupValue(bad, key, u"1"_s, wanted));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, tool->LookupValue(table, bad, u"1"_s, wanted));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, tool->LookupValue(table, key, u"1"_s, bad));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, tool->NextKey(bad, key));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, tool->NextKey(table, bad));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, tool->LogAction(bad, u"1"_s, u"Baja"_s));
        // Nothing ran: the table x is still there and the action record is empty.
        QCOMPARE(count(u"x"_s) + count(u"Velkora_Bitacora"_s), 0);
    }

    void logAction_data() { engines(); }
    void logAction()
    {
        openServices();
        KESTA_REQUIRE(*db);
        // Inside the caller's transaction: a rollback takes the entry back, a commit keeps it.
        auto connection = core->Connection();
        connection->BeginTrans();
        tool->LogAction(u"Layout"_s, u"0007"_s, u"Baja"_s);
        connection->RollbackTrans();
        QCOMPARE(count(u"Velkora_Bitacora"_s), 0);
        connection->BeginTrans();
        tool->LogAction(u"Layout"_s, u"0007"_s, u"Baja"_s);
        tool->LogAction(u"Layout"_s, u"O'B"_s, u"Reactivación"_s);
        connection->CommitTrans();

        QCOMPARE(db->rows(u"SELECT Bi_Tabla, Bi_Clave, Bi_Accion, Bi_Operador FROM "
                          "Velkora_Bitacora ORDER BY Bi_ID"_s),
                 (QStringList{u"Layout|0007|Baja|OPER1"_s, u"Layout|O'B|Reactivación|OPER1"_s}));
        const QDateTime now = QDateTime::currentDateTime();
        for (auto rows = connection->Execute(u"SELECT Bi_Fecha FROM Velkora_Bitacora"_s);
             !rows->EndOfSet(); rows->MoveNext())
            QVERIFY(qAbs(rows->Field(u"Bi_Fecha"_s).toDateTime().secsTo(now)) < 60);
    }

    void dateTexts_data()
    {
        QTest::addColumn<Engine>("texts");
        QTest::addColumn<QString>("expected");
        QTest::newRow("sqlite") << Engine::Sqlite << u"2026-01-02|2026-01-02 23:59:58"_s;
        QTest::newRow("postgresql") << Engine::PostgreSql << u"2026-01-02|2026-01-02 23:59:58"_s;
        QTest::newRow("sqlserver") << Engine::SqlServer << u"20260102|2026-01-02T23:59:58"_s;
    }
    void dateTexts()
    {
        QFETCH(Engine, texts);
        QFETCH(QString, expected);
        const QDateTime when(QDate(2026, 1, 2), QTime(23, 59, 58, 640));
        QCOMPARE(store::dateText(texts, when.date()) + u'|' + store::stampText(texts, when),
                 expected);
        QVERIFY_THROWS_EXCEPTION(RuntimeError, store::stampText(texts, QDateTime()));
    }

    void datesRoundTrip_data() { engines(); }
    void datesRoundTrip()
    {
        openServices();
        KESTA_REQUIRE(*db);
        // Day and month that could be swapped, a stamp just before midnight, written as the
        // screen writes them (between apostrophes), come back from the engine.
        const QDate date(2026, 3, 4);
        const QDateTime stamp(QDate(2026, 12, 6), QTime(23, 59, 58));
        auto connection = core->Connection();
        connection->Execute(u"INSERT INTO Layout (Ly_Cve_Layout, Ly_ID, Ly_UserDef_5, Fecha_Alta, "
                            "Fecha_Baja) VALUES ('1', '0001', '%1', '%2', '%3')"_s.arg(
                                tool->FormatDate(date), tool->FormatDateTime(stamp),
                                tool->FormatDateTime(tool->CurrentDateTime())));
        auto rows =
            connection->Execute(u"SELECT Ly_UserDef_5, Fecha_Alta, Fecha_Baja FROM Layout"_s);
        QCOMPARE(rows->Field(u"Ly_UserDef_5"_s).toDate(), date);
        QCOMPARE(rows->Field(u"Fecha_Alta"_s).toDateTime(), stamp);
        const QDateTime now = rows->Field(u"Fecha_Baja"_s).toDateTime();
        QVERIFY(qAbs(now.secsTo(QDateTime::currentDateTime())) < 60);
    }

    void testAndScriptThroughTheServices_data() { engines(); }
    void testAndScriptThroughTheServices()
    {
        openServices();
        KESTA_REQUIRE(*db);
        const QString sampleDir = folder.filePath(QString::number(int(db->kind())));
        store::seedSample(db->connectionName(), sampleDir);

        // The sample format on its sample file, every line shown (the screen's test reads the
        // text on SQLite).
        const QString text = tool->TestLoadFormat(0, u"0001"_s, u"|"_s);
        QVERIFY(tool->LastError().isEmpty());
        const QStringList lines = text.split(u'\n');
        QVERIFY(lines.contains(u"Archivo|"_s + sampleDir + u"/extracto_0001.txt"_s));
        QVERIFY(lines.contains(u"6|0003|4|23900.10|4600.75"_s));
        // A positive mode is the number of lines shown in full.
        QVERIFY(tool->TestLoadFormat(2, u"0001"_s, u"|"_s)
                    .contains(u"... 4 línea(s) más no se muestran"_s));

        // A test that cannot run: an empty text and LastError says why, until the next call.
        QCOMPARE(tool->TestLoadFormat(0, u"9999"_s, u"|"_s), QString());
        QCOMPARE(tool->LastError(), u"No existe el formato de carga '9999'."_s);
        QCOMPARE(tool->LastError(), u"No existe el formato de carga '9999'."_s);
        tool->FormatDate(QDate(2026, 12, 6));
        QCOMPARE(tool->LastError(), QString());
        QFile::remove(sampleDir + u"/extracto_0001.txt"_s);
        QCOMPARE(tool->TestLoadFormat(0, u"0001"_s, u"|"_s), QString());
        QVERIFY(tool->LastError().endsWith(u"extracto_0001.txt' no existe."_s));

        // The script: a refused statement raises and sets LastError; the next call clears it.
        QVERIFY_THROWS_EXCEPTION(RuntimeError,
                                 tool->ScriptRows(u"DELETE FROM Layout"_s, u"Layout"_s));
        QVERIFY(tool->LastError().startsWith(u"El script se hace de una sola instrucción SELECT"_s));
        const QString script = tool->ScriptRows(
            u"SELECT * FROM Layout_Detalle WHERE Ly_Cve_Layout = '0001' "_s, u"LAYOUT_DETALLE"_s);
        QVERIFY(tool->LastError().isEmpty());
        // The table as the engine stores it ("layout_detalle" on PostgreSQL).
        QCOMPARE(script.count(u"INSERT INTO Layout_Detalle ("_s, Qt::CaseInsensitive), 13);
    }

    void textViewerFindsCopiesAndSaves()
    {
        const QString content = u"uno\ndos\nTres\ntres y tres\niW0. ñÉ|m\n"_s;
        services::TextViewerDialog viewer(content, QString());
        viewer.show();
        // Shown modally by ShowText (as the views' tests see it), and resizable.
        QVERIFY(viewer.isSizeGripEnabled() && viewer.minimumSize() != viewer.maximumSize());
        QVERIFY(QTest::qWaitForWindowActive(&viewer));
        auto *text = viewer.findChild<QPlainTextEdit *>(u"txtTexto"_s);
        auto *find = viewer.findChild<QLineEdit *>(u"txtBuscar"_s);
        auto *status = viewer.findChild<QLabel *>(u"lblBuscar"_s);
        QVERIFY(text && find && status && !find->isVisible());
        QCOMPARE(viewer.windowTitle(), u"Velkora"_s);
        // Every character takes the same width as the text is laid out on screen: narrow,
        // wide, blank, punctuation and accented characters alike.
        const QTextLayout *layout = text->document()->findBlockByNumber(4).layout();
        QVERIFY(layout && layout->lineCount() == 1);
        const QTextLine line = layout->lineAt(0);
        QCOMPARE(line.cursorToX(9) - line.cursorToX(0),
                 9 * (line.cursorToX(1) - line.cursorToX(0)));

        QTest::keySequence(&viewer, QKeySequence::Find);
        QTRY_VERIFY(find->isVisible() && find->hasFocus());
        QTest::keyClicks(find, u"tres"_s);
        QTest::keyClick(find, Qt::Key_Return);
        QVERIFY(viewer.isVisible()); // Enter finds, it does not close the window
        QCOMPARE(text->textCursor().selectedText(), u"Tres"_s); // without regard to case
        // Where each find ends, "line:column": on to the next ones, round to the first and,
        // with Shift, back to the last.
        const auto at = [text] {
            return u"%1:%2"_s.arg(text->textCursor().blockNumber())
                .arg(text->textCursor().positionInBlock());
        };
        QStringList stops{at()};
        for (const auto modifier :
             {Qt::NoModifier, Qt::NoModifier, Qt::NoModifier, Qt::ShiftModifier}) {
            QTest::keyClick(&viewer, Qt::Key_F3, modifier);
            stops << at();
        }
        QCOMPARE(stops, (QStringList{u"2:4"_s, u"3:4"_s, u"3:11"_s, u"2:4"_s, u"3:11"_s}));
        QVERIFY(status->text().isEmpty());

        find->setFocus();
        find->selectAll();
        QTest::keyClicks(find, u"cuatro"_s);
        QTest::keyClick(find, Qt::Key_Return);
        QCOMPARE(status->text(), u"No se encontró «cuatro»."_s);
        QCOMPARE(at(), u"3:11"_s); // the selection stays

        QTest::keyClick(find, Qt::Key_Escape); // hides the find box, keeps the window
        QVERIFY(!find->isVisible() && viewer.isVisible());

        // Copy: the selection, or the whole text when nothing is selected.
        auto *copy = viewer.findChild<QPushButton *>(u"cmdCopiar"_s);
        auto *save = viewer.findChild<QPushButton *>(u"cmdGuardar"_s);
        QVERIFY(copy && save);
        QTest::mouseClick(copy, Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), u"tres"_s);
        text->moveCursor(QTextCursor::End);
        QTest::mouseClick(copy, Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), content);

        const QString path = folder.filePath(u"guardado.txt"_s);
        QString suggested;
        services::setTextFileChooser([&](QWidget *, const QString &name) {
            suggested = name;
            return path;
        });
        QTest::mouseClick(save, Qt::LeftButton);
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(saved.readAll()), content);
        QCOMPARE(suggested, u"velkora.txt"_s);

        services::setTextFileChooser([](QWidget *, const QString &) { return QString(); });
        QVERIFY(!viewer.save()); // cancelled

        // A file that cannot be written is reported, and nothing else happens.
        services::setTextFileChooser(
            [](QWidget *, const QString &) { return u"/nonexistent/folder/x.txt"_s; });
        bool found = false;
        QString message;
        whenShown<services::MessageBox>(
            [&](services::MessageBox *box) {
                message = box->text();
                box->button(QMessageBox::Ok)->click();
            },
            &found);
        QVERIFY(!viewer.save());
        QVERIFY(found);
        QVERIFY(
            message.startsWith(u"No se pudo guardar el texto en '/nonexistent/folder/x.txt'"_s));
    }

    void recordToolShowsStateAuditAndHistory_data() { engines(); }
    void recordToolShowsStateAuditAndHistory()
    {
        openServices();
        KESTA_REQUIRE(*db);
        store::seedSample(db->connectionName(), folder.filePath(u"record"_s));
        db->exec(u"UPDATE Layout SET Fecha_Alta = '2026-12-01 08:00:00', Oper_Ult_Modif = 'LUIS', "
                "Fecha_Ult_Modif = '2026-12-07 09:15:00', Es_Cve_Estado = 'BA', Oper_Baja = "
                "'LUIS', Fecha_Baja = '2026-12-07 09:15:00' WHERE Ly_Cve_Layout = '0001'"_s);
        tool->LogAction(u"Layout"_s, u"0001"_s, u"Baja"_s);
        tool->LogAction(u"Layout"_s, u"0002"_s, u"Baja"_s); // another key

        bool found = false;
        QStringList seen;
        whenShown<services::RecordToolDialog>(
            [&](services::RecordToolDialog *dialog) {
                seen = recordLabels(dialog);
                const QTableWidget *history = dialog->history();
                seen << QString::number(history->rowCount()) << history->item(0, 1)->text()
                     << history->item(0, 2)->text() << QString::number(dialog->grid()->rowCount());
                dialog->findChild<QPushButton *>(u"cmdCerrar"_s)->click();
            },
            &found);
        tool->CreateRecordTool()->OpenRecord(u"Layout"_s, u"Ly_Cve_Layout"_s, u"0001"_s, {}, {},
                                             {}, {});
        QVERIFY(found);
        QCOMPARE(seen, (QStringList{u"Dado de baja"_s, u"SISTEMA, 2026-12-01 08:00:00"_s,
                                    u"LUIS, 2026-12-07 09:15:00"_s, u"LUIS, 2026-12-07 09:15:00"_s,
                                    u"1"_s, u"Baja"_s, u"OPER1"_s, u"3"_s}));
    }

    void recordToolOfAnActiveRecord()
    {
        services::RecordRows rows;
        rows.columns = {u"ly_cve_layout"_s, u"es_cve_estado"_s, u"oper_alta"_s,
                        u"fecha_alta"_s,    u"oper_baja"_s,     u"fecha_baja"_s};
        rows.rows = {{u"0001"_s, u"AC"_s, u"ANA"_s, QDateTime(QDate(2026, 12, 1), QTime(8, 0)),
                      u""_s, QVariant()}};
        services::RecordToolDialog dialog(u"Layout"_s, u"0001"_s, rows, {});
        // No columns of the last change: a dash.
        QCOMPARE(recordLabels(&dialog),
                 (QStringList{u"Activo"_s, u"ANA, 2026-12-01 08:00:00"_s, u"—"_s, u"No"_s}));
        QCOMPARE(dialog.history()->rowCount(), 0);
    }
};

void TestServices::failuresAreToldApart_data()
{
    QTest::addColumn<QString>("driver");
    QTest::addColumn<Engine>("engine");
    QTest::addColumn<QString>("nativeCode");
    // Each ODBC diagnostic record as "SQLSTATE native-code".
    QTest::addColumn<QStringList>("records");
    QTest::addColumn<FailureKind>("kind");
    QTest::addColumn<QString>("text");
    const auto conflict = FailureKind::Conflict, lost = FailureKind::LostConnection,
               other = FailureKind::Other;
    const auto row = [](const char *name, const char *driver, Engine engine, const char *code,
                        const QStringList &records, FailureKind kind, const QString &text) {
        QTest::newRow(name) << QString::fromLatin1(driver) << engine
                            << (code ? QString::fromLatin1(code) : QString()) << records << kind
                            << text;
    };
    const Engine sqlServer = Engine::SqlServer, postgres = Engine::PostgreSql;

    // SQL Server through FreeTDS, as Qt 6.4's ODBC driver reports it: the records' texts in
    // one, the last record's number; the records themselves from the statement's handle.
    const QString duplicate = u"[FreeTDS][SQL Server]Violation of PRIMARY KEY constraint "
                              "'PK_Layout'. [FreeTDS][SQL Server]The statement has been "
                              "terminated."_s;
    row("SQL Server duplicate key, then 3621", "QODBC", sqlServer, "3621",
        {u"23000 2627"_s, u"01000 3621"_s}, conflict, duplicate);
    row("SQL Server duplicate in a unique index", "QODBC", sqlServer, "3621",
        {u"23000 2601"_s, u"01000 3621"_s}, conflict,
        u"[FreeTDS][SQL Server]Cannot insert duplicate key row"_s);
    row("SQL Server numbers joined, no records", "QODBC", sqlServer, "2627;3621", {}, conflict,
        duplicate);
    row("SQL Server deadlock victim", "QODBC", sqlServer, "1205", {u"40001 1205"_s}, conflict,
        u"[FreeTDS][SQL Server]Transaction (Process ID 57) was deadlocked"_s);
    row("SQL Server NULL refused is no conflict", "QODBC", sqlServer, "3621",
        {u"23000 515"_s, u"01000 3621"_s}, other,
        u"[FreeTDS][SQL Server]Cannot insert the value NULL into column 'Ly_ID'"_s);
    row("SQL Server link failure", "QODBC", sqlServer, "20006", {u"08S01 20006"_s}, lost,
        u"[FreeTDS][SQL Server]Write to the server failed"_s);
    row("SQL Server link failure after a duplicate", "QODBC", sqlServer, "0",
        {u"23000 2627"_s, u"08S01 0"_s}, lost, duplicate);
    // PostgreSQL through psqlODBC: its SQLSTATEs; its native numbers are its own, not SQL
    // Server's.
    row("psqlODBC duplicate key", "QODBC", postgres, "1", {u"23505 1"_s}, conflict,
        u"ERROR: duplicate key value violates unique constraint \"pk_layout\""_s);
    row("psqlODBC number 2627 is not SQL Server's", "QODBC", postgres, "2627", {u"42000 2627"_s},
        other, u"ERROR: something"_s);
    row("psqlODBC terminated", "QODBC", postgres, "35", {u"57P01 35"_s}, lost,
        u"FATAL: terminating connection due to administrator command"_s);
    // PostgreSQL's own driver gives the SQLSTATE as the native code; SQLite its result code.
    row("QPSQL serialization failure", "QPSQL", postgres, "40001", {}, conflict,
        u"could not serialize access"_s);
    row("QPSQL NOT NULL is no conflict", "QPSQL", postgres, "23502", {}, other,
        u"null value in column"_s);
    row("QPSQL connection failure", "QPSQL", postgres, "08006", {}, lost, u"connection failure"_s);
    row("QPSQL server gone, no code", "QPSQL", postgres, nullptr, {}, lost,
        u"server closed the connection unexpectedly"_s);
    row("SQLite busy snapshot", "QSQLITE", Engine::Sqlite, "517", {}, conflict,
        u"database is locked"_s);
    row("SQLite unique", "QSQLITE", Engine::Sqlite, "2067", {}, conflict,
        u"UNIQUE constraint failed"_s);
    row("SQLite NOT NULL is no conflict", "QSQLITE", Engine::Sqlite, "1299", {}, other,
        u"NOT NULL constraint failed"_s);
}

void TestServices::failuresAreToldApart()
{
    QFETCH(QString, driver);
    QFETCH(Engine, engine);
    QFETCH(QString, text);
    QFETCH(QString, nativeCode);
    QFETCH(QStringList, records);
    QFETCH(FailureKind, kind);
    QList<store::Diagnostic> diagnostics;
    for (const QString &record : records)
        diagnostics.append({record.section(u' ', 0, 0), record.section(u' ', 1, 1), text});
    const QSqlError error(driver + u": Unable to execute statement"_s, text,
                          QSqlError::StatementError, nativeCode);
    QCOMPARE(store::classifyFailure(driver, engine, error, diagnostics), kind);
}

// An "odbc:" location to PostgreSQL, through Debian's psqlODBC: the engine is the one the
// driver names, so the schema and every statement are PostgreSQL's; a write's transaction is
// serializable, as on PostgreSQL's own driver; a duplicate key's record says 23505. Texts,
// conflicts and lost connections through this driver: the storage tests' ODBC rows.
void TestServices::odbcLocationToPostgres()
{
    TestDatabase db(TestDatabase::Kind::OdbcPostgreSql); // the schema made through ODBC
    KESTA_REQUIRE(db);
    QSqlDatabase sql = QSqlDatabase::database(db.connectionName());
    QCOMPARE(sql.driverName(), u"QODBC"_s);
    QCOMPARE(store::engineOf(sql), Engine::PostgreSql);
    QVERIFY(store::hasSchema(db.connectionName()));
    store::SqlConnection connection(db.connectionName());
    connection.BeginTrans();
    auto isolation = connection.Execute(u"SHOW transaction_isolation"_s);
    QCOMPARE(isolation->Field(u"transaction_isolation"_s).toString(), u"serializable"_s);
    isolation.reset();
    connection.RollbackTrans();

    const QString insert = u"INSERT INTO Layout (Ly_Cve_Layout, Ly_ID) VALUES ('A1', '0001')"_s;
    db.exec(insert);
    QSqlQuery again(sql);
    QVERIFY(!again.exec(insert));
    const QList<store::Diagnostic> records = store::odbcDiagnostics(sql, again);
    QVERIFY(!records.isEmpty());
    QCOMPARE(records.first().sqlState, u"23505"_s);
    QVERIFY(records.first().text.contains(u"duplicate key"_s));
}

QTEST_MAIN(TestServices)
#include "tst_services.moc"
