// The painting of RawLinesView: ruler, field strip, lines with their bands, and the gutter.

#include "RawLinesView.h"

#include "ResultTableModel.h"

#include <QGlyphRun>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace velkora::views {

using formats::LineAnalyzer;

namespace {

QColor mixed(const QColor &base, const QColor &over, double amount)
{
    return QColor::fromRgbF(float(base.redF() * (1 - amount) + over.redF() * amount),
                            float(base.greenF() * (1 - amount) + over.greenF() * amount),
                            float(base.blueF() * (1 - amount) + over.blueF() * amount));
}

// A character as the view draws it: control characters as a middle dot.
bool isControl(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

} // namespace

// Painting -------------------------------------------------------------------------------

QColor RawLinesView::bandColor(const Band &band, bool strong) const
{
    const QColor base = palette().color(QPalette::Base);
    const bool dark = base.lightnessF() < 0.5;
    QColor hue;
    if (band.kind == Band::Kind::Id)
        hue = palette().color(QPalette::Text);
    else // neighbouring fields get distant hues (the golden angle), never red (for errors)
        hue = QColor::fromHsv(40 + int(std::fmod(band.field * 137.508, 360.0) * 280.0 / 360.0), 190,
                              235);
    const double amount = band.kind == Band::Kind::Id ? 0.18 : dark ? 0.38 : 0.30;
    return mixed(base, hue, strong ? std::min(1.0, amount * 1.9) : amount);
}

void RawLinesView::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), palette().color(QPalette::Base));
    if (m_decoder) {
        painter.save();
        painter.setClipRect(QRect(0, rowY(firstRow()), viewport()->width(),
                                  viewport()->height() - rowY(firstRow())));
        const qint64 last = std::min(rowCount(), firstRow() + visibleRows() + 1);
        for (qint64 row = firstRow(); row < last; ++row)
            paintRow(painter, row);
        painter.restore();
    }
    paintRuler(painter);
    paintStrip(painter);
    if (m_decoder && rowCount() == 0) {
        // Nothing to show: an empty file, or one that could not be read (and why).
        const formats::LineIndex &index = m_decoder->file().index;
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.drawText(
            QRect(m_gutterWidth, rowY(0), viewport()->width() - m_gutterWidth, m_lineHeight * 3),
            Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
            index.ran() ? QStringLiteral("El archivo no tiene líneas.") : index.error());
    }
}

void RawLinesView::paintRuler(QPainter &painter) const
{
    const QRect area(0, 0, viewport()->width(), m_rulerHeight);
    painter.fillRect(area, palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.save();
    painter.setClipRect(
        QRect(m_gutterWidth, 0, viewport()->width() - m_gutterWidth, m_rulerHeight));
    const int first = firstColumn() + 1;
    const int last = firstColumn() + visibleColumns() + 1;
    for (int column = first; column <= last; ++column) {
        const int x = columnX(column) + m_charWidth / 2;
        const int tick = column % 10 == 0 || column == 1 ? TickHeight : column % 5 == 0 ? 4 : 2;
        painter.drawLine(x, m_rulerHeight - 1 - tick, x, m_rulerHeight - 1);
        if (column == 1 || column % 10 == 0)
            painter.drawText(QPoint(columnX(column), m_ascent), QString::number(column));
    }
    painter.restore();
    const QString title = QStringLiteral("Columna");
    painter.drawText(QRect(4, 0, m_gutterWidth - 8, m_rulerHeight - TickHeight),
                     Qt::AlignRight | Qt::AlignVCenter, title);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawLine(0, m_rulerHeight - 1, viewport()->width(), m_rulerHeight - 1);
}

void RawLinesView::paintStrip(QPainter &painter) const
{
    const QRect area(0, m_rulerHeight, viewport()->width(), m_lanes * m_laneHeight);
    painter.fillRect(area, palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawLine(0, area.bottom(), viewport()->width(), area.bottom());
    if (!m_decoder || rowCount() == 0)
        return;
    const auto line = lineAt(m_row);
    painter.setPen(palette().color(QPalette::WindowText));
    if (line->match != LineAnalyzer::Match::One) {
        painter.drawText(QRect(m_gutterWidth + 4, area.top(), area.width(), m_laneHeight),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         line->match == LineAnalyzer::Match::None
                             ? QStringLiteral("Línea sin tipo de línea: ningún campo se lee")
                             : QStringLiteral("Línea con más de un tipo de línea: ningún campo "
                                              "se lee"));
        return;
    }
    const formats::LineType &type = m_decoder->file().format->lineType(line->lineType);
    painter.drawText(QRect(4, area.top(), m_gutterWidth - 8, m_laneHeight),
                     Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Tipo %1").arg(type.order));
    painter.save();
    painter.setClipRect(
        QRect(m_gutterWidth, area.top(), area.width() - m_gutterWidth, area.height()));
    const BandLayout &layout = layoutOf(line->lineType);
    const QFontMetrics metrics(font());
    for (const Band &band : layout.bands) {
        const bool highlighted = band.kind == Band::Kind::Field &&
                                 line->lineType == m_highlightType &&
                                 band.field == m_highlightField;
        const QRect rect(columnX(band.from + 1), area.top() + laneOf(band) * m_laneHeight,
                         (band.to - band.from) * m_charWidth, m_laneHeight - 2);
        painter.fillRect(rect, bandColor(band, true));
        painter.setPen(highlighted ? QPen(palette().color(QPalette::Highlight), 2)
                                   : QPen(palette().color(QPalette::Mid)));
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
        QString label = band.kind == Band::Kind::Id ? QStringLiteral("ID")
                                                    : type.fields.at(band.field).id.trimmed();
        if (metrics.horizontalAdvance(label) > rect.width() - 2 && band.kind == Band::Kind::Field) {
            const qint64 number = formats::orderNumber(label);
            label = number >= 0 ? QString::number(number) : QString();
        }
        if (metrics.horizontalAdvance(label) <= rect.width() - 2) {
            painter.setPen(palette().color(QPalette::Text));
            painter.drawText(rect, Qt::AlignCenter, label);
        }
    }
    // Columns that two fields read, under the stacked segments.
    painter.setBrush(QBrush(errorBackground(palette()).darker(130), Qt::DiagCrossPattern));
    painter.setPen(Qt::NoPen);
    for (const ColumnRange &range : layout.overlaps)
        painter.drawRect(QRect(columnX(range.from + 1), area.bottom() - 4,
                               (range.to - range.from) * m_charWidth, 4));
    painter.restore();
}

void RawLinesView::paintRow(QPainter &painter, qint64 row) const
{
    const auto line = lineAt(row);
    const int y = rowY(row);
    const QRect textArea(m_gutterWidth, y, viewport()->width() - m_gutterWidth, m_lineHeight);
    if (row == m_row)
        painter.fillRect(
            QRect(0, y, viewport()->width(), m_lineHeight),
            mixed(palette().color(QPalette::Base), palette().color(QPalette::Highlight), 0.12));

    painter.save();
    painter.setClipRect(textArea);
    if (line->match != LineAnalyzer::Match::One) {
        painter.fillRect(columnsRect(row, 0, std::max<int>(1, int(line->characters))),
                         errorBackground(palette()));
    } else {
        const BandLayout &layout = layoutOf(line->lineType);
        const int characters = int(line->characters);
        for (const Band &band : layout.bands) {
            const QRect rect = columnsRect(row, band.from, band.to);
            const bool highlighted = band.kind == Band::Kind::Field &&
                                     line->lineType == m_highlightType &&
                                     band.field == m_highlightField;
            const QColor color = bandColor(band, highlighted);
            if (band.to <= characters) {
                painter.fillRect(rect, color);
            } else {
                // A short line: the part of the band past its end is pale, with a dashed edge.
                const QRect inside = columnsRect(row, band.from, std::max(band.from, characters));
                const QRect past = columnsRect(row, std::max(band.from, characters), band.to)
                                       .adjusted(0, 1, -1, -2);
                if (!inside.isNull())
                    painter.fillRect(inside, color);
                painter.fillRect(past, mixed(palette().color(QPalette::Base), color, 0.45));
                painter.setPen(QPen(color.darker(150), 1, Qt::DashLine));
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(past);
            }
            if (highlighted) {
                painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(rect.adjusted(1, 1, -1, -1));
            }
            if (band.kind == Band::Kind::Field && band.field < line->values.size() &&
                !line->values.at(band.field).ok) {
                painter.fillRect(QRect(rect.left(), rect.bottom() - 1, rect.width(), 2),
                                 QColor(215, 30, 30));
            }
        }
        painter.setPen(Qt::NoPen);
        painter.setBrush(QBrush(QColor(215, 30, 30), Qt::DiagCrossPattern));
        for (const ColumnRange &range : layout.overlaps)
            painter.drawRect(columnsRect(row, range.from, range.to));
        QColor hatch = palette().color(QPalette::Text);
        hatch.setAlpha(110);
        painter.setBrush(QBrush(hatch, Qt::BDiagPattern));
        for (const QRect &rect : gapTextRects(row))
            painter.drawRect(rect);
    }
    paintText(painter, *line, y);
    if (row == m_row && hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Text), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(cursorRect().adjusted(0, 0, -1, -1));
    }
    painter.restore();
    paintGutter(painter, *line, y);
}

// The gutter: the file's line number and the line's type. A line that breaks a rule as a whole
// has its gutter in the error colour.
void RawLinesView::paintGutter(QPainter &painter, const DecodedLine &line, int y) const
{
    const QRect gutter(0, y, m_gutterWidth, m_lineHeight);
    painter.fillRect(gutter, line.lineErrors.isEmpty() ? palette().color(QPalette::Window)
                                                       : errorBackground(palette()));
    painter.setPen(palette().color(QPalette::WindowText));
    QString type;
    if (line.match == LineAnalyzer::Match::One)
        type = m_decoder->file().format->lineType(line.lineType).order;
    else
        type = line.match == LineAnalyzer::Match::None ? QStringLiteral("?") : QStringLiteral("+");
    painter.drawText(gutter.adjusted(2, 0, -m_charWidth, 0), Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("%1 %2").arg(line.number).arg(type));
}

void RawLinesView::paintText(QPainter &painter, const DecodedLine &line, int y) const
{
    const QColor text = palette().color(QPalette::Text);
    QColor faint = text;
    faint.setAlpha(80);
    const int first = firstColumn();
    const int last = first + visibleColumns() + 1;
    const qreal baseline = y + m_ascent;
    // One column per character, each placed in its own cell (never where the font's advances
    // would take it), so that the text stands on the columns of the ruler, the bands and the
    // cursor. Runs of Latin characters that the font has are drawn as one run of glyphs; any
    // other character is drawn centred in its cell, control characters as a middle dot.
    QString run;
    int runStart = 0;
    const auto flush = [&] {
        if (run.isEmpty())
            return;
        QList<QPointF> positions;
        positions.reserve(run.size());
        for (qsizetype n = 0; n < run.size(); ++n)
            positions << QPointF(columnX(runStart + int(n) + 1) + m_glyphOffset, baseline);
        QGlyphRun glyphs;
        glyphs.setRawFont(m_rawFont);
        glyphs.setGlyphIndexes(m_rawFont.glyphIndexesForString(run));
        glyphs.setPositions(positions);
        painter.setPen(text);
        painter.drawGlyphRun(QPointF(0, 0), glyphs);
        run.clear();
    };
    int column = 0;
    const QString &s = line.text;
    for (qsizetype i = 0; i < s.size() && column < last; ++column) {
        const bool pair = s.at(i).isHighSurrogate() && i + 1 < s.size();
        const QString glyph = s.mid(i, pair ? 2 : 1);
        i += pair ? 2 : 1;
        if (column < first)
            continue;
        const char16_t c = glyph.at(0).unicode();
        if (c == u' ') // blanks are shown as a faint dot, so that they can be counted
            painter.fillRect(
                QRect(columnX(column + 1) + m_charWidth / 2 - 1, y + m_lineHeight / 2, 2, 2),
                faint);
        if (!pair && c >= 0x20 && c < 0x250 && !isControl(c) &&
            m_rawFont.supportsCharacter(glyph.at(0))) {
            if (run.isEmpty())
                runStart = column;
            run += glyph;
            continue;
        }
        flush();
        painter.setPen(isControl(c) ? faint : text);
        painter.drawText(QRect(columnX(column + 1), y, m_charWidth, m_lineHeight), Qt::AlignCenter,
                         isControl(c) ? QStringLiteral("·") : glyph);
    }
    flush();
}

} // namespace velkora::views
