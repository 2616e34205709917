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

} // namespace

QString reportText(const TestReport &report, const QString &separatorText)
{
    if (!report.ran)
        return {};
    const QString sep = separatorText.isEmpty() ? QStringLiteral("|") : separatorText;
    const LoadFormat &format = report.format;
    const ScanResult &r = report.result;
    QStringList out;
    auto row = [&](const QStringList &cells) { out << cells.join(sep); };

    row({QStringLiteral("Prueba del formato de carga %1").arg(format.key), format.description});
    row({QStringLiteral("Archivo"), report.filePath});
    row({QStringLiteral("Tamaño"), QStringLiteral("%1 bytes").arg(report.fileBytes)});
    row({QStringLiteral("Codificación"), report.encodingName()});
    row({QStringLiteral("Lectura"), format.reverse
                                        ? QStringLiteral("inversa: de la última línea a la primera")
                                        : QStringLiteral("de la primera línea a la última")});
    if (format.state == QLatin1String("BA"))
        row({QStringLiteral("Estado"), QStringLiteral("dado de baja")});

    // What is wrong with the file as a whole, first of all.
    if (!report.fileErrors.isEmpty()) {
        out << QString() << QStringLiteral("Errores del archivo");
        for (const QString &error : report.fileErrors)
            out << error;
    }
    // Then what most likely went wrong, and where the errors are: before the lines.
    if (!report.causes.isEmpty()) {
        out << QString() << QStringLiteral("Causas probables de los errores");
        row({QStringLiteral("Tipo"), QStringLiteral("Campo"), QStringLiteral("Líneas"),
             QStringLiteral("Causa")});
        for (const LikelyCause &cause : report.causes)
            row({cause.lineOrder, cause.fieldId,
                 QStringLiteral("%1 de %2").arg(cause.lines).arg(cause.of), cause.message});
    }
    if (r.errorCount > 0) {
        out << QString() << QStringLiteral("Líneas con errores de campo");
        row({QStringLiteral("Tipo"), QStringLiteral("Campo"), QStringLiteral("Líneas con error"),
             QStringLiteral("Líneas del tipo"), QStringLiteral("Primeras líneas con error")});
        for (int t = 0; t < format.lineTypes.size() && size_t(t) < r.types.size(); ++t) {
            const TypeStat &stat = r.types[size_t(t)];
            if (stat.errorLines == 0)
                continue;
            const LineType &type = format.lineTypes.at(t);
            row({type.order, QStringLiteral("(algún campo)"), QString::number(stat.errorLines),
                 QString::number(stat.lines), QString()});
            if (stat.lineErrors > 0)
                row({type.order, QStringLiteral("(la línea)"), QString::number(stat.lineErrors),
                     QString::number(stat.lines),
                     firstLines(stat.lineErrorFirst, stat.lineErrors)});
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

    out << QString() << QStringLiteral("Revisión del formato");
    if (report.layout.isEmpty()) {
        out << QStringLiteral("Sin observaciones.");
    } else {
        row({QStringLiteral("Tipo"), QStringLiteral("Campo"), QStringLiteral("Observación")});
        for (const LayoutFinding &finding : report.layout)
            row({finding.lineType, finding.field, finding.message});
    }

    out << QString() << QStringLiteral("Tipos de línea");
    row({QStringLiteral("Tipo"), QStringLiteral("ID"), QStringLiteral("Columnas"),
         QStringLiteral("Descripción"), QStringLiteral("Campos")});
    for (const LineType &type : format.lineTypes) {
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

    if (!r.details.empty()) {
        out << QString() << QStringLiteral("Líneas");
        row({QStringLiteral("Línea"), QStringLiteral("Tipo"), QStringLiteral("Valores")});
        for (const LineDetail &detail : r.details) {
            QStringList cells{QString::number(detail.line)};
            if (detail.lineType >= 0) {
                cells << format.lineTypes.at(detail.lineType).order;
                for (const LineDetail::Value &value : detail.values)
                    cells << (value.ok ? value.text : QStringLiteral("¡ERROR! %1").arg(value.text));
            } else if (detail.candidates.isEmpty()) {
                cells << QStringLiteral("SIN TIPO") << detail.text;
            } else {
                QStringList orders;
                for (const int t : detail.candidates)
                    orders << format.lineTypes.at(t).order;
                cells << QStringLiteral("VARIOS TIPOS (%1)").arg(orders.join(QStringLiteral(", ")))
                      << detail.text;
            }
            row(cells);
        }
        const qint64 hidden = r.lines - qint64(r.details.size());
        if (hidden > 0)
            out << QStringLiteral("... %1 línea(s) más no se muestran: se muestran las primeras "
                                  "%2 en el orden de lectura.")
                       .arg(hidden)
                       .arg(r.details.size());
    }

    out << QString() << QStringLiteral("Resumen");
    if (report.cancelled)
        row({QStringLiteral("Prueba cancelada"),
             QStringLiteral("se leyeron %1 de %2 bytes").arg(r.bytes).arg(report.fileBytes)});
    row({QStringLiteral("Líneas leídas"), QString::number(r.lines)});
    for (int t = 0; t < format.lineTypes.size(); ++t) {
        const LineType &type = format.lineTypes.at(t);
        const qint64 lines = size_t(t) < r.types.size() ? r.types[size_t(t)].lines : 0;
        row({QStringLiteral("Tipo %1 (%2) %3").arg(type.order, type.lineId, type.description),
             QString::number(lines)});
    }
    row({QStringLiteral("Sin tipo de línea"), QString::number(r.unmatched.count)});
    row({QStringLiteral("Con más de un tipo de línea"), QString::number(r.ambiguous.count)});
    row({QStringLiteral("Errores de campo"), QString::number(r.errorCount)});
    if (r.emptyAtEnd.count > 0 && r.anyText)
        row({QStringLiteral("Líneas vacías al final del archivo"),
             QStringLiteral("%1 (desde la línea %2)")
                 .arg(r.emptyAtEnd.count)
                 .arg(report.format.reverse
                          ? r.emptyAtEnd.first.empty() ? 0 : r.emptyAtEnd.first.back()
                      : r.emptyAtEnd.first.empty() ? 0
                                                   : r.emptyAtEnd.first.front())});
    if (r.controlLines.count > 0)
        row({QStringLiteral("Líneas con caracteres de control"), lineList(r.controlLines)});
    if (r.longLines.count > 0)
        row({QStringLiteral("Líneas de más de %1 bytes, leídas hasta ahí").arg(1 << 20),
             lineList(r.longLines)});
    if (r.unmatched.count > 0)
        row({QStringLiteral("Líneas sin tipo de línea"), lineList(r.unmatched)});
    if (r.ambiguous.count > 0)
        row({QStringLiteral("Líneas con más de un tipo de línea"), lineList(r.ambiguous)});
    row({QStringLiteral("Resultado"),
         report.clean() ? QStringLiteral("cada línea tiene un tipo de línea y ningún campo tiene "
                                         "error")
         : report.fileErrors.isEmpty() && report.result.errorCount == 0 &&
                 report.result.unmatched.count == 0 && report.result.ambiguous.count == 0
             ? QStringLiteral("el archivo no se pudo revisar del todo: hay reglas que no se "
                              "aplican (véase la revisión del formato)")
             : QStringLiteral("el archivo tiene errores")});

    if (!report.errors.isEmpty()) {
        out << QString() << QStringLiteral("Errores de campo");
        row({QStringLiteral("Línea"), QStringLiteral("Columnas"), QStringLiteral("Tipo"),
             QStringLiteral("Campo"), QStringLiteral("Error"), QStringLiteral("Regla")});
        for (const ReportedError &error : report.errors)
            row({QString::number(error.line), QStringLiteral("%1-%2").arg(error.from).arg(error.to),
                 error.lineType, error.field, error.message, error.rule});
        if (r.errorCount > report.errors.size())
            out << QStringLiteral("... se muestran los primeros %1 de %2 errores de campo.")
                       .arg(report.errors.size())
                       .arg(r.errorCount);
    }
    return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace velkora::formats
