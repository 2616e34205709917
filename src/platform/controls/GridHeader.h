#pragma once

#include <QHeaderView>

namespace velkora::controls {

// The data grid's column captions, below a band at the top that the grid's caption bar covers.
class GridHeader : public QHeaderView {
public:
    explicit GridHeader(QWidget *parent) : QHeaderView(Qt::Horizontal, parent) {}
    void setTopBand(int height)
    {
        m_band = height;
        updateGeometry();
    }
    int topBand() const { return m_band; }
    QSize sizeHint() const override
    {
        QSize size = QHeaderView::sizeHint();
        size.rheight() += m_band;
        return size;
    }

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override
    {
        QHeaderView::paintSection(painter, rect.adjusted(0, m_band, 0, 0), logicalIndex);
    }

private:
    int m_band = 0;
};

} // namespace velkora::controls
