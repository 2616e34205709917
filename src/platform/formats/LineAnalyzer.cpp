#include "LineAnalyzer.h"

#include "Digits.h"
#include "Messages.h"

#include <algorithm>
#include <climits>

namespace velkora::formats {

LineAnalyzer::LineAnalyzer(const CompiledFormat &format) : m_format(format)
{
    m_gapHit.resize(size_t(std::max(1, format.maxGaps())));
    m_candidates.reserve(format.lineTypes().size());
    m_allCandidates.reserve(format.lineTypes().size());
    m_inError.reserve(size_t(std::max(1, format.maxFields())));
    if (format.probes().size() == 1)
        m_onlyProbe = &format.probes().front();
    // One state more than the line types: the results field() gives before a line of a single
    // type.
    m_types.resize(format.lineTypes().size() + 1);
    for (size_t t = 0; t < format.lineTypes().size(); ++t)
        prepareChecks(m_types[t], format.lineTypes()[t]);
    m_types.back().fields.resize(size_t(std::max(1, format.maxFields())));
    m_resultType = int(m_types.size()) - 1;
    m_decides.resize(format.lineTypes().size());
    for (size_t t = 0; t < m_decides.size(); ++t)
        m_decides[t] = idDecides(int(t)) ? 1 : 0;
}

void LineAnalyzer::prepareChecks(TypeState &state, const CompiledLineType &type)
{
    state.fields.resize(std::max<size_t>(1, type.fields.size()));
    for (size_t f = 0; f < type.fields.size(); ++f) {
        const CompiledField &spec = type.fields[f];
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
        state.checks.push_back(check);
    }
    for (const Check &check : state.checks)
        if (check.kind == Check::Digits && check.inPlace)
            state.mask.add(check.start, check.end);
    state.mask.build();
    for (int c = 0; c < int(state.checks.size()); ++c) {
        const Check &check = state.checks[size_t(c)];
        const bool masked = state.mask.any() && check.kind == Check::Digits && check.inPlace &&
                            check.end > check.start;
        (masked ? state.masked : state.unmasked).push_back(c);
    }
    listValued(state);
}

void LineAnalyzer::listValued(TypeState &state)
{
    state.valued.clear();
    for (const int c : state.masked) {
        const Check &check = state.checks[size_t(c)];
        if (!check.value)
            continue;
        const int size = check.end - check.start;
        state.valued.push_back(
            {check.field, check.end, size, size <= 16 && check.end >= (size <= 8 ? 8 : 16)});
    }
    state.clean = false;
}

// Which lines a type's ID can share with IDs of other places: those whose characters agree
// with it wherever both stand (any line, when they do not overlap).
bool LineAnalyzer::idDecides(int type) const
{
    const std::vector<CompiledLineType> &types = m_format.lineTypes();
    const CompiledLineType &own = types[size_t(type)];
    const QList<uint> ownId = QString::fromUtf8(own.id).toUcs4();
    if (own.probe < 0 || ownId.size() != own.idLength)
        return false;
    for (size_t t = 0; t < types.size(); ++t) {
        const CompiledLineType &other = types[t];
        if (int(t) == type || other.probe < 0 || (other.probe == own.probe && other.id != own.id))
            continue; // one ID per place on a line
        if (other.probe == own.probe)
            return false; // the same ID twice
        const QList<uint> otherId = QString::fromUtf8(other.id).toUcs4();
        if (otherId.size() != other.idLength)
            return false;
        const int from = std::max(own.idStart, other.idStart);
        const int to = std::min(own.idStart + own.idLength, other.idStart + other.idLength);
        bool agree = true;
        for (int c = from; c < to && agree; ++c)
            agree = ownId[c - own.idStart] == otherId[c - other.idStart];
        if (agree)
            return false;
    }
    return true;
}

void LineAnalyzer::analyze(const char *p, qsizetype n, Depth depth)
{
    m_p = p;
    m_n = n;
    m_errors = 0;
    m_valuesPending = false;
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
    if (!m_inError.empty()) {
        TypeState &previous = m_types[size_t(m_inErrorType)];
        for (const int f : m_inError)
            previous.fields[size_t(f)] = FieldResult{};
        previous.clean = false;
        m_inError.clear();
    }
    m_inErrorType = m_lineType;
    m_resultType = m_lineType;
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
    if (printableAscii(m_p, m_n)) {
        m_encoding = LineEncoding::Ascii;
        m_chars = m_n;
        m_controlColumn = 0;
        return;
    }
    readAnyEncoding();
}

// A line with a byte above 0x7F, a control character or a TAB.
void LineAnalyzer::readAnyEncoding()
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
    TypeState &state = m_types[size_t(m_lineType)];
    state.clean = false;
    for (int f = 0; f < int(type.fields.size()); ++f) {
        FieldResult &result = state.fields[size_t(f)];
        readAnyField(type.fields[size_t(f)], result);
        if (!result.ok)
            m_inError.push_back(f);
    }
}

// The checks alone: the fields that can be in error. On a line of one byte per character that
// holds them all, the fields of digits alone that lie in place are tested at once by the line
// type's mask; when it passes, only the values wanted are worked out and the other checks read.
// Otherwise every check is read on its own.
void LineAnalyzer::readChecks(const CompiledLineType &type)
{
    TypeState &state = m_types[size_t(m_lineType)];
    if (m_encoding == LineEncoding::Utf8 || !state.mask.any() || m_chars < state.mask.reach() ||
        !state.mask.allDigits(m_p)) {
        readEveryCheck(state, type);
        return;
    }
    if (!state.clean)
        setClean(state);
    if (!state.valued.empty()) {
        if (m_deferValues)
            m_valuesPending = true;
        else
            readValues(state);
    }
    if (!state.unmasked.empty())
        readUnmasked(state, type);
}

void LineAnalyzer::readValues(TypeState &state) const
{
    FieldResult *results = state.fields.data();
    for (const TypeState::Valued &valued : state.valued)
        results[valued.field].number.mantissa =
            qint64(valued.words ? digits::valueEndingAt(m_p + valued.end, valued.size)
                                : digits::value(m_p + valued.end - valued.size, valued.size));
}

bool LineAnalyzer::valueSpot(int lineType, int field, ValueSpot *spot) const
{
    if (lineType < 0 || lineType + 1 >= int(m_types.size()))
        return false;
    for (const TypeState::Valued &valued : m_types[size_t(lineType)].valued) {
        if (valued.field == field) {
            *spot = {valued.end, valued.size, valued.words};
            return true;
        }
    }
    return false;
}

bool LineAnalyzer::maskedSpan(int lineType, int field, int *start, int *end) const
{
    if (lineType < 0 || lineType + 1 >= int(m_types.size()))
        return false;
    const TypeState &state = m_types[size_t(lineType)];
    for (const int c : state.masked) {
        const Check &check = state.checks[size_t(c)];
        if (check.field == field) {
            *start = check.start;
            *end = check.end;
            return true;
        }
    }
    return false;
}

void LineAnalyzer::readUnmasked(TypeState &state, const CompiledLineType &type)
{
    for (const int c : state.unmasked) {
        const Check &check = state.checks[size_t(c)];
        readCheck(type.fields[size_t(check.field)], check, state.fields[size_t(check.field)]);
    }
}

void LineAnalyzer::readEveryCheck(TypeState &state, const CompiledLineType &type)
{
    state.clean = false;
    for (const Check &check : state.checks)
        readCheck(type.fields[size_t(check.field)], check, state.fields[size_t(check.field)]);
}

void LineAnalyzer::setReadInPlace(const Check &check, FieldResult &result)
{
    setWithoutFault(result);
    result.begin = check.start;
    result.end = check.end;
    result.column = check.start + 1;
}

void LineAnalyzer::setClean(TypeState &state)
{
    for (const int c : state.masked) {
        const Check &check = state.checks[size_t(c)];
        FieldResult &result = state.fields[size_t(check.field)];
        setReadInPlace(check, result);
        result.number.negative = false;
        if (!check.value)
            result.number.mantissa = 0;
    }
    state.clean = true;
}

// A field that lies whole on a line of one byte per character is read in place, and one of
// digits alone at once (its value worked out only when it is wanted).
void LineAnalyzer::readCheck(const CompiledField &spec, const Check &check, FieldResult &result)
{
    if (m_encoding == LineEncoding::Utf8 || !check.inPlace || check.end > m_chars) {
        readAnyField(spec, result);
    } else {
        setReadInPlace(check, result);
        const char *text = m_p + check.start;
        const int size = check.end - check.start;
        if (check.kind == Check::Digits && check.value && size >= 8 && size <= 16) {
            // The digits and their value from the same loads.
            quint64 value = 0;
            if (digits::digitsWithValue(text, size, &value)) {
                result.number.mantissa = qint64(value);
                result.number.negative = false;
                return;
            }
        } else if (check.kind == Check::Digits && digits::allDigits(text, size)) {
            result.number.mantissa = check.value ? qint64(digits::value(text, size)) : 0;
            result.number.negative = false;
            return;
        }
        result.ok = check.kind == Check::Date
                        ? spec.date.read(text, size, result.date, result.problem)
                        : spec.number.read(text, size, result.number, result.problem);
        if (!result.ok && spec.optional && emptyValue(spec, text, size))
            makeEmpty(result);
    }
    if (!result.ok)
        m_inError.push_back(check.field);
}

void LineAnalyzer::setValuesWanted(bool wanted)
{
    for (TypeState &state : m_types) {
        for (Check &check : state.checks)
            check.value = wanted;
        listValued(state);
    }
}

void LineAnalyzer::setValuesWanted(const RuleSet &rules)
{
    for (size_t t = 0; t + 1 < m_types.size(); ++t) {
        for (Check &check : m_types[t].checks)
            check.value = rules.readsValue(int(t), check.field);
        listValued(m_types[t]);
    }
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
            if (count == 1 && m_decides[size_t(types[0])]) {
                // No ID of another place can stand on this line: the others are not looked up.
                m_candidates.push_back(types[0]);
                m_match = Match::One;
                m_lineType = types[0];
                return;
            }
            // Mostly none or one: no range insert (reserved for every line type).
            for (int k = 0; k < int(count); ++k)
                m_candidates.push_back(types[k]);
        }
    }
    settleCandidates();
}

// Of several line types that match: the most specific ID, then PREVALECE; the line's match.
void LineAnalyzer::settleCandidates()
{
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
    setWithoutFault(result);
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
        const FieldResult &result = this->field(field);
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
    const FieldResult &r = this->field(field);
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
        const FieldResult &r = field(int(i));
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
