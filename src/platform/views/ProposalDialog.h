#pragma once

#include "proposal/Proposal.h"

#include <QDialog>
#include <memory>

class QLabel;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTableView;

namespace velkora::views {

class LineDecoder;
class ProposedFieldsModel;
class ProposedLineTypesModel;
class ProposedRulesModel;
class RawLinesView;

// Shows a proposed load format for the user to accept or not: a summary of the file read,
// the proposed line types (with where each one's ID stands), the fields of the chosen line
// type (position, length, type, format, value, trim and how sure the proposal is of each),
// the lines that fit no proposed line type, the lines that some field does not read (the
// proposal's findings: "3 líneas no se leen con esta propuesta: ..."), on a page of their own
// the rules the file keeps (each with its line type, field, text, description and
// confidence), and the file's first
// lines with the proposed fields as coloured bands (a RawLinesView over the proposal as a
// load format). Choosing a line type shows its first line, choosing a field highlights its
// band, choosing a listed line shows it. Accepting or cancelling changes nothing: the caller
// acts on the answer.
// Object names: "dlgPropuesta", "lblResumen", "tblTiposLinea", "tblCampos", "lblSinTipo",
// "lstSinTipo", "lblNoSeLeen", "lstNoSeLeen", "vistaLineas", "lblCampo", "cmdAceptar",
// "cmdCancelar", "tabPropuesta" (its pages "paginaTipos" and "paginaReglas"), "tblReglas" (and
// "paginaLineas", "divPropuesta" and the captions "lblTiposLinea", "lblCampos", "lblLineas").
class ProposalDialog : public QDialog {
    Q_OBJECT
public:
    // The lines shown are the file's first ones, at most this many.
    static constexpr qint64 ShownLines = 100000;

    ProposalDialog(const proposal::Proposal &proposal, QWidget *parent = nullptr);
    ~ProposalDialog() override;

    QTableView *lineTypesTable() const { return m_lineTypesTable; }
    QTableView *fieldsTable() const { return m_fieldsTable; }
    QTableView *rulesTable() const { return m_rulesTable; }
    QTabWidget *pages() const { return m_pages; }
    QListWidget *unmatchedList() const { return m_unmatched; }
    QListWidget *unreadList() const { return m_unread; }
    RawLinesView *linesView() const { return m_lines; }
    QPushButton *acceptButton() const { return m_accept; }
    QPushButton *cancelButton() const { return m_cancel; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    // The construction: the sample read with the proposal, the pages and the connections.
    void readSample();
    QWidget *tablesPage();
    QWidget *linesPage();
    QWidget *rulesPage();
    void connectChoices();
    void showLineType(int row);
    void showField(int row);
    void showLineNumber(qint64 number);
    QString summary() const;
    QLabel *unmatchedLabel();
    QLabel *unreadLabel();

    proposal::Proposal m_proposal;
    std::shared_ptr<LineDecoder> m_decoder;
    ProposedLineTypesModel *m_lineTypesModel;
    ProposedFieldsModel *m_fieldsModel;
    QTableView *m_lineTypesTable;
    QTableView *m_fieldsTable;
    ProposedRulesModel *m_rulesModel;
    QTableView *m_rulesTable;
    QTabWidget *m_pages;
    QListWidget *m_unmatched;
    QListWidget *m_unread;
    RawLinesView *m_lines;
    QLabel *m_status;
    QPushButton *m_accept;
    QPushButton *m_cancel;
};

} // namespace velkora::views
