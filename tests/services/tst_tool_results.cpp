// What the tool services give the screen's Test, Script and record commands, on SQLite and
// PostgreSQL: TestLoadFormat and LastError, ScriptRows, and the two windows that show the
// results (the text viewer and the record tool), driven as a user would.

#include "host/RuntimeError.h"
#include "store/Database.h"
#include "services/MessageBox.h"
#include "services/RecordToolDialog.h"
#include "services/TextViewerDialog.h"
#include "services/ToolServicesImpl.h"
#include "support/TestDatabase.h"

#include <QtSql>
#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;
using kesta::host::RuntimeError;
using kesta::test::TestDatabase;
namespace services = velkora::services;

namespace {

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

QString selected(QPlainTextEdit *edit)
{
    return edit->textCursor().selectedText();
}

} // namespace

class TestToolResults : public QObject {
    Q_OBJECT
    QTemporaryDir folder;

private slots:
    void cleanup() { services::setTextFileChooser({}); }

    void testAndScriptThroughTheServices_data()
    {
        QTest::addColumn<TestDatabase::Kind>("kind");
        QTest::newRow("sqlite") << TestDatabase::Kind::Sqlite;
        QTest::newRow("postgresql") << TestDatabase::Kind::PostgreSql;
    }
    void testAndScriptThroughTheServices()
    {
        QFETCH(TestDatabase::Kind, kind);
        TestDatabase db(kind);
        KESTA_REQUIRE(db);
        const QString sampleDir = folder.filePath(QString::number(int(kind)));
        services::seedSample(db.connectionName(), sampleDir);
        services::ToolServicesImpl tool(db.connectionName(), u"ANA"_s);

        // The sample format on its sample file, every line shown.
        const QString text = tool.TestLoadFormat(0, u"0001"_s, u"|"_s);
        QVERIFY(tool.LastError().isEmpty());
        const QStringList lines = text.split(u'\n');
        QVERIFY(lines.contains(u"Archivo|"_s + sampleDir + u"/extracto_0001.txt"_s));
        QVERIFY(lines.contains(u"1|0001|012345678901|BANCO DEL CENTRO SA|2026-12-05|MXN"_s));
        QVERIFY(lines.contains(u"6|0003|4|23900.10|4600.75"_s));
        QVERIFY(lines.contains(
            u"Resultado|cada línea tiene un tipo de línea y ningún campo tiene error"_s));
        // A positive mode is the number of lines shown in full.
        QVERIFY(tool.TestLoadFormat(2, u"0001"_s, u"|"_s)
                    .contains(u"... 4 línea(s) más no se muestran"_s));

        // A test that cannot run: an empty text and LastError says why, until the next call.
        QCOMPARE(tool.TestLoadFormat(0, u"9999"_s, u"|"_s), QString());
        QCOMPARE(tool.LastError(), u"No existe el formato de carga '9999'."_s);
        QCOMPARE(tool.LastError(), u"No existe el formato de carga '9999'."_s);
        tool.FormatDate(QDate(2026, 12, 6));
        QCOMPARE(tool.LastError(), QString());
        QFile::remove(sampleDir + u"/extracto_0001.txt"_s);
        QCOMPARE(tool.TestLoadFormat(0, u"0001"_s, u"|"_s), QString());
        QVERIFY(tool.LastError().endsWith(u"extracto_0001.txt' no existe."_s));

        // The script: a refused statement raises and sets LastError; the next call clears it.
        QVERIFY_THROWS_EXCEPTION(RuntimeError,
                                 tool.ScriptRows(u"DELETE FROM Layout"_s, u"Layout"_s));
        QVERIFY(tool.LastError().startsWith(u"El script se hace de una sola instrucción SELECT"_s));
        const QString script = tool.ScriptRows(
            u"SELECT * FROM Layout_Detalle WHERE Ly_Cve_Layout = '0001' "_s, u"LAYOUT_DETALLE"_s);
        QVERIFY(tool.LastError().isEmpty());
        QCOMPARE(script.count(u"INSERT INTO LAYOUT_DETALLE ("_s), 13);
    }

    void textViewerFinds()
    {
        services::TextViewerDialog viewer(u"uno\ndos\nTres\ntres y tres\niW0. ñÉ|m\n"_s, QString());
        viewer.show();
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
        const qreal step = line.cursorToX(1) - line.cursorToX(0);
        QVERIFY(step > 0);
        for (int n = 2; n <= 9; ++n)
            QCOMPARE(line.cursorToX(n) - line.cursorToX(0), n * step);

        QTest::keySequence(&viewer, QKeySequence::Find);
        QTRY_VERIFY(find->isVisible() && find->hasFocus());
        QTest::keyClicks(find, u"tres"_s);
        QTest::keyClick(find, Qt::Key_Return);
        QVERIFY(viewer.isVisible());         // Enter finds, it does not close the window
        QCOMPARE(selected(text), u"Tres"_s); // without regard to case
        QCOMPARE(text->textCursor().blockNumber(), 2);
        QTest::keyClick(&viewer, Qt::Key_F3);
        QCOMPARE(text->textCursor().positionInBlock(), 4);
        QTest::keyClick(&viewer, Qt::Key_F3);
        QCOMPARE(text->textCursor().positionInBlock(), 11);
        QTest::keyClick(&viewer, Qt::Key_F3); // wraps to the first one
        QCOMPARE(text->textCursor().blockNumber(), 2);
        QTest::keyClick(&viewer, Qt::Key_F3, Qt::ShiftModifier); // and back to the last
        QCOMPARE(text->textCursor().blockNumber(), 3);
        QCOMPARE(text->textCursor().positionInBlock(), 11);
        QVERIFY(status->text().isEmpty());

        find->setFocus();
        find->selectAll();
        QTest::keyClicks(find, u"cuatro"_s);
        QTest::keyClick(find, Qt::Key_Return);
        QCOMPARE(status->text(), u"No se encontró «cuatro»."_s);
        QCOMPARE(text->textCursor().blockNumber(), 3); // the selection stays

        QTest::keyClick(find, Qt::Key_Escape); // hides the find box, keeps the window
        QVERIFY(!find->isVisible() && viewer.isVisible());
    }

    void textViewerCopiesAndSaves()
    {
        const QString content = u"Año|Importe\n2026|1.500,00\n"_s;
        services::TextViewerDialog viewer(content, u"Prueba"_s);
        viewer.show();
        auto *text = viewer.findChild<QPlainTextEdit *>(u"txtTexto"_s);
        auto *copy = viewer.findChild<QPushButton *>(u"cmdCopiar"_s);
        auto *save = viewer.findChild<QPushButton *>(u"cmdGuardar"_s);
        QVERIFY(text && copy && save);

        QTest::mouseClick(copy, Qt::LeftButton); // nothing selected: the whole text
        QCOMPARE(QGuiApplication::clipboard()->text(), content);
        QTextCursor cursor = text->textCursor();
        cursor.setPosition(0);
        cursor.setPosition(3, QTextCursor::KeepAnchor);
        text->setTextCursor(cursor);
        QTest::mouseClick(copy, Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), u"Año"_s);

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

    void showTextIsModalAndResizable()
    {
        bool found = false;
        QString shown;
        bool resizable = false;
        whenShown<services::TextViewerDialog>(
            [&](services::TextViewerDialog *viewer) {
                shown = viewer->text();
                resizable =
                    viewer->isSizeGripEnabled() && viewer->minimumSize() != viewer->maximumSize();
                QTest::keyClick(viewer, Qt::Key_Escape);
            },
            &found);
        services::TextViewerImpl().ShowText(u"texto"_s, QString(), 0, 0, -1, -1, 7, -1);
        QVERIFY(found && resizable);
        QCOMPARE(shown, u"texto"_s);
    }

    void recordToolShowsStateAuditAndHistory_data() { testAndScriptThroughTheServices_data(); }
    void recordToolShowsStateAuditAndHistory()
    {
        QFETCH(TestDatabase::Kind, kind);
        TestDatabase db(kind);
        KESTA_REQUIRE(db);
        services::seedSample(db.connectionName(), folder.filePath(u"record"_s));
        db.exec(u"UPDATE Layout SET Fecha_Alta = '2026-12-01 08:00:00', Oper_Ult_Modif = 'LUIS', "
                "Fecha_Ult_Modif = '2026-12-07 09:15:00', Es_Cve_Estado = 'BA', Oper_Baja = "
                "'LUIS', Fecha_Baja = '2026-12-07 09:15:00' WHERE Ly_Cve_Layout = '0001'"_s);
        services::ToolServicesImpl tool(db.connectionName(), u"LUIS"_s);
        tool.LogAction(u"Layout"_s, u"0001"_s, u"Baja"_s);
        tool.LogAction(u"Layout"_s, u"0002"_s, u"Baja"_s); // another key

        bool found = false;
        QStringList seen;
        whenShown<services::RecordToolDialog>(
            [&](services::RecordToolDialog *dialog) {
                for (const char *name : {"lblEstado", "lblAlta", "lblUltModif", "lblBaja"})
                    seen << dialog->findChild<QLabel *>(QString::fromLatin1(name))->text();
                const QTableWidget *history = dialog->history();
                seen << QString::number(history->rowCount()) << history->item(0, 1)->text()
                     << history->item(0, 2)->text() << QString::number(dialog->grid()->rowCount());
                dialog->findChild<QPushButton *>(u"cmdCerrar"_s)->click();
            },
            &found);
        tool.CreateRecordTool()->OpenRecord(u"Layout"_s, u"Ly_Cve_Layout"_s, u"0001"_s, {}, {}, {},
                                            {});
        QVERIFY(found);
        QCOMPARE(seen, (QStringList{u"Dado de baja"_s, u"SISTEMA, 2026-12-01 08:00:00"_s,
                                    u"LUIS, 2026-12-07 09:15:00"_s, u"LUIS, 2026-12-07 09:15:00"_s,
                                    u"1"_s, u"Baja"_s, u"LUIS"_s, u"3"_s}));
    }

    void recordToolOfAnActiveRecord()
    {
        services::RecordRows rows;
        rows.columns = {u"ly_cve_layout"_s, u"es_cve_estado"_s, u"oper_alta"_s,
                        u"fecha_alta"_s,    u"oper_baja"_s,     u"fecha_baja"_s};
        rows.rows = {{u"0001"_s, u"AC"_s, u"ANA"_s, QDateTime(QDate(2026, 12, 1), QTime(8, 0)),
                      u""_s, QVariant()}};
        services::RecordToolDialog dialog(u"Layout"_s, u"0001"_s, rows, {});
        QCOMPARE(dialog.findChild<QLabel *>(u"lblEstado"_s)->text(), u"Activo"_s);
        QCOMPARE(dialog.findChild<QLabel *>(u"lblAlta"_s)->text(), u"ANA, 2026-12-01 08:00:00"_s);
        QCOMPARE(dialog.findChild<QLabel *>(u"lblUltModif"_s)->text(), u"—"_s); // no such columns
        QCOMPARE(dialog.findChild<QLabel *>(u"lblBaja"_s)->text(), u"No"_s);
        QCOMPARE(dialog.history()->rowCount(), 0);
    }
};

QTEST_MAIN(TestToolResults)
#include "tst_tool_results.moc"
