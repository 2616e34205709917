#include "RawLinesView.h"

#include "FixedWidthFont.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QScrollBar>
#include <algorithm>
#include <climits>
#include <cmath>

namespace velkora::views {

using formats::LineAnalyzer;

RawLinesView::RawLinesView(QWidget *parent) : QAbstractScrollArea(parent)
{
    setObjectName(QStringLiteral("vistaLineas"));
    setFont(fixedWidthFont());
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(false);
    viewport()->setCursor(Qt::IBeamCursor);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setSingleStep(1);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, viewport(),
            qOverload<>(&QWidget::update));
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, viewport(),
            qOverload<>(&QWidget::update));
    updateMetrics();
}

void RawLinesView::setDecoder(std::shared_ptr<LineDecoder> decoder)
{
    m_decoder = std::move(decoder);
    m_layouts.clear();
    m_furthestField = 0;
    m_lanes = 1;
    if (m_decoder) {
        for (const formats::CompiledLineType &type : m_decoder->file().format->lineTypes()) {
            m_layouts.push_back(layoutBands(type));
            m_lanes = std::clamp(m_layouts.back().lanes, m_lanes, int(MaxLanes));
            for (const Band &band : m_layouts.back().bands)
                m_furthestField = std::max(m_furthestField, band.to);
        }
    }
    m_row = 0;
    m_column = 1;
    m_highlightType = m_highlightField = -1;
    m_enteredType = m_enteredField = -2;
    updateMetrics();
    updateStatus();
    viewport()->update();
}

qint64 RawLinesView::rowCount() const
{
    return m_decoder ? m_decoder->file().index.lineCount() : 0;
}

qint64 RawLinesView::lineOfRow(qint64 row) const
{
    if (row < 0 || row >= rowCount())
        return -1;
    return m_decoder->file().index.reverse() ? rowCount() - 1 - row : row;
}

qint64 RawLinesView::rowOfLine(qint64 lineIndex) const
{
    return lineOfRow(lineIndex); // the same mapping both ways
}

std::shared_ptr<const DecodedLine> RawLinesView::lineAt(qint64 row) const
{
    return m_decoder->line(lineOfRow(row));
}

const BandLayout &RawLinesView::layoutOf(int lineType) const
{
    return m_layouts[size_t(lineType)];
}

// Metrics and scrolling ------------------------------------------------------------------

void RawLinesView::updateMetrics()
{
    // Every character is drawn in a cell of a whole number of pixels, the font's own advance
    // rounded, so that text, ruler, bands and cursor share one grid of columns.
    const QFontMetrics metrics(font());
    const qreal advance = QFontMetricsF(font()).horizontalAdvance(QLatin1Char('0'));
    m_charWidth = std::max(1, qRound(advance));
    m_glyphOffset = (m_charWidth - advance) / 2;
    m_rawFont = QRawFont::fromFont(font());
    m_lineHeight = metrics.height() + 2;
    m_ascent = metrics.ascent() + 1;
    m_rulerHeight = metrics.height() + TickHeight + 2;
    m_laneHeight = metrics.height() + 2;
    qsizetype order = 1;
    if (m_decoder)
        for (const formats::LineType &type : m_decoder->file().format->format().lineTypes)
            order = std::max(order, type.order.size());
    const QString lineAndType =
        QString(QString::number(std::max<qint64>(rowCount(), 1)).size(), QLatin1Char('0')) +
        QLatin1Char(' ') + QString(order, QLatin1Char('0'));
    // The gutter also names the ruler ("Columna") and the strip ("Tipo 0002").
    const int widest = std::max(
        {metrics.horizontalAdvance(lineAndType),
         metrics.horizontalAdvance(QStringLiteral("Columna")),
         metrics.horizontalAdvance(QStringLiteral("Tipo ") + QString(order, QLatin1Char('0')))});
    m_gutterWidth = widest + 2 * m_charWidth;
    updateScrollBars();
}

int RawLinesView::visibleRows() const
{
    const int height = viewport()->height() - m_rulerHeight - m_lanes * m_laneHeight;
    return std::max(1, height / m_lineHeight);
}

int RawLinesView::visibleColumns() const
{
    return std::max(1, (viewport()->width() - m_gutterWidth) / m_charWidth);
}

int RawLinesView::maxColumns() const
{
    const int longest = m_decoder ? m_decoder->file().index.longest() : 0;
    return std::max(longest, m_furthestField) + 1;
}

void RawLinesView::updateScrollBars()
{
    const qint64 rows = rowCount();
    const int shown = visibleRows();
    verticalScrollBar()->setPageStep(shown);
    verticalScrollBar()->setRange(0, int(std::clamp<qint64>(rows - shown, 0, INT_MAX)));
    const int columns = visibleColumns();
    horizontalScrollBar()->setPageStep(columns);
    horizontalScrollBar()->setRange(0, std::max(0, maxColumns() - columns));
}

qint64 RawLinesView::firstRow() const
{
    return verticalScrollBar()->value();
}

int RawLinesView::firstColumn() const
{
    return horizontalScrollBar()->value();
}

void RawLinesView::ensureCursorVisible()
{
    const int shown = visibleRows();
    if (m_row < firstRow())
        verticalScrollBar()->setValue(int(m_row));
    else if (m_row >= firstRow() + shown)
        verticalScrollBar()->setValue(int(m_row - shown + 1));
    ensureColumnsVisible(m_column - 1, m_column);
}

void RawLinesView::ensureColumnsVisible(int from, int to)
{
    const int columns = visibleColumns();
    if (to - from > columns)
        to = from + columns;
    if (from < firstColumn())
        horizontalScrollBar()->setValue(from);
    else if (to > firstColumn() + columns)
        horizontalScrollBar()->setValue(to - columns);
}

void RawLinesView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void RawLinesView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange)
        updateMetrics();
    QAbstractScrollArea::changeEvent(event);
}

// Geometry -------------------------------------------------------------------------------

int RawLinesView::columnX(int column) const
{
    return m_gutterWidth + (column - 1 - firstColumn()) * m_charWidth;
}

int RawLinesView::rowY(qint64 row) const
{
    return m_rulerHeight + m_lanes * m_laneHeight + int(row - firstRow()) * m_lineHeight;
}

QList<int> RawLinesView::rulerLabels() const
{
    QList<int> labels;
    const int first = firstColumn() + 1;
    const int last = firstColumn() + visibleColumns();
    for (int column = first; column <= last; ++column)
        if (column == 1 || column % 10 == 0)
            labels << column;
    return labels;
}

QRect RawLinesView::columnsRect(qint64 row, int from, int to) const
{
    if (row < firstRow() || row >= firstRow() + visibleRows() + 1 || from >= to)
        return {};
    return QRect(columnX(from + 1), rowY(row), (to - from) * m_charWidth, m_lineHeight);
}

QRect RawLinesView::bandRect(qint64 row, int field) const
{
    if (!m_decoder || row < 0 || row >= rowCount())
        return {};
    const auto line = lineAt(row);
    if (line->match != LineAnalyzer::Match::One)
        return {};
    const BandLayout &layout = layoutOf(line->lineType);
    for (const Band &band : layout.bands)
        if ((field < 0 && band.kind == Band::Kind::Id) ||
            (field >= 0 && band.kind == Band::Kind::Field && band.field == field))
            return columnsRect(row, band.from, band.to);
    return {};
}

QRect RawLinesView::pastEndRect(qint64 row, int field) const
{
    const QRect band = bandRect(row, field);
    if (band.isNull())
        return {};
    const int end = columnX(int(lineAt(row)->characters) + 1);
    return end >= band.right() + 1
               ? QRect()
               : QRect(QPoint(std::max(end, band.left()), band.top()), band.bottomRight());
}

QList<QRect> RawLinesView::overlapRects(qint64 row) const
{
    QList<QRect> rects;
    if (!m_decoder || row < 0 || row >= rowCount())
        return rects;
    const auto line = lineAt(row);
    if (line->match == LineAnalyzer::Match::One)
        for (const ColumnRange &range : layoutOf(line->lineType).overlaps)
            rects << columnsRect(row, range.from, range.to);
    return rects;
}

QList<QRect> RawLinesView::gapTextRects(qint64 row) const
{
    QList<QRect> rects;
    if (!m_decoder || row < 0 || row >= rowCount())
        return rects;
    const auto line = lineAt(row);
    if (line->match != LineAnalyzer::Match::One)
        return rects;
    const std::u32string chars = line->text.toStdU32String();
    for (const ColumnRange &gap : layoutOf(line->lineType).gaps) {
        const int to = gap.to < 0 ? int(chars.size()) : std::min(gap.to, int(chars.size()));
        int first = -1;
        int last = -1;
        for (int c = gap.from; c < to; ++c) {
            if (chars[size_t(c)] != U' ') {
                first = first < 0 ? c : first;
                last = c;
            }
        }
        if (first >= 0)
            rects << columnsRect(row, first, last + 1);
    }
    return rects;
}

QRect RawLinesView::stripRect(int field) const
{
    if (!m_decoder || rowCount() == 0)
        return {};
    const auto line = lineAt(m_row);
    if (line->match != LineAnalyzer::Match::One)
        return {};
    const BandLayout &layout = layoutOf(line->lineType);
    for (const Band &band : layout.bands)
        if ((field < 0 && band.kind == Band::Kind::Id) ||
            (field >= 0 && band.kind == Band::Kind::Field && band.field == field))
            return QRect(columnX(band.from + 1), m_rulerHeight + laneOf(band) * m_laneHeight,
                         (band.to - band.from) * m_charWidth, m_laneHeight - 2);
    return {};
}

QRect RawLinesView::cursorRect() const
{
    if (!m_decoder || rowCount() == 0)
        return {};
    return columnsRect(m_row, m_column - 1, m_column);
}

} // namespace velkora::views
