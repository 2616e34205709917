#include "ColumnWidths.h"

#include <QAbstractItemDelegate>
#include <QFontMetricsF>
#include <QTableView>
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace velkora::controls {

namespace {

// The advances of the Latin-1 characters in one font, measured as they are first met.
class LatinAdvances {
public:
    explicit LatinAdvances(const QFont &font) : m_metrics(font) { m_advances.fill(-1); }

    // The sum of the text's character advances; -1 when a character is not printable Latin-1.
    qreal width(const QString &text)
    {
        qreal sum = 0;
        for (const QChar c : text) {
            const char16_t code = c.unicode();
            if (code < 0x20 || (code >= 0x7f && code < 0xa0) || code > 0xff)
                return -1;
            qreal &advance = m_advances[code];
            if (advance < 0)
                advance = m_metrics.horizontalAdvance(c);
            sum += advance;
        }
        return sum;
    }

    const QFontMetricsF &metrics() const { return m_metrics; }

private:
    QFontMetricsF m_metrics;
    std::array<qreal, 256> m_advances;
};

int delegateWidth(const QTableView &view, const QStyleOptionViewItem &option,
                  const QModelIndex &index)
{
    QStyleOptionViewItem cell = option;
    return view.itemDelegateForIndex(index)->sizeHint(cell, index).width();
}

} // namespace

int columnContentWidth(const QTableView &view, const QStyleOptionViewItem &option, int column)
{
    const QAbstractItemModel *model = view.model();
    if (!model)
        return 0;
    const QModelIndex root = view.rootIndex();
    const int rows = model->rowCount(root);
    LatinAdvances advances(option.font);
    int width = 0;
    // The plain cells by the sum of their advances, widest first.
    std::vector<std::pair<qreal, int>> plain;
    plain.reserve(size_t(rows));
    for (int row = 0; row < rows; ++row) {
        if (view.isRowHidden(row))
            continue;
        const QModelIndex index = model->index(row, column, root);
        const qreal sum = advances.width(index.data(Qt::DisplayRole).toString());
        if (sum < 0)
            width = qMax(width, delegateWidth(view, option, index));
        else
            plain.emplace_back(sum, row);
    }
    std::sort(plain.begin(), plain.end(),
              [](const auto &a, const auto &b) { return a.first > b.first; });
    // What the delegate adds around a text (margins, a check box) is the same in every cell of
    // the column: taken from the first cell sized. A cell whose advances with it do not exceed
    // the widest so far cannot be wider; the first such ends the search.
    qreal around = -1;
    for (const auto &[sum, row] : plain) {
        if (around >= 0 && std::ceil(sum + around) <= width)
            break;
        const QModelIndex index = model->index(row, column, root);
        const int measured = delegateWidth(view, option, index);
        if (around < 0)
            around = measured - advances.metrics().horizontalAdvance(
                                    index.data(Qt::DisplayRole).toString());
        width = qMax(width, measured);
    }
    return view.showGrid() ? width + 1 : width;
}

} // namespace velkora::controls
