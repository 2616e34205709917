#include "ResultColumns.h"

#include "ResultTableModel.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QStyle>
#include <QTableView>

#include <algorithm>
#include <vector>

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
    const int digit = metrics.horizontalAdvance(QLatin1Char('0'));
    // The cell's margins and the grid line, as the view draws them.
    const int margins = 2 * view.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr,
                                                      &view) + 12;
    std::vector<int> widths(std::size_t(model.columnCount()), 0);
    for (int column = 0; column < model.columnCount(); ++column)
        widths[std::size_t(column)] = leastCharacters(model, column) * digit;
    const int rows = std::min(model.rowCount(), SampledRows);
    for (int row = 0; row < rows; ++row) {
        const QStringList texts = model.rowTexts(row);
        for (int column = 0; column < texts.size() && column < model.columnCount(); ++column) {
            int &width = widths[std::size_t(column)];
            width = std::max(width, metrics.horizontalAdvance(texts.at(column)));
        }
    }
    // The caption as the header sizes it, its margins included.
    const QHeaderView *header = view.horizontalHeader();
    for (int column = 0; column < model.columnCount(); ++column)
        view.setColumnWidth(column, std::min(MaxColumnWidth,
                                             std::max(header->sectionSizeHint(column),
                                                      widths[std::size_t(column)] + margins)));
}

} // namespace velkora::views
