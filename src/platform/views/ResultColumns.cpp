#include "ResultColumns.h"

#include "ResultTableModel.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QStyle>
#include <QTableView>

#include <algorithm>

namespace velkora::views {

namespace {

// The characters a column holds at least, from its field's length or its kind.
int leastCharacters(const ResultTableModel &model, int column)
{
    const int field = model.fieldOfColumn(column);
    if (field >= 0)
        return std::clamp(model.decoder()->file().format->field(model.lineType(), field).length,
                          6, 40);
    if (model.isOtherLines() && column == ResultTableModel::TextColumn)
        return 80;
    if (model.isOtherLines() && column == ResultTableModel::SituationColumn)
        return 24;
    return 8;
}

} // namespace

void fitResultColumns(QTableView &view, const ResultTableModel &model)
{
    const QFontMetrics metrics(view.font());
    const QFontMetrics captionMetrics(view.horizontalHeader()->font());
    const int digit = metrics.horizontalAdvance(QLatin1Char('0'));
    // The cell's margins and the grid line, as the view draws them.
    const int margins = 2 * view.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr,
                                                      &view) + 12;
    std::vector<int> widths(std::size_t(model.columnCount()), 0);
    for (int column = 0; column < model.columnCount(); ++column)
        widths[std::size_t(column)] = std::max(
            captionMetrics.horizontalAdvance(model.headerData(column, Qt::Horizontal).toString()) +
                6,
            leastCharacters(model, column) * digit);
    const int rows = std::min(model.rowCount(), SampledRows);
    for (int row = 0; row < rows; ++row) {
        const QStringList texts = model.rowTexts(row);
        for (int column = 0; column < texts.size() && column < model.columnCount(); ++column) {
            int &width = widths[std::size_t(column)];
            width = std::max(width, metrics.horizontalAdvance(texts.at(column)));
        }
    }
    for (int column = 0; column < model.columnCount(); ++column)
        view.setColumnWidth(column,
                            std::min(MaxColumnWidth, widths[std::size_t(column)] + margins));
}

} // namespace velkora::views
