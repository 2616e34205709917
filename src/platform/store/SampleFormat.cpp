#include "SampleFormat.h"

#include "DateTexts.h"
#include "FormatRows.h"
#include "FormatSave.h"
#include "SqlConnection.h"
#include "SqlSupport.h"
#include "host/RuntimeError.h"

#include <QDir>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <iterator>

using kesta::host::RuntimeError;
using namespace Qt::StringLiterals;

namespace velkora::store {
namespace sample {

QString key()
{
    return QStringLiteral("0001");
}
QString description()
{
    return QStringLiteral("Extracto bancario");
}
QString fileName()
{
    return QStringLiteral("extracto_0001.txt");
}

namespace {

// The field types and the texts the sample's fields share.
const QString numero = QStringLiteral("01");
const QString texto = QStringLiteral("02");
const QString fecha = QStringLiteral("03");
const QString constante = QStringLiteral("04");
const QString si = QStringLiteral("SI");
const QString no = QStringLiteral("NO");
const QString dateFormat = QStringLiteral("yyyymmdd");
const QString amountFormat = QStringLiteral("0.00");

LineType headerLine()
{
    LineType header{QStringLiteral("0001"),
                    QStringLiteral("Encabezado de la cuenta"),
                    QStringLiteral("H"),
                    1,
                    1,
                    {}};
    header.fields = {
        {QStringLiteral("0001"), QStringLiteral("Cuenta"), 2, 12, texto, {}, {}, si},
        {QStringLiteral("0002"), QStringLiteral("Banco"), 14, 30, texto, {}, {}, si},
        {QStringLiteral("0003"),
         QStringLiteral("Fecha del extracto"),
         44,
         8,
         fecha,
         {},
         dateFormat,
         no},
        {QStringLiteral("0004"), QStringLiteral("Moneda"), 52, 3, texto, {}, {}, si},
    };
    return header;
}

LineType movementLine()
{
    LineType movement{
        QStringLiteral("0002"), QStringLiteral("Movimiento"), QStringLiteral("D"), 1, 1, {}};
    movement.fields = {
        {QStringLiteral("0001"),
         QStringLiteral("Fecha de operación"),
         2,
         8,
         fecha,
         {},
         dateFormat,
         no},
        {QStringLiteral("0002"), QStringLiteral("Concepto"), 10, 30, texto, {}, {}, si},
        {QStringLiteral("0003"), QStringLiteral("Referencia"), 40, 10, texto, {}, {}, si},
        {QStringLiteral("0004"), QStringLiteral("Importe"), 50, 12, numero, {}, amountFormat, no},
        {QStringLiteral("0005"),
         QStringLiteral("Signo (+ abono, - cargo)"),
         62,
         1,
         texto,
         {},
         {},
         no},
        {QStringLiteral("0006"),
         QStringLiteral("Origen"),
         1,
         1,
         constante,
         QStringLiteral("EXTRACTO"),
         {},
         no},
    };
    return movement;
}

LineType trailerLine()
{
    LineType trailer{
        QStringLiteral("0003"), QStringLiteral("Totales"), QStringLiteral("T"), 1, 1, {}};
    trailer.fields = {
        {QStringLiteral("0001"),
         QStringLiteral("Número de movimientos"),
         2,
         6,
         numero,
         {},
         QStringLiteral("0"),
         no},
        {QStringLiteral("0002"),
         QStringLiteral("Total de abonos"),
         8,
         14,
         numero,
         {},
         amountFormat,
         no},
        {QStringLiteral("0003"),
         QStringLiteral("Total de cargos"),
         22,
         14,
         numero,
         {},
         amountFormat,
         no},
    };
    return trailer;
}

} // namespace

QList<LineType> lineTypes()
{
    return {headerLine(), movementLine(), trailerLine()};
}

namespace {

struct Movement {
    const char *date;
    const char *text;
    const char *reference;
    qint64 cents;
    char sign;
};

QString padRight(const QString &text, int width)
{
    return text.leftJustified(width, ' ', true);
}

QString amount(qint64 cents, int width)
{
    const QString text =
        QStringLiteral("%1.%2").arg(cents / 100).arg(cents % 100, 2, 10, QLatin1Char('0'));
    return text.rightJustified(width, QLatin1Char('0'), true);
}

} // namespace

QStringList fileLines()
{
    const Movement movements[] = {
        {"20261201", "DEPOSITO EN EFECTIVO", "0000123456", 1500000, '+'},
        {"20261202", "PAGO PROVEEDOR ACME SA DE CV", "TRF0000871", 425075, '-'},
        {"20261203", "COMISION POR MANEJO DE CUENTA", "COM0001203", 35000, '-'},
        {"20261205", "COBRO FACTURA F-1024", "SPEI998877", 890010, '+'},
    };
    QStringList lines;
    lines << QStringLiteral("H") + padRight(QStringLiteral("012345678901"), 12) +
                 padRight(QStringLiteral("BANCO DEL CENTRO SA"), 30) + QStringLiteral("20261205") +
                 QStringLiteral("MXN");
    qint64 credits = 0;
    qint64 debits = 0;
    for (const Movement &m : movements) {
        lines << QStringLiteral("D") + QString::fromLatin1(m.date) +
                     padRight(QString::fromLatin1(m.text), 30) +
                     padRight(QString::fromLatin1(m.reference), 10) + amount(m.cents, 12) +
                     QLatin1Char(m.sign);
        (m.sign == '+' ? credits : debits) += m.cents;
    }
    lines << QStringLiteral("T") +
                 QString::number(std::size(movements)).rightJustified(6, QLatin1Char('0')) +
                 amount(credits, 14) + amount(debits, 14);
    return lines;
}

} // namespace sample

namespace {

void run(QSqlQuery &query, const QString &what)
{
    if (!query.exec())
        throw RuntimeError(QStringLiteral("Storing the sample %1 failed: %2")
                               .arg(what, sqlErrorText(query.lastError())));
}

void writeSampleFile(const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw RuntimeError(QStringLiteral("The sample file '%1' cannot be written: %2")
                               .arg(path, file.errorString()));
    file.write(sample::fileLines().join(QLatin1Char('\n')).toUtf8() + '\n');
    if (!file.commit())
        throw RuntimeError(QStringLiteral("The sample file '%1' cannot be written: %2")
                               .arg(path, file.errorString()));
}

} // namespace

void storeSampleFormats(const QString &connectionName, const QString &sampleDir)
{
    QSqlDatabase db = openedDatabase(connectionName);
    const kesta::host::Engine engine = engineOf(db);

    {
        QSqlQuery exists(db);
        exists.prepare(QStringLiteral("SELECT COUNT(*) FROM Layout WHERE Ly_Cve_Layout = ?"));
        exists.addBindValue(sample::key());
        run(exists, QStringLiteral("check"));
        if (exists.next() && exists.value(0).toInt() > 0)
            return;
    }

    QDir dir(sampleDir);
    if (sampleDir.isEmpty() || !QDir().mkpath(dir.absolutePath()))
        throw RuntimeError(
            QStringLiteral("The sample folder '%1' cannot be created.").arg(sampleDir));
    const QString path = QDir::cleanPath(dir.absoluteFilePath(sample::fileName()));
    // Ly_Archivo holds 100 characters: a longer path is stored as the bare file name, which
    // the test finds beside an SQLite database file.
    const QString storedPath = path.size() <= 100 ? path : sample::fileName();

    const QDateTime now = QDateTime::currentDateTime();
    const QString today = dateText(engine, now.date());
    const QString firstOfYear = dateText(engine, QDate(now.date().year(), 1, 1));

    // The sample as a load format value, saved as the screen's save writes a new format, with
    // the same checks and statements.
    velkora::formats::LoadFormat format;
    format.key = sample::key();
    format.description = sample::description();
    format.file = storedPath;
    for (const sample::LineType &type : sample::lineTypes()) {
        velkora::formats::LineType line;
        line.order = type.id;
        line.lineId = type.lineId;
        line.description = type.description;
        line.position = type.position;
        line.length = type.length;
        for (const sample::Field &f : type.fields)
            line.fields << velkora::formats::FieldDef{type.id,    f.id,     f.description,
                                                      f.position, f.length, f.type,
                                                      f.value,    f.format, f.trim == "SI"_L1};
        format.lineTypes << line;
    }
    HeaderData header;
    header.user1 = QStringLiteral("Tesorería");
    header.user2 = QStringLiteral("Conciliación bancaria diaria");
    header.user3 = QStringLiteral("2"); // decimals of the amounts
    header.user4 = QStringLiteral("0"); // no tolerance in the totals
    header.date5 = firstOfYear;
    header.date6 = today;
    const SaveRequest request = saveRequestOf(format, header, LoadFormatWriter::Format::New, false);

    // The sample file is written inside the save's transaction: a file that cannot be written
    // leaves no format behind.
    const auto connection = std::make_shared<SqlConnection>(connectionName);
    QString statement;
    FormatSave save([connection] { return connection; }, statement, QStringLiteral("SISTEMA"),
                    [engine, now] { return stampText(engine, now); });
    const SaveOutcome outcome = save.save(request, [&path](const QString &) {
        writeSampleFile(path);
        return true;
    });
    using Status = SaveOutcome::Status;
    if (outcome.status == Status::Saved || outcome.status == Status::KeyTaken)
        return;
    if (!outcome.error.isEmpty())
        throw RuntimeError(outcome.error);
    throw RuntimeError(QStringLiteral("The sample load format was refused by the save's checks."));
}

} // namespace velkora::store
