// The toolbar's Copy, Test and Script on a shown load format: over the recording services for
// what the screen asks and shows, and over the real services on the sample database for what
// the user gets.

#include "DatabaseSetup.h"
#include "editor/EditFixture.h"
#include "store/Database.h"
#include "services/Services.h"
#include "views/RawLinesView.h"

#include <QCursor>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSqlRecord>
#include <QTimer>
#include <QToolButton>

using namespace kesta::test;

class tst_ExtraCommands : public QObject {
    Q_OBJECT

private slots:
    void copyStartsANewFormatWithTheContent_data();
    void copyStartsANewFormatWithTheContent();
    void testShowsTheResultOrWhyNot_data();
    void testShowsTheResultOrWhyNot();
    void testOnAnotherFile_data();
    void testOnAnotherFile();
    void scriptHoldsBothTablesInOrder_data()
    {
        QTest::addColumn<bool>("rulesTable");
        QTest::newRow("rules") << true;
        QTest::newRow("no table of rules") << false;
    }
    void scriptHoldsBothTablesInOrder();
    void sampleTestedAndScriptedForReal();
};

void tst_ExtraCommands::copyStartsANewFormatWithTheContent_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<QVariant>("automatic");
    QTest::addColumn<QString>("key");
    QTest::newRow("active") << "AC" << QVariant() << "";
    QTest::newRow("deactivated") << "BA" << QVariant() << "";
    QTest::newRow("automatic key") << "AC" << QVariant("1") << "0008";
}

void tst_ExtraCommands::copyStartsANewFormatWithTheContent()
{
    QFETCH(QString, state);
    QFETCH(QVariant, automatic);
    QFETCH(QString, key);
    TestDatabase db;
    KESTA_REQUIRE(db);
    writeTwoLineFormat(db);
    db.exec("UPDATE Layout SET Es_Cve_Estado = '" + state + "'");
    EditScreen s(db.connectionName());
    s.record->settings.insert("CAT_AUTOCLAVE", automatic);
    s.record->nextKey = 8;
    s.screen->KeyEditable = 1;
    s.typeKey("1");
    const QStringList header{s.text("txtDescripcion"), s.text("txtArchivo"), s.text("txtUser1"),
                             s.text("txtUser3")};
    const QStringList lines = gridRows(s.lineGrid());
    const QStringList store = storeRows(s.store());
    s.forget();

    s.command("B1");

    QCOMPARE(kesta::commands::modeName(s.screen->mode()), QStringLiteral("Editing new"));
    QVERIFY(!s.screen->Copying);
    QCOMPARE(s.keyBox()->text(), key);
    QCOMPARE(QStringList({s.text("txtDescripcion"), s.text("txtArchivo"), s.text("txtUser1"),
                          s.text("txtUser3")}),
             header);
    QCOMPARE(gridRows(s.lineGrid()), lines);
    QCOMPARE(storeRows(s.store()), store);
    QCOMPARE(s.toolbar()->B1Caption() + s.toolbar()->B2Caption(), QString());
    QCOMPARE(s.record->count("ClearScreen"), 0);

    // Saved under a new key, the copy stands beside the original, which is as it was.
    if (key.isEmpty())
        s.keys("0009");
    s.command("Save");
    QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
    const QString copy = key.isEmpty() ? "0009" : key;
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM Layout_Detalle WHERE Ly_Cve_Layout = '" + copy + "'")
                 .toInt(),
             3);
    QCOMPARE(
        db.scalar("SELECT MIN(Es_Cve_Estado) FROM Layout WHERE Ly_Cve_Layout = '0001'").toString(),
        state);
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM Layout WHERE Ly_Cve_Layout = '" + copy +
                       "' AND "
                       "Es_Cve_Estado = 'AC'")
                 .toInt(),
             2);
}

void tst_ExtraCommands::testShowsTheResultOrWhyNot_data()
{
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("lastError");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<QString>("message");
    QTest::newRow("result") << "1|H|x"
                            << "" << true << "";
    QTest::newRow("could not run") << ""
                                   << "No existe el archivo x.txt" << false << "7500019";
    QTest::newRow("nothing to say") << ""
                                    << "" << false << "";
}

void tst_ExtraCommands::testShowsTheResultOrWhyNot()
{
    QFETCH(QString, result);
    QFETCH(QString, lastError);
    QFETCH(bool, shown);
    QFETCH(QString, message);
    TestDatabase db;
    KESTA_REQUIRE(db);
    writeTwoLineFormat(db);
    EditScreen s(db.connectionName());
    s.typeKey("1");
    s.record->testResult = result;
    s.record->lastError = lastError;
    // The application's pointer while the services test the load format.
    QString pointer;
    s.record->duringCall = [&](const QString &call) {
        if (call == "TestLoadFormat")
            pointer = QApplication::overrideCursor()
                          ? QString::number(QApplication::overrideCursor()->shape())
                          : QStringLiteral("none");
    };
    s.forget();

    s.command("B2");

    QCOMPARE(s.record->lastCall("TestLoadFormat"), QStringLiteral("TestLoadFormat(0|0001||)"));
    QCOMPARE(s.record->count("ShowText"), shown ? 1 : 0);
    if (shown)
        QCOMPARE(s.record->lastCall("ShowText"),
                 "ShowText(" + result + "|Prueba del formato 0001|0|0|-1|-1|7|-1)");
    if (message.isEmpty()) {
        QVERIFY(s.record->messages.isEmpty());
    } else {
        verifyMessage(s, message, 16, "ERROR");
        QCOMPARE(s.record->messages.first().text, lastError);
    }
    QCOMPARE(pointer, QString::number(Qt::WaitCursor)); // the hourglass while it runs
    QVERIFY(!QApplication::overrideCursor());           // and back to normal after
}

void tst_ExtraCommands::testOnAnotherFile_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("chosen"); // empty: the user cancels the file dialog
    QTest::newRow("menu") << "menu"
                          << "/datos/otro mes.txt";
    QTest::newRow("Shift+click") << "shift"
                                 << "/datos/otro.txt";
    QTest::newRow("key") << "key"
                         << "/datos/otro.txt";
    QTest::newRow("cancelled") << "menu"
                               << "";
}

void tst_ExtraCommands::testOnAnotherFile()
{
    QFETCH(QString, how);
    QFETCH(QString, chosen);
    TestDatabase db;
    KESTA_REQUIRE(db);
    writeTwoLineFormat(db);
    EditScreen s(db.connectionName());
    s.typeKey("1");
    s.record->testResult = QStringLiteral("1|H|x");
    if (!chosen.isEmpty())
        s.record->chosenFiles << chosen;
    s.forget();

    velkora::controls::Controles *bar = s.toolbar();
    QAction *choice = bar->action("B2Archivo");
    QVERIFY(choice && bar->isOffered("B2Archivo"));
    QCOMPARE(choice->text(), QStringLiteral("Probar con otro archivo..."));
    auto *button = qobject_cast<QToolButton *>(
        bar->findChild<QToolBar *>()->widgetForAction(bar->action("B2")));
    QVERIFY(button && button->menu() && button->menu()->actions().contains(choice));
    if (how == "menu")
        choice->trigger();
    else if (how == "shift")
        QTest::mouseClick(button, Qt::LeftButton, Qt::ShiftModifier);
    else
        QTest::keySequence(s.screen.get(), choice->shortcut());

    QCOMPARE(s.record->count("ChooseOpenFile"), 1);
    QCOMPARE(s.record->count("TestLoadFormat"), 0); // never the stored file instead
    if (chosen.isEmpty()) {
        QCOMPARE(s.record->count("TestLoadFormatFile"), 0);
        QCOMPARE(s.record->count("ShowText"), 0);
    } else {
        QCOMPARE(s.record->lastCall("TestLoadFormatFile"),
                 "TestLoadFormatFile(0|0001|||" + chosen + ")");
        QCOMPARE(s.record->lastCall("ShowText"), "ShowText(1|H|x|Prueba del formato 0001 con " +
                                                     QFileInfo(chosen).fileName() +
                                                     "|0|0|-1|-1|7|-1)");
    }
    QVERIFY(s.record->messages.isEmpty());
    // A plain click is the stored file's test, as before.
    s.forget();
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(s.record->count("TestLoadFormat"), 1);
    QCOMPARE(s.record->count("ChooseOpenFile"), 0);
}

void tst_ExtraCommands::scriptHoldsBothTablesInOrder()
{
    TestDatabase db;
    KESTA_REQUIRE(db);
    QFETCH(bool, rulesTable);
    writeTwoLineFormat(db);
    if (!rulesTable)
        db.exec("DROP TABLE Layout_Regla");
    EditScreen s(db.connectionName());
    s.typeKey("1");
    // The load reads the rules only where their table is.
    QCOMPARE(s.record->statements.filter("Layout_Regla").isEmpty(), !rulesTable);
    s.forget();
    s.command("B3");
    QStringList calls{"ScriptRows(SELECT * FROM Layout WHERE Ly_Cve_Layout = '0001' |Layout)",
                      "ScriptRows(SELECT * FROM Layout_Detalle WHERE Ly_Cve_Layout = '0001' "
                      "|LAYOUT_DETALLE)"};
    QString shown = QStringLiteral("-- Layout\r\n-- LAYOUT_DETALLE\r\n");
    if (rulesTable) {
        // The rules' rows after the fields'.
        calls << "ScriptRows(SELECT * FROM Layout_Regla WHERE Ly_Cve_Layout = '0001' "
                 "|LAYOUT_REGLA)";
        shown += QStringLiteral("-- LAYOUT_REGLA\r\n");
    }
    QCOMPARE(s.record->calls.filter("ScriptRows"), calls);
    QCOMPARE(s.record->lastCall("ShowText"),
             QStringLiteral("ShowText(%1|Script del formato 0001|0|0|-1|-1|7|-1)").arg(shown));

    s.record->failOn = QStringLiteral("ScriptRows");
    s.forget();
    s.command("B3");
    verifyMessage(s, "7500020", 16, "Controles_B3Click()");
    QCOMPARE(s.record->count("ShowText"), 0);
}

// On the sample database with the real services: "Probar" shows the sample file read by the
// sample format, and "Script" a script that recreates the format on an empty database.
void tst_ExtraCommands::sampleTestedAndScriptedForReal()
{
    QTemporaryDir folder;
    const QString location = folder.filePath("velkora.db");
    velkora::app::DatabaseSetup::open(velkora::services::DefaultConnectionName, location, false);
    qputenv("VELKORA_DATABASE", location.toUtf8());
    qputenv("VELKORA_OPERATOR", "PRUEBA");
    kesta::Publico::resetForTests();
    kesta::Publico::setServicesFactories(velkora::services::createCoreServices,
                                         velkora::services::createToolServices);
    {
        kesta::screen::frmKESTA screen;
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        auto *key = screen.findChild<velkora::controls::TextBox *>("txtClave");
        key->setFocus();
        QTest::keyClicks(key, "1");
        QTest::keyClick(key, Qt::Key_Return);
        std::pair<int, int> highlighted{-2, -2};
        const auto viewerText = [&](const QString &command) {
            QString text;
            QTimer::singleShot(0, [&] {
                auto *viewer = qobject_cast<QDialog *>(QApplication::activeModalWidget());
                if (viewer) {
                    text = viewer->findChild<QPlainTextEdit *>("txtTexto")->toPlainText();
                    if (auto *lines = viewer->findChild<velkora::views::RawLinesView *>())
                        highlighted = {lines->highlightedLineType(), lines->highlightedField()};
                    viewer->reject();
                }
            });
            screen.Controles->action(command)->trigger();
            return text;
        };

        // The field chosen in the field grid (line type 0002's third field, "Referencia") is
        // the one highlighted on the file's lines.
        auto *lines = screen.findChild<velkora::controls::DataGrid *>("ssLinea");
        auto *fields = screen.findChild<velkora::controls::DataGrid *>("ssDetalle");
        QVERIFY(lines->setCurrentRow(1));
        QCOMPARE(fields->cell(2, "Descripción").toString(), QStringLiteral("Referencia"));
        QVERIFY(fields->setCurrentRow(2));
        const QString result = viewerText("B2");
        QCOMPARE(highlighted, std::make_pair(1, 2));
        QVERIFY2(result.contains("\n2|0002|2026-12-01|DEPOSITO EN EFECTIVO|"),
                 qPrintable(result.left(1200)));
        QVERIFY2(result.contains(
                     "Resultado|cada línea tiene un tipo de línea y ningún campo tiene error"),
                 qPrintable(result.right(600)));

        const QString script = viewerText("B3");
        QVERIFY(script.indexOf("INSERT INTO Layout") <
                script.indexOf("INSERT INTO LAYOUT_DETALLE"));
        // Run on an empty database, the script recreates the rows.
        TestDatabase empty;
        KESTA_REQUIRE(empty);
        QSqlDatabase target = QSqlDatabase::database(empty.connectionName());
        for (const QString &line :
             script.split(QRegularExpression("[\r\n]+"), Qt::SkipEmptyParts)) {
            if (!line.startsWith("INSERT"))
                continue;
            QSqlQuery query(target);
            QVERIFY2(query.exec(line), qPrintable(query.lastError().text() + "\n" + line));
        }
        QSqlDatabase source = QSqlDatabase::database(velkora::services::DefaultConnectionName);
        for (const char *table : {"Layout", "Layout_Detalle"}) {
            const QString select = QString("SELECT * FROM %1 ORDER BY 1, 2, 3").arg(table);
            QSqlQuery a(source), b(target);
            QVERIFY(a.exec(select) && b.exec(select));
            int rows = 0;
            while (a.next()) {
                QVERIFY(b.next());
                for (int c = 0; c < a.record().count(); ++c)
                    QCOMPARE(b.value(c).toString(), a.value(c).toString());
                ++rows;
            }
            QVERIFY(rows > 0 && !b.next());
        }
    }
    kesta::Publico::resetForTests();
    velkora::services::closeDatabase(velkora::services::DefaultConnectionName);
}

QTEST_MAIN(tst_ExtraCommands)
#include "tst_extracommands.moc"
