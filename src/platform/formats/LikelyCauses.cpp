#include "LikelyCauses.h"

#include "CompiledFormat.h"
#include "LineAnalyzer.h"
#include "ScanResult.h"

#include <QStringList>
#include <algorithm>
#include <cstdlib>

namespace velkora::formats {

namespace {

// Whether `count` lines are most of `of`.
bool most(qint64 count, qint64 of)
{
    return of > 0 && count * 100 >= of * MostLinesPercent;
}

QString columns(int from, int to)
{
    return from == to ? QStringLiteral("columna %1").arg(from)
                      : QStringLiteral("columnas %1-%2").arg(from).arg(to);
}

// "0003 Fecha, 0005 Importe", at most five, then how many more.
QString fieldNames(const CompiledFormat &format, int type, const std::vector<int> &fields)
{
    QStringList names;
    for (size_t i = 0; i < fields.size() && i < 5; ++i) {
        const FieldDef &def = format.field(type, fields[i]);
        names << QStringLiteral("%1 %2").arg(def.id, def.description).trimmed();
    }
    QString text = names.join(QStringLiteral(", "));
    if (fields.size() > 5)
        text += QStringLiteral(" y %1 más").arg(fields.size() - 5);
    return text;
}

// "una columna", "dos columnas".
QString columnCount(int n)
{
    return n == 1 ? QStringLiteral("una columna")
                  : QStringLiteral("%1 columnas")
                        .arg(n == 2 ? QStringLiteral("dos") : QString::number(n));
}

// "un carácter", "dos caracteres".
QString characterCount(int n)
{
    return n == 1 ? QStringLiteral("un carácter")
                  : QStringLiteral("%1 caracteres")
                        .arg(n == 2 ? QStringLiteral("dos") : QString::number(n));
}

// "El campo 0004 Documento (NUMERO, columnas 43-52) del tipo de línea 0002".
QString theField(const CompiledFormat &format, int type, int field)
{
    const FieldDef &def = format.field(type, field);
    const QString name = QStringLiteral("%1 %2").arg(def.id, def.description).trimmed();
    return QStringLiteral("El campo %1 (%2, %3) del tipo de línea %4")
        .arg(name, fieldTypeName(def.type()),
             columns(def.position, int(qint64(def.position) + def.length - 1)),
             format.lineType(type).order);
}

} // namespace

QString causeKindName(LikelyCause::Kind kind)
{
    switch (kind) {
    case LikelyCause::Kind::Shifted:
        return QStringLiteral("shifted");
    case LikelyCause::Kind::ShortLines:
        return QStringLiteral("short_lines");
    case LikelyCause::Kind::BlankNumber:
        return QStringLiteral("blank_number");
    case LikelyCause::Kind::BlankDate:
        return QStringLiteral("blank_date");
    case LikelyCause::Kind::OtherDateFormat:
        return QStringLiteral("other_date_format");
    case LikelyCause::Kind::NoLineBreaks:
        return QStringLiteral("no_line_breaks");
    }
    return {};
}

void noteLineInError(LineAnalyzer &analyzer, const CompiledLineType &type, TypeStat &stat)
{
    const std::vector<NamedDateFormat> &dates = commonDateFormats();
    if (stat.fields.empty()) {
        stat.fields.resize(type.fields.size());
        for (size_t f = 0; f < type.fields.size(); ++f)
            if (type.fields[f].otherDates != 0)
                stat.fields[f].otherDates.resize(dates.size());
    }
    ++stat.errorLines;
    const qsizetype characters = analyzer.characters();
    const qsizetype off = characters - type.end;
    if (off >= -LengthSlack && off <= LengthSlack)
        ++stat.lengths[size_t(off + LengthSlack)];

    std::array<bool, ShiftCount> shifted{};
    bool cut = false; // a field in error reaches past the line's end
    for (const int f : analyzer.fieldsInError()) {
        const CompiledField &spec = type.fields[size_t(f)];
        FieldStat &field = stat.fields[size_t(f)];
        ++field.lines;
        if (!spec.usable)
            continue; // the review of the format says why it never reads
        if (qint64(spec.start) + spec.length > characters) {
            ++field.pastEnd;
            cut = true;
        }
        if (analyzer.field(f).problem.code == Problem::Blank) {
            ++field.blank;
            continue; // a blank field tells nothing more
        }
        // The nearest shift that reads (one column before two, left before right on a tie).
        for (size_t k = 0; k < Shifts.size(); ++k) {
            if (analyzer.readsShifted(f, Shifts[k])) {
                ++field.shifted[k];
                shifted[k] = true;
                break;
            }
        }
        for (quint32 bits = spec.otherDates; bits != 0; bits &= bits - 1) {
            const int k = qCountTrailingZeroBits(bits);
            if (analyzer.readsAsDate(f, dates[size_t(k)].format))
                ++field.otherDates[size_t(k)];
        }
    }
    if (cut)
        ++stat.shortLines;
    for (size_t k = 0; k < Shifts.size(); ++k)
        if (shifted[k])
            ++stat.shiftedLines[k];
}

namespace {

// The likely causes of the errors of one line type whose lines are mostly in error: its fields
// shifted or its lines too short, then each field's own (left blank, another date format).
class TypeCauses {
public:
    TypeCauses(const CompiledFormat &format, int lineType, const TypeStat &stat,
               QList<LikelyCause> &causes)
        : m_format(format), m_type(format.lineTypes()[size_t(lineType)]), m_stat(stat),
          m_index(lineType), m_of(stat.lines), m_order(format.lineType(lineType).order),
          m_causes(causes), m_explained(m_type.fields.size(), 0)
    {}

    void find()
    {
        std::vector<int> moved;
        if (const int best = bestShift(&moved); best >= 0)
            shifted(best, moved);
        else if (m_type.end > 0 && most(m_stat.shortLines, m_of))
            shortLines();
        for (size_t f = 0; f < m_stat.fields.size(); ++f) {
            if (m_explained[f] || !most(m_stat.fields[f].lines, m_of))
                continue;
            if (!blank(int(f)))
                otherDate(int(f));
        }
    }

private:
    LikelyCause cause(LikelyCause::Kind kind, int field, qint64 lines) const
    {
        LikelyCause c;
        c.kind = kind;
        c.lineType = m_index;
        c.field = field;
        c.lineOrder = m_order;
        if (field >= 0)
            c.fieldId = m_format.field(m_index, field).id;
        c.lines = lines;
        c.of = m_of;
        return c;
    }
    int bestShift(std::vector<int> *moved) const;
    void shifted(int best, const std::vector<int> &moved);
    void shortLines();
    bool blank(int f);
    void otherDate(int f);

    const CompiledFormat &m_format;
    const CompiledLineType &m_type;
    const TypeStat &m_stat;
    int m_index;
    qint64 m_of;
    QString m_order;
    QList<LikelyCause> &m_causes;
    std::vector<char> m_explained; // fields whose errors the line type's cause explains
};

// The fields shifted: the shift that most lines show, among those under which some field reads
// right on most lines; -1 for none.
int TypeCauses::bestShift(std::vector<int> *moved) const
{
    int best = -1;
    for (size_t k = 0; k < Shifts.size(); ++k) {
        std::vector<int> fields;
        for (size_t f = 0; f < m_stat.fields.size(); ++f) {
            const FieldStat &field = m_stat.fields[f];
            // A date that reads in another format on as many lines is not shifted.
            const qint64 otherDate =
                field.otherDates.empty()
                    ? 0
                    : *std::max_element(field.otherDates.begin(), field.otherDates.end());
            if (most(field.shifted[k], m_of) && otherDate < field.shifted[k])
                fields.push_back(int(f));
        }
        if (!fields.empty() &&
            (best < 0 || m_stat.shiftedLines[k] > m_stat.shiftedLines[size_t(best)])) {
            best = int(k);
            *moved = fields;
        }
    }
    return best;
}

void TypeCauses::shifted(int best, const std::vector<int> &moved)
{
    const int shift = Shifts[size_t(best)];
    const int n = std::abs(shift);
    int column = 0;
    for (const int f : moved) {
        m_explained[size_t(f)] = 1;
        const int start = m_type.fields[size_t(f)].start + 1;
        column = column == 0 ? start : std::min(column, start);
    }
    LikelyCause c = cause(LikelyCause::Kind::Shifted, -1, m_stat.shiftedLines[size_t(best)]);
    c.shift = shift;
    c.column = column;
    const QString side =
        shift > 0 ? QStringLiteral("a la derecha") : QStringLiteral("a la izquierda");
    c.message = QStringLiteral("Los campos del tipo de línea %1 parecen desplazados %2 %3 a "
                               "partir de la columna %4: en %5 de %6 líneas, los campos con "
                               "error (%7) se leen bien %2 más %3.")
                    .arg(m_order, columnCount(n), side)
                    .arg(column)
                    .arg(c.lines)
                    .arg(m_of)
                    .arg(fieldNames(m_format, m_index, moved));
    c.message += shift > 0 ? QStringLiteral(" ¿%1 %2 en la columna %3 o antes?")
                                 .arg(n == 1 ? QStringLiteral("Sobra") : QStringLiteral("Sobran"),
                                      characterCount(n))
                                 .arg(column)
                           : QStringLiteral(" ¿%1 %2 antes de la columna %3?")
                                 .arg(n == 1 ? QStringLiteral("Falta") : QStringLiteral("Faltan"),
                                      characterCount(n))
                                 .arg(column);
    const qint64 sameLength = m_stat.lengths[size_t(LengthSlack + shift)];
    if (m_type.end > 0 && most(sameLength, m_of))
        c.message += QStringLiteral(" Las líneas también son más %1: %2 tienen %3 caracteres y "
                                    "los campos terminan en la columna %4.")
                         .arg(shift > 0 ? QStringLiteral("largas") : QStringLiteral("cortas"))
                         .arg(sameLength)
                         .arg(m_type.end + shift)
                         .arg(m_type.end);
    m_causes << c;
}

// Lines that end before the last field.
void TypeCauses::shortLines()
{
    std::vector<int> cut;
    for (size_t f = 0; f < m_stat.fields.size(); ++f) {
        if (most(m_stat.fields[f].pastEnd, m_of)) {
            m_explained[f] = 1;
            cut.push_back(int(f));
        }
    }
    LikelyCause c = cause(LikelyCause::Kind::ShortLines, -1, m_stat.shortLines);
    c.message = QStringLiteral("Las líneas del tipo de línea %1 son más cortas que su último "
                               "campo, que termina en la columna %2: %3 de %4 líneas terminan "
                               "antes.")
                    .arg(m_order)
                    .arg(m_type.end)
                    .arg(c.lines)
                    .arg(m_of);
    for (int off = 1; off <= LengthSlack; ++off) {
        const qint64 lines = m_stat.lengths[size_t(LengthSlack - off)];
        if (most(lines, m_of))
            c.message += QStringLiteral(" A %1 de ellas les %2 %3 (tienen %4).")
                             .arg(lines)
                             .arg(off == 1 ? QStringLiteral("falta") : QStringLiteral("faltan"),
                                  characterCount(off))
                             .arg(m_type.end - off);
    }
    if (!cut.empty())
        c.message += QStringLiteral(" Los campos que quedan fuera (%1) no se pueden leer: ¿el "
                                    "archivo recorta los blancos del final de la línea, o el "
                                    "formato espera líneas más largas?")
                         .arg(fieldNames(m_format, m_index, cut));
    m_causes << c;
}

// A NUMERO or Fecha left blank on most lines; false when it is not.
bool TypeCauses::blank(int f)
{
    const FieldStat &field = m_stat.fields[size_t(f)];
    const CompiledField &spec = m_type.fields[size_t(f)];
    if (!most(field.blank, m_of) ||
        (spec.type != FieldType::Numero && spec.type != FieldType::Fecha))
        return false;
    const bool number = spec.type == FieldType::Numero;
    LikelyCause c = cause(number ? LikelyCause::Kind::BlankNumber : LikelyCause::Kind::BlankDate, f,
                          field.blank);
    c.message = QStringLiteral("%1 está en blanco en %2 de %3 líneas. ¿Es un campo opcional? %4")
                    .arg(theField(m_format, m_index, f))
                    .arg(c.lines)
                    .arg(m_of)
                    .arg(number ? QStringLiteral("Un NUMERO no puede quedar en blanco: "
                                                 "considere declararlo TEXTO.")
                                : QStringLiteral("Una Fecha no puede quedar en blanco: "
                                                 "considere declararla TEXTO."));
    m_causes << c;
    return true;
}

// The common date format that reads most of the values (the first in the list's order on a
// tie), and those that read as many.
void TypeCauses::otherDate(int f)
{
    const FieldStat &field = m_stat.fields[size_t(f)];
    const std::vector<NamedDateFormat> &dates = commonDateFormats();
    int chosen = -1;
    for (size_t k = 0; k < field.otherDates.size(); ++k)
        if (most(field.otherDates[k], m_of) &&
            (chosen < 0 || field.otherDates[k] > field.otherDates[size_t(chosen)]))
            chosen = int(k);
    if (chosen < 0)
        return;
    QStringList alike;
    for (size_t k = 0; k < field.otherDates.size(); ++k)
        if (int(k) != chosen && field.otherDates[k] == field.otherDates[size_t(chosen)])
            alike << dates[k].text;
    LikelyCause c = cause(LikelyCause::Kind::OtherDateFormat, f, field.otherDates[size_t(chosen)]);
    c.dateFormat = dates[size_t(chosen)].text;
    const FieldDef &def = m_format.field(m_index, f);
    const QString own = def.format.isEmpty() ? QStringLiteral("vacío (YYYYMMDD)")
                                             : QStringLiteral("'%1'").arg(def.format);
    c.message =
        QStringLiteral("%1 no se lee en su formato %2 en %3 de %4 líneas, y %5 se leen como "
                       "%6%7: ¿es ese su formato?")
            .arg(theField(m_format, m_index, f), own)
            .arg(field.lines)
            .arg(m_of)
            .arg(c.lines == field.lines ? QStringLiteral("los valores")
                                        : QStringLiteral("%1 de esos valores").arg(c.lines),
                 c.dateFormat,
                 alike.isEmpty()
                     ? QString()
                     : QStringLiteral(" (o como %1)").arg(alike.join(QStringLiteral(", "))));
    m_causes << c;
}

} // namespace

QList<LikelyCause> likelyCauses(const CompiledFormat &format, const ScanResult &result)
{
    QList<LikelyCause> causes;
    for (size_t t = 0; t < format.lineTypes().size() && t < result.types.size(); ++t) {
        const TypeStat &stat = result.types[t];
        if (!most(stat.errorLines, stat.lines) || stat.fields.empty())
            continue; // a clean line type, or errors on a few of its lines
        TypeCauses(format, int(t), stat, causes).find();
    }
    return causes;
}

} // namespace velkora::formats
