#include "TestResultViews.h"

#include "LineDecoder.h"
#include "RawLinesView.h"
#include "ResultTablesView.h"

#include <QLabel>
#include <QVBoxLayout>

namespace velkora::views {

TestResultViews::TestResultViews(std::shared_ptr<const TestedFile> file, QWidget *parent)
    : QObject(parent), m_decoder(std::make_shared<LineDecoder>(std::move(file))),
      m_tables(new ResultTablesView(m_decoder, parent)), m_linesPage(new QWidget(parent)),
      m_lines(new RawLinesView(m_linesPage)), m_status(new QLabel(m_linesPage))
{
    m_linesPage->setObjectName(QStringLiteral("paginaLineas"));
    m_status->setObjectName(QStringLiteral("lblCampo"));
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_status->setWordWrap(true);
    auto *legend = new QLabel(
        QStringLiteral("Cada campo es una banda de color con su número en la franja de arriba. "
                       "Rayado: columnas que ningún campo lee y que tienen texto. Cuadriculado "
                       "rojo: columnas que leen dos campos. Subrayado rojo: campo con error (también "
                       "el que rompe una regla). Número de línea en rojo: la línea rompe una "
                       "regla. Borde punteado: el campo pasa del final de la línea. Ctrl+← y Ctrl+→: "
                       "campo anterior y siguiente."),
        m_linesPage);
    legend->setObjectName(QStringLiteral("lblLeyenda"));
    legend->setWordWrap(true);
    legend->setForegroundRole(QPalette::PlaceholderText);
    auto *layout = new QVBoxLayout(m_linesPage);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_lines, 1);
    layout->addWidget(m_status);
    layout->addWidget(legend);

    m_lines->setDecoder(m_decoder);
    m_status->setText(m_lines->statusText());
    connect(m_lines, &RawLinesView::statusChanged, m_status, &QLabel::setText);
    connect(m_tables, &ResultTablesView::cellChosen, m_lines,
            [this](qint64 line, int lineType, int field) {
                m_lines->showLine(line, field);
                if (lineType >= 0 && field >= 0)
                    m_lines->highlightFieldAt(lineType, field);
                else
                    m_lines->clearHighlight();
            });
    connect(m_tables, &ResultTablesView::lineViewRequested, this,
            [this](qint64 line, int, int field) {
                m_lines->showLine(line, field);
                emit linesPageRequested();
                m_lines->setFocus(Qt::OtherFocusReason);
            });
}

} // namespace velkora::views
