#pragma once

#include "TestedFile.h"

#include <QObject>
#include <memory>

class QLabel;
class QWidget;

namespace velkora::views {

class LineDecoder;
class RawLinesView;
class ResultTablesView;

// The views of one tested file, made to be shown side by side (as tabs of a viewer): the
// result as tables, and the page of the file's lines (a RawLinesView with its status line and
// a legend). They read the file through one decoder. Choosing a cell of a table makes its
// line current in the lines' view and highlights its field's band; Enter or a double click on
// a cell asks to see the lines' page (linesPageRequested). Both pages are made with `parent`
// as their parent, for the caller to place.
// Object names: "paginaLineas", "lblCampo", "lblLeyenda" (and those of the two views).
class TestResultViews : public QObject {
    Q_OBJECT
public:
    TestResultViews(std::shared_ptr<const TestedFile> file, QWidget *parent);

    ResultTablesView *tables() const { return m_tables; }
    QWidget *linesPage() const { return m_linesPage; }
    RawLinesView *lines() const { return m_lines; }

signals:
    void linesPageRequested();

private:
    std::shared_ptr<LineDecoder> m_decoder;
    ResultTablesView *m_tables;
    QWidget *m_linesPage;
    RawLinesView *m_lines;
    QLabel *m_status;
};

} // namespace velkora::views
