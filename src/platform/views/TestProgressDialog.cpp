#include "TestProgressDialog.h"

#include <QDir>
#include <QLocale>

namespace velkora::views {

TestProgressDialog::TestProgressDialog(TestJob &job, QWidget *parent)
    : JobProgressDialog({QStringLiteral("dlgProgresoPrueba"),
                         QStringLiteral("Prueba del formato de carga %1").arg(job.format().key),
                         QStringLiteral("lblArchivoPrueba"),
                         QStringLiteral("Probando el formato de carga %1 en %2")
                             .arg(job.format().key, QDir::toNativeSeparators(job.path()))},
                        parent),
      m_job(job)
{
    startPolling();
}

QString TestProgressDialog::progressText(const TestProgress &progress)
{
    const QLocale locale;
    QString text = progress.total >= 0 ? QStringLiteral("%1 de %2 MB")
                                             .arg(megabytesText(progress.done),
                                                  megabytesText(progress.total))
                                       : QStringLiteral("Abriendo el archivo");
    text += QStringLiteral(" · %1 líneas").arg(locale.toString(progress.lines));
    if (progress.elapsedMs > 0)
        text += QStringLiteral(" · %1 líneas/s")
                    .arg(locale.toString(progress.lines * 1000 / progress.elapsedMs));
    return text;
}

bool TestProgressDialog::jobFinished() const
{
    return m_job.finished();
}

void TestProgressDialog::cancelJob()
{
    m_job.cancel();
}

void TestProgressDialog::refresh()
{
    const TestProgress progress = m_job.progress();
    showProgress(progress.done, progress.total,
                 progress.cancelling
                     ? QStringLiteral("Cancelando... se guarda lo leído: ") + progressText(progress)
                     : progressText(progress));
}

TestOutcome runLoadFormatTest(const formats::LoadFormat &format, const QString &path,
                              QWidget *parent, const RunOptions &options)
{
    TestJob job(format, path, options.job);
    job.start();
    if (!job.wait(options.quietMilliseconds)) {
        TestProgressDialog dialog(job, parent);
        execUnderBusyPointer(dialog);
    }
    return job.take();
}

} // namespace velkora::views
