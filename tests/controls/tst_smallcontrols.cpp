// The small controls: the text box and key box (notifications, the custom format, upper case,
// Enter moving on, the numeric mode), the colour scheme and the common file dialog.

#include "controls/ColorScheme.h"
#include "controls/CommonDialog.h"
#include "controls/DataGrid.h"
#include "controls/SmallControls.h"
#include "controls/TextBox.h"

#include <QSignalSpy>
#include <QTest>

using namespace velkora::controls;

namespace {

// A shown window with a key box as designed (four characters, upper case, format "0000") and a
// second box after it.
struct KeyBoxWindow {
    QWidget window;
    TextBox *key = new TextBox(&window);
    TextBox *next = new TextBox(&window);

    KeyBoxWindow()
    {
        window.setObjectName("window");
        key->setObjectName("txtClave");
        next->setObjectName("txtDescripcion");
        key->setMaxLength(4);
        key->setMayusculas(true);
        key->setFormatopersonal("0000");
        window.show();
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window))
            qWarning("the window did not become active");
        key->setFocus();
    }
};

} // namespace

class TestSmallControls : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        setForceUppercase(false);
        CommonDialog::setChooser({});
    }

    void changeAndEnterNotifications()
    {
        KeyBoxWindow w;
        QSignalSpy change(w.key, &TextBox::Change);
        QString entered; // the text as each Enter saw it
        connect(w.key, &TextBox::Enter, w.key, [&] { entered += w.key->text() + ";"; });
        w.key->setText("0001");
        w.key->clear();
        QTest::keyClicks(w.key, "1");
        QTest::keyClick(w.key, Qt::Key_Tab); // not an Enter
        w.key->setFocus();
        QTest::keyClick(w.key, Qt::Key_Return); // formatted first
        QVERIFY(w.key->hasFocus());             // the focus stays unless enterMovesOn
        w.key->setEnterMovesOn(true);
        QTest::keyClick(w.key, Qt::Key_Enter, Qt::KeypadModifier);
        QVERIFY(w.next->hasFocus());
        QCOMPARE(entered, "0001;0001;");
        QCOMPARE(change.count(), 4);
    }

    void values_data()
    {
        // Into the key box (four characters) with a format, or a numeric box ("N" and the
        // decimals): typed and confirmed with Enter, typed and left, or set by the program.
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("how"); // "enter", "leave" or "set"
        QTest::addColumn<QVariant>("input");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const char *format, const char *how,
                            const QVariant &input, const char *expected) {
            QTest::newRow(name) << QString(format) << QString(how) << input << QString(expected);
        };
        row("pads a number", "0000", "enter", "12", "0012");
        row("leading zeros kept to width", "0000", "enter", "007", "0007");
        row("not a whole number stays", "0000", "enter", "1.5", "1.5");
        row("negative", "000", "enter", "-5", "-005");
        row("formatted text would not fit", "0000", "enter", "-5", "-5");
        row("hash places unpadded", "##00", "enter", "7", "07");
        row("other format characters", "0@0@", "enter", "12", "12");
        row("not formatted on leaving", "0000", "leave", "12", "12");
        row("set int", "0000", "set", 7, "0007");
        row("set whole double", "0000", "set", 3.0, "0003");
        row("set text stays", "0000", "set", "7", "7");
        row("set null empties", "0000", "set", QVariant(), "");
        row("set wider than the box, not cut", "0000", "set", 123456, "123456");
        row("numeric decimal comma", "N4", "enter", "12,5", "12.5000");
        row("numeric letters refused", "N4", "leave", "1a2b", "12.0000");
        row("numeric second point refused", "N4", "enter", "1.2.3", "1.2300");
        row("numeric sign only first", "N4", "leave", "1-2", "12.0000");
        row("numeric at most four decimals", "N4", "leave", "1.234567", "1.2345");
        row("numeric sign alone", "N4", "enter", "-", "0.0000");
        row("numeric leading zeros", "N4", "leave", "-007.5", "-7.5000");
        row("numeric two decimals", "N2", "enter", "3,1", "3.10");
        row("numeric set rounded", "N4", "set", -1.23456, "-1.2346");
        row("numeric set null", "N4", "set", QVariant(), "0.0000");
        row("numeric set text to the decimals", "N4", "set", "2.5", "2.5000");
        row("numeric set long text, every digit", "N4", "set", "1234567890123456.78",
            "1234567890123456.7800");
    }
    void values()
    {
        QFETCH(QString, format);
        QFETCH(QString, how);
        QFETCH(QVariant, input);
        KeyBoxWindow w;
        const bool numeric = format.startsWith('N');
        TextBox *box = numeric ? w.next : w.key;
        if (numeric)
            box->setNumeric(format.mid(1).toInt());
        box->setFormatopersonal(numeric ? QString() : format); // replaced at run time
        box->setFocus();
        box->clear();
        if (how == "set") {
            box->setValue(input);
        } else {
            QTest::keyClicks(box, input.toString());
            if (how == "enter")
                QTest::keyClick(box, Qt::Key_Return);
            else
                (box == w.key ? w.next : w.key)->setFocus();
        }
        QTEST(box->text(), "expected");
    }

    void upperCase()
    {
        // By the box's own switch, by the setting for every box, or not at all.
        for (const auto &[mayusculas, forced] :
             {std::pair{true, false}, {false, true}, {false, false}}) {
            const QString shown = mayusculas || forced ? "ABXYCÑ" : "abxycñ";
            KeyBoxWindow w;
            setForceUppercase(forced);
            w.next->setMayusculas(mayusculas);
            w.next->setFocus();
            QTest::keyClicks(w.next, "ac");
            QTest::sendKeyEvent(QTest::Click, w.next, Qt::Key_Ntilde, "ñ", Qt::NoModifier);
            w.next->setCursorPosition(1); // the cursor keeps its place
            QTest::keyClick(w.next, Qt::Key_B);
            QCOMPARE(w.next->cursorPosition(), 2);
            w.next->insert("xy"); // pasted text as well
            QCOMPARE(w.next->text(), shown);
            QCOMPARE(w.next->cursorPosition(), 4);
            QTest::keyClick(w.next, Qt::Key_End);
            QTest::keyClick(w.next, Qt::Key_D);
            w.next->undo(); // typing can still be undone
            QCOMPARE(w.next->text(), shown);
            w.next->setText("low"); // text set by the program stays as set
            QCOMPARE(w.next->text(), "low");
        }
    }

    void colorSchemeAppliedToTheWindow()
    {
        KeyBoxWindow w;
        auto *scheme = new ColorScheme(&w.window);
        w.next->setEnabled(false);
        scheme->ApplyColors();
        QCOMPARE(w.window.palette().color(QPalette::Window), scheme->background());
        QCOMPARE(w.next->palette().color(QPalette::Disabled, QPalette::Base),
                 scheme->inputDisabled());
        // The focused input shows the focused background while it has the focus.
        const auto base = [](QWidget *box) {
            return box->palette().color(QPalette::Active, QPalette::Base);
        };
        w.next->setEnabled(true);
        w.next->setFocus();
        QCOMPARE(base(w.next), scheme->inputFocused());
        w.key->setFocus();
        scheme->ApplyColors(); // applying again changes nothing
        QCOMPARE(base(w.key), scheme->inputFocused());
        QCOMPARE(base(w.next), scheme->inputEnabled());
    }

    void filterTranslation()
    {
        const std::pair<const char *, QStringList> filters[] = {
            {"Archivos(*.*)|*.*|", {"Archivos (*)"}},
            {"Texto|*.txt|Todos|*.*", {"Texto (*.txt)", "Todos (*)"}},
            {"Textos (*.txt)|*.txt", {"Textos (*.txt)"}},
            {"Datos|*.txt;*.csv", {"Datos (*.txt *.csv)"}},
            {"Todos", {"Todos (*)"}},
            {"|*.dat", {"*.dat (*.dat)"}},
            {"", {"(*)"}}};
        for (const auto &[filter, expected] : filters)
            QCOMPARE(CommonDialog::qtNameFilters(filter), expected);
    }

    void fileDialogCancelled()
    {
        // Cancelled, the name is emptied, or with CancelError DialogCancelled is thrown.
        CommonDialog dialog;
        dialog.setFileName("/antes.txt");
        CommonDialog::setChooser([](QWidget *, const QStringList &) { return QString(); });
        dialog.ShowOpen();
        QCOMPARE(dialog.FileName(), QString());
        dialog.setCancelError(true);
        QVERIFY_THROWS_EXCEPTION(DialogCancelled, dialog.ShowOpen());
    }
};

QTEST_MAIN(TestSmallControls)
#include "tst_smallcontrols.moc"
