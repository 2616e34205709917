#include "LineDecoder.h"

#include "formats/LoadFormatTest.h"
#include "formats/TextEncoding.h"

#include <QLocale>

namespace velkora::views {

LineDecoder::LineDecoder(std::shared_ptr<const TestedFile> file, int keptLines)
    : m_file(std::move(file)),
      m_lines(std::make_unique<formats::IndexedLines>(m_file->index, m_file->path)),
      m_analyzer(std::make_unique<formats::LineAnalyzer>(*m_file->format)),
      m_kept(std::max(1, keptLines))
{}

LineDecoder::~LineDecoder() = default;

std::shared_ptr<const DecodedLine> LineDecoder::line(qint64 index)
{
    if (const auto found = m_cache.find(index); found != m_cache.end()) {
        m_order.splice(m_order.begin(), m_order, found->second.second);
        return found->second.first;
    }
    ++m_read;
    auto decoded = std::make_shared<DecodedLine>();
    decoded->index = index;
    decoded->number = m_file->index.lineNumber(index);
    const QByteArrayView bytes = m_lines->line(index);
    m_analyzer->analyze(bytes.data(), bytes.size());
    decoded->match = m_analyzer->match();
    decoded->characters = m_analyzer->characters();
    decoded->text = formats::decodeText(bytes.data(), bytes.size(), m_analyzer->encoding());
    formats::LineDetail detail = m_analyzer->detail();
    decoded->lineType = detail.lineType;
    decoded->candidates = std::move(detail.candidates);
    decoded->values = std::move(detail.values);
    decoded->errorCount =
        m_analyzer->match() == formats::LineAnalyzer::Match::One ? m_analyzer->errorCount() : 0;
    addRuleErrors(*decoded);

    if (int(m_cache.size()) >= m_kept) {
        m_cache.erase(m_order.back());
        m_order.pop_back();
    }
    m_order.push_front(index);
    m_cache.emplace(index, std::make_pair(decoded, m_order.begin()));
    return decoded;
}

void LineDecoder::addRuleErrors(DecodedLine &line) const
{
    int count = 0;
    const std::vector<formats::FieldError> errors = m_file->index.ruleErrors(line.index, &count);
    if (count == 0)
        return;
    line.errorCount += count;
    for (const formats::FieldError &error : errors) {
        const formats::ReportedError shown = formats::reportedError(*m_file->format, error);
        const QString message = shown.rule.isEmpty()
                                    ? shown.message
                                    : QStringLiteral("Regla %1: %2").arg(shown.rule, shown.message);
        // A field's rule goes with the field's value; the rest with the line.
        if (error.field >= 0 && error.lineType == line.lineType &&
            error.field < line.values.size()) {
            formats::LineDetail::Value &value = line.values[error.field];
            value.message = value.ok ? message : value.message + QStringLiteral(" · ") + message;
            value.ok = false;
        } else {
            line.lineErrors << message;
        }
    }
    if (count > int(errors.size()))
        line.lineErrors << QStringLiteral("La línea rompe %1 regla(s) más: se guardan los "
                                          "primeros %2 errores de reglas del archivo.")
                               .arg(count - int(errors.size()))
                               .arg(QLocale().toString(formats::LineIndex::MaxRuleErrorsKept));
}

} // namespace velkora::views
