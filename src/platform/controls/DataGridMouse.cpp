// The data grid's mouse: a click moves the current cell (a refused move does nothing more), a
// click on a list cell opens its list, and there is no drag selection.

#include "DataGrid.h"

#include <QMouseEvent>

namespace velkora::controls {

void DataGrid::mousePressEvent(QMouseEvent *event)
{
    m_mouseRefused = false;
    const QModelIndex target = indexAt(event->position().toPoint());
    if (target.isValid() && target != currentIndex()) {
        selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
        if (currentIndex() != target) {
            m_mouseRefused = true;
            event->accept();
            return;
        }
    }
    QTableView::mousePressEvent(event);
}

void DataGrid::mouseMoveEvent(QMouseEvent *event)
{
    // No drag selection: the current cell moves by clicks only.
    if (event->buttons() != Qt::NoButton) {
        event->accept();
        return;
    }
    QTableView::mouseMoveEvent(event);
}

void DataGrid::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_mouseRefused) {
        m_mouseRefused = false;
        event->accept();
        return;
    }
    QTableView::mouseReleaseEvent(event);
    // A click on a list cell opens its list, with its entries shown.
    const QModelIndex target = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && target.isValid() && target == currentIndex() &&
        column(target.column()).kind == GridColumn::Kind::List && !m_editor)
        openList();
}

void DataGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    const QModelIndex target = indexAt(event->position().toPoint());
    if (target.isValid() && target != currentIndex()) {
        // A double click that is also a move: handled as a click (it may be refused).
        mousePressEvent(event);
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
}

} // namespace velkora::controls
