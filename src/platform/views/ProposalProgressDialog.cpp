#include "ProposalProgressDialog.h"

#include <QDir>

namespace velkora::views {

ProposalProgressDialog::ProposalProgressDialog(ProposalJob &job, QWidget *parent)
    : JobProgressDialog({QStringLiteral("dlgProgresoPropuesta"),
                         QStringLiteral("Proponer desde archivo"),
                         QStringLiteral("lblArchivoPropuesta"),
                         QStringLiteral("Proponiendo un formato de carga desde %1")
                             .arg(QDir::toNativeSeparators(job.path()))},
                        parent),
      m_job(job)
{
    startPolling();
}

QString ProposalProgressDialog::progressText(const ProposalJobProgress &progress)
{
    if (progress.total < 0)
        return QStringLiteral("Abriendo el archivo");
    const QString what =
        progress.step == proposal::ProposalProgress::Step::Reading
            ? QStringLiteral("Leyendo el archivo")
        : progress.step == proposal::ProposalProgress::Step::Rules
            ? QStringLiteral("Buscando las reglas del archivo")
        : progress.round > 1
            ? QStringLiteral("Probando la propuesta en el archivo (vuelta %1)").arg(progress.round)
            : QStringLiteral("Probando la propuesta en el archivo");
    return QStringLiteral("%1: %2 de %3 MB")
        .arg(what, megabytesText(progress.done), megabytesText(progress.total));
}

bool ProposalProgressDialog::jobFinished() const
{
    return m_job.finished();
}

void ProposalProgressDialog::cancelJob()
{
    m_job.cancel();
}

void ProposalProgressDialog::refresh()
{
    const ProposalJobProgress progress = m_job.progress();
    showProgress(progress.done, progress.total,
                 progress.cancelling ? QStringLiteral("Cancelando...") : progressText(progress));
}

ProposalJob::Outcome runProposal(const QString &path, QWidget *parent,
                                 const ProposalRunOptions &options)
{
    ProposalJob job(path, options.job);
    job.start();
    if (!job.wait(options.quietMilliseconds)) {
        ProposalProgressDialog dialog(job, parent);
        execUnderBusyPointer(dialog);
    }
    return job.take();
}

} // namespace velkora::views
