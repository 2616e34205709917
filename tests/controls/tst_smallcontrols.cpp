// The small controls: date picker, colour scheme and the common file dialog (filter
// translation, the chooser, cancelling).

#include "controls/ColorScheme.h"
#include "controls/CommonDialog.h"
#include "controls/DataGrid.h"
#include "controls/SmallControls.h"
#include "controls/TextBox.h"

#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

using namespace velkora::controls;

class TestSmallControls : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { CommonDialog::setChooser({}); }

    void datePicker();
    void colorSchemeIsReadable();
    void colorSchemeAppliedToTheWindow();
    void filterTranslation_data();
    void filterTranslation();
    void showOpenUsesTheChooser();
    void cancelLeavesTheNameEmpty();
    void cancelErrorWhenAsked();
};

void TestSmallControls::datePicker()
{
    DatePicker picker;
    QVERIFY(picker.calendarPopup());
    QVERIFY(picker.displayFormat().contains(QLatin1String("yyyy")));
    picker.setDate(QDate(2001, 2, 3));
    QCOMPARE(picker.date(), QDate(2001, 2, 3));
    picker.clearValue();
    QCOMPARE(picker.date(), QDate::currentDate());
}

void TestSmallControls::colorSchemeIsReadable()
{
    ColorScheme scheme;
    // Text reads well on every background it is drawn on.
    QVERIFY(ColorScheme::contrast(scheme.text(), scheme.background()) >= 4.5);
    QVERIFY(ColorScheme::contrast(scheme.text(), scheme.inputEnabled()) >= 4.5);
    QVERIFY(ColorScheme::contrast(scheme.text(), scheme.inputFocused()) >= 4.5);
    QVERIFY(ColorScheme::contrast(scheme.text(), scheme.gridEven()) >= 4.5);
    QVERIFY(ColorScheme::contrast(scheme.text(), scheme.gridOdd()) >= 4.5);
    QVERIFY(ColorScheme::contrast(scheme.disabledText(), scheme.inputDisabled()) >= 4.5);
    QVERIFY(ColorScheme::contrast(QColor(Qt::white), scheme.highlight()) >= 4.5);
    // The states are told apart.
    QVERIFY(scheme.inputFocused() != scheme.inputEnabled());
    QVERIFY(scheme.inputDisabled() != scheme.inputEnabled());
    QVERIFY(scheme.gridOdd() != scheme.gridEven());
    QCOMPARE(ColorScheme::contrast(Qt::black, Qt::white), 21.0);
    QCOMPARE(ColorScheme::contrast(Qt::gray, Qt::gray), 1.0);
}

void TestSmallControls::colorSchemeAppliedToTheWindow()
{
    QWidget window;
    window.setObjectName(QStringLiteral("window"));
    auto *layout = new QVBoxLayout(&window);
    auto *scheme = new ColorScheme(&window);
    auto *frame = new QWidget(&window);
    frame->setObjectName(QStringLiteral("frame"));
    auto *enabled = new TextBox(frame);
    enabled->setObjectName(QStringLiteral("enabled"));
    auto *disabled = new TextBox(frame);
    disabled->setObjectName(QStringLiteral("disabled"));
    disabled->setEnabled(false);
    auto *grid = new DataGrid(frame);
    grid->setObjectName(QStringLiteral("grid"));
    layout->addWidget(frame);
    layout->addWidget(enabled);
    layout->addWidget(disabled);
    layout->addWidget(grid);

    QVERIFY(!scheme->applied());
    scheme->ApplyColors();
    QVERIFY(scheme->applied());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(!scheme->isVisible());

    QCOMPARE(window.palette().color(QPalette::Window), scheme->background());
    QCOMPARE(window.palette().color(QPalette::Active, QPalette::Base), scheme->inputEnabled());
    QCOMPARE(disabled->palette().color(QPalette::Disabled, QPalette::Base),
             scheme->inputDisabled());
    QCOMPARE(disabled->palette().color(QPalette::Disabled, QPalette::Text), scheme->disabledText());
    QCOMPARE(grid->palette().color(QPalette::Active, QPalette::AlternateBase), scheme->gridOdd());
    QVERIFY(grid->alternatingRowColors());
    QVERIFY(window.styleSheet().isEmpty());

    // The focused input shows the focused background while it has the focus.
    auto *other = new TextBox(frame);
    other->setObjectName(QStringLiteral("other"));
    layout->addWidget(other);
    other->show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    enabled->setFocus();
    QCOMPARE(enabled->palette().color(QPalette::Active, QPalette::Base), scheme->inputFocused());
    QCOMPARE(other->palette().color(QPalette::Active, QPalette::Base), scheme->inputEnabled());
    other->setFocus();
    QCOMPARE(enabled->palette().color(QPalette::Active, QPalette::Base), scheme->inputEnabled());
    QCOMPARE(other->palette().color(QPalette::Active, QPalette::Base), scheme->inputFocused());
    QVERIFY(!enabled->testAttribute(Qt::WA_SetPalette)); // inherits the window's again

    // Applying again changes nothing.
    scheme->ApplyColors();
    QCOMPARE(other->palette().color(QPalette::Active, QPalette::Base), scheme->inputFocused());
    QCOMPARE(window.palette().color(QPalette::Window), scheme->background());
}

void TestSmallControls::filterTranslation_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("the browse filter")
        << "Archivos(*.*)|*.*|" << QStringList{"Archivos(*.*) (*.*)"};
    QTest::newRow("two pairs") << "Texto|*.txt|Todos|*.*"
                               << QStringList{"Texto (*.txt)", "Todos (*.*)"};
    QTest::newRow("several patterns") << "Datos|*.txt;*.csv" << QStringList{"Datos (*.txt *.csv)"};
    QTest::newRow("description only") << "Todos" << QStringList{"Todos (*)"};
    QTest::newRow("pattern only") << "|*.dat" << QStringList{"*.dat (*.dat)"};
    QTest::newRow("empty") << "" << QStringList{"(*)"};
}

void TestSmallControls::filterTranslation()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);
    QCOMPARE(CommonDialog::qtNameFilters(filter), expected);
}

void TestSmallControls::showOpenUsesTheChooser()
{
    QWidget owner;
    owner.setObjectName(QStringLiteral("owner"));
    CommonDialog dialog;
    dialog.setFilter(QStringLiteral("Archivos(*.*)|*.*|"));
    QWidget *seenOwner = nullptr;
    QStringList seenFilters;
    CommonDialog::setChooser([&](QWidget *o, const QStringList &filters) {
        seenOwner = o;
        seenFilters = filters;
        return QStringLiteral("/datos/entrada.txt");
    });
    dialog.ShowOpen(&owner);
    QCOMPARE(seenOwner, &owner);
    QCOMPARE(seenFilters, QStringList{"Archivos(*.*) (*.*)"});
    QCOMPARE(dialog.FileName(), QStringLiteral("/datos/entrada.txt"));
}

void TestSmallControls::cancelLeavesTheNameEmpty()
{
    CommonDialog dialog;
    dialog.setFileName(QStringLiteral("/antes.txt"));
    int calls = 0;
    CommonDialog::setChooser([&](QWidget *, const QStringList &) {
        ++calls;
        return QString();
    });
    dialog.ShowOpen();
    QCOMPARE(calls, 1);
    QCOMPARE(dialog.FileName(), QString());
}

void TestSmallControls::cancelErrorWhenAsked()
{
    CommonDialog dialog;
    dialog.setCancelError(true);
    QVERIFY(dialog.CancelError());
    CommonDialog::setChooser([](QWidget *, const QStringList &) { return QString(); });
    QVERIFY_THROWS_EXCEPTION(DialogCancelled, dialog.ShowOpen());
    CommonDialog::setChooser([](QWidget *, const QStringList &) { return QStringLiteral("a"); });
    dialog.ShowOpen();
    QCOMPARE(dialog.FileName(), QStringLiteral("a"));
}

QTEST_MAIN(TestSmallControls)
#include "tst_smallcontrols.moc"
