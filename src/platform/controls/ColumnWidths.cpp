#include "ColumnWidths.h"

#include <QAbstractItemDelegate>
#include <QFontMetricsF>
#include <QHash>
#include <QTableView>
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
    // The plain cells with the sums of their advances; the widest sum is sized first.
    std::vector<std::pair<qreal, int>> plain;
    plain.reserve(size_t(rows));
    size_t widest = 0;
    for (int row = 0; row < rows; ++row) {
        if (m_view.isRowHidden(row))
            continue;
        const QModelIndex index = model->index(row, column, root);
        const qreal sum = advanceSum(index.data(Qt::DisplayRole).toString());
        if (sum < 0) {
            width = qMax(width, delegateWidth(index));
        } else {
            if (plain.empty() || sum > plain[widest].first)
                widest = plain.size();
            plain.emplace_back(sum, row);
        }
    }
    if (plain.empty())
        return m_view.showGrid() ? width + 1 : width;
    // What the delegate adds around a text (margins, a check box) is the same in every cell of
    // the column: taken from the widest sum's cell. Another cell is sized only when its advances
    // with that could exceed the widest cell found so far.
    const QModelIndex first = model->index(plain[widest].second, column, root);
    const int measured = delegateWidth(first);
    width = qMax(width, measured);
    if (plain.size() == 1)
        return m_view.showGrid() ? width + 1 : width;
    const qreal around =
        measured - QFontMetricsF(m_option.font).horizontalAdvance(first.data().toString());
    for (size_t i = 0; i < plain.size(); ++i) {
        if (i == widest || std::ceil(plain[i].first + around) <= width)
            continue;
        width = qMax(width, delegateWidth(model->index(plain[i].second, column, root)));
    }
    return m_view.showGrid() ? width + 1 : width;
}

} // namespace velkora::controls
