// The screen frmKESTA: its design, its load and its keyboard, resize, tab and browse handlers.

#include "editor/FieldStore.h"
#include "host/RuntimeError.h"
#include "screen/TwipsLayout.h"
#include "screen/frmKESTA.h"
#include "support/RecordingServices.h"

#include <QCheckBox>
#include <QFrame>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>
#include <controls/ColorScheme.h>
#include <controls/CommonDialog.h>
#include <controls/Controles.h>
#include <controls/DataGrid.h>
#include <controls/SmallControls.h>
#include <controls/TextBox.h>

using namespace Qt::StringLiterals;
using kesta::host::RuntimeError;
using kesta::screen::frmKESTA;
using kesta::screen::TwipsLayout;
using kesta::screen::TwipsRect;
using velkora::controls::CommonDialog;
using velkora::controls::GridColumn;

class TestScreen : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void controls_data();
    void controls();
    void boxesTabsAndGrids();
    void settings_data();
    void settings();
    void failingStep_data();
    void failingStep();
    void showRunsTheLoadOnce_data();
    void showRunsTheLoadOnce();
    void activationFocusesKeyBox();
    void tabKeys_data();
    void tabKeys();
    void resizeRules_data();
    void resizeRules();
    void tabChangeEnablesOnlyTheVisibleFrame();
    void enterOnTheTabControl_data();
    void enterOnTheTabControl();
    void browse_data();
    void browse();

private:
    void showScreen();
    QHash<QString, TwipsRect> snapshot() const; // the twips of every placed control

    std::shared_ptr<kesta::test::ServicesRecord> m_record;
    std::unique_ptr<frmKESTA> m_screen;
};

void TestScreen::init()
{
    m_record = kesta::test::installRecordingServices();
    m_screen = std::make_unique<frmKESTA>();
}

void TestScreen::cleanup()
{
    m_screen.reset();
    CommonDialog::setChooser({});
    kesta::test::uninstallServices();
}

void TestScreen::showScreen()
{
    m_screen->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_screen.get()));
}

QHash<QString, TwipsRect> TestScreen::snapshot() const
{
    QHash<QString, TwipsRect> rects;
    for (QWidget *w : m_screen->findChildren<QWidget *>())
        if (m_screen->layout().contains(w))
            rects.insert(w->objectName(), m_screen->layout().rect(w));
    return rects;
}

void TestScreen::controls_data()
{
    QTest::addColumn<QString>("kind"); // a class the control inherits; bare: the maker's
    QTest::addColumn<QString>("container");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("flags"); // T: tag "1"; D: disabled at design time
    QTest::addColumn<TwipsRect>("rect");
    auto row = [](const QString &name, const char *kind, const char *in, const QString &caption,
                  const char *flags, TwipsRect rect) {
        QTest::newRow(qPrintable(name)) << QString::fromLatin1(kind) << QString::fromLatin1(in)
                                        << caption << QString::fromLatin1(flags) << rect;
    };
    row("Controles", "Controles", "frmKESTA", "Formatos de carga", "", {0, 0, 15360, 960});
    row("ssTabZur", "QTabWidget", "frmKESTA", "", "", {120, 1200, 15255, 6975});
    row("sh1", "QFrame", "tabGeneral", "", "", {0, 330, 9375, 135});
    row("fr1", "QFrame", "tabGeneral", "", "", {0, 360, 15135, 6165});
    row("Label1", "Etiqueta", "fr1", "Clave:", "", {0, 240, 1860, 255});
    row("txtClave", "TextBox", "fr1", "", "", {1920, 240, 1335, 300});
    row("chInverso", "QCheckBox", "fr1", "Lectura inversa", "T", {3360, 240, 1935, 255});
    row("Label2", "Etiqueta", "fr1", "Descripción:", "", {0, 600, 1860, 255});
    row("txtDescripcion", "TextBox", "fr1", "", "TD", {1920, 600, 7455, 300});
    row("Etiqueta1", "Etiqueta", "fr1", "Archivo:", "", {0, 960, 1860, 255});
    row("txtArchivo", "TextBox", "fr1", "", "TD", {1920, 960, 7455, 300});
    row("cmdArchivo", "FlatButton", "fr1", "...", "T", {9480, 960, 375, 375});
    const QStringList buttons{"Nuevo", "Editar", "Eliminar", "Aceptar", "Cancelar"};
    for (int i = 0; i < 5; ++i)
        row(u"cmdControles_%1"_s.arg(i), "FlatButton", "fr1", buttons[i], "TD",
            {1320.0f * i, 1440, 1215, 375});
    row("ssLinea", "DataGrid", "fr1", "Línea", "T", {0, 1920, 5895, 2655});
    row("ssDetalle", "DataGrid", "fr1", "Detalle", "T", {6000, 1920, 8775, 2655});
    row("lvDetalle", "kesta::editor::FieldStoreView", "fr1", "", "T", {0, 4680, 2775, 615});
    row("Sh2", "QFrame", "tabDatosUsuario", "", "", {0, 330, 9375, 135});
    row("fr2", "QFrame", "tabDatosUsuario", "", "D", {0, 360, 14895, 4455});
    const float userWidths[6] = {4935, 4935, 2535, 2535, 1575, 1575};
    for (int i = 0; i < 6; ++i) {
        const float top = 240 + 360.0f * i;
        row(u"Label%1"_s.arg(31 - i), "Etiqueta", "fr2", u"Dato %1:"_s.arg(i + 1), "",
            {0, top, 1860, 255});
        row((i < 4 ? u"txtUser%1"_s : u"dpUser%1"_s).arg(i + 1), i < 4 ? "TextBox" : "DatePicker",
            "fr2", "", "TD", {1920, top, userWidths[i], 300});
    }
}

void TestScreen::controls()
{
    QFETCH(QString, kind);
    QFETCH(QString, container);
    QFETCH(QString, flags);
    QFETCH(TwipsRect, rect);
    const auto found =
        m_screen->findChildren<QWidget *>(QString::fromLatin1(QTest::currentDataTag()));
    QCOMPARE(found.size(), 1);
    QWidget *w = found.first();
    if (!kind.startsWith(u'Q') && !kind.contains(u':'))
        kind.prepend(u"velkora::controls::"_s);
    QVERIFY2(w->inherits(qPrintable(kind)), w->metaObject()->className());
    QCOMPARE(w->parentWidget()->objectName(), container);
    const char *caption = qobject_cast<QLabel *>(w) || qobject_cast<QAbstractButton *>(w) ? "text"
                          : w->inherits("velkora::controls::Controles") ? "caption"
                                                                        : "windowTitle";
    QTEST(w->property(caption).toString(), "caption");
    const QVariant tag = w->property("Tag");
    QCOMPARE(tag.isValid(), flags.contains(u'T'));
    QVERIFY(!tag.isValid() || (tag.typeId() == QMetaType::QString && tag.toString() == u"1"_s));
    QCOMPARE(w->isEnabledTo(w->parentWidget()), !flags.contains(u'D'));

    // Before the first showing: the design twips, in pixels at the resolution without gaps.
    const TwipsLayout &l = m_screen->layout();
    QCOMPARE(l.rect(w), rect);
    QCOMPARE(w->geometry(), l.toPixels(rect, w->parentWidget()));
    QCOMPARE(w->width(), l.pixelsX(rect.left + rect.width) - l.pixelsX(rect.left));
    QCOMPARE(l.pixelsX(1440), qRound(l.dpiX()));
}

void TestScreen::boxesTabsAndGrids()
{
    const TwipsLayout &l = m_screen->layout();
    QCOMPARE(m_screen->windowTitle(), u"Formatos de carga"_s);
    QCOMPARE(m_screen->size(), QSize(l.pixelsX(15360), l.pixelsY(8715)));
    QTabWidget *tab = m_screen->ssTabZur;
    QCOMPARE(tab->tabText(0), u"General"_s);
    QCOMPARE(tab->tabText(1), u"Datos de usuario"_s);
    QCOMPARE(tab->currentIndex(), 0);

    // Maximum lengths; all but the key box move on with Enter; data 3 and 4 are numbers.
    const QList<QPair<velkora::controls::TextBox *, int>> boxes{
        {m_screen->txtClave, 4},  {m_screen->txtDescripcion, 50}, {m_screen->txtArchivo, 100},
        {m_screen->txtUser1, 50}, {m_screen->txtUser2, 50},       {m_screen->txtUser3, 20},
        {m_screen->txtUser4, 20}};
    for (const auto &[box, maxLength] : boxes) {
        QCOMPARE(box->maxLength(), maxLength);
        QCOMPARE(box->enterMovesOn(), box != m_screen->txtClave);
        const bool numeric = box == m_screen->txtUser3 || box == m_screen->txtUser4;
        QCOMPARE(box->isNumeric(), numeric);
        QCOMPARE(box->text(), numeric ? u"0.0000"_s : QString());
    }

    // "caption/name", or one text for both; kinds: T text, L value list, C check box.
    const QList<std::tuple<velkora::controls::DataGrid *, QStringList, QString>> grids{
        {m_screen->ssLinea,
         {"No./Orden", "Id/ID", "Descripción", "Posición/Posicion", "Longitud"},
         "TTTTT"},
        {m_screen->ssDetalle,
         {"Id/ID", "Descripción", "Posición/Posicion", "Longitud", "Tipo", "Valor",
          "Formato/FORMATO", "Trim", "Linea_ID"},
         "TTTTLTTCT"}};
    for (const auto &[grid, columns, kinds] : grids) {
        QCOMPARE(grid->columnCount(), columns.size());
        for (int i = 0; i < columns.size(); ++i) {
            const QString caption = columns[i].section(u'/', 0, 0);
            QCOMPARE(grid->columnName(i), columns[i].section(u'/', -1));
            QCOMPARE(grid->model()->headerData(i, Qt::Horizontal).toString(), caption);
            QCOMPARE(grid->columnIndex(caption), i); // as the refill finds its columns
            const GridColumn &column = grid->column(i);
            QCOMPARE(column.format, i == 0 ? u"0000"_s : QString());
            QCOMPARE(column.kind, static_cast<GridColumn::Kind>(u"TLC"_s.indexOf(kinds[i])));
        }
    }
    QCOMPARE(m_screen->ssDetalle->column(4).valueList,
             (QStringList{"NUMERO", "TEXTO", "Fecha", "CONSTANTE", "SQL"}));
}

void TestScreen::settings_data()
{
    QTest::addColumn<QVariant>("keyFormat");   // FTO_LAYOUT; invalid: missing
    QTest::addColumn<QVariant>("keyEditable"); // option CAT001
    QTest::addColumn<QVariant>("force");       // CAT_FORZAR_MAYUSCULAS
    QTest::addColumn<QString>("typed12");      // "12" in the key box's format
    QTest::addColumn<int>("editable");
    QTest::addColumn<QString>("passed"); // to SetForceUppercase; empty: not a Boolean
    const QVariant none;
    QTest::newRow("six digits") << QVariant(u"000000"_s) << QVariant(1) << QVariant(u"True"_s)
                                << "000012" << 1 << "true";
    QTest::newRow("number format")
        << QVariant(0) << QVariant(-1) << QVariant(u"NO"_s) << "12" << -1 << "false";
    QTest::newRow("empty format") << QVariant(QString()) << QVariant(0) << QVariant(u"1"_s) << "12"
                                  << 0 << "true";
    QTest::newRow("all missing") << none << none << none << "0012" << 0 << "false";
    auto force = [&](const char *tag, const QVariant &value, const char *passed) {
        QTest::newRow(tag) << none << none << value << "0012" << 0 << passed;
    };
    force("bool false", false, "false");
    force("int 2", 2, "true");
    force(" false ", u" false "_s, "false");
    force("si", u"si"_s, "true");
    force("hex &HFF", u"&HFF"_s, "true");
    force("blank", u"  "_s, "false");
    force("a word", u"tal vez"_s, "");
    force("date", QDate(2024, 1, 1), "");
    force("NaN", std::numeric_limits<double>::quiet_NaN(), "");
}

void TestScreen::settings()
{
    QFETCH(QVariant, keyFormat);
    QFETCH(QVariant, keyEditable);
    QFETCH(QVariant, force);
    QFETCH(QString, passed);
    m_record->settings[u"FTO_LAYOUT"_s] = keyFormat; // a null setting reads as a missing one
    m_record->settings[u"CAT_FORZAR_MAYUSCULAS"_s] = force;
    if (keyEditable.isValid())
        m_record->moduleOptions[u"KESTA/CAT001"_s] = keyEditable;
    QVERIFY(!m_screen->colorZUR->applied() && !m_screen->Controles->ToolbarReady());

    QStringList calls{"GetSetting(FTO_LAYOUT|0||)", "GetModuleOption(KESTA|CAT001|No disponible)",
                      "GetSetting(CAT_FORZAR_MAYUSCULAS|0||)"};
    if (passed.isEmpty()) {
        QVERIFY_THROWS_EXCEPTION(RuntimeError, m_screen->Form_Load());
        const QString error = m_screen->loadError();
        QVERIFY2(error.startsWith(u"Type mismatch"_s), qPrintable(error));
        QVERIFY(error.contains(u"CAT_FORZAR_MAYUSCULAS"_s));
    } else {
        m_screen->Form_Load();
        calls << u"SetForceUppercase(%1)"_s.arg(passed);
    }
    QCOMPARE(m_record->calls.filter(QRegularExpression(u"^(?!create\\()"_s)), calls);
    QVERIFY(m_screen->colorZUR->applied() && m_screen->Controles->ToolbarReady());
    QTEST(m_screen->txtClave->formatted(u"12"_s), "typed12");
    QTEST(m_screen->KeyEditable, "editable");
}

void TestScreen::failingStep_data()
{
    QTest::addColumn<QString>("failOn"); // a service call that raises
    QTest::addColumn<QVariant>("force"); // CAT_FORZAR_MAYUSCULAS
    QTest::addColumn<int>("failingStep");
    QTest::newRow("3: FTO_LAYOUT") << "GetSetting" << QVariant(true) << 3;
    QTest::newRow("4: CAT001") << "GetModuleOption" << QVariant(true) << 4;
    QTest::newRow("5: not a Boolean") << "" << QVariant(u"tal vez"_s) << 5;
    QTest::newRow("5: SetForceUppercase") << "SetForceUppercase" << QVariant(true) << 5;
}

void TestScreen::failingStep()
{
    QFETCH(QString, failOn);
    QFETCH(QVariant, force);
    QFETCH(int, failingStep);
    m_record->settings[u"FTO_LAYOUT"_s] = u"00000"_s;
    m_record->moduleOptions[u"KESTA/CAT001"_s] = 7;
    m_record->settings[u"CAT_FORZAR_MAYUSCULAS"_s] = force;
    if (!failOn.isEmpty())
        m_record->failOn = failOn;

    QVERIFY_THROWS_EXCEPTION(RuntimeError, m_screen->Form_Load());

    QVERIFY(!m_screen->loadError().isEmpty());
    // The steps before the failing one stay done.
    QVERIFY(m_screen->colorZUR->applied() && m_screen->Controles->ToolbarReady());
    QCOMPARE(m_screen->txtClave->formatopersonal(), failingStep > 3 ? u"00000"_s : u"0000"_s);
    QCOMPARE(m_screen->KeyEditable, failingStep > 4 ? 7 : 0);
    // Step 6 is not run: the buttons keep their design places.
    QCOMPARE(m_screen->layout().left(m_screen->cmdControles[3]), 3960.0f);
    QCOMPARE(m_screen->layout().left(m_screen->cmdControles[4]), 5280.0f);
}

void TestScreen::showRunsTheLoadOnce_data()
{
    QTest::addColumn<bool>("loadedByTheHost"); // before the first showing
    QTest::addColumn<bool>("fails");
    QTest::newRow("shown") << false << false;
    QTest::newRow("loaded by the host") << true << false;
    QTest::newRow("failing load") << false << true;
}

void TestScreen::showRunsTheLoadOnce()
{
    QFETCH(bool, loadedByTheHost);
    QFETCH(bool, fails);
    m_record->settings[u"CAT_FORZAR_MAYUSCULAS"_s] = fails ? QVariant(u"tal vez"_s) : true;
    TwipsLayout &l = m_screen->layout();
    l.setLeft(m_screen->cmdControles[0], 300);
    l.setLeft(m_screen->cmdControles[1], 1700);
    if (loadedByTheHost)
        m_screen->Form_Load();
    QSignalSpy failed(m_screen.get(), &frmKESTA::loadFailed);
    if (fails)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"screen load failed"_s));
    showScreen();
    m_screen->hide();
    m_screen->show();
    m_screen->Form_Load();
    QVERIFY(m_screen->loaded() && m_screen->isVisible());
    QCOMPARE(m_record->count(u"GetSetting"_s), 2);
    // A failed load is reported once with its description; the screen is shown all the same.
    QCOMPARE(failed.count(), fails ? 1 : 0);
    if (fails)
        QCOMPARE(failed.first().first().toString(), m_screen->loadError());
    // Wherever "Nuevo" and "Editar" are, "Aceptar" and "Cancelar" take their places.
    for (int i = 0; i < 5; ++i) {
        QWidget *button = m_screen->cmdControles[i];
        QCOMPARE(button->isVisible(), i < 3);
        if (i > 2 && !fails)
            QCOMPARE(l.rect(button), l.rect(m_screen->cmdControles[i - 3]));
        if (i > 2 && !fails)
            QCOMPARE(button->geometry(), m_screen->cmdControles[i - 3]->geometry());
    }
}

void TestScreen::activationFocusesKeyBox()
{
    showScreen();
    m_screen->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_screen.get()));
    QTRY_COMPARE(QApplication::focusWidget(), m_screen->txtClave);
    // Also after the focus moved on and another window was active.
    m_screen->chInverso->setFocus();
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    m_screen->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_screen.get()));
    QTRY_COMPARE(QApplication::focusWidget(), m_screen->txtClave);
}

void TestScreen::tabKeys_data()
{
    QTest::addColumn<QString>("receiver");
    QTest::addColumn<int>("startTab");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("expectedTab");
    const int alt = Qt::AltModifier;
    const int ctrl = Qt::ControlModifier;
    auto row = [](const char *tag, const char *receiver, int start, int key, int mod, int tab) {
        QTest::newRow(tag) << QString::fromLatin1(receiver) << start << key << mod << tab;
    };
    row("Alt+2 in the key box", "txtClave", 0, Qt::Key_2, alt, 1);
    row("Alt+2 in the field grid", "ssDetalle", 0, Qt::Key_2, alt, 1);
    row("Alt+1 in a date", "dpUser5", 1, Qt::Key_1, alt, 0);
    row("Alt+1 on the tabs", "ssTabZurBar", 1, Qt::Key_1, alt, 0);
    // Any other key or shift state does nothing, nor do the tab control's own keys.
    row("Ctrl+Alt+1", "txtUser1", 1, Qt::Key_1, ctrl | alt, 1);
    row("plain 2", "txtClave", 0, Qt::Key_2, 0, 0);
    row("Ctrl+Tab in the key box", "txtClave", 0, Qt::Key_Tab, ctrl, 0);
    row("Ctrl+PgDown", "ssTabZur", 0, Qt::Key_PageDown, ctrl, 0);
    row("Right on the tabs", "ssTabZurBar", 0, Qt::Key_Right, 0, 0);
}

void TestScreen::tabKeys()
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
    target->setFocus();
    auto *box = qobject_cast<QLineEdit *>(target);
    const QString before = box ? box->text() : QString();

    QTest::keyClick(target, static_cast<Qt::Key>(key), Qt::KeyboardModifiers(modifiers));

    QCOMPARE(m_screen->ssTabZur->currentIndex(), expectedTab);
    // Alt+1 and Alt+2 type nothing (nor add a row), while a plain digit is typed as usual.
    if (box && modifiers == Qt::AltModifier && (key == Qt::Key_1 || key == Qt::Key_2))
        QCOMPARE(box->text(), before);
    if (box && modifiers == 0)
        QCOMPARE(box->text(), before + QChar(key));
    QCOMPARE(m_screen->ssDetalle->Rows(), 0);
}

void TestScreen::resizeRules_data()
{
    QTest::addColumn<QSize>("pixels");
    QTest::addColumn<bool>("widthFits");  // W - 240 >= 0
    QTest::addColumn<bool>("heightFits"); // H - 1200 >= 0
    QTest::newRow("larger") << QSize(1377, 903) << true << true;
    QTest::newRow("narrower than the field grid's left") << QSize(300, 700) << true << true;
    QTest::newRow("lower than the tab control's top") << QSize(900, 60) << true << false;
    QTest::newRow("minimal") << QSize(10, 10) << false << false;
}

void TestScreen::resizeRules()
{
    QFETCH(QSize, pixels);
    QFETCH(bool, widthFits);
    QFETCH(bool, heightFits);
    showScreen();
    const TwipsLayout &l = m_screen->layout();
    const QHash<QString, TwipsRect> before = snapshot();

    m_screen->resize(pixels);
    m_screen->Form_Resize(); // as the resize event runs it; it must give the same result again
    QCOMPARE(m_screen->size(), pixels);

    // Each rule uses the earlier rules' values; one giving a negative size is skipped.
    auto orLast = [](float value, float last) { return value >= 0 ? value : last; };
    const float W = l.twipsX(pixels.width());
    const float H = l.twipsY(pixels.height());
    QWidget *tab = m_screen->ssTabZur;
    QFrame *fr1 = m_screen->fr1;
    QCOMPARE(l.width(tab), widthFits ? W - 2 * 120.0f : before.value("ssTabZur").width);
    QCOMPARE(l.height(tab), heightFits ? H - 1200.0f : before.value("ssTabZur").height);
    for (QFrame *frame : {fr1, m_screen->fr2}) {
        QCOMPARE(l.height(frame), l.height(tab) - 360.0f);
        QCOMPARE(l.width(frame), l.width(tab));
    }
    QCOMPARE(l.width(m_screen->sh1), l.width(tab));
    QCOMPARE(l.width(m_screen->Sh2), l.width(tab));
    const TwipsRect detail = before.value("ssDetalle");
    QCOMPARE(l.height(m_screen->ssDetalle), orLast(l.height(fr1) - 2020.0f, detail.height));
    QCOMPARE(l.width(m_screen->ssDetalle), orLast(l.width(fr1) - 6000.0f, detail.width));
    QCOMPARE(l.height(m_screen->ssLinea), l.height(m_screen->ssDetalle));
    // The toolbar spans the screen, so that its title follows the right edge.
    QCOMPARE(l.width(m_screen->Controles), W);

    // Nothing else moves or changes size, and no size is ever negative.
    const QSet<QString> resized{"ssTabZur", "fr1",       "sh1",     "fr2",
                                "Sh2",      "ssDetalle", "ssLinea", "Controles"};
    const QHash<QString, TwipsRect> after = snapshot();
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        const TwipsRect &was = before.value(it.key());
        QVERIFY2(it->width >= 0 && it->height >= 0, qPrintable(it.key()));
        QVERIFY2(it->left == was.left && it->top == was.top, qPrintable(it.key()));
        QVERIFY2(resized.contains(it.key()) || *it == was, qPrintable(it.key()));
        QWidget *w = m_screen->findChild<QWidget *>(it.key());
        QCOMPARE(w->geometry(), l.toPixels(*it, w->parentWidget()));
    }
    QCOMPARE(after.value("ssLinea").width, before.value("ssLinea").width);

    // Back at the design size every control has its first layout again.
    m_screen->resize(l.pixelsX(15360), l.pixelsY(8715));
    QCOMPARE(snapshot(), before);
}

void TestScreen::tabChangeEnablesOnlyTheVisibleFrame()
{
    showScreen();
    const TwipsLayout &l = m_screen->layout();
    QTabWidget *tab = m_screen->ssTabZur;
    // As an edit leaves them: the data controls enabled.
    m_screen->txtDescripcion->setEnabled(true);
    m_screen->txtUser1->setEnabled(true);
    const QFrame *frames[2] = {m_screen->fr1, m_screen->fr2};
    for (int current : {1, 0}) {
        tab->setCurrentIndex(current);
        QVERIFY(frames[current]->isEnabled());
        QVERIFY(!frames[1 - current]->isEnabled());
        for (QWidget *w : frames[1 - current]->findChildren<QWidget *>())
            QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
        // The page starts right below the tabs, and its frame fills it.
        const QRect inTab(frames[current]->mapTo(tab, QPoint()), frames[current]->size());
        QCOMPARE(inTab, QRect(0, l.pixelsY(360), tab->width(), tab->height() - l.pixelsY(360)));
    }
    QVERIFY(m_screen->txtDescripcion->isEnabled());
    // Design-time disabled controls stay disabled when their frame comes back.
    QVERIFY(!m_screen->txtArchivo->isEnabled());
    // The field store's list is never shown, not even when asked to.
    m_screen->lvDetalle->show();
    QVERIFY(!m_screen->lvDetalle->isVisible());
    // A click on a tab is a tab change too.
    QTest::mouseClick(tab->tabBar(), Qt::LeftButton, {}, tab->tabBar()->tabRect(1).center());
    QCOMPARE(tab->currentIndex(), 1);
    QVERIFY(!m_screen->txtClave->isEnabled());
    QVERIFY(m_screen->txtUser1->isEnabled());
}

void TestScreen::enterOnTheTabControl_data()
{
    QTest::addColumn<QString>("receiver");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("simulated"); // SimulateKeys("\t", 0) calls
    QTest::newRow("Return on the tabs") << "ssTabZurBar" << int(Qt::Key_Return) << 1;
    QTest::newRow("Enter on the tabs") << "ssTabZurBar" << int(Qt::Key_Enter) << 1;
    QTest::newRow("Return on the tab control") << "ssTabZur" << int(Qt::Key_Return) << 1;
    // An Enter that an input uses or leaves unused does not reach the tab control.
    QTest::newRow("Return in the key box") << "txtClave" << int(Qt::Key_Return) << 0;
    QTest::newRow("Return in a description") << "txtDescripcion" << int(Qt::Key_Return) << 0;
    QTest::newRow("Return in a date") << "dpUser5" << int(Qt::Key_Return) << 0;
}

void TestScreen::enterOnTheTabControl()
{
    QFETCH(QString, receiver);
    QFETCH(int, key);
    QFETCH(int, simulated);
    showScreen();
    m_screen->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_screen.get()));
    auto *target = m_screen->findChild<QWidget *>(receiver);
    m_screen->txtDescripcion->setEnabled(true);
    m_screen->dpUser5->setEnabled(true);
    m_screen->ssTabZur->setCurrentIndex(receiver == u"dpUser5"_s ? 1 : 0);
    QWidget *focused = simulated ? m_screen->ssTabZur->tabBar() : target;
    focused->setFocus(Qt::TabFocusReason);
    QVERIFY(!simulated || QApplication::focusWidget() == focused);

    QTest::keyClick(target, static_cast<Qt::Key>(key));
    QCOMPARE(m_record->count(u"SimulateKeys"_s), simulated);
    if (!simulated)
        return;
    QCOMPARE(m_record->lastCall(u"SimulateKeys"_s), u"SimulateKeys(\t|0)"_s);
    // The TAB moved the focus on, off the tabs, and the tab stays.
    QVERIFY(QApplication::focusWidget() != focused);
    QCOMPARE(m_screen->ssTabZur->currentIndex(), 0);
    // A failing SimulateKeys ends the handler; the error is shown, not thrown into Qt.
    m_record->failOn = u"SimulateKeys"_s;
    QTest::keyClick(m_screen->ssTabZur, Qt::Key_Return);
    QCOMPARE(m_record->messages.value(0).text,
             u"ssTabZur_KeyPress()\r\nSimulateKeys failed (test)"_s);
}

void TestScreen::browse_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("chosen"); // empty: the dialog was cancelled
    QTest::addColumn<QString>("after");
    QTest::newRow("chosen") << "anterior.txt"
                            << "/datos/clientes 2024.txt"
                            << "/datos/clientes 2024.txt";
    QTest::newRow("cancelled") << "anterior.txt"
                               << ""
                               << "anterior.txt";
    QTest::newRow("cancelled, empty box") << ""
                                          << ""
                                          << "";
}

void TestScreen::browse()
{
    QFETCH(QString, before);
    QFETCH(QString, chosen);
    QList<QPair<QWidget *, QStringList>> shown; // owner and filters of every showing
    CommonDialog::setChooser([&](QWidget *owner, const QStringList &filters) {
        shown.append({owner, filters});
        return chosen;
    });
    showScreen();
    m_screen->Controles->DoNew(); // the browse button takes clicks while a format is edited
    m_screen->txtArchivo->setText(before);
    QTest::mouseClick(m_screen->cmdArchivo, Qt::LeftButton);
    const QString filter = u"Archivos(*.*)|*.*|"_s;
    QCOMPARE(shown, (QList<QPair<QWidget *, QStringList>>{
                        {m_screen.get(), CommonDialog::qtNameFilters(filter)}}));
    QCOMPARE(m_screen->cdFile->Filter(), filter);
    QTEST(m_screen->txtArchivo->text(), "after");
    QVERIFY(m_record->messages.isEmpty()); // a cancel raises no error
}

QTEST_MAIN(TestScreen)
#include "tst_screen.moc"
