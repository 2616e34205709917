#pragma once

#include "proposal/Proposal.h"

#include <QDialog>
#include <memory>

class QLabel;
class QListWidget;
class QPushButton;
class QTableView;

namespace velkora::views {

class LineDecoder;
class ProposedFieldsModel;
class ProposedLineTypesModel;
class RawLinesView;

// Shows a proposed load format for the user to accept or not: a summary of the file read,
// the proposed line types, the fields of the chosen line type (position, length, type,
// format, value, trim and how sure the proposal is of each), the lines that fit no proposed
// line type, and the file's first lines with the proposed fields as coloured bands (a
// RawLinesView over the proposal as a load format). Choosing a line type shows its first
// line, choosing a field highlights its band, choosing an unmatched line shows it.
// Accepting or cancelling changes nothing: the caller acts on the answer.
// Object names: "dlgPropuesta", "lblResumen", "tblTiposLinea", "tblCampos", "lblSinTipo",
// "lstSinTipo", "vistaLineas", "lblCampo", "cmdAceptar", "cmdCancelar" (and "paginaTipos",
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
    QListWidget *unmatchedList() const { return m_unmatched; }
    RawLinesView *linesView() const { return m_lines; }
    QPushButton *acceptButton() const { return m_accept; }
    QPushButton *cancelButton() const { return m_cancel; }

private:
    void showLineType(int row);
    void showField(int row);
    void showLineNumber(qint64 number);
    QString summary() const;

    proposal::Proposal m_proposal;
    std::shared_ptr<LineDecoder> m_decoder;
    ProposedLineTypesModel *m_lineTypesModel;
    ProposedFieldsModel *m_fieldsModel;
    QTableView *m_lineTypesTable;
    QTableView *m_fieldsTable;
    QListWidget *m_unmatched;
    RawLinesView *m_lines;
    QLabel *m_status;
    QPushButton *m_accept;
    QPushButton *m_cancel;
};

} // namespace velkora::views
