// The proposal of a load format from a sample file (see docs/proposal.md): where the line IDs
// stand (IdChoice.cpp), then one reading of the whole file that sorts every line into its
// line type and keeps, for the first lines of each type, what every column held; the fields
// follow from those columns; last, the proposal is tested on the file as a stored format
// would be, and a NUMERO or Fecha field that some line cannot read becomes TEXTO.

#include "Proposal.h"

#include "ProposalInternal.h"
#include "formats/DateFormat.h"
#include "formats/LoadFormatTest.h"

#include <QFileInfo>
#include <algorithm>
#include <bit>
#include <bitset>
#include <cmath>
#include <utility>

namespace velkora::proposal {

using namespace detail;

namespace {

// The date formats a run of columns is tried in, in order of preference when several read
// every line (a day-first format before a month-first one).
struct DateSpec {
    QString name;
    formats::DateFormat format;
    int length = 0;
    bool twoDigitYear = false;
};

const std::vector<DateSpec> &dateSpecs()
{
    static const std::vector<DateSpec> specs = [] {
        std::vector<DateSpec> list;
        for (const char *text : {"YYYYMMDD", "DDMMYYYY", "YYYY-MM-DD", "DD/MM/YYYY", "DD-MM-YYYY",
                                 "DD.MM.YYYY", "YYYY/MM/DD", "YYMMDD", "DDMMYY", "DD/MM/YY",
                                 "YY-MM-DD", "MMDDYYYY", "MM/DD/YYYY", "MM/DD/YY"}) {
            const QString name = QString::fromLatin1(text);
            const formats::DateFormat format = formats::DateFormat::compile(name, nullptr);
            list.push_back({name, format, format.length(), !name.contains(QLatin1String("YYYY"))});
        }
        return list;
    }();
    return specs;
}

// Whether characters [start, start + spec.length) read as a date in the format, and a likely
// one: a four-digit year from 1900 to 2099, a two-digit year from 80 to 99 or 01 to 49, never
// the year 2000 (so that the zeros of an amount are not taken for a year).
bool readsAsDate(const char32_t *chars, const DateSpec &spec, formats::DateValue &value)
{
    char text[16];
    for (int i = 0; i < spec.length; ++i) {
        if (chars[i] > 0x7E || chars[i] <= 0x20)
            return false;
        text[i] = char(chars[i]);
    }
    formats::Problem problem;
    if (!spec.format.read(text, spec.length, value, problem) || value.year == 2000)
        return false;
    if (spec.twoDigitYear)
        return value.year >= 1980;
    return value.year >= 1900 && value.year <= 2099;
}

// A run of columns that reads as a date on every sampled line, and which years, months and
// days it held.
struct DateCandidate {
    int start = 0;
    int spec = 0;
    std::bitset<200> years; // 1900 to 2099
    quint32 months = 0;
    quint32 days = 0;

    void note(const formats::DateValue &v)
    {
        years.set(size_t(v.year - 1900));
        months |= 1u << v.month;
        days |= 1u << v.day;
    }
    // A date whose year changes more often than both its month and its day is rather digits
    // that happen to read as a date (the year of a statement's dates seldom changes).
    bool likely() const
    {
        const int y = int(years.count());
        return y <= 1 || y <= std::max(std::popcount(months), std::popcount(days));
    }
};

// What the sampled lines of a line type held, column by column.
struct TypeStats {
    quint64 key = 0;
    qint64 lines = 0;
    qint64 firstLine = 0;
    int sampled = 0;
    int width = 0;
    std::vector<quint8> mask;         // the classes seen
    std::vector<int> present;         // lines long enough to have the column
    std::vector<char32_t> first;      // the character of the first line that had it
    std::vector<quint8> varies;       // whether another line had another character
    std::vector<DateCandidate> dates; // runs that read as a date on every sampled line

    void sample(const DecodedLine &line)
    {
        const int have = int(line.chars.size());
        if (have > width) {
            mask.resize(size_t(have), 0);
            present.resize(size_t(have), 0);
            first.resize(size_t(have), 0);
            varies.resize(size_t(have), 0);
            width = have;
        }
        const char32_t *c = line.chars.data();
        for (int j = 0; j < have; ++j) {
            mask[size_t(j)] |= classOf(c[j]);
            if (present[size_t(j)]++ == 0)
                first[size_t(j)] = c[j];
            else if (first[size_t(j)] != c[j])
                varies[size_t(j)] = 1;
        }
        const std::vector<DateSpec> &specs = dateSpecs();
        if (sampled == 0) {
            for (int j = 0; j < have; ++j) {
                if (c[j] < U'0' || c[j] > U'9')
                    continue;
                for (int s = 0; s < int(specs.size()); ++s) {
                    formats::DateValue value;
                    if (j + specs[size_t(s)].length <= have &&
                        readsAsDate(c + j, specs[size_t(s)], value)) {
                        dates.push_back({j, s, {}, 0, 0});
                        dates.back().note(value);
                    }
                }
            }
        } else if (!dates.empty()) {
            std::erase_if(dates, [&](DateCandidate &d) {
                const DateSpec &spec = specs[size_t(d.spec)];
                formats::DateValue value;
                if (d.start + spec.length > have || !readsAsDate(c + d.start, spec, value))
                    return true;
                d.note(value);
                return false;
            });
        }
        ++sampled;
    }
};

QString fourDigits(int n)
{
    return QStringLiteral("%1").arg(n, 4, 10, QLatin1Char('0'));
}

bool storable(const QString &text)
{
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || c.isSurrogate() || c.isNonCharacter())
            return false;
    return true;
}

// The fields of a line type from its columns (see docs/proposal.md).
class FieldBuilder {
public:
    FieldBuilder(const TypeStats &stats, int idStart, int idLength)
        : t(stats), m_idStart(idStart), m_idLength(idLength)
    {
        evidence = t.sampled / (t.sampled + 1.0);
    }

    QList<ProposedField> build(double *consistency);

private:
    bool content(int j) const { return (t.mask[size_t(j)] & (Digit | Letter | Other)) != 0; }
    bool inId(int j) const
    {
        return m_idLength > 0 && j >= m_idStart && j < m_idStart + m_idLength;
    }
    bool complete(int j) const { return t.present[size_t(j)] == t.sampled; }
    // The one class of a column that holds it on every sampled line, or 0.
    quint8 pure(int j) const
    {
        const quint8 m = t.mask[size_t(j)];
        return complete(j) && (m == Digit || m == Letter || m == Other) ? m : 0;
    }
    bool constant(int j) const { return t.sampled >= 2 && complete(j) && !t.varies[size_t(j)]; }

    void segment(int a, int b);
    void piece(int a, int b);
    void digits(int a, int b);
    void number(int a, int b, double sureness);
    void decimals(qsizetype from);
    void add(int a, int b, const QString &type, const QString &format, const QString &value,
             bool trim, double confidence);

    const TypeStats &t;
    int m_idStart;
    int m_idLength;
    double evidence = 0;
    QList<ProposedField> m_fields;
};

QList<ProposedField> FieldBuilder::build(double *consistency)
{
    int end = 0; // trailing blanks are not fields
    for (int j = 0; j < t.width; ++j)
        if (content(j) && !inId(j))
            end = j + 1;
    std::vector<char> separator(size_t(end), 0);
    for (int j = 0; j < end; ++j)
        separator[size_t(j)] = inId(j) || !content(j);
    // On a line type of one line, a single blank column between two columns that hold letters
    // is a space between words (on more lines, a blank that stands in the same column on every
    // line is where a field ends).
    for (int j = 1; t.sampled == 1 && j + 1 < end; ++j) {
        if (inId(j) || content(j) || separator[size_t(j - 1)] || separator[size_t(j + 1)])
            continue;
        if ((t.mask[size_t(j - 1)] & Letter) && (t.mask[size_t(j + 1)] & Letter))
            separator[size_t(j)] = 0;
    }
    int columns = 0, pureColumns = 0;
    for (int j = 0; j < end; ++j) {
        if (separator[size_t(j)])
            continue;
        ++columns;
        pureColumns += pure(j) != 0 || (constant(j) && content(j));
    }
    *consistency = columns == 0 ? 1.0 : double(pureColumns) / columns;
    for (int j = 0; j < end;) {
        if (separator[size_t(j)]) {
            ++j;
            continue;
        }
        int k = j;
        while (k < end && !separator[size_t(k)])
            ++k;
        segment(j, k);
        j = k;
    }
    for (int i = 0; i < m_fields.size(); ++i)
        m_fields[i].description = QStringLiteral("Campo %1").arg(fourDigits(i + 1));
    return m_fields;
}

// A run of columns between separators: the dates first (as many of its columns as dates can
// cover, the preferred format first), then the pieces between them.
void FieldBuilder::segment(int a, int b)
{
    const std::vector<DateSpec> &specs = dateSpecs();
    const int n = b - a;
    std::vector<int> best(size_t(n + 1), 0);
    std::vector<int> from(size_t(n + 1), -1); // the date that ends there on the best path
    for (int i = 0; i < n; ++i) {
        if (best[size_t(i)] > best[size_t(i + 1)]) {
            best[size_t(i + 1)] = best[size_t(i)];
            from[size_t(i + 1)] = -1;
        }
        for (int d = 0; d < int(t.dates.size()); ++d) {
            const DateCandidate &date = t.dates[size_t(d)];
            const int length = specs[size_t(date.spec)].length;
            if (date.start != a + i || i + length > n || !date.likely())
                continue;
            if (best[size_t(i)] + length > best[size_t(i + length)]) {
                best[size_t(i + length)] = best[size_t(i)] + length;
                from[size_t(i + length)] = d;
            }
        }
    }
    // Back from the end: the dates on the best path.
    std::vector<const DateCandidate *> chosen;
    for (int i = n; i > 0;) {
        if (from[size_t(i)] < 0) {
            --i;
            continue;
        }
        const DateCandidate &date = t.dates[size_t(from[size_t(i)])];
        chosen.push_back(&date);
        i -= specs[size_t(date.spec)].length;
    }
    std::reverse(chosen.begin(), chosen.end());
    const qsizetype first = m_fields.size();
    int at = a;
    for (const DateCandidate *date : chosen) {
        const DateSpec &spec = specs[size_t(date->spec)];
        if (date->start > at)
            piece(at, date->start);
        add(date->start, date->start + spec.length, QStringLiteral("03"), spec.name, {}, false,
            evidence);
        at = date->start + spec.length;
    }
    if (at < b)
        piece(at, b);
    decimals(first);
}

// Digits, a point or comma that never changes, and one to three digits: one NUMERO with that
// many decimals ("0.00").
void FieldBuilder::decimals(qsizetype from)
{
    for (qsizetype i = from; i + 2 < m_fields.size(); ++i) {
        const ProposedField &whole = m_fields[i], &mark = m_fields[i + 1], &part = m_fields[i + 2];
        const bool isMark = mark.typeCode == QLatin1String("04") && mark.length == 1 &&
                            (mark.value == QLatin1String(".") || mark.value == QLatin1String(","));
        if (whole.typeCode != QLatin1String("01") || !isMark ||
            part.typeCode != QLatin1String("01") || part.length > 3 ||
            whole.position + whole.length != mark.position || mark.position + 1 != part.position ||
            whole.length + part.length > MaxNumberDigits)
            continue;
        ProposedField merged = whole;
        merged.length = whole.length + 1 + part.length;
        merged.format = QStringLiteral("0") + mark.value + QString(part.length, QLatin1Char('0'));
        merged.confidence = std::min(whole.confidence, part.confidence);
        m_fields[i] = merged;
        m_fields.remove(i + 1, 2);
    }
}

// Columns with no date: cut where a column of one class on every line meets one of another,
// then each part is a CONSTANTE, a NUMERO or a TEXTO.
void FieldBuilder::piece(int a, int b)
{
    int start = a;
    bool lastOther = false; // whether the last constant was of signs alone
    for (int j = a + 1; j <= b; ++j) {
        if (j < b) {
            const quint8 left = pure(j - 1), right = pure(j);
            if (!(left && right && left != right))
                continue;
        }
        bool allConstant = true, allDigits = true, allOther = true;
        QString value;
        for (int k = start; k < j; ++k) {
            allConstant = allConstant && constant(k);
            allDigits = allDigits && pure(k) == Digit;
            allOther = allOther && pure(k) == Other;
            if (allConstant)
                value += QString::fromUcs4(&t.first[size_t(k)], 1);
        }
        if (allConstant && value.size() <= 255 && storable(value)) {
            // A constant of signs beside another constant ("EMP" and "-") is one with it.
            ProposedField *last = m_fields.isEmpty() ? nullptr : &m_fields.last();
            if (last && last->typeCode == QLatin1String("04") && (allOther || lastOther) &&
                last->position - 1 + last->length == start && last->position - 1 >= a &&
                last->value.size() + value.size() <= 255) {
                last->length += j - start;
                last->value += value;
            } else {
                add(start, j, QStringLiteral("04"), {}, value, false, evidence);
            }
            lastOther = allOther;
        } else if (allDigits) {
            digits(start, j);
        } else {
            add(start, j, QStringLiteral("02"), {}, {}, true, 0.8 * evidence);
        }
        start = j;
    }
}

// Digits on every line: one NUMERO, or, past 18 digits, several: each cut where a column
// that changes is followed by one that never does (where a zero-padded number seems to start),
// the last such place within 18 digits, or after 18 digits.
void FieldBuilder::digits(int a, int b)
{
    bool cut = false;
    while (b - a > MaxNumberDigits) {
        int at = a + MaxNumberDigits;
        for (int k = a + MaxNumberDigits; k > a; --k) {
            if (t.varies[size_t(k - 1)] && !t.varies[size_t(k)]) {
                at = k;
                break;
            }
        }
        number(a, at, 0.6);
        a = at;
        cut = true;
    }
    number(a, b, cut ? 0.6 : 1.0);
}

// A part of a run of digits: a CONSTANTE when it never changes, a NUMERO otherwise.
void FieldBuilder::number(int a, int b, double sureness)
{
    QString value;
    for (int k = a; k < b && constant(k); ++k)
        value += QChar(char16_t(t.first[size_t(k)]));
    if (value.size() == b - a)
        add(a, b, QStringLiteral("04"), {}, value, false, evidence);
    else
        add(a, b, QStringLiteral("01"), {}, {}, false, sureness * evidence);
}

void FieldBuilder::add(int a, int b, const QString &type, const QString &format,
                       const QString &value, bool trim, double confidence)
{
    ProposedField f;
    f.position = a + 1;
    f.length = b - a;
    f.typeCode = type;
    f.format = format;
    f.value = value;
    f.trim = trim;
    f.confidence = std::round(confidence * 1000.0) / 1000.0;
    m_fields << f;
}

QString encodingName(qint64 utf8Lines, qint64 cp1252Lines)
{
    if (cp1252Lines > 0 && utf8Lines > 0)
        return QStringLiteral("UTF-8 y Windows-1252 (según la línea)");
    return cp1252Lines > 0 ? QStringLiteral("Windows-1252") : QStringLiteral("UTF-8");
}

// Tests the proposal on the whole file; a NUMERO or Fecha field that a line cannot read
// becomes TEXTO, and the test runs again, until no field is in error.
bool verify(Proposal &proposal, const QString &path, const ProposalOptions &options, QString *error)
{
    formats::TestOptions test;
    test.detailLines = 0;
    test.listLimit = 1000;
    test.threads = options.threads;
    for (int round = 0; round < 1000; ++round) {
        const formats::TestReport report =
            formats::testLoadFormat(toLoadFormat(proposal, QStringLiteral("PROP")), path, test);
        if (!report.ran) {
            *error = report.error;
            return false;
        }
        if (report.result.errorCount == 0)
            return true;
        bool changed = false;
        for (const formats::ReportedError &e : report.errors) {
            const int type = int(formats::orderNumber(e.lineType)) - 1;
            const int field = int(formats::orderNumber(e.field)) - 1;
            if (type < 0 || type >= proposal.lineTypes.size())
                continue;
            QList<ProposedField> &fields = proposal.lineTypes[type].fields;
            if (field < 0 || field >= fields.size())
                continue;
            ProposedField &f = fields[field];
            if (f.typeCode == QLatin1String("02"))
                continue;
            f.typeCode = QStringLiteral("02");
            f.format.clear();
            f.value.clear();
            f.trim = true;
            f.confidence = std::round(f.confidence * 500.0) / 1000.0;
            changed = true;
        }
        if (!changed)
            break;
    }
    *error = QStringLiteral("La propuesta no se pudo probar sin errores en '%1'.").arg(path);
    return false;
}

} // namespace

bool proposeFromFile(const QString &path, Proposal *proposal, QString *error,
                     const ProposalOptions &options)
{
    *proposal = Proposal{};
    QString why;
    auto fail = [&](const QString &text) {
        *proposal = Proposal{};
        if (error)
            *error = text;
        return false;
    };
    const QFileInfo info(path);
    if (path.isEmpty())
        return fail(QStringLiteral("No se indicó el archivo del que se propone el formato."));
    if (!info.exists())
        return fail(QStringLiteral("El archivo '%1' no existe.").arg(path));
    if (info.isDir())
        return fail(QStringLiteral("'%1' es una carpeta, no un archivo.").arg(path));

    IdPlace place;
    if (!chooseIdPlace(path, options.idSampleLines, &place, &why))
        return fail(QStringLiteral("El archivo '%1' no se puede leer: %2").arg(path, why));

    LineReader reader;
    if (!reader.open(path, &why))
        return fail(QStringLiteral("El archivo '%1' no se puede leer: %2").arg(path, why));
    std::vector<TypeStats> types;
    DecodedLine scratch, line;
    qint64 utf8Lines = 0, cp1252Lines = 0;
    size_t lastHit = 0;
    const int perType = std::max(1, options.sampleLinesPerType);
    const char *p = nullptr;
    qsizetype n = 0;
    // Empty lines count as lines without a type only when a line with text follows them: those
    // that end the file are not lines of the format, as the test says.
    QList<qint64> emptyLines;
    while (reader.next(p, n)) {
        if (n == 0) {
            emptyLines << reader.lineNumber();
            continue;
        }
        for (const qint64 empty : std::exchange(emptyLines, {})) {
            ++proposal->unmatchedCount;
            if (proposal->unmatchedLines.size() < 1000)
                proposal->unmatchedLines << empty;
        }
        if (!formats::isAscii(p, n))
            ++(formats::isValidUtf8(p, n) ? utf8Lines : cp1252Lines);
        TypeStats *type = nullptr;
        if (place.start < 0) {
            if (types.empty())
                types.emplace_back();
            type = &types.front();
        } else {
            const LineKey k = lineKey(p, n, place.start, place.length, scratch);
            if (k.status == LineKey::Ok) {
                if (lastHit < types.size() && types[lastHit].key == k.key) {
                    type = &types[lastHit];
                } else {
                    for (size_t t = 0; t < types.size(); ++t) {
                        if (types[t].key == k.key) {
                            type = &types[t];
                            lastHit = t;
                            break;
                        }
                    }
                    if (!type && types.size() < size_t(MaxLineTypes)) {
                        types.emplace_back();
                        types.back().key = k.key;
                        lastHit = types.size() - 1;
                        type = &types.back();
                    }
                }
            }
        }
        if (!type) {
            ++proposal->unmatchedCount;
            if (proposal->unmatchedLines.size() < 1000)
                proposal->unmatchedLines << reader.lineNumber();
            continue;
        }
        if (type->lines++ == 0)
            type->firstLine = reader.lineNumber();
        if (type->sampled < perType) {
            line.decode(p, n, MaxColumns);
            type->sample(line);
        }
    }
    if (!reader.error().isEmpty())
        return fail(
            QStringLiteral("El archivo '%1' no se puede leer: %2").arg(path, reader.error()));
    if (reader.lineNumber() == 0)
        return fail(QStringLiteral("El archivo '%1' está vacío: no tiene líneas de las que "
                                   "proponer un formato de carga.")
                        .arg(path));

    proposal->file = path;
    proposal->encoding = encodingName(utf8Lines, cp1252Lines);
    proposal->linesRead = reader.lineNumber();
    proposal->idPosition = place.start < 0 ? 0 : place.start + 1;
    proposal->idLength = place.start < 0 ? 0 : place.length;
    for (const TypeStats &stats : types) {
        ProposedLineType type;
        type.id = place.start < 0 ? QString() : keyText(stats.key);
        type.description =
            place.start < 0 ? QStringLiteral("Tipo único") : QStringLiteral("Tipo %1").arg(type.id);
        type.lines = stats.lines;
        type.firstLine = stats.firstLine;
        double consistency = 1;
        type.fields = FieldBuilder(stats, place.start, place.length).build(&consistency);
        const double evidence = stats.sampled / (stats.sampled + 1.0);
        type.confidence = std::round((0.5 + 0.5 * consistency) * evidence * 1000.0) / 1000.0;
        proposal->linesSampled += stats.sampled;
        proposal->lineTypes << type;
    }
    if (options.verify && !verify(*proposal, path, options, &why))
        return fail(why);
    return true;
}

formats::LoadFormat toLoadFormat(const Proposal &proposal, const QString &key)
{
    formats::LoadFormat format;
    format.key = key;
    const QString name = QFileInfo(proposal.file).fileName();
    format.description = (QStringLiteral("Propuesto de ") + name).left(50);
    format.file = proposal.file;
    format.reverse = false;
    format.state = QStringLiteral("AC");
    for (int t = 0; t < proposal.lineTypes.size(); ++t) {
        const ProposedLineType &proposed = proposal.lineTypes.at(t);
        formats::LineType type;
        type.order = fourDigits(t + 1);
        type.lineId = proposed.id;
        type.description = proposed.description;
        type.position = proposal.idPosition;
        type.length = proposal.idLength;
        for (int f = 0; f < proposed.fields.size(); ++f) {
            const ProposedField &field = proposed.fields.at(f);
            formats::FieldDef def;
            def.lineOrder = type.order;
            def.id = fourDigits(f + 1);
            def.description = field.description.isEmpty() ? QStringLiteral("Campo %1").arg(def.id)
                                                          : field.description;
            def.position = field.position;
            def.length = field.length;
            def.typeCode = field.typeCode;
            def.value = field.value;
            def.format = field.format;
            def.trim = field.trim;
            type.fields << def;
        }
        format.lineTypes << type;
    }
    return format;
}

} // namespace velkora::proposal
