// The screen frmKESTA: its design, its load and its keyboard, resize, tab and browse handlers;
// its modes: what each mode lets the user touch, control by control, reached as the user reaches
// it; New with and without an automatic key; the record command; an edit with changes is never
// ended by Escape, Salir or the window's close without a question. Loading a load format by its
// key, as the user does, on SQLite and PostgreSQL; the toolbar's extra commands (Copiar, Probar,
// Script) on the screen.

#include "OwnerForm.h"
#include "editor/EditFixture.h"
#include "screen/TwipsLayout.h"
#include "store/Database.h"
#include "store/Statements.h"
#include "support/DataRows.h"

#include <QCursor>
#include <QFileInfo>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <controls/ColorScheme.h>
#include <controls/CommonDialog.h>

using namespace Qt::StringLiterals;
using kesta::host::RuntimeError;
using kesta::screen::frmKESTA;
using kesta::screen::TwipsLayout;
using kesta::screen::TwipsRect;
using velkora::controls::CommonDialog;
using namespace kesta::test;
using Kind = TestDatabase::Kind;
using kesta::editor::FieldStore;
using velkora::controls::DatePicker;

namespace {

// The usable state of the screen, as one text: each control enabled (E) or disabled (-), the
// visible edit buttons and the toolbar's offered commands.
QString usable(const EditScreen &s)
{
    QString text;
    // Enabled as the mode leaves it: the frame of the hidden tab disables its controls too,
    // which is the tab change's business, not the mode's.
    const auto flag = [&](const char *name) {
        const QWidget *w = s.screen->findChild<QWidget *>(QString::fromLatin1(name));
        text += w->isEnabledTo(w->parentWidget()) ? 'E' : '-';
    };
    for (const char *name :
         {"txtClave", "txtDescripcion", "txtArchivo", "cmdArchivo", "chInverso", "txtUser1",
          "txtUser2", "txtUser3", "txtUser4", "dpUser5", "dpUser6", "ssLinea", "ssDetalle"})
        flag(name);
    text += ' ';
    for (int i = 0; i < 5; ++i) {
        if (s.button(i)->isVisibleTo(s.screen.get()))
            text += s.button(i)->isEnabled() ? 'E' : '-';
        else
            text += '.';
    }
    QStringList offered;
    for (const char *name : {"New", "Edit", "Record", "Reactivate", "Deactivate", "Save", "Cancel",
                             "Exit", "B1", "B2", "B3"}) {
        if (s.toolbar()->isOffered(QString::fromLatin1(name)))
            offered << QString::fromLatin1(name);
    }
    return text + ' ' + offered.join(',');
}

// Two line types with two fields each, the second line's rows written first; the texts hold
// what could break a statement.
void writeTwoLines(const TestDatabase &db)
{
    LineRow first, second;
    first.description = "O'Brien \"hi\"", first.file = "C:\\datos\\x\\'";
    first.user1 = "'; DROP TABLE Layout; --", first.user2 = "100% _x Año €";
    second.id = "0002", second.lineId = "D'", second.lineDescription = "Detalle \"\" \\";
    second.position = 2, second.length = 3, second.inverso = "NO", second.estado = "BA";
    insertLine(db, second);
    insertLine(db, first);
    FieldRow f;
    for (const auto &[line, id, tipo, trim] :
         {std::tuple{"0002", "0001", "03", "SI"}, std::tuple{"0001", "0005", "05", "si"},
          std::tuple{"0001", "0001", "01", "SI"}, std::tuple{"0002", "0007", "04", "NO"}}) {
        f.lineId = line, f.id = id, f.tipo = tipo, f.trim = trim;
        f.description = "D'" + f.id, f.valor = "V\\" + f.id, f.formato = "F\"" + f.id;
        insertField(db, f);
    }
}

// The nothing-loaded state of the key-change reset.
void verifyNothingLoaded(const LoadScreen &s)
{
    QCOMPARE(s.flags(), QStringLiteral("----"));
    QCOMPARE(s.toolbar()->B1Caption() + s.toolbar()->B2Caption() + s.text("txtDescripcion") +
                 s.text("txtArchivo"),
             QString());
    QCOMPARE(s.lineGrid()->Rows() + s.fieldGrid()->Rows() + s.store().count(), 0);
    QVERIFY(s.lineGrid()->redraw() && s.fieldGrid()->redraw());
}

} // namespace

class TestScreen : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        m_screen.reset();
        CommonDialog::setChooser({});
        kesta::test::uninstallServices();
    }

    void settings_data()
    {
        // keyFormat: FTO_LAYOUT; invalid: missing; keyEditable: option CAT001; force:
        // CAT_FORZAR_MAYUSCULAS; typed12: "12" in the key box's format; passed: to
        // SetForceUppercase; empty: not a Boolean; failOn: a service call that raises.
        const auto add = dataColumns<QVariant, QVariant, QVariant, QString, int, QString, QString>(
            {"keyFormat", "keyEditable", "force", "typed12", "editable", "passed", "failOn"});
        const QVariant none;
        add("six digits", QVariant(u"000000"_s), QVariant(1), QVariant(u"True"_s), "000012", 1,
            "true", "");
        add("number format", QVariant(0), QVariant(-1), QVariant(u"NO"_s), "12", -1, "false", "");
        add("empty format", QVariant(QString()), QVariant(0), QVariant(u"1"_s), "12", 0, "true",
            "");
        add("all missing", none, none, none, "0012", 0, "false", "");
        auto force = [&](const char *tag, const QVariant &value, const char *passed) {
            add(tag, none, none, value, "0012", 0, passed, "");
        };
        // A failing step: the steps before it stay done.
        auto fail = [&](const char *tag, const char *failOn, const char *typed12, int editable) {
            add(tag, QVariant(u"00000"_s), QVariant(7), QVariant(true), typed12, editable, "true",
                failOn);
        };
        fail("3 fails: FTO_LAYOUT", "GetSetting", "0012", 0);
        fail("4 fails: CAT001", "GetModuleOption", "00012", 0);
        fail("5 fails: SetForceUppercase", "SetForceUppercase", "00012", 7);
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
    void settings()
    {
        auto [keyFormat, keyEditable, force, passed, failOn] =
            fetchColumns<QVariant, QVariant, QVariant, QString, QString>(
                {"keyFormat", "keyEditable", "force", "passed", "failOn"});
        if (!failOn.isEmpty())
            record()->failOn = failOn;
        record()->settings[u"FTO_LAYOUT"_s] = keyFormat; // a null setting reads as a missing one
        record()->settings[u"CAT_FORZAR_MAYUSCULAS"_s] = force;
        if (keyEditable.isValid())
            record()->moduleOptions[u"KESTA/CAT001"_s] = keyEditable;
        QVERIFY(!screen()->colorZUR->applied() && !screen()->Controles->ToolbarReady());

        QStringList calls{"GetSetting(FTO_LAYOUT|0||)",
                          "GetModuleOption(KESTA|CAT001|No disponible)",
                          "GetSetting(CAT_FORZAR_MAYUSCULAS|0||)"};
        if (!passed.isEmpty())
            calls << u"SetForceUppercase(%1)"_s.arg(passed);
        if (!failOn.isEmpty())
            calls = calls.mid(0, calls.indexOf(QRegularExpression(failOn + "\\(.*")) + 1);
        if (passed.isEmpty() || !failOn.isEmpty()) {
            QVERIFY_THROWS_EXCEPTION(RuntimeError, screen()->Form_Load());
            const QString error = screen()->loadError();
            QVERIFY2(error.startsWith(failOn.isEmpty() ? u"Type mismatch"_s : failOn + " failed"),
                     qPrintable(error));
            QVERIFY(!failOn.isEmpty() || error.contains(u"CAT_FORZAR_MAYUSCULAS"_s));
            // Step 6 is not run: the buttons keep their design places.
            QCOMPARE(screen()->layout().left(screen()->cmdControles[3]), 3960.0f);
            QCOMPARE(screen()->layout().left(screen()->cmdControles[4]), 5280.0f);
        } else {
            screen()->Form_Load();
        }
        QCOMPARE(record()->calls.filter(QRegularExpression(u"^(?!create\\()"_s)), calls);
        QVERIFY(screen()->colorZUR->applied() && screen()->Controles->ToolbarReady());
        QTEST(screen()->txtClave->formatted(u"12"_s), "typed12");
        QTEST(screen()->KeyEditable, "editable");
    }
    void showRunsTheLoadOnce_data()
    {
        // loadedByTheHost: before the first showing
        const auto add = dataColumns<bool, bool>({"loadedByTheHost", "fails"});
        add("shown", false, false);
        add("loaded by the host", true, false);
        add("failing load", false, true);
    }
    void showRunsTheLoadOnce()
    {
        auto [loadedByTheHost, fails] = fetchColumns<bool, bool>({"loadedByTheHost", "fails"});
        record()->settings[u"CAT_FORZAR_MAYUSCULAS"_s] = fails ? QVariant(u"tal vez"_s) : true;
        TwipsLayout &l = screen()->layout();
        l.setLeft(screen()->cmdControles[0], 300);
        l.setLeft(screen()->cmdControles[1], 1700);
        if (loadedByTheHost)
            screen()->Form_Load();
        QSignalSpy failed(screen(), &frmKESTA::loadFailed);
        if (fails)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"screen load failed"_s));
        showScreen();
        screen()->hide();
        screen()->show();
        screen()->Form_Load();
        QVERIFY(screen()->loaded() && screen()->isVisible());
        QCOMPARE(record()->count(u"GetSetting"_s), 2);
        // A failed load is reported once with its description; the screen is shown all the same.
        QCOMPARE(failed.count(), fails ? 1 : 0);
        if (fails)
            QCOMPARE(failed.first().first().toString(), screen()->loadError());
        // Wherever "Nuevo" and "Editar" are, "Aceptar" and "Cancelar" take their places.
        for (int i = 0; i < 5; ++i) {
            QWidget *button = screen()->cmdControles[i];
            QCOMPARE(button->isVisible(), i < 3);
            if (i > 2 && !fails)
                QCOMPARE(l.rect(button), l.rect(screen()->cmdControles[i - 3]));
            if (i > 2 && !fails)
                QCOMPARE(button->geometry(), screen()->cmdControles[i - 3]->geometry());
        }
    }
    void activationFocusesKeyBox()
    {
        showScreen();
        screen()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(screen()));
        QTRY_COMPARE(QApplication::focusWidget(), screen()->txtClave);
        // Also after the focus moved on and another window was active.
        screen()->chInverso->setFocus();
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        screen()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(screen()));
        QTRY_COMPARE(QApplication::focusWidget(), screen()->txtClave);
    }
    // Alt+1 and Alt+2 show a tab from anywhere, typing nothing; any other key or shift state does
    // nothing, nor do the tab control's own keys. An Enter on the tabs or the tab control goes on
    // as a TAB (simulated: SimulateKeys("\t", 0) calls); one that an input uses or leaves unused
    // does not reach the tab control.
    void tabKeys_data()
    {
        const auto add = dataColumns<QString, int, int, int, int, int>(
            {"receiver", "startTab", "key", "modifiers", "expectedTab", "simulated"});
        const int alt = Qt::AltModifier;
        const int ctrl = Qt::ControlModifier;
        add("Alt+2 in the key box", "txtClave", 0, Qt::Key_2, alt, 1, 0);
        add("Alt+2 in the field grid", "ssDetalle", 0, Qt::Key_2, alt, 1, 0);
        add("Alt+1 in a date", "dpUser5", 1, Qt::Key_1, alt, 0, 0);
        add("Alt+1 on the tabs", "ssTabZurBar", 1, Qt::Key_1, alt, 0, 0);
        add("Ctrl+Alt+1", "txtUser1", 1, Qt::Key_1, ctrl | alt, 1, 0);
        add("plain 2", "txtClave", 0, Qt::Key_2, 0, 0, 0);
        add("Ctrl+Tab in the key box", "txtClave", 0, Qt::Key_Tab, ctrl, 0, 0);
        add("Ctrl+PgDown", "ssTabZur", 0, Qt::Key_PageDown, ctrl, 0, 0);
        add("Right on the tabs", "ssTabZurBar", 0, Qt::Key_Right, 0, 0, 0);
        add("Return on the tabs", "ssTabZurBar", 0, Qt::Key_Return, 0, 0, 1);
        add("Enter on the tabs", "ssTabZurBar", 0, Qt::Key_Enter, 0, 0, 1);
        add("Return on the tab control", "ssTabZur", 0, Qt::Key_Return, 0, 0, 1);
        add("Return in the key box", "txtClave", 0, Qt::Key_Return, 0, 0, 0);
        add("Return in a description", "txtDescripcion", 0, Qt::Key_Return, 0, 0, 0);
        add("Return in a date", "dpUser5", 1, Qt::Key_Return, 0, 1, 0);
    }
    void tabKeys()
    {
        auto [receiver, startTab, key, modifiers, simulated] =
            fetchColumns<QString, int, int, int, int>(
                {"receiver", "startTab", "key", "modifiers", "simulated"});
        showScreen();
        screen()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(screen()));
        // The inputs as an edit enables them.
        for (QWidget *input : {static_cast<QWidget *>(screen()->txtDescripcion),
                               static_cast<QWidget *>(screen()->txtUser1),
                               static_cast<QWidget *>(screen()->dpUser5)})
            input->setEnabled(true);
        screen()->ssTabZur->setCurrentIndex(startTab);
        auto *target = screen()->findChild<QWidget *>(receiver);
        QWidget *focused = simulated ? screen()->ssTabZur->tabBar() : target;
        focused->setFocus(Qt::TabFocusReason);
        QVERIFY(!simulated || QApplication::focusWidget() == focused);
        auto *box = qobject_cast<QLineEdit *>(target);
        const QString before = box ? box->text() : QString();

        QTest::keyClick(target, static_cast<Qt::Key>(key), Qt::KeyboardModifiers(modifiers));

        QTEST(screen()->ssTabZur->currentIndex(), "expectedTab");
        QCOMPARE(record()->count(u"SimulateKeys"_s), simulated);
        // Alt+1 and Alt+2 type nothing (nor add a row), while a plain digit is typed as usual.
        if (box && modifiers == Qt::AltModifier && (key == Qt::Key_1 || key == Qt::Key_2))
            QCOMPARE(box->text(), before);
        if (box && modifiers == 0 && key < 0x80)
            QCOMPARE(box->text(), before + QChar(key));
        QCOMPARE(screen()->ssDetalle->Rows(), 0);
        if (!simulated)
            return;
        QCOMPARE(record()->lastCall(u"SimulateKeys"_s), u"SimulateKeys(\t|0)"_s);
        QVERIFY(QApplication::focusWidget() != focused); // the TAB moved the focus on
        // A failing SimulateKeys ends the handler; the error is shown, not thrown into Qt.
        record()->failOn = u"SimulateKeys"_s;
        QTest::keyClick(screen()->ssTabZur, Qt::Key_Return);
        QCOMPARE(record()->messages.value(0).text,
                 u"ssTabZur_KeyPress()\r\nSimulateKeys failed (test)"_s);
    }
    void resizeRules_data()
    {
        // widthFits: W - 240 >= 0; heightFits: H - the tab control's top >= 0.
        const auto add = dataColumns<QSize, bool, bool>({"pixels", "widthFits", "heightFits"});
        add("larger", QSize(1377, 903), true, true);
        add("narrower than the field grid's left", QSize(300, 700), true, true);
        add("lower than the tab control's top", QSize(900, 20), true, false);
        add("minimal", QSize(10, 10), false, false);
    }
    void resizeRules()
    {
        auto [pixels, widthFits, heightFits] =
            fetchColumns<QSize, bool, bool>({"pixels", "widthFits", "heightFits"});
        showScreen();
        const TwipsLayout &l = screen()->layout();
        const QHash<QString, TwipsRect> before = snapshot();

        screen()->resize(pixels);
        screen()->Form_Resize(); // as the resize event runs it; it must give the same result again
        QCOMPARE(screen()->size(), pixels);

        // Each rule uses the earlier rules' values; one giving a negative size is skipped.
        auto orLast = [](float value, float last) { return value >= 0 ? value : last; };
        const float W = l.twipsX(pixels.width());
        const float H = l.twipsY(pixels.height());
        QWidget *tab = screen()->ssTabZur;
        QFrame *fr1 = screen()->fr1;
        QCOMPARE(l.width(tab), widthFits ? W - 2 * 120.0f : before.value("ssTabZur").width);
        // Shorter than the design, the toolbar takes the height it needs and the tab control
        // follows it.
        const float toolbar = l.height(screen()->Controles);
        QVERIFY(toolbar <= 960.0f && toolbar >= 240.0f);
        QCOMPARE(l.top(tab), H < 8715.0f ? toolbar + 60.0f : 1200.0f);
        QCOMPARE(l.height(tab), heightFits ? H - l.top(tab) : before.value("ssTabZur").height);
        for (QFrame *frame : {fr1, screen()->fr2, screen()->sh1, screen()->Sh2})
            QCOMPARE(l.width(frame), l.width(tab));
        for (QFrame *frame : {fr1, screen()->fr2})
            QCOMPARE(l.height(frame), l.height(tab) - 360.0f);
        const TwipsRect detail = before.value("ssDetalle");
        QCOMPARE(l.height(screen()->ssDetalle), orLast(l.height(fr1) - 2020.0f, detail.height));
        QCOMPARE(l.width(screen()->ssDetalle), orLast(l.width(fr1) - 6000.0f, detail.width));
        QCOMPARE(l.height(screen()->ssLinea), l.height(screen()->ssDetalle));
        // The toolbar spans the screen, so that its title follows the right edge.
        QCOMPARE(l.width(screen()->Controles), W);
        // The boxes give up width on a narrow screen, the browse button beside the file box.
        const float boxes = std::min(7455.0f, l.width(fr1) - 1920.0f - 585.0f);
        for (QWidget *box : {screen()->txtDescripcion, screen()->txtArchivo})
            QCOMPARE(l.width(box), boxes >= 0 ? boxes : 7455.0f);
        QCOMPARE(l.left(screen()->cmdArchivo), l.right(screen()->txtArchivo) + 105.0f);

        // Nothing else moves or changes size, and no size is ever negative.
        const QSet<QString> resized{"ssTabZur",   "fr1",        "sh1",
                                    "fr2",        "Sh2",        "ssDetalle",
                                    "ssLinea",    "Controles",  "txtDescripcion",
                                    "txtArchivo", "cmdArchivo", "lblEstado"};
        const QHash<QString, TwipsRect> after = snapshot();
        for (auto it = after.cbegin(); it != after.cend(); ++it) {
            const TwipsRect &was = before.value(it.key());
            QVERIFY2(it->width >= 0 && it->height >= 0, qPrintable(it.key()));
            QVERIFY2((it->left == was.left || it.key() == "cmdArchivo") &&
                         (it->top == was.top || it.key() == "ssTabZur"),
                     qPrintable(it.key()));
            QVERIFY2(resized.contains(it.key()) || *it == was, qPrintable(it.key()));
            QWidget *w = screen()->findChild<QWidget *>(it.key());
            QCOMPARE(w->geometry(), l.toPixels(*it, w->parentWidget()));
        }
        QCOMPARE(after.value("ssLinea").width, before.value("ssLinea").width);

        // Back at the design size every control has its first layout again.
        screen()->resize(l.pixelsX(15360), l.pixelsY(8715));
        QCOMPARE(snapshot(), before);
    }
    void tabChangeEnablesOnlyTheVisibleFrame()
    {
        showScreen();
        const TwipsLayout &l = screen()->layout();
        QTabWidget *tab = screen()->ssTabZur;
        // As an edit leaves them: the data controls enabled.
        screen()->txtDescripcion->setEnabled(true);
        screen()->txtUser1->setEnabled(true);
        const QFrame *frames[2] = {screen()->fr1, screen()->fr2};
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
        QVERIFY(screen()->txtDescripcion->isEnabled());
        // Design-time disabled controls stay disabled when their frame comes back.
        QVERIFY(!screen()->txtArchivo->isEnabled());
        // A click on a tab is a tab change too.
        QTest::mouseClick(tab->tabBar(), Qt::LeftButton, {}, tab->tabBar()->tabRect(1).center());
        QCOMPARE(tab->currentIndex(), 1);
        QVERIFY(!screen()->txtClave->isEnabled());
        QVERIFY(screen()->txtUser1->isEnabled());
    }
    void browse_data()
    {
        // chosen: empty: the dialog was cancelled
        const auto add = dataColumns<QString, QString, QString>({"before", "chosen", "after"});
        const QString file = u"/datos/clientes 2024.txt"_s, before = u"anterior.txt"_s;
        add("chosen", before, file, file);
        add("cancelled", before, QString(), before);
        add("cancelled, empty box", QString(), QString(), QString());
    }
    void browse()
    {
        auto [before, chosen] = fetchColumns<QString, QString>({"before", "chosen"});
        QList<QPair<QWidget *, QStringList>> shown; // owner and filters of every showing
        CommonDialog::setChooser([&](QWidget *owner, const QStringList &filters) {
            shown.append({owner, filters});
            return chosen;
        });
        showScreen();
        screen()->Controles->DoNew(); // the browse button takes clicks while a format is edited
        screen()->txtArchivo->setText(before);
        QTest::mouseClick(screen()->cmdArchivo, Qt::LeftButton);
        // Every file first, then the usual text files (the dialog adds the file's extension).
        const QString filter = CommonDialog::readingFilter();
        QCOMPARE(shown, (QList<QPair<QWidget *, QStringList>>{
                            {screen(),
                             {u"Todos los archivos (*)"_s,
                              u"Archivos de texto (*.txt *.dat *.prn *.csv)"_s}}}));
        QCOMPARE(screen()->cdFile->Filter(), filter);
        QTEST(screen()->txtArchivo->text(), "after");
        QVERIFY(record()->messages.isEmpty()); // a cancel raises no error
    }

    // The modes, over the two-line format stored in a database (EditScreen).
    void modeTable_data()
    {
        // What the user does (steps as EditScreen::perform takes them), from a fresh screen over
        // the two-line format stored under 0001 and a deactivated one under 0002. Expected: the
        // controls key, description, file, browse, reverse, user 1-4, dates 5-6, line grid, field
        // grid; then the five edit buttons ('.' hidden); then the offered commands. The focus
        // empty: wherever it was.
        const auto add =
            dataColumns<QString, QString, QString, QString>({"steps", "mode", "expected", "focus"});
        // "Editar" and "Eliminar" wait for a line type, "Script" for a key (shown, not offered).
        const char *const idle = "E----------EE ---.. New,Exit";
        add("start", "", "Idle", "E----------EE ---.. New,Exit", "");
        add("load active", "1", "Viewing active",
            "E----------EE ---.. New,Edit,Record,Deactivate,Exit,B1,B2,B3", "");
        add("load deactivated", "2", "Viewing deactivated",
            "E----------EE ---.. New,Record,Reactivate,Exit,B1,B2,B3", "");
        add("New from the start", "New", "Editing new", "EEEEEEEEEEEEE E--.. Save,Cancel,Exit",
            "txtClave");
        add("Edit", "1 Edit", "Editing existing", "-EEEEEEEEEEEE EEE.. Record,Save,Cancel,Exit,B3",
            "txtDescripcion");
        add("New over a shown record", "1 New", "Editing new",
            "EEEEEEEEEEEEE E--.. Save,Cancel,Exit", "txtClave");
        // A cancelled edit leaves an empty screen on its first tab.
        add("New, Cancel", "1 New Cancel", "Idle", idle, "txtClave");
        add("Edit, Cancel", "1 Edit Cancel", "Idle", idle, "txtClave");
        add("line edit, toolbar Cancel", "1 Edit Nuevo click", "Idle", idle, "txtClave");
    }
    void modeTable()
    {
        auto [steps, focus] = fetchColumns<QString, QString>({"steps", "focus"});
        KESTA_TWO_LINE_SCREEN();
        LineRow deactivated;
        deactivated.key = "0002", deactivated.estado = "BA";
        insertLine(db, deactivated);

        s.perform(steps);

        QTEST(kesta::commands::modeName(s.screen->mode()), "mode");
        QTEST(usable(s), "expected");
        QVERIFY(!s.screen->LineEditActive());
        if (!focus.isEmpty())
            QCOMPARE(s.focus()->objectName(), focus);
        if (steps.endsWith("Cancel")) {
            QCOMPARE(s.keyBox()->text(), QString());
            QCOMPARE(s.child<QTabWidget>("ssTabZur")->currentIndex(), 0);
            QCOMPARE(s.lineGrid()->Rows() + s.store().count(), 0);
        }
    }
    void automaticKey_data()
    {
        const auto add = dataColumns<QVariant, int, qlonglong, QString, bool, QString>(
            {"setting", "keyEditable", "nextKey", "key", "keyEnabled", "message"});

        add("off", QVariant("0"), 0, 7LL, "", true, "");
        add("not set", QVariant(), 0, 7LL, "", true, "");
        add("on, key fixed", QVariant("1"), 0, 7LL, "0007", false, "");
        add("on, key editable", QVariant("SI"), 1, 42LL, "0042", true, "");
        add("on, no key left", QVariant("1"), 0, 10000LL, "", true, "7500028");
    }
    void automaticKey()
    {
        auto [setting, keyEditable, nextKey, key, message] =
            fetchColumns<QVariant, int, qlonglong, QString, QString>(
                {"setting", "keyEditable", "nextKey", "key", "message"});
        EditScreen s;
        s.record->settings.insert("CAT_AUTOCLAVE", setting);
        s.record->nextKey = nextKey;
        s.screen->KeyEditable = keyEditable;

        s.command("New");

        QCOMPARE(s.keyBox()->text(), key);
        QTEST(s.keyBox()->isEnabled(), "keyEnabled");
        QCOMPARE(s.record->count("NextKey"),
                 setting.toString().isEmpty() || setting == "0" ? 0 : 1);
        if (message.isEmpty()) {
            QVERIFY(s.record->messages.isEmpty());
            return;
        }
        verifyMessage(s, message, 48, "Velkora");
        QVERIFY(s.record->messages.first().text.contains("(10000)"));
        // The user types a key of four characters at most, as always.
        QCOMPARE(s.focus(), s.keyBox());
        s.keys("123456");
        QCOMPARE(s.keyBox()->text(), QStringLiteral("1234"));
    }
    void gridCaptionsAreDrawnInTheirRectangles()
    {
        EditScreen s;
        for (const auto &[grid, caption] :
             {std::pair{s.lineGrid(), "Línea"}, std::pair{s.fieldGrid(), "Detalle"}}) {
            const auto *bar = grid->findChild<QLabel *>("captionBar");
            QVERIFY(bar && bar->isVisible());
            QCOMPARE(bar->text(), QString::fromUtf8(caption));
            // Inside the grid, across its top, above the column captions.
            QVERIFY(grid->rect().contains(bar->geometry()));
            QVERIFY(bar->width() >= grid->width() - 2 * grid->frameWidth());
            QVERIFY(bar->geometry().bottom() < grid->viewport()->geometry().top());
            QVERIFY(grid->horizontalHeader()->geometry().bottom() <
                    grid->viewport()->geometry().top() + 1);
        }
    }
    void unsavedEditIsNotThrownAway_data()
    {
        // How the edit began and what the user does to end it (steps as EditScreen::perform takes
        // them); the answer to a question; whether the question was asked and the edit ended.
        const auto add = dataColumns<QString, QString, int, bool, bool>(
            {"begun", "ending", "answer", "asked", "ended"});
        const int yes = 6, no = 7;
        const QString typed = "New >42 @txtDescripcion >Pagos", changed = "1 Edit >X";
        // "Nuevo" and a line number typed, which opens the Orden cell's editor.
        const QString lineEdit = typed + " Nuevo >1";
        add("new, Escape, No", typed, "Escape", no, true, false);
        add("new, Escape, Yes", typed, "Escape", yes, true, true);
        add("new untouched, Escape", "New", "Escape", 0, false, true);
        // The first Escape closes the cell editor, the second cancels the line edit, the third (in
        // the line grid) touches nothing.
        add("line edit, Escape three times", lineEdit, "Escape Escape Escape", 0, false, false);
        add("line edit, Salir, No", lineEdit, "Exit", no, true, false);
        add("edit, Salir, No", changed, "Exit", no, true, false);
        add("edit, Salir, Yes", changed, "Exit", yes, true, true);
        add("edit untouched, Salir", "1 Edit", "Exit", 0, false, true);
        add("new, close, No", typed, "close", no, true, false);
        add("new, close, Yes", typed, "close", yes, true, true);
        add("edit untouched, close", "1 Edit", "close", 0, false, true);
        // A click on Cancelar is the user's explicit choice: it discards at once.
        add("new, Cancelar clicked", typed, "click", 0, false, true);
    }
    void unsavedEditIsNotThrownAway()
    {
        auto [begun, ending, answer, asked, ended] =
            fetchColumns<QString, QString, int, bool, bool>(
                {"begun", "ending", "answer", "asked", "ended"});
        KESTA_TWO_LINE_SCREEN();
        velkora::app::OwnerForm owner(QStringLiteral("KESTA"));
        s.screen->setPadre(&owner);
        QSignalSpy unloaded(&owner, &velkora::app::OwnerForm::unloadRequested);
        auto *description = s.child("txtDescripcion");
        s.perform(begun);
        const QString key = s.keyBox()->text();
        const QString typedDescription = description->text();
        const QStringList lines = gridRows(s.lineGrid());
        const QStringList store = storeRows(s.store());
        const auto mode = s.screen->mode();
        s.forget();
        if (answer)
            s.record->answers = {answer};

        const bool closed = s.perform(ending);
        QCoreApplication::processEvents(); // the owner's unload is queued

        if (asked)
            verifyMessage(s, "7500045", 292, "Descartar cambios");
        else
            QVERIFY(s.record->messages.isEmpty());
        if (ending == "Exit") {
            QCOMPARE(unloaded.size(), ended ? 1 : 0);
        } else if (ending == "close") {
            QCOMPARE(closed, ended);
            QCOMPARE(s.screen->isVisible(), !ended);
        } else {
            QCOMPARE(s.screen->mode() == kesta::commands::Mode::Idle, ended);
        }
        if (ended) {
            // What follows (the host closing its window after Salir) asks nothing more.
            if (!closed)
                s.screen->close();
            QCOMPARE(s.record->messages.size(), asked ? 1 : 0);
            return;
        }
        // Nothing of the load format is lost: the mode, the key and the header as typed, and
        // everything accepted into the grids.
        QCOMPARE(s.screen->mode(), mode);
        QVERIFY(s.toolbar()->EditMode());
        QCOMPARE(s.keyBox()->text(), key);
        QCOMPARE(description->text(), typedDescription);
        QCOMPARE(storeRows(s.store()), store);
        if (begun.contains("Nuevo") && ending.startsWith("Escape")) {
            // Escape ended the line edit as "Cancelar" does: the line never accepted is gone.
            QVERIFY(!s.screen->LineEditActive());
            QCOMPARE(s.lineGrid()->Rows(), 0);
            QCOMPARE(s.focus(), s.lineGrid());
        } else if (begun.contains("Nuevo")) {
            // The line edit goes on, with what the cell editor held in its cell.
            QVERIFY(s.screen->LineEditActive());
            QCOMPARE(s.lineGrid()->cell(0, "Orden").toString(), QStringLiteral("1"));
        } else {
            QCOMPARE(gridRows(s.lineGrid()), lines);
        }
    }

    // Loading a load format by its key, as the user does, on SQLite and PostgreSQL.
    void loadsEverything_data() { KESTA_BOTH_ENGINES(); }
    void loadsEverything()
    {
        QFETCH(Kind, kind);
        TestDatabase db(kind);
        KESTA_REQUIRE(db);
        writeTwoLines(db);
        LoadScreen s(db.connectionName());

        s.typeKey("1");

        QCOMPARE(s.keyBox()->text(), QStringLiteral("0001"));
        QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
        // The lines, the fields and the rules read in one transaction, one snapshot.
        QCOMPARE(s.record->statements.filter("SELECT").size(), 3);
        QCOMPARE(s.record->statements.first() + s.record->statements.last(), "BEGINCOMMIT");
        QCOMPARE(kesta::Publico::Sql(), s.record->statements.at(3));
        QCOMPARE(s.record->count("Connection"), 4); // fetched anew for every use, never held

        // The header comes from the first row in Ly_ID order, not from the first row written.
        QStringList header;
        for (const char *box : {"txtDescripcion", "txtArchivo", "txtUser1", "txtUser2", "txtUser3"})
            header << s.text(box);
        for (const char *picker : {"dpUser5", "dpUser6"})
            header << s.child<DatePicker>(picker)->date().toString(Qt::ISODate);
        QCOMPARE(header,
                 (QStringList{"O'Brien \"hi\"", "C:\\datos\\x\\'", "'; DROP TABLE Layout; --",
                              "100% _x Año €", "12.5000", "2025-03-14", "2026-01-31"}));
        QVERIFY(s.child<QCheckBox>("chInverso")->isChecked());
        QCOMPARE(s.flags(), QStringLiteral("LED-")); // the first row is active
        s.child<QWidget>("lvDetalle")->show();       // the store's view is never shown
        QVERIFY(!s.child<QWidget>("lvDetalle")->isVisible());
        QCOMPARE(s.toolbar()->B1Caption() + s.toolbar()->B2Caption() + s.toolbar()->B3Caption(),
                 QStringLiteral("CopiarProbarScript"));

        for (int pass = 0; pass < 2; ++pass) { // confirming again rebuilds rather than adds
            if (pass == 1)
                QTest::keyClick(s.keyBox(), Qt::Key_Return);
            QCOMPARE(gridRows(s.lineGrid()),
                     (QStringList{"0001|H|Encabezado|1|1", "0002|D'|Detalle \"\" \\|2|3"}));
            QCOMPARE(s.lineGrid()->currentRow(), 0);
            // Every field, numbered across line types; the keys keep the stored Ld_ID.
            QCOMPARE(
                storeRows(s.store()),
                (QStringList{"K-0001-0001|0001-0001|0000|D'0001|1|2|01|V\\0001|F\"0001|SI|0001",
                             "K-0001-0005|0001-0005|0010|D'0005|1|2|05|V\\0005|F\"0005|si|0001",
                             "K-0002-0001|0002-0001|0020|D'0001|1|2|03|V\\0001|F\"0001|SI|0002",
                             "K-0002-0007|0002-0007|0030|D'0007|1|2|04|V\\0007|F\"0007|NO|0002"}));
            // The field grid: the first line type's fields; only "SI" exactly ticks Trim.
            QCOMPARE(gridRows(s.fieldGrid()),
                     (QStringList{"0000|D'0001|1|2|NUMERO|V\\0001|F\"0001|true|0001",
                                  "0010|D'0005|1|2|SQL|V\\0005|F\"0005|false|0001"}));
            QVERIFY(s.lineGrid()->redraw() && s.fieldGrid()->redraw());
        }
        QCOMPARE(s.record->statements.filter("SELECT").size(), 6);
    }
    void keyChangeResets()
    {
        TestDatabase db;
        KESTA_REQUIRE(db);
        writeTwoLines(db);
        LoadScreen s(db.connectionName());
        s.typeKey("1");
        QVERIFY(s.toolbar()->RecordLoaded());
        s.forget();

        QTest::keyClick(s.keyBox(), Qt::Key_Backspace);

        verifyNothingLoaded(s);
        QCOMPARE(s.toolbar()->B3Caption(), QStringLiteral("Script")); // not touched by the reset
        QVERIFY(!s.child<QCheckBox>("chInverso")->isChecked());
        QCOMPARE(s.record->calls.filter("ClearScreen"), QStringList{"ClearScreen(frmKESTA|1)"});
        QCOMPARE(s.keyBox()->text(), QStringLiteral("000"));

        s.typeKey(QString()); // an empty key box loads nothing
        QCOMPARE(s.record->statements.size() + s.record->messages.size(), 0);

        // While the toolbar edits, a key change resets nothing and a key confirmed loads nothing.
        s.typeKey("1");
        s.toolbar()->DoNew(false);
        s.toolbar()->setEditAllowed(true);
        s.keyBox()->setEnabled(true);
        s.child("txtDescripcion")->setText("kept");
        s.forget();
        s.typeKey("2");
        s.screen->txtClave_Enter();
        QVERIFY(s.toolbar()->EditAllowed());
        QCOMPARE(s.text("txtDescripcion"), QStringLiteral("kept"));
        QCOMPARE(s.record->count("ClearScreen") + s.record->count("Connection"), 0);
        QCOMPARE(s.record->statements.size() + s.record->messages.size(), 0);
    }
    void brokenDetailRowEndsInReset_data()
    {
        // broken: the column left null in a row, or a repeated key
        const auto add = dataColumns<Kind, QString, bool>({"kind", "broken", "messageFails"});
        for (const char *broken : {"Ld_Descripcion", "Ld_Posicion", "Ld_Longitud", "Ld_Tipo",
                                   "Ld_Valor", "Ld_Formato", "Ld_Trim", "Ly_ID", "K-0001-0002"})
            add(QByteArray("SQLite ") + broken, Kind::Sqlite, broken, false);
        add("PostgreSQL null", Kind::PostgreSql, "Ld_Valor", false);
        add("PostgreSQL duplicate", Kind::PostgreSql, "K-0001-0002", false);
        add("message fails", Kind::Sqlite, "Ld_Valor", true);
    }
    void brokenDetailRowEndsInReset()
    {
        auto [kind, broken, messageFails] =
            fetchColumns<Kind, QString, bool>({"kind", "broken", "messageFails"});
        TestDatabase db(kind);
        KESTA_REQUIRE(db);
        const bool duplicate = broken.startsWith("K-");
        if (duplicate || broken == "Ly_ID") { // a Layout_Detalle that takes what its key refuses
            db.exec("ALTER TABLE Layout_Detalle RENAME TO Keyed");
            db.exec("CREATE TABLE Layout_Detalle AS SELECT * FROM Keyed");
        }
        insertLine(db, LineRow{});
        FieldRow f;
        for (const char *id : {"0001", "0002", duplicate ? "0002" : "0003"})
            f.id = id, insertField(db, f);
        if (!duplicate)
            db.exec("UPDATE Layout_Detalle SET " + broken + " = NULL WHERE Ld_ID = '0003'");
        LoadScreen s(db.connectionName());
        if (messageFails)
            s.record->failOn = QStringLiteral("ShowMessage");

        s.typeKey("1");

        if (messageFails) {
            QCOMPARE(s.record->calls.filter("ERR-ID:7500025").size(), 1);
        } else {
            verifyMessage(s, "7500025", 16, "Velkora");
            const QString text = s.record->messages.value(0).text;
            QVERIFY2(text.startsWith("txtClave_Enter()\r\n") && text.contains(broken),
                     qPrintable(text));
        }
        // Nothing half loaded stays that the toolbar would offer to edit and save.
        verifyNothingLoaded(s);
        QCOMPARE(s.keyBox()->text(), QStringLiteral("0001"));
        QVERIFY(!s.toolbar()->isOffered("Edit"));
    }
    void fieldsInTheEnginesOrder_data() { KESTA_BOTH_ENGINES(); }
    void fieldsInTheEnginesOrder()
    {
        // The fields come in the order the load's statement asks of the engine (the numbers'
        // lengths first, in characters), also for numbers that are no numbers; thousands of them
        // numbered past 16 bits without wrapping.
        QFETCH(Kind, kind);
        TestDatabase db(kind);
        KESTA_REQUIRE(db);
        const QStringList numbers{"10000", "0010", "9", "0100", "A1", "0020", "Z",
                                  "00010", "ÑA",   "B", "😀",    "😀1", "010"};
        QSqlDatabase connection = QSqlDatabase::database(db.connectionName(), false);
        QVERIFY(connection.transaction());
        for (const QString line : {"0002", "10000", "0001", "A", "0010"}) {
            LineRow row;
            row.id = line;
            insertLine(db, row);
            FieldRow f;
            f.lineId = line;
            for (int i = 0; i < (line == "0002" ? 5000 : 0); ++i) {
                f.id = QStringLiteral("X%1").arg(i, 4, 10, QLatin1Char('0'));
                insertField(db, f);
            }
            for (const QString &id : numbers) {
                f.id = id;
                insertField(db, f);
            }
        }
        QVERIFY(connection.commit());
        QStringList expected;
        QSqlQuery query(connection);
        QVERIFY(query.exec(velkora::store::loadDetailSelect(
            kind == Kind::Sqlite ? kesta::host::Engine::Sqlite : kesta::host::Engine::PostgreSql,
            "0001")));
        while (query.next())
            expected << "K-" + query.value("Ly_ID").toString() + "-" +
                            query.value("Ld_ID").toString();
        QCOMPARE(expected.size(), 5000 + 5 * numbers.size());
        LoadScreen s(db.connectionName());

        s.typeKey("1");

        QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
        QCOMPARE(storeKeys(s.store()), expected);
        for (const int i : {3276, 3277, int(expected.size()) - 1})
            QCOMPARE(s.store().subItem(i, FieldStore::Id), QString::number(i * 10));
        QCOMPARE(s.fieldGrid()->Rows(), numbers.size());
    }
    void keysAndFlags_data() { KESTA_BOTH_ENGINES(); }
    void keysAndFlags()
    {
        // A key with an apostrophe loads its own rows: a deactivated format offers only
        // reactivation and may have no fields; a null text shows as the empty text, a null number
        // as the numeric box's empty value, and a null date leaves the picker as it is. A key that
        // is not there changes nothing. (Keys made to break out of their literal are the storage
        // tests', on the store and through the screen.)
        QFETCH(Kind, kind);
        TestDatabase db(kind);
        KESTA_REQUIRE(db);
        LineRow stored;
        stored.key = "A'B", stored.estado = "BA", stored.description = QString();
        stored.user3 = stored.date5 = QVariant();
        insertLine(db, stored);
        insertLine(db, LineRow{});
        insertField(db, FieldRow{});
        LoadScreen s(db.connectionName());

        for (const QString typed : {"A'B", "9999"}) {
            s.typeKey(typed, false); // typed in full: Enter changes nothing in the key box
            s.child("txtDescripcion")->setText("as it was");
            s.child<DatePicker>("dpUser5")->setDate(QDate(2001, 2, 3));
            s.store().add("K-1-1", "1-1");
            s.forget();
            QTest::keyClick(s.keyBox(), Qt::Key_Return);

            const bool found = typed == stored.key;
            const QStringList selects = s.record->statements.filter("SELECT");
            QCOMPARE(selects.size(), found ? 3 : 1);
            QCOMPARE(s.record->statements.last(), QStringLiteral("COMMIT"));
            QVERIFY2(selects.value(0).contains("'" + typed.toUpper().replace("'", "''") + "'"),
                     qPrintable(selects.value(0)));
            QCOMPARE(s.child<DatePicker>("dpUser5")->date(), QDate(2001, 2, 3));
            if (found) {
                QVERIFY(s.record->messages.isEmpty());
                QCOMPARE(s.text("txtDescripcion") + "|" + s.text("txtUser3") + "|" + s.flags(),
                         QStringLiteral("|0.0000|L--R"));
                QCOMPARE(s.child<DatePicker>("dpUser6")->date(), QDate(2026, 1, 31));
                QCOMPARE(s.lineGrid()->Rows(), 1);
                QCOMPARE(s.store().count() + s.fieldGrid()->Rows(), 0);
                continue;
            }
            verifyMessage(s, "7500024", 48, "Atención");
            QCOMPARE(s.text("txtDescripcion") + s.flags(), QStringLiteral("as it was----"));
            QCOMPARE(s.store().count(), 1);
            QCOMPARE(s.keyBox()->text(), typed.toUpper());
        }

        // The load only switches flags on; only the key change switches them off. The reverse box
        // ticks for "SI" alone.
        s.typeKey("1");
        QCOMPARE(s.flags(), QStringLiteral("LED-"));
        db.exec("UPDATE Layout SET Es_Cve_Estado = 'BA', Ly_Inverso = 'si'");
        QTest::keyClick(s.keyBox(), Qt::Key_Return);
        QCOMPARE(s.flags(), QStringLiteral("LEDR"));
        QVERIFY(!s.child<QCheckBox>("chInverso")->isChecked());
    }
    // Another user's save of the same key is under way on the SQLite file (its write lock taken,
    // its rows not yet committed): the load reads its own snapshot at once, neither waiting for
    // the lock nor seeing the uncommitted rows, and the other save commits after it.
    void loadBesideAnotherUsersSave()
    {
        TestDatabase db;
        KESTA_REQUIRE(db);
        writeTwoLineFormat(db);
        {
            QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "anotherUser");
            other.setDatabaseName(db.location());
            QVERIFY(other.open());
            QSqlQuery save(other);
            QVERIFY(save.exec("BEGIN IMMEDIATE"));
            QVERIFY(save.exec(
                "UPDATE Layout SET Ly_Descripcion = 'otra' WHERE Ly_Cve_Layout = '0001'"));
            LoadScreen s(db.connectionName());
            s.typeKey("1");
            QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
            QCOMPARE(s.lineGrid()->Rows(), 2);
            QCOMPARE(s.store().count(), 3);
            QVERIFY(s.text("txtDescripcion") != "otra");
            QVERIFY(save.exec("COMMIT"));
        }
        QSqlDatabase::removeDatabase("anotherUser");
    }

    // The toolbar's extra commands (Copiar, Probar, Script) and its record command.
    void copyStartsANewFormatWithTheContent_data()
    {
        const auto add = dataColumns<QString, QVariant, QString>({"state", "automatic", "key"});
        add("active", "AC", QVariant(), "");
        add("deactivated", "BA", QVariant(), "");
        add("automatic key", "AC", QVariant("1"), "0008");
    }
    void copyStartsANewFormatWithTheContent()
    {
        auto [state, automatic] = fetchColumns<QString, QVariant>({"state", "automatic"});
        KESTA_TWO_LINE_SCREEN();
        db.exec("UPDATE Layout SET Es_Cve_Estado = '" + state + "'");
        s.record->settings.insert("CAT_AUTOCLAVE", automatic);
        s.record->nextKey = 8;
        s.screen->KeyEditable = 1;
        s.typeKey("1");
        const QStringList header{s.text("txtDescripcion"), s.text("txtArchivo"), s.text("txtUser1"),
                                 s.text("txtUser3")};
        const QStringList held = s.held();
        s.forget();

        s.command("B1");

        QCOMPARE(kesta::commands::modeName(s.screen->mode()), QStringLiteral("Editing new"));
        QVERIFY(!s.screen->Copying);
        QTEST(s.keyBox()->text(), "key");
        QCOMPARE(QStringList({s.text("txtDescripcion"), s.text("txtArchivo"), s.text("txtUser1"),
                              s.text("txtUser3")}),
                 header);
        QCOMPARE(s.held(), held);
        QCOMPARE(s.toolbar()->B1Caption() + s.toolbar()->B2Caption(), QString());
        QCOMPARE(s.record->count("ClearScreen"), 0);
    }
    void probar_data()
    {
        // how: "click": Probar; else "Probar con otro archivo..."; chosen: in the file dialog;
        // empty: cancelled.
        const auto add = dataColumns<QString, QString, QString, QString, QString>(
            {"how", "chosen", "result", "lastError", "message"});
        add("result", "click", "", "1|H|x", "", "");
        add("could not run", "click", "", "", "No existe el archivo x.txt", "7500019");
        add("nothing to say", "click", "", "", "", "");
        add("another file, menu", "menu", "/datos/otro mes.txt", "1|H|x", "", "");
        add("another file, Shift+click", "shift", "/datos/otro.txt", "1|H|x", "", "");
        add("another file, key", "key", "/datos/otro.txt", "1|H|x", "", "");
        add("another file, cancelled", "menu", "", "1|H|x", "", "");
    }
    // Probar tests the stored format on its file; "Probar con otro archivo..." (its button's menu,
    // Shift+click or its key) on a file chosen in the file dialog, never on the stored file
    // instead. The result is shown, or why the test could not run; the hourglass while it runs.
    void probar()
    {
        auto [how, chosen, result, lastError, message] =
            fetchColumns<QString, QString, QString, QString, QString>(
                {"how", "chosen", "result", "lastError", "message"});
        KESTA_TWO_LINE_SCREEN();
        s.typeKey("1");
        s.record->testResult = result;
        s.record->lastError = lastError;
        if (!chosen.isEmpty())
            s.record->chosenFiles << chosen;
        // The application's pointer while the services test the load format.
        QString pointer;
        s.record->duringCall = [&](const QString &call) {
            if (call.startsWith("TestLoadFormat"))
                pointer = QApplication::overrideCursor()
                              ? QString::number(QApplication::overrideCursor()->shape())
                              : QStringLiteral("none");
        };
        s.forget();
        velkora::controls::Controles *bar = s.toolbar();
        QAction *choice = bar->action("B2Archivo");
        QVERIFY(choice && bar->isOffered("B2Archivo"));
        auto *button = qobject_cast<QToolButton *>(
            bar->findChild<QToolBar *>()->widgetForAction(bar->action("B2")));
        QVERIFY(button && button->menu() && button->menu()->actions().contains(choice));

        if (how == "click")
            QTest::mouseClick(button, Qt::LeftButton);
        else if (how == "menu")
            choice->trigger();
        else if (how == "shift")
            QTest::mouseClick(button, Qt::LeftButton, Qt::ShiftModifier);
        else
            QTest::keySequence(s.screen.get(), choice->shortcut());

        const bool other = how != "click";
        const bool ran = !other || !chosen.isEmpty();
        QCOMPARE(s.record->count("ChooseOpenFile"), other ? 1 : 0);
        QCOMPARE(s.record->count("TestLoadFormat") + s.record->count("TestLoadFormatFile"),
                 ran ? 1 : 0);
        if (ran)
            QCOMPARE(s.record->lastCall(other ? "TestLoadFormatFile" : "TestLoadFormat"),
                     other ? "TestLoadFormatFile(0|0001|||" + chosen + ")"
                           : QStringLiteral("TestLoadFormat(0|0001||)"));
        const bool shown = ran && !result.isEmpty();
        QCOMPARE(s.record->count("ShowText"), shown ? 1 : 0);
        const QString title = "Prueba del formato 0001" +
                              (other ? " con " + QFileInfo(chosen).fileName() : QString());
        if (shown)
            QCOMPARE(s.record->lastCall("ShowText"),
                     "ShowText(" + result + "|" + title + "|0|0|-1|-1|7|-1)");
        if (message.isEmpty()) {
            QVERIFY(s.record->messages.isEmpty());
        } else {
            verifyMessage(s, message, 16, "ERROR");
            QCOMPARE(s.record->messages.first().text, lastError);
        }
        QCOMPARE(pointer, ran ? QString::number(Qt::WaitCursor) : QString());
        QVERIFY(!QApplication::overrideCursor());
    }
    void scriptAndRecordOfTheShownKey_data()
    {
        QTest::addColumn<bool>("rulesTable");
        QTest::newRow("rules") << true;
        QTest::newRow("no table of rules") << false;
    }
    void scriptAndRecordOfTheShownKey()
    {
        QFETCH(bool, rulesTable);
        KESTA_TWO_LINE_SCREEN();
        if (!rulesTable)
            db.exec("DROP TABLE Layout_Regla");
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

        // The record command opens the shown key's record.
        s.forget();
        s.command("Record");
        QCOMPARE(s.record->calls,
                 (QStringList{"CreateRecordTool()", "OpenRecord(Layout|Ly_Cve_Layout|0001||||)"}));

        s.record->failOn = QStringLiteral("ScriptRows");
        s.forget();
        s.command("B3");
        verifyMessage(s, "7500020", 16, "Controles_B3Click()");
        QCOMPARE(s.record->messages.first().text, QStringLiteral("ScriptRows failed (test)"));
        QCOMPARE(s.record->count("ShowText"), 0);
    }

private:
    // A fresh screen over the recording services, made on first use in each test.
    frmKESTA *screen()
    {
        if (!m_screen) {
            m_record = kesta::test::installRecordingServices();
            m_screen = std::make_unique<frmKESTA>();
        }
        return m_screen.get();
    }
    kesta::test::ServicesRecord *record()
    {
        screen();
        return m_record.get();
    }
    void showScreen()
    {
        screen()->show();
        QVERIFY(QTest::qWaitForWindowExposed(screen()));
    }
    // The twips of every placed control.
    QHash<QString, TwipsRect> snapshot()
    {
        QHash<QString, TwipsRect> rects;
        for (QWidget *w : screen()->findChildren<QWidget *>())
            if (screen()->layout().contains(w))
                rects.insert(w->objectName(), screen()->layout().rect(w));
        return rects;
    }

    std::shared_ptr<kesta::test::ServicesRecord> m_record;
    std::unique_ptr<frmKESTA> m_screen;
};

QTEST_MAIN(TestScreen)
#include "tst_screen.moc"
