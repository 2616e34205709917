// The host application and the component as the host meets it: the component found by its
// registered names, created, asked for its screen, given an owner; the host's options and its
// window (the database set-up is the command line's test: tst_cli).

#include "AppOptions.h"
#include "ProposalSave.h"
#include "ComponentLoader.h"
#include "MainWindow.h"
#include "OwnerForm.h"
#include "SpanishLocale.h"
#include "load/LoadFixture.h"
#include "support/DataRows.h"
#include "support/RecordingServices.h"
#include "support/TestDatabase.h"

#include "host/RuntimeError.h"
#include "screen/frmKESTA.h"
#include "store/Database.h"

#include <QCalendarWidget>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTranslator>
#include <QtTest>

using kesta::screen::frmKESTA;
using kesta::test::TestDatabase;
using velkora::app::AppOptions;
using velkora::app::MainWindow;
using namespace Qt::StringLiterals;

class OwnerWithTransaction : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Transaccion READ Transaccion)
public:
    QString Transaccion() const { return QStringLiteral("TX-42"); }
};

namespace {

// The host's window over a fresh SQLite database and the recording services, made as the host
// makes it (deleted when it closes); open() opens its screen.
struct HostWindow {
    TestDatabase db;
    std::shared_ptr<kesta::test::ServicesRecord> record =
        kesta::test::installRecordingServices(db.connectionName());
    QPointer<MainWindow> window = new MainWindow;
    QString error;

    bool open()
    {
        window->setAttribute(Qt::WA_DeleteOnClose);
        error = db.error();
        return db.ok() && window->openScreen(&error);
    }
    ~HostWindow() { delete window; }
};

} // namespace

class TestApp : public QObject {
    Q_OBJECT

private slots:
    // The component first, before anything else in this process has used it.
    void initTestCase()
    {
        // Installed before the component is first used, so its start-up routine creates these.
        m_record = kesta::test::installRecordingServices();
        QString error;
        m_pantalla = velkora::app::ComponentLoader::create(QStringLiteral("KESTA"),
                                                           QStringLiteral("Pantalla"), &error);
        QVERIFY2(m_pantalla, qPrintable(error));
    }

    // GetPantalla gives one screen, created but not shown or prepared; the services are created
    // once, in order, however many Pantallas the host creates.
    void oneScreenAndServicesCreatedOnceInOrder()
    {
        frmKESTA *form = screen();
        QVERIFY(form);
        QCOMPARE(m_pantalla->property("GetPantalla").value<QObject *>(),
                 static_cast<QObject *>(form));
        QCOMPARE(form->objectName(), QStringLiteral("frmKESTA"));
        QVERIFY(!form->isVisible());
        QVERIFY(!form->loaded());
        QCOMPARE(m_record->count(QStringLiteral("GetSetting")), 0);

        const QStringList creates = m_record->calls.filter(QStringLiteral("create("));
        QCOMPARE(creates, (QStringList{QStringLiteral("create(CoreServices)"),
                                       QStringLiteral("create(ToolServices)")}));
        std::unique_ptr<QObject> second(m_pantalla->metaObject()->newInstance());
        QVERIFY(second);
        QCOMPARE(m_record->calls.filter(QStringLiteral("create(")).size(), 2);
        QCOMPARE(second->property("GetPantalla").value<QObject *>(), static_cast<QObject *>(form));
    }

    // (A component that is not installed at all: tst_cli's searchesOnlyItsOwnTree.)
    void unknownComponentIsReported()
    {
        QString error;
        QVERIFY(!velkora::app::ComponentLoader::create(QStringLiteral("KESTA"),
                                                       QStringLiteral("Otra"), &error));
        QVERIFY2(error.contains(QStringLiteral("KESTA.Otra")), qPrintable(error));
    }

    void ownerAndTransaction()
    {
        frmKESTA *form = screen();
        QVERIFY(!form->property("Padre").value<QObject *>());
        const int callsBefore = m_record->calls.size();
        // Without an owner, or with an owner that has no "Transaccion", nothing is resolved.
        QVERIFY_THROWS_EXCEPTION(kesta::host::RuntimeError, form->Transaccion());
        QObject plain;
        form->setPadre(&plain);
        QVERIFY_THROWS_EXCEPTION(kesta::host::RuntimeError, form->Transaccion());
        QCOMPARE(m_record->calls.size(), callsBefore);

        OwnerWithTransaction owner;
        QVERIFY(form->setProperty("Padre", QVariant::fromValue<QObject *>(&owner)));
        QCOMPARE(form->property("Padre").value<QObject *>(), static_cast<QObject *>(&owner));
        m_record->resolvedTransaction = QStringLiteral("Velkora/TX-42");
        QCOMPARE(form->property("Transaccion").toString(), QStringLiteral("Velkora/TX-42"));
        QCOMPARE(m_record->lastCall(QStringLiteral("ResolveTransaction")),
                 QStringLiteral("ResolveTransaction(TX-42|Velkora)"));
        form->setPadre(nullptr);
    }

    void options_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("envDatabase");
        QTest::addColumn<QString>("envOperator");
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("operatorCode");
        QTest::addColumn<bool>("help");
        QTest::addColumn<bool>("valid");

        const QString def = velkora::store::defaultDatabaseLocation();
        const QString user = AppOptions::signedInUser();
        // The arguments, VELKORA_DATABASE and VELKORA_OPERATOR, and the database and operator
        // they give (none: refused).
        const auto row = [](const char *name, const QString &arguments, const QStringList &env,
                            const QStringList &given, bool help = false) {
            QTest::newRow(name) << arguments.split(u' ', Qt::SkipEmptyParts) << env.value(0)
                                << env.value(1) << given.value(0) << given.value(1) << help
                                << !given.isEmpty();
        };
        row("defaults", "", {}, {def, user});
        row("environment", "", {"/tmp/x.db", "ANA"}, {"/tmp/x.db", "ANA"});
        row("command line wins", "--database postgresql://u:p@127.0.0.1:5433/v --operator LUIS",
            {"/tmp/x.db", "ANA"}, {"postgresql://u:p@127.0.0.1:5433/v", "LUIS"});
        row("help", "--help", {}, {def, user}, true);
        row("an unknown option", "--nonsense", {}, {});
        row("a stray word", "stray", {}, {});
    }

    void options()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, envDatabase);
        QFETCH(QString, envOperator);
        qputenv("VELKORA_DATABASE", envDatabase.toUtf8());
        qputenv("VELKORA_OPERATOR", envOperator.toUtf8());
        const AppOptions options =
            AppOptions::parse(QStringList{QStringLiteral("velkora")} + arguments);
        qunsetenv("VELKORA_DATABASE");
        qunsetenv("VELKORA_OPERATOR");
        QTEST(options.error.isEmpty(), "valid");
        QTEST(options.help, "help");
        if (options.error.isEmpty()) {
            QTEST(options.database, "database");
            QTEST(options.operatorCode, "operatorCode");
        }
    }

    // The host's window holds the screen, owned by the window's owner form. Alt+1 and Alt+2 switch
    // the tabs again and again: after each switch the focus is on a control of the screen (the
    // shown tab's first one), so the next key still reaches the screen. With a new load format and
    // a key typed, its close button and Salir ask before the edit is thrown away, No keeps the
    // window and the edit, Yes closes it (once).
    void windowSwitchesTabsAndKeepsAnUnsavedEdit()
    {
        HostWindow host;
        QVERIFY2(host.open(), qPrintable(host.error));
        MainWindow *window = host.window;
        QPointer<MainWindow> alive(window);
        auto &record = host.record;
        // Its title names the screen, never the database (whose location may hold a password).
        QCOMPARE(window->windowTitle(), QStringLiteral("Velkora - Formatos de carga"));
        QVERIFY(window->centralWidget()->isAncestorOf(window->screen()));
        QCOMPARE(window->screen()->property("Padre").value<QObject *>(),
                 static_cast<QObject *>(window->owner()));
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTRY_VERIFY(window->screen()->property("Transaccion").isValid());
        QWidget *keyBox = window->screen()->findChild<QWidget *>(QStringLiteral("txtClave"));
        QTRY_COMPARE(QApplication::focusWidget(), keyBox);
        auto *tabs = window->screen()->findChild<QTabWidget *>(QStringLiteral("ssTabZur"));
        for (const int tab : {1, 0, 1, 0, 1, 0}) {
            QTest::keyClick(QApplication::focusWidget(), tab == 1 ? Qt::Key_2 : Qt::Key_1,
                            Qt::AltModifier);
            QCOMPARE(tabs->currentIndex(), tab);
            QWidget *focus = QApplication::focusWidget();
            QVERIFY2(focus && window->screen()->isAncestorOf(focus) && focus->isEnabled(),
                     qPrintable(focus ? focus->objectName() : QStringLiteral("no focus")));
        }
        // Back on "General", the key box (its first control) has the focus.
        QCOMPARE(QApplication::focusWidget(), keyBox);
        QTest::keyClick(keyBox, Qt::Key_N, Qt::ControlModifier);
        QTest::keyClicks(keyBox, QStringLiteral("42"));
        record->messages.clear();

        const auto questions = [&record] {
            QStringList ids;
            for (const auto &m : record->messages)
                ids << m.messageId;
            return ids.join(' ');
        };
        record->answers = {7};
        QVERIFY(!window->close());
        record->answers = {7};
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Q, Qt::ControlModifier);
        QCoreApplication::processEvents();
        QVERIFY(alive && window->isVisible());
        QCOMPARE(questions(), QStringLiteral("ERR-ID:7500045 ERR-ID:7500045"));
        QCOMPARE(window->screen()->findChild<QLineEdit *>(QStringLiteral("txtClave"))->text(),
                 QStringLiteral("42"));

        record->answers = {6};
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Q, Qt::ControlModifier);
        QTRY_VERIFY(!alive);
        QCOMPARE(questions(), QStringLiteral("ERR-ID:7500045 ERR-ID:7500045 ERR-ID:7500045"));
    }

    // The window at its smallest, usual and wide sizes: below the screen's smallest size it
    // scrolls, and every control of the screen is whole within the screen (the toolbar's title
    // following the right edge is tst_screen's resizeRules); every grid column shows its caption
    // whole from the first showing, and its contents once a format is loaded.
    void windowSizes_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("scrolls");
        QTest::newRow("560x340") << QSize(560, 340) << true;
        QTest::newRow("640x400") << QSize(640, 400) << false; // the screen narrows to fit
        QTest::newRow("800x600") << QSize(800, 600) << false;
        QTest::newRow("1600x900") << QSize(1600, 900) << false;
    }

    void windowSizes()
    {
        QFETCH(QSize, size);
        QFETCH(bool, scrolls);
        HostWindow host;
        QVERIFY2(host.open(), qPrintable(host.error));
        TestDatabase &db = host.db;
        kesta::test::insertLine(db, {});
        kesta::test::insertField(db, {.description = "Fecha de pago",
                                      .position = 2,
                                      .length = 8,
                                      .trim = "NO",
                                      .formato = "YYYYMMDDHHMMSS",
                                      .tipo = "03"});
        MainWindow &window = *host.window;
        auto &record = host.record;
        window.resize(size);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QWidget *screen = window.screen();
        auto *area = window.findChild<QScrollArea *>(QStringLiteral("screenArea"));
        QVERIFY(area);
        QTRY_COMPARE(area->horizontalScrollBar()->maximum() > 0 ||
                         area->verticalScrollBar()->maximum() > 0,
                     scrolls);
        QVERIFY(screen->width() >= screen->minimumSizeHint().width());
        QVERIFY(screen->height() >= screen->minimumSizeHint().height());
        auto *fr1 = screen->findChild<QWidget *>(QStringLiteral("fr1"));
        for (QWidget *w : fr1->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (!w->isVisible())
                continue;
            const QRect inScreen(w->mapTo(screen, QPoint()), w->size());
            QVERIFY2(screen->rect().contains(inScreen), qPrintable(w->objectName()));
        }

        const auto captionsAndContentsFit = [&](const char *name) {
            auto *grid = screen->findChild<QTableView *>(QString::fromLatin1(name));
            for (int c = 0; c < grid->model()->columnCount(); ++c) {
                const int width = grid->columnWidth(c);
                const QString what = QString::fromLatin1(name) + " " +
                                     grid->model()->headerData(c, Qt::Horizontal).toString();
                QVERIFY2(grid->horizontalHeader()->sectionSizeHint(c) <= width, qPrintable(what));
                for (int r = 0; r < grid->model()->rowCount(); ++r) {
                    const QString text = grid->model()->index(r, c).data().toString();
                    QVERIFY2(grid->fontMetrics().horizontalAdvance(text) < width,
                             qPrintable(what + ": " + text));
                }
            }
        };
        captionsAndContentsFit("ssLinea");
        captionsAndContentsFit("ssDetalle");
        auto *key = screen->findChild<QLineEdit *>(QStringLiteral("txtClave"));
        key->setFocus();
        QTest::keyClicks(key, QStringLiteral("1"));
        QTest::keyClick(key, Qt::Key_Return);
        QVERIFY2(record->messages.isEmpty(), qPrintable(record->messages.value(0).text));
        QTRY_COMPARE(
            screen->findChild<QTableView *>(QStringLiteral("ssDetalle"))->model()->rowCount(), 1);
        captionsAndContentsFit("ssLinea");
        captionsAndContentsFit("ssDetalle");
    }

    // Whatever the machine's locale, the window speaks Spanish: Qt's own buttons and calendar, and
    // numbers and dates in the Spanish way (the user's own Spanish locale when there is one).
    void spanishThroughout_data()
    {
        QTest::addColumn<QString>("system");
        QTest::addColumn<QString>("number"); // 1331525
        QTest::addColumn<QString>("date");   // 7 December 2026 in a date box
        const auto row = [](const char *system, const char *number, const char *date) {
            QTest::newRow(system) << QString(system) << QString(number) << QString(date);
        };
        row("en_US", "1.331.525", "7/12/2026");
        row("es_ES", "1.331.525", "7/12/2026");
        row("es_MX", "1,331,525", "07/12/2026");
    }

    void spanishThroughout()
    {
        QFETCH(QString, system);
        const auto restore = qScopeGuard([] {
            QLocale::setDefault(QLocale::c());
            for (QTranslator *translator : qApp->findChildren<QTranslator *>()) {
                QCoreApplication::removeTranslator(translator);
                delete translator;
            }
        });
        QVERIFY2(velkora::app::SpanishLocale::apply(*qApp, QLocale(system)),
                 "Qt's Spanish translations (qt6-translations-l10n) are not installed");
        QCOMPARE(QLocale().language(), QLocale::Spanish);
        QTEST(QLocale().toString(1331525), "number");

        QMessageBox box(QMessageBox::Question, QStringLiteral("Velkora"), QStringLiteral("?"),
                        QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.button(QMessageBox::Yes)->text().remove('&'), QStringLiteral("Sí"));

        HostWindow host;
        QVERIFY2(host.open(), qPrintable(host.error));
        auto *date = host.window->screen()->findChild<QDateEdit *>(QStringLiteral("dpUser5"));
        QVERIFY(date);
        date->setDate(QDate(2026, 12, 7));
        QTEST(date->text(), "date");
        QCOMPARE(date->calendarWidget()->locale().monthName(12), QStringLiteral("diciembre"));
    }

    // The shell's save of a proposal keeps the key in the database's key format; a database
    // without the settings' table, or without the setting, keeps the design format "0000".
    void proposalKeyFormat_data()
    {
        const auto add = kesta::test::dataColumns<QString, QString, QString>(
            {"settings", "typed", "stored"});
        add("as installed", "", "7", "0007");
        add("three digits", "UPDATE:000", "7", "007");
        add("wider than a key", "UPDATE:000000", "42", "42");
        add("setting NULL", "UPDATE:NULL", "7", "0007");
        add("no setting", "DELETE", "7", "0007");
        add("no settings table", "DROP", "7", "0007");
        add("a key of letters", "", "pago", "PAGO");
    }
    void proposalKeyFormat()
    {
        auto [settings, typed, stored] =
            kesta::test::fetchColumns<QString, QString, QString>({"settings", "typed", "stored"});
        TestDatabase db;
        QVERIFY2(db.ok(), qPrintable(db.error()));
        const QString where = u" WHERE Cf_Nombre = 'FTO_LAYOUT'"_s;
        if (settings.startsWith(u"UPDATE:"_s)) {
            const QString value = settings.mid(7);
            db.exec(u"UPDATE Velkora_Configuracion SET Cf_Valor = "_s +
                    (value == u"NULL"_s ? value : u"'"_s + value + u"'"_s) + where);
        } else if (settings == u"DELETE"_s) {
            db.exec(u"DELETE FROM Velkora_Configuracion"_s + where);
        } else if (settings == u"DROP"_s) {
            db.exec(u"DROP TABLE Velkora_Configuracion"_s);
        }
        QCOMPARE(velkora::app::storedKey(db.connectionName(), typed), stored);
    }

private:
    frmKESTA *screen()
    {
        return qobject_cast<frmKESTA *>(m_pantalla->property("GetPantalla").value<QObject *>());
    }

    std::shared_ptr<kesta::test::ServicesRecord> m_record;
    QObject *m_pantalla = nullptr;
};

QTEST_MAIN(TestApp)
#include "tst_app.moc"
