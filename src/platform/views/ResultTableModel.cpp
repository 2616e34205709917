#include "ResultTableModel.h"

#include <QLocale>
#include <QPalette>
#include <algorithm>
#include <climits>

namespace velkora::views {

using formats::FieldType;
using formats::LineAnalyzer;

QColor errorBackground(const QPalette &palette)
{
    // A quarter of a strong red over the base: pink on a light base, dark red on a dark one;
    // the text colour of the palette stays readable on both.
    const QColor base = palette.color(QPalette::Base);
    const QColor red(220, 40, 40);
    const double mix = base.lightnessF() < 0.5 ? 0.45 : 0.28;
    return QColor::fromRgbF(float(base.redF() * (1 - mix) + red.redF() * mix),
                            float(base.greenF() * (1 - mix) + red.greenF() * mix),
                            float(base.blueF() * (1 - mix) + red.blueF() * mix));
}

ResultTableModel::ResultTableModel(std::shared_ptr<LineDecoder> decoder, int group, QObject *parent)
    : QAbstractTableModel(parent), m_decoder(std::move(decoder)), m_group(group),
      m_lineType(group == m_decoder->file().index.otherGroup() ? -1 : group)
{
    const QPalette palette;
    m_errorBackground = errorBackground(palette);
    m_errorText = palette.color(QPalette::Text);
}

void ResultTableModel::setErrorColors(const QColor &background, const QColor &text)
{
    m_errorBackground = background;
    m_errorText = text;
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                         {Qt::BackgroundRole, Qt::ForegroundRole});
}

int ResultTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(std::min<size_t>(rows().size(), INT_MAX));
}

int ResultTableModel::columnCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    if (isOtherLines())
        return 3;
    return 1 + int(m_decoder->file().format->lineTypes()[size_t(m_lineType)].fields.size());
}

int ResultTableModel::fieldOfColumn(int column) const
{
    return !isOtherLines() && column >= 1 && column < columnCount() ? column - 1 : -1;
}

int ResultTableModel::columnOfField(int field) const
{
    return !isOtherLines() && field >= 0 && field + 1 < columnCount() ? field + 1 : -1;
}

qint64 ResultTableModel::lineOfRow(int row) const
{
    return row >= 0 && size_t(row) < rows().size() ? rows()[size_t(row)] : -1;
}

int ResultTableModel::rowOfLine(qint64 lineIndex) const
{
    const auto found = std::lower_bound(rows().begin(), rows().end(), lineIndex);
    if (found == rows().end() || *found != lineIndex)
        return -1;
    const auto row = found - rows().begin();
    return row < INT_MAX ? int(row) : -1;
}

QString ResultTableModel::title() const
{
    const QLocale locale;
    const QString count = locale.toString(qint64(rows().size()));
    if (isOtherLines())
        return rows().empty() ? QStringLiteral("Sin tipo o con varios (0)")
                              : QStringLiteral("Sin tipo o con varios (%1 con errores)").arg(count);
    const formats::LineType &type = m_decoder->file().format->lineType(m_lineType);
    const qint64 errors = errorLineCount();
    if (errors == 0)
        return QStringLiteral("%1 %2 (%3)").arg(type.order, type.description, count);
    return QStringLiteral("%1 %2 (%3; %4 con errores)")
        .arg(type.order, type.description, count, locale.toString(errors));
}

qint64 ResultTableModel::errorLineCount() const
{
    return m_decoder->file().index.errorLineCount(m_group);
}

QStringList ResultTableModel::columnTitles() const
{
    QStringList titles;
    for (int c = 0; c < columnCount(); ++c)
        titles << headerData(c, Qt::Horizontal).toString();
    return titles;
}

QVariant ResultTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical)
        return role == Qt::DisplayRole ? QVariant(section + 1) : QVariant();
    if (section < 0 || section >= columnCount())
        return {};
    if (role == Qt::DisplayRole) {
        if (section == LineColumn)
            return QStringLiteral("Línea");
        if (isOtherLines())
            return section == SituationColumn ? QStringLiteral("Situación")
                                              : QStringLiteral("Texto");
        const formats::FieldDef &field =
            m_decoder->file().format->field(m_lineType, fieldOfColumn(section));
        return QStringLiteral("%1 %2").arg(field.id, field.description);
    }
    if (role == Qt::ToolTipRole && fieldOfColumn(section) >= 0) {
        const formats::FieldDef &field =
            m_decoder->file().format->field(m_lineType, fieldOfColumn(section));
        QString tip = QStringLiteral("Campo %1 %2\n%3")
                          .arg(field.id, field.description, formats::fieldTypeName(field.type()));
        if (field.type() != FieldType::Constante)
            tip +=
                QStringLiteral(", posición %1, longitud %2").arg(field.position).arg(field.length);
        if (!field.format.isEmpty())
            tip += QStringLiteral(", formato %1").arg(field.format);
        return tip;
    }
    return {};
}

QString ResultTableModel::cellText(const DecodedLine &line, int column) const
{
    if (column == LineColumn)
        return QString::number(line.number);
    if (isOtherLines()) {
        if (column == TextColumn)
            return line.text;
        if (line.match == LineAnalyzer::Match::Many) {
            QStringList orders;
            for (const int t : line.candidates)
                orders << m_decoder->file().format->lineType(t).order;
            return QStringLiteral("Varios tipos: %1").arg(orders.join(QStringLiteral(", ")));
        }
        return QStringLiteral("Sin tipo de línea");
    }
    const int field = fieldOfColumn(column);
    return field >= 0 && field < line.values.size() ? line.values.at(field).text : QString();
}

QString ResultTableModel::cellError(const DecodedLine &line, int column) const
{
    if (isOtherLines()) {
        if (column != SituationColumn)
            return {};
        QStringList errors;
        if (line.match == LineAnalyzer::Match::Many)
            errors << QStringLiteral("Más de un tipo de línea tiene su ID en esta línea: sus "
                                     "campos no se leen.");
        else
            errors << QStringLiteral("Ningún tipo de línea tiene su ID en esta línea: sus campos "
                                     "no se leen.");
        return (errors + line.lineErrors).join(QLatin1Char('\n'));
    }
    // The line's number stands for the line as a whole: its broken rules are there.
    if (column == LineColumn)
        return line.lineErrors.join(QLatin1Char('\n'));
    const int field = fieldOfColumn(column);
    if (field < 0 || field >= line.values.size() || line.values.at(field).ok)
        return {};
    return line.values.at(field).message;
}

QVariant ResultTableModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const qint64 lineIndex = lineOfRow(index.row());
    if (role == LineIndexRole)
        return lineIndex;
    if (role == Qt::TextAlignmentRole) {
        const int field = fieldOfColumn(index.column());
        const bool number =
            index.column() == LineColumn ||
            (field >= 0 &&
             m_decoder->file().format->field(m_lineType, field).type() == FieldType::Numero);
        return QVariant::fromValue(Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft));
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::ToolTipRole &&
        role != ErrorRole && role != Qt::BackgroundRole && role != Qt::ForegroundRole &&
        role != LineNumberRole)
        return {};
    const std::shared_ptr<const DecodedLine> line = m_decoder->line(lineIndex);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return cellText(*line, index.column());
    case LineNumberRole:
        return line->number;
    case Qt::ToolTipRole: {
        const QString error = cellError(*line, index.column());
        return error.isEmpty() ? QVariant() : QVariant(error);
    }
    case ErrorRole:
        return !cellError(*line, index.column()).isEmpty();
    case Qt::BackgroundRole:
        return cellError(*line, index.column()).isEmpty() ? QVariant()
                                                          : QVariant(m_errorBackground);
    case Qt::ForegroundRole:
        return cellError(*line, index.column()).isEmpty() ? QVariant() : QVariant(m_errorText);
    default:
        return {};
    }
}

QStringList ResultTableModel::rowTexts(int row) const
{
    const std::shared_ptr<const DecodedLine> line = m_decoder->line(lineOfRow(row));
    QStringList texts;
    for (int c = 0; c < columnCount(); ++c)
        texts << cellText(*line, c);
    return texts;
}

bool ResultTableModel::hasErrors() const
{
    return isOtherLines() ? !rows().empty() : !m_decoder->file().index.errorRows(m_group).empty();
}

int ResultTableModel::errorColumn(const DecodedLine &line, int after, bool backward) const
{
    if (isOtherLines()) {
        const bool beyond = backward ? after <= SituationColumn : after >= SituationColumn;
        return beyond ? -1 : int(SituationColumn);
    }
    const int columns = columnCount();
    for (int c = backward ? std::min(after, columns) - 1 : std::max(after, -1) + 1;
         backward ? c >= 0 : c < columns; backward ? --c : ++c)
        if (!cellError(line, c).isEmpty())
            return c;
    return -1;
}

QModelIndex ResultTableModel::nextError(const QModelIndex &from, bool backward, bool *wrapped) const
{
    if (wrapped)
        *wrapped = false;
    if (!hasErrors())
        return {};
    const int rowsShown = rowCount();
    int row = from.isValid() ? from.row() : (backward ? rowsShown : -1);
    int column = from.isValid() ? from.column() : (backward ? columnCount() : -1);

    // The rows with errors: every row of the other lines, the listed ones of a line type.
    const auto errorRowAfter = [&](int r) -> int {
        if (isOtherLines()) {
            const int next = backward ? r - 1 : r + 1;
            return next >= 0 && next < rowsShown ? next : -1;
        }
        const std::vector<qint64> &errors = m_decoder->file().index.errorRows(m_group);
        if (!backward) {
            const auto it = std::upper_bound(errors.begin(), errors.end(), qint64(r));
            return it != errors.end() && *it < rowsShown ? int(*it) : -1;
        }
        const auto it = std::lower_bound(errors.begin(), errors.end(), qint64(r));
        return it != errors.begin() ? int(*std::prev(it)) : -1;
    };

    if (row >= 0 && row < rowsShown) {
        const int c = errorColumn(*m_decoder->line(lineOfRow(row)), column, backward);
        if (c >= 0)
            return index(row, c);
    }
    for (int pass = 0; pass < 2; ++pass) {
        const int next = errorRowAfter(row);
        if (next >= 0) {
            const int c = errorColumn(*m_decoder->line(lineOfRow(next)),
                                      backward ? columnCount() : -1, backward);
            if (c >= 0)
                return index(next, c);
        }
        // Round the end of the table.
        row = backward ? rowsShown : -1;
        if (wrapped)
            *wrapped = true;
    }
    return {};
}

} // namespace velkora::views
