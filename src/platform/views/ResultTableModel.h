#pragma once

#include "LineDecoder.h"

#include <QAbstractTableModel>
#include <QColor>
#include <memory>

namespace velkora::views {

// One table of a test's result, over the line index: the lines of one line type (the line
// number and one column per field, with the converted values), or the lines with no line type
// or more than one (the line number, what is wrong and the line's text). Rows are the lines in
// reading order, read and converted only when a view asks for them.
// Cells in error carry ErrorRole true, the error message as their tooltip and the error
// colours (setErrorColors): a field that does not read or breaks a rule, the line number's cell
// of a line that breaks a rule as a whole; for the other lines, the "Situación" cell.
class ResultTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Role {
        ErrorRole = Qt::UserRole + 1, // bool: the cell is in error
        LineIndexRole,                // qint64: the line's place in reading order
        LineNumberRole,               // qint64: the file's line number
    };
    enum OtherColumn { LineColumn = 0, SituationColumn = 1, TextColumn = 2 };

    // group: a line type's index in the load format, or the line index's otherGroup().
    ResultTableModel(std::shared_ptr<LineDecoder> decoder, int group, QObject *parent = nullptr);

    const std::shared_ptr<LineDecoder> &decoder() const { return m_decoder; }
    int group() const { return m_group; }
    bool isOtherLines() const { return m_lineType < 0; }
    int lineType() const { return m_lineType; } // -1 for the other lines
    // The field (index in the line type) of a column, -1 for the line number and the other
    // lines' columns; and back.
    int fieldOfColumn(int column) const;
    int columnOfField(int field) const;
    qint64 lineOfRow(int row) const;
    int rowOfLine(qint64 lineIndex) const; // -1 when the line is not in this table
    // The tab's caption: "0002 Movimiento (1.234)", with its lines in error when it has any
    // ("0002 Movimiento (1.234; 3 con errores)", "Sin tipo o con varios (3 con errores)").
    QString title() const;
    bool hasErrors() const;
    // Lines in error: with a field in error or a broken rule (every line of the other lines).
    qint64 errorLineCount() const;
    // The next (or previous) cell in error after `from` (before it), going round the table's
    // ends (then *wrapped is true); an invalid index when no cell is in error.
    QModelIndex nextError(const QModelIndex &from, bool backward, bool *wrapped = nullptr) const;
    // The texts of a row's cells, as shown.
    QStringList rowTexts(int row) const;
    QStringList columnTitles() const;

    void setErrorColors(const QColor &background, const QColor &text);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    const std::vector<qint64> &rows() const { return m_decoder->file().index.rows(m_group); }
    int errorColumn(const DecodedLine &line, int after, bool backward) const;
    QString cellText(const DecodedLine &line, int column) const;
    QString cellError(const DecodedLine &line, int column) const;

    std::shared_ptr<LineDecoder> m_decoder;
    int m_group;
    int m_lineType;
    QColor m_errorBackground;
    QColor m_errorText;
};

// Colours for cells in error that read well on the palette's base colour: a red mixed into
// the base (light or dark) and the palette's own text colour.
QColor errorBackground(const QPalette &palette);

} // namespace velkora::views
