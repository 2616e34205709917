#pragma once

class QTableView;
class QStyleOptionViewItem;

namespace velkora::controls {

// The width a table view's column needs so that every row's cell shows whole, as the view's
// delegate sizes a cell (QTableView::sizeHintForColumn over every row, the grid line included).
// Only the cells that could be the widest are sized: a plain Latin-1 text is never wider than
// the sum of its characters' advances (letters of a pair may only come closer), so the cells
// are taken by that sum, widest first, until no other can exceed the widest found. `option` is
// the view's item option (QAbstractItemView::initViewItemOption).
int columnContentWidth(const QTableView &view, const QStyleOptionViewItem &option, int column);

} // namespace velkora::controls
