#include "ProposalProgressDialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace velkora::views {

ProposalProgressDialog::ProposalProgressDialog(ProposalJob &job, QWidget *parent)
    : QDialog(parent), m_job(job), m_bar(new QProgressBar(this)), m_text(new QLabel(this)),
      m_cancel(new QPushButton(QStringLiteral("Cancelar"), this)), m_timer(new QTimer(this))
{
    setObjectName(QStringLiteral("dlgProgresoPropuesta"));
    setWindowTitle(QStringLiteral("Proponer desde archivo"));
    setModal(true);
    auto *file = new QLabel(QStringLiteral("Proponiendo un formato de carga desde %1")
                                .arg(QDir::toNativeSeparators(job.path())),
                            this);
    file->setObjectName(QStringLiteral("lblArchivoPropuesta"));
    file->setWordWrap(true);
    m_bar->setObjectName(QStringLiteral("barProgreso"));
    m_bar->setRange(0, 1000);
    m_bar->setValue(0);
    m_bar->setTextVisible(true);
    m_text->setObjectName(QStringLiteral("lblAvance"));
    m_cancel->setObjectName(QStringLiteral("cmdCancelar"));
    m_cancel->setAutoDefault(false);
    connect(m_cancel, &QPushButton::clicked, this, &ProposalProgressDialog::reject);

    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(m_cancel, QDialogButtonBox::RejectRole);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(file);
    layout->addWidget(m_bar);
    layout->addWidget(m_text);
    layout->addWidget(buttons);
    setMinimumWidth(480);

    m_timer->setInterval(100);
    connect(m_timer, &QTimer::timeout, this, [this] {
        if (m_job.finished()) {
            m_timer->stop();
            accept();
        } else {
            refresh();
        }
    });
    m_timer->start();
    refresh();
}

QString ProposalProgressDialog::progressText(const ProposalJobProgress &progress)
{
    const QLocale locale;
    const auto megabytes = [&](qint64 bytes) {
        return locale.toString(double(bytes) / (1024.0 * 1024.0), 'f', 1);
    };
    if (progress.total < 0)
        return QStringLiteral("Abriendo el archivo");
    const QString what =
        progress.step == proposal::ProposalProgress::Step::Reading
            ? QStringLiteral("Leyendo el archivo")
        : progress.round > 1
            ? QStringLiteral("Probando la propuesta en el archivo (vuelta %1)").arg(progress.round)
            : QStringLiteral("Probando la propuesta en el archivo");
    return QStringLiteral("%1: %2 de %3 MB")
        .arg(what, megabytes(progress.done), megabytes(progress.total));
}

void ProposalProgressDialog::refresh()
{
    const ProposalJobProgress progress = m_job.progress();
    if (progress.total > 0)
        m_bar->setValue(int(progress.done * 1000 / progress.total));
    m_text->setText(progress.cancelling ? QStringLiteral("Cancelando...") : progressText(progress));
}

void ProposalProgressDialog::reject()
{
    m_job.cancel();
    m_cancel->setEnabled(false);
    refresh(); // the window closes once the job has stopped
}

ProposalJob::Outcome runProposal(const QString &path, QWidget *parent,
                                 const ProposalRunOptions &options)
{
    ProposalJob job(path, options.job);
    job.start();
    if (!job.wait(options.quietMilliseconds)) {
        ProposalProgressDialog dialog(job, parent);
        // The caller may show a busy pointer: over this window the user can still cancel.
        QApplication::setOverrideCursor(Qt::BusyCursor);
        dialog.exec();
        QApplication::restoreOverrideCursor();
    }
    return job.take();
}

} // namespace velkora::views
