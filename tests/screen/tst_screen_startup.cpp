// The screen load (order, settings, failure), its run before the first showing, the
// activation, the Alt+1 / Alt+2 tab keys, the owner and Transaccion.

#include "host/RuntimeError.h"
#include "screen/Settings.h"
#include "screen/TwipsLayout.h"
#include "screen/frmKESTA.h"
#include "support/RecordingServices.h"

#include <QAction>
#include <QCheckBox>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>
#include <controls/ColorScheme.h>
#include <controls/Controles.h>
#include <controls/DataGrid.h>
#include <controls/SmallControls.h>
#include <controls/TextBox.h>
#include <memory>

using kesta::host::RuntimeError;
using kesta::screen::frmKESTA;
using kesta::screen::settingToBoolean;

namespace {

// The service calls the load made, without the creation of the services objects.
QStringList serviceCalls(const kesta::test::ServicesRecord &record)
{
    QStringList calls;
    for (const QString &call : record.calls)
        if (!call.startsWith(QLatin1String("create(")))
            calls << call;
    return calls;
}

} // namespace

class TestScreenStartUp : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void loadOrder();
    void keyFormat_data();
    void keyFormat();
    void keyEditable_data();
    void keyEditable();
    void forceUppercase_data();
    void forceUppercase();
    void booleanConversion_data();
    void booleanConversion();
    void failingStep_data();
    void failingStep();
    void showRunsLoadOnce();
    void showReportsFailedLoad();
    void hostRunsLoadFirst();
    void editButtonsShareTheirPlaces();
    void activationFocusesKeyBox();
    void tabKeys_data();
    void tabKeys();
    void otherKeysDoNotSwitchTabs_data();
    void otherKeysDoNotSwitchTabs();
    void wheelOnTabsDoesNotSwitch();
    void padre();
    void transaccion();
    void handlerErrorsAreShown();
    void exitUnloadsTheOwner();

private:
    void showScreen();

    std::shared_ptr<kesta::test::ServicesRecord> m_record;
    std::unique_ptr<frmKESTA> m_screen;
};

void TestScreenStartUp::init()
{
    m_record = kesta::test::installRecordingServices();
    m_screen = std::make_unique<frmKESTA>();
}

void TestScreenStartUp::cleanup()
{
    m_screen.reset();
    kesta::test::uninstallServices();
}

void TestScreenStartUp::showScreen()
{
    m_screen->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_screen.get()));
}

void TestScreenStartUp::loadOrder()
{
    m_record->settings[QStringLiteral("FTO_LAYOUT")] = QStringLiteral("000000");
    m_record->moduleOptions[QStringLiteral("KESTA/CAT001")] = 1;
    m_record->settings[QStringLiteral("CAT_FORZAR_MAYUSCULAS")] = QStringLiteral("True");
    QVERIFY(!m_screen->colorZUR->applied());
    QVERIFY(!m_screen->Controles->ToolbarReady());

    m_screen->Form_Load();

    QVERIFY(m_screen->loaded());
    QVERIFY(m_screen->loadError().isEmpty());
    QVERIFY(m_screen->colorZUR->applied());
    QVERIFY(m_screen->Controles->ToolbarReady());
    QCOMPARE(
        serviceCalls(*m_record),
        (QStringList{"GetSetting(FTO_LAYOUT|0||)", "GetModuleOption(KESTA|CAT001|No disponible)",
                     "GetSetting(CAT_FORZAR_MAYUSCULAS|0||)", "SetForceUppercase(true)"}));
    // The load runs once per screen.
    m_screen->Form_Load();
    QCOMPARE(m_record->count(QStringLiteral("GetSetting")), 2);
}

void TestScreenStartUp::keyFormat_data()
{
    QTest::addColumn<QVariant>("setting");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("six digits") << QVariant(QStringLiteral("000000")) << "000000"
                                << "12"
                                << "000012";
    QTest::newRow("number") << QVariant(0) << "0"
                            << "12"
                            << "12";
    QTest::newRow("empty: as typed") << QVariant(QString()) << ""
                                     << "12"
                                     << "12";
    QTest::newRow("missing: design format") << QVariant() << "0000"
                                            << "12"
                                            << "0012";
}

void TestScreenStartUp::keyFormat()
{
    QFETCH(QVariant, setting);
    QFETCH(QString, format);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    if (setting.isValid())
        m_record->settings[QStringLiteral("FTO_LAYOUT")] = setting;
    m_screen->Form_Load();
    QCOMPARE(m_screen->txtClave->formatopersonal(), format);
    QCOMPARE(m_screen->txtClave->formatted(typed), shown);
}

void TestScreenStartUp::keyEditable_data()
{
    QTest::addColumn<QVariant>("option");
    QTest::addColumn<int>("expected");
    QTest::newRow("missing") << QVariant() << 0;
    QTest::newRow("0") << QVariant(0) << 0;
    QTest::newRow("1") << QVariant(1) << 1;
    QTest::newRow("-1") << QVariant(-1) << -1;
}

void TestScreenStartUp::keyEditable()
{
    QFETCH(QVariant, option);
    QFETCH(int, expected);
    if (option.isValid())
        m_record->moduleOptions[QStringLiteral("KESTA/CAT001")] = option;
    QCOMPARE(m_screen->KeyEditable, 0);
    m_screen->Form_Load();
    QCOMPARE(m_screen->KeyEditable, expected);
}

void TestScreenStartUp::forceUppercase_data()
{
    QTest::addColumn<QVariant>("setting");
    QTest::addColumn<QString>("passed");
    QTest::newRow("True") << QVariant(QStringLiteral("True")) << "true";
    QTest::newRow("false") << QVariant(QStringLiteral("false")) << "false";
    QTest::newRow("SI") << QVariant(QStringLiteral("SI")) << "true";
    QTest::newRow("NO") << QVariant(QStringLiteral("NO")) << "false";
    QTest::newRow("number -1") << QVariant(-1) << "true";
    QTest::newRow("number 0") << QVariant(0) << "false";
    QTest::newRow("text 1") << QVariant(QStringLiteral("1")) << "true";
    QTest::newRow("missing") << QVariant() << "false";
}

void TestScreenStartUp::forceUppercase()
{
    QFETCH(QVariant, setting);
    QFETCH(QString, passed);
    if (setting.isValid())
        m_record->settings[QStringLiteral("CAT_FORZAR_MAYUSCULAS")] = setting;
    m_screen->Form_Load();
    QCOMPARE(m_record->lastCall(QStringLiteral("SetForceUppercase")),
             QStringLiteral("SetForceUppercase(%1)").arg(passed));
    QCOMPARE(m_record->forceUppercase, passed == QLatin1String("true"));
}

void TestScreenStartUp::booleanConversion_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("convertible");
    QTest::addColumn<bool>("expected");
    QTest::newRow("bool true") << QVariant(true) << true << true;
    QTest::newRow("bool false") << QVariant(false) << true << false;
    QTest::newRow("int 2") << QVariant(2) << true << true;
    QTest::newRow("int 0") << QVariant(0) << true << false;
    QTest::newRow("long long -1") << QVariant(qlonglong(-1)) << true << true;
    QTest::newRow("double 0.5") << QVariant(0.5) << true << true;
    QTest::newRow("double 0") << QVariant(0.0) << true << false;
    QTest::newRow("TRUE") << QVariant(QStringLiteral("TRUE")) << true << true;
    QTest::newRow(" false ") << QVariant(QStringLiteral(" false ")) << true << false;
    QTest::newRow("si") << QVariant(QStringLiteral("si")) << true << true;
    QTest::newRow("No") << QVariant(QStringLiteral("No")) << true << false;
    QTest::newRow("text 0") << QVariant(QStringLiteral("0")) << true << false;
    QTest::newRow("text -1") << QVariant(QStringLiteral("-1")) << true << true;
    QTest::newRow("text 2.5") << QVariant(QStringLiteral("2.5")) << true << true;
    QTest::newRow("hex &H0") << QVariant(QStringLiteral("&H0")) << true << false;
    QTest::newRow("hex &HFF") << QVariant(QStringLiteral("&HFF")) << true << true;
    QTest::newRow("null") << QVariant() << true << false;
    QTest::newRow("empty text") << QVariant(QString()) << true << false;
    QTest::newRow("blank text") << QVariant(QStringLiteral("  ")) << true << false;
    QTest::newRow("word") << QVariant(QStringLiteral("tal vez")) << false << false;
    QTest::newRow("Yes") << QVariant(QStringLiteral("Yes")) << false << false;
    QTest::newRow("1,5") << QVariant(QStringLiteral("1x")) << false << false;
    QTest::newRow("date") << QVariant(QDate(2024, 1, 1)) << false << false;
    QTest::newRow("nan") << QVariant(std::numeric_limits<double>::quiet_NaN()) << false << false;
}

void TestScreenStartUp::booleanConversion()
{
    QFETCH(QVariant, value);
    QFETCH(bool, convertible);
    QFETCH(bool, expected);
    if (convertible) {
        QCOMPARE(settingToBoolean(QStringLiteral("S"), value), expected);
        return;
    }
    try {
        settingToBoolean(QStringLiteral("CAT_FORZAR_MAYUSCULAS"), value);
        QFAIL("converted a value that is no Boolean");
    } catch (const RuntimeError &error) {
        QVERIFY2(error.description().startsWith(QLatin1String("Type mismatch")),
                 qPrintable(error.description()));
        QVERIFY(error.description().contains(QLatin1String("CAT_FORZAR_MAYUSCULAS")));
    }
}

void TestScreenStartUp::failingStep_data()
{
    QTest::addColumn<QString>("failOn");      // a service call that raises
    QTest::addColumn<QVariant>("forceValue"); // CAT_FORZAR_MAYUSCULAS
    QTest::addColumn<int>("failingStep");
    QTest::newRow("3: FTO_LAYOUT") << "GetSetting" << QVariant(true) << 3;
    QTest::newRow("4: CAT001") << "GetModuleOption" << QVariant(true) << 4;
    QTest::newRow("5: not a Boolean") << "" << QVariant(QStringLiteral("tal vez")) << 5;
    QTest::newRow("5: SetForceUppercase") << "SetForceUppercase" << QVariant(true) << 5;
}

void TestScreenStartUp::failingStep()
{
    QFETCH(QString, failOn);
    QFETCH(QVariant, forceValue);
    QFETCH(int, failingStep);
    m_record->settings[QStringLiteral("FTO_LAYOUT")] = QStringLiteral("00000");
    m_record->moduleOptions[QStringLiteral("KESTA/CAT001")] = 7;
    m_record->settings[QStringLiteral("CAT_FORZAR_MAYUSCULAS")] = forceValue;
    if (!failOn.isEmpty())
        m_record->failOn = failOn;
    const kesta::screen::TwipsLayout &l = m_screen->layout();

    QVERIFY_THROWS_EXCEPTION(RuntimeError, m_screen->Form_Load());

    QVERIFY(!m_screen->loadError().isEmpty());
    // Steps 1 and 2 are done whatever fails after them.
    QVERIFY(m_screen->colorZUR->applied());
    QVERIFY(m_screen->Controles->ToolbarReady());
    QCOMPARE(m_screen->txtClave->formatopersonal(),
             failingStep > 3 ? QStringLiteral("00000") : QStringLiteral("0000"));
    QCOMPARE(m_screen->KeyEditable, failingStep > 4 ? 7 : 0);
    QCOMPARE(m_record->count(QStringLiteral("SetForceUppercase")),
             failOn == QLatin1String("SetForceUppercase") ? 1 : 0);
    // Step 6 is not run: the buttons keep their design places.
    QCOMPARE(l.left(m_screen->cmdControles[3]), 3960.0f);
    QCOMPARE(l.left(m_screen->cmdControles[4]), 5280.0f);
}

void TestScreenStartUp::showRunsLoadOnce()
{
    QSignalSpy failed(m_screen.get(), &frmKESTA::loadFailed);
    QVERIFY(!m_screen->loaded());
    showScreen();
    QVERIFY(m_screen->loaded());
    QVERIFY(m_screen->Controles->ToolbarReady());
    QCOMPARE(m_record->count(QStringLiteral("GetSetting")), 2);
    m_screen->hide();
    m_screen->show();
    QCOMPARE(m_record->count(QStringLiteral("GetSetting")), 2);
    QCOMPARE(failed.count(), 0);
}

void TestScreenStartUp::showReportsFailedLoad()
{
    m_record->settings[QStringLiteral("CAT_FORZAR_MAYUSCULAS")] = QStringLiteral("tal vez");
    QSignalSpy failed(m_screen.get(), &frmKESTA::loadFailed);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("screen load failed")));
    showScreen();
    QCOMPARE(failed.count(), 1);
    const QString description = failed.first().first().toString();
    QVERIFY(description.contains(QLatin1String("CAT_FORZAR_MAYUSCULAS")));
    QCOMPARE(m_screen->loadError(), description);
    QCOMPARE(m_record->count(QStringLiteral("SetForceUppercase")), 0);
    QCOMPARE(m_screen->layout().left(m_screen->cmdControles[3]), 3960.0f);
    // The screen is shown and usable all the same, and the load is not run again.
    QVERIFY(m_screen->isVisible());
    m_screen->hide();
    m_screen->show();
    QCOMPARE(failed.count(), 1);
}

void TestScreenStartUp::hostRunsLoadFirst()
{
    m_screen->Form_Load();
    QSignalSpy failed(m_screen.get(), &frmKESTA::loadFailed);
    showScreen();
    QCOMPARE(m_record->count(QStringLiteral("GetSetting")), 2);
    QCOMPARE(failed.count(), 0);
}

void TestScreenStartUp::editButtonsShareTheirPlaces()
{
    kesta::screen::TwipsLayout &l = m_screen->layout();
    // Whatever their design places, "Aceptar" and "Cancelar" take those of "Nuevo" and
    // "Editar".
    l.setLeft(m_screen->cmdControles[0], 300);
    l.setLeft(m_screen->cmdControles[1], 1700);
    showScreen();
    QCOMPARE(l.rect(m_screen->cmdControles[3]), l.rect(m_screen->cmdControles[0]));
    QCOMPARE(l.rect(m_screen->cmdControles[4]), l.rect(m_screen->cmdControles[1]));
    QCOMPARE(m_screen->cmdControles[3]->geometry(), m_screen->cmdControles[0]->geometry());
    QCOMPARE(m_screen->cmdControles[4]->geometry(), m_screen->cmdControles[1]->geometry());
    QCOMPARE(l.left(m_screen->cmdControles[2]), 2640.0f);
    // One group at a time: the start group.
    for (int i = 0; i < 5; ++i)
        QCOMPARE(m_screen->cmdControles[i]->isVisible(), i < 3);
}

void TestScreenStartUp::activationFocusesKeyBox()
{
    showScreen();
    m_screen->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_screen.get()));
    QTRY_COMPARE(QApplication::focusWidget(), m_screen->txtClave);

    m_screen->chInverso->setFocus();
    QCOMPARE(QApplication::focusWidget(), m_screen->chInverso);
    QWidget other;
    other.setObjectName(QStringLiteral("otherWindow"));
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    m_screen->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_screen.get()));
    QTRY_COMPARE(QApplication::focusWidget(), m_screen->txtClave);
}

void TestScreenStartUp::tabKeys_data()
{
    QTest::addColumn<QString>("receiver");
    QTest::addColumn<int>("startTab");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("expectedTab");
    const int alt = Qt::AltModifier;
    QTest::newRow("Alt+2 in the key box") << "txtClave" << 0 << int(Qt::Key_2) << alt << 1;
    QTest::newRow("Alt+2 in the line grid") << "ssLinea" << 0 << int(Qt::Key_2) << alt << 1;
    QTest::newRow("Alt+2 in the field grid") << "ssDetalle" << 0 << int(Qt::Key_2) << alt << 1;
    QTest::newRow("Alt+2 on the check box") << "chInverso" << 0 << int(Qt::Key_2) << alt << 1;
    QTest::newRow("Alt+1 in a user datum") << "txtUser1" << 1 << int(Qt::Key_1) << alt << 0;
    QTest::newRow("Alt+1 in a date") << "dpUser5" << 1 << int(Qt::Key_1) << alt << 0;
    QTest::newRow("Alt+1 on the tabs") << "ssTabZurBar" << 1 << int(Qt::Key_1) << alt << 0;
    QTest::newRow("Alt+1 on the first tab") << "txtClave" << 0 << int(Qt::Key_1) << alt << 0;
    QTest::newRow("Alt+2 on the second tab") << "txtUser1" << 1 << int(Qt::Key_2) << alt << 1;
    const int ctrlAlt = Qt::ControlModifier | Qt::AltModifier;
    QTest::newRow("Ctrl+Alt+2") << "txtClave" << 0 << int(Qt::Key_2) << ctrlAlt << 0;
    QTest::newRow("Ctrl+Alt+1") << "txtUser1" << 1 << int(Qt::Key_1) << ctrlAlt << 1;
    QTest::newRow("Alt+Shift+1") << "txtUser1" << 1 << int(Qt::Key_1)
                                 << int(Qt::AltModifier | Qt::ShiftModifier) << 1;
    QTest::newRow("plain 1") << "txtUser1" << 1 << int(Qt::Key_1) << 0 << 1;
    QTest::newRow("plain 2") << "txtClave" << 0 << int(Qt::Key_2) << 0 << 0;
    QTest::newRow("Alt+3") << "txtClave" << 0 << int(Qt::Key_3) << alt << 0;
    QTest::newRow("keypad Alt+2") << "txtClave" << 0 << int(Qt::Key_2)
                                  << int(Qt::AltModifier | Qt::KeypadModifier) << 0;
}

void TestScreenStartUp::tabKeys()
{
    QFETCH(QString, receiver);
    QFETCH(int, startTab);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, expectedTab);
    showScreen();
    // The second tab's inputs as an edit enables them.
    m_screen->txtUser1->setEnabled(true);
    m_screen->dpUser5->setEnabled(true);
    m_screen->ssTabZur->setCurrentIndex(startTab);
    auto *target = m_screen->findChild<QWidget *>(receiver);
    QVERIFY(target);
    target->setFocus();
    auto *box = qobject_cast<QLineEdit *>(target);
    const QString before = box ? box->text() : QString();

    QTest::keyClick(target, static_cast<Qt::Key>(key), Qt::KeyboardModifiers(modifiers));

    QCOMPARE(m_screen->ssTabZur->currentIndex(), expectedTab);
    QCOMPARE(m_screen->fr1->isEnabled(), expectedTab == 0);
    QCOMPARE(m_screen->fr2->isEnabled(), expectedTab == 1);
    // Alt+1 and Alt+2 type nothing.
    const bool tabKey = modifiers == Qt::AltModifier && (key == Qt::Key_1 || key == Qt::Key_2);
    if (box && tabKey)
        QCOMPARE(box->text(), before);
    // ... while a plain digit is typed as usual.
    if (box && modifiers == 0)
        QCOMPARE(box->text(), before + QChar(key));
    for (velkora::controls::DataGrid *grid : {m_screen->ssLinea, m_screen->ssDetalle})
        QCOMPARE(grid->Rows(), 0);
}

void TestScreenStartUp::otherKeysDoNotSwitchTabs_data()
{
    QTest::addColumn<QString>("receiver");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    const int ctrl = Qt::ControlModifier;
    QTest::newRow("Ctrl+Tab in the key box") << "txtClave" << int(Qt::Key_Tab) << ctrl;
    QTest::newRow("Ctrl+Tab on the check box") << "chInverso" << int(Qt::Key_Tab) << ctrl;
    QTest::newRow("Ctrl+Tab on the tabs") << "ssTabZurBar" << int(Qt::Key_Tab) << ctrl;
    QTest::newRow("Ctrl+Tab on the tab control") << "ssTabZur" << int(Qt::Key_Tab) << ctrl;
    QTest::newRow("Ctrl+Shift+Tab")
        << "ssTabZur" << int(Qt::Key_Backtab) << int(Qt::ControlModifier | Qt::ShiftModifier);
    QTest::newRow("Ctrl+PgDown") << "ssTabZur" << int(Qt::Key_PageDown) << ctrl;
    QTest::newRow("Ctrl+PgUp") << "chInverso" << int(Qt::Key_PageUp) << ctrl;
    QTest::newRow("Right on the tabs") << "ssTabZurBar" << int(Qt::Key_Right) << 0;
    QTest::newRow("Left on the tabs") << "ssTabZurBar" << int(Qt::Key_Left) << 0;
    QTest::newRow("End on the tabs") << "ssTabZurBar" << int(Qt::Key_End) << 0;
}

void TestScreenStartUp::otherKeysDoNotSwitchTabs()
{
    QFETCH(QString, receiver);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    showScreen();
    for (int start : {0, 1}) {
        m_screen->ssTabZur->setCurrentIndex(start);
        auto *target = m_screen->findChild<QWidget *>(receiver);
        QVERIFY(target);
        QTest::keyClick(target, static_cast<Qt::Key>(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(m_screen->ssTabZur->currentIndex(), start);
    }
}

void TestScreenStartUp::wheelOnTabsDoesNotSwitch()
{
    showScreen();
    QTabBar *bar = m_screen->ssTabZur->tabBar();
    const QPoint at = bar->tabRect(0).center();
    QWheelEvent wheel(at, bar->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(bar, &wheel);
    QCOMPARE(m_screen->ssTabZur->currentIndex(), 0);
    // A click on a tab does switch.
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
    QCOMPARE(m_screen->ssTabZur->currentIndex(), 1);
}

void TestScreenStartUp::padre()
{
    QVERIFY(m_screen->Padre() == nullptr);
    QVERIFY(!m_screen->property("Padre").value<QObject *>());
    auto owner = std::make_unique<QObject>();
    QVERIFY(m_screen->setProperty("Padre", QVariant::fromValue(owner.get())));
    QCOMPARE(m_screen->Padre(), owner.get());
    QObject second;
    m_screen->setPadre(&second);
    QCOMPARE(m_screen->Padre(), &second);
    m_screen->setPadre(owner.get());
    owner.reset();
    QVERIFY(m_screen->Padre() == nullptr);
}

void TestScreenStartUp::transaccion()
{
    // No owner yet: an error, and nothing asked of the services.
    QVERIFY_THROWS_EXCEPTION(RuntimeError, m_screen->Transaccion());
    // An owner without the property.
    QObject bare;
    m_screen->setPadre(&bare);
    try {
        m_screen->Transaccion();
        QFAIL("an owner without Transaccion gave a transaction");
    } catch (const RuntimeError &error) {
        QVERIFY(error.description().contains(QLatin1String("\"Transaccion\"")));
    }
    QCOMPARE(m_record->count(QStringLiteral("ResolveTransaction")), 0);
    // An owner with it: its text goes to the services with the application name.
    QObject owner;
    owner.setProperty("Transaccion", QStringLiteral("KESTA-01"));
    m_screen->setPadre(&owner);
    m_record->resolvedTransaction = QStringLiteral("resuelta");
    QCOMPARE(m_screen->Transaccion(), QStringLiteral("resuelta"));
    QCOMPARE(m_record->lastCall(QStringLiteral("ResolveTransaction")),
             QStringLiteral("ResolveTransaction(KESTA-01|Velkora)"));
    // A number is passed as its text.
    owner.setProperty("Transaccion", 42);
    m_screen->Transaccion();
    QCOMPARE(m_record->lastCall(QStringLiteral("ResolveTransaction")),
             QStringLiteral("ResolveTransaction(42|Velkora)"));
    // A failure of the services reaches the caller.
    m_record->failOn = QStringLiteral("ResolveTransaction");
    QVERIFY_THROWS_EXCEPTION(RuntimeError, m_screen->Transaccion());
}

void TestScreenStartUp::handlerErrorsAreShown()
{
    showScreen();
    m_record->failOn = QStringLiteral("SimulateKeys");
    QTest::keyClick(m_screen->ssTabZur, Qt::Key_Return);
    QCOMPARE(m_record->messages.size(), 1);
    const kesta::test::RecordedMessage &message = m_record->messages.first();
    QCOMPARE(message.text, QStringLiteral("ssTabZur_KeyPress()\r\nSimulateKeys failed (test)"));
    QCOMPARE(message.style, 16);
    QCOMPARE(message.title, QStringLiteral("Velkora"));
    QCOMPARE(message.owner.data(), m_screen.get());
    QCOMPARE(message.module, QStringLiteral("KESTA"));
    QCOMPARE(message.messageId, QString());
}

void TestScreenStartUp::exitUnloadsTheOwner()
{
    showScreen();
    QAction *exit = m_screen->Controles->action(QStringLiteral("Exit"));
    QVERIFY(exit);
    // Without an owner the handler fails, and the failure is shown, not thrown into Qt.
    exit->trigger();
    QCOMPARE(m_record->messages.size(), 1);
    QVERIFY(m_record->messages.first().text.startsWith(QLatin1String("Controles_Exit()\r\n")));
    QCOMPARE(m_record->messages.first().style, 16);
    // With one, the owner is unloaded.
    QPointer<QObject> owner = new QObject;
    m_screen->setPadre(owner);
    exit->trigger();
    QTRY_VERIFY(owner.isNull());
    QCOMPARE(m_record->messages.size(), 1);
}

QTEST_MAIN(TestScreenStartUp)
#include "tst_screen_startup.moc"
