// The file's lines with the fields on them: the bands sit under the ruler's columns for fields
// at the start, the middle and the end of a line, past the end of a short line, where two
// fields overlap and where unread columns hold text; the cursor and the status line follow the
// fields as a user moves with keys and the mouse; a field chosen in a table or by the screen's
// field grid is highlighted.

#include "ViewSamples.h"
#include "views/RawLinesView.h"
#include "views/ResultTableModel.h"
#include "views/ResultTablesView.h"
#include "views/TestResultViews.h"

#include <QLabel>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace velkora::views;
using views_test::writeFile;

namespace {

// Pixels of an area of the image that satisfy a condition.
int count(const QImage &image, const QRect &area, const std::function<bool(QColor)> &test)
{
    int n = 0;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            n += test(image.pixelColor(x, y)) ? 1 : 0;
    return n;
}

} // namespace

class tst_RawLines : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::shared_ptr<const TestedFile> payroll;
    std::unique_ptr<RawLinesView> view;

private slots:
    void initTestCase();
    void init();
    void cleanup() { view.reset(); }
    void bandsSitUnderTheRuler();
    void paintedAsDescribed();
    void cursorAndStatusFollowTheFields();
    void highlightedFromTheFieldGridAndTheTables();
    void reverseReadingShownInFileOrder();
};

void tst_RawLines::initTestCase()
{
    payroll = indexFile(views_test::payroll(),
                        writeFile(dir, u"nomina.txt"_s, views_test::payrollFile()));
    QVERIFY2(payroll->index.ran(), qPrintable(payroll->index.error()));
}

void tst_RawLines::init()
{
    view = std::make_unique<RawLinesView>();
    view->setDecoder(std::make_shared<LineDecoder>(payroll));
    view->resize(700, 400);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));
}

void tst_RawLines::bandsSitUnderTheRuler()
{
    const int w = view->charWidth();
    QCOMPARE(view->rowCount(), 7);
    QCOMPARE(view->rulerLabels().mid(0, 4), QList<int>({1, 10, 20, 30}));
    QCOMPARE(view->columnX(10) - view->columnX(1), 9 * w);
    const auto columns = [&](qint64 row, int first, int last) {
        return QRect(view->columnX(first), view->rowY(row), (last - first + 1) * w,
                     view->lineHeight());
    };

    // Line 2 (a detail of 30 characters): the ID at the start, Importe in the middle, Clave at
    // the end; Origen is a constant and reads no column.
    QCOMPARE(view->bandRect(1, -1), columns(1, 1, 1));
    QCOMPARE(view->bandRect(1, 0), columns(1, 2, 7));
    QCOMPARE(view->bandRect(1, 1), columns(1, 8, 16));
    QCOMPARE(view->bandRect(1, 3), columns(1, 27, 30));
    QVERIFY(view->bandRect(1, 4).isNull());
    QVERIFY(view->pastEndRect(1, 3).isNull());
    // Nombre (17-28) and Clave (27-30) both read 27-28.
    QCOMPARE(view->overlapRects(1), QList<QRect>({columns(1, 27, 28)}));
    QVERIFY(view->gapTextRects(1).isEmpty());

    // Line 5 ends at column 13, inside Importe: the rest of Importe and the bands after it are
    // past the end.
    QCOMPARE(view->pastEndRect(4, 1), columns(4, 14, 16));
    QCOMPARE(view->pastEndRect(4, 2), columns(4, 17, 28));
    QCOMPARE(view->bandRect(4, 2), columns(4, 17, 28));
    // Line 7: columns 12-14 are read by no field and hold "ABC".
    QCOMPARE(view->gapTextRects(6), QList<QRect>({columns(6, 12, 14)}));
    // Lines with no line type, or two, have no bands.
    QVERIFY(view->bandRect(3, -1).isNull() && view->bandRect(5, -1).isNull());

    // The strip shows the current line's fields at the same columns, overlapping ones below.
    view->setCursorPosition(1, 1);
    QCOMPARE(view->stripRect(1).left(), view->columnX(8));
    QCOMPARE(view->stripRect(1).width(), 9 * w);
    QVERIFY(view->stripRect(3).top() > view->stripRect(2).top());
    QVERIFY(view->stripRect(1).bottom() < view->rowY(0));

    // Scrolled to the right, ruler and bands move together.
    view->resize(view->columnX(1) + 20 * w + view->verticalScrollBar()->sizeHint().width(), 300);
    QApplication::processEvents();
    QVERIFY(view->horizontalScrollBar()->maximum() > 0);
    view->horizontalScrollBar()->setValue(5);
    QCOMPARE(view->rulerLabels().first(), 10);
    QCOMPARE(view->columnX(6), view->columnX(1) + 5 * w);
    QCOMPARE(view->bandRect(1, 1), columns(1, 8, 16));
    QCOMPARE(view->bandRect(1, 1).left(), view->columnX(6) + 2 * w);
}

void tst_RawLines::paintedAsDescribed()
{
    view->setCursorPosition(0, 1);
    const QImage image = view->viewport()->grab().toImage();
    const QColor base = view->palette().color(QPalette::Base);
    const auto isBase = [&](QColor c) { return c == base; };
    const auto reddish = [](QColor c) {
        return c.red() > c.green() + 60 && c.red() > c.blue() + 60;
    };
    const int w = view->charWidth();

    // A band is coloured (its top edge, above the letters); past the end of the line and of
    // every band, nothing is.
    const QRect importe = view->bandRect(1, 1);
    QCOMPARE(count(image, QRect(importe.left(), importe.top(), importe.width(), 1), isBase), 0);
    const QRect beyond(view->columnX(32), view->rowY(1), 4 * w, view->lineHeight());
    QCOMPARE(count(image, beyond, isBase), beyond.width() * beyond.height());
    // Overlapping columns are cross-hatched in red; the field in error of line 3 is underlined
    // in red; a line with no line type is tinted red.
    QVERIFY(count(image, view->overlapRects(1).first(), reddish) > 0);
    const QRect error = view->bandRect(2, 1);
    QVERIFY(count(image, QRect(error.left(), error.bottom() - 1, error.width(), 2), reddish) >=
            error.width());
    QCOMPARE(count(image, importe.adjusted(0, 0, 0, -2), reddish), 0);
    const QRect unmatched(view->columnX(1), view->rowY(3), 4 * w, 1);
    QCOMPARE(count(image, unmatched, isBase), 0);
    // Unread columns with text are hatched, above the letters too.
    const QRect gap = view->gapTextRects(6).first();
    const int plain = count(image, QRect(gap.left(), gap.top(), gap.width(), 1), isBase);
    QVERIFY(plain > 0 && plain < gap.width());
}

void tst_RawLines::cursorAndStatusFollowTheFields()
{
    QSignalSpy entered(view.get(), &RawLinesView::fieldEntered);
    view->setFocus();
    view->setCursorPosition(1, 1);
    QCOMPARE(view->statusText(),
             u"Línea 2, tipo 0002 Empleado · columna 1: ID del tipo de línea «D», posición 1, "
             "longitud 1"_s);
    QTest::keyClick(view.get(), Qt::Key_Right, Qt::ControlModifier);
    QCOMPARE(view->currentColumn(), 2);
    QVERIFY2(
        view->statusText().endsWith(
            u"columna 2: campo 0001 Empleado, posición 2, longitud 6, TEXTO · valor «000001»"_s),
        qPrintable(view->statusText()));
    QTest::keyClick(view.get(), Qt::Key_Right, Qt::ControlModifier);
    QVERIFY(view->statusText().endsWith(
        u"campo 0002 Importe, posición 8, longitud 9, NUMERO 0V00 · valor «123.45»"_s));
    QCOMPARE(entered.last(), QVariantList({1, 1}));

    QTest::keyClick(view.get(), Qt::Key_Down);
    QVERIFY(view->statusText().startsWith(u"Línea 3, tipo 0002 Empleado · columna 8"_s));
    QVERIFY(view->statusText().contains(u" · error: '00001X345'"_s));
    QTest::keyClick(view.get(), Qt::Key_Right, Qt::ControlModifier);
    QTest::keyClick(view.get(), Qt::Key_Right, Qt::ControlModifier);
    QCOMPARE(view->currentColumn(), 27);
    QVERIFY(view->statusText().contains(u"campo 0003 Nombre"_s));
    QVERIFY(view->statusText().contains(u"campo 0004 Clave"_s));
    QVERIFY(view->statusText().endsWith(u" · los campos se traslapan"_s));

    QTest::keyClick(view.get(), Qt::Key_Down);
    QTest::keyClick(view.get(), Qt::Key_Down);
    QVERIFY(view->statusText().startsWith(u"Línea 5, tipo 0002"_s));
    QVERIFY(view->statusText().endsWith(u" · la línea tiene 13 caracteres"_s));
    QTest::keyClick(view.get(), Qt::Key_Up);
    QCOMPARE(view->statusText(), u"Línea 4 (sin tipo de línea) · columna 27"_s);
    QCOMPARE(entered.last(), QVariantList({-1, -1}));
    QTest::keyClick(view.get(), Qt::Key_Down);
    QTest::keyClick(view.get(), Qt::Key_Down);
    QCOMPARE(view->statusText(), u"Línea 6 (con varios tipos de línea: 0003, 0004) · columna 27"_s);

    QTest::keyClick(view.get(), Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(view->currentRow(), 6);
    QCOMPARE(view->currentColumn(), 18);
    QTest::keyClick(view.get(), Qt::Key_Home);
    QCOMPARE(view->currentColumn(), 1);
    QTest::keyClick(view.get(), Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(view->currentRow(), 0);

    // A click on a line's column; a click on a segment of the strip highlights that field.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      QPoint(view->columnX(13) + 1, view->rowY(6) + 2));
    QCOMPARE(view->currentRow(), 6);
    QCOMPARE(view->currentColumn(), 13);
    QVERIFY(view->statusText().endsWith(u"columna 13: ningún campo lee esta columna"_s));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->stripRect(1).center());
    QCOMPARE(view->highlightedLineType(), 2);
    QCOMPARE(view->highlightedField(), 1);
}

void tst_RawLines::highlightedFromTheFieldGridAndTheTables()
{
    // As the screen's field grid calls it: by Ly_ID and Ld_ID as stored, or as numbers.
    QVERIFY(view->highlightField(u"0002"_s, u"0004"_s));
    QCOMPARE(view->highlightedLineType(), 1);
    QCOMPARE(view->highlightedField(), 3);
    const QImage image = view->viewport()->grab().toImage();
    const QColor highlight = view->palette().color(QPalette::Highlight);
    QVERIFY(count(image, view->bandRect(1, 3), [&](QColor c) { return c == highlight; }) > 0);
    QCOMPARE(count(image, view->bandRect(1, 1), [&](QColor c) { return c == highlight; }), 0);
    QVERIFY(view->highlightField(u"2"_s, u"3"_s));
    QCOMPARE(view->highlightedField(), 2);
    QVERIFY(!view->highlightField(u"0003"_s, u"0009"_s));
    QCOMPARE(view->highlightedField(), -1);

    // A field of a line type that no line on screen has: the nearest line of that type comes.
    view->resize(600, view->rowY(0) + 2 * view->lineHeight() + 4);
    QApplication::processEvents();
    view->setCursorPosition(0, 1);
    QVERIFY(view->highlightField(u"0003"_s, u"0002"_s));
    QCOMPARE(view->currentRow(), 6);
    QCOMPARE(view->currentColumn(), 15);

    // From the tables: the chosen cell's line becomes current, its field highlighted; Enter
    // asks for the lines' page.
    QWidget host;
    TestResultViews views(payroll, &host);
    QSignalSpy wanted(&views, &TestResultViews::linesPageRequested);
    views.tables()->setCurrentGroup(1);
    QTableView *details = views.tables()->table(1);
    host.resize(800, 300);
    views.tables()->resize(800, 300);
    views.linesPage()->hide();
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    QTest::mouseClick(details->viewport(), Qt::LeftButton, {},
                      details->visualRect(details->model()->index(2, 4)).center());
    QCOMPARE(views.lines()->currentRow(), 4);
    QCOMPARE(views.lines()->currentColumn(), 27);
    QCOMPARE(views.lines()->highlightedField(), 3);
    QVERIFY(views.linesPage()
                ->findChild<QLabel *>(u"lblCampo"_s)
                ->text()
                .startsWith(u"Línea 5, tipo 0002"_s));
    QTest::keyClick(details, Qt::Key_Return);
    QCOMPARE(wanted.count(), 1);
}

void tst_RawLines::reverseReadingShownInFileOrder()
{
    auto format = views_test::payroll();
    format.reverse = true;
    const auto reversed =
        indexFile(format, writeFile(dir, u"inversa.txt"_s, views_test::payrollFile()));
    view->setDecoder(std::make_shared<LineDecoder>(reversed));
    QCOMPARE(view->lineOfRow(0), 6); // the file's first line is the last one read
    view->setCursorPosition(6, 1);
    QVERIFY(view->statusText().startsWith(u"Línea 7, tipo 0003 Totales"_s));
    view->showLine(0, 1); // the first line read: the file's last, at Cuenta
    QCOMPARE(view->currentRow(), 6);
    QCOMPARE(view->currentColumn(), 15);
}

QTEST_MAIN(tst_RawLines)
#include "tst_rawlines.moc"
