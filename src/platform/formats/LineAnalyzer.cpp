#include "LineAnalyzer.h"

#include "Digits.h"
#include "Messages.h"

#include <algorithm>
#include <climits>

namespace velkora::formats {

LineAnalyzer::LineAnalyzer(const CompiledFormat &format) : m_format(format)
{
    m_fields.resize(size_t(std::max(1, format.maxFields())));
    m_gapHit.resize(size_t(std::max(1, format.maxGaps())));
    m_candidates.reserve(format.lineTypes().size());
    m_allCandidates.reserve(format.lineTypes().size());
    m_inError.reserve(m_fields.size());
    if (format.probes().size() == 1)
        m_onlyProbe = &format.probes().front();
    m_checks.resize(format.lineTypes().size());
    for (size_t t = 0; t < format.lineTypes().size(); ++t) {
        const std::vector<CompiledField> &fields = format.lineTypes()[t].fields;
        for (size_t f = 0; f < fields.size(); ++f) {
            const CompiledField &spec = fields[f];
            if (!spec.readsText || (spec.usable && !converts(spec)))
                continue;
            Check check;
            check.field = int(f);
            check.start = spec.start;
            // An unusable definition may reach past the largest column.
            check.end = int(std::min<qint64>(qint64(spec.start) + spec.length, INT_MAX));
            if (!spec.usable)
                check.kind = Check::Unusable;
            else if (spec.type == FieldType::Fecha)
                check.kind = Check::Date;
            else if (spec.number.digitsOnly() && !spec.trim && spec.length <= 18)
                check.kind = Check::Digits;
            check.inPlace = spec.usable && !spec.trim;
            m_checks[t].push_back(check);
        }
    }
}

void LineAnalyzer::analyze(const char *p, qsizetype n, Depth depth)
{
    m_p = p;
    m_n = n;
    m_errors = 0;
    m_match = Match::None;
    m_lineType = -1;
    m_candidates.clear();
    readEncoding();
    matchLineType();
    if (m_match != Match::One)
        return;
    const CompiledLineType &type = m_format.lineTypes()[size_t(m_lineType)];
    // A field's result holds only what a later reader looks at: the line's hot loop allocates
    // and copies nothing it does not need. Results left in error by the previous line are reset
    // first; a field that can be in error is then reset when it is read, so that the others
    // (TEXTO, SQL, CONSTANTE) need no step at all when only the checks are wanted.
    for (const int f : m_inError)
        m_fields[size_t(f)] = FieldResult{};
    m_inError.clear();
    if (depth == Depth::Full)
        readEveryField(type);
    else
        readChecks(type);
    m_errors = int(m_inError.size());
    checkGaps(type);
}

// The line's encoding, its characters, and the column of its first control character.
void LineAnalyzer::readEncoding()
{
    qsizetype control = -1;
    if (asciiAndControl(m_p, m_n, &control)) {
        m_encoding = LineEncoding::Ascii;
        m_chars = m_n;
    } else if (isValidUtf8(m_p, m_n)) {
        m_encoding = LineEncoding::Utf8;
        m_offsets.clear();
        for (qsizetype i = 0; i < m_n; ++i)
            if ((static_cast<unsigned char>(m_p[i]) & 0xC0) != 0x80)
                m_offsets.push_back(int(i));
        m_chars = qsizetype(m_offsets.size());
        m_offsets.push_back(int(m_n));
    } else {
        m_encoding = LineEncoding::Cp1252;
        m_chars = m_n;
    }
    m_controlColumn = control < 0 ? 0
                      : m_encoding == LineEncoding::Utf8
                          ? int(std::upper_bound(m_offsets.begin(), m_offsets.end(), int(control)) -
                                m_offsets.begin())
                          : int(control) + 1;
}

void LineAnalyzer::readEveryField(const CompiledLineType &type)
{
    for (int f = 0; f < int(type.fields.size()); ++f) {
        FieldResult &result = m_fields[size_t(f)];
        readAnyField(type.fields[size_t(f)], result);
        if (!result.ok)
            m_inError.push_back(f);
    }
}

// The checks alone: the fields that can be in error. A field that lies whole on a line of one
// byte per character is read in place, and one of digits alone at once (its value worked out
// only when it is wanted).
void LineAnalyzer::readChecks(const CompiledLineType &type)
{
    const bool inPlace = m_encoding != LineEncoding::Utf8;
    const CompiledField *specs = type.fields.data();
    for (const Check &check : m_checks[size_t(m_lineType)]) {
        FieldResult &result = m_fields[size_t(check.field)];
        if (!inPlace || !check.inPlace || check.end > m_chars) {
            readAnyField(specs[check.field], result);
        } else {
            result.ok = true;
            result.empty = false;
            result.problem.code = Problem::None;
            result.problem.at = -1;
            result.pad = 0;
            result.begin = check.start;
            result.end = check.end;
            result.column = check.start + 1;
            const char *text = m_p + check.start;
            const int size = check.end - check.start;
            if (check.kind == Check::Digits && check.value && size >= 8 && size <= 16) {
                // The digits and their value from the same loads.
                quint64 value = 0;
                if (digits::digitsWithValue(text, size, &value)) {
                    result.number.mantissa = qint64(value);
                    result.number.negative = false;
                    continue;
                }
            } else if (check.kind == Check::Digits && digits::allDigits(text, size)) {
                result.number.mantissa = check.value ? qint64(digits::value(text, size)) : 0;
                result.number.negative = false;
                continue;
            }
            const CompiledField &spec = specs[check.field];
            result.ok = check.kind == Check::Date
                            ? spec.date.read(text, size, result.date, result.problem)
                            : spec.number.read(text, size, result.number, result.problem);
            if (!result.ok && spec.optional && emptyValue(spec, text, size))
                makeEmpty(result);
        }
        if (!result.ok)
            m_inError.push_back(check.field);
    }
}

void LineAnalyzer::setValuesWanted(bool wanted)
{
    for (std::vector<Check> &checks : m_checks)
        for (Check &check : checks)
            check.value = wanted;
}

void LineAnalyzer::setValuesWanted(const RuleSet &rules)
{
    for (size_t t = 0; t < m_checks.size(); ++t)
        for (Check &check : m_checks[t])
            check.value = rules.readsValue(int(t), check.field);
}

void LineAnalyzer::matchLineType()
{
    const std::vector<IdProbe> &probes = m_format.probes();
    if (m_onlyProbe && m_encoding != LineEncoding::Utf8) {
        // One place for every ID and one byte per character: one lookup.
        const IdProbe &probe = *m_onlyProbe;
        if (probe.start + qsizetype(probe.length) <= m_chars) {
            const char *key = m_p + probe.start;
            qsizetype size = probe.length;
            if (m_encoding == LineEncoding::Cp1252 && !isAscii(key, size)) {
                size = appendUtf8(key, size, LineEncoding::Cp1252, m_key, int(sizeof m_key));
                key = m_key;
            }
            const auto [types, count] = probe.ids.find(key, size);
            if (count == 1) {
                m_candidates.push_back(types[0]);
                m_match = Match::One;
                m_lineType = types[0];
                return;
            }
            m_candidates.insert(m_candidates.end(), types, types + count);
        }
    } else if (m_format.takesEveryLine()) {
        m_candidates.push_back(0);
    } else {
        for (const IdProbe &probe : probes) {
            if (probe.start + qsizetype(probe.length) > m_chars)
                continue; // too short to hold an ID here
            const int b0 = byteAt(probe.start);
            const char *key = m_p + b0;
            qsizetype size = byteAt(probe.start + probe.length) - b0;
            if (m_encoding == LineEncoding::Cp1252 && !isAscii(key, size)) {
                size = appendUtf8(key, size, LineEncoding::Cp1252, m_key, int(sizeof m_key));
                key = m_key;
            }
            const auto [types, count] = probe.ids.find(key, size);
            // Mostly none or one: no range insert (reserved for every line type).
            for (int k = 0; k < int(count); ++k)
                m_candidates.push_back(types[k]);
        }
    }
    if (m_candidates.size() > 1 && m_format.hasPrefixIds()) {
        // The most specific ID wins: a type whose ID begins another matching one's drops out.
        std::vector<int> &all = m_allCandidates;
        all.swap(m_candidates);
        m_candidates.clear();
        for (const int a : all) {
            bool loses = false;
            for (const int b : all)
                loses = loses || m_format.losesTo(a, b);
            if (!loses)
                m_candidates.push_back(a);
        }
    }
    if (m_candidates.size() > 1 && m_format.rules().anyPrecedence()) {
        // PREVALECE: the one type that prevails over every other that matches.
        int winner = -1;
        for (const int a : m_candidates) {
            const std::vector<char> &over = m_format.rules().types()[size_t(a)].prevails;
            const bool all =
                !over.empty() && std::all_of(m_candidates.begin(), m_candidates.end(),
                                             [&](int b) { return b == a || over[size_t(b)]; });
            if (all)
                winner = winner < 0 ? a : -2; // two that prevail: still ambiguous
        }
        if (winner >= 0)
            m_candidates.assign(1, winner);
    }
    if (m_candidates.size() == 1) {
        m_match = Match::One;
        m_lineType = m_candidates.front();
    } else if (m_candidates.size() > 1) {
        m_match = Match::Many;
        std::sort(m_candidates.begin(), m_candidates.end());
    }
}

void LineAnalyzer::readAnyField(const CompiledField &spec, FieldResult &result)
{
    result.ok = true;
    result.empty = false;
    result.problem.code = Problem::None;
    result.problem.at = -1;
    result.pad = 0;
    if (!spec.readsText) {
        result.begin = result.end = 0;
    } else if (!spec.usable) {
        result.begin = result.end = 0;
        result.ok = false;
        result.problem.code = Problem::BadFormat;
    } else {
        readField(spec, result);
    }
}

LineAnalyzer::Span LineAnalyzer::span(const CompiledField &spec, qsizetype from) const
{
    const qsizetype to = from + spec.length;
    const qsizetype have = std::min(to, m_chars);
    Span span{int(m_n), int(m_n), spec.length, int(from) + 1};
    if (from < m_chars) {
        span.begin = byteAt(from);
        span.end = byteAt(have);
        span.pad = int(to - have);
    }
    if (spec.trim) {
        span.pad = 0;
        while (span.end > span.begin && m_p[span.end - 1] == ' ')
            --span.end;
        while (span.begin < span.end && m_p[span.begin] == ' ') {
            ++span.begin;
            ++span.column;
        }
    }
    return span;
}

std::pair<const char *, int> LineAnalyzer::paddedText(const Span &span)
{
    const char *text = m_p + span.begin;
    int size = span.end - span.begin;
    if (span.pad > 0) {
        m_scratch.assign(text, text + size);
        m_scratch.insert(m_scratch.end(), size_t(span.pad), ' ');
        text = m_scratch.data();
        size += span.pad;
    }
    return {text, size};
}

void LineAnalyzer::readField(const CompiledField &spec, FieldResult &result)
{
    const Span at = span(spec, spec.start);
    result.begin = at.begin;
    result.end = at.end;
    result.pad = at.pad;
    result.column = at.column;
    if (!converts(spec))
        return;
    const auto [text, size] = paddedText(at);
    result.ok = spec.type == FieldType::Numero
                    ? spec.number.read(text, size, result.number, result.problem)
                    : spec.date.read(text, size, result.date, result.problem);
    if (!result.ok && spec.optional && emptyValue(spec, text, size))
        makeEmpty(result);
}

bool LineAnalyzer::emptyValue(const CompiledField &spec, const char *p, int n)
{
    const bool zeros = spec.type == FieldType::Numero || spec.type == FieldType::Fecha;
    for (int i = 0; i < n; ++i) {
        const char c = p[i];
        if (c == ' ' ||
            (zeros && (c == '0' || c == '/' || c == '-' || c == '.' || c == ',' || c == ':')))
            continue;
        return false;
    }
    return true;
}

int LineAnalyzer::controlField() const
{
    if (m_controlColumn == 0 || m_match != Match::One)
        return -1;
    const CompiledLineType &type = m_format.lineTypes()[size_t(m_lineType)];
    for (size_t f = 0; f < type.fields.size(); ++f) {
        const CompiledField &spec = type.fields[f];
        if (spec.readsText && spec.usable && m_controlColumn > spec.start &&
            m_controlColumn <= spec.start + spec.length)
            return int(f);
    }
    return -1;
}

std::pair<const char *, int> LineAnalyzer::fieldBytes(int field) const
{
    const CompiledField &spec = m_format.lineTypes()[size_t(m_lineType)].fields[size_t(field)];
    if (!spec.readsText || !spec.usable)
        return {m_p, 0};
    if (converts(spec)) {
        // Read on every line already: its bounds are known.
        const FieldResult &result = m_fields[size_t(field)];
        return {m_p + result.begin, result.end - result.begin};
    }
    const Span at = span(spec, spec.start);
    return {m_p + at.begin, at.end - at.begin};
}

bool LineAnalyzer::readsShifted(int field, int shift)
{
    const CompiledField &spec = m_format.lineTypes()[size_t(m_lineType)].fields[size_t(field)];
    const qsizetype from = qsizetype(spec.start) + shift;
    if (!spec.usable || !converts(spec) || from < 0)
        return false;
    // In place on a line of one byte per character, as the checks read.
    const bool inPlace =
        m_encoding != LineEncoding::Utf8 && !spec.trim && from + spec.length <= m_chars;
    const auto [text, size] = inPlace ? std::pair<const char *, int>(m_p + from, spec.length)
                                      : paddedText(span(spec, from));
    // A shifted reading counts only when it gives a plausible value: a date between 1900 and
    // 2099, a number within the field's ENTRE rule.
    const RuleSet::FieldRules &rules =
        m_format.rules().types()[size_t(m_lineType)].fields[size_t(field)];
    const auto withinRange = [&](const NumberValue &number) {
        const qint64 value = number.negative ? -number.mantissa : number.mantissa;
        return rules.rangeRule < 0 || (value >= rules.low && value <= rules.high);
    };
    Problem problem;
    if (spec.type == FieldType::Numero && spec.number.digitsOnly() && size <= 18 &&
        rules.rangeRule < 0)
        return digits::allDigits(text, size); // as the checks read such a field
    if (spec.type == FieldType::Numero) {
        NumberValue number;
        return spec.number.read(text, size, number, problem) && withinRange(number);
    }
    DateValue date;
    return spec.date.read(text, size, date, problem) && date.year >= 1900 && date.year <= 2099;
}

bool LineAnalyzer::readsAsDate(int field, const DateFormat &format)
{
    const CompiledField &spec = m_format.lineTypes()[size_t(m_lineType)].fields[size_t(field)];
    if (!spec.usable || !converts(spec))
        return false;
    const auto [text, size] = paddedText(span(spec, spec.start));
    if (size != format.length())
        return false;
    Problem problem;
    DateValue date;
    return format.read(text, size, date, problem);
}

void LineAnalyzer::checkGaps(const CompiledLineType &type)
{
    for (size_t g = 0; g < type.gaps.size(); ++g) {
        const auto [from, to] = type.gaps[g];
        const qsizetype end = to < 0 ? m_chars : std::min<qsizetype>(to, m_chars);
        char hit = 0;
        if (from < end) {
            const int b0 = byteAt(from);
            hit = digits::anyNonBlank(m_p + b0, byteAt(end) - b0) ? 1 : 0;
        }
        m_gapHit[g] = hit;
    }
}

int LineAnalyzer::columnOf(const FieldResult &result, int at) const
{
    const int size = result.end - result.begin;
    const auto characters = [&](int bytes) {
        return m_encoding == LineEncoding::Utf8 ? int(utf8Length(m_p + result.begin, bytes))
                                                : bytes;
    };
    if (at >= size)
        return result.column + characters(size) + (at - size);
    return result.column + characters(at);
}

QString LineAnalyzer::fieldText(const FieldResult &result) const
{
    QString text = decodeText(m_p + result.begin, result.end - result.begin, m_encoding);
    if (result.pad > 0)
        text += QString(result.pad, QLatin1Char(' '));
    return text;
}

void LineAnalyzer::fillError(int field, FieldError &error) const
{
    const FieldResult &r = m_fields[size_t(field)];
    const FieldDef &def = m_format.field(m_lineType, field);
    error.lineType = m_lineType;
    error.field = field;
    error.lineEnd = int(m_chars);
    error.from = def.position;
    // A definition the test cannot read may reach past the largest column.
    error.to = int(std::clamp<qint64>(qint64(def.position) + def.length - 1, INT_MIN, INT_MAX));
    error.problem = r.problem;
    error.column = 0;
    error.badChar[0] = 0;
    const int size = r.end - r.begin;
    if (r.problem.at >= 0) {
        error.column = columnOf(r, r.problem.at);
        int written = 1;
        if (r.problem.at >= size) {
            error.badChar[0] = ' ';
        } else {
            const char *c = m_p + r.begin + r.problem.at;
            int bytes = 1;
            if (m_encoding == LineEncoding::Utf8)
                while (r.problem.at + bytes < size &&
                       (static_cast<unsigned char>(c[bytes]) & 0xC0) == 0x80)
                    ++bytes;
            written = appendUtf8(c, bytes, m_encoding, error.badChar, 4);
        }
        error.badChar[written] = 0;
    }
    const int capacity = int(sizeof error.text);
    qsizetype consumed = 0;
    int written = appendUtf8(m_p + r.begin, size, m_encoding, error.text, capacity, &consumed);
    int pad = r.pad;
    while (pad > 0 && written < capacity) {
        error.text[written++] = ' ';
        --pad;
    }
    error.textSize = quint8(written);
    error.textCut = consumed < size || pad > 0;
}

LineDetail LineAnalyzer::detail() const
{
    LineDetail detail;
    if (m_match != Match::One) {
        detail.candidates = QList<int>(m_candidates.begin(), m_candidates.end());
        detail.text = decodeText(m_p, m_n, m_encoding);
        return detail;
    }
    detail.lineType = m_lineType;
    const CompiledLineType &type = m_format.lineTypes()[size_t(m_lineType)];
    for (size_t i = 0; i < type.fields.size(); ++i) {
        const CompiledField &spec = type.fields[i];
        const FieldDef &def = m_format.field(m_lineType, int(i));
        const FieldResult &r = m_fields[i];
        LineDetail::Value value;
        if (spec.type == FieldType::Constante) {
            value.text = def.value;
        } else if (r.empty ||
                   (spec.optional && r.ok && spec.usable &&
                    emptyValue(spec, fieldBytes(int(i)).first, fieldBytes(int(i)).second))) {
            // An OPCIONAL field without a value.
        } else if (!r.ok) {
            value.text = spec.usable ? fieldText(r) : QString();
            value.ok = false;
            FieldError error;
            fillError(int(i), error);
            value.message = problemMessage(def, value.text, r.problem, error.column,
                                           QString::fromUtf8(error.badChar), spec.definitionError);
        } else if (spec.type == FieldType::Numero) {
            value.text = numberText(r.number, spec.number.decimals());
        } else if (spec.type == FieldType::Fecha) {
            value.text = dateText(r.date);
        } else if (spec.type == FieldType::Sql) {
            value.text = sqlWithText(def.value, fieldText(r));
        } else {
            value.text = fieldText(r);
        }
        detail.values << value;
    }
    return detail;
}

} // namespace velkora::formats
