#include "ColumnWidths.h"

#include <QAbstractItemDelegate>
#include <QFontMetricsF>
#include <QHash>
#include <QTableView>
#include <algorithm>
#include <cmath>
#include <vector>

namespace velkora::controls {

namespace {

// A table of Latin-1 advances per font (its key names family, size, weight, style...), each
// advance measured when first needed; the fonts of a screen's grids are few.
std::array<qreal, 256> &advancesOf(const QFont &font)
{
    static QHash<QString, std::array<qreal, 256>> tables;
    const QString key = font.key();
    auto found = tables.find(key);
    if (found == tables.end()) {
        std::array<qreal, 256> unknown;
        unknown.fill(-1);
        found = tables.insert(key, unknown);
    }
    return *found;
}

} // namespace

ColumnWidths::ColumnWidths(const QTableView &view, const QStyleOptionViewItem &option)
    : m_view(view), m_option(option), m_advances(advancesOf(option.font))
{
}

qreal ColumnWidths::advanceSum(const QString &text)
{
    qreal sum = 0;
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (code < 0x20 || (code >= 0x7f && code < 0xa0) || code > 0xff)
            return -1;
        qreal &advance = m_advances[code];
        if (advance < 0)
            advance = QFontMetricsF(m_option.font).horizontalAdvance(c);
        sum += advance;
    }
    return sum;
}

int ColumnWidths::delegateWidth(const QModelIndex &index) const
{
    return m_view.itemDelegateForIndex(index)->sizeHint(m_option, index).width();
}

int ColumnWidths::contentWidth(int column)
{
    const QAbstractItemModel *model = m_view.model();
    if (!model)
        return 0;
    const QModelIndex root = m_view.rootIndex();
    const int rows = model->rowCount(root);
    int width = 0;
    // The plain cells by the sum of their advances, widest first.
    std::vector<std::pair<qreal, int>> plain;
    plain.reserve(size_t(rows));
    for (int row = 0; row < rows; ++row) {
        if (m_view.isRowHidden(row))
            continue;
        const QModelIndex index = model->index(row, column, root);
        const qreal sum = advanceSum(index.data(Qt::DisplayRole).toString());
        if (sum < 0)
            width = qMax(width, delegateWidth(index));
        else
            plain.emplace_back(sum, row);
    }
    std::sort(plain.begin(), plain.end(),
              [](const auto &a, const auto &b) { return a.first > b.first; });
    // What the delegate adds around a text (margins, a check box) is the same in every cell of
    // the column: taken from the first cell sized. A cell whose advances with it do not exceed
    // the widest so far cannot be wider; the first such ends the search.
    qreal around = -1;
    for (size_t i = 0; i < plain.size(); ++i) {
        const auto &[sum, row] = plain[i];
        if (around >= 0 && std::ceil(sum + around) <= width)
            break;
        const QModelIndex index = model->index(row, column, root);
        const int measured = delegateWidth(index);
        if (around < 0 && i + 1 < plain.size())
            around = measured - QFontMetricsF(m_option.font)
                                    .horizontalAdvance(index.data(Qt::DisplayRole).toString());
        width = qMax(width, measured);
    }
    return m_view.showGrid() ? width + 1 : width;
}

} // namespace velkora::controls
