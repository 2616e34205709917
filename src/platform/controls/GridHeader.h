#pragma once

#include <QEvent>
#include <QHash>
#include <QHeaderView>

namespace velkora::controls {

// The data grid's column captions, below a band at the top that the grid's caption bar covers;
// also its row captions (without a band).
class GridHeader : public QHeaderView {
public:
    explicit GridHeader(QWidget *parent, Qt::Orientation orientation = Qt::Horizontal)
        : QHeaderView(orientation, parent)
    {
    }
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
    // The size of a caption is measured once: laying its text out is what a grid's refill would
    // otherwise spend most of its time in, and the captions seldom change. A caption is measured
    // again when its text, font, decoration or the style differ from those it was measured with.
    QSize sectionSizeFromContents(int logicalIndex) const override
    {
        const QAbstractItemModel *source = model();
        if (!source)
            return QHeaderView::sectionSizeFromContents(logicalIndex);
        const auto data = [&](int role) {
            return source->headerData(logicalIndex, orientation(), role);
        };
        const QVariant decoration = data(Qt::DecorationRole);
        const QVariant fontData = data(Qt::FontRole);
        if (data(Qt::SizeHintRole).isValid() || !decoration.isNull())
            return QHeaderView::sectionSizeFromContents(logicalIndex);
        if (m_measuredStyle != style()) {
            m_measured.clear();
            m_measuredStyle = style();
        }
        if (m_fontKey.isEmpty())
            m_fontKey = font().key();
        const QString key = data(Qt::DisplayRole).toString() + QChar(0) +
                            (fontData.isValid() ? fontData.value<QFont>().key() : m_fontKey) +
                            QChar(isSortIndicatorShown() ? u'1' : u'0');
        if (const auto found = m_measured.constFind(key); found != m_measured.cend())
            return *found;
        const QSize size = QHeaderView::sectionSizeFromContents(logicalIndex);
        m_measured.insert(key, size);
        return size;
    }
    void changeEvent(QEvent *event) override
    {
        if (event->type() == QEvent::StyleChange || event->type() == QEvent::FontChange) {
            m_measured.clear();
            m_fontKey.clear();
        }
        QHeaderView::changeEvent(event);
    }

    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override
    {
        QHeaderView::paintSection(painter, rect.adjusted(0, m_band, 0, 0), logicalIndex);
    }

private:
    int m_band = 0;
    mutable QHash<QString, QSize> m_measured;
    mutable const QStyle *m_measuredStyle = nullptr;
    mutable QString m_fontKey;
};

} // namespace velkora::controls
