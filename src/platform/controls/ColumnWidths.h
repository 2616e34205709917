#pragma once

#include <QStyleOptionViewItem>

#include <array>

class QTableView;

namespace velkora::controls {

// The width a table view's columns need so that every row's cell shows whole, as the view's
// delegate sizes a cell (QTableView::sizeHintForColumn over every row, the grid line included).
// Only the cells that could be the widest are sized: a plain Latin-1 text is never wider than
// the sum of its characters' advances (letters of a pair may only come closer), so after the
// cell with the widest sum, only a cell whose sum could exceed the widest found is sized. The
// characters' advances are measured once per font, for every column and every later fit.
class ColumnWidths {
public:
    // `option`: the view's item option (QAbstractItemView::initViewItemOption).
    ColumnWidths(const QTableView &view, const QStyleOptionViewItem &option);

    int contentWidth(int column);

private:
    // The sum of the text's character advances; -1 when a character is not printable Latin-1.
    qreal advanceSum(const QString &text);
    int delegateWidth(const QModelIndex &index) const;

    const QTableView &m_view;
    QStyleOptionViewItem m_option;
    std::array<qreal, 256> &m_advances;
};

} // namespace velkora::controls
