// The text box and key box: notifications, the custom format, upper case, Enter moving on, and
// the numeric mode.

#include "controls/SmallControls.h"
#include "controls/TextBox.h"

#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

using velkora::controls::TextBox;

namespace {

// A shown window with a key box as designed and a second box after it.
struct KeyBoxWindow {
    QWidget window;
    TextBox *key = nullptr;
    TextBox *next = nullptr;

    KeyBoxWindow()
    {
        window.setObjectName(QStringLiteral("window"));
        auto *layout = new QVBoxLayout(&window);
        key = new TextBox(&window);
        key->setObjectName(QStringLiteral("txtClave"));
        key->setMaxLength(4);
        key->setMayusculas(true);
        key->setEsclave(true);
        key->setFormato(99);
        key->setFormatopersonal(QStringLiteral("0000"));
        next = new TextBox(&window);
        next->setObjectName(QStringLiteral("txtDescripcion"));
        layout->addWidget(key);
        layout->addWidget(next);
        window.show();
        window.activateWindow();
        key->setFocus();
    }
};

} // namespace

class TestTextBox : public QObject {
    Q_OBJECT

private slots:
    void init() { velkora::controls::setForceUppercase(false); }
    void cleanup() { velkora::controls::setForceUppercase(false); }

    void changeOnProgramAndUserEdits();
    void enterOnlyOnTheEnterKey();
    void formatOnEnter_data();
    void formatOnEnter();
    void enterSeesTheFormattedText();
    void setValueFormatsNumbers_data();
    void setValueFormatsNumbers();
    void formatReplacedAtRunTime();
    void maximumLength();
    void upperCase_data();
    void upperCase();
    void upperCaseKeepsTheCursor();
    void enterMovesOn();
    void newKeySwitchIsKept();
    void numericInput_data();
    void numericInput();
    void numericEmptyValueAndNormalising();
    void numericSetValue_data();
    void numericSetValue();
};

void TestTextBox::changeOnProgramAndUserEdits()
{
    KeyBoxWindow w;
    QSignalSpy change(w.key, &TextBox::Change);
    w.key->setText(QStringLiteral("0001"));
    QCOMPARE(change.count(), 1);
    w.key->setText(QStringLiteral("0001")); // no change, no notification
    QCOMPARE(change.count(), 1);
    w.key->clear();
    QCOMPARE(change.count(), 2);
    QTest::keyClicks(w.key, QStringLiteral("12"));
    QCOMPARE(change.count(), 4);
    QTest::keyClick(w.key, Qt::Key_Backspace);
    QCOMPARE(change.count(), 5);
    w.key->setValue(7);
    QCOMPARE(change.count(), 6);
    QCOMPARE(w.key->text(), QStringLiteral("0007"));
}

void TestTextBox::enterOnlyOnTheEnterKey()
{
    KeyBoxWindow w;
    QSignalSpy enter(w.key, &TextBox::Enter);
    QTest::keyClicks(w.key, QStringLiteral("12"));
    QTest::keyClick(w.key, Qt::Key_Tab);
    w.key->setFocus();
    w.key->setText(QStringLiteral("5"));
    QCOMPARE(enter.count(), 0);
    QTest::keyClick(w.key, Qt::Key_Return);
    QCOMPARE(enter.count(), 1);
    QTest::keyClick(w.key, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(enter.count(), 2);
}

void TestTextBox::formatOnEnter_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");

    QTest::newRow("pads a number") << "0000"
                                   << "12"
                                   << "0012";
    QTest::newRow("full width") << "0000"
                                << "1234"
                                << "1234";
    QTest::newRow("zero") << "0000"
                          << "0"
                          << "0000";
    QTest::newRow("leading zeros kept to width") << "0000"
                                                 << "007"
                                                 << "0007";
    QTest::newRow("letters stay") << "0000"
                                  << "ABC"
                                  << "ABC";
    QTest::newRow("mixed stays") << "0000"
                                 << "1A"
                                 << "1A";
    QTest::newRow("decimal stays") << "0000"
                                   << "1.5"
                                   << "1.5";
    QTest::newRow("negative") << "000"
                              << "-5"
                              << "-005";
    QTest::newRow("formatted text would not fit") << "0000"
                                                  << "-5"
                                                  << "-5";
    QTest::newRow("hash places unpadded") << "##00"
                                          << "7"
                                          << "07";
    QTest::newRow("hash only") << "####"
                               << "12"
                               << "12";
    QTest::newRow("empty format") << ""
                                  << "12"
                                  << "12";
    QTest::newRow("other format characters") << "@@@@"
                                             << "12"
                                             << "12";
    QTest::newRow("empty text") << "0000"
                                << ""
                                << "";
}

void TestTextBox::formatOnEnter()
{
    QFETCH(QString, format);
    QFETCH(QString, typed);
    QFETCH(QString, expected);

    KeyBoxWindow w;
    w.key->setFormatopersonal(format);
    QTest::keyClicks(w.key, typed);
    QCOMPARE(w.key->text(), typed);
    QTest::keyClick(w.key, Qt::Key_Return);
    QCOMPARE(w.key->text(), expected);
}

void TestTextBox::enterSeesTheFormattedText()
{
    KeyBoxWindow w;
    QString seen;
    connect(w.key, &TextBox::Enter, w.key, [&] { seen = w.key->text(); });
    QTest::keyClicks(w.key, QStringLiteral("12"));
    QTest::keyClick(w.key, Qt::Key_Return);
    QCOMPARE(seen, QStringLiteral("0012"));
}

void TestTextBox::setValueFormatsNumbers_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("int") << QVariant(7) << "0007";
    QTest::newRow("long long") << QVariant(qlonglong(42)) << "0042";
    QTest::newRow("whole double") << QVariant(3.0) << "0003";
    QTest::newRow("text stays") << QVariant(QStringLiteral("7")) << "7";
    QTest::newRow("null empties") << QVariant() << "";
    QTest::newRow("a number wider than the box is not cut") << QVariant(123456) << "123456";
}

void TestTextBox::setValueFormatsNumbers()
{
    QFETCH(QVariant, value);
    QFETCH(QString, expected);

    KeyBoxWindow w;
    w.key->setText(QStringLiteral("X"));
    w.key->setValue(value);
    QCOMPARE(w.key->text(), expected);
}

void TestTextBox::formatReplacedAtRunTime()
{
    KeyBoxWindow w;
    w.key->setMaxLength(8);
    w.key->setFormatopersonal(QStringLiteral("000000"));
    QCOMPARE(w.key->formato(), 99);
    QTest::keyClicks(w.key, QStringLiteral("12"));
    QTest::keyClick(w.key, Qt::Key_Return);
    QCOMPARE(w.key->text(), QStringLiteral("000012"));
    w.key->setFormatopersonal(QString());
    w.key->setValue(5);
    QCOMPARE(w.key->text(), QStringLiteral("5"));
    QCOMPARE(w.key->formatted(QStringLiteral("5")), QStringLiteral("5"));
}

void TestTextBox::maximumLength()
{
    KeyBoxWindow w;
    QTest::keyClicks(w.key, QStringLiteral("123456"));
    QCOMPARE(w.key->text(), QStringLiteral("1234"));
}

void TestTextBox::upperCase_data()
{
    QTest::addColumn<bool>("mayusculas");
    QTest::addColumn<bool>("forced");
    QTest::addColumn<QString>("expected");

    QTest::newRow("mayusculas") << true << false << QStringLiteral("ABÑ1");
    QTest::newRow("forced for every box") << false << true << QStringLiteral("ABÑ1");
    QTest::newRow("neither") << false << false << QStringLiteral("abñ1");
}

void TestTextBox::upperCase()
{
    QFETCH(bool, mayusculas);
    QFETCH(bool, forced);
    QFETCH(QString, expected);

    KeyBoxWindow w;
    velkora::controls::setForceUppercase(forced);
    QCOMPARE(velkora::controls::forceUppercase(), forced);
    w.next->setMayusculas(mayusculas);
    w.next->setFocus();
    QTest::keyClicks(w.next, QStringLiteral("ab"));
    QTest::sendKeyEvent(QTest::Click, w.next, Qt::Key_Ntilde, QStringLiteral("ñ"), Qt::NoModifier);
    QTest::keyClicks(w.next, QStringLiteral("1"));
    QCOMPARE(w.next->text(), expected);

    // Pasted (inserted) text follows the same rule; text set by the program does not.
    w.next->clear();
    w.next->insert(QStringLiteral("xy"));
    QCOMPARE(w.next->text(), mayusculas || forced ? QStringLiteral("XY") : QStringLiteral("xy"));
    w.next->setText(QStringLiteral("low"));
    QCOMPARE(w.next->text(), QStringLiteral("low"));
}

void TestTextBox::upperCaseKeepsTheCursor()
{
    KeyBoxWindow w;
    w.next->setMayusculas(true);
    w.next->setFocus();
    QTest::keyClicks(w.next, QStringLiteral("ac"));
    w.next->setCursorPosition(1);
    QTest::keyClick(w.next, Qt::Key_B);
    QCOMPARE(w.next->text(), QStringLiteral("ABC"));
    QCOMPARE(w.next->cursorPosition(), 2);

    // Inserting in the middle keeps the cursor after the insertion as well.
    w.next->setCursorPosition(1);
    w.next->insert(QStringLiteral("xy"));
    QCOMPARE(w.next->text(), QStringLiteral("AXYBC"));
    QCOMPARE(w.next->cursorPosition(), 3);

    // Typing in upper case can still be undone.
    QTest::keyClick(w.next, Qt::Key_End);
    QTest::keyClick(w.next, Qt::Key_D);
    QCOMPARE(w.next->text(), QStringLiteral("AXYBCD"));
    w.next->undo();
    QCOMPARE(w.next->text(), QStringLiteral("AXYBC"));
}

void TestTextBox::enterMovesOn()
{
    KeyBoxWindow w;
    QVERIFY(QTest::qWaitForWindowActive(&w.window));
    w.key->setFocus();
    QVERIFY(w.key->hasFocus());
    QSignalSpy enter(w.key, &TextBox::Enter);
    QTest::keyClick(w.key, Qt::Key_Return);
    QVERIFY(w.key->hasFocus()); // no enterMovesOn: the focus stays
    w.key->setEnterMovesOn(true);
    QTest::keyClick(w.key, Qt::Key_Return);
    QCOMPARE(enter.count(), 2);
    QVERIFY(w.next->hasFocus());
}

void TestTextBox::newKeySwitchIsKept()
{
    KeyBoxWindow w;
    QVERIFY(!w.key->NewKey());
    w.key->setNewKey(true);
    QVERIFY(w.key->NewKey());
    QVERIFY(w.key->property("NewKey").toBool());
    QTest::keyClicks(w.key, QStringLiteral("9"));
    QTest::keyClick(w.key, Qt::Key_Return);
    QCOMPARE(w.key->text(), QStringLiteral("0009"));
}

void TestTextBox::numericInput_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("afterFocusOut");

    QTest::newRow("whole") << "12"
                           << "12"
                           << "12.0000";
    QTest::newRow("decimal point") << "12.5"
                                   << "12.5"
                                   << "12.5000";
    QTest::newRow("decimal comma") << "12,5"
                                   << "12.5"
                                   << "12.5000";
    QTest::newRow("sign") << "-3.25"
                          << "-3.25"
                          << "-3.2500";
    QTest::newRow("letters refused") << "1a2b"
                                     << "12"
                                     << "12.0000";
    QTest::newRow("second point refused") << "1.2.3"
                                          << "1.23"
                                          << "1.2300";
    QTest::newRow("sign only inside") << "1-2"
                                      << "12"
                                      << "12.0000";
    QTest::newRow("at most four decimals") << "1.234567"
                                           << "1.2345"
                                           << "1.2345";
    QTest::newRow("sign alone") << "-"
                                << "-"
                                << "0.0000";
    QTest::newRow("leading zeros") << "007.5"
                                   << "007.5"
                                   << "7.5000";
    QTest::newRow("negative zero") << "-0"
                                   << "-0"
                                   << "0.0000";
}

void TestTextBox::numericInput()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, afterFocusOut);

    KeyBoxWindow w;
    QVERIFY(QTest::qWaitForWindowActive(&w.window));
    w.next->setNumeric(4);
    QVERIFY(w.next->isNumeric());
    QCOMPARE(w.next->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    w.next->setFocus();
    w.next->selectAll();
    QTest::keyClick(w.next, Qt::Key_Delete);
    QTest::keyClicks(w.next, typed);
    QCOMPARE(w.next->text(), shown);
    w.key->setFocus();
    QCOMPARE(w.next->text(), afterFocusOut);
}

void TestTextBox::numericEmptyValueAndNormalising()
{
    TextBox box;
    box.setNumeric(4);
    QCOMPARE(box.emptyValue(), QStringLiteral("0.0000"));
    QCOMPARE(box.text(), QStringLiteral("0.0000"));
    box.setText(QStringLiteral("5"));
    box.clearValue();
    QCOMPARE(box.text(), QStringLiteral("0.0000"));

    TextBox whole;
    whole.setNumeric(0);
    QCOMPARE(whole.emptyValue(), QStringLiteral("0"));

    TextBox plain;
    QCOMPARE(plain.emptyValue(), QString());
    plain.setText(QStringLiteral("x"));
    plain.clearValue();
    QCOMPARE(plain.text(), QString());

    // Enter normalises a numeric box as well.
    KeyBoxWindow w;
    w.next->setNumeric(2);
    w.next->setFocus();
    w.next->clear();
    QTest::keyClicks(w.next, QStringLiteral("3,1"));
    QTest::keyClick(w.next, Qt::Key_Return);
    QCOMPARE(w.next->text(), QStringLiteral("3.10"));
}

void TestTextBox::numericSetValue_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("double") << QVariant(3.25) << "3.2500";
    QTest::newRow("int") << QVariant(12) << "12.0000";
    QTest::newRow("rounded") << QVariant(1.23456) << "1.2346";
    QTest::newRow("negative") << QVariant(-0.5) << "-0.5000";
    QTest::newRow("null") << QVariant() << "0.0000";
    QTest::newRow("text as it is") << QVariant(QStringLiteral("2.5")) << "2.5";
}

void TestTextBox::numericSetValue()
{
    QFETCH(QVariant, value);
    QFETCH(QString, expected);

    TextBox box;
    box.setNumeric(4);
    box.setValue(value);
    QCOMPARE(box.text(), expected);
}

QTEST_MAIN(TestTextBox)
#include "tst_textbox.moc"
