#include "CompiledFormat.h"

#include "LayoutChecks.h"
#include "Limits.h"

#include <algorithm>

namespace velkora::formats {

namespace {

LayoutFinding definition(const QString &lineType, const QString &field, const QString &message)
{
    return {LayoutFinding::Kind::Definition, lineType, field, message};
}

} // namespace

CompiledFormat::CompiledFormat(LoadFormat format) : m_format(std::move(format))
{
    const auto &types = m_format.lineTypes;
    if (types.isEmpty())
        m_findings << definition({}, {},
                                 QStringLiteral("El formato de carga no tiene tipos de línea: "
                                                "ninguna línea tiene tipo."));
    m_takesEveryLine = types.size() == 1 && types.front().lineId.isEmpty();
    m_types.resize(size_t(types.size()));
    for (int t = 0; t < types.size(); ++t)
        compileLineType(t);
    for (IdProbe &probe : m_probes)
        probe.ids.build();
    for (const FieldDef &orphan : m_format.orphanFields)
        m_findings << definition(orphan.lineOrder, orphan.id,
                                 QStringLiteral("El campo %1 pertenece al tipo de línea %2, que "
                                                "no existe: no se lee.")
                                     .arg(orphan.id, orphan.lineOrder));
    m_findings << overlappingFields(*this) << shadowingIds(*this);
    for (int a = 0; a < types.size() && !m_hasPrefixIds; ++a)
        for (int b = 0; b < types.size() && !m_hasPrefixIds; ++b)
            m_hasPrefixIds = losesTo(a, b);
    m_rules = RuleSet::compile(*this);
    for (size_t t = 0; t < m_types.size(); ++t)
        for (size_t f = 0; f < m_types[t].fields.size(); ++f)
            m_types[t].fields[f].optional = m_rules.types()[t].fields[f].optional;
    m_findings << m_rules.findings();
}

// The ID: where it stands and the bytes that mark a line of this type.
void CompiledFormat::compileId(int index)
{
    const LineType &def = m_format.lineTypes.at(index);
    CompiledLineType &type = m_types[size_t(index)];
    const QString &order = def.order;
    const qsizetype idChars = def.lineId.size();
    int length = def.length;
    if (m_takesEveryLine)
        return; // no ID to look for
    if (def.lineId.isEmpty()) {
        m_findings << definition(order, {},
                                 QStringLiteral("El tipo de línea %1 no tiene ID: solo un formato "
                                                "con un único tipo de línea sin ID toma todas "
                                                "las líneas, así que este no reconoce ninguna.")
                                     .arg(order));
        return;
    }
    if (def.position < 1 || def.position > MaxLineBytes) {
        m_findings << definition(order, {},
                                 QStringLiteral("La posición del ID del tipo de línea %1 (%2) no "
                                                "es válida: no reconoce ninguna línea.")
                                     .arg(order)
                                     .arg(def.position));
        return;
    }
    if (length < 1) {
        length = int(idChars);
        m_findings << definition(order, {},
                                 QStringLiteral("La longitud del ID del tipo de línea %1 no es "
                                                "válida (%2): se toma la del ID '%3' (%4).")
                                     .arg(order)
                                     .arg(def.length)
                                     .arg(def.lineId)
                                     .arg(idChars));
    }
    if (idChars > length || def.position + qint64(length) > MaxLineBytes) {
        m_findings << definition(order, {},
                                 QStringLiteral("El ID '%1' del tipo de línea %2 tiene %3 "
                                                "caracteres y su longitud es %4: no reconoce "
                                                "ninguna línea.")
                                     .arg(def.lineId, order)
                                     .arg(idChars)
                                     .arg(length));
        return;
    }
    type.idStart = def.position - 1;
    type.idLength = length;
    type.id = (def.lineId + QString(length - idChars, QLatin1Char(' '))).toUtf8();
    auto probe = std::find_if(m_probes.begin(), m_probes.end(), [&](const IdProbe &p) {
        return p.start == type.idStart && p.length == type.idLength;
    });
    if (probe == m_probes.end()) {
        m_probes.push_back({type.idStart, type.idLength, {}});
        probe = m_probes.end() - 1;
    }
    probe->ids.add(type.id, index);
    type.probe = int(probe - m_probes.begin());
}

// A field as the test reads it; a definition it cannot read is said in the findings.
CompiledField CompiledFormat::compileField(const QString &order, const FieldDef &f)
{
    CompiledField field;
    const FieldType declared = f.type();
    field.type = declared == FieldType::Unknown ? FieldType::Texto : declared;
    field.start = f.position - 1;
    field.length = f.length;
    field.trim = f.trim;
    field.readsText = field.type != FieldType::Constante;
    if (declared == FieldType::Unknown)
        m_findings << definition(order, f.id,
                                 QStringLiteral("El campo %1 del tipo de línea %2 tiene el tipo "
                                                "'%3', que no existe: se lee como TEXTO.")
                                     .arg(f.id, order, f.typeCode));
    if (field.readsText &&
        (f.position < 1 || f.length < 1 || f.position + qint64(f.length) > MaxLineBytes)) {
        field.usable = false;
        field.definitionError =
            QStringLiteral("la posición (%1) o la longitud (%2) del campo no es válida")
                .arg(f.position)
                .arg(f.length);
    }
    QString error;
    if (field.type == FieldType::Numero)
        field.number = NumberFormat::compile(f.format, &error);
    else if (field.type == FieldType::Fecha)
        field.date = DateFormat::compile(f.format, &error);
    if (!error.isEmpty() && field.usable) {
        field.usable = false;
        field.definitionError =
            QStringLiteral("el formato '%1' no es válido: %2").arg(f.format, error);
    }
    if (field.usable && field.type == FieldType::Fecha) {
        const QString own = canonicalDateFormat(f.format);
        const std::vector<NamedDateFormat> &common = commonDateFormats();
        for (size_t k = 0; k < common.size() && k < 32; ++k)
            if (common[k].text != own)
                field.otherDates |= quint32(1) << k;
    }
    if (!field.usable)
        m_findings << definition(order, f.id,
                                 QStringLiteral("El campo %1 del tipo de línea %2 no se puede "
                                                "leer: %3.")
                                     .arg(f.id, order, field.definitionError));
    return field;
}

void CompiledFormat::compileLineType(int index)
{
    const LineType &def = m_format.lineTypes.at(index);
    CompiledLineType &type = m_types[size_t(index)];
    compileId(index);
    for (const FieldDef &f : def.fields) {
        CompiledField field = compileField(def.order, f);
        if (field.readsText && field.usable)
            type.end = std::max(type.end, field.start + field.length);
        type.fields.push_back(std::move(field));
    }
    m_maxFields = std::max(m_maxFields, int(type.fields.size()));
    compileGaps(type);
    m_maxGaps = std::max(m_maxGaps, int(type.gaps.size()));
}

void CompiledFormat::compileGaps(CompiledLineType &type) const
{
    std::vector<std::pair<int, int>> covered;
    if (type.idLength > 0)
        covered.emplace_back(type.idStart, type.idStart + type.idLength);
    for (const CompiledField &f : type.fields)
        if (f.readsText && f.usable)
            covered.emplace_back(f.start, f.start + f.length);
    std::sort(covered.begin(), covered.end());
    int at = 0;
    for (const auto &[from, to] : covered) {
        if (from > at)
            type.gaps.emplace_back(at, from);
        at = std::max(at, to);
    }
    type.gaps.emplace_back(at, -1);
}

} // namespace velkora::formats
