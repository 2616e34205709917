#pragma once

#include "ProposalJob.h"

#include "JobProgressDialog.h"

namespace velkora::views {

// The progress of a running ProposalJob, in a modal window: the file, what is being done
// (reading the file, testing the proposal on it), a bar of the bytes of that step, and
// "Cancelar", which stops the proposal (so do Escape and closing the window). The window
// closes itself once the job has finished; the event loop runs meanwhile.
// Object names: "dlgProgresoPropuesta", "lblArchivoPropuesta", "barProgreso", "lblAvance",
// "cmdCancelar".
class ProposalProgressDialog : public JobProgressDialog {
    Q_OBJECT
public:
    ProposalProgressDialog(ProposalJob &job, QWidget *parent = nullptr);

    // "Leyendo el archivo: 12,5 de 100,0 MB", "Buscando las reglas del archivo: ...",
    // "Probando la propuesta en el archivo: ...".
    static QString progressText(const ProposalJobProgress &progress);

private:
    bool jobFinished() const override;
    void cancelJob() override;
    void refresh() override;

    ProposalJob &m_job;
};

struct ProposalRunOptions {
    ProposalJobOptions job;
    // A proposal that ends sooner shows no window at all (and runs no event loop).
    int quietMilliseconds = 400;
};

// Proposes a load format from a file (see ProposalJob): waits quietly for a short while, then
// shows a ProposalProgressDialog over `parent` until the proposal has finished or been
// cancelled.
ProposalJob::Outcome runProposal(const QString &path, QWidget *parent,
                                 const ProposalRunOptions &options = {});

} // namespace velkora::views
