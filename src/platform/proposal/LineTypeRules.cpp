#include "LineTypeRules.h"

#include "RuleFinder.h"

#include <algorithm>
#include <utility>

namespace velkora::proposal::detail {

namespace {

// The fewest lines that must all follow one same other type for a TRAS rule.
constexpr qint64 MinFollowingLines = 3;

} // namespace

LineTypeRules::LineTypeRules(const Proposal &proposal)
    : m_proposal(proposal), m_types(size_t(proposal.lineTypes.size()))
{}

void LineTypeRules::line(int t, qsizetype length)
{
    if (m_first == -2)
        m_first = t;
    m_last = t;
    const int previous = std::exchange(m_previous, t);
    if (t < 0)
        return;
    ++m_lines;
    TypeSeen &seen = m_types[size_t(t)];
    ++seen.lines;
    seen.shortest = seen.shortest < 0 ? length : std::min(seen.shortest, length);
    seen.longest = std::max(seen.longest, length);
    if (seen.after != -1)
        seen.after = previous < 0 ? -1 : seen.after == -2 || seen.after == previous ? previous : -1;
}

QList<ProposedRule> LineTypeRules::rules(int t) const
{
    QList<ProposedRule> rules;
    const TypeSeen &seen = m_types[size_t(t)];
    if (seen.lines == 0)
        return rules;
    const QString typeName = m_proposal.lineTypes.at(t).description;
    auto add = [&](const QString &text, const QString &description, double confidence) {
        ProposedRule rule;
        rule.lineType = t;
        rule.text = text;
        rule.description = description.left(100);
        rule.confidence = confidence;
        rules << rule;
    };
    // A header and a trailer: a line type of one line that stands first (last).
    const bool single = m_types.size() >= 2 && seen.lines == 1;
    if (single && m_first == t)
        add(QStringLiteral("PRIMERA"), QStringLiteral("Primera línea del archivo"),
            ruleConfidence(m_lines));
    if (single && m_last == t)
        add(QStringLiteral("ULTIMA"), QStringLiteral("Última línea del archivo"),
            ruleConfidence(m_lines));
    if (single && (m_first == t || m_last == t))
        add(QStringLiteral("VECES 1"), QStringLiteral("Una sola línea en el archivo"),
            ruleConfidence(m_lines));
    if (m_proposal.recordLength == 0 && seen.shortest == seen.longest)
        add(QStringLiteral("LONGITUD %1").arg(seen.longest),
            QStringLiteral("Las líneas %1 tienen %2 caracteres").arg(typeName).arg(seen.longest),
            ruleConfidence(seen.lines));
    if (seen.after >= 0 && seen.lines >= 2) {
        add(QStringLiteral("TRAS %1").arg(ruleNumber(seen.after)),
            QStringLiteral("Viene tras una línea %1")
                .arg(m_proposal.lineTypes.at(seen.after).description),
            ruleConfidence(seen.lines));
        // Two lines after the same type may be chance (a statement's last movement without
        // information records, twice): shown, not kept with the format.
        if (seen.lines < MinFollowingLines) {
            rules.last().suggested = true;
            rules.last().guess = QStringLiteral(
                "Se cumple en solo %1 líneas de la muestra: se sugiere y no se guarda con el "
                "formato")
                                     .arg(seen.lines);
        }
    }
    // A date that some lines leave as zeros (not given) is OPCIONAL.
    const QList<ProposedField> &fields = m_proposal.lineTypes.at(t).fields;
    for (int f = 0; f < fields.size(); ++f) {
        if (!fields.at(f).optional)
            continue;
        add(QStringLiteral("OPCIONAL"),
            QStringLiteral("%1 va en ceros en algunas líneas: sin fecha")
                .arg(fields.at(f).description),
            ruleConfidence(seen.lines));
        rules.last().field = f;
    }
    return rules;
}

} // namespace velkora::proposal::detail
