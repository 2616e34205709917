#pragma once

#include "BandLayout.h"
#include "LineDecoder.h"

#include <QAbstractScrollArea>
#include <QRawFont>
#include <algorithm>
#include <memory>
#include <vector>

namespace velkora::views {

// The lines of a tested file as they stand, in a fixed-width font, in the file's order, each
// character in the cell of its column: a column ruler on top (1, 10, 20...), under it the field
// strip of the current line's type (each field a coloured segment with its number; fields that
// take the same columns stack), and every line with its line type's fields as coloured bands.
// Columns that no field reads are hatched where they hold text, columns that two fields read are
// cross-hatched in red, a field in error is underlined in red, and the part of a band past the
// end of a short line is drawn pale with a dashed edge. A line with no line type, or more than
// one, is tinted red; a line that breaks a rule as a whole has its number on red, and a field
// that breaks one is a field in error.
// The cursor (a line and a column) moves with the arrow keys, Page Up/Down, Home/End,
// Ctrl+Home/End, Ctrl+Left/Right (previous/next field) and the mouse; statusText() says which
// field is under it: its number and description, position, length, type and value.
// Object name "vistaLineas".
class RawLinesView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit RawLinesView(QWidget *parent = nullptr);

    // The lines to show, read through a decoder that other views may share.
    void setDecoder(std::shared_ptr<LineDecoder> decoder);
    const std::shared_ptr<LineDecoder> &decoder() const { return m_decoder; }

    qint64 rowCount() const;            // lines shown
    qint64 lineOfRow(qint64 row) const; // reading index of a row (rows are in file order)
    qint64 rowOfLine(qint64 lineIndex) const;
    qint64 currentRow() const { return m_row; }
    int currentColumn() const { return m_column; } // from 1
    void setCursorPosition(qint64 row, int column);
    QString statusText() const { return m_status; }

    // Geometry, in the viewport's coordinates, for the rows and columns on screen.
    int columnX(int column) const; // left edge of a column (from 1)
    int rowY(qint64 row) const;    // top of a row
    int lineHeight() const { return m_lineHeight; }
    int charWidth() const { return m_charWidth; }
    QList<int> rulerLabels() const; // the numbered columns of the ruler on screen
    // A field's band on a row (field -1: the line type's ID); a null rect when the row has no
    // such band or is not on screen. pastEndRect is the part beyond the end of the line.
    QRect bandRect(qint64 row, int field) const;
    QRect pastEndRect(qint64 row, int field) const;
    QList<QRect> overlapRects(qint64 row) const; // columns that two fields read
    QList<QRect> gapTextRects(qint64 row) const; // unread columns that hold text
    QRect stripRect(int field) const;            // the field's segment in the strip
    QRect cursorRect() const;                    // the cursor's box, when its line is on screen

    int highlightedLineType() const { return m_highlightType; }
    int highlightedField() const { return m_highlightField; }

public slots:
    // Highlights a field's band on every line of its line type, by the line type's Ly_ID and
    // the field's Ld_ID as the load format stores them ("0002", "0004"; "2" and "4" also
    // match). Scrolls to the band, and to a line of that type when none is on screen. False
    // when the format has no such field (the highlight is then cleared).
    bool highlightField(const QString &lineTypeOrder, const QString &fieldNumber);
    // The same by indexes in the load format (line type, field in the line type).
    bool highlightFieldAt(int lineType, int field);
    void clearHighlight();
    // Makes a line (by its reading index) current, at a field's first column when given.
    void showLine(qint64 lineIndex, int field = -1);

signals:
    void statusChanged(const QString &text);
    void currentLineChanged(qint64 lineIndex);
    // The cursor entered a field of the current line's type (field -1: a column of no field).
    void fieldEntered(int lineType, int field);

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool viewportEvent(QEvent *event) override;

private:
    static constexpr int TickHeight = 7; // the ruler's ticks at 1 and every tenth column
    static constexpr int MaxLanes = 4; // rows of the strip; more overlapping fields share the last

    int laneOf(const Band &band) const { return std::min(band.lane, m_lanes - 1); }

    void updateMetrics();
    void updateScrollBars();
    void ensureCursorVisible();
    void ensureColumnsVisible(int from, int to); // columns from 0, [from, to)
    void updateStatus();
    QString describe(const DecodedLine &line, int column) const;
    QString describeColumn(const DecodedLine &line, int column) const;
    const BandLayout &layoutOf(int lineType) const;
    std::shared_ptr<const DecodedLine> lineAt(qint64 row) const;
    int firstColumn() const; // from 0
    qint64 firstRow() const;
    int visibleRows() const;
    int visibleColumns() const;
    int maxColumns() const;
    QRect columnsRect(qint64 row, int from, int to) const; // columns from 0, [from, to)
    QColor bandColor(const Band &band, bool strong) const;
    void paintRuler(QPainter &painter) const;
    void paintStrip(QPainter &painter) const;
    void paintRow(QPainter &painter, qint64 row) const;
    void paintText(QPainter &painter, const DecodedLine &line, int y) const;
    void paintGutter(QPainter &painter, const DecodedLine &line, int y) const;
    qint64 nearestRowOfType(int lineType) const;

    std::shared_ptr<LineDecoder> m_decoder;
    std::vector<BandLayout> m_layouts;
    qint64 m_row = 0;
    int m_column = 1;
    int m_highlightType = -1;
    int m_highlightField = -1;
    int m_enteredType = -2;
    int m_enteredField = -2;
    QString m_status;
    int m_charWidth = 8;     // the width of a column's cell
    qreal m_glyphOffset = 0; // where a character stands in its cell, to centre its advance
    QRawFont m_rawFont;      // the font's glyphs, placed one per cell
    int m_lineHeight = 16;
    int m_ascent = 12;
    int m_rulerHeight = 24;
    int m_laneHeight = 16;
    int m_lanes = 1;
    int m_gutterWidth = 60;
    int m_furthestField = 0; // the end column of the furthest band, from 0
};

} // namespace velkora::views
