// The raw lines view's cursor: where it stands, the status text of the field under it, and the
// highlighted field.

#include "RawLinesView.h"

#include <QLocale>
#include <QScrollBar>
#include <algorithm>

namespace velkora::views {

using formats::LineAnalyzer;

namespace {

bool sameOrder(const QString &stored, const QString &wanted)
{
    if (stored.trimmed() == wanted.trimmed())
        return true;
    const qint64 a = formats::orderNumber(stored);
    return a >= 0 && a == formats::orderNumber(wanted);
}

} // namespace

void RawLinesView::setCursorPosition(qint64 row, int column)
{
    if (!m_decoder || rowCount() == 0)
        return;
    row = std::clamp<qint64>(row, 0, rowCount() - 1);
    column = std::clamp(column, 1, maxColumns());
    const bool lineChanged = row != m_row;
    m_row = row;
    m_column = column;
    ensureCursorVisible();
    updateStatus();
    viewport()->update();
    if (lineChanged)
        emit currentLineChanged(lineOfRow(m_row));
}

void RawLinesView::showLine(qint64 lineIndex, int field)
{
    const qint64 row = rowOfLine(lineIndex);
    if (row < 0)
        return;
    int column = m_column;
    const auto line = lineAt(row);
    if (field >= 0 && line->match == LineAnalyzer::Match::One) {
        const BandLayout &layout = layoutOf(line->lineType);
        const int band = layout.bandOfField(field);
        if (band >= 0) {
            column = layout.bands[band].from + 1;
            ensureColumnsVisible(layout.bands[band].from, layout.bands[band].to);
        }
    }
    setCursorPosition(row, column);
}

bool RawLinesView::highlightField(const QString &lineTypeOrder, const QString &fieldNumber)
{
    if (m_decoder) {
        const auto &types = m_decoder->file().format->format().lineTypes;
        for (int t = 0; t < types.size(); ++t) {
            if (!sameOrder(types[t].order, lineTypeOrder))
                continue;
            for (int f = 0; f < types[t].fields.size(); ++f)
                if (sameOrder(types[t].fields[f].id, fieldNumber))
                    return highlightFieldAt(t, f);
        }
    }
    clearHighlight();
    return false;
}

bool RawLinesView::highlightFieldAt(int lineType, int field)
{
    if (!m_decoder || lineType < 0 || size_t(lineType) >= m_layouts.size() || field < 0 ||
        field >= m_decoder->file().format->lineType(lineType).fields.size()) {
        clearHighlight();
        return false;
    }
    m_highlightType = lineType;
    m_highlightField = field;
    const BandLayout &layout = layoutOf(lineType);
    if (const int band = layout.bandOfField(field); band >= 0) {
        // A line of that type on screen, or else the nearest one.
        bool shown = false;
        const qint64 last = std::min(rowCount(), firstRow() + visibleRows());
        for (qint64 row = firstRow(); row < last && !shown; ++row)
            shown = lineAt(row)->lineType == lineType;
        const qint64 nearest = shown ? -1 : nearestRowOfType(lineType);
        if (nearest >= 0)
            setCursorPosition(nearest, layout.bands[band].from + 1);
        ensureColumnsVisible(layout.bands[band].from, layout.bands[band].to);
    }
    updateStatus();
    viewport()->update();
    return true;
}

void RawLinesView::clearHighlight()
{
    m_highlightType = m_highlightField = -1;
    viewport()->update();
}

qint64 RawLinesView::nearestRowOfType(int lineType) const
{
    const std::vector<qint64> &lines = m_decoder->file().index.rows(lineType);
    if (lines.empty())
        return -1;
    const qint64 here = lineOfRow(m_row);
    if (!m_decoder->file().index.reverse()) {
        const auto after = std::lower_bound(lines.begin(), lines.end(), here);
        return after != lines.end() ? *after : lines.back();
    }
    // In file order the rows after this one were read before it.
    const auto after = std::upper_bound(lines.begin(), lines.end(), here);
    return rowOfLine(after != lines.begin() ? *std::prev(after) : lines.front());
}

QString RawLinesView::describe(const DecodedLine &line, int column) const
{
    QString text = describeColumn(line, column);
    // The broken rules of the line as a whole, wherever the cursor stands on it.
    for (const QString &error : line.lineErrors)
        text += QStringLiteral(" · error: %1").arg(error);
    return text;
}

QString RawLinesView::describeColumn(const DecodedLine &line, int column) const
{
    const QLocale locale;
    QString text = QStringLiteral("Línea %1").arg(line.number);
    if (line.match == LineAnalyzer::Match::None)
        return text + QStringLiteral(" (sin tipo de línea) · columna %1").arg(column);
    if (line.match == LineAnalyzer::Match::Many) {
        QStringList orders;
        for (const int t : line.candidates)
            orders << m_decoder->file().format->lineType(t).order;
        return text + QStringLiteral(" (con varios tipos de línea: %1) · columna %2")
                          .arg(orders.join(QStringLiteral(", ")))
                          .arg(column);
    }
    const formats::LineType &type = m_decoder->file().format->lineType(line.lineType);
    text +=
        QStringLiteral(", tipo %1 %2 · columna %3").arg(type.order, type.description).arg(column);
    const BandLayout &layout = layoutOf(line.lineType);
    const QList<int> bands = layout.bandsAt(column - 1);
    QStringList parts;
    for (const int b : bands) {
        const Band &band = layout.bands[b];
        if (band.kind == Band::Kind::Id) {
            parts << QStringLiteral("ID del tipo de línea «%1», posición %2, longitud %3")
                         .arg(type.lineId)
                         .arg(band.from + 1)
                         .arg(band.to - band.from);
            continue;
        }
        const formats::FieldDef &field = type.fields.at(band.field);
        QString part = QStringLiteral("campo %1 %2, posición %3, longitud %4, %5")
                           .arg(field.id, field.description)
                           .arg(field.position)
                           .arg(field.length)
                           .arg(formats::fieldTypeName(field.type()));
        if (!field.format.isEmpty())
            part += QStringLiteral(" %1").arg(field.format);
        if (band.field < line.values.size()) {
            const formats::LineDetail::Value &value = line.values.at(band.field);
            part += value.ok ? QStringLiteral(" · valor «%1»").arg(value.text)
                             : QStringLiteral(" · error: %1").arg(value.message);
        }
        parts << part;
    }
    if (parts.isEmpty())
        text += QStringLiteral(": ningún campo lee esta columna");
    else
        text += QStringLiteral(": ") + parts.join(QStringLiteral("; "));
    if (bands.size() > 1 && std::count_if(bands.begin(), bands.end(), [&](int b) {
                                return layout.bands[b].kind == Band::Kind::Field;
                            }) > 1)
        text += QStringLiteral(" · los campos se traslapan");
    if (column > line.characters)
        text +=
            QStringLiteral(" · la línea tiene %1 caracteres").arg(locale.toString(line.characters));
    return text;
}

void RawLinesView::updateStatus()
{
    QString status;
    int type = -1;
    int field = -1;
    if (m_decoder && rowCount() > 0) {
        const auto line = lineAt(m_row);
        status = describe(*line, m_column);
        if (line->match == LineAnalyzer::Match::One) {
            type = line->lineType;
            const BandLayout &layout = layoutOf(type);
            for (const int b : layout.bandsAt(m_column - 1))
                if (layout.bands[b].kind == Band::Kind::Field) {
                    field = layout.bands[b].field;
                    break;
                }
        }
    }
    if (status != m_status) {
        m_status = status;
        emit statusChanged(m_status);
    }
    if (type != m_enteredType || field != m_enteredField) {
        m_enteredType = type;
        m_enteredField = field;
        emit fieldEntered(type, field);
    }
}

} // namespace velkora::views
