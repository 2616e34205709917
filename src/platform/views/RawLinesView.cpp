#include "RawLinesView.h"

#include "ResultTableModel.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QLocale>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <climits>
#include <cmath>

namespace velkora::views {

using formats::FieldType;
using formats::LineAnalyzer;

namespace {

constexpr int TickHeight = 7;

QColor mixed(const QColor &base, const QColor &over, double amount)
{
    return QColor::fromRgbF(float(base.redF() * (1 - amount) + over.redF() * amount),
                            float(base.greenF() * (1 - amount) + over.greenF() * amount),
                            float(base.blueF() * (1 - amount) + over.blueF() * amount));
}

bool sameOrder(const QString &stored, const QString &wanted)
{
    if (stored.trimmed() == wanted.trimmed())
        return true;
    const qint64 a = formats::orderNumber(stored);
    return a >= 0 && a == formats::orderNumber(wanted);
}

// A character as the view draws it: control characters as a middle dot.
bool isControl(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

} // namespace

RawLinesView::RawLinesView(QWidget *parent) : QAbstractScrollArea(parent)
{
    setObjectName(QStringLiteral("vistaLineas"));
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
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
            m_lanes = std::max(m_lanes, m_layouts.back().lanes);
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
    const QFontMetrics metrics(font());
    m_charWidth = std::max(1, metrics.horizontalAdvance(QLatin1Char('0')));
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
            return QRect(columnX(band.from + 1), m_rulerHeight + band.lane * m_laneHeight,
                         (band.to - band.from) * m_charWidth, m_laneHeight - 2);
    return {};
}

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
    if (!m_decoder || rowCount() == 0) {
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.drawText(
            QRect(m_gutterWidth, rowY(0), viewport()->width() - m_gutterWidth, m_lineHeight * 2),
            Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("El archivo no tiene líneas."));
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
        const QRect rect(columnX(band.from + 1), area.top() + band.lane * m_laneHeight,
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
        painter.drawRect(columnsRect(row, m_column - 1, m_column).adjusted(0, 0, -1, -1));
    }
    painter.restore();

    // The gutter: the file's line number and the line's type.
    const QRect gutter(0, y, m_gutterWidth, m_lineHeight);
    painter.fillRect(gutter, palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::WindowText));
    QString type;
    if (line->match == LineAnalyzer::Match::One)
        type = m_decoder->file().format->lineType(line->lineType).order;
    else
        type = line->match == LineAnalyzer::Match::None ? QStringLiteral("?") : QStringLiteral("+");
    painter.drawText(gutter.adjusted(2, 0, -m_charWidth, 0), Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("%1 %2").arg(line->number).arg(type));
}

void RawLinesView::paintText(QPainter &painter, const DecodedLine &line, int y) const
{
    const QColor text = palette().color(QPalette::Text);
    QColor faint = text;
    faint.setAlpha(80);
    const int first = firstColumn();
    const int last = first + visibleColumns() + 1;
    const int baseline = y + m_ascent;
    // One column per character: runs of Latin characters are drawn at once (they take one cell
    // each in a fixed-width font), any other character in its own cell.
    QString run;
    int runStart = 0;
    const auto flush = [&] {
        if (!run.isEmpty()) {
            painter.setPen(text);
            painter.drawText(QPoint(columnX(runStart + 1), baseline), run);
            run.clear();
        }
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
        if (!pair && c >= 0x20 && c < 0x250 && !isControl(c)) {
            if (run.isEmpty())
                runStart = column;
            run += glyph;
            if (c == u' ') // blanks are shown as a faint dot, so that they can be counted
                painter.fillRect(
                    QRect(columnX(column + 1) + m_charWidth / 2 - 1, y + m_lineHeight / 2, 2, 2),
                    faint);
            continue;
        }
        flush();
        painter.setPen(isControl(c) ? faint : text);
        painter.drawText(QRect(columnX(column + 1), y, m_charWidth, m_lineHeight), Qt::AlignCenter,
                         isControl(c) ? QStringLiteral("·") : glyph);
    }
    flush();
}

// Cursor, status and highlight -------------------------------------------------------------

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

// Keys and mouse ---------------------------------------------------------------------------

void RawLinesView::keyPressEvent(QKeyEvent *event)
{
    if (!m_decoder || rowCount() == 0) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const bool control = event->modifiers() & Qt::ControlModifier;
    qint64 row = m_row;
    int column = m_column;
    switch (event->key()) {
    case Qt::Key_Up:
        --row;
        break;
    case Qt::Key_Down:
        ++row;
        break;
    case Qt::Key_PageUp:
        row -= visibleRows();
        break;
    case Qt::Key_PageDown:
        row += visibleRows();
        break;
    case Qt::Key_Home:
        if (control)
            row = 0;
        column = 1;
        break;
    case Qt::Key_End:
        if (control)
            row = rowCount() - 1;
        column = std::max<int>(1, int(lineAt(row)->characters));
        break;
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const bool right = event->key() == Qt::Key_Right;
        if (!control) {
            column += right ? 1 : -1;
            break;
        }
        // The next (previous) band's first column on this line.
        const auto line = lineAt(row);
        if (line->match != LineAnalyzer::Match::One)
            break;
        int best = column;
        for (const Band &band : layoutOf(line->lineType).bands) {
            const int start = band.from + 1;
            if (right ? start > column && (best == column || start < best)
                      : start < column && (best == column || start > best))
                best = start;
        }
        column = best;
        break;
    }
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    setCursorPosition(row, column);
    event->accept();
}

void RawLinesView::mousePressEvent(QMouseEvent *event)
{
    if (!m_decoder || rowCount() == 0 || event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    const QPoint at = event->position().toPoint();
    const int column = at.x() < m_gutterWidth
                           ? m_column
                           : firstColumn() + (at.x() - m_gutterWidth) / m_charWidth + 1;
    if (at.y() < rowY(firstRow())) {
        // The strip: a click on a field's segment highlights it.
        const auto line = lineAt(m_row);
        if (line->match == LineAnalyzer::Match::One && at.y() >= m_rulerHeight) {
            const int lane = (at.y() - m_rulerHeight) / m_laneHeight;
            const BandLayout &layout = layoutOf(line->lineType);
            for (const Band &band : layout.bands)
                if (band.kind == Band::Kind::Field && band.lane == lane && band.from < column &&
                    column <= band.to)
                    highlightFieldAt(line->lineType, band.field);
        }
        setCursorPosition(m_row, column);
        return;
    }
    setCursorPosition(firstRow() + (at.y() - rowY(firstRow())) / m_lineHeight, column);
}

void RawLinesView::mouseReleaseEvent(QMouseEvent *event)
{
    event->setAccepted(event->button() == Qt::LeftButton && m_decoder);
}

bool RawLinesView::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange)
        viewport()->update();
    return QAbstractScrollArea::viewportEvent(event);
}

void RawLinesView::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void RawLinesView::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

} // namespace velkora::views
