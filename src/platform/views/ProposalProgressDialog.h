#pragma once

#include "ProposalJob.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace velkora::views {

// The progress of a running ProposalJob, in a modal window: the file, what is being done
// (reading the file, testing the proposal on it), a bar of the bytes of that step, and
// "Cancelar", which stops the proposal (so do Escape and closing the window). The window
// closes itself once the job has finished; the event loop runs meanwhile.
// Object names: "dlgProgresoPropuesta", "lblArchivoPropuesta", "barProgreso", "lblAvance",
// "cmdCancelar".
class ProposalProgressDialog : public QDialog {
    Q_OBJECT
public:
    ProposalProgressDialog(ProposalJob &job, QWidget *parent = nullptr);

    // "Leyendo el archivo: 12,5 de 100,0 MB", "Probando la propuesta en el archivo: ...".
    static QString progressText(const ProposalJobProgress &progress);

public slots:
    void reject() override; // cancels the job; the window closes once it has stopped

private:
    void refresh();

    ProposalJob &m_job;
    QProgressBar *m_bar;
    QLabel *m_text;
    QPushButton *m_cancel;
    QTimer *m_timer;
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
