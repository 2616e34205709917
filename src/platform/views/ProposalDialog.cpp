#include "ProposalDialog.h"

#include "LineDecoder.h"
#include "ProposalModels.h"
#include "RawLinesView.h"
#include "TestedFile.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace velkora::views {

namespace {

QTableView *makeTable(QAbstractItemModel *model, const QString &name, QWidget *parent)
{
    auto *table = new QTableView(parent);
    table->setObjectName(name);
    table->setModel(model);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

// Every column as wide as its caption and contents (the table scrolls sideways when they do not
// all fit), the confidence right after the first column (the line type's ID, the field's
// number), so that it is in sight at once.
void fitColumnsInSight(QTableView *table, int confidenceColumn)
{
    QHeaderView *header = table->horizontalHeader();
    if (header->visualIndex(confidenceColumn) != 1)
        header->moveSection(header->visualIndex(confidenceColumn), 1);
    header->setStretchLastSection(false);
    table->resizeColumnsToContents();
    header->setStretchLastSection(true);
}

QLabel *caption(const QString &text, const QString &name, QWidget *buddy, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setBuddy(buddy);
    return label;
}

} // namespace

ProposalDialog::ProposalDialog(const proposal::Proposal &proposal, QWidget *parent)
    : QDialog(parent), m_proposal(proposal),
      m_lineTypesModel(new ProposedLineTypesModel(m_proposal, this)),
      m_fieldsModel(new ProposedFieldsModel(this)),
      m_lineTypesTable(makeTable(m_lineTypesModel, QStringLiteral("tblTiposLinea"), this)),
      m_fieldsTable(makeTable(m_fieldsModel, QStringLiteral("tblCampos"), this)),
      m_rulesModel(new ProposedRulesModel(m_proposal, this)),
      m_rulesTable(makeTable(m_rulesModel, QStringLiteral("tblReglas"), this)),
      m_pages(new QTabWidget(this)), m_unmatched(new QListWidget(this)),
      m_unread(new QListWidget(this)), m_lines(new RawLinesView(this)), m_status(new QLabel(this)),
      m_accept(new QPushButton(QStringLiteral("Aceptar"), this)),
      m_cancel(new QPushButton(QStringLiteral("Cancelar"), this))
{
    setObjectName(QStringLiteral("dlgPropuesta"));
    setWindowTitle(QStringLiteral("Formato de carga propuesto"));
    m_unmatched->setObjectName(QStringLiteral("lstSinTipo"));
    m_unread->setObjectName(QStringLiteral("lstNoSeLeen"));
    m_status->setObjectName(QStringLiteral("lblCampo"));
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_status->setWordWrap(true);
    m_accept->setObjectName(QStringLiteral("cmdAceptar"));
    m_cancel->setObjectName(QStringLiteral("cmdCancelar"));
    m_accept->setDefault(true);

    auto *summaryLabel = new QLabel(summary(), this);
    summaryLabel->setObjectName(QStringLiteral("lblResumen"));
    summaryLabel->setWordWrap(true);
    summaryLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    readSample();
    QWidget *tables = tablesPage();
    m_pages->setObjectName(QStringLiteral("tabPropuesta"));
    m_pages->addTab(tables, QStringLiteral("Tipos de línea y campos"));
    m_pages->addTab(rulesPage(), QStringLiteral("Re&glas (%1)").arg(m_proposal.rules.size()));

    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->setObjectName(QStringLiteral("divPropuesta"));
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(m_pages);
    splitter->addWidget(linesPage());

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_accept);
    buttons->addWidget(m_cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(summaryLabel);
    layout->addWidget(splitter, 1);
    layout->addLayout(buttons);
    resize(1000, 720);

    connectChoices();
    if (m_lineTypesModel->rowCount() > 0)
        m_lineTypesTable->setCurrentIndex(m_lineTypesModel->index(0, 0));
    m_accept->setFocus();
}

// The sample's lines with the proposal's fields, read as the test reads them.
void ProposalDialog::readSample()
{
    const formats::LoadFormat format = proposal::toLoadFormat(m_proposal, QString());
    formats::LineIndexOptions indexing;
    indexing.maxLines = ShownLines;
    const std::shared_ptr<const TestedFile> file = indexFile(format, m_proposal.file, indexing);
    m_decoder = std::make_shared<LineDecoder>(file);
    m_lines->setDecoder(m_decoder);
    m_status->setText(file->index.ran() ? m_lines->statusText() : file->index.error());
    connect(m_lines, &RawLinesView::statusChanged, m_status, &QLabel::setText);
}

// Line types and their fields side by side, the unmatched lines under them.
QWidget *ProposalDialog::tablesPage()
{
    QLabel *unmatched = unmatchedLabel();
    QLabel *unread = unreadLabel();
    auto *tables = new QWidget(this);
    tables->setObjectName(QStringLiteral("paginaTipos"));
    auto *tablesLayout = new QHBoxLayout(tables);
    tablesLayout->setContentsMargins(0, 0, 0, 0);
    auto *typesColumn = new QVBoxLayout;
    typesColumn->addWidget(caption(QStringLiteral("&Tipos de línea"),
                                   QStringLiteral("lblTiposLinea"), m_lineTypesTable, this));
    typesColumn->addWidget(m_lineTypesTable, 1);
    typesColumn->addWidget(unmatched);
    typesColumn->addWidget(m_unmatched);
    typesColumn->addWidget(unread);
    typesColumn->addWidget(m_unread);
    auto *fieldsColumn = new QVBoxLayout;
    fieldsColumn->addWidget(caption(QStringLiteral("&Campos del tipo de línea"),
                                    QStringLiteral("lblCampos"), m_fieldsTable, this));
    fieldsColumn->addWidget(m_fieldsTable, 1);
    tablesLayout->addLayout(typesColumn, 2);
    tablesLayout->addLayout(fieldsColumn, 3);
    return tables;
}

// The sample's lines, below all.
QWidget *ProposalDialog::linesPage()
{
    auto *linesPage = new QWidget(this);
    linesPage->setObjectName(QStringLiteral("paginaLineas"));
    auto *linesLayout = new QVBoxLayout(linesPage);
    linesLayout->setContentsMargins(0, 0, 0, 0);
    linesLayout->addWidget(
        caption(QStringLiteral("&Líneas del archivo"), QStringLiteral("lblLineas"), m_lines, this));
    linesLayout->addWidget(m_lines, 1);
    linesLayout->addWidget(m_status);
    return linesPage;
}

// The rules the file keeps, on a page beside the line types.
QWidget *ProposalDialog::rulesPage()
{
    auto *rulesPage = new QWidget(this);
    rulesPage->setObjectName(QStringLiteral("paginaReglas"));
    auto *rulesLayout = new QVBoxLayout(rulesPage);
    rulesLayout->addWidget(m_rulesTable, 1);
    return rulesPage;
}

// The buttons, and what the current line type, field or unmatched line shows.
void ProposalDialog::connectChoices()
{
    connect(m_accept, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_lineTypesTable->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { showLineType(current.row()); });
    connect(m_fieldsTable->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { showField(current.row()); });
    for (QListWidget *list : {m_unmatched, m_unread}) {
        connect(list, &QListWidget::currentItemChanged, this, [this](QListWidgetItem *item) {
            if (item)
                showLineNumber(item->data(Qt::UserRole).toLongLong());
        });
    }
}

ProposalDialog::~ProposalDialog() = default;

// "Líneas que no corresponden a ningún tipo propuesto: 3", over their list.
QLabel *ProposalDialog::unmatchedLabel()
{
    auto *label = new QLabel(this);
    label->setObjectName(QStringLiteral("lblSinTipo"));
    label->setWordWrap(true);
    label->setBuddy(m_unmatched);
    const QLocale locale;
    if (m_proposal.unmatchedCount == 0) {
        label->setText(
            QStringLiteral("Todas las líneas corresponden a un tipo de línea propuesto."));
        m_unmatched->hide();
        return label;
    }
    label->setText(
        QStringLiteral("Líneas que no corresponden a ningún tipo propuesto: %1%2")
            .arg(locale.toString(m_proposal.unmatchedCount),
                 m_proposal.unmatchedCount > m_proposal.unmatchedLines.size()
                     ? QStringLiteral(" (se listan las primeras %1)")
                           .arg(locale.toString(qint64(m_proposal.unmatchedLines.size())))
                     : QString()));
    for (const qint64 number : std::as_const(m_proposal.unmatchedLines)) {
        auto *item = new QListWidgetItem(QStringLiteral("Línea %1").arg(number), m_unmatched);
        item->setData(Qt::UserRole, number);
    }
    return label;
}

// The proposal's findings: "3 líneas no se leen con esta propuesta: 105, 630, 2231", and each
// of those lines with the fields it does not read in.
QLabel *ProposalDialog::unreadLabel()
{
    auto *label = new QLabel(proposal::unreadText(m_proposal), this);
    label->setObjectName(QStringLiteral("lblNoSeLeen"));
    label->setWordWrap(true);
    label->setBuddy(m_unread);
    if (m_proposal.unreadCount == 0) {
        label->hide();
        m_unread->hide();
        return label;
    }
    QStringList fields;
    for (const proposal::UnreadField &u : std::as_const(m_proposal.unreadFields)) {
        const proposal::ProposedLineType &type = m_proposal.lineTypes.at(u.lineType);
        fields << QStringLiteral("%1 del tipo %2 (%3 líneas)")
                      .arg(type.fields.at(u.field).description, type.id)
                      .arg(u.lines);
    }
    label->setToolTip(QStringLiteral("Campos que esas líneas no leen: ") +
                      fields.join(QStringLiteral("; ")));
    for (const qint64 number : std::as_const(m_proposal.unreadLines)) {
        auto *item = new QListWidgetItem(QStringLiteral("Línea %1").arg(number), m_unread);
        item->setData(Qt::UserRole, number);
    }
    return label;
}

QString ProposalDialog::summary() const
{
    const QLocale locale;
    QString text =
        QStringLiteral("Archivo: %1 (%2). Líneas: %3, de las que se estudiaron %4.")
            .arg(QDir::toNativeSeparators(m_proposal.file), m_proposal.encoding,
                 locale.toString(m_proposal.linesRead), locale.toString(m_proposal.linesSampled));
    if (m_proposal.idLength > 0 && m_proposal.sharesIdPlace())
        text += QStringLiteral(" El ID de cada línea está en la posición %1, longitud %2.")
                    .arg(m_proposal.idPosition)
                    .arg(m_proposal.idLength);
    else if (m_proposal.idLength > 0)
        text += QStringLiteral(" El tipo de registro está en la posición %1, longitud %2; "
                               "algunos tipos de línea tienen su ID en otra posición (la de cada "
                               "uno está en la tabla).")
                    .arg(m_proposal.idPosition)
                    .arg(m_proposal.idLength);
    else
        text += QStringLiteral(" Todas las líneas son de un mismo tipo.");
    return text;
}

void ProposalDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    fitColumnsInSight(m_lineTypesTable, ProposedLineTypesModel::Confidence);
    fitColumnsInSight(m_fieldsTable, ProposedFieldsModel::Confidence);
}

void ProposalDialog::showLineType(int row)
{
    if (row < 0 || row >= m_proposal.lineTypes.size()) {
        m_fieldsModel->setFields({});
        return;
    }
    const proposal::ProposedLineType &type = m_proposal.lineTypes.at(row);
    m_fieldsModel->setFields(type.fields);
    if (isVisible())
        fitColumnsInSight(m_fieldsTable, ProposedFieldsModel::Confidence);
    m_lines->clearHighlight();
    showLineNumber(type.firstLine);
}

void ProposalDialog::showField(int row)
{
    const int lineType = m_lineTypesTable->currentIndex().row();
    if (lineType < 0 || row < 0)
        return;
    m_lines->highlightFieldAt(lineType, row);
}

void ProposalDialog::showLineNumber(qint64 number)
{
    // The sample is read from its first line on: the line numbered n is read n-th.
    const formats::LineIndex &index = m_decoder->file().index;
    const qint64 lineIndex = number - 1;
    if (number < 1 || lineIndex >= index.lineCount() || index.lineNumber(lineIndex) != number)
        return;
    m_lines->showLine(lineIndex);
}

} // namespace velkora::views
