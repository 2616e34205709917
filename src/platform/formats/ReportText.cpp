#include "LoadFormatTest.h"

namespace velkora::formats {

namespace {

QString lineList(const ListedLines &lines)
{
    QStringList numbers;
    for (const qint64 line : lines.first)
        numbers << QString::number(line);
    QString text = numbers.join(QStringLiteral(", "));
    if (lines.count > qint64(lines.first.size()))
        text += QStringLiteral(" (y %1 más)").arg(lines.count - qint64(lines.first.size()));
    return text;
}

// "12, 15, 40" and, when there are more, "(y 3 más)".
QString firstLines(const std::vector<qint64> &first, qint64 count)
{
    QStringList numbers;
    for (const qint64 line : first)
        numbers << QString::number(line);
    QString text = numbers.join(QStringLiteral(", "));
    if (count > qint64(first.size()))
        text += QStringLiteral(" (y %1 más)").arg(count - qint64(first.size()));
    return text;
}

QString columns(int position, int length)
{
    return QStringLiteral("%1-%2").arg(position).arg(qint64(position) + length - 1);
}

// The report as text, a section at a time: rows of cells joined by a separator.
class ReportWriter {
public:
    ReportWriter(const TestReport &report, const QString &sep)
        : m_report(report), m_format(report.format), m_r(report.result), m_sep(sep)
    {}

    QString text() const { return m_out.join(QLatin1Char('\n')) + QLatin1Char('\n'); }
    void header();
    void fileErrorsAndCauses();
    void failures();
    void layout();
    void lineTypes();
    void details();
    void summary();
    void errors();

private:
    void row(const QStringList &cells) { m_out << cells.join(m_sep); }
    void title(const QString &text) { m_out << QString() << text; }
    QString verdict() const;

    const TestReport &m_report;
    const LoadFormat &m_format;
    const ScanResult &m_r;
    QString m_sep;
    QStringList m_out;
};

void ReportWriter::header()
{
    row({QStringLiteral("Prueba del formato de carga %1").arg(m_format.key), m_format.description});
    row({QStringLiteral("Archivo"), m_report.filePath});
    row({QStringLiteral("Tamaño"), QStringLiteral("%1 bytes").arg(m_report.fileBytes)});
    row({QStringLiteral("Codificación"), m_report.encodingName()});
    row({QStringLiteral("Lectura"), m_format.reverse
                                        ? QStringLiteral("inversa: de la última línea a la primera")
                                        : QStringLiteral("de la primera línea a la última")});
    if (m_format.state == QLatin1String("BA"))
        row({QStringLiteral("Estado"), QStringLiteral("dado de baja")});
}

// What is wrong with the file as a whole, first of all; then what most likely went wrong.
void ReportWriter::fileErrorsAndCauses()
{
    if (!m_report.fileErrors.isEmpty()) {
        title(QStringLiteral("Errores del archivo"));
        for (const QString &error : m_report.fileErrors)
            m_out << error;
    }
    if (!m_report.causes.isEmpty()) {
        title(QStringLiteral("Causas probables de los errores"));
        row({QStringLiteral("Tipo"), QStringLiteral("Campo"), QStringLiteral("Líneas"),
             QStringLiteral("Causa")});
        for (const LikelyCause &cause : m_report.causes)
            row({cause.lineOrder, cause.fieldId,
                 QStringLiteral("%1 de %2").arg(cause.lines).arg(cause.of), cause.message});
    }
}

// Where the errors are, before the lines: per line type, the line as a whole and each field.
void ReportWriter::failures()
{
    if (m_r.errorCount <= 0)
        return;
    title(QStringLiteral("Líneas con errores de campo"));
    row({QStringLiteral("Tipo"), QStringLiteral("Campo"), QStringLiteral("Líneas con error"),
         QStringLiteral("Líneas del tipo"), QStringLiteral("Primeras líneas con error")});
    for (int t = 0; t < m_format.lineTypes.size() && size_t(t) < m_r.types.size(); ++t) {
        const TypeStat &stat = m_r.types[size_t(t)];
        if (stat.errorLines == 0)
            continue;
        const LineType &type = m_format.lineTypes.at(t);
        row({type.order, QStringLiteral("(algún campo)"), QString::number(stat.errorLines),
             QString::number(stat.lines), QString()});
        if (stat.lineErrors > 0)
            row({type.order, QStringLiteral("(la línea)"), QString::number(stat.lineErrors),
                 QString::number(stat.lines), firstLines(stat.lineErrorFirst, stat.lineErrors)});
        for (int f = 0; f < type.fields.size() && size_t(f) < stat.fields.size(); ++f) {
            const FieldStat &field = stat.fields[size_t(f)];
            if (field.lines > 0)
                row({type.order,
                     QStringLiteral("%1 %2").arg(type.fields.at(f).id,
                                                 type.fields.at(f).description),
                     QString::number(field.lines), QString::number(stat.lines),
                     firstLines(field.first, field.lines)});
        }
    }
}

void ReportWriter::layout()
{
    title(QStringLiteral("Revisión del formato"));
    if (m_report.layout.isEmpty()) {
        m_out << QStringLiteral("Sin observaciones.");
        return;
    }
    row({QStringLiteral("Tipo"), QStringLiteral("Campo"), QStringLiteral("Observación")});
    for (const LayoutFinding &finding : m_report.layout)
        row({finding.lineType, finding.field, finding.message});
}

void ReportWriter::lineTypes()
{
    title(QStringLiteral("Tipos de línea"));
    row({QStringLiteral("Tipo"), QStringLiteral("ID"), QStringLiteral("Columnas"),
         QStringLiteral("Descripción"), QStringLiteral("Campos")});
    for (const LineType &type : m_format.lineTypes) {
        QStringList fields;
        for (const FieldDef &field : type.fields)
            fields << (field.type() == FieldType::Constante
                           ? QStringLiteral("%1 %2 (%3)")
                                 .arg(field.id, field.description, fieldTypeName(field.type()))
                           : QStringLiteral("%1 %2 (%3 %4)")
                                 .arg(field.id, field.description,
                                      columns(field.position, field.length),
                                      fieldTypeName(field.type())));
        row({type.order, type.lineId, columns(type.position, type.length), type.description,
             fields.join(QStringLiteral("; "))});
    }
}

void ReportWriter::details()
{
    if (m_r.details.empty())
        return;
    title(QStringLiteral("Líneas"));
    row({QStringLiteral("Línea"), QStringLiteral("Tipo"), QStringLiteral("Valores")});
    for (const LineDetail &detail : m_r.details) {
        QStringList cells{QString::number(detail.line)};
        if (detail.lineType >= 0) {
            cells << m_format.lineTypes.at(detail.lineType).order;
            for (const LineDetail::Value &value : detail.values)
                cells << (value.ok ? value.text : QStringLiteral("¡ERROR! %1").arg(value.text));
        } else if (detail.candidates.isEmpty()) {
            cells << QStringLiteral("SIN TIPO") << detail.text;
        } else {
            QStringList orders;
            for (const int t : detail.candidates)
                orders << m_format.lineTypes.at(t).order;
            cells << QStringLiteral("VARIOS TIPOS (%1)").arg(orders.join(QStringLiteral(", ")))
                  << detail.text;
        }
        row(cells);
    }
    const qint64 hidden = m_r.lines - qint64(m_r.details.size());
    if (hidden > 0)
        m_out << QStringLiteral("... %1 línea(s) más no se muestran: se muestran las primeras %2 "
                                "en el orden de lectura.")
                     .arg(hidden)
                     .arg(m_r.details.size());
}

QString ReportWriter::verdict() const
{
    if (m_report.clean())
        return QStringLiteral("cada línea tiene un tipo de línea y ningún campo tiene error");
    if (m_report.fileErrors.isEmpty() && m_r.errorCount == 0 && m_r.unmatched.count == 0 &&
        m_r.ambiguous.count == 0)
        return QStringLiteral("el archivo no se pudo revisar del todo: hay reglas que no se "
                              "aplican (véase la revisión del formato)");
    return QStringLiteral("el archivo tiene errores");
}

void ReportWriter::summary()
{
    title(QStringLiteral("Resumen"));
    if (m_report.cancelled)
        row({QStringLiteral("Prueba cancelada"),
             QStringLiteral("se leyeron %1 de %2 bytes").arg(m_r.bytes).arg(m_report.fileBytes)});
    row({QStringLiteral("Líneas leídas"), QString::number(m_r.lines)});
    for (int t = 0; t < m_format.lineTypes.size(); ++t) {
        const LineType &type = m_format.lineTypes.at(t);
        const qint64 lines = size_t(t) < m_r.types.size() ? m_r.types[size_t(t)].lines : 0;
        row({QStringLiteral("Tipo %1 (%2) %3").arg(type.order, type.lineId, type.description),
             QString::number(lines)});
    }
    row({QStringLiteral("Sin tipo de línea"), QString::number(m_r.unmatched.count)});
    row({QStringLiteral("Con más de un tipo de línea"), QString::number(m_r.ambiguous.count)});
    row({QStringLiteral("Errores de campo"), QString::number(m_r.errorCount)});
    const std::vector<qint64> &emptyFirst = m_r.emptyAtEnd.first;
    if (m_r.emptyAtEnd.count > 0 && m_r.anyText)
        row({QStringLiteral("Líneas vacías al final del archivo"),
             QStringLiteral("%1 (desde la línea %2)")
                 .arg(m_r.emptyAtEnd.count)
                 .arg(emptyFirst.empty() ? 0
                      : m_format.reverse ? emptyFirst.back()
                                         : emptyFirst.front())});
    if (m_r.controlLines.count > 0)
        row({QStringLiteral("Líneas con caracteres de control"), lineList(m_r.controlLines)});
    if (m_r.longLines.count > 0)
        row({QStringLiteral("Líneas de más de %1 bytes, leídas hasta ahí").arg(1 << 20),
             lineList(m_r.longLines)});
    if (m_r.unmatched.count > 0)
        row({QStringLiteral("Líneas sin tipo de línea"), lineList(m_r.unmatched)});
    if (m_r.ambiguous.count > 0)
        row({QStringLiteral("Líneas con más de un tipo de línea"), lineList(m_r.ambiguous)});
    row({QStringLiteral("Resultado"), verdict()});
}

void ReportWriter::errors()
{
    if (m_report.errors.isEmpty())
        return;
    title(QStringLiteral("Errores de campo"));
    row({QStringLiteral("Línea"), QStringLiteral("Columnas"), QStringLiteral("Tipo"),
         QStringLiteral("Campo"), QStringLiteral("Error"), QStringLiteral("Regla")});
    for (const ReportedError &error : m_report.errors)
        row({QString::number(error.line), QStringLiteral("%1-%2").arg(error.from).arg(error.to),
             error.lineType, error.field, error.message, error.rule});
    if (m_r.errorCount > m_report.errors.size())
        m_out << QStringLiteral("... se muestran los primeros %1 de %2 errores de campo.")
                     .arg(m_report.errors.size())
                     .arg(m_r.errorCount);
}

} // namespace

QString reportText(const TestReport &report, const QString &separatorText)
{
    if (!report.ran)
        return {};
    ReportWriter writer(report, separatorText.isEmpty() ? QStringLiteral("|") : separatorText);
    writer.header();
    writer.fileErrorsAndCauses();
    writer.failures();
    writer.layout();
    writer.lineTypes();
    writer.details();
    writer.summary();
    writer.errors();
    return writer.text();
}

} // namespace velkora::formats
