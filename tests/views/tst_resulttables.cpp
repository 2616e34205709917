// A test's result as tables, driven as a user would: a tab per line type with the converted
// values and the cells in error marked, a tab for the lines with no line type or more than one,
// F8 and Shift+F8 from error to error and table to table, broken rules shown as errors, a big file
// that scrolls without reading every line, and the tables exported as CSV that a CSV reader reads
// back.

#include "ViewSamples.h"
#include "formats/LoadFormatTest.h"
#include "views/CsvExport.h"
#include "views/LineDecoder.h"
#include "views/RawLinesView.h"
#include "views/ResultTableModel.h"
#include "views/ResultTablesView.h"

#include <QAbstractItemModelTester>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace velkora::views;
using views_test::writeFile;

namespace {

// An RFC 4180 reader, written apart from the writer: records of fields, quoted or not.
QList<QStringList> readCsv(const QString &text)
{
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    bool fieldStarted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"' && !fieldStarted) {
            quoted = fieldStarted = true;
        } else if (c == u',') {
            record << field;
            field.clear();
            fieldStarted = false;
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            record << field;
            records << record;
            record.clear();
            field.clear();
            fieldStarted = false;
            ++i;
        } else {
            field += c;
            fieldStarted = true;
        }
    }
    if (fieldStarted || !record.isEmpty())
        records << (record << field);
    return records;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// WCAG contrast of two colours.
double contrast(const QColor &a, const QColor &b)
{
    const auto luminance = [](const QColor &c) {
        const auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
               0.0722 * channel(c.blueF());
    };
    const double x = luminance(a) + 0.05;
    const double y = luminance(b) + 0.05;
    return std::max(x, y) / std::min(x, y);
}

} // namespace

class tst_ResultTables : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::shared_ptr<const TestedFile> payroll;

private slots:
    void initTestCase();
    void cleanup() { setExportChooser({}); }
    void eachLineTypeHasItsTable();
    void errorColoursReadOnLightAndDarkPalettes();
    void f8GoesFromErrorToError();
    void brokenRulesAreErrorsLikeFields();
    void csvFieldsRoundTrip_data();
    void csvFieldsRoundTrip();
    void exportButtonsWriteCsv();
    void bigFileScrollsWithoutReadingEveryLine();
};

void tst_ResultTables::initTestCase()
{
    payroll = indexFile(views_test::payroll(),
                        writeFile(dir, u"nomina.txt"_s, views_test::payrollFile()));
    QVERIFY2(payroll->index.ran(), qPrintable(payroll->index.error()));
}

void tst_ResultTables::eachLineTypeHasItsTable()
{
    ResultTablesView view(std::make_shared<LineDecoder>(payroll));
    QCOMPARE(view.tableCount(), 5);
    const auto *tabs = view.findChild<QTabWidget *>(u"tabsTablas"_s);
    QStringList titles;
    for (int t = 0; t < tabs->count(); ++t)
        titles << tabs->tabText(t);
    QCOMPARE(titles, QStringList({u"0001 Cabecera (1)"_s, u"0002 Empleado (3; 2 con errores)"_s,
                                  u"0003 Totales (1)"_s, u"0004 Totales X (0)"_s,
                                  u"Sin tipo o con varios (2 con errores)"_s}));
    for (int group = 0; group < view.tableCount(); ++group)
        QAbstractItemModelTester tester(view.model(group),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);

    // The detail lines: line number, one column per field with its number and description,
    // the converted values; the cells in error marked, with their message.
    const ResultTableModel *details = view.model(1);
    QVERIFY(view.findChild<QTableView *>(u"tablaTipo0002"_s) == view.table(1));
    QCOMPARE(details->columnTitles(),
             QStringList({u"Línea"_s, u"0001 Empleado"_s, u"0002 Importe"_s, u"0003 Nombre"_s,
                          u"0004 Clave"_s, u"0005 Origen"_s}));
    QCOMPARE(details->rowTexts(0), QStringList({u"2"_s, u"000001"_s, u"123.45"_s,
                                                u"O\"NEIL, ANAB"_s, u"AB12"_s, u"NOMINA"_s}));
    QCOMPARE(details->rowTexts(1).mid(0, 3), QStringList({u"3"_s, u"000002"_s, u"00001X345"_s}));
    QCOMPARE(details->rowTexts(2),
             QStringList({u"5"_s, u"000003"_s, u"000012   "_s, QString(), u"    "_s, u"NOMINA"_s}));
    QStringList marks;
    for (int row = 0; row < details->rowCount(); ++row)
        for (int column = 0; column < details->columnCount(); ++column)
            if (details->index(row, column).data(ResultTableModel::ErrorRole).toBool())
                marks << u"%1,%2"_s.arg(row).arg(column);
    QCOMPARE(marks, QStringList({u"1,2"_s, u"2,2"_s}));
    const QModelIndex bad = details->index(1, 2);
    QVERIFY2(bad.data(Qt::ToolTipRole).toString().contains(u"'00001X345'"_s),
             qPrintable(bad.data(Qt::ToolTipRole).toString()));
    QVERIFY(bad.data(Qt::ToolTipRole).toString().contains(u"columna 13"_s));
    QVERIFY(bad.data(Qt::BackgroundRole).value<QColor>().isValid());
    QVERIFY(!details->index(0, 2).data(Qt::BackgroundRole).isValid());
    QVERIFY(!details->index(0, 2).data(Qt::ToolTipRole).isValid());
    QCOMPARE(details->index(0, 2).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight,
             int(Qt::AlignRight));

    // Totals, and the lines with no line type or more than one.
    QCOMPARE(view.model(2)->rowTexts(0), QStringList({u"7"_s, u"124.45"_s, u"0001"_s}));
    QCOMPARE(view.model(3)->rowCount(), 0);
    const ResultTableModel *other = view.model(4);
    QCOMPARE(other->rowTexts(0),
             QStringList({u"4"_s, u"Sin tipo de línea"_s, u"Zbad\rline, \"q\""_s}));
    QCOMPARE(other->rowTexts(1),
             QStringList({u"6"_s, u"Varios tipos: 0003, 0004"_s, u"TX000000123"_s}));
    QVERIFY(other->index(1, ResultTableModel::SituationColumn)
                .data(ResultTableModel::ErrorRole)
                .toBool());
    QVERIFY(
        !other->index(1, ResultTableModel::TextColumn).data(ResultTableModel::ErrorRole).toBool());
}

void tst_ResultTables::errorColoursReadOnLightAndDarkPalettes()
{
    for (const QColor &base : {QColor(Qt::white), QColor(0xF0, 0xF0, 0xF0),
                               QColor(0x1E, 0x1E, 0x1E), QColor(0x2B, 0x2B, 0x2B)}) {
        QPalette palette;
        palette.setColor(QPalette::Base, base);
        const QColor text = base.lightnessF() < 0.5 ? QColor(0xEE, 0xEE, 0xEE) : QColor(Qt::black);
        palette.setColor(QPalette::Text, text);
        const QColor error = errorBackground(palette);
        QVERIFY2(contrast(error, text) >= 4.5, qPrintable(error.name() + u" on "_s + base.name()));
        QVERIFY2(error.red() > error.green() + 30 && error.red() > error.blue() + 30,
                 qPrintable(error.name()));    // reads as red
        QVERIFY(contrast(error, base) > 1.15); // and stands out from the other cells
    }
}

void tst_ResultTables::f8GoesFromErrorToError()
{
    ResultTablesView view(std::make_shared<LineDecoder>(payroll));
    view.resize(900, 400);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    auto *tabs = view.findChild<QTabWidget *>(u"tabsTablas"_s);
    const auto *status = view.findChild<QLabel *>(u"lblEstadoTabla"_s);
    const auto cell = [&] {
        const QModelIndex current = view.table(view.currentGroup())->currentIndex();
        return u"%1,%2"_s.arg(current.row()).arg(current.column());
    };

    const auto where = [&] { return u"%1:%2"_s.arg(view.currentGroup()).arg(cell()); };
    // It opens on the first table with errors, the details.
    QCOMPARE(view.currentGroup(), 1);

    // The details: from the first cell to each Importe in error, on to the other lines (each
    // one's situation is the error), then round to the first table with errors.
    QTableView *details = view.table(1);
    details->setFocus();
    details->setCurrentIndex(details->model()->index(0, 0));
    QTest::keyClick(details, Qt::Key_F8);
    QCOMPARE(where(), u"1:1,2"_s);
    QVERIFY2(status->text().startsWith(u"Línea 3 · campo 0002 Importe"_s),
             qPrintable(status->text()));
    QVERIFY(status->text().contains(u"error: '00001X345'"_s));
    QTest::keyClick(details, Qt::Key_F8);
    QCOMPARE(where(), u"1:2,2"_s);
    QTest::keyClick(details, Qt::Key_F8);
    QCOMPARE(where(), u"4:0,1"_s);
    QVERIFY(!status->text().contains(u"se siguió"_s));
    QTest::keyClick(view.table(4), Qt::Key_F8);
    QCOMPARE(where(), u"4:1,1"_s);
    QVERIFY(status->text().contains(u"Más de un tipo de línea"_s));
    QTest::keyClick(view.table(4), Qt::Key_F8);
    QCOMPARE(where(), u"1:1,2"_s);
    QVERIFY(status->text().endsWith(u"(se siguió desde el principio)"_s));
    QTest::keyClick(details, Qt::Key_F8, Qt::ShiftModifier);
    QCOMPARE(where(), u"4:1,1"_s);
    QVERIFY(status->text().endsWith(u"(se siguió desde el final)"_s));
    QTest::keyClick(view.table(4), Qt::Key_F8, Qt::ShiftModifier);
    QTest::keyClick(view.table(4), Qt::Key_F8, Qt::ShiftModifier);
    QCOMPARE(where(), u"1:2,2"_s);
    QTest::keyClick(details, Qt::Key_Left);
    QTest::keyClick(details, Qt::Key_F8, Qt::ShiftModifier);
    QCOMPARE(where(), u"1:1,2"_s); // the previous one, from a cell between two errors
    QVERIFY(!status->text().contains(u"se siguió"_s));

    // From a table with no error, on to the next one that has some; what the status said
    // about a table does not stay when another is shown.
    tabs->setCurrentIndex(2);
    QVERIFY2(status->text().isEmpty() || status->text().startsWith(u"Línea 7 · "_s),
             qPrintable(status->text()));
    view.table(2)->setFocus();
    view.table(2)->setCurrentIndex(view.model(2)->index(0, 1));
    QTest::keyClick(view.table(2), Qt::Key_F8);
    QCOMPARE(where(), u"4:0,1"_s);

    // A file without errors: no table has any, F8 says so and stays.
    const auto clean =
        indexFile(views_test::payroll(), writeFile(dir, u"limpio.txt"_s, "HEMPRESA SA20261205\n"));
    ResultTablesView cleanView(std::make_shared<LineDecoder>(clean));
    QCOMPARE(cleanView.currentGroup(), 0);
    QVERIFY(!cleanView.goToError(false));
    QCOMPARE(cleanView.statusText(), u"Ninguna tabla tiene errores."_s);
    QCOMPARE(cleanView.findChild<QLabel *>(u"lblTotalErrores"_s)->text(),
             u"Ninguna línea tiene errores."_s);
}

// A ledger whose trailer's total breaks its SUMA rule (its CUENTA kept), a detail that skips
// a folio (SECUENCIA) and a detail after the trailer (ULTIMA): the lines that break a rule are
// lines in error of their table, with the rule in the message, counted as the test counts them.
void tst_ResultTables::brokenRulesAreErrorsLikeFields()
{
    const QString path = writeFile(dir, u"libro.txt"_s, views_test::ledgerFile());
    const auto ledger = indexFile(views_test::ledger(), path);
    QVERIFY2(ledger->index.ran(), qPrintable(ledger->index.error()));
    const velkora::formats::TestReport report =
        velkora::formats::testLoadFormat(views_test::ledger(), path);
    QCOMPARE(report.result.errorCount, 3);
    QCOMPARE(ledger->index.errorCount(), report.result.errorCount);
    QCOMPARE(ledger->index.ruleErrorCount(), 3);

    auto decoder = std::make_shared<LineDecoder>(ledger);
    ResultTablesView view(decoder);
    const auto *tabs = view.findChild<QTabWidget *>(u"tabsTablas"_s);
    QStringList titles;
    for (int t = 0; t < tabs->count(); ++t)
        titles << tabs->tabText(t);
    QCOMPARE(titles,
             QStringList({u"0001 Cabecera (1)"_s, u"0002 Detalle (4; 2 con errores)"_s,
                          u"0003 Cierre (1; 1 con errores)"_s, u"Sin tipo o con varios (0)"_s}));
    QCOMPARE(view.currentGroup(), 1);
    QCOMPARE(view.findChild<QLabel *>(u"lblTotalErrores"_s)->text(),
             u"3 línea(s) con errores: 0 error(es) de campo y 3 de reglas."_s);

    // The cells in error: a field's rule on the field, a rule of the line on its number.
    const auto marks = [&](int group) {
        QStringList found;
        const ResultTableModel *model = view.model(group);
        for (int row = 0; row < model->rowCount(); ++row)
            for (int column = 0; column < model->columnCount(); ++column)
                if (model->index(row, column).data(ResultTableModel::ErrorRole).toBool())
                    found << u"%1,%2: %3"_s.arg(row).arg(column).arg(
                        model->index(row, column).data(Qt::ToolTipRole).toString());
        return found;
    };
    QCOMPARE(marks(0), QStringList());
    QCOMPARE(marks(1), QStringList({u"2,2: Regla 0002: El número 0004 no sigue al de la línea "
                                    "anterior del tipo 0002: debería ser 0003."_s,
                                    u"3,0: Regla 0005: La última línea del archivo debe ser del "
                                    "tipo 0003 Cierre, y es del tipo 0002 Detalle."_s}));
    QCOMPARE(marks(2), QStringList({u"0,2: Regla 0004: El total 0000000700 no coincide con la "
                                    "suma de 0001 Importe de las líneas 0002 desde el principio "
                                    "del archivo: 0000000600"_s}));
    QCOMPARE(view.model(1)->rowTexts(2), QStringList({u"4"_s, u"3.00"_s, u"4"_s}));

    // F8 goes through them all, from table to table; the status says the rule.
    view.resize(900, 400);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const auto *status = view.findChild<QLabel *>(u"lblEstadoTabla"_s);
    QStringList visited;
    for (int step = 0; step < 4; ++step) {
        QVERIFY(view.goToError(false));
        const QModelIndex at = view.table(view.currentGroup())->currentIndex();
        visited << u"%1:%2,%3"_s.arg(view.currentGroup()).arg(at.row()).arg(at.column());
    }
    QCOMPARE(visited, QStringList({u"1:2,2"_s, u"1:3,0"_s, u"2:0,2"_s, u"1:2,2"_s}));
    QVERIFY(view.goToError(true));
    QVERIFY2(status->text().startsWith(u"Línea 5 · campo 0002 Total"_s),
             qPrintable(status->text()));
    QVERIFY(status->text().contains(u"error: Regla 0004: El total 0000000700"_s));

    // The lines' view: the field that breaks a rule is in error, and so is the line that
    // breaks one as a whole wherever the cursor stands on it.
    RawLinesView lines;
    lines.setDecoder(decoder);
    lines.showLine(view.model(1)->lineOfRow(3));
    QVERIFY2(lines.statusText().contains(u" · error: Regla 0005: La última línea"_s),
             qPrintable(lines.statusText()));
    lines.showLine(view.model(2)->lineOfRow(0), 1);
    QVERIFY2(lines.statusText().contains(u"campo 0002 Total"_s) &&
                 lines.statusText().contains(u"error: Regla 0004"_s),
             qPrintable(lines.statusText()));
}

void tst_ResultTables::csvFieldsRoundTrip_data()
{
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("plain") << QStringList{u"123.45"_s, u"ANA"_s, QString()};
    QTest::newRow("comma and quotes") << QStringList{u"O\"NEIL, ANA"_s, u"\"\""_s, u","_s};
    QTest::newRow("line ends inside") << QStringList{u"a\r\nb"_s, u"c\rd"_s, u"e\nf"_s};
    QTest::newRow("blanks and accents") << QStringList{u"  José Núñez  "_s, u"€"_s, u" "_s};
}

void tst_ResultTables::csvFieldsRoundTrip()
{
    QFETCH(QStringList, fields);
    const QString twice = csvRecord(fields) + csvRecord(fields);
    QCOMPARE(readCsv(twice), QList<QStringList>({fields, fields}));
    QVERIFY(twice.endsWith(u"\r\n"_s));
}

void tst_ResultTables::exportButtonsWriteCsv()
{
    ResultTablesView view(std::make_shared<LineDecoder>(payroll));
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const auto *status = view.findChild<QLabel *>(u"lblEstadoTabla"_s);
    QList<ExportTarget> asked;
    QString answer;
    setExportChooser([&](QWidget *, ExportTarget target, const QString &suggested) {
        asked << target;
        return answer.isEmpty()
                   ? QString()
                   : answer + (target == ExportTarget::CsvFile ? u"/"_s + suggested : QString());
    });

    // One table: what the table shows, read back by a CSV reader.
    view.setCurrentGroup(1);
    answer = dir.filePath(u"una"_s);
    QVERIFY(QDir().mkpath(answer));
    QTest::mouseClick(view.findChild<QPushButton *>(u"cmdExportarTabla"_s), Qt::LeftButton);
    const QByteArray bytes = readAll(answer + u"/0077_0002.csv"_s);
    QVERIFY2(bytes.startsWith("\xEF\xBB\xBF"), qPrintable(status->text()));
    QList<QStringList> read = readCsv(QString::fromUtf8(bytes.mid(3)));
    QList<QStringList> shown{view.model(1)->columnTitles()};
    for (int row = 0; row < view.model(1)->rowCount(); ++row)
        shown << view.model(1)->rowTexts(row);
    QCOMPARE(read, shown);
    QVERIFY(status->text().startsWith(u"Se guardó la tabla (3 filas)"_s));

    // Every table with lines, one file each; the text with a CR and quotes survives.
    answer = dir.filePath(u"todas"_s);
    QVERIFY(QDir().mkpath(answer));
    QTest::mouseClick(view.findChild<QPushButton *>(u"cmdExportarTodas"_s), Qt::LeftButton);
    QCOMPARE(QDir(answer).entryList(QDir::Files),
             QStringList({u"0077_0001.csv"_s, u"0077_0002.csv"_s, u"0077_0003.csv"_s,
                          u"0077_otras.csv"_s}));
    read = readCsv(QString::fromUtf8(readAll(answer + u"/0077_otras.csv"_s).mid(3)));
    QCOMPARE(read.size(), 3);
    QCOMPARE(read[1], view.model(4)->rowTexts(0));
    QVERIFY(status->text().startsWith(u"Se guardaron 4 tabla(s)"_s));
    QTest::mouseClick(view.findChild<QPushButton *>(u"cmdExportarTodas"_s), Qt::LeftButton);
    QVERIFY(status->text().endsWith(u"Se reemplazaron 4 archivo(s) que ya estaban."_s));

    // Cancelled, then a folder that cannot be written: the status says so, no window opens.
    answer.clear();
    QTest::mouseClick(view.findChild<QPushButton *>(u"cmdExportarTabla"_s), Qt::LeftButton);
    QVERIFY(status->text().endsWith(u"que ya estaban."_s));
    QVERIFY(!view.exportTable(1, u"/nonexistent/folder/x.csv"_s));
    QVERIFY(
        status->text().startsWith(u"No se pudo guardar la tabla en /nonexistent/folder/x.csv"_s));
    QCOMPARE(view.exportAll(u"/nonexistent/folder"_s), -1);
    QCOMPARE(asked, QList<ExportTarget>({ExportTarget::CsvFile, ExportTarget::Folder,
                                         ExportTarget::Folder, ExportTarget::CsvFile}));
    const QWidgetList windows = QApplication::topLevelWidgets();
    QCOMPARE(
        std::count_if(windows.begin(), windows.end(), [](QWidget *w) { return w->isVisible(); }),
        1);
}

void tst_ResultTables::bigFileScrollsWithoutReadingEveryLine()
{
    // 500,000 lines: a header, then details with an error every 1,000 lines.
    QByteArray data = "HEMPRESA SA20261205\n";
    data.reserve(500000 * 31);
    for (int i = 1; i < 500000; ++i) {
        QByteArray amount = QByteArray::number(i).rightJustified(9, '0');
        if (i % 1000 == 0)
            amount[3] = 'X';
        data += "D" + QByteArray::number(i % 1000000).rightJustified(6, '0') + amount +
                "NOMBRE      CL01\n";
    }
    const auto big = indexFile(views_test::payroll(), writeFile(dir, u"grande.txt"_s, data));
    QVERIFY(big->index.ran());
    auto decoder = std::make_shared<LineDecoder>(big);
    ResultTablesView view(decoder);
    view.resize(900, 500);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.setCurrentGroup(1);
    QTableView *table = view.table(1);
    QCOMPARE(table->model()->rowCount(), 499999);
    table->setFocus();
    table->setCurrentIndex(table->model()->index(0, 0));
    QTest::keyClick(table, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(table, Qt::Key_PageUp);
    QTest::keyClick(table, Qt::Key_F8, Qt::ShiftModifier);
    QApplication::processEvents();
    const QModelIndex current = table->currentIndex();
    QCOMPARE(current.data(ResultTableModel::LineNumberRole).toLongLong() % 1000, 1);
    QCOMPARE(current.column(), 2);
    QVERIFY(current.data(ResultTableModel::ErrorRole).toBool());
    QVERIFY(table->viewport()->rect().intersects(table->visualRect(current)));
    QVERIFY2(decoder->linesRead() < 2000, qPrintable(QString::number(decoder->linesRead())));
}

QTEST_MAIN(tst_ResultTables)
#include "tst_resulttables.moc"
