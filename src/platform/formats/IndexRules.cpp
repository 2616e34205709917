#include "IndexRules.h"

#include "CompiledFormat.h"
#include "LineAnalyzer.h"

#include <limits>

namespace velkora::formats {

namespace {

// Lines of a part: what waits for the lines before a part is decided when the part closes.
constexpr qint64 PartLines = 4096;
constexpr int NoListLimit = std::numeric_limits<int>::max();

} // namespace

IndexRules::IndexRules(const CompiledFormat &format)
    : m_format(format), m_active(!format.rules().empty()),
      m_acrossLines(format.rules().acrossLines()), m_lineRules(!format.rules().empty()),
      m_rules(format), m_track(format), m_checker(format, NoListLimit)
{
    openPart();
}

void IndexRules::openPart()
{
    m_part = ScanResult{};
    m_part.types.resize(m_format.lineTypes().size());
    m_track.begin(m_part);
}

void IndexRules::closePart()
{
    if (m_part.lines == 0)
        return;
    if (m_acrossLines) {
        m_track.end(m_part);
        m_checker.check(m_part);
    }
    for (FieldError &e : m_part.errors) {
        e.line += m_partStart;
        m_found.push_back(e);
    }
    m_partStart += m_part.lines;
    openPart();
}

void IndexRules::line(const LineAnalyzer *analyzer)
{
    if (!m_active)
        return;
    if (m_part.lines >= PartLines)
        closePart();
    const qint64 index = m_part.lines++;
    bool inError = false;
    const bool typed = analyzer && analyzer->characters() > 0 &&
                       analyzer->match() == LineAnalyzer::Match::One;
    if (typed && m_track.keepsEvery(*analyzer, index, m_part))
        return; // every rule kept, taken in one pass
    if (typed && m_lineRules)
        m_rules.check(*analyzer, index, m_part, inError, true, NoListLimit);
    if (m_track.active())
        m_track.line(analyzer && analyzer->characters() > 0 ? analyzer : nullptr, index, m_part,
                     inError, true, NoListLimit);
}

void IndexRules::shortRecord(qsizetype characters)
{
    if (!m_active || m_format.rules().recordRule() < 0 || m_part.lines == 0)
        return;
    FieldError e;
    e.line = m_part.lines - 1;
    e.lineType = -1;
    e.field = -1;
    e.kind = ErrorKind::Rule;
    e.rule = m_format.rules().recordRule();
    e.ruleValue = characters;
    e.from = 1;
    e.to = int(characters);
    bool inError = false;
    countError(m_format, e, m_part, inError, true, NoListLimit);
}

std::vector<FieldError> IndexRules::finish()
{
    if (!m_active || !m_acrossLines)
        return {};
    closePart();
    ScanResult whole;
    whole.types.resize(m_format.lineTypes().size());
    m_checker.finish(whole);
    return std::move(whole.errors);
}

} // namespace velkora::formats
