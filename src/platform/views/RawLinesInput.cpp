// The raw lines view's keys and mouse: they move the cursor.

#include "RawLinesView.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <algorithm>

namespace velkora::views {

using formats::LineAnalyzer;

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
