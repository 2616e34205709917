#include "RawLinesView.h"

#include "FixedWidthFont.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLocale>
#include <QScrollBar>
#include <algorithm>
#include <climits>
#include <cmath>

namespace velkora::views {

using formats::FieldType;
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
    case Qt::Key_Return:
    case Qt::Key_Enter:
        break; // nothing to open here (and the window's default button does not close it)
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
                if (band.kind == Band::Kind::Field && laneOf(band) == lane && band.from < column &&
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
