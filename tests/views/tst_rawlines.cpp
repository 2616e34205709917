// The file's lines with the fields on them: the bands sit under the ruler's columns for fields
// at the start, the middle and the end of a line, past the end of a short line, where two
// fields overlap and where unread columns hold text; the cursor and the status line follow the
// fields as a user moves with keys and the mouse; a field chosen in a table or by the screen's
// field grid is highlighted.

#include "ViewSamples.h"
#include "views/FixedWidthFont.h"
#include "views/RawLinesView.h"
#include "views/ResultTableModel.h"
#include "views/ResultTablesView.h"
#include "views/TestResultViews.h"

#include <QLabel>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QtTest>
#include <climits>

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

// The horizontal extent of the dark pixels (the letters' ink, the ruler's ticks, the cursor's
// edges) in an area of the image; a null range when there are none.
std::pair<int, int> inkColumns(const QImage &image, const QRect &area)
{
    int left = INT_MAX;
    int right = INT_MIN;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            if (qGray(image.pixel(x, y)) < 100) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    return {left, right};
}

// A file whose lines are wider than a screen of columns, with one-column fields far out: the
// ID "L" at column 1, fields 0001, 0002 and 0003 at columns 5, 40 and 150, each a "W" (the
// widest letter) between blanks.
velkora::formats::LoadFormat wideFormat()
{
    using views_test::field;
    velkora::formats::LoadFormat f;
    f.key = u"0078"_s;
    f.description = u"Líneas anchas"_s;
    f.state = u"AC"_s;
    velkora::formats::LineType wide{u"0001"_s, u"L"_s, u"Ancha"_s, 1, 1, {}};
    wide.fields = {field("0001", "0001", "Cinco", 5, 1, "02"),
                   field("0001", "0002", "Cuarenta", 40, 1, "02"),
                   field("0001", "0003", "Cientocincuenta", 150, 1, "02")};
    f.lineTypes = {wide};
    return f;
}

QByteArray wideLine()
{
    QByteArray line(160, ' ');
    line[0] = 'L';
    for (const int column : {5, 40, 150})
        line[column - 1] = 'W';
    return line + '\n';
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
    void fontOfOneWidth_data();
    void fontOfOneWidth();
    void charactersStandOnTheirColumns_data();
    void charactersStandOnTheirColumns();
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

void tst_RawLines::fontOfOneWidth_data()
{
    QTest::addColumn<QStringList>("preferred");
    QTest::addColumn<QString>("family"); // the family it must be; empty: any of one width
    QTest::newRow("the system's") << QStringList() << QString();
    QTest::newRow("a proportional family passed over")
        << QStringList{u"DejaVu Sans"_s} << QString();
    QTest::newRow("an installed family of one width")
        << QStringList{u"Nonexistent Mono"_s, u"DejaVu Sans Mono"_s} << u"DejaVu Sans Mono"_s;
    QTest::newRow("a family not installed") << QStringList{u"Fixedsys"_s} << QString();
}

// The font of the fixed-width texts draws narrow and wide letters, digits, blanks, punctuation
// and accented letters with one advance, whatever the families asked for and the machine has.
void tst_RawLines::fontOfOneWidth()
{
    QFETCH(QStringList, preferred);
    QFETCH(QString, family);
    const QFont font = fixedWidthFont(preferred, 9);
    QCOMPARE(font.pointSizeF(), 9.0);
    if (!family.isEmpty())
        QCOMPARE(QFontInfo(font).family(), family);
    const QFontMetricsF metrics(font);
    const qreal advance = metrics.horizontalAdvance(u'm');
    QVERIFY(advance > 0);
    for (const QChar c : u"iW0. ñÉ|"_s)
        QCOMPARE(metrics.horizontalAdvance(c), advance);
    QCOMPARE(metrics.horizontalAdvance(u"iWiW. ñ"_s), 7 * advance);
}

void tst_RawLines::charactersStandOnTheirColumns_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<int>("column");
    QTest::newRow("column 5") << 0 << 5;
    QTest::newRow("column 40") << 1 << 40;
    QTest::newRow("column 150") << 2 << 150;
}

// Far from the first column, the letter the file has at a column is drawn inside that column's
// band, under its ruler tick and inside the cursor's box, and a click on it puts the cursor on
// that column: nothing drifts from the letters as the columns grow.
void tst_RawLines::charactersStandOnTheirColumns()
{
    QFETCH(int, field);
    QFETCH(int, column);
    const QFontMetricsF metrics(view->font());
    for (const QChar c : u"iW0. ñ"_s)
        QCOMPARE(metrics.horizontalAdvance(c), metrics.horizontalAdvance(u'm'));

    const QByteArray line = wideLine();
    view->setDecoder(std::make_shared<LineDecoder>(
        indexFile(wideFormat(), writeFile(dir, u"ancha.txt"_s, line + line))));
    const int w = view->charWidth();
    view->resize(view->columnX(1) + 170 * w, 300);
    QApplication::processEvents();
    QCOMPARE(view->horizontalScrollBar()->value(), 0); // every column on screen, none scrolled
    const QRect band = view->bandRect(1, field);
    QCOMPARE(band.left(), view->columnX(column));
    const QImage image = view->viewport()->grab().toImage();

    // The "W" of the second line: its ink lies over its band (give or take the edge pixel of
    // its antialiasing), not over a neighbouring column.
    const QRect around(band.left() - 3 * w, band.top(), 7 * w, band.height());
    const auto [left, right] = inkColumns(image, around);
    QVERIFY2(left <= right, "no letter drawn near the band");
    QVERIFY2(left >= band.left() - 1 && right <= band.right() + 1,
             qPrintable(u"ink at %1-%2, band at %3-%4"_s.arg(left)
                            .arg(right)
                            .arg(band.left())
                            .arg(band.right())));
    const int letterCentre = (left + right) / 2;

    // The ruler's tick for the column, in the strip's colour band above the letters: the ticks
    // of every fifth column reach four pixels above the ruler's bottom edge.
    const int rulerBottom = view->stripRect(-1).top() - 1;
    const auto [tickLeft, tickRight] =
        inkColumns(image, QRect(band.left() - 2 * w, rulerBottom - 3, 5 * w, 1));
    QCOMPARE(tickLeft, tickRight);
    QVERIFY(tickLeft >= band.left() && tickLeft <= band.right());

    // A click on the letter puts the cursor on its column; the status line and the cursor's
    // box say the same column, and the box is drawn around the letter.
    view->setFocus();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      QPoint(letterCentre, band.center().y()));
    QCOMPARE(view->currentRow(), 1);
    QCOMPARE(view->currentColumn(), column);
    QVERIFY2(
        view->statusText().contains(u" · columna %1: campo 000%2 "_s.arg(column).arg(field + 1)),
        qPrintable(view->statusText()));
    QCOMPARE(view->cursorRect(), band);
    QTRY_VERIFY(view->hasFocus());
    const QImage withCursor = view->viewport()->grab().toImage();
    const auto [boxLeft, boxRight] = inkColumns(withCursor, around);
    QCOMPARE(boxLeft, band.left());
    QCOMPARE(boxRight, band.right());
}

QTEST_MAIN(tst_RawLines)
#include "tst_rawlines.moc"
